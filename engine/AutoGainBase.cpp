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

  // s[i+1] = step + coeff * s[i], evaluated as four interleaved recurrences four frames
  // apart (s[i+4] = step4 + coeff4 * s[i]) so the multiply-add chain does not serialise
  // every frame. The result differs from the one-frame recurrence by rounding only.
  double* left = channels[0];
  double* right = channelCount > 1 && channels[1] != channels[0] ? channels[1] : nullptr;
  const double coeff2 = coeff * coeff;
  const double coeff4 = coeff2 * coeff2;
  const double step4 = step * (1.0 + coeff) * (1.0 + coeff2);

  double lane[4];
  double smoothed = smoothedGain;
  int i = 0;
  for (; i < frames && i < 4; ++i)
  {
    smoothed = step + coeff * smoothed;
    lane[i] = smoothed;
    if (applyGain)
    {
      left[i] *= smoothed;
      if (right)
        right[i] *= smoothed;
    }
  }
  if (i == 4)
  {
    double s0 = lane[0], s1 = lane[1], s2 = lane[2], s3 = lane[3];
    for (; i + 4 <= frames; i += 4)
    {
      s0 = step4 + coeff4 * s0;
      s1 = step4 + coeff4 * s1;
      s2 = step4 + coeff4 * s2;
      s3 = step4 + coeff4 * s3;
      if (applyGain)
      {
        left[i] *= s0;
        left[i + 1] *= s1;
        left[i + 2] *= s2;
        left[i + 3] *= s3;
        if (right)
        {
          right[i] *= s0;
          right[i + 1] *= s1;
          right[i + 2] *= s2;
          right[i + 3] *= s3;
        }
      }
    }
    smoothed = s3;
    for (; i < frames; ++i)
    {
      smoothed = step + coeff * smoothed;
      if (applyGain)
      {
        left[i] *= smoothed;
        if (right)
          right[i] *= smoothed;
      }
    }
  }
  smoothedGain = smoothed;
}
