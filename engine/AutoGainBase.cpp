#include "engine/AutoGainBase.h"

#include "engine/Decibels.h"

#include <algorithm>
#include <cmath>

void AutoGainBase::prepare(int32_t rate)
{
  sampleRate = rate;
  mRiseCoeff = mFallCoeff = std::exp(-1.0 / (rate * kSmootherSeconds));
  setSampleRate(rate);
  smoothedGain = 0.0;
  referenceLevel = -100.0;
  targetGain = 1.0;
  reset();
}

void AutoGainBase::restart()
{
  referenceLevel = -100.0;
  targetGain = 1.0;
  smoothedGain = 0.0;
  reset();
}

void AutoGainBase::process(double* const* channels, int frames)
{
  const double level = measure(channels, frames);
  lastLevel = level;
  updateTargetGain(level);
  smoothAndApply(channels, frames);
}

void AutoGainBase::updateTargetGain(double level)
{
  // Standard mode follows the highest level since the last restart, Continuous mode
  // every block; a level below the gate (minus infinity included) changes nothing.
  if ((level > referenceLevel || continuous) && level >= gateLevel)
  {
    referenceLevel = level;
    const double gainDb = std::min(targetLevel - level, kMaxGainDb);
    targetGain = Decibels::toLinear(gainDb);
  }
}

void AutoGainBase::smoothAndApply(double* const* channels, int frames)
{
  const double gain = std::fabs(targetGain);
  // The rise and fall coefficients are one 0.6 s time constant, and targetGain is
  // constant over the block, so one coefficient serves every frame of it.
  const double coeff = smoothedGain < gain ? mRiseCoeff : mFallCoeff;
  const double step = (1.0 - coeff) * gain;
  double smoothed = smoothedGain;

  if (!applyGain)
  {
    for (int i = 0; i < frames; ++i)
      smoothed = step + coeff * smoothed;
  }
  else
  {
    double* left = channels[0];
    double* right = channelCount > 1 ? channels[1] : nullptr;
    if (right && right != left)
    {
      for (int i = 0; i < frames; ++i)
      {
        smoothed = step + coeff * smoothed;
        left[i] *= smoothed;
        right[i] *= smoothed;
      }
    }
    else
    {
      for (int i = 0; i < frames; ++i)
      {
        smoothed = step + coeff * smoothed;
        left[i] *= smoothed;
      }
    }
  }
  smoothedGain = smoothed;
}
