#pragma once

#include "WDL/IPlug/IEditorEventSource.h"
#include "WDL/IPlug/IGraphics.h"

#include <memory>
#include <string>

// The editor as an X11 child window of a host's window. It has its own display
// connection per open window and no thread or loop of its own: the host's run loop calls
// ProcessEvents when the connection's descriptor is readable and TimerTick on the editor's
// timer. The back buffer reaches the window with XPutImage. The pop-up menu is a window of
// its own that takes the pointer and keyboard until a choice, Escape or a click outside;
// the text field is drawn inside the editor window over the control being edited.
// X errors on the editor's connections are recorded and ignored, so a host that destroys
// its window before removing the view survives. UI thread only.
class IGraphicsX11 final : public IGraphics, public IEditorEventSource
{
public:
  IGraphicsX11(IPlugBase* plug, int width, int height, int fps);
  ~IGraphicsX11() override;

  // ---- The window layer ----
  bool PresentToScreen(const EditorRect& area) override;
  void CancelTextEntry() override;
  bool HasWindow() const override;
  const char* DrawingApiName() const override { return "X11"; }
  IPopupMenu* ShowPopupMenu(IPopupMenu& menu, const EditorRect& rect) override;
  void ShowTextEntry(IControl& control, const TextStyle& style, const EditorRect& rect, const char* text,
                     int paramIndex) override;
  // parent is an X window ID. Returns the child window's ID as a pointer, or nullptr when
  // no display can be opened, the screen is not a 24- or 32-bit TrueColor screen or the
  // parent does not exist.
  void* OpenEditorWindow(void* parent) override;
  void CloseEditorWindow() override;
  void* WindowHandle() const override;
  // Xft.dpi / 96 when the X resources set it, else 1.0; read once per process.
  double DisplayScale() const override;
  void SetCursorShape(int kind) override;
  EWindowSystem WindowSystem() const override { return kWindowSystemX11; }
  // The back buffer is made when the window opens: an instance that never shows its
  // editor (a scan, a session without the window) never talks to the X server.
  void PrepareBackBuffer() override;

  // ---- Run-loop service ----
  int EventDescriptor() const override;
  void ProcessEvents() override;
  void TimerTick() override;
  int TimerPeriodMs() const override;

  // X errors recorded on this editor's connections since it was made.
  int RecordedXErrors() const;

  struct Connection; // the display, window, cursors and input state; X11/IGraphicsX11.cpp
  struct TextField;  // the open text field's text and caret
private:
  void HandleEvent(void* event);
  void HandleKey(void* event);
  bool HandleTextFieldKey(void* event);
  void CommitTextEntry();
  void PresentTextField();

  std::unique_ptr<Connection> mX;
  std::unique_ptr<TextField> mField;
  mutable double mScale = 0.0; // 0: not read yet
};
