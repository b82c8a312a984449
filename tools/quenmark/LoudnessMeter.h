#pragma once

#include <ebur128.h>

#include <cstdint>

// The tool's own measurement of audio, independent of the plug-in: integrated loudness,
// loudness range, true peak and sample peak from a libebur128 state of its own. A mono
// signal is measured as dual mono (one channel heard on both speakers), as the plug-in
// measures a mono bus.
namespace quenmark
{
struct LoudnessReading
{
  double integratedLufs;  // minus infinity for silence
  double loudnessRangeLu;
  double truePeakDbtp;    // minus infinity for silence
  double samplePeakDbfs;  // minus infinity for silence
};

class LoudnessMeter
{
public:
  // Throws ToolError (kExitFailure) when the library refuses the layout.
  LoudnessMeter(int channels, int sampleRate);
  ~LoudnessMeter();
  LoudnessMeter(const LoudnessMeter&) = delete;
  LoudnessMeter& operator=(const LoudnessMeter&) = delete;

  void add(const double* interleaved, std::int64_t frames);
  LoudnessReading reading() const;

private:
  ebur128_state* mState = nullptr;
  int mChannels;
};
} // namespace quenmark
