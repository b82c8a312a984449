#include "tools/quenmark/TruePeakMeter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quenmark
{
namespace
{
// Prototype taps smaller than this are left out, as they change no reading.
constexpr double kNegligibleTap = 1e-6;

int oversamplingFor(int sampleRate)
{
  if (sampleRate < 96000)
    return 4;
  return sampleRate < 192000 ? 2 : 1;
}
} // namespace

TruePeakMeter::TruePeakMeter(int channels, int sampleRate)
  : mChannels(std::max(channels, 1)),
    mFactor(oversamplingFor(sampleRate)),
    mDelay((kTaps + mFactor - 1) / mFactor),
    mPhases(static_cast<std::size_t>(mFactor), std::vector<double>(static_cast<std::size_t>(mDelay), 0.)),
    mHistory(static_cast<std::size_t>(mChannels), std::vector<double>(static_cast<std::size_t>(mDelay - 1), 0.))
{
  // A sinc with its zeros on the input samples, cut off at the input's Nyquist frequency,
  // under a Hann window; tap j feeds phase j % factor with the input j / factor back.
  for (int j = 0; j < kTaps; ++j)
  {
    const double m = j - (kTaps - 1) / 2.;
    const double x = m * std::numbers::pi / mFactor;
    double tap = std::fabs(m) > 1e-12 ? std::sin(x) / x : 1.;
    tap *= 0.5 * (1. - std::cos(2. * std::numbers::pi * j / (kTaps - 1)));
    if (std::fabs(tap) > kNegligibleTap)
      mPhases[static_cast<std::size_t>(j % mFactor)][static_cast<std::size_t>(j / mFactor)] = tap;
  }
  for (const std::vector<double>& phase : mPhases)
  {
    double sum = 0.;
    for (double tap : phase)
      sum += std::fabs(tap);
    mBoundGain = std::max(mBoundGain, sum);
  }
}

void TruePeakMeter::add(const double* interleaved, std::int64_t frames)
{
  for (int c = 0; c < mChannels; ++c)
    addChannel(c, interleaved, frames);
}

void TruePeakMeter::addChannel(int channel, const double* interleaved, std::int64_t frames)
{
  if (frames <= 0)
    return;
  const auto history = static_cast<std::size_t>(mDelay - 1);
  const auto count = static_cast<std::size_t>(frames);
  const auto stride = static_cast<std::size_t>(mChannels);
  std::vector<double>& kept = mHistory[static_cast<std::size_t>(channel)];
  // Zeros after the samples let the interpolator run whole chunks at the end.
  mWork.assign(history + count + kChunkFrames, 0.);
  std::copy(kept.begin(), kept.end(), mWork.begin());
  // A sample that is not a number counts as silence; an infinite one is its own peak.
  double samplePeak = 0.;
  for (std::size_t n = 0; n < count; ++n)
  {
    const double sample = interleaved[n * stride + static_cast<std::size_t>(channel)];
    const double magnitude = std::fabs(sample);
    samplePeak = magnitude > samplePeak ? magnitude : samplePeak;
    mWork[history + n] = std::isfinite(sample) ? sample : 0.;
  }
  mPeak = std::max(mPeak, samplePeak);
  if (mFactor > 1)
    for (std::size_t start = 0; start < count; start += kChunkFrames)
    {
      const std::size_t chunk = std::min<std::size_t>(kChunkFrames, count - start);
      // Every input the chunk's outputs are made of: its own samples and the history
      // before them.
      const double* first = mWork.data() + start;
      double loudest = 0.;
      for (std::size_t n = 0; n < chunk + history; ++n)
        loudest = std::max(loudest, std::fabs(first[n]));
      if (loudest * mBoundGain > mPeak)
        interpolate(first + history, static_cast<int>(chunk));
    }
  std::copy_n(mWork.begin() + static_cast<std::ptrdiff_t>(count), history, kept.begin());
}

// `input` holds `frames` samples, with mDelay - 1 samples of history before it.
void TruePeakMeter::interpolate(const double* input, int frames)
{
  double peak = mPeak;
  for (const std::vector<double>& phase : mPhases)
  {
    double out[kChunkFrames] = {};
    for (int k = 0; k < mDelay; ++k)
    {
      const double tap = phase[static_cast<std::size_t>(k)];
      if (tap == 0.)
        continue;
      const double* x = input - k;
      for (int n = 0; n < kChunkFrames; ++n)
        out[n] += tap * x[n];
    }
    for (int n = 0; n < frames; ++n)
      peak = std::max(peak, std::fabs(out[n]));
  }
  mPeak = peak;
}
} // namespace quenmark
