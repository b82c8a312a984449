#include "WDL/IPlug/X11/X11PopupMenu.h"

#include "WDL/IPlug/X11/X11Look.h"
#include "ycairo/ycairo_resources.h"
#include "ycairo/ycairo_text.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace x11look;

namespace
{
bool Selectable(const IPopupMenu::Item& item)
{
  return (item.flags & (IPopupMenu::kItemSeparator | IPopupMenu::kItemDisabled | IPopupMenu::kItemGrayed)) == 0;
}

// One open level: the top menu or a submenu beside its parent item.
struct Level
{
  IPopupMenu* menu = nullptr;
  Window window = 0;
  int x = 0, y = 0, width = 0, height = 0; // root coordinates, device pixels
  int hover = -1;
  std::vector<int> itemTops; // device pixels from the window's top, one more than items
};

class MenuSession
{
public:
  MenuSession(Display* display, double scale) : mDisplay(display), mScale(scale)
  {
    mText.LoadFontResource(kFontResourceForControls, kResourceTypeRawData, nullptr);
  }
  ~MenuSession()
  {
    XUngrabPointer(mDisplay, CurrentTime);
    XUngrabKeyboard(mDisplay, CurrentTime);
    while (!mLevels.empty())
      CloseLevel();
    XSync(mDisplay, False);
  }
  MenuSession(const MenuSession&) = delete;
  MenuSession& operator=(const MenuSession&) = delete;

  IPopupMenu* Run(IPopupMenu& menu, int rootX, int rootY);

private:
  void OpenLevel(IPopupMenu& menu, int rootX, int rootY);
  void CloseLevel();
  void Draw(const Level& level);
  // The level and item under a root position; false outside every menu window.
  bool HitTest(int rootX, int rootY, int& levelIndex, int& item) const;
  void SetHover(int levelIndex, int item);
  void MoveHover(int step);
  // Chooses the hovered item of the deepest level, or opens its submenu. True when done.
  bool Activate(int levelIndex);
  bool Grab(Window window);

  Display* mDisplay;
  double mScale;
  ycairo_text mText;
  std::vector<Level> mLevels;
  IPopupMenu* mChosen = nullptr;
};

bool MenuSession::Grab(Window window)
{
  // A freshly mapped window may not be viewable yet: retry briefly.
  for (int attempt = 0; attempt < 50; ++attempt)
  {
    const int pointer = XGrabPointer(mDisplay, window, True,
                                     ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                                     GrabModeAsync, None, None, CurrentTime);
    if (pointer == GrabSuccess)
    {
      XGrabKeyboard(mDisplay, window, True, GrabModeAsync, GrabModeAsync, CurrentTime);
      return true;
    }
    XSync(mDisplay, False);
    struct timespec pause{0, 10 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  return false;
}

void MenuSession::OpenLevel(IPopupMenu& menu, int rootX, int rootY)
{
  Level level;
  level.menu = &menu;
  // Width from the longest label, measured in cairo's own sans face at the menu size.
  cairo_surface_t* probe = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(probe);
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, kMenuTextSize * mScale);
  double widest = 60.0 * mScale;
  int top = 0;
  level.itemTops.push_back(0);
  for (int i = 0; i < menu.ItemCount(); ++i)
  {
    cairo_text_extents_t extents;
    const std::string label = menu.LabelAt(i);
    cairo_text_extents(cr, label.c_str(), &extents);
    widest = std::max(widest, extents.x_advance + 44.0 * mScale);
    const bool separator = (menu.ItemAt(i)->flags & IPopupMenu::kItemSeparator) != 0;
    top += static_cast<int>(std::lround((separator ? kMenuSeparatorHeight : kMenuItemHeight) * mScale));
    level.itemTops.push_back(top);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(probe);
  level.width = static_cast<int>(std::ceil(widest));
  level.height = std::max(top, 1) + 2;

  // Kept on the screen: moved left or up when it would leave it.
  const int screen = DefaultScreen(mDisplay);
  const int screenW = DisplayWidth(mDisplay, screen), screenH = DisplayHeight(mDisplay, screen);
  level.x = std::max(0, std::min(rootX, screenW - level.width));
  level.y = std::max(0, std::min(rootY, screenH - level.height));

  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixmap = None;
  attributes.border_pixel = 0;
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
  level.window = XCreateWindow(mDisplay, RootWindow(mDisplay, screen), level.x, level.y,
                               static_cast<unsigned>(level.width), static_cast<unsigned>(level.height), 0,
                               DefaultDepth(mDisplay, screen), InputOutput, DefaultVisual(mDisplay, screen),
                               CWOverrideRedirect | CWBackPixmap | CWBorderPixel | CWEventMask, &attributes);
  XMapRaised(mDisplay, level.window);
  mLevels.push_back(std::move(level));
  Draw(mLevels.back());
}

void MenuSession::CloseLevel()
{
  XDestroyWindow(mDisplay, mLevels.back().window);
  mLevels.pop_back();
}

void MenuSession::Draw(const Level& level)
{
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, level.width, level.height);
  cairo_t* cr = cairo_create(surface);
  SetColor(cr, kMenuBackground);
  cairo_paint(cr);
  SetColor(cr, kMenuText, 0.5);
  cairo_set_line_width(cr, 1.0);
  cairo_rectangle(cr, 0.5, 0.5, level.width - 1.0, level.height - 1.0);
  cairo_stroke(cr);
  const IPopupMenu& menu = *level.menu;
  for (int i = 0; i < menu.ItemCount(); ++i)
  {
    const IPopupMenu::Item& item = *menu.ItemAt(i);
    const double top = level.itemTops[static_cast<std::size_t>(i)] + 1.0;
    const double bottom = level.itemTops[static_cast<std::size_t>(i) + 1] + 1.0;
    if (item.flags & IPopupMenu::kItemSeparator)
    {
      SetColor(cr, kMenuText, 0.4);
      cairo_move_to(cr, 4.0 * mScale, std::floor((top + bottom) / 2) + 0.5);
      cairo_line_to(cr, level.width - 4.0 * mScale, std::floor((top + bottom) / 2) + 0.5);
      cairo_stroke(cr);
      continue;
    }
    const bool hovered = i == level.hover;
    if (hovered)
    {
      SetColor(cr, kMenuHighlight);
      cairo_rectangle(cr, 1.0, top, level.width - 2.0, bottom - top);
      cairo_fill(cr);
    }
    EditorColor ink = hovered ? kMenuHighlightText : kMenuText;
    if (!Selectable(item))
      ink.A = 110;
    if (item.flags & IPopupMenu::kItemChecked)
    {
      // A check mark drawn with lines: the font may have no glyph for one.
      SetColor(cr, ink);
      cairo_set_line_width(cr, 1.6 * mScale);
      const double mid = (top + bottom) / 2;
      cairo_move_to(cr, 6.0 * mScale, mid);
      cairo_line_to(cr, 9.0 * mScale, mid + 3.5 * mScale);
      cairo_line_to(cr, 15.0 * mScale, mid - 4.0 * mScale);
      cairo_stroke(cr);
      cairo_set_line_width(cr, 1.0);
    }
    if (item.submenu)
    {
      SetColor(cr, ink);
      const double mid = (top + bottom) / 2;
      cairo_move_to(cr, level.width - 12.0 * mScale, mid - 4.0 * mScale);
      cairo_line_to(cr, level.width - 7.0 * mScale, mid);
      cairo_line_to(cr, level.width - 12.0 * mScale, mid + 4.0 * mScale);
      cairo_close_path(cr);
      cairo_fill(cr);
    }
    const EditorRect textRect{static_cast<int>(20.0 * mScale), static_cast<int>(top),
                              level.width - static_cast<int>(16.0 * mScale), static_cast<int>(bottom)};
    mText.DrawAlignedText(cr, menu.LabelAt(i).c_str(), kMenuTextSize * mScale, ink, textRect, ycairo_text::kLeft,
                          ycairo_text::kMiddle);
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);

  const int screen = DefaultScreen(mDisplay);
  XImage* image = XCreateImage(mDisplay, DefaultVisual(mDisplay, screen), static_cast<unsigned>(DefaultDepth(mDisplay, screen)),
                               ZPixmap, 0, reinterpret_cast<char*>(cairo_image_surface_get_data(surface)),
                               static_cast<unsigned>(level.width), static_cast<unsigned>(level.height), 32,
                               cairo_image_surface_get_stride(surface));
  if (image != nullptr)
  {
    GC gc = XCreateGC(mDisplay, level.window, 0, nullptr);
    XPutImage(mDisplay, level.window, gc, image, 0, 0, 0, 0, static_cast<unsigned>(level.width),
              static_cast<unsigned>(level.height));
    XFreeGC(mDisplay, gc);
    image->data = nullptr; // the pixels belong to the cairo surface
    XDestroyImage(image);
  }
  cairo_surface_destroy(surface);
  XFlush(mDisplay);
}

bool MenuSession::HitTest(int rootX, int rootY, int& levelIndex, int& item) const
{
  for (int l = static_cast<int>(mLevels.size()) - 1; l >= 0; --l)
  {
    const Level& level = mLevels[static_cast<std::size_t>(l)];
    if (rootX < level.x || rootX >= level.x + level.width || rootY < level.y || rootY >= level.y + level.height)
      continue;
    levelIndex = l;
    item = -1;
    const int y = rootY - level.y - 1;
    for (int i = 0; i < level.menu->ItemCount(); ++i)
      if (y >= level.itemTops[static_cast<std::size_t>(i)] && y < level.itemTops[static_cast<std::size_t>(i) + 1])
        item = i;
    return true;
  }
  return false;
}

void MenuSession::SetHover(int levelIndex, int item)
{
  // Levels deeper than the one pointed at close, unless the pointer is on the item whose
  // submenu is open.
  while (static_cast<int>(mLevels.size()) > levelIndex + 1)
  {
    const Level& parent = mLevels[static_cast<std::size_t>(levelIndex)];
    if (item >= 0 && item == parent.hover && parent.menu->ItemAt(item)->submenu)
      break;
    CloseLevel();
  }
  Level& level = mLevels[static_cast<std::size_t>(levelIndex)];
  if (item >= 0 && !Selectable(*level.menu->ItemAt(item)))
    item = -1;
  if (item != level.hover)
  {
    level.hover = item;
    Draw(level);
  }
}

void MenuSession::MoveHover(int step)
{
  Level& level = mLevels.back();
  const int count = level.menu->ItemCount();
  int item = level.hover;
  for (int tries = 0; tries < count; ++tries)
  {
    item = item < 0 ? (step > 0 ? 0 : count - 1) : (item + step + count) % count;
    if (Selectable(*level.menu->ItemAt(item)))
    {
      level.hover = item;
      Draw(level);
      return;
    }
  }
}

bool MenuSession::Activate(int levelIndex)
{
  Level& level = mLevels[static_cast<std::size_t>(levelIndex)];
  if (level.hover < 0)
    return false;
  if (IPopupMenu* submenu = level.menu->SubmenuAt(level.hover))
  {
    if (static_cast<int>(mLevels.size()) == levelIndex + 1)
    {
      const int x = level.x + level.width - 2;
      const int y = level.y + level.itemTops[static_cast<std::size_t>(level.hover)];
      OpenLevel(*submenu, x, y);
    }
    return false;
  }
  level.menu->SetChosenItem(level.hover);
  mChosen = level.menu;
  return true;
}

IPopupMenu* MenuSession::Run(IPopupMenu& menu, int rootX, int rootY)
{
  if (menu.ItemCount() == 0)
    return nullptr;
  OpenLevel(menu, rootX, rootY);
  XSync(mDisplay, False);
  if (!Grab(mLevels.front().window))
    return nullptr; // another client holds the pointer: no menu rather than a stuck one
  bool pressedInside = false;
  for (;;)
  {
    XEvent event;
    XNextEvent(mDisplay, &event);
    int levelIndex = -1, item = -1;
    switch (event.type)
    {
    case Expose:
      for (const Level& level : mLevels)
        if (level.window == event.xexpose.window && event.xexpose.count == 0)
          Draw(level);
      break;
    case MotionNotify:
      while (XCheckTypedEvent(mDisplay, MotionNotify, &event)) {}
      if (HitTest(event.xmotion.x_root, event.xmotion.y_root, levelIndex, item))
      {
        SetHover(levelIndex, item);
        if (item >= 0 && mLevels[static_cast<std::size_t>(levelIndex)].menu->SubmenuAt(item) != nullptr)
          Activate(levelIndex);
      }
      break;
    case ButtonPress:
      if (event.xbutton.button > Button3)
        break; // the wheel neither chooses nor dismisses
      if (!HitTest(event.xbutton.x_root, event.xbutton.y_root, levelIndex, item))
        return nullptr; // a click outside dismisses the menu
      pressedInside = true;
      break;
    case ButtonRelease:
      if (event.xbutton.button > Button3)
        break;
      if (HitTest(event.xbutton.x_root, event.xbutton.y_root, levelIndex, item) && item >= 0)
      {
        const Level& level = mLevels[static_cast<std::size_t>(levelIndex)];
        // The release of the press that opened the menu chooses only once the pointer has
        // been on an item.
        if ((pressedInside || level.hover == item) && Selectable(*level.menu->ItemAt(item)))
        {
          SetHover(levelIndex, item);
          if (Activate(levelIndex))
            return mChosen;
        }
      }
      break;
    case KeyPress:
    {
      const KeySym key = XLookupKeysym(&event.xkey, 0);
      if (key == XK_Escape)
        return nullptr;
      if (key == XK_Down)
        MoveHover(1);
      else if (key == XK_Up)
        MoveHover(-1);
      else if (key == XK_Left && mLevels.size() > 1)
        CloseLevel();
      else if (key == XK_Right || key == XK_Return || key == XK_KP_Enter || key == XK_space)
      {
        const int deepest = static_cast<int>(mLevels.size()) - 1;
        const bool opensSubmenu = mLevels.back().hover >= 0 && mLevels.back().menu->SubmenuAt(mLevels.back().hover);
        if (key == XK_Right && !opensSubmenu)
          break;
        if (Activate(deepest))
          return mChosen;
        if (static_cast<int>(mLevels.size()) > deepest + 1)
          MoveHover(1);
      }
      break;
    }
    default:
      break; // the editor window's own events are dropped: it is redrawn after the menu
    }
  }
}
} // namespace

IPopupMenu* RunX11PopupMenu(Display* display, IPopupMenu& menu, int rootX, int rootY, double scale)
{
  if (display == nullptr)
    return nullptr;
  MenuSession session(display, scale > 0.0 ? scale : 1.0);
  return session.Run(menu, rootX, rootY);
}
