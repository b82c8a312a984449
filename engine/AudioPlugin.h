#pragma once

#include "engine/AudioProcessor.h"
#include "engine/AutoGainDB.h"
#include "engine/AutoGainLUFS.h"
#include "engine/AutoGainRMS.h"
#include "engine/AutoGainVU.h"

#include <cstdint>

// The loudness engine of one plug-in instance. While an analysis runs it feeds each block
// to the detector chosen by "Measure", takes over that detector's target gain and keeps
// the highest (Standard) or latest (Continuous) level; otherwise it multiplies the block
// by a fixed gain.
//
// Every operation is called with the plug-in's lock held, so the engine is never used by
// two threads at once and takes no lock of its own.
class AudioPlugin final : public AudioProcessor
{
public:
  // Measure indices, in the order of the "Measure" parameter's list.
  enum Measure : int32_t
  {
    kPeak = 0,         // "dBFS"
    kVU = 1,           // "VU (-18)"
    kRMS = 2,          // "RMS"
    kMomentary = 3,    // "LUFS Mom."
    kIntegrated = 4,   // "LUFS Int."
    kShortTerm = 5,    // "LUFS Shrt."
    kMeasureCount = 6
  };

  static constexpr double kNoLevel = -100.0;
  // Kept levels at or below it count as none (the readouts show "-INF" there too).
  static constexpr double kNoLevelThreshold = -99.0;

  AudioPlugin();

  void setGainDb(double db);          // fixed gain while not analysing
  void setMeasure(int32_t index);     // restarts all detectors; clears the level
  // Restarts each detector whose target changes. In Standard mode with no analysis
  // running and a measured level kept, the gain law is applied to that level and the new
  // target at once; the next fixed-gain block ramps to the new gain.
  void setTargetLevel(double db);
  void setContinuous(bool on);        // Continuous mode; clears the level
  void setAnalyze(bool on);           // on: restarts all detectors, clears the level
  void setApplyGain(bool on);         // "Normalize"
  void setGate(double db);
  void setStopped(bool on);           // host transport stopped (after having run)

  // Linear gain: fixed while not analysing, the detector's target gain while analysing.
  double gain() const { return mGain; }
  // Measured level kept for the readout and the saved state, detector unit.
  double maxLevel() const { return mMaxLevel; }
  void setMaxLevel(double level) { mMaxLevel = level; }

  int32_t measure() const { return mMeasure; }
  bool isContinuous() const { return mContinuous; }
  bool isAnalyzing() const { return mAnalyzing; }
  bool isStopped() const { return mStopped; }

  // The detector of a measure index; nullptr outside 0 .. 5.
  AutoGainBase* detector(int32_t index);

protected:
  void processChannels(const double* const* inputs, double* const* outputs, int frames) override;
  void prepareDetectors() override;

private:
  template <typename Action> void forEachDetector(Action action);
  void applyFixedGain(const double* const* inputs, double* const* outputs, int frames);

  AutoGainDB mPeakDetector;
  AutoGainVU mVuDetector;
  AutoGainRMS mRmsDetector;
  AutoGainLUFSIntegrated mIntegratedDetector;
  AutoGainLUFSMomentary mMomentaryDetector;
  AutoGainLUFSShortTerm mShortTermDetector;

  double mGain = 1.0;
  double mRampFromGain = 1.0; // the gain the next fixed-gain block starts from while mRamp is set
  bool mRamp = false;
  double mGateDb = -120.0;
  double mMaxLevel = kNoLevel;
  int32_t mMeasure = kPeak;
  bool mContinuous = false;
  bool mAnalyzing = false;
  bool mStopped = false;
};
