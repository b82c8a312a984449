#pragma once

#include "Signals.h"

#include <ebur128.h>

#include <vector>

// libebur128, the measurement of record for the loudness detectors: one state fed the
// same blocks, interleaved, that answers the momentary, short-term and global readings.
class ReferenceMeter
{
public:
  explicit ReferenceMeter(unsigned long rate, int mode = EBUR128_MODE_I | EBUR128_MODE_S)
      : mState(ebur128_init(2, rate, mode))
  {
    ebur128_set_channel(mState, 0, EBUR128_LEFT);
    ebur128_set_channel(mState, 1, EBUR128_RIGHT);
  }
  ~ReferenceMeter() { ebur128_destroy(&mState); }
  ReferenceMeter(const ReferenceMeter&) = delete;
  ReferenceMeter& operator=(const ReferenceMeter&) = delete;

  void add(StereoBuffer& block)
  {
    mInterleaved.resize(2 * static_cast<size_t>(block.frames()));
    for (size_t i = 0; i < static_cast<size_t>(block.frames()); ++i)
      mInterleaved[2 * i] = block.left[i], mInterleaved[2 * i + 1] = block.right[i];
    ebur128_add_frames_double(mState, mInterleaved.data(), static_cast<size_t>(block.frames()));
  }
  double momentary() { double v = 0.0; ebur128_loudness_momentary(mState, &v); return v; }
  double shortTerm() { double v = 0.0; ebur128_loudness_shortterm(mState, &v); return v; }
  double global() { double v = 0.0; ebur128_loudness_global(mState, &v); return v; }

private:
  ebur128_state* mState;
  std::vector<double> mInterleaved;
};
