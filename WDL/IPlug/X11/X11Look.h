#pragma once

#include "WDL/IPlug/EditorTypes.h"

#include <cairo.h>

// The editor's look for what the window layer draws itself (menus, the text field): the
// controls' font and colours, so a menu reads as part of the editor.
namespace x11look
{
constexpr EditorColor kMenuBackground{255, 46, 46, 46};
constexpr EditorColor kMenuText{255, 185, 185, 185};
constexpr EditorColor kMenuHighlight{255, 205, 169, 67};
constexpr EditorColor kMenuHighlightText{255, 30, 30, 30};
constexpr double kMenuTextSize = 13.0;  // editor units
constexpr double kMenuItemHeight = 20.0;
constexpr double kMenuSeparatorHeight = 7.0;

inline void SetColor(cairo_t* cr, const EditorColor& c, double alpha = 1.0)
{
  cairo_set_source_rgba(cr, c.R / 255.0, c.G / 255.0, c.B / 255.0, alpha * c.A / 255.0);
}
} // namespace x11look
