#include "tools/quenmark/GainPlan.h"

#include "tools/quenmark/Options.h"
#include "tools/quenmark/ToolError.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quenmark
{
namespace
{
std::string db(double value)
{
  char text[32];
  std::snprintf(text, sizeof(text), "%+.2f", value);
  return text;
}
} // namespace

GainPlan planGain(const GainRequest& request)
{
  if (request.loudnessLufs && !std::isfinite(request.integratedLufs) && request.seconds < kLoudnessBlockSeconds)
  {
    char text[160];
    std::snprintf(text, sizeof(text), "it lasts %.3f s, too short to gate: loudness is measured in blocks of 400 ms, "
                  "so it has no integrated loudness to bring to a target", request.seconds);
    throw ToolError(kExitFailure, text);
  }
  if (request.loudnessLufs && !std::isfinite(request.integratedLufs))
    throw ToolError(kExitFailure, "it is silent (no integrated loudness above the -70 LUFS gate): there is no "
                                  "loudness to bring to a target");
  if (!(request.measuredLevelDb > kNoLevelDb))
    throw ToolError(kExitFailure, "the plug-in measured nothing above its gate (is it silent?): it has no level to "
                                  "normalize");
  GainPlan plan{};
  bool ownTarget = false;
  if (request.loudnessLufs)
  {
    plan.wantedGainDb = *request.loudnessLufs - request.integratedLufs;
    if (plan.wantedGainDb > kPluginMaxGainDb)
      throw ToolError(kExitFailure, "its integrated loudness " + db(request.integratedLufs) + " LUFS needs " +
                                      db(plan.wantedGainDb) + " dB to reach " + db(*request.loudnessLufs) +
                                      " LUFS, more than the plug-in's +30 dB");
    ownTarget = true;
  }
  else
    plan.wantedGainDb = std::min(request.pluginTargetDb - request.measuredLevelDb, kPluginMaxGainDb);
  plan.gainDb = plan.wantedGainDb;

  if (request.ceilingDbtp)
  {
    double limitDb = *request.ceilingDbtp - request.truePeakDbtp;
    // An integer output also keeps its samples (dither included) inside full scale.
    if (std::isfinite(request.maxCleanSample))
      limitDb = std::min(limitDb, 20. * std::log10(request.maxCleanSample) - request.samplePeakDbfs);
    if (plan.gainDb > limitDb)
    {
      plan.gainDb = limitDb;
      ownTarget = true;
    }
  }
  plan.ceilingCutDb = plan.wantedGainDb - plan.gainDb;
  plan.pluginTargetDb = ownTarget ? request.measuredLevelDb + plan.gainDb : request.pluginTargetDb;
  if (plan.pluginTargetDb < kMinTargetDb || plan.pluginTargetDb > kMaxTargetDb)
    throw ToolError(kExitFailure, "the gain of " + db(plan.gainDb) + " dB needs a Target Value of " +
                                    db(plan.pluginTargetDb) + ", outside the plug-in's range -60 .. 30");
  return plan;
}
} // namespace quenmark
