#include "ycairo/ycairo_resources.h"

// Generated from resources/TitilliumWeb-Regular.ttf (see CMakeLists.txt).
extern const unsigned char quenmark_embedded_font[];
extern const std::size_t quenmark_embedded_font_size;

ycairo_resource ycairo_find_resource(void*, int id, int type)
{
  // Both font ids name the same TrueType file; one copy serves both.
  if (type == kResourceTypeRawData && (id == kFontResourceForControls || id == kFontResourceForLabels))
    return {quenmark_embedded_font, quenmark_embedded_font_size};
  return {};
}
