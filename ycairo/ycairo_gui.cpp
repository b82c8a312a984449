#include "ycairo/ycairo_gui.h"

#include "WDL/IPlug/IControl.h"

#include <numbers>

#if defined(__linux__)
#include <dlfcn.h>

namespace
{
// cairo and the pixman rasteriser below it keep process-wide state that outlives every
// editor: pixman allocates its implementations when it is loaded and never frees them,
// and cairo's font caches may still hold this module's font faces, and call back into
// it to release them, after the last editor is gone. A host that unloads the plug-in
// would leave cairo calling into unmapped code, so the module that draws with cairo stays
// loaded once loaded. (Where cairo is linked into the module itself, both go together.)
void PinThisModule()
{
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&PinThisModule), &info) != 0 && info.dli_fname != nullptr)
    dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE); // the handle is kept on purpose
}

const bool kModulePinned = (PinThisModule(), true);
}
#endif

ycairo_gui::~ycairo_gui()
{
  Release();
}

void ycairo_gui::Release()
{
  if (mContext != nullptr)
    cairo_destroy(mContext);
  if (mSurface != nullptr)
    cairo_surface_destroy(mSurface);
  mContext = nullptr;
  mSurface = nullptr;
  mWidth = mHeight = 0;
}

void ycairo_gui::AttachToBackBuffer(LICE_IBitmap& backBuffer, double scale)
{
  Release();
  auto* pixels = reinterpret_cast<unsigned char*>(backBuffer.PixelData());
  if (pixels == nullptr || backBuffer.Width() < 1 || backBuffer.Height() < 1)
    return;
  mWidth = backBuffer.Width();
  mHeight = backBuffer.Height();
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, backBuffer.RowSpan());
  cairo_surface_t* surface = cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_RGB24, mWidth, mHeight, stride);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
  {
    cairo_surface_destroy(surface);
    mWidth = mHeight = 0;
    return;
  }
  mSurface = surface;
  mContext = cairo_create(mSurface);
  cairo_set_source_rgb(mContext, 49 / 255.0, 49 / 255.0, 49 / 255.0);
  cairo_paint(mContext);
  cairo_scale(mContext, scale, scale);
}

void ycairo_gui::BeginDrawPass(const EditorRect& area)
{
  if (mContext == nullptr)
    return;
  cairo_save(mContext);
  cairo_new_path(mContext);
  cairo_rectangle(mContext, area.L, area.T, area.W(), area.H());
  cairo_clip(mContext);
}

void ycairo_gui::EndDrawPass()
{
  if (mContext == nullptr)
    return;
  cairo_restore(mContext);
  cairo_surface_flush(mSurface);
}

cairo_t* ycairo_draw_scope::BeginControlDraw()
{
  mContext = mGui.Context();
  if (mContext == nullptr)
    return nullptr;
  const EditorRect& r = mControl.Rect();
  cairo_save(mContext);
  cairo_new_path(mContext);
  cairo_rectangle(mContext, r.L, r.T, r.W(), r.H());
  cairo_clip(mContext); // within the draw pass's area
  cairo_new_path(mContext);
  return mContext;
}

void ycairo_draw_scope::EndControlDraw()
{
  if (mContext != nullptr)
    cairo_restore(mContext);
  mContext = nullptr;
}

void ycairo_draw_scope::TrianglePath(double x1, double y1, double x2, double y2, double x3, double y3)
{
  cairo_new_sub_path(mContext);
  cairo_move_to(mContext, x1, y1);
  cairo_line_to(mContext, x2, y2);
  cairo_line_to(mContext, x3, y3);
  cairo_close_path(mContext);
}

void ycairo_draw_scope::RoundedRectanglePath(double x, double y, double w, double h, double cornerFactor)
{
  if (cornerFactor <= 0.0)
  {
    cairo_rectangle(mContext, x, y, w, h);
    return;
  }
  constexpr double pi = std::numbers::pi;
  const double r = h / 10.0 / cornerFactor;
  cairo_new_sub_path(mContext);
  cairo_arc(mContext, x + w - r, y + r, r, -pi / 2, 0);
  cairo_arc(mContext, x + w - r, y + h - r, r, 0, pi / 2);
  cairo_arc(mContext, x + r, y + h - r, r, pi / 2, pi);
  cairo_arc(mContext, x + r, y + r, r, pi, 3 * pi / 2);
  cairo_close_path(mContext);
}

bool ycairo_write_png(const LICE_IBitmap& bitmap, const char* path)
{
  const std::uint32_t* pixels = bitmap.PixelData();
  if (pixels == nullptr || path == nullptr)
    return false;
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, bitmap.RowSpan());
  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(pixels)),
                                          CAIRO_FORMAT_RGB24, bitmap.Width(), bitmap.Height(), stride);
  const bool written = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
                       cairo_surface_write_to_png(surface, path) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return written;
}
