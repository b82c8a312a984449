#include "engine/AutoGainLUFS.h"

#include <cmath>
#include <limits>

namespace
{
constexpr double kSilence = -std::numeric_limits<double>::infinity();
}

void AutoGainLUFS::setSampleRate(int32_t rate)
{
  // Called by prepare, off the audio thread: the only place the window is sized.
  sampleRate = rate;
  const bool usable = rate >= kLowestRate && rate <= kHighestRate;
  const int32_t stepFrames = usable ? (rate + 5) / 10 : 0;
  mWindow.allocate(stepFrames, mWindowSteps);
  mFilter.setSampleRate(usable ? rate : 1);
}

void AutoGainLUFS::reset()
{
  mWindow.clear();
  mFilter.reset();
}

double AutoGainLUFS::windowLoudness() const
{
  const double energy = mWindow.meanEnergy();
  return energy > 0.0 ? GatingHistogram::loudnessOfEnergy(energy) : kSilence;
}

double AutoGainLUFSMomentary::measure(const double* const* channels, int frames)
{
  return addFrames(channels, frames, [](double) {}) ? windowLoudness() : kSilence;
}

double AutoGainLUFSShortTerm::measure(const double* const* channels, int frames)
{
  return addFrames(channels, frames, [](double) {}) ? windowLoudness() : kSilence;
}

void AutoGainLUFSIntegrated::reset()
{
  AutoGainLUFS::reset();
  mHistogram.clear();
  mSteps = 0;
  mIntegrated = kSilence;
}

void AutoGainLUFSIntegrated::completeStep(double stepEnergy)
{
  mStepEnergies[mSteps % kStepsPerBlock] = stepEnergy;
  ++mSteps;
  if (mSteps < kStepsPerBlock)
    return;
  const double blockEnergy = (mStepEnergies[0] + mStepEnergies[1] + mStepEnergies[2] + mStepEnergies[3]) /
                             (static_cast<double>(mWindow.stepFrames()) * kStepsPerBlock);
  const int64_t kept = mHistogram.blockCount();
  mHistogram.add(blockEnergy);
  if (mHistogram.blockCount() != kept) // the reading changes only when a block passes the absolute gate
    mIntegrated = mHistogram.gatedLoudness();
}

double AutoGainLUFSIntegrated::measure(const double* const* channels, int frames)
{
  if (!addFrames(channels, frames, [this](double stepEnergy) { completeStep(stepEnergy); }))
    return kSilence;
  const double shortTerm = windowLoudness();
  return std::fabs(shortTerm - mIntegrated) > kShortTermDeviationLu ? shortTerm : mIntegrated;
}
