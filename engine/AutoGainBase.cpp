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

namespace
{
// Runs the smoother over `frames` frames from `smoothed` and returns where it ends;
// with `applyGain`, writes in * gain to out for one or two channels (right may be null).
// s[i+1] = step + coeff * s[i] is evaluated as four interleaved recurrences four frames
// apart (s[i+4] = step4 + coeff4 * s[i]) so the multiply-add chain does not serialise
// every frame; the result differs from the one-frame recurrence by rounding only.
template <bool kApply, bool kStereo>
double runSmoother(double smoothed, double step, double coeff, int frames, const double* inL, const double* inR,
                   double* outL, double* outR)
{
  auto write = [&](int i, double g) {
    if constexpr (kApply)
    {
      outL[i] = inL[i] * g;
      if constexpr (kStereo)
        outR[i] = inR[i] * g;
    }
  };
  int i = 0;
  double lane[4];
  for (; i < frames && i < 4; ++i)
  {
    smoothed = step + coeff * smoothed;
    lane[i] = smoothed;
    write(i, smoothed);
  }
  if (i < 4)
    return smoothed;

  const double coeff2 = coeff * coeff;
  const double coeff4 = coeff2 * coeff2;
  const double step4 = step * (1.0 + coeff) * (1.0 + coeff2);
  double s0 = lane[0], s1 = lane[1], s2 = lane[2], s3 = lane[3];
  for (; i + 4 <= frames; i += 4)
  {
    s0 = step4 + coeff4 * s0;
    s1 = step4 + coeff4 * s1;
    s2 = step4 + coeff4 * s2;
    s3 = step4 + coeff4 * s3;
    write(i, s0);
    write(i + 1, s1);
    write(i + 2, s2);
    write(i + 3, s3);
  }
  smoothed = s3;
  for (; i < frames; ++i)
  {
    smoothed = step + coeff * smoothed;
    write(i, smoothed);
  }
  return smoothed;
}
}

namespace
{
// x^n for n >= 0 by squaring: a few multiplies, where pow would cost more than a short
// block's whole loop.
double integerPower(double x, int n)
{
  double result = 1.0;
  for (; n > 0; n >>= 1, x *= x)
    if (n & 1)
      result *= x;
  return result;
}
} // namespace

void AutoGainBase::smoothAndApply(const double* const* inputs, double* const* outputs, int frames)
{
  const double gain = std::fabs(targetGain);
  // The rise and fall coefficients are one 0.6 s time constant, and targetGain is
  // constant over the block, so one coefficient serves every frame of it.
  const double coeff = smoothedGain < gain ? mRiseCoeff : mFallCoeff;
  const double step = (1.0 - coeff) * gain;
  // One output array twice (mono) is written once.
  const bool stereo = channelCount > 1 && outputs[1] != outputs[0];
  const double* inL = inputs[0];
  const double* inR = stereo ? inputs[1] : nullptr;
  double* outL = outputs[0];
  double* outR = stereo ? outputs[1] : nullptr;

  if (!applyGain)
  {
    // Only where the smoother ends matters: s[i+1] - gain = coeff * (s[i] - gain), so it
    // ends coeff^frames of the way from where it began to the gain, without a loop over
    // the frames (and with less rounding than one).
    smoothedGain = gain + (smoothedGain - gain) * integerPower(coeff, frames);
    if (outL != inL)
      std::copy(inL, inL + frames, outL);
    if (outR && outR != inR)
      std::copy(inR, inR + frames, outR);
  }
  else if (stereo)
    smoothedGain = runSmoother<true, true>(smoothedGain, step, coeff, frames, inL, inR, outL, outR);
  else
    smoothedGain = runSmoother<true, false>(smoothedGain, step, coeff, frames, inL, inR, outL, outR);
}
