#pragma once

#include "WDL/IPlug/IGraphics.h"

#include <deque>
#include <string>
#include <vector>

// A window layer without a window system: the editor draws into memory, and whoever
// drives it (a test, a tool that renders the editor) plays the operating system. Tick()
// is one timer step; pointer and key events are injected in device pixels; menus and
// text fields answer from a script; PresentToScreen copies the presented area into a
// "screen" bitmap and records it. Like a real window's timer, Tick() does nothing while
// the window is closed.
class IGraphicsHeadless : public IGraphics
{
public:
  IGraphicsHeadless(IPlugBase* plug, int width, int height, int fps, double displayScale = 1.0);

  // ---- The window layer ----
  bool PresentToScreen(const EditorRect& area) override;
  void CancelTextEntry() override;
  bool HasWindow() const override { return mOpen; }
  const char* DrawingApiName() const override { return "memory"; }
  IPopupMenu* ShowPopupMenu(IPopupMenu& menu, const EditorRect& rect) override;
  void ShowTextEntry(IControl& control, const TextStyle& style, const EditorRect& rect, const char* text,
                     int paramIndex) override;
  // Any parent will do; the answer is a token that is not null.
  void* OpenEditorWindow(void* parent) override;
  void CloseEditorWindow() override;
  void* WindowHandle() const override { return mOpen ? const_cast<IGraphicsHeadless*>(this) : nullptr; }
  double DisplayScale() const override { return mScale; }
  void SetCursorShape(int kind) override { mCursor = kind; }
  void CaptureSystemPointer() override { mCaptured = true; }

  // ---- Driving it ----
  // A new display scale: the back buffer and the screen are remade and all is redrawn.
  void SetDisplayScale(double scale);
  // One timer step: a text field with a scripted answer commits it, then the editor's
  // timer step runs. Nothing happens while the window is closed.
  void Tick();
  // Pointer events in device pixels. Move drags while a button is down, else hovers.
  void PointerDown(int x, int y, const MouseMods& mods);
  void PointerUp(int x, int y, const MouseMods& mods);
  void PointerMove(int x, int y, const MouseMods& mods);
  void DoubleClick(int x, int y, const MouseMods& mods);
  void Wheel(int x, int y, const MouseMods& mods, int notches);
  void PointerLeaves();
  bool KeyDown(int x, int y, int key);

  // The next menu picks item (-1: dismissed without a choice); unscripted menus are dismissed.
  void ScriptMenuChoice(int item) { mMenuChoices.push_back(item); }
  // The next text field receives text and commits it on the following Tick.
  void ScriptTypedText(const std::string& text) { mTypedTexts.push_back(text); }

  struct ShownMenu
  {
    std::vector<std::string> items;
    int checked = -1; // the item with the check mark
    EditorRect rect;
  };
  struct ShownTextEntry
  {
    const IControl* control = nullptr;
    int paramIndex = -1;
    std::string text;
    EditorRect rect;
    bool open = false;
  };
  const std::vector<ShownMenu>& MenusShown() const { return mMenus; }
  const ShownTextEntry& TextEntry() const { return mEntry; }
  const std::vector<EditorRect>& PresentedAreas() const { return mPresented; }
  void ClearPresentedAreas() { mPresented.clear(); }
  // What reached the "screen": the presented areas of the back buffer, device pixels.
  const LICE_IBitmap& Screen() const { return mScreen; }
  int CursorShape() const { return mCursor; }

private:
  int ToUnits(int devicePixels) const { return static_cast<int>(devicePixels / mScale); }

  double mScale;
  bool mOpen = false;
  bool mButtonDown = false;
  bool mCaptured = false;
  int mCursor = kCursorArrow;
  LICE_MemBitmap mScreen;
  std::vector<EditorRect> mPresented;
  std::deque<int> mMenuChoices;
  std::deque<std::string> mTypedTexts;
  std::vector<ShownMenu> mMenus;
  ShownTextEntry mEntry;
  IControl* mEntryControl = nullptr;
};
