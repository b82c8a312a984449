#include "WDL/IPlug/X11/IGraphicsX11.h"

#include "WDL/IPlug/IControl.h"
#include "WDL/IPlug/IPlugBase.h"
#include "WDL/IPlug/IPlugParam.h"
#include "WDL/IPlug/X11/X11Errors.h"
#include "WDL/IPlug/X11/X11Look.h"
#include "WDL/IPlug/X11/X11PopupMenu.h"
#include "ycairo/ycairo_resources.h"
#include "ycairo/ycairo_text.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>

namespace
{
// Two presses of button 1 this close in time and place are a double click.
constexpr Time kDoubleClickMs = 400;
constexpr int kDoubleClickSlopPixels = 4;

// The X window ID a host passes as the parent pointer.
Window WindowOf(void* handle)
{
  return static_cast<Window>(reinterpret_cast<std::uintptr_t>(handle));
}

unsigned CursorGlyph(int kind)
{
  switch (kind)
  {
  case kCursorIBeam: return XC_xterm;
  case kCursorWait: return XC_watch;
  case kCursorCross: return XC_crosshair;
  case kCursorUpArrow: return XC_center_ptr;
  case kCursorSizeNWSE: return XC_bottom_right_corner;
  case kCursorSizeNESW: return XC_bottom_left_corner;
  case kCursorSizeWE: return XC_sb_h_double_arrow;
  case kCursorSizeNS: return XC_sb_v_double_arrow;
  case kCursorSizeAll: return XC_fleur;
  case kCursorNo: return XC_X_cursor;
  case kCursorHand: return XC_hand2;
  case kCursorAppStarting: return XC_watch;
  case kCursorHelp: return XC_question_arrow;
  default: return XC_left_ptr;
  }
}

// The editor key code for a key: space 0, arrows 1..4, digits 5..14, letters 15..40; -1
// for every other key.
int EditorKeyCode(KeySym key)
{
  if (key == XK_space)
    return 0;
  if (key == XK_Up)
    return 1;
  if (key == XK_Down)
    return 2;
  if (key == XK_Left)
    return 3;
  if (key == XK_Right)
    return 4;
  if (key >= XK_0 && key <= XK_9)
    return 5 + static_cast<int>(key - XK_0);
  if (key >= XK_a && key <= XK_z)
    return 15 + static_cast<int>(key - XK_a);
  if (key >= XK_A && key <= XK_Z)
    return 15 + static_cast<int>(key - XK_A);
  return -1;
}

MouseMods ModsOf(unsigned state, unsigned button = 0)
{
  MouseMods mods;
  mods.L = button == Button1 || (state & Button1Mask) != 0;
  mods.R = button == Button3 || (state & Button3Mask) != 0;
  mods.S = (state & ShiftMask) != 0;
  mods.C = (state & ControlMask) != 0;
  mods.A = (state & Mod1Mask) != 0;
  return mods;
}
} // namespace

struct IGraphicsX11::Connection
{
  Display* display = nullptr;
  Window window = 0;
  Window parent = 0;
  GC gc = nullptr;
  Visual* visual = nullptr;
  int depth = 0;
  std::map<int, Cursor> cursors;
  int cursorKind = kCursorArrow;
  // Double-click detection.
  Time lastPressTime = 0;
  int lastPressX = -100000;
  int lastPressY = -100000;
  bool buttonDown = false;
  // A menu opened by a press swallows that press's release: it is owed to the editor.
  bool releaseOwed = false;
};

struct IGraphicsX11::TextField
{
  IControl* control = nullptr;
  int paramIndex = -1;
  TextStyle style;
  EditorRect rect; // editor units
  std::string text;
  bool replaceAll = true; // the initial text is selected: typing replaces it
  ycairo_text drawer;
};

IGraphicsX11::IGraphicsX11(IPlugBase* plug, int width, int height, int fps) : IGraphics(plug, width, height, fps) {}

IGraphicsX11::~IGraphicsX11()
{
  CloseEditorWindow();
}

namespace
{
// Xft.dpi / 96 from the X resources of the current DISPLAY, else 1.0. Read once per
// process: editors are made on whatever thread a host creates instances on, and Xlib's
// resource database is process-wide state.
double ReadDisplayScale()
{
  static std::once_flag once;
  static double scale = 1.0;
  std::call_once(once, [] {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
      return;
    if (const char* resources = XResourceManagerString(display))
    {
      XrmInitialize();
      if (XrmDatabase database = XrmGetStringDatabase(resources))
      {
        char* type = nullptr;
        XrmValue value{};
        if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr)
        {
          const double dpi = std::atof(value.addr);
          if (dpi >= 48.0 && dpi <= 960.0) // a reading outside any real screen is ignored
            scale = dpi / 96.0;
        }
        XrmDestroyDatabase(database);
      }
    }
    XCloseDisplay(display);
  });
  return scale;
}
} // namespace

double IGraphicsX11::DisplayScale() const
{
  if (!(mScale > 0.0))
    mScale = ReadDisplayScale();
  return mScale;
}

void* IGraphicsX11::OpenEditorWindow(void* parent)
{
  if (mX)
    CloseEditorWindow();
  if (parent == nullptr)
    return nullptr;
  auto x = std::make_unique<Connection>();
  x->display = XOpenDisplay(nullptr);
  if (x->display == nullptr)
    return nullptr;
  X11WatchDisplay(x->display);
  const int screen = DefaultScreen(x->display);
  x->visual = DefaultVisual(x->display, screen);
  x->depth = DefaultDepth(x->display, screen);
  // The back buffer's 32-bit pixels go to the screen as they are.
  if (x->visual->c_class != TrueColor || (x->depth != 24 && x->depth != 32) || x->visual->red_mask != 0xff0000)
  {
    X11ForgetDisplay(x->display);
    XCloseDisplay(x->display);
    return nullptr;
  }
  const double scale = DisplayScale();
  const auto widthPx = static_cast<unsigned>(Width() * scale);
  const auto heightPx = static_cast<unsigned>(Height() * scale);
  x->parent = WindowOf(parent);

  XSetWindowAttributes attributes{};
  attributes.background_pixmap = None;
  attributes.border_pixel = 0;
  attributes.colormap = DefaultColormap(x->display, screen);
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | LeaveWindowMask |
                          KeyPressMask | FocusChangeMask | StructureNotifyMask;
  x->window = XCreateWindow(x->display, x->parent, 0, 0, std::max(1u, widthPx), std::max(1u, heightPx), 0, x->depth,
                            InputOutput, x->visual, CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask,
                            &attributes);
  // Embedders look for the XEmbed protocol version and flags on the child; one that
  // tracks XEMBED_MAPPED keeps the child unmapped unless the flag is set.
  const Atom xembedInfo = XInternAtom(x->display, "_XEMBED_INFO", False);
  constexpr long kXEmbedVersion = 0;
  constexpr long kXEmbedMapped = 1;
  const long info[2] = {kXEmbedVersion, kXEmbedMapped};
  XChangeProperty(x->display, x->window, xembedInfo, xembedInfo, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(info), 2);
  x->gc = XCreateGC(x->display, x->window, 0, nullptr);
  XMapWindow(x->display, x->window);
  XSync(x->display, False);
  if (X11ErrorCount(x->display) > 0) // the parent is gone or foreign: no window
  {
    XFreeGC(x->display, x->gc);
    X11ForgetDisplay(x->display);
    XCloseDisplay(x->display);
    return nullptr;
  }
  mX = std::move(x);
  PrepareBackBuffer();
  MarkAllDirty();
  return WindowHandle();
}

void IGraphicsX11::CloseEditorWindow()
{
  if (!mX)
    return;
  // A press whose release the window will not see any more ends its gesture now.
  if (mX->buttonDown || mX->releaseOwed)
  {
    mX->buttonDown = mX->releaseOwed = false;
    HandleMouseUp(-1, -1, MouseMods{});
  }
  mField.reset();
  Display* display = mX->display;
  for (const auto& [kind, cursor] : mX->cursors)
    XFreeCursor(display, cursor);
  XFreeGC(display, mX->gc);
  // The host may have destroyed our window with its own: the error that follows is
  // recorded and ignored.
  XDestroyWindow(display, mX->window);
  XSync(display, False);
  X11ForgetDisplay(display);
  XCloseDisplay(display);
  mX.reset();
}

void IGraphicsX11::PrepareBackBuffer()
{
  if (mX)
    IGraphics::PrepareBackBuffer();
}

bool IGraphicsX11::HasWindow() const
{
  return mX != nullptr;
}

void* IGraphicsX11::WindowHandle() const
{
  return mX ? reinterpret_cast<void*>(static_cast<std::uintptr_t>(mX->window)) : nullptr;
}

int IGraphicsX11::RecordedXErrors() const
{
  return mX ? X11ErrorCount(mX->display) : 0;
}

int IGraphicsX11::EventDescriptor() const
{
  return mX ? ConnectionNumber(mX->display) : -1;
}

int IGraphicsX11::TimerPeriodMs() const
{
  return std::max(1, 1000 / std::max(1, FPS()));
}

bool IGraphicsX11::PresentToScreen(const EditorRect& area)
{
  LICE_IBitmap* back = BackBuffer();
  if (!mX || back == nullptr || back->PixelData() == nullptr)
    return false;
  const double scale = DisplayScale();
  const int left = std::max(0, static_cast<int>(area.L * scale));
  const int top = std::max(0, static_cast<int>(area.T * scale));
  const int right = std::min(back->Width(), static_cast<int>(area.R * scale));
  const int bottom = std::min(back->Height(), static_cast<int>(area.B * scale));
  if (right <= left || bottom <= top)
    return true;
  XImage* image = XCreateImage(mX->display, mX->visual, static_cast<unsigned>(mX->depth), ZPixmap, 0,
                               reinterpret_cast<char*>(back->PixelData()), static_cast<unsigned>(back->Width()),
                               static_cast<unsigned>(back->Height()), 32, back->RowSpan() * 4);
  if (image == nullptr)
    return false;
  image->byte_order = LSBFirst; // the buffer holds native little-endian words; Xlib swaps for the server
  XPutImage(mX->display, mX->window, mX->gc, image, left, top, left, top, static_cast<unsigned>(right - left),
            static_cast<unsigned>(bottom - top));
  image->data = nullptr; // the pixels belong to the back buffer
  XDestroyImage(image);
  if (mField)
    PresentTextField();
  XFlush(mX->display);
  return true;
}

void IGraphicsX11::SetCursorShape(int kind)
{
  if (!mX || kind == mX->cursorKind)
    return;
  auto found = mX->cursors.find(kind);
  if (found == mX->cursors.end())
    found = mX->cursors.emplace(kind, XCreateFontCursor(mX->display, CursorGlyph(kind))).first;
  XDefineCursor(mX->display, mX->window, found->second);
  XFlush(mX->display);
  mX->cursorKind = kind;
}

IPopupMenu* IGraphicsX11::ShowPopupMenu(IPopupMenu& menu, const EditorRect& rect)
{
  if (!mX)
    return nullptr;
  // The pointer goes to the menu: no control keeps tracking it, and the release of the
  // press that opened it is delivered once the press has been handled.
  mX->releaseOwed = mX->buttonDown;
  mX->buttonDown = false;
  const double scale = DisplayScale();
  int rootX = 0, rootY = 0;
  Window child = 0;
  XTranslateCoordinates(mX->display, mX->window, DefaultRootWindow(mX->display), static_cast<int>(rect.L * scale),
                        static_cast<int>(rect.B * scale), &rootX, &rootY, &child);
  IPopupMenu* chosen = RunX11PopupMenu(mX->display, menu, rootX, rootY, scale);
  MarkAllDirty();
  return chosen;
}

void IGraphicsX11::ShowTextEntry(IControl& control, const TextStyle& style, const EditorRect& rect, const char* text,
                                 int paramIndex)
{
  if (!mX || mField)
    return;
  mField = std::make_unique<TextField>();
  mField->control = &control;
  mField->paramIndex = paramIndex;
  mField->style = style;
  mField->rect = rect;
  mField->text = text != nullptr ? text : "";
  const auto limit = static_cast<std::size_t>(std::max(0, control.TextEntryLength()));
  if (mField->text.size() > limit)
    mField->text.resize(limit);
  mField->drawer.LoadFontResource(kFontResourceForControls, kResourceTypeRawData, nullptr);
  XSetInputFocus(mX->display, mX->window, RevertToParent, CurrentTime);
  PresentTextField();
  XFlush(mX->display);
}

void IGraphicsX11::CancelTextEntry()
{
  if (!mField)
    return;
  const EditorRect rect = mField->rect;
  mField.reset();
  // What the field covered comes back from the back buffer.
  if (mX)
    PresentToScreen(rect.Union(EditorRect{rect.L, rect.T, rect.R + 1, rect.B + 1}));
}

void IGraphicsX11::CommitTextEntry()
{
  if (!mField)
    return;
  IControl* control = mField->control;
  const int paramIndex = mField->paramIndex;
  const std::string text = mField->text;
  CancelTextEntry();
  SetFromStringAfterPrompt(*control, paramIndex, text.c_str());
}

void IGraphicsX11::PresentTextField()
{
  if (!mX || !mField)
    return;
  const double scale = DisplayScale();
  const int left = static_cast<int>(mField->rect.L * scale), top = static_cast<int>(mField->rect.T * scale);
  const int width = static_cast<int>(static_cast<float>(mField->rect.W()) * static_cast<float>(scale)) + 1;
  const int height = static_cast<int>(static_cast<float>(mField->rect.H()) * static_cast<float>(scale)) + 1;
  if (width <= 1 || height <= 1)
    return;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(surface);
  x11look::SetColor(cr, mField->style.entryBackground);
  cairo_paint(cr);
  const TextStyle& style = mField->style;
  const int horizontal = style.align == TextStyle::kAlignLeft    ? ycairo_text::kLeft
                         : style.align == TextStyle::kAlignRight ? ycairo_text::kRight
                                                                 : ycairo_text::kCenter;
  const EditorRect inside{static_cast<int>(3 * scale), 0, width - static_cast<int>(3 * scale), height};
  if (mField->replaceAll && !mField->text.empty())
  {
    // The selected initial text: inverted colours.
    x11look::SetColor(cr, style.entryForeground);
    cairo_rectangle(cr, 1, 1, width - 2, height - 2);
    cairo_fill(cr);
    mField->drawer.DrawAlignedText(cr, mField->text.c_str(), style.size * scale, style.entryBackground, inside,
                                   horizontal, ycairo_text::kMiddle);
  }
  else
  {
    // The caret follows the text: it is drawn as part of it.
    const std::string shown = mField->text + "|";
    mField->drawer.DrawAlignedText(cr, shown.c_str(), style.size * scale, style.entryForeground, inside, horizontal,
                                   ycairo_text::kMiddle);
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  XImage* image = XCreateImage(mX->display, mX->visual, static_cast<unsigned>(mX->depth), ZPixmap, 0,
                               reinterpret_cast<char*>(cairo_image_surface_get_data(surface)),
                               static_cast<unsigned>(width), static_cast<unsigned>(height), 32,
                               cairo_image_surface_get_stride(surface));
  if (image != nullptr)
  {
    XPutImage(mX->display, mX->window, mX->gc, image, 0, 0, left, top, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    image->data = nullptr;
    XDestroyImage(image);
  }
  cairo_surface_destroy(surface);
}

bool IGraphicsX11::HandleTextFieldKey(void* rawEvent)
{
  auto* event = static_cast<XKeyEvent*>(rawEvent);
  char typed[8] = {};
  KeySym key = 0;
  const int length = XLookupString(event, typed, sizeof typed, &key, nullptr);
  if (key == XK_Return || key == XK_KP_Enter)
  {
    CommitTextEntry();
    return true;
  }
  if (key == XK_Escape)
  {
    CancelTextEntry();
    return true;
  }
  std::string& text = mField->text;
  if (key == XK_BackSpace || key == XK_Delete)
  {
    if (mField->replaceAll)
      text.clear();
    else if (!text.empty())
      text.pop_back();
    mField->replaceAll = false;
    PresentTextField();
    return true;
  }
  if (length != 1 || typed[0] < 0x20 || typed[0] == 0x7f)
    return true; // other keys do nothing while the field has the keyboard
  const char c = typed[0];
  if (mField->paramIndex >= 0 && Plug() != nullptr)
  {
    // Only what can be part of a number of the parameter's kind is taken.
    const IPlugParam* param = Plug()->ParamAt(mField->paramIndex);
    const EParamKind kind = param != nullptr ? param->Kind() : kKindNone;
    const bool digitLike = c == '+' || c == '-' || (c >= '0' && c <= '9');
    if ((kind == kKindBool || kind == kKindInt || kind == kKindEnum) && !digitLike)
      return true;
    if (kind == kKindDouble && !digitLike && c != '.')
      return true;
  }
  if (mField->replaceAll)
    text.clear();
  mField->replaceAll = false;
  if (static_cast<int>(text.size()) < mField->control->TextEntryLength())
    text.push_back(c);
  PresentTextField();
  return true;
}

void IGraphicsX11::HandleKey(void* rawEvent)
{
  auto* event = static_cast<XKeyEvent*>(rawEvent);
  if (mField)
  {
    HandleTextFieldKey(event);
    XFlush(mX->display);
    return;
  }
  const KeySym key = XLookupKeysym(event, 0);
  const int code = EditorKeyCode(key);
  const double scale = DisplayScale();
  if (code >= 0 && HandleKeyDown(static_cast<int>(event->x / scale), static_cast<int>(event->y / scale), code))
    return;
  // Not ours: the host's top-level window gets the same key, so its shortcuts work while
  // the pointer is over the editor.
  Window root = 0, parent = 0, current = mX->parent, topLevel = mX->parent;
  Window* children = nullptr;
  unsigned count = 0;
  while (current != 0 && XQueryTree(mX->display, current, &root, &parent, &children, &count) != 0)
  {
    if (children != nullptr)
      XFree(children);
    if (parent == root || parent == 0)
      break;
    topLevel = current = parent;
  }
  XEvent forwarded{};
  forwarded.xkey = *event;
  forwarded.xkey.window = topLevel;
  forwarded.xkey.send_event = True;
  XSendEvent(mX->display, topLevel, True, KeyPressMask, &forwarded);
  XFlush(mX->display);
}

void IGraphicsX11::HandleEvent(void* rawEvent)
{
  auto& event = *static_cast<XEvent*>(rawEvent);
  const double scale = DisplayScale();
  const auto units = [scale](int pixels) { return static_cast<int>(pixels / scale); };
  switch (event.type)
  {
  case Expose:
  {
    const EditorRect area{units(event.xexpose.x), units(event.xexpose.y),
                          static_cast<int>(std::ceil((event.xexpose.x + event.xexpose.width) / scale)),
                          static_cast<int>(std::ceil((event.xexpose.y + event.xexpose.height) / scale))};
    PresentToScreen(area);
    break;
  }
  case ButtonPress:
  {
    const XButtonEvent& b = event.xbutton;
    if (b.button == Button2)
      break; // the middle button edits nothing
    if (mField)
    {
      const EditorRect& r = mField->rect;
      if (!r.Contains(units(b.x), units(b.y)))
        CancelTextEntry(); // a click elsewhere in the editor drops the entry
      break;
    }
    if (b.button == Button4 || b.button == Button5)
    {
      HandleMouseWheel(units(b.x), units(b.y), ModsOf(b.state), b.button == Button4 ? 1 : -1);
      break;
    }
    if (b.button > Button3)
      break;
    XSetInputFocus(mX->display, mX->window, RevertToParent, CurrentTime);
    const bool isDouble = b.button == Button1 && b.time - mX->lastPressTime <= kDoubleClickMs &&
                          std::abs(b.x - mX->lastPressX) <= kDoubleClickSlopPixels &&
                          std::abs(b.y - mX->lastPressY) <= kDoubleClickSlopPixels;
    if (isDouble)
    {
      mX->lastPressTime = 0;
      mX->lastPressX = mX->lastPressY = -100000;
      HandleMouseDoubleClick(units(b.x), units(b.y), ModsOf(b.state, b.button));
      break;
    }
    if (b.button == Button1)
    {
      mX->lastPressTime = b.time;
      mX->lastPressX = b.x;
      mX->lastPressY = b.y;
    }
    mX->buttonDown = true;
    HandleMouseDown(units(b.x), units(b.y), ModsOf(b.state, b.button));
    if (mX && mX->releaseOwed)
    {
      mX->releaseOwed = false;
      HandleMouseUp(units(b.x), units(b.y), ModsOf(b.state, b.button));
    }
    break;
  }
  case ButtonRelease:
  {
    const XButtonEvent& b = event.xbutton;
    if (b.button != Button1 && b.button != Button3)
      break;
    mX->buttonDown = false;
    HandleMouseUp(units(b.x), units(b.y), ModsOf(b.state, b.button));
    break;
  }
  case MotionNotify:
  {
    // Only the latest position of a burst matters.
    while (XCheckTypedWindowEvent(mX->display, mX->window, MotionNotify, &event)) {}
    const XMotionEvent& m = event.xmotion;
    if (m.state & (Button1Mask | Button3Mask))
    {
      if (mX->buttonDown && !mField)
        HandleMouseDrag(units(m.x), units(m.y), ModsOf(m.state));
    }
    else
      HandleMouseOver(units(m.x), units(m.y), ModsOf(m.state));
    break;
  }
  case LeaveNotify:
    if (event.xcrossing.mode == NotifyNormal && !mX->buttonDown)
      HandleMouseOut();
    break;
  case KeyPress:
    HandleKey(&event.xkey);
    break;
  case FocusOut:
    // Leaving the field keeps what was typed. Focus passing into a child, and the
    // pointer-root focus leaving the window under the pointer (the editor's first click
    // takes the focus from the pointer root), are not the editor losing it.
    if (mField && event.xfocus.mode == NotifyNormal && event.xfocus.detail != NotifyInferior &&
        event.xfocus.detail != NotifyPointer)
      CommitTextEntry();
    break;
  default:
    break;
  }
}

void IGraphicsX11::ProcessEvents()
{
  // A handler may close the window (a control that closes the editor): check each time.
  while (mX && XPending(mX->display) > 0)
  {
    XEvent event;
    XNextEvent(mX->display, &event);
    HandleEvent(&event);
  }
}

void IGraphicsX11::TimerTick()
{
  if (!mX)
    return;
  ProcessEvents(); // a host whose descriptor polling lags still gets input in time
  if (mX)
    OnTimerTick();
}
