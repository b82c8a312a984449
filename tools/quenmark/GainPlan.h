#pragma once

#include <optional>

// The gain a Standard normalization asks the plug-in for, and the "Target Value" that
// makes the plug-in apply it. The plug-in applies target - measured level (at most
// +30 dB) after its analysis; the tool chooses the target when the user asks for a
// file loudness or a true-peak ceiling instead of the plug-in's own target.
namespace quenmark
{
inline constexpr double kPluginMaxGainDb = 30.;
// The plug-in reports this level (or lower) when it measured nothing.
inline constexpr double kNoLevelDb = -99.;
// Loudness is gated in blocks of this length: a shorter file has no integrated loudness.
inline constexpr double kLoudnessBlockSeconds = 0.4;

struct GainRequest
{
  double measuredLevelDb;                 // the plug-in's level after the analysis
  double pluginTargetDb;                  // the "Target Value" of the analysis
  std::optional<double> loudnessLufs;     // wanted integrated loudness of the file
  double integratedLufs;                  // the file's, measured by the tool
  std::optional<double> ceilingDbtp;      // true-peak ceiling of the output
  // The file's peak between samples (needed with a ceiling): that of a near-ideal
  // reconstruction, so that the output stays under the ceiling for any good meter.
  double truePeakDbtp;
  double samplePeakDbfs;                  // the file's
  double maxCleanSample;                  // of the output format (see SampleQuantizer)
  double seconds = 0.;                    // the file's length
};

struct GainPlan
{
  double gainDb;         // the gain the plug-in is to apply
  double pluginTargetDb; // the "Target Value" that gives it
  double wantedGainDb;   // the gain the target alone asks for
  double ceilingCutDb;   // wantedGainDb - gainDb: what the ceiling took off (0 without)
};

// Throws ToolError (kExitFailure) when the gain is out of the plug-in's reach: nothing
// measured (silence, everything below the gate, or a file shorter than one 400 ms
// loudness block), a loudness that needs more than
// +30 dB, or a target outside the plug-in's -60 .. 30 range.
GainPlan planGain(const GainRequest& request);
} // namespace quenmark
