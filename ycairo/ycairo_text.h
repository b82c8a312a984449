#pragma once

#include "WDL/IPlug/EditorTypes.h"

#include <cairo.h>

// The text drawing of one control: a TrueType face loaded from a module resource (each
// text has its own FreeType library and face) and kept as a cairo font face between
// draws. Without a face (a missing resource, a FreeType failure) text draws in cairo's
// default sans-serif face. UI thread only.
class ycairo_text
{
public:
  enum EHorizontal { kLeft = 0, kRight = 1, kCenter = 2 };
  enum EVertical { kMiddle = 0, kTop = 1, kBottom = 2 };

  ycairo_text() = default;
  ~ycairo_text();
  ycairo_text(const ycairo_text&) = delete;
  ycairo_text& operator=(const ycairo_text&) = delete;

  void SetModuleInstance(void* instance) { mModuleInstance = instance; }
  // Replaces any loaded face with resource id of type. Returns FreeType's error code (0
  // on success; FT_Err_Cannot_Open_Resource when the module has no such resource).
  // path names the same font as a file, for platforms that load fonts from files.
  int LoadFontResource(int id, int type, const char* path);
  bool FaceLoaded() const { return mFace != nullptr; }

  // Draws text at size (editor units) in colour, placed in rect: horizontally at the
  // left edge, ending at the right edge (less the x bearing) or centred; vertically
  // with the font height centred, the ascent below the top or the descent above the
  // bottom.
  void DrawAlignedText(cairo_t* context, const char* text, double size, const EditorColor& color,
                       const EditorRect& rect, int horizontal, int vertical);

private:
  void ReleaseFace();

  void* mModuleInstance = nullptr;
  cairo_font_face_t* mFace = nullptr; // owns the FreeType library and face behind it
  cairo_font_face_t* mFallbackFace = nullptr;
  cairo_text_extents_t mTextExtents{};
  cairo_font_extents_t mFontExtents{};
};
