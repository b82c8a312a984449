#pragma once

#include <ebur128.h>

#include <array>
#include <cstdint>
#include <memory>

// The tool's own measurement of audio, independent of the plug-in: integrated loudness,
// sample peak and, as asked, loudness range, true peak and the momentary and short-term
// maxima, from a libebur128 state of its own. A mono signal is measured as dual mono
// (one channel heard on both speakers), as the plug-in measures a mono bus.
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
};

// What a meter measures beyond integrated loudness and sample peak. True peak costs the
// most (a four-times oversampled copy of the signal), so a pass measures it only when
// its result is used, and on a thread of its own.
struct MeterParts
{
  bool loudnessRange = false;
  bool truePeak = false;
  bool maxima = false; // momentary and short-term maxima
};

class BlockPipe;

class LoudnessMeter
{
public:
  // Throws ToolError (kExitFailure) when the library refuses the layout.
  LoudnessMeter(int channels, int sampleRate, MeterParts parts);
  ~LoudnessMeter();
  LoudnessMeter(const LoudnessMeter&) = delete;
  LoudnessMeter& operator=(const LoudnessMeter&) = delete;

  void add(const double* interleaved, std::int64_t frames);
  // Waits for the true-peak thread; throws ToolError if the library failed there.
  LoudnessReading reading() const;


private:
  void addToLibrary(const double* interleaved, std::int64_t frames);
  void endHop();

  // The maxima are read every 100 ms, as a meter shows them: the mean energy of the last
  // 4 hops (momentary, 400 ms) and of the last 30 (short-term, 3 s), the part of a
  // window before the start counting as silence.
  static constexpr int kShortTermHops = 30;
  static constexpr int kPipeFrames = 8192; // frames per block handed to the true-peak thread
  static constexpr int kMomentaryHops = 4;

  ebur128_state* mState = nullptr;
  ebur128_state* mPeakState = nullptr; // true peak only, fed by mPeakPipe
  std::unique_ptr<BlockPipe> mPeakPipe;
  int mChannels;
  MeterParts mParts;
  std::int64_t mHopFrames;
  std::int64_t mHopFilled = 0;
  std::array<double, kShortTermHops> mHopEnergy{};
  int mNewestHop = -1;
  double mMomentaryMaxEnergy = 0.;
  double mShortTermMaxEnergy = 0.;
};
} // namespace quenmark
