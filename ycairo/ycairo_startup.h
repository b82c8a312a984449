#pragma once

#include <cairo.h>

// [UI thread, once at module load, before any font is made] A statically linked cairo on
// Windows sets up its internal locks when it makes its first surface; a FreeType font
// face made before that waits forever in cairo_ft_font_face_create_for_ft_face. Making
// and dropping one image surface first avoids it. Harmless anywhere else.
inline void ycairo_prepare_module()
{
  cairo_surface_destroy(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1));
}
