// The statically linked cairo and FreeType of the Windows build drawing a readout with the
// font taken from the module's own resources, into an image surface and a PNG file.

#include "WindowsModule.h"

#include "ycairo/ycairo_startup.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace
{
constexpr int kWidth = 300;
constexpr int kHeight = 80;
constexpr double kFontSize = 32.;
constexpr std::uint32_t kBackground = 0x202020;

// Bright pixels (text) inside x0..x1 of an RGB24 surface.
int brightPixels(cairo_surface_t* surface, int x0, int x1)
{
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  int count = 0;
  for (int y = 0; y < cairo_image_surface_get_height(surface); ++y)
  {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
    for (int x = x0; x < x1; ++x)
      count += (row[x] & 0xFF) > 0x80 ? 1 : 0;
  }
  return count;
}

TEST(CairoText, TheEmbeddedFontDrawsAReadoutThatSurvivesAPngRoundTrip)
{
  // At module load, before any font call: without it static cairo waits forever below.
  ycairo_prepare_module();

  windowstest::DataModule module(QUENMARK_VST3_MODULE_PATH);
  ASSERT_TRUE(module.loaded());
  const std::string font = module.resource(101, windowstest::kRawData);
  ASSERT_FALSE(font.empty());

  FT_Library library = nullptr;
  ASSERT_EQ(FT_Init_FreeType(&library), 0);
  FT_Face face = nullptr;
  ASSERT_EQ(FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(font.data()),
                               static_cast<FT_Long>(font.size()), 0, &face),
            0);
  EXPECT_STREQ(face->family_name, "Titillium Web");
  EXPECT_STREQ(face->style_name, "Regular");

  cairo_font_face_t* fontFace = cairo_ft_font_face_create_for_ft_face(face, 0);
  ASSERT_EQ(cairo_font_face_status(fontFace), CAIRO_STATUS_SUCCESS);
  // cairo may keep the font face in its caches: the FreeType face goes with it.
  static const cairo_user_data_key_t kFaceKey{};
  cairo_font_face_set_user_data(fontFace, &kFaceKey, face,
                                [](void* owned) { FT_Done_Face(static_cast<FT_Face>(owned)); });
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, ((kBackground >> 16) & 0xFF) / 255., ((kBackground >> 8) & 0xFF) / 255.,
                       (kBackground & 0xFF) / 255.);
  cairo_paint(cr);
  cairo_set_font_face(cr, fontFace);
  cairo_set_font_size(cr, kFontSize);
  const char* readout = "-23.0 LUFS";
  cairo_text_extents_t extents{};
  cairo_text_extents(cr, readout, &extents);
  // A proportional font at 32 px: ten characters are wider than 100 and narrower than the
  // surface; the capitals rise about two thirds of the size.
  EXPECT_GT(extents.width, 100.);
  EXPECT_LT(extents.width, kWidth - 20.);
  EXPECT_NEAR(-extents.y_bearing, kFontSize * 0.69, 4.);
  cairo_set_source_rgb(cr, 1., 1., 1.);
  cairo_move_to(cr, 10., 55.);
  cairo_show_text(cr, readout);
  EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS);

  const int textEnd = 10 + static_cast<int>(extents.x_advance);
  EXPECT_GT(brightPixels(surface, 10, textEnd), 300) << "the text was drawn";
  EXPECT_EQ(brightPixels(surface, textEnd + 4, kWidth), 0) << "and nothing beyond it";

  const std::string png = std::string(QUENMARK_PICTURE_FOLDER) + "/cairo-text.png";
  ASSERT_EQ(cairo_surface_write_to_png(surface, png.c_str()), CAIRO_STATUS_SUCCESS);
  cairo_surface_t* readBack = cairo_image_surface_create_from_png(png.c_str());
  ASSERT_EQ(cairo_surface_status(readBack), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(readBack), kWidth);
  EXPECT_EQ(cairo_image_surface_get_height(readBack), kHeight);
  EXPECT_EQ(brightPixels(readBack, 0, kWidth), brightPixels(surface, 0, kWidth));

  cairo_surface_destroy(readBack);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  cairo_font_face_destroy(fontFace);
  cairo_debug_reset_static_data(); // empties the caches, so the face is done before its library
  FT_Done_FreeType(library);
}
} // namespace
