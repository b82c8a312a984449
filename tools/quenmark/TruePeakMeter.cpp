#include "tools/quenmark/TruePeakMeter.h"

#include "engine/ProcessorFeatures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define QUENMARK_TRUE_PEAK_SSE2 1
#endif

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
    mHistory(static_cast<std::size_t>(mChannels), std::vector<double>(static_cast<std::size_t>(mDelay - 1), 0.)),
    mWork(static_cast<std::size_t>(mChannels))
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
  for (const std::vector<TruePeakTap>& phase : mPhases)
  {
    double sum = 0.;
    for (const TruePeakTap& tap : phase)
      sum += std::fabs(tap.weight);
    mBoundGain = std::max(mBoundGain, sum);
  }
}

namespace
{
// The greatest magnitude of `count` values (none of them a NaN).
double loudestOf(const double* values, std::size_t count) noexcept
{
  double loudest = 0.;
  std::size_t n = 0;
#ifdef QUENMARK_TRUE_PEAK_SSE2
  const __m128d sign = _mm_set1_pd(-0.);
  __m128d a = _mm_setzero_pd(), b = _mm_setzero_pd();
  for (; n + 4 <= count; n += 4)
  {
    a = _mm_max_pd(_mm_andnot_pd(sign, _mm_loadu_pd(values + n)), a);
    b = _mm_max_pd(_mm_andnot_pd(sign, _mm_loadu_pd(values + n + 2)), b);
  }
  double lanes[2];
  _mm_storeu_pd(lanes, _mm_max_pd(a, b));
  loudest = std::max(lanes[0], lanes[1]);
#endif
  for (; n < count; ++n)
    loudest = std::max(loudest, std::fabs(values[n]));
  return loudest;
}
} // namespace

void TruePeakMeter::add(const double* interleaved, std::int64_t frames)
{
  if (frames <= 0)
    return;
  const auto history = static_cast<std::size_t>(mDelay - 1);
  const auto count = static_cast<std::size_t>(frames);
  const auto channels = static_cast<std::size_t>(mChannels);
  // Each channel's history, then its samples, then zeros that let the interpolator run
  // whole chunks at the end.
  for (std::size_t c = 0; c < channels; ++c)
  {
    std::vector<double>& work = mWork[c];
    work.resize(history + count + kChunkFrames);
    std::copy(mHistory[c].begin(), mHistory[c].end(), work.begin());
    std::fill(work.begin() + static_cast<std::ptrdiff_t>(history + count), work.end(), 0.);
  }
  // One pass over the frames: the sample peak, and the samples apart by channel. A sample
  // that is not a number counts as silence; an infinite one is its own peak.
  double samplePeak = 0.;
  bool separated = false;
#ifdef QUENMARK_TRUE_PEAK_SSE2
  if (channels == 2)
  {
    separated = true;
    const __m128d sign = _mm_set1_pd(-0.);
    __m128d peak = _mm_setzero_pd();
    double* left = mWork[0].data() + history;
    double* right = mWork[1].data() + history;
    for (std::size_t n = 0; n < count; ++n)
    {
      const __m128d frame = _mm_loadu_pd(interleaved + 2 * n);
      peak = _mm_max_pd(_mm_andnot_pd(sign, frame), peak); // a NaN leaves the peak as it was
      const __m128d sample = _mm_and_pd(frame, _mm_cmpeq_pd(_mm_sub_pd(frame, frame), _mm_setzero_pd()));
      _mm_store_sd(left + n, sample);
      _mm_storeh_pd(right + n, sample);
    }
    double lanes[2];
    _mm_storeu_pd(lanes, peak);
    samplePeak = std::max(lanes[0], lanes[1]);
  }
#endif
  for (std::size_t c = 0; !separated && c < channels; ++c)
    for (std::size_t i = 0; i < count; ++i)
    {
      const double sample = interleaved[i * channels + c];
      const double magnitude = std::fabs(sample);
      samplePeak = magnitude > samplePeak ? magnitude : samplePeak;
      mWork[c][history + i] = std::isfinite(sample) ? sample : 0.;
    }
  mPeak = std::max(mPeak, samplePeak);
  for (std::size_t c = 0; c < channels; ++c)
  {
    const std::vector<double>& work = mWork[c];
    if (mFactor > 1)
      for (std::size_t start = 0; start < count; start += kChunkFrames)
      {
        const std::size_t chunk = std::min<std::size_t>(kChunkFrames, count - start);
        // Every input the chunk's outputs are made of: its own samples and the history
        // before them.
        const double* first = work.data() + start;
        if (loudestOf(first, chunk + history) * mBoundGain > mPeak)
          interpolate(first + history, static_cast<int>(chunk));
      }
    std::copy_n(work.begin() + static_cast<std::ptrdiff_t>(count), history, mHistory[c].begin());
  }
}

namespace
{
// Eight outputs at a time, their sums held in registers over all the taps of the phase:
// each tap costs four loads and four multiply-adds, and nothing is stored. Each output
// sums its taps in the phase's order, so the sums are the same in any register width.
// Always inlined, so that it takes the instructions of its caller's target.
template <class Vector>
[[gnu::always_inline]] inline double interpolatePhase(const double* input, int frames, const std::vector<TruePeakTap>& phase, double peak)
{
  constexpr int kLanes = 8;
  constexpr int kWidth = sizeof(Vector) / sizeof(double);
  constexpr int kVectors = kLanes / kWidth;
  for (int n = 0; n < frames; n += kLanes)
  {
    Vector sums[kVectors] = {};
    for (const TruePeakTap& tap : phase)
    {
      Vector weight;
      for (int lane = 0; lane < kWidth; ++lane)
        weight[lane] = tap.weight;
      const double* x = input + n - tap.back;
      for (int v = 0; v < kVectors; ++v)
      {
        Vector samples;
        std::memcpy(&samples, x + v * kWidth, sizeof(samples));
        sums[v] += weight * samples;
      }
    }
    double outputs[kLanes];
    std::memcpy(outputs, sums, sizeof(outputs));
    const int lanes = std::min(kLanes, frames - n);
    for (int lane = 0; lane < lanes; ++lane)
      peak = std::max(peak, std::fabs(outputs[lane]));
  }
  return peak;
}

using Pair = double __attribute__((vector_size(16)));
double interpolatePairs(const double* input, int frames, const std::vector<TruePeakTap>& phase, double peak)
{
  return interpolatePhase<Pair>(input, frames, phase, peak);
}

#ifdef QUENMARK_X86_FEATURES
// Four lanes per register on processors that have AVX: half the instructions.
using Quad = double __attribute__((vector_size(32)));
__attribute__((target("avx"))) double interpolateQuads(const double* input, int frames,
                                                       const std::vector<TruePeakTap>& phase, double peak)
{
  return interpolatePhase<Quad>(input, frames, phase, peak);
}
#endif
} // namespace

// `input` holds `frames` samples, with mDelay - 1 samples of history before it and room
// for a whole chunk after it.
void TruePeakMeter::interpolate(const double* input, int frames)
{
  double peak = mPeak;
  for (const std::vector<TruePeakTap>& phase : mPhases)
  {
#ifdef QUENMARK_X86_FEATURES
    if (processor::uses(processor::Extension::avx))
    {
      peak = interpolateQuads(input, frames, phase, peak);
      continue;
    }
#endif
    peak = interpolatePairs(input, frames, phase, peak);
  }
  mPeak = peak;
}
} // namespace quenmark
