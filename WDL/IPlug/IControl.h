#pragma once

#include "WDL/IPlug/EditorTypes.h"

class IGraphics;
class IPlugBase;

// The base of every editor control: a rectangle, an optional bound parameter whose
// normalized value the control mirrors, and the dirty flags the draw pass reads. The
// editor owns its controls; every operation runs on the UI thread.
//
// A change is drawn in two consecutive passes: MarkDirty sets both dirty and redraw
// pending, and MarkClean moves redraw pending into dirty.
class IControl
{
public:
  // paramIndex -1: not bound to a parameter.
  IControl(IPlugBase* plug, const EditorRect& rect, int paramIndex = -1);
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  virtual ~IControl() = default;
  // The right button asks for a value.
  virtual void MouseDown(int x, int y, const MouseMods& mods);
  virtual void MouseUp(int /*x*/, int /*y*/, const MouseMods& /*mods*/) {}
  virtual void MouseDrag(int /*x*/, int /*y*/, int /*dX*/, int /*dY*/, const MouseMods& /*mods*/) {}
  // Returns to the default value (the first the plug-in gave) and pushes it.
  virtual void MouseDoubleClick(int x, int y, const MouseMods& mods);
  virtual void MouseWheel(int /*x*/, int /*y*/, const MouseMods& /*mods*/, int /*notches*/) {}
  virtual bool KeyDown(int /*x*/, int /*y*/, int /*key*/) { return false; }
  virtual void MouseOver(int /*x*/, int /*y*/, const MouseMods& /*mods*/) {}
  virtual void MouseOut() {}
  // Draws into the editor's back buffer; false when nothing could be drawn.
  virtual bool Paint(IGraphics& editor) = 0;
  // A value from the plug-in. The first one also becomes the default.
  virtual void ReceiveParameterValue(double normalized);
  // A value the user chose from a menu or typed: stored and pushed when it differs.
  virtual void ApplyUserValue(double normalized);
  // Text typed for a control without a parameter.
  virtual void ReceiveEnteredText(const char* /*text*/) {}
  virtual void SetHidden(bool hidden);
  virtual void SetGrayed(bool grayed);
  virtual bool HitTest(int x, int y) const { return mTargetRect.Contains(x, y); }
  // Clamps the value, marks the control for the next two passes, pushes the value to
  // the plug-in when asked (and bound), and shows it in every control of the parameter.
  virtual void MarkDirty(bool pushToPlugin);
  virtual void MarkClean();
  virtual bool NeedsRedraw() const { return mDirty; }
  // The editor's idle tick.
  virtual void Idle() {}
  // Moves the rectangle's top-left to (x, y), keeping its size; the target follows.
  virtual void MoveTo(int x, int y);

  // Opens a menu or a text field for the bound parameter, unless prompting is disabled.
  void AskForValue();

  const EditorRect& Rect() const { return mRect; }
  const EditorRect& TargetRect() const { return mTargetRect; }
  void SetTargetRect(const EditorRect& rect) { mTargetRect = rect; }
  int ParamIndex() const { return mParamIndex; }
  int ListIndex() const { return mListIndex; }
  double Value() const { return mValue; }
  void SetValue(double normalized) { mValue = normalized; }
  double DefaultValue() const { return mDefaultValue; }
  bool IsHidden() const { return mHidden; }
  bool IsGrayed() const { return mGrayed; }
  bool HoverWhileGrayed() const { return mHoverWhileGrayed; }
  bool DoubleClickActsAsPress() const { return mDoubleClickAsPress; }
  bool PromptDisabled() const { return mPromptDisabled; }
  void SetPromptDisabled(bool disabled) { mPromptDisabled = disabled; }
  void SetClamp(double low, double high) { mClampLow = low; mClampHigh = high; }
  const TextStyle& Style() const { return mTextStyle; }
  int TextEntryLength() const { return mTextEntryLength; }
  IPlugBase* Plug() const { return mPlug; }
  // The editor that owns the control, set when it is added; nullptr before.
  IGraphics* Editor() const { return mEditor; }

protected:
  int mTextEntryLength = 7;
  TextStyle mTextStyle;
  IPlugBase* mPlug;
  EditorRect mRect;
  EditorRect mTargetRect;
  int mParamIndex = -1;
  int mListIndex = 0;
  double mValue = 0.0;
  double mDefaultValue = -1.0; // negative: no value from the plug-in yet
  double mClampLow = 0.0;
  double mClampHigh = 1.0;
  bool mDirty = true;
  bool mHidden = false;
  bool mGrayed = false;
  bool mRedrawPending = false;
  bool mPromptDisabled = true;
  bool mDoubleClickAsPress = false;
  bool mHoverWhileGrayed = false;

private:
  friend class IGraphics;
  IGraphics* mEditor = nullptr;
};

// A control dragged like a knob: a vertical (or horizontal) drag or the wheel moves its
// normalized value.
class IKnobControl : public IControl
{
public:
  enum EDirection { kVertical = 0, kHorizontal = 1 };

  // gearing: how many times the target's height (or width) of pointer travel sweeps the
  // whole range.
  IKnobControl(IPlugBase* plug, const EditorRect& rect, int paramIndex, int direction = kVertical,
               double gearing = 4.0)
      : IControl(plug, rect, paramIndex), mDirection(direction), mGearing(gearing)
  {
  }

  // Up (or right) raises the value; shift or control make it ten times finer.
  void MouseDrag(int x, int y, int dX, int dY, const MouseMods& mods) override;
  // 0.01 of the range per notch, 0.001 with shift or control. No gesture is sent.
  void MouseWheel(int x, int y, const MouseMods& mods, int notches) override;

protected:
  int mDirection;
  double mGearing;
};
