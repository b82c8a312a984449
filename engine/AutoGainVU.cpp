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

namespace
{
// The VU ballistics over one block; with kSymmetric the rise and fall coefficients of each
// stage are equal, so no per-frame comparison sits in the smoothers' dependency chains.
template <bool kSymmetric>
double runBallistics(const double* const* channels, int channelCount, int frames, double& stage1, double& stage2,
                     double rise1, double fall1, double rise2, double fall2)
{
  double s1 = stage1, s2 = stage2, blockMax = 0.0;
  for (int i = 0; i < frames; ++i)
  {
    double peak = channelCount > 0 ? measuredMagnitude(channels[0][i]) : 0.0;
    for (int c = 1; c < channelCount; ++c)
      peak = std::max(peak, measuredMagnitude(channels[c][i]));
    const double x = peak * kRectifiedSineScale;
    const double c1 = kSymmetric || x > s1 ? rise1 : fall1;
    s1 = (1.0 - c1) * x + c1 * s1;
    const double y = std::fabs(s1);
    const double c2 = kSymmetric || y > s2 ? rise2 : fall2;
    s2 = (1.0 - c2) * y + c2 * s2;
    blockMax = std::max(blockMax, s2);
  }
  stage1 = s1;
  stage2 = s2;
  return blockMax;
}
}

double AutoGainVU::measure(const double* const* channels, int frames)
{
  const bool symmetric = mStage1Rise == mStage1Fall && mStage2Rise == mStage2Fall;
  const double blockMax =
      symmetric ? runBallistics<true>(channels, channelCount, frames, mStage1, mStage2, mStage1Rise, mStage1Fall,
                                      mStage2Rise, mStage2Fall)
                : runBallistics<false>(channels, channelCount, frames, mStage1, mStage2, mStage1Rise, mStage1Fall,
                                       mStage2Rise, mStage2Fall);
  return Decibels::fromLinear(std::fabs(blockMax)) - kReferenceDbfs;
}
