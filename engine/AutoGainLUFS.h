#pragma once

#include "engine/AutoGainBase.h"
#include "engine/LoudnessStatePool.h"

#include <ebur128.h>

#include <cstdint>
#include <memory>

// The three loudness detectors (LUFS, ITU-R BS.1770 / EBU R 128), measured by
// libebur128. The library's filtering, windows and gating are its own; this family
// feeds it whole blocks and reads the window it stands for.
//
// A state the library refuses (rate outside 16 .. 2822400 Hz, channel count outside
// 1 .. 64) leaves the detector without one: it then measures minus infinity and never
// touches a null state.
class AutoGainLUFS : public AutoGainBase
{
public:
  void setSampleRate(int32_t rate) override;
  // Starts the measurement afresh. A detector that was not fed since its states were
  // made does nothing; otherwise fresh states come from the pool when it has them (no
  // library allocation on the audio thread), and are created here when it has not.
  void reset() override;

  // Sizes the interleave scratch for blocks of up to `frames` frames; called before
  // prepare, off the audio thread. Longer blocks are fed in pieces of this size.
  void setMaxBlockFrames(int frames);
  // The pool restarts take fresh states from and hand used ones to; none by default.
  void setStatePool(LoudnessStatePool* pool) { mPool = pool; }

  bool hasState() const { return mLoudnessState != nullptr; }
  const ebur128_state* loudnessState() const { return mLoudnessState; }

  const int32_t ebur128Mode;

protected:
  explicit AutoGainLUFS(int32_t mode);
  ~AutoGainLUFS();

  // Feeds the block to `state` (and to `second` when given), interleaved, frame by frame,
  // channel 0 first. Returns false when there is no state to feed.
  bool addFrames(const double* const* channels, int frames, ebur128_state* state,
                 ebur128_state* second = nullptr);

  // A fresh state of `mode` at the detector's rate: from the pool, or created.
  ebur128_state* freshState(int32_t mode);
  void retireState(ebur128_state*& state);
  virtual void renewStates();   // retire the states in use and take fresh ones
  virtual void destroyStates(); // destroy the states in use

  ebur128_state* mLoudnessState = nullptr;

private:
  std::unique_ptr<double[]> mInterleaved;
  int mInterleavedFrames = 0;
  bool mFed = false; // frames were added since the states were made
  LoudnessStatePool* mPool = nullptr;
};

// "LUFS Mom.": the momentary loudness, a 400 ms window.
class AutoGainLUFSMomentary final : public AutoGainLUFS
{
public:
  AutoGainLUFSMomentary();
  double measure(const double* const* channels, int frames) override;
};

// "LUFS Shrt.": the short-term loudness, a 3 s window.
class AutoGainLUFSShortTerm final : public AutoGainLUFS
{
public:
  AutoGainLUFSShortTerm();
  double measure(const double* const* channels, int frames) override;
};

// "LUFS Int.": the gated integrated loudness since the last reset while the current
// short-term loudness stays within 3 LU of it, and the short-term loudness otherwise
// (in particular while no gating block has passed the gates yet).
class AutoGainLUFSIntegrated final : public AutoGainLUFS
{
public:
  AutoGainLUFSIntegrated();
  ~AutoGainLUFSIntegrated();
  double measure(const double* const* channels, int frames) override;

  static constexpr double kShortTermDeviationLu = 3.0;

protected:
  void renewStates() override;
  void destroyStates() override;

private:
  // The gated loudness changes only when a 100 ms gating block completes; between two
  // completions the last reading is reused, which keeps the cost per block flat as the
  // history grows.
  double globalLoudness();

  ebur128_state* mShortTermState = nullptr;
  int64_t mFramesAdded = 0;
  int64_t mFramesPerGatingStep = 1;
  int64_t mGatingStepOfCache = -1;
  double mCachedGlobal = 0.0;
};
