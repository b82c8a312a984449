#pragma once

#include <ebur128.h>

#include <array>
#include <cstdint>
#include <initializer_list>

// Creates a libebur128 state with the channel map of the detectors; nullptr when the
// library refuses the rate or channel count.
ebur128_state* CreateLoudnessState(int32_t channels, int32_t rate, int32_t mode);
// Destroys a state; accepts nullptr.
void DestroyLoudnessState(ebur128_state*& state);

// Fresh libebur128 states made ahead of need, off the audio thread, so that restarting a
// loudness measurement on the audio thread (a host automating "Measure", "Target Value"
// or "Analyze") neither creates nor destroys a library state there: the restart takes a
// fresh state and retires the used one, and the next replenish, off the audio thread,
// destroys what was retired and makes new fresh states.
//
// Used under the plug-in's lock, like the engine that owns it.
class LoudnessStatePool
{
public:
  LoudnessStatePool() = default;
  ~LoudnessStatePool();
  LoudnessStatePool(const LoudnessStatePool&) = delete;
  LoudnessStatePool& operator=(const LoudnessStatePool&) = delete;

  // [off the audio thread] Destroys the retired states and holds one fresh state of each
  // of `modes` at `rate`; fresh states of other modes or rates are destroyed.
  void replenish(int32_t channels, int32_t rate, std::initializer_list<int32_t> modes);
  // [off the audio thread] Destroys everything.
  void clear();

  // A fresh state of `mode` at `rate`, handed over to the caller; nullptr when there is none.
  ebur128_state* take(int32_t mode, int32_t rate);
  // Takes a used state for destruction at the next replenish; destroys it at once only
  // when the pool has no room left.
  void retire(ebur128_state* state);

  // The fresh state of `mode` waiting in the pool, if any (for tests).
  const ebur128_state* peek(int32_t mode) const;

private:
  struct Fresh
  {
    ebur128_state* state = nullptr;
    int32_t mode = 0;
    int32_t rate = 0;
  };
  static constexpr int kFreshSlots = 3;   // the integrated measure needs two modes
  static constexpr int kRetiredSlots = 8;

  std::array<Fresh, kFreshSlots> mFresh{};
  std::array<ebur128_state*, kRetiredSlots> mRetired{};
  int mRetiredCount = 0;
};
