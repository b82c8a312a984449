#include "tools/quenmark/TruePeakMeter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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
    mPhases(static_cast<std::size_t>(mFactor)),
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
      mPhases[static_cast<std::size_t>(j % mFactor)].push_back({j / mFactor, tap});
  }
  for (const std::vector<Tap>& phase : mPhases)
  {
    double sum = 0.;
    for (const Tap& tap : phase)
      sum += std::fabs(tap.weight);
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

// `input` holds `frames` samples, with mDelay - 1 samples of history before it and room
// for a whole chunk after it.
void TruePeakMeter::interpolate(const double* input, int frames)
{
  // Eight outputs at a time, their sums held in four pairs of registers over all the
  // taps: each tap costs four loads and four multiply-adds, and nothing is stored.
  using Pair = double __attribute__((vector_size(16)));
  constexpr int kLanes = 8;
  auto load = [](const double* at) {
    Pair pair;
    std::memcpy(&pair, at, sizeof(pair));
    return pair;
  };
  double peak = mPeak;
  for (const std::vector<Tap>& phase : mPhases)
    for (int n = 0; n < frames; n += kLanes)
    {
      Pair sums[kLanes / 2] = {};
      for (const Tap& tap : phase)
      {
        const Pair weight = {tap.weight, tap.weight};
        const double* x = input + n - tap.back;
        sums[0] += weight * load(x);
        sums[1] += weight * load(x + 2);
        sums[2] += weight * load(x + 4);
        sums[3] += weight * load(x + 6);
      }
      double outputs[kLanes];
      std::memcpy(outputs, sums, sizeof(outputs));
      const int lanes = std::min(kLanes, frames - n);
      for (int lane = 0; lane < lanes; ++lane)
        peak = std::max(peak, std::fabs(outputs[lane]));
    }
  mPeak = peak;
}
} // namespace quenmark
