#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

// The plug-in's six measures as the tool names them: the display text of the plug-in's
// "Measure" list, a short alias, and the unit its level is given in.
namespace quenmark
{
struct MeasureName
{
  int index;           // the "Measure" parameter's value
  const char* display; // e.g. "LUFS Int."
  const char* alias;   // e.g. "integrated"
  const char* unit;    // e.g. "LUFS"
};

inline constexpr std::array<MeasureName, 6> kMeasures{{
  {0, "dBFS", "peak", "dBFS"},
  {1, "VU (-18)", "vu", "VU"},
  {2, "RMS", "rms", "RMS"},
  {3, "LUFS Mom.", "momentary", "LUFS"},
  {4, "LUFS Int.", "integrated", "LUFS"},
  {5, "LUFS Shrt.", "shortterm", "LUFS"},
}};

// The measure named by its display text or alias, case-insensitive, blanks around the
// name ignored; nothing for an unknown name.
std::optional<MeasureName> findMeasure(std::string_view name);
// "dBFS (peak), VU (-18) (vu), ..." for messages.
std::string measureList();
} // namespace quenmark
