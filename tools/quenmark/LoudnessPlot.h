#pragma once

#include "tools/quenmark/LoudnessMeter.h"

#include <cstdint>
#include <filesystem>
#include <vector>
#include <optional>
#include <string>

// A picture of a file's loudness over time, as a PNG: momentary and short-term loudness,
// the integrated loudness and the loudness range, the target and the plug-in's measured
// level when there are any, true-peak overs marked on the time axis, a legend and the
// file's name. With an output it shows input and output together, so that the gain and
// a ceiling's cut can be seen.
namespace quenmark
{
struct PlotTrace
{
  LoudnessSeries series;
  double integratedLufs = -HUGE_VAL;
};

struct PlotRequest
{
  std::string title;                  // the file's name
  PlotTrace input;
  std::optional<PlotTrace> output;    // normalize: what was written
  std::optional<double> targetLufs;   // the loudness asked for
  std::string pluginMeasure;          // e.g. "LUFS Int." (empty: none shown)
  std::string pluginUnit;             // the measure's unit; a line is drawn for LUFS only
  double pluginLevel = -HUGE_VAL;
  double oversAboveDbtp = -1.;        // the level the overs exceed
  double gainDb = 0.;                 // normalize: the gain applied
  double ceilingCutDb = 0.;
  int scale = 1;                      // 2 for HiDPI
};

inline constexpr int kPlotWidth = 1200;
inline constexpr int kPlotHeight = 500;

// The pixels of the picture (ARGB, kPlotWidth * scale wide), for writing or testing.
struct PlotImage
{
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  // Where a loudness and a time are drawn, in pixels (for tests of the layout).
  double yOfLufs(double lufs) const { return top + (topLufs - lufs) / (topLufs - bottomLufs) * (bottom - top); }
  double xOfSeconds(double seconds) const { return left + seconds / spanSeconds * (right - left); }
  double left = 0., right = 0., top = 0., bottom = 0.;
  double topLufs = 0., bottomLufs = 0., spanSeconds = 1.;
  std::vector<std::string> texts; // every text drawn, in order
};

PlotImage drawLoudnessPlot(const PlotRequest& request);
// Throws ToolError (kExitFailure) when the file cannot be written.
void writeLoudnessPlot(const PlotRequest& request, const std::filesystem::path& png);
// Overs are marked above the ceiling, or above this without one.
inline constexpr double kDefaultOverDbtp = -1.;

// DIR/NAME.png for an input DIR/.../NAME.EXT.
std::filesystem::path plotPathFor(const std::filesystem::path& folder, const std::filesystem::path& input);
struct Options;
// Makes the --plot folder when asked for one; throws ToolError when it cannot.
void makePlotFolder(const Options& options);
} // namespace quenmark
