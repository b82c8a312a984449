#include "engine/AutoGainVU.h"

#include "engine/Decibels.h"

#include <algorithm>
#include <cmath>

namespace
{
// 10^(3.9/20): 2/pi times this is 0.99745, so a smoothed full-wave-rectified sine equals
// its peak within 0.03 dB.
const double kRectifiedSineScale = std::exp(0.44900409313383);
}

void AutoGainVU::setSampleRate(int32_t rate)
{
  mRate = rate;
  const double coeff = std::pow(0.01, 1.0 / (rate * 200 * 0.001));
  mStage1Rise = mStage1Fall = mStage2Rise = mStage2Fall = coeff;
}

void AutoGainVU::reset()
{
  mStage1 = 0.0;
  mStage2 = 0.0;
}

double AutoGainVU::measure(const double* const* channels, int frames)
{
  const double k = kRectifiedSineScale;
  double stage1 = mStage1;
  double stage2 = mStage2;
  double blockMax = 0.0;
  for (int i = 0; i < frames; ++i)
  {
    double peak = channelCount > 0 ? measuredMagnitude(channels[0][i]) : 0.0;
    for (int c = 1; c < channelCount; ++c)
      peak = std::max(peak, measuredMagnitude(channels[c][i]));
    const double x = peak * k;
    const double c1 = x > stage1 ? mStage1Rise : mStage1Fall;
    stage1 = (1.0 - c1) * x + c1 * stage1;
    const double y = std::fabs(stage1);
    const double c2 = y > stage2 ? mStage2Rise : mStage2Fall;
    stage2 = (1.0 - c2) * y + c2 * stage2;
    blockMax = std::max(blockMax, stage2);
  }
  mStage1 = stage1;
  mStage2 = stage2;
  return Decibels::fromLinear(std::fabs(blockMax)) - kReferenceDbfs;
}
