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

void AutoGainBase::process(const double* const* inputs, double* const* outputs, int frames)
{
  const double level = measure(inputs, frames);
  lastLevel = level;
  updateTargetGain(level);
  smoothAndApply(inputs, outputs, frames);
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

void AutoGainBase::smoothAndApply(const double* const* inputs, double* const* outputs, int frames)
{
  const double gain = std::fabs(targetGain);
  // The rise and fall coefficients are one 0.6 s time constant, and targetGain is
  // constant over the block, so one coefficient serves every frame of it.
  const double coeff = smoothedGain < gain ? mRiseCoeff : mFallCoeff;
  const double step = (1.0 - coeff) * gain;
  // One output array twice (mono) is written once.
  const int channels = channelCount > 1 && outputs[1] != outputs[0] ? 2 : 1;

  // s[i+1] = step + coeff * s[i], evaluated as four interleaved recurrences four frames
  // apart (s[i+4] = step4 + coeff4 * s[i]) so the multiply-add chain does not serialise
  // every frame. The result differs from the one-frame recurrence by rounding only.
  const double coeff2 = coeff * coeff;
  const double coeff4 = coeff2 * coeff2;
  const double step4 = step * (1.0 + coeff) * (1.0 + coeff2);

  double gains[4];
  double smoothed = smoothedGain;
  int i = 0;
  auto apply = [&](int frame, double g) {
    for (int c = 0; c < channels; ++c)
      outputs[c][frame] = inputs[c][frame] * g;
  };
  for (; i < frames && i < 4; ++i)
  {
    smoothed = step + coeff * smoothed;
    gains[i] = smoothed;
    if (applyGain)
      apply(i, smoothed);
  }
  if (i == 4)
  {
    double s0 = gains[0], s1 = gains[1], s2 = gains[2], s3 = gains[3];
    for (; i + 4 <= frames; i += 4)
    {
      s0 = step4 + coeff4 * s0;
      s1 = step4 + coeff4 * s1;
      s2 = step4 + coeff4 * s2;
      s3 = step4 + coeff4 * s3;
      if (applyGain)
        for (int c = 0; c < channels; ++c)
        {
          const double* in = inputs[c] + i;
          double* out = outputs[c] + i;
          out[0] = in[0] * s0;
          out[1] = in[1] * s1;
          out[2] = in[2] * s2;
          out[3] = in[3] * s3;
        }
    }
    smoothed = s3;
    for (; i < frames; ++i)
    {
      smoothed = step + coeff * smoothed;
      if (applyGain)
        apply(i, smoothed);
    }
  }
  smoothedGain = smoothed;

  if (!applyGain)
    for (int c = 0; c < channels; ++c)
      if (outputs[c] != inputs[c])
        std::copy(inputs[c], inputs[c] + frames, outputs[c]);
}
