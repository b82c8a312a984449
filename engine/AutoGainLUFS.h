#pragma once

#include "engine/AutoGainBase.h"
#include "engine/EnergyWindow.h"
#include "engine/GatingHistogram.h"
#include "engine/KWeightingFilter.h"

#include <cstdint>
#include <limits>

// The three loudness detectors (LUFS, ITU-R BS.1770 / EBU R 128). The block is
// K-weighted into a window of per-frame energies; the momentary and short-term readings
// are the mean energy of the last 400 ms and 3 s (counting the zeros of a reset until the
// window has filled), the integrated reading gates 400 ms blocks every 100 ms in a fixed
// histogram. 100 ms is (rate + 5) / 10 frames, counted from the last reset.
//
// Memory is sized by setSampleRate (prepare); reset() and measure() allocate nothing,
// so restarts on the audio thread are safe. Channel 0 is measured as left and channel 1
// as right; with a channelCount of 1, channel 0 alone; further channels are not read.
// A rate outside 16 .. 2822400 Hz leaves the detector unprepared: it then measures
// minus infinity.
class AutoGainLUFS : public AutoGainBase
{
public:
  void setSampleRate(int32_t rate) override;
  void reset() override;

  bool isPrepared() const { return mWindow.length() > 0; }

  static constexpr int32_t kLowestRate = 16;
  static constexpr int32_t kHighestRate = 2822400;

protected:
  explicit AutoGainLUFS(int32_t windowSteps) : mWindowSteps(windowSteps) {}
  ~AutoGainLUFS() = default;

  // Filters the block into the window, calling onStep(stepEnergy) for each 100 ms step it
  // completes. Returns false (and reads nothing) when the detector is unprepared.
  template <typename OnStep> bool addFrames(const double* const* channels, int frames, OnStep onStep)
  {
    if (!isPrepared())
      return false;
    if (frames > 0)
      mWindow.push(mFilter, channels[0], channelCount >= 2 ? channels[1] : nullptr, frames, onStep);
    return true;
  }
  // Loudness of the window, LUFS; minus infinity while it holds only silence.
  double windowLoudness() const;

  KWeightingFilter mFilter;
  EnergyWindow mWindow;

private:
  const int32_t mWindowSteps; // window length in 100 ms steps
};

// "LUFS Mom.": the momentary loudness, a 400 ms window.
class AutoGainLUFSMomentary final : public AutoGainLUFS
{
public:
  AutoGainLUFSMomentary() : AutoGainLUFS(4) {}
  double measure(const double* const* channels, int frames) override;
};

// "LUFS Shrt.": the short-term loudness, a 3 s window.
class AutoGainLUFSShortTerm final : public AutoGainLUFS
{
public:
  AutoGainLUFSShortTerm() : AutoGainLUFS(30) {}
  double measure(const double* const* channels, int frames) override;
};

// "LUFS Int.": the gated integrated loudness since the last reset while the current
// short-term loudness stays within 3 LU of it, and the short-term loudness otherwise
// (in particular while no gating block has passed the gates yet).
class AutoGainLUFSIntegrated final : public AutoGainLUFS
{
public:
  AutoGainLUFSIntegrated() : AutoGainLUFS(30) {}
  double measure(const double* const* channels, int frames) override;
  void reset() override;

  static constexpr double kShortTermDeviationLu = 3.0;

  // The gated integrated loudness alone, LUFS; minus infinity before a block passed.
  double integratedLoudness() const { return mIntegrated; }

private:
  // A 100 ms step completed: a gating block (the last four steps) is due from the fourth on.
  void completeStep(double stepEnergy);

  static constexpr int kStepsPerBlock = 4;
  GatingHistogram mHistogram;
  double mStepEnergies[kStepsPerBlock] = {};
  int64_t mSteps = 0;
  double mIntegrated = -std::numeric_limits<double>::infinity();
};
