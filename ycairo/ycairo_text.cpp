#include "ycairo/ycairo_text.h"

#include "ycairo/ycairo_resources.h"
#include "ycairo/ycairo_startup.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <mutex>

namespace
{
// The FreeType objects behind a cairo font face. cairo may keep the face in its caches
// after the text lets go of it, so they are released when cairo destroys the face.
struct FreeTypeHold
{
  FT_Library library = nullptr;
  FT_Face face = nullptr;
};

void ReleaseFreeType(void* data)
{
  auto* hold = static_cast<FreeTypeHold*>(data);
  if (hold->face != nullptr)
    FT_Done_Face(hold->face);
  if (hold->library != nullptr)
    FT_Done_FreeType(hold->library);
  delete hold;
}

const cairo_user_data_key_t kFreeTypeKey{};
}

ycairo_text::~ycairo_text()
{
  ReleaseFace();
  if (mFallbackFace != nullptr)
    cairo_font_face_destroy(mFallbackFace);
}

void ycairo_text::ReleaseFace()
{
  if (mFace != nullptr)
    cairo_font_face_destroy(mFace);
  mFace = nullptr;
}

int ycairo_text::LoadFontResource(int id, int type, const char*)
{
  ReleaseFace();
  const ycairo_resource resource = ycairo_find_resource(mModuleInstance, id, type);
  if (!resource.Found())
    return FT_Err_Cannot_Open_Resource;

  auto* hold = new FreeTypeHold;
  FT_Error error = FT_Init_FreeType(&hold->library);
  if (error == 0)
    error = FT_New_Memory_Face(hold->library, resource.data, static_cast<FT_Long>(resource.size), 0, &hold->face);
  if (error != 0)
  {
    ReleaseFreeType(hold);
    return error;
  }
  // Whoever loaded cairo, the warm-up that its static Windows build needs comes first.
  static std::once_flag prepared;
  std::call_once(prepared, ycairo_prepare_module);
  cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(hold->face, 0);
  if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS ||
      cairo_font_face_set_user_data(face, &kFreeTypeKey, hold, ReleaseFreeType) != CAIRO_STATUS_SUCCESS)
  {
    cairo_font_face_destroy(face);
    ReleaseFreeType(hold);
    return FT_Err_Out_Of_Memory;
  }
  mFace = face;
  return 0;
}

void ycairo_text::DrawAlignedText(cairo_t* context, const char* text, double size, const EditorColor& color,
                                  const EditorRect& rect, int horizontal, int vertical)
{
  if (context == nullptr || text == nullptr)
    return;
  cairo_set_source_rgba(context, color.R / 255.0, color.G / 255.0, color.B / 255.0, color.A / 255.0);
  if (mFace != nullptr)
    cairo_set_font_face(context, mFace);
  else
  {
    // Every control shares the context, so the fallback is set explicitly rather than
    // inheriting another control's face.
    if (mFallbackFace == nullptr)
      mFallbackFace = cairo_toy_font_face_create("sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_face(context, mFallbackFace);
  }
  cairo_set_font_size(context, size);
  cairo_font_extents(context, &mFontExtents);
  cairo_text_extents(context, text, &mTextExtents);

  double x = rect.L;
  if (horizontal == kRight)
    x = rect.R - mTextExtents.width - mTextExtents.x_bearing;
  else if (horizontal == kCenter)
    x = (rect.R - rect.L - mTextExtents.width - mTextExtents.x_bearing) * 0.5 + rect.L;

  double y = rect.B - (rect.B - rect.T - mFontExtents.height) * 0.5 - mFontExtents.descent;
  if (vertical == kTop)
    y = rect.T + mFontExtents.ascent;
  else if (vertical == kBottom)
    y = rect.B - mFontExtents.descent;

  cairo_move_to(context, x, y);
  cairo_show_text(context, text);
}
