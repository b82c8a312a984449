#pragma once

#include "engine/AutoGainBase.h"

#include <cstdint>
#include <memory>

#include <ebur128.h>

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
  void reset() override;

  // Sizes the interleave scratch for blocks of up to `frames` frames; called before
  // prepare, off the audio thread. Longer blocks are fed in pieces of this size.
  void setMaxBlockFrames(int frames);

  bool hasState() const { return mLoudnessState != nullptr; }

  const int32_t ebur128Mode;

protected:
  explicit AutoGainLUFS(int32_t mode);
  ~AutoGainLUFS();

  // Feeds the block to `state` (and to `second` when given), interleaved, frame by frame,
  // channel 0 first. Returns false when there is no state to feed.
  bool addFrames(const double* const* channels, int frames, ebur128_state* state,
                 ebur128_state* second = nullptr);

  // Creates a state with the detector's channel map; nullptr when the library refuses.
  ebur128_state* createState(int32_t rate, int32_t mode) const;
  virtual void createStates(int32_t rate);
  virtual void destroyStates();

  ebur128_state* mLoudnessState = nullptr;

private:
  std::unique_ptr<double[]> mInterleaved;
  int mInterleavedFrames = 0;
  bool mFed = false; // frames were added since the states were created
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
  void createStates(int32_t rate) override;
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
