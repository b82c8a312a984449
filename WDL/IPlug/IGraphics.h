#pragma once

#include "WDL/IPlug/EditorTypes.h"
#include "WDL/IPlug/IPlugParam.h"
#include "WDL/IPlug/IPopupMenu.h"
#include "WDL/IPlug/LICE_Bitmap.h"

#include <atomic>
#include <memory>
#include <vector>

class IControl;
class IPlugBase;

// What draws into the back buffer: the editor tells it when the buffer was (re)made and
// brackets each draw pass with the area being drawn, so the layer can limit drawing to it.
class IDrawingLayer
{
public:
  virtual ~IDrawingLayer() = default;
  // [UI thread] scale: device pixels per editor unit.
  virtual void AttachToBackBuffer(LICE_IBitmap& backBuffer, double scale) = 0;
  virtual void BeginDrawPass(const EditorRect& area) = 0;
  virtual void EndDrawPass() = 0;
};

// The platform-neutral editor: it owns the controls and the back buffer, keeps track of
// what must be redrawn, runs the draw pass, dispatches pointer and key input in editor
// units, relays user edits to the plug-in and asks the user for values. What touches a
// window system (window, timer, screen copy, menus, text field, pointer shape, display
// scale) is a virtual operation a window layer implements.
//
// Threads: everything runs on the UI thread, except SetControlsFromParameter and
// GrayOutParameterControls, which any thread may call (the audio thread does, for host
// automation and the end of an analysis): they only record the change in atomics, and
// the timer applies it to the controls on the UI thread.
class IGraphics
{
public:
  // fps <= 0 becomes 30. plug may be null (an editor without a plug-in edits nothing).
  IGraphics(IPlugBase* plug, int width, int height, int fps);
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;
  // Deletes the controls (last first), then the drawing layer, then the back buffer.
  virtual ~IGraphics();

  // ---- The window layer ----
  // Copies area (editor units) of the back buffer to the window.
  virtual bool PresentToScreen(const EditorRect& area) = 0;
  virtual void CancelTextEntry() {}
  virtual bool HasWindow() const = 0;
  virtual const char* DrawingApiName() const { return ""; }
  // Shows menu below rect and waits for the choice: the menu (or submenu) holding the
  // chosen item, which knows its ChosenItem(), or nullptr when nothing was chosen.
  virtual IPopupMenu* ShowPopupMenu(IPopupMenu& menu, const EditorRect& rect) = 0;
  // Opens a text field over rect with text; what the user types comes back through
  // SetFromStringAfterPrompt. Does nothing while a field is open.
  virtual void ShowTextEntry(IControl& control, const TextStyle& style, const EditorRect& rect, const char* text,
                             int paramIndex) = 0;
  // Opens the editor's window inside parent; the window handle, or nullptr on failure.
  virtual void* OpenEditorWindow(void* parent) = 0;
  virtual void CloseEditorWindow() = 0;
  virtual void* WindowHandle() const = 0;
  // Device pixels per editor unit.
  virtual double DisplayScale() const = 0;
  virtual void SetCursorShape(int /*kind*/) {}
  virtual void ConcealPointer() {}
  virtual void RestorePointer() {}
  // Keeps the pointer's events for this window while a control tracks a gesture.
  virtual void CaptureSystemPointer() {}
  virtual EWindowSystem WindowSystem() const { return kWindowSystemNone; }
  // The timer found these areas dirty: a window layer invalidates them and lets its
  // paint handling run DrawAreas; the base draws at once.
  virtual void RedrawAreas(const EditorRect* areas, int count);
  // The bitmap a window layer copies to its screen; the base keeps it in heap memory.
  virtual std::unique_ptr<LICE_IBitmap> CreateBackBuffer() { return std::make_unique<LICE_MemBitmap>(); }

  // ---- What the framework calls (virtual so a framework test can watch them) ----
  // [UI thread] Sizes the back buffer for the display scale and attaches the drawing layer.
  virtual void PrepareBackBuffer();
  // [UI thread] Every control bound to paramIndex receives normalized, at once.
  virtual void SetParameterFromPlug(int paramIndex, double normalized);
  // [any thread] Shows a parameter's value in its controls on the next timer tick; value
  // is plain unless isNormalized (the caller converts it, under the plug-in mutex when
  // it is not the UI thread). Real-time safe: two atomic stores.
  virtual void SetControlsFromParameter(int paramIndex, double value, bool isNormalized);
  // [any thread] Grays (or restores) the controls of paramIndex on the next timer tick.
  virtual void GrayOutParameterControls(int paramIndex, bool grayed);
  // [any thread] Redraws the controls of paramIndex on the next timer tick: for a change
  // of how the value reads (its unit) while the value stays.
  void RedrawParameterControls(int paramIndex);

  // ---- Controls ----
  // Takes ownership; returns the control's list index (also drawing order and input
  // priority: later controls draw over earlier ones and win hit tests).
  int AddControl(IControl* control);
  IControl* ControlAt(int index) const;
  int ControlCount() const { return static_cast<int>(mControls.size()); }
  // Every control bound to paramIndex receives normalized (MarkDirty's fan-out).
  void ShowParameterValue(int paramIndex, double normalized);
  // Forgets a value recorded for paramIndex by another thread: an edit made since wins.
  void DiscardPendingValue(int paramIndex);
  // Marks every control dirty without pushing a value, so the next tick draws everything.
  void MarkAllDirty();

  // ---- Timer and drawing ----
  // [UI thread] One timer step: applies what other threads recorded, lets the plug-in
  // refresh its readouts (OnEditorTimer), then collects and redraws the dirty area.
  void OnTimerTick();
  // The union of the dirty controls' rectangles; false when nothing is dirty, in which
  // case every second call runs the plug-in's and the controls' idle hooks.
  bool CollectDirtyArea(EditorRect& area);
  // The same as separate areas: dirty rectangles that overlap or touch are joined, so
  // changes far apart (the readouts) are not redrawn as one large box. At most
  // kMaxDirtyAreas; beyond that the rest joins the last. Returns the count.
  static constexpr int kMaxDirtyAreas = 8;
  int CollectDirtyAreas(EditorRect (&areas)[kMaxDirtyAreas]);
  // Paints the controls that reach area, marks every control clean, presents area.
  void DrawArea(const EditorRect& area, double scale);
  // The same for several areas in one pass: each control is clipped to each area it
  // reaches, every control is marked clean once, then each area is presented.
  void DrawAreas(const EditorRect* areas, int count);
  // The union of the areas of the last pass.
  const EditorRect& LastDrawArea() const { return mLastDrawArea; }

  // ---- Input, positions in editor units ----
  void HandleMouseDown(int x, int y, const MouseMods& mods);
  void HandleMouseUp(int x, int y, const MouseMods& mods);
  // The captured control follows the pointer; the window layer calls it only while a
  // button is held, it holds the pointer and no text field is open.
  void HandleMouseDrag(int x, int y, const MouseMods& mods);
  // Hover while no button is held; answers whether hover tracking is on.
  bool HandleMouseOver(int x, int y, const MouseMods& mods);
  void HandleMouseOut();
  void HandleMouseDoubleClick(int x, int y, const MouseMods& mods);
  void HandleMouseWheel(int x, int y, const MouseMods& mods, int notches);
  // key: 0 space, 1..4 arrows, 5..14 digits, 15..40 letters. True when a control took it.
  bool HandleKeyDown(int x, int y, int key);

  // ---- Asking the user for a value ----
  // A menu of the display texts for enumerated (and labelled boolean) parameters, a
  // text field for the others.
  void AskForValue(IControl& control, int paramIndex, const EditorRect& rect);
  // What the user typed into the text field: parsed for the parameter and applied to the
  // control (ReceiveEnteredText for a control without a parameter).
  void SetFromStringAfterPrompt(IControl& control, int paramIndex, const char* text);

  // [UI thread] A copy of parameter paramIndex as it is now, for formatting, parsing and
  // menus without the plug-in mutex: the mutex is held only to copy it, into storage
  // made with the editor, so the copy allocates nothing. Valid until the next call for
  // the same parameter; nullptr for an index outside the list.
  const IPlugParam* CopyOfParam(int paramIndex);

  // ---- Plain accessors ----
  IPlugBase* Plug() const { return mPlug; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int FPS() const { return mFPS; }
  LICE_IBitmap* BackBuffer() const { return mBackBuffer.get(); }
  void SetDrawingLayer(std::unique_ptr<IDrawingLayer> layer);
  IDrawingLayer* DrawingLayer() const { return mDrawingLayer.get(); }
  bool HoverTracking() const { return mHoverTracking; }
  void SetHoverTracking(bool on) { mHoverTracking = on; }
  int CapturedControl() const { return mMouseCapture; }
  int HoverIndex() const { return mHoverIndex; }

private:
  // The eligible control (shown, not grayed) under the point, searched last first.
  int ControlIndexAt(int x, int y) const;
  IControl* CapturedOrHit(int x, int y) const;
  void ReleaseCapture();
  void ApplyPendingUpdates();
  bool RunIdleTick();

  // A change recorded by another thread for one parameter, applied by the timer.
  struct Pending
  {
    std::atomic<double> value{0.0};
    std::atomic<bool> valuePending{false};
    std::atomic<bool> grayed{false};
    std::atomic<bool> grayPending{false};
    std::atomic<bool> redrawPending{false};
  };

  IPlugBase* mPlug;
  int mWidth;
  int mHeight;
  int mFPS;
  int mMouseCapture = -1;
  int mHoverIndex = -1;
  int mGestureParam = -1; // the parameter whose gesture the last press began
  int mLastX = -1;
  int mLastY = -1;
  bool mHoverTracking = false;
  int mIdleTicks = 0;
  EditorRect mLastDrawArea;

  int mPendingCount = 0;
  std::unique_ptr<Pending[]> mPending;
  std::atomic<bool> mAnyPending{false};
  // One copy per parameter, made with the editor (while the plug-in is being built, so
  // with every display text already added), refreshed by CopyOfParam.
  std::vector<IPlugParam> mParamCopies;

  std::unique_ptr<LICE_IBitmap> mBackBuffer;
  std::unique_ptr<IDrawingLayer> mDrawingLayer;
  std::vector<std::unique_ptr<IControl>> mControls;
};
