#pragma once

#include "WDL/IPlug/IGraphics.h"

// The editor as a Win32 child window of a host's window. Its 33 ms window timer redraws
// the dirty controls: the timer invalidates their area and the paint handler draws it
// into the back buffer (a DIB section) and copies it to the window. Input arrives as
// window messages and is handed to the editor core in editor units. Pop-up menus are
// TrackPopupMenu menus; the text field is a subclassed "EDIT" child window whose entry
// state the timer acts on. Keys no control takes go on to the host's top-level window.
// Everything runs on the thread that owns the window: the host's UI thread.
class IGraphicsWin final : public IGraphics
{
public:
  // The state of the open text field, as the timer reads it.
  enum EEntryState
  {
    kEntryNone = 0,    // nothing pending
    kEntryEditing = 1, // the field has the keyboard focus: the editor leaves it alone
    kEntryUpdate = 2,  // the editor redrew around the open field
    kEntryCancel = 3,
    kEntryCommit = 4
  };
  static constexpr const char* kWindowClassName = "IPlugWndClass";
  static constexpr unsigned kTimerId = 2;

  IGraphicsWin(IPlugBase* plug, int width, int height, int fps);
  // Closes the window first.
  ~IGraphicsWin() override;

  // ---- The window layer ----
  // [UI thread] Copies area (editor units, converted to device pixels) of the back buffer
  // to the window; inside the paint handler through its device context.
  bool PresentToScreen(const EditorRect& area) override;
  // [UI thread] Asks the timer to close the field without taking its text.
  void CancelTextEntry() override;
  bool HasWindow() const override { return mWindow != nullptr; }
  const char* DrawingApiName() const override { return "Windows GDI"; }
  // [UI thread] Runs a modal TrackPopupMenu below rect; the menu or submenu holding the
  // choice, or nullptr.
  IPopupMenu* ShowPopupMenu(IPopupMenu& menu, const EditorRect& rect) override;
  // [UI thread] Opens the "EDIT" field over rect with the keyboard focus; nothing when a
  // field is open, no window exists, or the field or its font cannot be made.
  void ShowTextEntry(IControl& control, const TextStyle& style, const EditorRect& rect, const char* text,
                     int paramIndex) override;
  // [UI thread] parent is an HWND. Returns the editor's HWND, or nullptr when the window
  // cannot be made (the class registration is then undone if no other window needs it).
  // An open window moves to the new parent, keeping its position and size.
  void* OpenEditorWindow(void* parent) override;
  // [UI thread] Destroys the window (and an open text field); the last window of the
  // module unregisters the window class.
  void CloseEditorWindow() override;
  void* WindowHandle() const override { return mWindow; }
  // The screen's logical pixels per inch / 96, the larger of both axes, read on every
  // call: what the host process is allowed to see (a DPI-unaware host sees 96).
  double DisplayScale() const override;
  void SetCursorShape(int kind) override;
  void ConcealPointer() override;
  void RestorePointer() override;
  void CaptureSystemPointer() override;
  EWindowSystem WindowSystem() const override { return kWindowSystemWin32; }
  // Invalidates the areas (device pixels) and paints them before returning.
  void RedrawAreas(const EditorRect* areas, int count) override;
  std::unique_ptr<LICE_IBitmap> CreateBackBuffer() override;

  // [UI thread] One step of the window timer: the text field's pending commit or cancel,
  // else the editor's timer step.
  void TimerTick();
  int EntryState() const { return mEntryState; }
  void* TextEntryWindow() const { return mEditWindow; }
  // Editor windows of this module open now (the window class exists while it is > 0).
  static int OpenWindowCount();

  struct Procedures; // the window procedures, in IGraphicsWin.cpp

private:
  void EndTextEntry();
  // The window was destroyed from outside (with its parent): closed without destroying.
  void ForgetDestroyedWindow();
  // Ends the gesture of a press whose release this window will not see: a menu's own
  // loop took it, or the window is going.
  void EndOpenPress(int x, int y);
  int ToUnits(int devicePixels) const;

  void* mModule = nullptr; // HINSTANCE of the module this code lives in
  void* mWindow = nullptr; // HWND
  void* mParent = nullptr; // HWND
  void* mPaintDC = nullptr; // the HDC a paint or print is drawing into, while it runs
  bool mTimerRunning = false; // the editor window's redraw timer exists

  void* mEditWindow = nullptr; // HWND of the "EDIT" field
  void* mEditFont = nullptr;   // HFONT
  void* mEditPreviousProc = nullptr;
  IControl* mEditControl = nullptr;
  int mEditParam = -1;
  int mEntryState = kEntryNone;

  // A press reached the editor core and its release has not; a menu opened by it took
  // the release, which the press's handler then delivers.
  bool mPressOpen = false;
  bool mReleaseOwed = false;

  bool mPointerHidden = false;
  int mHiddenX = 0;
  int mHiddenY = 0;
};
