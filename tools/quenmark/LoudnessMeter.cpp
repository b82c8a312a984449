#include "tools/quenmark/LoudnessMeter.h"

#include "tools/quenmark/ToolError.h"

#include "engine/CompensatedSum.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <string>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define QUENMARK_METER_SSE2 1
#endif

namespace quenmark
{
namespace
{
constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();
// Loudness = -0.691 + 10 log10(weighted mean square).
constexpr double kLoudnessOffset = -0.691;
constexpr int kMomentaryHops = 4;  // 400 ms
constexpr int kShortTermHops = 30; // 3 s
constexpr int kRangeBlockSpacingHops = 10;
// Gates: blocks below -70 LUFS never count; the integrated loudness keeps blocks at most
// 10 LU below the mean of those, the loudness range at most 20 LU; the range spans the
// 10th to the 95th percentile of the kept short-term blocks.
constexpr double kAbsoluteGateLufs = -70.;
constexpr double kIntegratedRelativeGate = 0.1; // -10 LU as an energy ratio
constexpr double kRangeRelativeGate = 0.01;     // -20 LU
constexpr double kRangeLowPercentile = 0.10;
constexpr double kRangeHighPercentile = 0.95;

double toDb(double linear)
{
  return linear > 0. ? 20. * std::log10(linear) : kMinusInfinity;
}

double energyToLufs(double energy)
{
  return energy > 0. ? kLoudnessOffset + 10. * std::log10(energy) : kMinusInfinity;
}

double lufsToEnergy(double lufs)
{
  return std::pow(10., (lufs - kLoudnessOffset) / 10.);
}

// Mean energy of the `span` hops ending at hop `last`, hops before the first counting as
// silence.
double windowEnergy(const std::vector<double>& hops, std::size_t last, std::size_t span)
{
  const std::size_t first = last + 1 >= span ? last + 1 - span : 0;
  double sum = 0.;
  for (std::size_t hop = first; hop <= last; ++hop)
    sum += hops[hop];
  return sum / static_cast<double>(span);
}

double integratedLoudness(const std::vector<double>& hops)
{
  const double absoluteGate = lufsToEnergy(kAbsoluteGateLufs);
  std::vector<double> blocks;
  for (std::size_t last = kMomentaryHops - 1; last < hops.size(); ++last)
    if (const double energy = windowEnergy(hops, last, kMomentaryHops); energy >= absoluteGate)
      blocks.push_back(energy);
  if (blocks.empty())
    return kMinusInfinity;
  const double relativeGate =
    kIntegratedRelativeGate * std::accumulate(blocks.begin(), blocks.end(), 0.) / static_cast<double>(blocks.size());
  double sum = 0.;
  std::size_t kept = 0;
  for (double energy : blocks)
    if (energy >= relativeGate)
    {
      sum += energy;
      ++kept;
    }
  return energyToLufs(sum / static_cast<double>(kept));
}

struct RangeBounds
{
  double lowLufs = kMinusInfinity;
  double highLufs = kMinusInfinity;
};

RangeBounds loudnessRangeBounds(const std::vector<double>& hops)
{
  const double absoluteGate = lufsToEnergy(kAbsoluteGateLufs);
  std::vector<double> blocks;
  for (std::size_t last = kShortTermHops - 1; last < hops.size(); last += kRangeBlockSpacingHops)
    if (const double energy = windowEnergy(hops, last, kShortTermHops); energy >= absoluteGate)
      blocks.push_back(energy);
  if (blocks.empty())
    return {};
  std::sort(blocks.begin(), blocks.end());
  const double relativeGate =
    kRangeRelativeGate * std::accumulate(blocks.begin(), blocks.end(), 0.) / static_cast<double>(blocks.size());
  const auto kept = std::lower_bound(blocks.begin(), blocks.end(), relativeGate);
  const auto count = static_cast<std::size_t>(blocks.end() - kept);
  if (count == 0)
    return {};
  auto percentile = [&](double share) {
    return kept[static_cast<std::ptrdiff_t>(static_cast<double>(count - 1) * share + 0.5)];
  };
  return {energyToLufs(percentile(kRangeLowPercentile)), energyToLufs(percentile(kRangeHighPercentile))};
}

double loudnessRange(const std::vector<double>& hops)
{
  const RangeBounds bounds = loudnessRangeBounds(hops);
  return std::isfinite(bounds.lowLufs) ? bounds.highLufs - bounds.lowLufs : 0.;
}

double maximumEnergy(const std::vector<double>& hops, std::size_t span)
{
  double loudest = 0.;
  for (std::size_t last = 0; last < hops.size(); ++last)
    loudest = std::max(loudest, windowEnergy(hops, last, span));
  return loudest;
}
} // namespace

LoudnessMeter::LoudnessMeter(int channels, int sampleRate, MeterParts parts)
  : mChannels(channels), mSampleRate(sampleRate), mParts(parts), mHopFrames((sampleRate + 5) / 10)
{
  if (channels < 1 || channels > KWeightingFilter::kMaxChannels || sampleRate < 10)
    throw ToolError(kExitFailure, "the loudness meter cannot measure " + std::to_string(channels) + " channels at " +
                                    std::to_string(sampleRate) + " Hz");
  mFilter.setSampleRate(sampleRate);
  if (parts.truePeak)
  {
    mTruePeak = std::make_unique<TruePeakMeter>(channels, sampleRate, parts.reconstructedPeak);
    if (parts.oversAboveDbtp)
      mTruePeak->trackOvers(std::pow(10., *parts.oversAboveDbtp / 20.), mHopFrames);
  }
}

void LoudnessMeter::add(const double* interleaved, std::int64_t frames)
{
  if (frames <= 0)
    return;
  mFrames += frames;
  if (mTruePeak)
    mTruePeak->add(interleaved, frames);
  // Filtered in pieces that end on hop boundaries, so each hop's energy is its own.
  while (frames > 0)
  {
    const std::int64_t piece = std::min(frames, mHopFrames - mHopFilled);
    addPiece(interleaved, piece);
    interleaved += piece * mChannels;
    frames -= piece;
    mHopFilled += piece;
    if (mHopFilled == mHopFrames)
    {
      mHopEnergies.push_back(mHopSum / static_cast<double>(mHopFrames));
      mHopSum = 0.;
      mHopFilled = 0;
    }
  }
}

void LoudnessMeter::addPiece(const double* interleaved, std::int64_t frames)
{
  const auto count = static_cast<std::size_t>(frames);
  mLeft.resize(count);
  mRight.resize(count);
  mEnergies.resize(count);
  double peak = mSamplePeak;
  if (mChannels == 2)
  {
    std::size_t n = 0;
#ifdef QUENMARK_METER_SSE2
    // A frame per step: split, and its magnitudes into the running peak (a NaN leaves
    // the peak as it was, as std::max does).
    const __m128d sign = _mm_set1_pd(-0.);
    __m128d peaks = _mm_set1_pd(peak);
    for (; n < count; ++n)
    {
      const __m128d frame = _mm_loadu_pd(interleaved + 2 * n);
      _mm_store_sd(&mLeft[n], frame);
      _mm_storeh_pd(&mRight[n], frame);
      peaks = _mm_max_pd(_mm_andnot_pd(sign, frame), peaks);
    }
    double lanes[2];
    _mm_storeu_pd(lanes, peaks);
    peak = std::max(lanes[0], lanes[1]);
#endif
    for (; n < count; ++n)
    {
      mLeft[n] = interleaved[2 * n];
      mRight[n] = interleaved[2 * n + 1];
      peak = std::max({peak, std::fabs(mLeft[n]), std::fabs(mRight[n])});
    }
  }
  else
    for (std::size_t n = 0; n < count; ++n)
    {
      mLeft[n] = interleaved[n];
      peak = std::max(peak, std::fabs(mLeft[n]));
    }
  mSamplePeak = peak;
  mFilter.filterToEnergies(mLeft.data(), mChannels == 2 ? mRight.data() : nullptr, mEnergies.data(),
                           static_cast<int>(count));
  // One channel is heard on both speakers: twice its energy.
  const double weight = mChannels == 2 ? 1. : 2.;
  // A compensated sum: in lanes, so it does not wait on one addition after another, and
  // exact to a few ulps.
  const CompensatedSum energy = compensatedSumOf(mEnergies.data(), static_cast<int>(count));
  mHopSum += weight * (energy.sum + energy.compensation);
}

LoudnessReading LoudnessMeter::readingWithGain(double gain) const
{
  std::vector<double> hops = mHopEnergies;
  if (gain != 1.)
    for (double& energy : hops)
      energy *= gain * gain;
  LoudnessReading reading{kMinusInfinity, 0., kMinusInfinity, kMinusInfinity, kMinusInfinity, kMinusInfinity};
  reading.integratedLufs = integratedLoudness(hops);
  if (mParts.loudnessRange)
    reading.loudnessRangeLu = loudnessRange(hops);
  reading.samplePeakDbfs = toDb(gain * mSamplePeak);
  if (mTruePeak)
  {
    reading.truePeakDbtp = toDb(gain * std::max(mTruePeak->peak(), mSamplePeak));
    if (mParts.reconstructedPeak)
      reading.reconstructedPeakDbtp = toDb(gain * std::max(mTruePeak->reconstructedPeak(), mSamplePeak));
  }
  if (mParts.maxima)
  {
    reading.momentaryMaxLufs = energyToLufs(maximumEnergy(hops, kMomentaryHops));
    reading.shortTermMaxLufs = energyToLufs(maximumEnergy(hops, kShortTermHops));
  }
  return reading;
}
} // namespace quenmark

namespace quenmark
{
LoudnessSeries LoudnessMeter::series(double gain) const
{
  LoudnessSeries series;
  series.hopSeconds = static_cast<double>(mHopFrames) / mSampleRate;
  series.seconds = static_cast<double>(mFrames) / mSampleRate;
  std::vector<double> hops = mHopEnergies;
  for (double& energy : hops)
    energy *= gain * gain;
  series.momentaryLufs.resize(hops.size());
  series.shortTermLufs.resize(hops.size());
  for (std::size_t last = 0; last < hops.size(); ++last)
  {
    series.momentaryLufs[last] = static_cast<float>(
      last + 1 >= kMomentaryHops ? energyToLufs(windowEnergy(hops, last, kMomentaryHops)) : kMinusInfinity);
    series.shortTermLufs[last] = static_cast<float>(
      last + 1 >= kShortTermHops ? energyToLufs(windowEnergy(hops, last, kShortTermHops)) : kMinusInfinity);
  }
  const RangeBounds bounds = loudnessRangeBounds(hops);
  series.rangeLowLufs = bounds.lowLufs;
  series.rangeHighLufs = bounds.highLufs;
  if (mTruePeak)
    for (const std::int64_t hop : mTruePeak->overHops())
      series.overSeconds.push_back(static_cast<double>(hop) * series.hopSeconds);
  return series;
}
} // namespace quenmark
