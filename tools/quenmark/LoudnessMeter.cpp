#include "tools/quenmark/LoudnessMeter.h"

#include "tools/quenmark/BlockPipe.h"
#include "tools/quenmark/ToolError.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quenmark
{
namespace
{
constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();
// BS.1770: loudness = -0.691 + 10 log10(weighted mean square).
constexpr double kLoudnessOffset = -0.691;

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
  return std::isfinite(lufs) ? std::pow(10., (lufs - kLoudnessOffset) / 10.) : 0.;
}
} // namespace

LoudnessMeter::LoudnessMeter(int channels, int sampleRate, MeterParts parts)
  : mChannels(channels), mParts(parts), mHopFrames(std::max(sampleRate / 10, 1))
{
  int mode = EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK;
  if (parts.loudnessRange)
    mode |= EBUR128_MODE_LRA;
  if (parts.maxima)
    mode |= EBUR128_MODE_S;
  auto newState = [&](int stateMode) {
    ebur128_state* state =
      ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(sampleRate), stateMode);
    if (state == nullptr)
      throw ToolError(kExitFailure, "libebur128 cannot measure " + std::to_string(channels) + " channels at " +
                                      std::to_string(sampleRate) + " Hz");
    if (channels == 1)
      ebur128_set_channel(state, 0, EBUR128_DUAL_MONO);
    return state;
  };
  mState = newState(mode);
  if (parts.truePeak)
  {
    try
    {
      mPeakState = newState(EBUR128_MODE_TRUE_PEAK);
    }
    catch (const ToolError&)
    {
      ebur128_destroy(&mState);
      throw;
    }
    mPeakPipe = std::make_unique<BlockPipe>(channels, kPipeFrames, [this](double* block, std::int64_t frames) {
      if (ebur128_add_frames_double(mPeakState, block, static_cast<std::size_t>(frames)) != EBUR128_SUCCESS)
        throw ToolError(kExitFailure, "libebur128 failed to take the audio");
    });
  }
}

LoudnessMeter::~LoudnessMeter()
{
  mPeakPipe.reset(); // stops the thread before its state goes
  if (mPeakState)
    ebur128_destroy(&mPeakState);
  if (mState)
    ebur128_destroy(&mState);
}

void LoudnessMeter::add(const double* interleaved, std::int64_t frames)
{
  if (mPeakPipe)
    for (std::int64_t done = 0; done < frames; done += kPipeFrames)
      mPeakPipe->push(interleaved + done * mChannels, std::min<std::int64_t>(frames - done, kPipeFrames));
  if (!mParts.maxima)
  {
    addToLibrary(interleaved, frames);
    return;
  }
  // Fed in pieces that end on hop boundaries, so each hop's energy is read exactly.
  while (frames > 0)
  {
    const std::int64_t piece = std::min(frames, mHopFrames - mHopFilled);
    addToLibrary(interleaved, piece);
    interleaved += piece * mChannels;
    frames -= piece;
    mHopFilled += piece;
    if (mHopFilled == mHopFrames)
      endHop();
  }
}

void LoudnessMeter::addToLibrary(const double* interleaved, std::int64_t frames)
{
  if (frames > 0 && ebur128_add_frames_double(mState, interleaved, static_cast<std::size_t>(frames)) != EBUR128_SUCCESS)
    throw ToolError(kExitFailure, "libebur128 failed to take the audio");
}

void LoudnessMeter::endHop()
{
  mHopFilled = 0;
  double lufs = kMinusInfinity;
  // The window is given in milliseconds; the library takes rate * 100 / 1000 frames,
  // which is mHopFrames.
  if (ebur128_loudness_window(mState, 100, &lufs) != EBUR128_SUCCESS)
    lufs = kMinusInfinity;
  mNewestHop = (mNewestHop + 1) % kShortTermHops;
  mHopEnergy[static_cast<std::size_t>(mNewestHop)] = lufsToEnergy(lufs);
  double momentary = 0., shortTerm = 0.;
  for (int age = 0; age < kShortTermHops; ++age)
  {
    const double energy = mHopEnergy[static_cast<std::size_t>((mNewestHop - age + kShortTermHops) % kShortTermHops)];
    shortTerm += energy;
    if (age < kMomentaryHops)
      momentary += energy;
  }
  mMomentaryMaxEnergy = std::max(mMomentaryMaxEnergy, momentary / kMomentaryHops);
  mShortTermMaxEnergy = std::max(mShortTermMaxEnergy, shortTerm / kShortTermHops);
}

LoudnessReading LoudnessMeter::reading() const
{
  LoudnessReading reading{kMinusInfinity, 0., kMinusInfinity, kMinusInfinity, kMinusInfinity, kMinusInfinity};
  double value = 0.;
  if (ebur128_loudness_global(mState, &value) == EBUR128_SUCCESS)
    reading.integratedLufs = value;
  if (mParts.loudnessRange && ebur128_loudness_range(mState, &value) == EBUR128_SUCCESS)
    reading.loudnessRangeLu = value;
  if (mPeakPipe)
    mPeakPipe->finish();
  double truePeak = 0., samplePeak = 0.;
  for (int c = 0; c < mChannels; ++c)
  {
    if (mPeakState && ebur128_true_peak(mPeakState, static_cast<unsigned>(c), &value) == EBUR128_SUCCESS)
      truePeak = std::max(truePeak, value);
    if (ebur128_sample_peak(mState, static_cast<unsigned>(c), &value) == EBUR128_SUCCESS)
      samplePeak = std::max(samplePeak, value);
  }
  reading.truePeakDbtp = toDb(truePeak);
  reading.samplePeakDbfs = toDb(samplePeak);
  if (mParts.maxima)
  {
    reading.momentaryMaxLufs = energyToLufs(mMomentaryMaxEnergy);
    reading.shortTermMaxLufs = energyToLufs(mShortTermMaxEnergy);
  }
  return reading;
}
} // namespace quenmark
