#pragma once

#include "engine/KWeightingFilter.h"
#include "tools/quenmark/TruePeakMeter.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The tool's own measurement of audio, independent of the plug-in: integrated loudness,
// sample peak and, as asked, loudness range, true peak and the momentary and short-term
// maxima. A mono signal is measured as dual mono (one channel heard on both speakers), as
// the plug-in measures a mono bus.
//
// The K-weighted energy of every 100 ms hop is kept (a few kilobytes an hour), and the
// readings are made from them at the end: the integrated loudness from 400 ms gating
// blocks every hop, the loudness range from 3 s blocks every second, both gated as
// loudness meters gate them, and exactly, without binning.
namespace quenmark
{
struct LoudnessReading
{
  double integratedLufs;   // minus infinity for silence
  double loudnessRangeLu;  // 0 unless measured
  double truePeakDbtp;     // minus infinity for silence or when not measured
  double samplePeakDbfs;   // minus infinity for silence
  double momentaryMaxLufs; // minus infinity for silence or when not measured
  double shortTermMaxLufs; // minus infinity for silence or when not measured
  // The peak of a near-ideal reconstruction, at least truePeakDbtp: what a ceiling must
  // hold against (minus infinity for silence or when not measured).
  double reconstructedPeakDbtp = -HUGE_VAL;
};

// What a meter measures beyond integrated loudness and sample peak. True peak costs the
// most (an oversampled copy of the signal), so a pass measures it only when its result
// is used.
struct MeterParts
{
  bool loudnessRange = false;
  bool truePeak = false;
  bool maxima = false; // momentary and short-term maxima
  bool reconstructedPeak = false; // with truePeak only
  // With truePeak: notes the hops whose true peak is above this, for series().
  std::optional<double> oversAboveDbtp = std::nullopt;
};

// What a picture of the loudness over time is drawn from, one value per 100 ms hop.
struct LoudnessSeries
{
  double hopSeconds = 0.1;
  double seconds = 0.;
  std::vector<float> momentaryLufs;  // the 400 ms ending with each hop; -inf before 400 ms
  std::vector<float> shortTermLufs;  // the 3 s ending with each hop; -inf before 3 s
  double rangeLowLufs = -HUGE_VAL;   // the loudness range's bounds; -inf when none
  double rangeHighLufs = -HUGE_VAL;
  std::vector<double> overSeconds;   // starts of the hops with a true peak above the threshold
};

class LoudnessMeter
{
public:
  // Throws ToolError (kExitFailure) for more than two channels or a rate below 10 Hz.
  LoudnessMeter(int channels, int sampleRate, MeterParts parts);
  LoudnessMeter(const LoudnessMeter&) = delete;
  LoudnessMeter& operator=(const LoudnessMeter&) = delete;

  void add(const double* interleaved, std::int64_t frames);
  LoudnessReading reading() const { return readingWithGain(1.); }
  // The reading of the same audio times `gain` (linear, > 0), gated anew: what a meter
  // measures on the audio a constant gain made of it, to the last rounding.
  LoudnessReading readingWithGain(double gain) const;
  // The series of the audio times `gain` (overs as measured, without the gain).
  LoudnessSeries series(double gain = 1.) const;

private:
  void addPiece(const double* interleaved, std::int64_t frames);

  int mChannels;
  int mSampleRate;
  std::int64_t mFrames = 0;
  MeterParts mParts;
  std::int64_t mHopFrames;
  KWeightingFilter mFilter;
  std::unique_ptr<TruePeakMeter> mTruePeak;
  std::vector<double> mHopEnergies; // mean K-weighted energy per frame of each whole hop
  double mHopSum = 0.;              // of the hop being filled
  std::int64_t mHopFilled = 0;
  double mSamplePeak = 0.;
  std::vector<double> mLeft, mRight, mEnergies; // scratch for one piece
};
} // namespace quenmark
