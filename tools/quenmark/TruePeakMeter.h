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
//
// Four times is not enough to hold a ceiling: a crest between two of its outputs, or in
// content near the Nyquist frequency that its short filter attenuates, reads up to
// several tenths of a dB low. On request the meter also finds the peak of a near-ideal
// band-limited reconstruction (a 256-tap Kaiser-windowed sinc, 32 points per sample),
// evaluated only around the oversampled outputs that come within a few dB of the peak
// found so far; that costs little, since crests near the peak are rare.
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
  // With `reconstruct`, reconstructedPeak() is measured as well.
  TruePeakMeter(int channels, int sampleRate, bool reconstruct = false);

  void add(const double* interleaved, std::int64_t frames);
  // Linear; at least the sample peak; 0 for silence.
  double peak() const noexcept { return mPeak; }
  // Linear: the peak of the band-limited reconstruction of everything added (silence
  // after the end), never below peak(); peak() when not measured.
  double reconstructedPeak() const;
  // Notes from now on which hops of `hopFrames` frames hold an oversampled output above
  // `threshold` (linear): where a picture marks the overs.
  void trackOvers(double threshold, std::int64_t hopFrames);
  // In order, each once.
  std::vector<std::int64_t> overHops() const;
  int oversampling() const noexcept { return mFactor; }

private:
  static constexpr int kTaps = 49;
  static constexpr int kChunkFrames = 64; // frames decided on together by the bound

  // The reconstruction's half length in input samples, its points per sample, and the
  // samples of each channel kept for it (enough for the intervals still pending).
  static constexpr int kFineHalfTaps = 128;
  static constexpr int kFineSteps = 32;
  static constexpr int kFineKeep = 2 * kFineHalfTaps + 64;
  static constexpr int kLongestInterval = 32;

  // Returns the largest magnitude of the chunk's oversampled outputs.
  double interpolate(const double* history, int frames);
  // Marks for reconstruction the surroundings of every oversampled output of the chunk
  // that comes near the peak; `first` is the absolute frame of input[0].
  void markCandidates(std::size_t channel, const double* input, int frames, std::int64_t first);
  // The reconstruction's peak over [begin, end) of one channel; `samples` holds the
  // channel from absolute frame `origin` on.
  double reconstruct(const double* samples, std::int64_t origin, std::int64_t begin, std::int64_t end) const;
  double candidateThreshold() const noexcept;

  int mChannels;
  int mFactor;
  int mDelay; // input samples each phase looks back over, the current one included
  // Each phase's taps where the prototype has one, nearest first.
  std::vector<std::vector<TruePeakTap>> mPhases;
  double mBoundGain = 1.; // the largest sum of a phase's coefficient magnitudes
  std::vector<std::vector<double>> mHistory; // per channel: the last mDelay - 1 samples
  std::vector<std::vector<double>> mWork;    // per channel: history, then the samples added
  double mPeak = 0.;

  struct Interval
  {
    std::int64_t begin, end; // absolute frames
  };
  bool mReconstruct = false;
  std::vector<double> mFineKernel;                    // kFineSteps rows of 2 * kFineHalfTaps taps
  std::vector<std::vector<double>> mFineHistory;      // per channel: the last kFineKeep samples
  std::vector<std::vector<Interval>> mPending;        // per channel, waiting for later samples
  std::vector<double> mFineWork;
  std::int64_t mFrames = 0;                           // frames added so far
  double mFinePeak = 0.;

  double mOverThreshold = 0.;
  std::int64_t mOverHopFrames = 0; // 0: overs not tracked
  std::vector<std::int64_t> mOverHops;
};
} // namespace quenmark
