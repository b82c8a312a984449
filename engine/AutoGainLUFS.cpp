#include "engine/AutoGainLUFS.h"

#include <cmath>
#include <limits>

namespace
{
constexpr double kSilence = -std::numeric_limits<double>::infinity();
}

AutoGainLUFS::AutoGainLUFS(int32_t mode) : ebur128Mode(mode) {}

AutoGainLUFS::~AutoGainLUFS() { DestroyLoudnessState(mLoudnessState); }

void AutoGainLUFS::setMaxBlockFrames(int frames)
{
  mInterleavedFrames = frames > 0 ? frames : 1;
  mInterleaved = std::make_unique<double[]>(static_cast<size_t>(mInterleavedFrames) * channelCount);
}

ebur128_state* AutoGainLUFS::freshState(int32_t mode)
{
  if (mPool)
    if (ebur128_state* state = mPool->take(mode, sampleRate))
      return state;
  return CreateLoudnessState(channelCount, sampleRate, mode);
}

void AutoGainLUFS::retireState(ebur128_state*& state)
{
  if (mPool)
    mPool->retire(state);
  else
    DestroyLoudnessState(state);
  state = nullptr;
}

void AutoGainLUFS::renewStates()
{
  retireState(mLoudnessState);
  mLoudnessState = freshState(ebur128Mode);
}

void AutoGainLUFS::destroyStates() { DestroyLoudnessState(mLoudnessState); }

void AutoGainLUFS::setSampleRate(int32_t rate)
{
  // Called by prepare, off the audio thread: the states are made here at the new rate.
  sampleRate = rate;
  destroyStates();
  renewStates();
  mFed = false;
  if (!mInterleaved)
    setMaxBlockFrames(512);
}

void AutoGainLUFS::reset()
{
  // A state that has not been fed since it was made is already fresh: restarts of the
  // detectors that are not selected cost nothing.
  if (!mFed && mLoudnessState)
    return;
  renewStates();
  mFed = false;
}

bool AutoGainLUFS::addFrames(const double* const* channels, int frames, ebur128_state* state,
                             ebur128_state* second)
{
  if (!state || !mInterleaved)
    return false;
  mFed = mFed || frames > 0;
  const int count = channelCount;
  for (int start = 0; start < frames; start += mInterleavedFrames)
  {
    const int piece = frames - start < mInterleavedFrames ? frames - start : mInterleavedFrames;
    double* out = mInterleaved.get();
    for (int i = start; i < start + piece; ++i)
      for (int c = 0; c < count; ++c)
      {
        const double x = channels[c][i];
        *out++ = std::isfinite(x) ? x : 0.0;
      }
    ebur128_add_frames_double(state, mInterleaved.get(), static_cast<size_t>(piece));
    if (second)
      ebur128_add_frames_double(second, mInterleaved.get(), static_cast<size_t>(piece));
  }
  return true;
}

AutoGainLUFSMomentary::AutoGainLUFSMomentary() : AutoGainLUFS(EBUR128_MODE_M) {}

double AutoGainLUFSMomentary::measure(const double* const* channels, int frames)
{
  if (!addFrames(channels, frames, mLoudnessState))
    return kSilence;
  double loudness = 0.0;
  ebur128_loudness_momentary(mLoudnessState, &loudness);
  return loudness;
}

AutoGainLUFSShortTerm::AutoGainLUFSShortTerm() : AutoGainLUFS(EBUR128_MODE_S) {}

double AutoGainLUFSShortTerm::measure(const double* const* channels, int frames)
{
  if (!addFrames(channels, frames, mLoudnessState))
    return kSilence;
  double loudness = 0.0;
  ebur128_loudness_shortterm(mLoudnessState, &loudness);
  return loudness;
}

AutoGainLUFSIntegrated::AutoGainLUFSIntegrated() : AutoGainLUFS(EBUR128_MODE_I) {}

AutoGainLUFSIntegrated::~AutoGainLUFSIntegrated() { DestroyLoudnessState(mShortTermState); }

void AutoGainLUFSIntegrated::renewStates()
{
  AutoGainLUFS::renewStates();
  retireState(mShortTermState);
  mShortTermState = freshState(EBUR128_MODE_S);
  // The library completes a gating block every 100 ms of frames, counted as (rate + 5) / 10.
  mFramesPerGatingStep = sampleRate > 0 ? (static_cast<int64_t>(sampleRate) + 5) / 10 : 1;
  if (mFramesPerGatingStep < 1)
    mFramesPerGatingStep = 1;
  mFramesAdded = 0;
  mGatingStepOfCache = -1;
}

void AutoGainLUFSIntegrated::destroyStates()
{
  AutoGainLUFS::destroyStates();
  DestroyLoudnessState(mShortTermState);
}

double AutoGainLUFSIntegrated::globalLoudness()
{
  const int64_t step = mFramesAdded / mFramesPerGatingStep;
  if (step != mGatingStepOfCache)
  {
    mCachedGlobal = 0.0;
    ebur128_loudness_global(mLoudnessState, &mCachedGlobal);
    mGatingStepOfCache = step;
  }
  return mCachedGlobal;
}

double AutoGainLUFSIntegrated::measure(const double* const* channels, int frames)
{
  if (!mShortTermState || !addFrames(channels, frames, mLoudnessState, mShortTermState))
    return kSilence;
  mFramesAdded += frames;
  const double integrated = globalLoudness();
  double shortTerm = 0.0;
  ebur128_loudness_shortterm(mShortTermState, &shortTerm);
  return std::fabs(shortTerm - integrated) > kShortTermDeviationLu ? shortTerm : integrated;
}
