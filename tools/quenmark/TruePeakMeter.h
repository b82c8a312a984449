#pragma once

#include <cstdint>
#include <vector>

// The true peak of interleaved audio: the greatest magnitude of the signal between its
// samples as well as at them, found by oversampling with a polyphase FIR interpolator
// (four times below 96 kHz, twice below 192 kHz, not at all above, where the samples are
// close enough). The interpolator is a 49-tap Hann-windowed sinc, the filter loudness
// meters commonly use, so readings agree with theirs.
//
// Each phase's output is bounded by the largest input sample under it times the sum of
// its coefficients' magnitudes, so stretches of audio that cannot beat the peak found so
// far are not interpolated: the reading is the same as interpolating everything.
namespace quenmark
{
struct TruePeakTap
{
  int back; // samples back from the current one
  double weight;
};

class TruePeakMeter
{
public:
  TruePeakMeter(int channels, int sampleRate);

  void add(const double* interleaved, std::int64_t frames);
  // Linear; at least the sample peak; 0 for silence.
  double peak() const noexcept { return mPeak; }
  int oversampling() const noexcept { return mFactor; }

private:
  static constexpr int kTaps = 49;
  static constexpr int kChunkFrames = 64; // frames decided on together by the bound

  void interpolate(const double* history, int frames);

  int mChannels;
  int mFactor;
  int mDelay; // input samples each phase looks back over, the current one included
  // Each phase's taps where the prototype has one, nearest first.
  std::vector<std::vector<TruePeakTap>> mPhases;
  double mBoundGain = 1.; // the largest sum of a phase's coefficient magnitudes
  std::vector<std::vector<double>> mHistory; // per channel: the last mDelay - 1 samples
  std::vector<std::vector<double>> mWork;    // per channel: history, then the samples added
  double mPeak = 0.;
};
} // namespace quenmark
