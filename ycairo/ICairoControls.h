#pragma once

#include "ycairo/ycairo_gui.h"
#include "ycairo/ycairo_text.h"

#include "WDL/IPlug/IControl.h"

#include <string>

// The cairo-drawn controls of the editor. Each draws through the editor's one ycairo_gui
// inside its own rectangle; text-bearing controls carry their own ycairo_text.

// The editor's background: a vertical gradient over the rectangle, the three arrows of
// the signal-flow column, the column separator and the footer band. The decorations sit
// at fixed places of the 300 x 280 layout.
class ICairoGradientBkg final : public IControl
{
public:
  ICairoGradientBkg(IPlugBase* plug, ycairo_gui& gui, const EditorRect& rect);
  void SetColors(const EditorColor& bottom, const EditorColor& top)
  {
    mBottom = bottom;
    mTop = top;
  }
  bool Paint(IGraphics& editor) override;

private:
  ycairo_draw_scope mScope;
  EditorColor mBottom;
  EditorColor mTop;
};

// Text, left-aligned and vertically centred, at (rect height x size factor) units.
class ICairoLabel final : public IControl
{
public:
  ICairoLabel(IPlugBase* plug, ycairo_gui& gui, const EditorRect& rect, const EditorColor& textColor,
              const char* text, int fontResourceId, const char* fontPath, double sizeFactor);
  bool Paint(IGraphics& editor) override;

  const std::string& Text() const { return mText; }
  // Replaces the text; the caller marks the label dirty.
  void SetText(const std::string& text) { mText = text; }
  bool FontLoaded() const { return mTextDrawer.FaceLoaded(); }

private:
  ycairo_draw_scope mScope;
  ycairo_text mTextDrawer;
  std::string mText;
  EditorColor mColor;
  double mSizeFactor;
};

// A latching push button: each press toggles its parameter between 0 and 1. Drawn as a
// rounded outline, filled while on; a grayed button dims its outline to 40 %.
class ICairoButton final : public IControl
{
public:
  ICairoButton(IPlugBase* plug, ycairo_gui& gui, const EditorRect& rect, int paramIndex);
  void SetCaption(const char* caption) { mCaption = caption != nullptr ? caption : ""; }
  void MouseDown(int x, int y, const MouseMods& mods) override;
  bool Paint(IGraphics& editor) override;

  static constexpr EditorColor kDefaultColor{178, 255, 205, 67};

private:
  ycairo_draw_scope mScope;
  ycairo_text mTextDrawer;
  std::string mCaption;
  EditorColor mColor = kDefaultColor;
  double mLineWidth = 3.0;
  double mCornerFactor = 5.0;
};

// A value box showing its parameter's display text (and unit): dragged vertically and
// wheeled like a knob, a press opens the menu of an enumerated parameter and a double
// click asks for a value (a text field for numbers).
class ICairoDropdown final : public IKnobControl
{
public:
  ICairoDropdown(IPlugBase* plug, ycairo_gui& gui, const EditorRect& rect, int paramIndex, const EditorColor& color,
                 double lineWidth, double cornerFactor, bool showUnit);
  void MouseDown(int x, int y, const MouseMods& mods) override;
  void MouseDoubleClick(int x, int y, const MouseMods& mods) override;
  void MouseOver(int x, int y, const MouseMods& mods) override;
  void MouseOut() override;
  bool Paint(IGraphics& editor) override;

  // The text the last Paint drew.
  const std::string& DisplayText() const { return mDisplayText; }

private:
  bool Enumerated() const;
  void UpdateDisplayText(IGraphics& editor);
  void RequestCursor(int kind);

  ycairo_draw_scope mScope;
  ycairo_text mTextDrawer;
  EditorColor mColor;
  bool mShowUnit;
  std::string mDisplayText;
  double mLineWidth;
  double mCornerFactor;
  IGraphics* mDrawnBy = nullptr; // pointer shapes go to the editor that drew it last
};
