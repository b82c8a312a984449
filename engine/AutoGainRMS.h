#pragma once

#include "engine/AutoGainBase.h"
#include "engine/CircularBuffer.h"

// RMS over 600 ms ("RMS"): the root mean square of the last N per-frame peaks across
// channels, N = 600 ms of frames. Until N frames have arrived after a reset the zeros of
// the reset take part, so the reading rises over the first 600 ms.
class AutoGainRMS final : public AutoGainBase
{
public:
  double measure(const double* const* channels, int frames) override;
  void setSampleRate(int32_t rate) override;
  // Allocates the window; called by prepare and restart, never on the audio thread.
  void reset() override;

  static constexpr int32_t kWindowMilliseconds = 600;

  // Linear RMS of the last block.
  double lastRms() const { return mLastRms; }
  const RMSBuffer& window() const { return mWindow; }

private:
  RMSBuffer mWindow;
  int32_t mRate = 44100;
  double mLastRms = 0.0;
};
