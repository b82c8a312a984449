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
// Oversampled outputs within this of the peak found so far get their surroundings
// reconstructed: four times oversampling reads a crest up to 0.7 dB low between its
// outputs, and content up to 0.43 of the rate up to 1.1 dB low more. Content that
// reads lower still lies above 0.45 of the rate, where programmes seldom have their
// crests; steady tones there are found from their first crests.
constexpr double kCandidateMarginDb = 3.;
// The reconstruction's window: a Kaiser window of this shape keeps the sinc's passband
// flat up to 0.49 of the rate.
constexpr double kKaiserBeta = 9.;

double besselI0(double x)
{
  double sum = 1., term = 1.;
  for (int k = 1; k < 50 && term > 1e-17 * sum; ++k)
  {
    term *= (x / (2. * k)) * (x / (2. * k));
    sum += term;
  }
  return sum;
}

int oversamplingFor(int sampleRate)
{
  if (sampleRate < 96000)
    return 4;
  return sampleRate < 192000 ? 2 : 1;
}
} // namespace

TruePeakMeter::TruePeakMeter(int channels, int sampleRate, bool reconstruct)
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
  if (!reconstruct)
    return;
  // Row q gives the point q / kFineSteps past a sample m from the samples m - N + 1 .. m + N.
  mReconstruct = true;
  constexpr int kWidth = 2 * kFineHalfTaps;
  mFineKernel.resize(static_cast<std::size_t>(kFineSteps * kWidth));
  for (int q = 0; q < kFineSteps; ++q)
    for (int i = 0; i < kWidth; ++i)
    {
      const double tau = static_cast<double>(q) / kFineSteps - (i - kFineHalfTaps + 1);
      const double x = std::numbers::pi * tau;
      const double sinc = std::fabs(tau) < 1e-12 ? 1. : std::sin(x) / x;
      const double u = tau / kFineHalfTaps;
      const double window = std::fabs(u) < 1. ? besselI0(kKaiserBeta * std::sqrt(1. - u * u)) / besselI0(kKaiserBeta) : 0.;
      mFineKernel[static_cast<std::size_t>(q * kWidth + i)] = sinc * window;
    }
  mFineHistory.assign(static_cast<std::size_t>(mChannels), std::vector<double>(kFineKeep, 0.));
  mPending.resize(static_cast<std::size_t>(mChannels));
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
    if (mFactor > 1 || mReconstruct || mOverHopFrames > 0)
      for (std::size_t start = 0; start < count; start += kChunkFrames)
      {
        const std::size_t chunk = std::min<std::size_t>(kChunkFrames, count - start);
        // Every input the chunk's outputs are made of: its own samples and the history
        // before them.
        const double* first = work.data() + start;
        double floor = mReconstruct ? candidateThreshold() : mPeak;
        if (mOverHopFrames > 0)
          floor = std::min(floor, mOverThreshold);
        if (loudestOf(first, chunk + history) * mBoundGain <= floor)
          continue;
        const double chunkPeak = mFactor > 1 ? interpolate(first + history, static_cast<int>(chunk))
                                             : loudestOf(first + history, chunk);
        const std::int64_t chunkStart = mFrames + static_cast<std::int64_t>(start);
        if (mReconstruct && chunkPeak >= candidateThreshold())
          markCandidates(c, first + history, static_cast<int>(chunk), chunkStart);
        if (mOverHopFrames > 0 && chunkPeak > mOverThreshold)
        {
          const std::int64_t hop = std::max<std::int64_t>(chunkStart, 0) / mOverHopFrames;
          if (mOverHops.empty() || mOverHops.back() != hop)
            mOverHops.push_back(hop);
        }
      }
    if (mReconstruct)
    {
      // The channel from frame mFrames - kFineKeep on: its kept samples, then the new.
      mFineWork.assign(mFineHistory[c].begin(), mFineHistory[c].end());
      mFineWork.insert(mFineWork.end(), work.begin() + static_cast<std::ptrdiff_t>(history),
                       work.begin() + static_cast<std::ptrdiff_t>(history + count));
      const std::int64_t origin = mFrames - kFineKeep;
      const std::int64_t available = mFrames + static_cast<std::int64_t>(count);
      std::vector<Interval>& pending = mPending[c];
      std::size_t done = 0;
      for (; done < pending.size() && pending[done].end - 1 + kFineHalfTaps < available; ++done)
        mFinePeak = std::max(mFinePeak, reconstruct(mFineWork.data(), origin, pending[done].begin, pending[done].end));
      pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(done));
      std::copy(mFineWork.end() - kFineKeep, mFineWork.end(), mFineHistory[c].begin());
    }
    std::copy_n(work.begin() + static_cast<std::ptrdiff_t>(count), history, mHistory[c].begin());
  }
  mFrames += static_cast<std::int64_t>(count);
}

void TruePeakMeter::trackOvers(double threshold, std::int64_t hopFrames)
{
  mOverThreshold = threshold;
  mOverHopFrames = std::max<std::int64_t>(hopFrames, 1);
}

std::vector<std::int64_t> TruePeakMeter::overHops() const
{
  std::vector<std::int64_t> hops = mOverHops;
  std::sort(hops.begin(), hops.end());
  hops.erase(std::unique(hops.begin(), hops.end()), hops.end());
  return hops;
}

double TruePeakMeter::candidateThreshold() const noexcept
{
  static const double ratio = std::pow(10., -kCandidateMarginDb / 20.);
  return std::max(mPeak, mFinePeak) * ratio;
}

void TruePeakMeter::markCandidates(std::size_t channel, const double* input, int frames, std::int64_t first)
{
  const double threshold = candidateThreshold();
  std::vector<Interval>& pending = mPending[channel];
  for (int n = 0; n < frames; ++n)
    for (int p = 0; p < mFactor; ++p)
    {
      double value = 0.;
      for (const TruePeakTap& tap : mPhases[static_cast<std::size_t>(p)])
        value += tap.weight * input[n - tap.back];
      if (!(std::fabs(value) >= threshold))
        continue;
      // The output of phase p at sample n stands for the instant n - ((taps - 1) / 2 - p)
      // / factor: the crest near it lies within the sample intervals around that instant.
      const double instant = static_cast<double>(first + n) - ((kTaps - 1) / 2. - p) / mFactor;
      const auto whole = static_cast<std::int64_t>(std::floor(instant));
      const Interval around{whole - 1, whole + 2};
      // Neighbours are joined, but only into short intervals: an interval must be done
      // while the samples it needs are kept.
      if (!pending.empty() && around.begin <= pending.back().end &&
          pending.back().end - pending.back().begin < kLongestInterval)
        pending.back().end = std::max(pending.back().end, around.end);
      else
        pending.push_back(around);
    }
}

double TruePeakMeter::reconstruct(const double* samples, std::int64_t origin, std::int64_t begin,
                                  std::int64_t end) const
{
  constexpr int kWidth = 2 * kFineHalfTaps;
  double peak = 0.;
  for (std::int64_t m = begin; m < end; ++m)
  {
    const double* x = samples + (m - origin - kFineHalfTaps + 1);
    for (int q = 0; q < kFineSteps; ++q)
    {
      const double* k = mFineKernel.data() + q * kWidth;
      // Four sums side by side, so each addition need not wait for the one before.
      double sums[4] = {0., 0., 0., 0.};
      for (int i = 0; i < kWidth; i += 4)
        for (int lane = 0; lane < 4; ++lane)
          sums[lane] += k[i + lane] * x[i + lane];
      peak = std::max(peak, std::fabs((sums[0] + sums[1]) + (sums[2] + sums[3])));
    }
  }
  return peak;
}

double TruePeakMeter::reconstructedPeak() const
{
  double peak = std::max(mPeak, mFinePeak);
  if (!mReconstruct)
    return peak;
  // Intervals still waiting for samples after them, and the step into the silence after
  // the last sample, which a player reconstructs too.
  const std::int64_t origin = mFrames - kFineKeep;
  std::vector<double> tail;
  for (std::size_t c = 0; c < mPending.size(); ++c)
  {
    tail.assign(mFineHistory[c].begin(), mFineHistory[c].end());
    tail.resize(tail.size() + kFineHalfTaps + 4, 0.);
    for (const Interval& interval : mPending[c])
      peak = std::max(peak, reconstruct(tail.data(), origin, interval.begin, interval.end));
    peak = std::max(peak, reconstruct(tail.data(), origin, mFrames - 2, mFrames + 2));
  }
  return peak;
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
double TruePeakMeter::interpolate(const double* input, int frames)
{
  double peak = 0.;
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
  mPeak = std::max(mPeak, peak);
  return peak;
}
} // namespace quenmark
