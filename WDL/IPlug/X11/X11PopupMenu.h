#pragma once

#include "WDL/IPlug/IPopupMenu.h"

#include <X11/Xlib.h>

// Shows menu as override-redirect windows at (rootX, rootY), takes the pointer and the
// keyboard and runs its own event loop on display until a choice, Escape or a click
// outside. Submenus open to the side. Returns the menu (or submenu) holding the choice,
// its ChosenItem set, or nullptr. Events for other windows of display are dropped; the
// caller redraws its window afterwards. scale: device pixels per editor unit.
IPopupMenu* RunX11PopupMenu(Display* display, IPopupMenu& menu, int rootX, int rootY, double scale);
