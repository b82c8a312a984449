#include "WDL/IPlug/Win32/IGraphicsWin.h"

#include "WDL/IPlug/IControl.h"
#include "WDL/IPlug/IPlugBase.h"
#include "WDL/IPlug/IPlugParam.h"
#include "WDL/IPlug/Win32/LICE_SysBitmap.h"
#include "WDL/IPlug/Win32/Win32Ledger.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>
#include <vector>

namespace
{
// Process-wide, touched only on the UI thread: the open editor windows of this module
// (the class is registered while there are any) and the frame rate of the editor that
// opened a window last, which the window procedure's timer uses.
int gWindowCount = 0;
double gTimerRate = 30.0;

constexpr int kTextFieldId = 99;
constexpr LONG_PTR kTextFieldMark = static_cast<LONG_PTR>(0xDEADF00B);
constexpr int kEnteredTextBytes = 32; // at most 31 characters are taken

HWND AsWindow(void* handle)
{
  return static_cast<HWND>(handle);
}

// The module (DLL or executable) this code is linked into: its window class and
// resources belong to it, whoever loaded it.
HINSTANCE ThisModule()
{
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

MouseMods ModsFrom(WPARAM keys)
{
  MouseMods mods;
  mods.L = (keys & MK_LBUTTON) != 0;
  mods.R = (keys & MK_RBUTTON) != 0;
  mods.S = (keys & MK_SHIFT) != 0;
  mods.C = (keys & MK_CONTROL) != 0;
  mods.A = GetKeyState(VK_MENU) < 0;
  return mods;
}

// The editor's key code for a virtual key, -1 for keys the editor has no code for.
int EditorKeyFor(WPARAM virtualKey)
{
  switch (virtualKey)
  {
  case VK_SPACE: return 0;
  case VK_UP: return 1;
  case VK_DOWN: return 2;
  case VK_LEFT: return 3;
  case VK_RIGHT: return 4;
  default: break;
  }
  if (virtualKey >= '0' && virtualKey <= '9')
    return 5 + static_cast<int>(virtualKey - '0');
  if (virtualKey >= 'A' && virtualKey <= 'Z')
    return 15 + static_cast<int>(virtualKey - 'A');
  return -1;
}

// area (editor units) in device pixels, rounded outwards so a fractional scale leaves
// no pixel of the area out.
RECT DeviceRect(const EditorRect& area, float scale)
{
  return RECT{static_cast<LONG>(std::floor(area.L * scale)), static_cast<LONG>(std::floor(area.T * scale)),
              static_cast<LONG>(std::ceil(area.R * scale)), static_cast<LONG>(std::ceil(area.B * scale))};
}

// The host's top-level window above the editor, or null when the editor is itself one.
HWND TopLevelOf(HWND window)
{
  HWND root = GetAncestor(window, GA_ROOT);
  return root != window ? root : nullptr;
}

// Items get command ids 1, 2, ... (0 is TrackPopupMenu's "no choice"), numbered across
// the whole tree: a menu's own items first, then each submenu's as it is built. ids[n-1]
// is the menu and position of id n.
HMENU BuildNativeMenu(IPopupMenu& menu, std::vector<std::pair<IPopupMenu*, int>>& ids)
{
  HMENU native = CreatePopupMenu();
  if (native == nullptr)
    return nullptr;
  UINT_PTR nextId = ids.size();
  for (int i = 0; i < menu.ItemCount(); ++i)
  {
    const IPopupMenu::Item* item = menu.ItemAt(i);
    if (!(item->flags & IPopupMenu::kItemSeparator) && !item->submenu)
      ids.emplace_back(&menu, i);
  }
  for (int i = 0; i < menu.ItemCount(); ++i)
  {
    const IPopupMenu::Item* item = menu.ItemAt(i);
    UINT flags = MF_STRING;
    if (item->flags & IPopupMenu::kItemGrayed)
      flags |= MF_GRAYED;
    if (item->flags & IPopupMenu::kItemDisabled)
      flags |= MF_DISABLED;
    if (item->flags & IPopupMenu::kItemChecked)
      flags |= MF_CHECKED;
    const std::string label = menu.LabelAt(i);
    if (item->flags & IPopupMenu::kItemSeparator)
      AppendMenuA(native, MF_SEPARATOR, 0, nullptr);
    else if (item->submenu)
    {
      HMENU sub = BuildNativeMenu(*menu.SubmenuAt(i), ids);
      if (sub != nullptr)
        AppendMenuA(native, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), label.c_str());
    }
    else
      AppendMenuA(native, flags, ++nextId, label.c_str());
  }
  return native;
}
} // namespace

// The editor window's and the text field's window procedures.
struct IGraphicsWin::Procedures
{
  static LRESULT CALLBACK Editor(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK TextField(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT HandleEditorMessage(IGraphicsWin& editor, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static void Paint(IGraphicsWin& editor, HWND window);
  static LRESULT KeyDown(IGraphicsWin& editor, HWND window, WPARAM wParam, LPARAM lParam);
};

IGraphicsWin::IGraphicsWin(IPlugBase* plug, int width, int height, int fps)
    : IGraphics(plug, width, height, fps), mModule(ThisModule())
{
}

IGraphicsWin::~IGraphicsWin()
{
  CloseEditorWindow();
  RestorePointer();
  if (gWindowCount == 0) // after a window destroyed with its host window
    UnregisterClassA(kWindowClassName, static_cast<HINSTANCE>(mModule));
}

int IGraphicsWin::OpenWindowCount()
{
  return gWindowCount;
}

std::unique_ptr<LICE_IBitmap> IGraphicsWin::CreateBackBuffer()
{
  return std::make_unique<LICE_SysBitmap>();
}

double IGraphicsWin::DisplayScale() const
{
  HDC screen = GetDC(nullptr);
  if (screen == nullptr)
    return 1.0;
  Win32LedgerCreated(Win32Object::kDeviceContext);
  const int dpi = std::max(GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY));
  if (ReleaseDC(nullptr, screen))
    Win32LedgerReleased(Win32Object::kDeviceContext);
  return dpi > 0 ? dpi / 96.0 : 1.0;
}

int IGraphicsWin::ToUnits(int devicePixels) const
{
  return static_cast<int>(static_cast<float>(devicePixels) / static_cast<float>(DisplayScale()));
}

bool IGraphicsWin::PresentToScreen(const EditorRect& area)
{
  LICE_IBitmap* back = BackBuffer();
  if (mWindow == nullptr || back == nullptr || back->DeviceContext() == nullptr)
    return false;
  // The back buffer is drawn at the display scale already: the area's device pixels are
  // copied one to one.
  RECT r = DeviceRect(area, static_cast<float>(DisplayScale()));
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, back->Width());
  r.bottom = std::min<LONG>(r.bottom, back->Height());
  if (r.right <= r.left || r.bottom <= r.top)
    return true;
  HDC target = mPaintDC != nullptr ? static_cast<HDC>(mPaintDC) : GetDC(AsWindow(mWindow));
  if (target == nullptr)
    return false;
  if (mPaintDC == nullptr)
    Win32LedgerCreated(Win32Object::kDeviceContext);
  const int w = r.right - r.left, h = r.bottom - r.top;
  StretchBlt(target, r.left, r.top, w, h, static_cast<HDC>(back->DeviceContext()), r.left, r.top, w, h, SRCCOPY);
  if (mPaintDC == nullptr && ReleaseDC(AsWindow(mWindow), target))
    Win32LedgerReleased(Win32Object::kDeviceContext);
  return true;
}

void IGraphicsWin::RedrawAreas(const EditorRect* areas, int count)
{
  HWND window = AsWindow(mWindow);
  if (window == nullptr)
    return;
  const float scale = static_cast<float>(DisplayScale());
  for (int i = 0; i < count; ++i)
  {
    const RECT r = DeviceRect(areas[i], scale);
    InvalidateRect(window, &r, FALSE);
  }
  if (mEditWindow != nullptr && mEditControl != nullptr)
  {
    // The field covers its control: that area is not painted over.
    const RECT r = DeviceRect(mEditControl->Rect(), scale);
    ValidateRect(window, &r);
    mEntryState = kEntryUpdate;
  }
  UpdateWindow(window); // the paint handler draws before the tick ends
}

void IGraphicsWin::TimerTick()
{
  if (mEditWindow != nullptr && mEntryState != kEntryNone)
  {
    if (mEntryState == kEntryCommit)
    {
      char text[kEnteredTextBytes] = {};
      GetWindowTextA(AsWindow(mEditWindow), text, kEnteredTextBytes);
      IControl* control = mEditControl;
      const int paramIndex = mEditParam;
      EndTextEntry();
      if (control != nullptr)
        SetFromStringAfterPrompt(*control, paramIndex, text);
    }
    else if (mEntryState == kEntryCancel)
      EndTextEntry();
    else
      mEntryState = kEntryNone;
    return;
  }
  OnTimerTick();
}

void IGraphicsWin::CancelTextEntry()
{
  if (mEditWindow != nullptr)
    mEntryState = kEntryCancel;
}

void IGraphicsWin::EndTextEntry()
{
  if (mEditWindow != nullptr)
  {
    HWND field = AsWindow(mEditWindow);
    SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mEditPreviousProc));
    mEditWindow = nullptr;
    if (DestroyWindow(field))
      Win32LedgerReleased(Win32Object::kWindow);
  }
  if (mEditFont != nullptr && DeleteObject(static_cast<HGDIOBJ>(mEditFont)))
    Win32LedgerReleased(Win32Object::kFont);
  mEditFont = mEditPreviousProc = nullptr;
  mEditControl = nullptr;
  mEditParam = -1;
  mEntryState = kEntryNone;
}

void IGraphicsWin::ShowTextEntry(IControl& control, const TextStyle& style, const EditorRect& rect, const char* text,
                                 int paramIndex)
{
  if (mEditWindow != nullptr || mWindow == nullptr)
    return;
  const float scale = static_cast<float>(DisplayScale());
  DWORD windowStyle = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL;
  windowStyle |= style.align == TextStyle::kAlignLeft    ? ES_LEFT
                 : style.align == TextStyle::kAlignRight ? ES_RIGHT
                                                         : ES_CENTER;
  HWND field = CreateWindowExA(0, "EDIT", text != nullptr ? text : "", windowStyle, static_cast<int>(rect.L * scale),
                               static_cast<int>(rect.T * scale), static_cast<int>(rect.W() * scale) + 1,
                               static_cast<int>(rect.H() * scale) + 1, AsWindow(mWindow),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextFieldId)),
                               static_cast<HINSTANCE>(mModule), nullptr);
  if (field == nullptr)
    return;
  Win32LedgerCreated(Win32Object::kWindow);
  HFONT font = CreateFontA(static_cast<int>(style.size * scale), 0, 0, 0,
                           (style.style & TextStyle::kStyleBold) ? FW_BOLD : FW_DONTCARE,
                           (style.style & TextStyle::kStyleItalic) ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, style.face);
  if (font == nullptr)
  {
    if (DestroyWindow(field))
      Win32LedgerReleased(Win32Object::kWindow);
    return;
  }
  Win32LedgerCreated(Win32Object::kFont);
  SendMessageA(field, EM_LIMITTEXT, static_cast<WPARAM>(std::max(0, control.TextEntryLength())), 0);
  SendMessageA(field, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  SendMessageA(field, EM_SETSEL, 0, -1);
  mEditWindow = field;
  mEditFont = font;
  mEditControl = &control;
  mEditParam = paramIndex;
  // Subclassed before it takes the focus, so the field's state says "editing" at once.
  mEditPreviousProc = reinterpret_cast<void*>(
      SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedures::TextField)));
  SetWindowLongPtrA(field, GWLP_USERDATA, kTextFieldMark);
  SetFocus(field);
}

IPopupMenu* IGraphicsWin::ShowPopupMenu(IPopupMenu& menu, const EditorRect& rect)
{
  HWND window = AsWindow(mWindow);
  if (window == nullptr)
    return nullptr;
  // The menu takes the pointer: no control keeps following it. Its loop also takes the
  // release of the press that opened it, which is owed to the editor.
  if (GetCapture() == window)
    ::ReleaseCapture();
  mReleaseOwed = mReleaseOwed || mPressOpen;
  mPressOpen = false;

  std::vector<std::pair<IPopupMenu*, int>> ids;
  HMENU native = BuildNativeMenu(menu, ids);
  if (native == nullptr)
    return nullptr;
  const float scale = static_cast<float>(DisplayScale());
  POINT corner{static_cast<LONG>(rect.L * scale), static_cast<LONG>(rect.B * scale)};
  ClientToScreen(window, &corner);
  const UINT id = static_cast<UINT>(TrackPopupMenu(native, TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, corner.x,
                                                   corner.y, 0, window, nullptr));
  DestroyMenu(native);
  if (mWindow != nullptr)
  {
    const RECT all{0, 0, static_cast<LONG>(Width() * scale), static_cast<LONG>(Height() * scale)};
    InvalidateRect(window, &all, FALSE);
  }
  if (id == 0 || id > ids.size())
    return nullptr;
  auto [holder, position] = ids[id - 1];
  holder->SetChosenItem(position);
  return holder;
}

void* IGraphicsWin::OpenEditorWindow(void* parent)
{
  const double scale = DisplayScale();
  int x = 0, y = 0;
  int w = static_cast<int>(Width() * scale), h = static_cast<int>(Height() * scale);
  if (mWindow != nullptr)
  {
    RECT r{};
    GetWindowRect(AsWindow(mWindow), &r);
    MapWindowPoints(HWND_DESKTOP, AsWindow(parent), reinterpret_cast<POINT*>(&r), 2);
    x = r.left;
    y = r.top;
    w = r.right - r.left;
    h = r.bottom - r.top;
    CloseEditorWindow();
  }
  if (gWindowCount++ == 0)
  {
    WNDCLASSA windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &Procedures::Editor;
    windowClass.hInstance = static_cast<HINSTANCE>(mModule);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClassName;
    RegisterClassA(&windowClass); // may still exist after a window destroyed with its host's
  }
  gTimerRate = FPS();
  // The scale may have changed since the editor was made.
  PrepareBackBuffer();
  HWND window = CreateWindowExA(0, kWindowClassName, "IPlug", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, w, h,
                                AsWindow(parent), nullptr, static_cast<HINSTANCE>(mModule), this);
  if (window == nullptr)
  {
    mWindow = nullptr;
    if (--gWindowCount == 0)
      UnregisterClassA(kWindowClassName, static_cast<HINSTANCE>(mModule));
    return nullptr;
  }
  Win32LedgerCreated(Win32Object::kWindow);
  mWindow = window;
  mParent = parent;
  MarkAllDirty();
  return window;
}

void IGraphicsWin::EndOpenPress(int x, int y)
{
  if (!mPressOpen && !mReleaseOwed)
    return;
  mPressOpen = mReleaseOwed = false;
  HandleMouseUp(x, y, MouseMods{});
}

void IGraphicsWin::CloseEditorWindow()
{
  if (mWindow == nullptr)
    return;
  EndOpenPress(-1, -1);
  EndTextEntry();
  HWND window = AsWindow(mWindow);
  mWindow = nullptr; // messages sent while it is destroyed are default-processed
  if (KillTimer(window, kTimerId))
    Win32LedgerReleased(Win32Object::kTimer);
  mTimerRunning = false;
  if (DestroyWindow(window))
    Win32LedgerReleased(Win32Object::kWindow);
  if (--gWindowCount == 0)
    UnregisterClassA(kWindowClassName, static_cast<HINSTANCE>(mModule));
}

void IGraphicsWin::ForgetDestroyedWindow()
{
  if (mWindow == nullptr)
    return;
  EndOpenPress(-1, -1);
  EndTextEntry();
  mWindow = nullptr;
  // Destroyed with its host's window: the window and its timer went with it.
  Win32LedgerReleased(Win32Object::kWindow);
  if (mTimerRunning)
    Win32LedgerReleased(Win32Object::kTimer);
  mTimerRunning = false;
  // The class cannot go while this window still exists: the next close or the editor's
  // destruction unregisters it, and an opening meanwhile finds it registered.
  --gWindowCount;
}

void IGraphicsWin::SetCursorShape(int kind)
{
  LPCSTR shape = IDC_ARROW;
  switch (kind)
  {
  case kCursorIBeam: shape = IDC_IBEAM; break;
  case kCursorWait: shape = IDC_WAIT; break;
  case kCursorCross: shape = IDC_CROSS; break;
  case kCursorUpArrow: shape = IDC_UPARROW; break;
  case kCursorSizeNWSE: shape = IDC_SIZENWSE; break;
  case kCursorSizeNESW: shape = IDC_SIZENESW; break;
  case kCursorSizeWE: shape = IDC_SIZEWE; break;
  case kCursorSizeNS: shape = IDC_SIZENS; break;
  case kCursorSizeAll: shape = IDC_SIZEALL; break;
  case kCursorNo: shape = IDC_NO; break;
  case kCursorHand: shape = IDC_HAND; break;
  case kCursorAppStarting: shape = IDC_APPSTARTING; break;
  case kCursorHelp: shape = IDC_HELP; break;
  default: break;
  }
  SetCursor(LoadCursorA(nullptr, shape));
}

void IGraphicsWin::ConcealPointer()
{
  if (mPointerHidden)
    return;
  POINT p{};
  GetCursorPos(&p);
  mHiddenX = p.x;
  mHiddenY = p.y;
  ShowCursor(FALSE);
  mPointerHidden = true;
}

void IGraphicsWin::RestorePointer()
{
  if (!mPointerHidden)
    return;
  SetCursorPos(mHiddenX, mHiddenY);
  ShowCursor(TRUE);
  mPointerHidden = false;
}

void IGraphicsWin::CaptureSystemPointer()
{
  if (mWindow != nullptr)
    SetCapture(AsWindow(mWindow));
}

// ---- Window procedures ----

LRESULT CALLBACK IGraphicsWin::Procedures::Editor(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_CREATE)
  {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    auto* editor = static_cast<IGraphicsWin*>(create->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(editor));
    if (editor != nullptr)
      editor->mWindow = window;
    const UINT periodMs = static_cast<UINT>(1000.0 / (gTimerRate > 0.0 ? gTimerRate : 30.0));
    if (SetTimer(window, kTimerId, periodMs, nullptr) != 0)
    {
      Win32LedgerCreated(Win32Object::kTimer);
      if (editor != nullptr)
        editor->mTimerRunning = true;
    }
    return 0;
  }
  auto* editor = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (editor == nullptr || editor->mWindow != window)
    return DefWindowProcA(window, message, wParam, lParam);
  return HandleEditorMessage(*editor, window, message, wParam, lParam);
}

LRESULT IGraphicsWin::Procedures::HandleEditorMessage(IGraphicsWin& editor, HWND window, UINT message, WPARAM wParam,
                                                      LPARAM lParam)
{
  // The field's colours follow the edited control's style, focused or not.
  if (message == WM_CTLCOLOREDIT)
  {
    if (editor.mEditWindow == nullptr || editor.mEditControl == nullptr)
      return 0;
    const TextStyle& style = editor.mEditControl->Style();
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetBkColor(dc, RGB(style.entryBackground.R, style.entryBackground.G, style.entryBackground.B));
    SetTextColor(dc, RGB(style.entryForeground.R, style.entryForeground.G, style.entryForeground.B));
    SetBkMode(dc, OPAQUE);
    SetDCBrushColor(dc, RGB(style.entryBackground.R, style.entryBackground.G, style.entryBackground.B));
    return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
  }
  // While the field has the focus the editor stands still; a click in it cancels. The
  // release of a press that opened the field still ends that press's gesture.
  if (editor.mEditWindow != nullptr && editor.mEntryState == kEntryEditing)
  {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN)
    {
      editor.mEntryState = kEntryCancel;
      return 0;
    }
    if ((message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP) && editor.mPressOpen)
    {
      if (GetCapture() == window)
        ::ReleaseCapture();
      editor.mPressOpen = false;
      editor.HandleMouseUp(editor.ToUnits(GET_X_LPARAM(lParam)), editor.ToUnits(GET_Y_LPARAM(lParam)),
                           ModsFrom(wParam));
      return 0;
    }
    if (message != WM_PAINT && message != WM_PRINTCLIENT)
      return DefWindowProcA(window, message, wParam, lParam);
  }

  const auto x = [&] { return editor.ToUnits(GET_X_LPARAM(lParam)); };
  const auto y = [&] { return editor.ToUnits(GET_Y_LPARAM(lParam)); };
  switch (message)
  {
  case WM_SIZE:
    InvalidateRect(window, nullptr, FALSE);
    return 0;
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    return 0;
  case WM_PAINT:
    Paint(editor, window);
    return 0;
  case WM_PRINTCLIENT:
    // What the window shows, for PrintWindow and the like: the back buffer as it is,
    // copied the way a paint copies it.
    editor.mPaintDC = reinterpret_cast<HDC>(wParam);
    editor.PresentToScreen({0, 0, editor.Width(), editor.Height()});
    editor.mPaintDC = nullptr;
    return 0;
  case WM_CLOSE:
    editor.CloseEditorWindow();
    return 0;
  case WM_NCDESTROY:
    // Destroyed with a host window that went first: the editor counts it closed.
    editor.ForgetDestroyedWindow();
    break;
  case WM_TIMER:
    if (wParam == kTimerId)
    {
      editor.TimerTick();
      return 0;
    }
    break;
  case WM_MOUSEMOVE:
    if (wParam & (MK_LBUTTON | MK_RBUTTON))
    {
      if (GetCapture() == window && editor.mEditWindow == nullptr)
        editor.HandleMouseDrag(x(), y(), ModsFrom(wParam));
    }
    else if (editor.HandleMouseOver(x(), y(), ModsFrom(wParam)))
    {
      TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, window, HOVER_DEFAULT};
      TrackMouseEvent(&track);
    }
    return 0;
  case WM_LBUTTONDOWN:
  case WM_RBUTTONDOWN:
  case WM_MBUTTONDOWN:
    if (editor.mEditWindow != nullptr)
    {
      editor.mEntryState = kEntryCommit; // a click beside an unfocused field takes its text
      return 0;
    }
    SetFocus(window);
    SetCapture(window);
    editor.mPressOpen = true;
    editor.HandleMouseDown(x(), y(), ModsFrom(wParam));
    if (editor.mReleaseOwed && editor.mWindow == window)
    {
      // A menu's loop took the release; without the button now.
      editor.mReleaseOwed = false;
      const WPARAM buttons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;
      editor.HandleMouseUp(x(), y(), ModsFrom(wParam & ~buttons));
    }
    return 0;
  case WM_LBUTTONUP:
  case WM_RBUTTONUP:
  case WM_MBUTTONUP:
    if (GetCapture() == window)
      ::ReleaseCapture();
    editor.mPressOpen = false;
    editor.HandleMouseUp(x(), y(), ModsFrom(wParam));
    return 0;
  case WM_LBUTTONDBLCLK:
    editor.HandleMouseDoubleClick(x(), y(), ModsFrom(wParam));
    return 0;
  case WM_MOUSEWHEEL:
  {
    if (editor.mEditWindow != nullptr)
    {
      editor.mEntryState = kEntryCancel;
      return 0;
    }
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; // screen coordinates
    ScreenToClient(window, &p);
    // Whole notches only: a partial one (a fine-grained wheel) moves nothing.
    const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
    editor.HandleMouseWheel(editor.ToUnits(p.x), editor.ToUnits(p.y), ModsFrom(GET_KEYSTATE_WPARAM(wParam)), notches);
    return 0;
  }
  case WM_MOUSELEAVE:
    editor.HandleMouseOut();
    return 0;
  case WM_KEYDOWN:
    return KeyDown(editor, window, wParam, lParam);
  case WM_KEYUP:
    if (HWND top = TopLevelOf(window))
      SendMessageA(top, WM_KEYUP, wParam, lParam);
    break;
  default:
    break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void IGraphicsWin::Procedures::Paint(IGraphicsWin& editor, HWND window)
{
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window, &paint);
  if (dc != nullptr && !IsRectEmpty(&paint.rcPaint))
  {
    const double scale = editor.DisplayScale();
    // The update area in editor units, rounded outwards to units that fall on whole
    // pixels: at 1.25 (120 dpi) every fourth unit. A clip edge inside a pixel would blend
    // that pixel with what was drawn before, and the picture would depend on its history.
    const int dpi = std::max(1, static_cast<int>(std::lround(scale * 96.0)));
    const int grid = 96 / std::gcd(96, dpi);
    const auto down = [grid](double units) { return static_cast<int>(std::floor(units / grid)) * grid; };
    const auto up = [grid](double units) { return static_cast<int>(std::ceil(units / grid)) * grid; };
    EditorRect area{down(paint.rcPaint.left / scale), down(paint.rcPaint.top / scale),
                    up(paint.rcPaint.right / scale), up(paint.rcPaint.bottom / scale)};
    area.L = std::max(area.L, 0);
    area.T = std::max(area.T, 0);
    area.R = std::min(area.R, editor.Width());
    area.B = std::min(area.B, editor.Height());
    if (area.R > area.L && area.B > area.T)
    {
      editor.mPaintDC = dc;
      editor.DrawArea(area, scale);
      editor.mPaintDC = nullptr;
    }
  }
  EndPaint(window, &paint);
}

LRESULT IGraphicsWin::Procedures::KeyDown(IGraphicsWin& editor, HWND window, WPARAM wParam, LPARAM lParam)
{
  const int key = EditorKeyFor(wParam);
  if (key >= 0)
  {
    // Offered where the pointer is, as a press there would be.
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(window, &p);
    if (editor.HandleKeyDown(editor.ToUnits(p.x), editor.ToUnits(p.y), key))
      return 0;
  }
  // The host's shortcuts keep working while the pointer is over the editor.
  if (HWND top = TopLevelOf(window))
    SendMessageA(top, WM_KEYDOWN, wParam, lParam);
  return DefWindowProcA(window, WM_KEYDOWN, wParam, lParam);
}

LRESULT CALLBACK IGraphicsWin::Procedures::TextField(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  auto* editor = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(GetParent(window), GWLP_USERDATA));
  if (editor == nullptr || editor->mEditWindow != window)
    return DefWindowProcA(window, message, wParam, lParam);
  const auto previous = reinterpret_cast<WNDPROC>(editor->mEditPreviousProc);
  switch (message)
  {
  case WM_SETFOCUS:
    editor->mEntryState = kEntryEditing;
    break;
  case WM_KILLFOCUS:
    editor->mEntryState = kEntryCommit; // leaving the field takes its text
    break;
  case WM_KEYDOWN:
    if (wParam == VK_RETURN)
    {
      editor->mEntryState = kEntryCommit;
      return 0;
    }
    if (wParam == VK_ESCAPE)
    {
      editor->mEntryState = kEntryCancel;
      return 0;
    }
    break;
  case WM_CHAR:
  {
    IPlugParam* param = editor->Plug() != nullptr ? editor->Plug()->ParamAt(editor->mEditParam) : nullptr;
    if (wParam == VK_BACK || param == nullptr)
      break;
    // Numbers only: signs and digits, and the decimal point for continuous values.
    const bool digit = (wParam >= '0' && wParam <= '9') || wParam == '+' || wParam == '-';
    const bool point = wParam == '.' && param->Kind() == kKindDouble;
    if (!digit && !point)
      return 0;
    break;
  }
  case WM_GETDLGCODE:
    if (editor->mEditParam < 0)
    {
      LRESULT code = CallWindowProcA(previous, window, message, wParam, lParam);
      const auto* queried = reinterpret_cast<const MSG*>(lParam);
      if (queried != nullptr && queried->message == WM_KEYDOWN && queried->wParam == VK_RETURN)
        code |= DLGC_WANTALLKEYS;
      return code;
    }
    break;
  case WM_COMMAND:
    if (HIWORD(wParam) == 1)
    {
      editor->mEntryState = kEntryCommit;
      return 0;
    }
    break;
  default:
    break;
  }
  return CallWindowProcA(previous, window, message, wParam, lParam);
}
