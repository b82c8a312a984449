#include "engine/AudioPlugin.h"

#include "engine/Decibels.h"

#include <algorithm>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#endif

AudioPlugin::AudioPlugin() = default;

template <typename Action> void AudioPlugin::forEachDetector(Action action)
{
  // The preparation and restart order of the detectors.
  action(mPeakDetector);
  action(mVuDetector);
  action(mRmsDetector);
  action(mMomentaryDetector);
  action(mIntegratedDetector);
  action(mShortTermDetector);
}

AutoGainBase* AudioPlugin::detector(int32_t index)
{
  switch (index)
  {
  case kPeak: return &mPeakDetector;
  case kVU: return &mVuDetector;
  case kRMS: return &mRmsDetector;
  case kMomentary: return &mMomentaryDetector;
  case kIntegrated: return &mIntegratedDetector;
  case kShortTerm: return &mShortTermDetector;
  default: return nullptr;
  }
}

void AudioPlugin::prepareDetectors()
{
  const int32_t rate = processingRate();
  forEachDetector([rate](AutoGainBase& d) { d.prepare(rate); });
}

void AudioPlugin::setGainDb(double db)
{
  mGain = Decibels::toLinear(db);
  mRamp = false;
}

void AudioPlugin::setMeasure(int32_t index)
{
  mMeasure = index;
  forEachDetector([](AutoGainBase& d) { d.restart(); });
  mMaxLevel = kNoLevel;
}

void AudioPlugin::setTargetLevel(double db)
{
  bool changed = false;
  forEachDetector([db, &changed](AutoGainBase& d) {
    if (d.targetLevel != db)
    {
      d.restart();
      changed = true;
    }
    d.targetLevel = db;
  });
  // After an analysis the kept level stands for the material: a new target means a new
  // gain for it now, not after the next analysis.
  if (changed && !mContinuous && !mAnalyzing && mMaxLevel > kNoLevelThreshold && mMaxLevel >= mGateDb)
  {
    const double newGain = Decibels::toLinear(std::min(db - mMaxLevel, AutoGainBase::kMaxGainDb));
    if (!mRamp)
      mRampFromGain = mGain;
    mRamp = newGain != mRampFromGain;
    mGain = newGain;
  }
}

void AudioPlugin::setContinuous(bool on)
{
  mContinuous = on;
  forEachDetector([on](AutoGainBase& d) { d.continuous = on; });
  mMaxLevel = kNoLevel;
}

void AudioPlugin::setAnalyze(bool on)
{
  // Switching off leaves gain at the analysis' last target gain, applied from the next
  // block without smoothing.
  mAnalyzing = on;
  if (on)
  {
    forEachDetector([](AutoGainBase& d) { d.restart(); });
    mMaxLevel = kNoLevel;
  }
}

void AudioPlugin::setApplyGain(bool on)
{
  forEachDetector([on](AutoGainBase& d) { d.applyGain = on; });
}

void AudioPlugin::setGate(double db)
{
  mGateDb = db;
  forEachDetector([db](AutoGainBase& d) { d.gateLevel = db; });
}

void AudioPlugin::setStopped(bool on) { mStopped = on; }

void AudioPlugin::processChannels(const double* const* inputs, double* const* outputs, int frames)
{
  const bool analysisActive = (mContinuous || mAnalyzing) && !mStopped;
  if (!analysisActive)
  {
    applyFixedGain(inputs, outputs, frames);
    return;
  }
  mRamp = false;
  double level = kNoLevel; // no detector for the index: gain unchanged, audio untouched
  if (AutoGainBase* selected = detector(mMeasure))
  {
    selected->process(inputs, outputs, frames);
    mGain = selected->targetGain;
    level = selected->lastLevel;
  }
  else
  {
    for (int c = 0; c < 2; ++c)
      if (outputs[c] != inputs[c])
        std::copy(inputs[c], inputs[c] + frames, outputs[c]);
  }
  if (mContinuous || level > mMaxLevel)
    mMaxLevel = level;
}

namespace
{
// out[i] = in[i] * gain, two at a time; in and out may be the same array.
void scaleByGain(const double* in, double* out, int frames, double gain)
{
  int i = 0;
#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
  const __m128d factor = _mm_set1_pd(gain);
  for (; i + 2 <= frames; i += 2)
    _mm_storeu_pd(out + i, _mm_mul_pd(_mm_loadu_pd(in + i), factor));
#endif
  for (; i < frames; ++i)
    out[i] = in[i] * gain;
}
} // namespace

void AudioPlugin::applyFixedGain(const double* const* inputs, double* const* outputs, int frames)
{
  const double gain = mGain;
  const double* inL = inputs[0];
  const double* inR = inputs[1];
  double* outL = outputs[0];
  double* outR = outputs[1];
  if (mRamp && frames > 0)
  {
    // A linear ramp over the block from the gain applied before to the new one, so a
    // gain change made between blocks does not click. Frame i gets the gain at its end.
    const double from = mRampFromGain;
    const double step = (gain - from) / frames;
    for (int i = 0; i < frames; ++i)
    {
      const double g = i + 1 == frames ? gain : from + step * (i + 1);
      outL[i] = inL[i] * g;
      outR[i] = inR[i] * g;
    }
    mRamp = false;
    return;
  }
  scaleByGain(inL, outL, frames, gain);
  scaleByGain(inR, outR, frames, gain);
}
