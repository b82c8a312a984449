#pragma once

#include <array>
#include <atomic>
#include <cstdint>

// A change for the engine: the value a parameter now has, or a recall's level and gain.
struct EngineCommand
{
  enum Kind : int32_t
  {
    kParameter, // parameter `index` now has `value`
    // Parameter `index` now has `value`, which a block without the mutex received (a host
    // value the engine took at once, or a preset's): applied only where the engine holds
    // another value, and older than any stop seen since.
    kParameterFromLocklessBlock,
    kKeepLevel, // remember the measured level, for a recall that carries none
    kRecall,    // install `value` as the measured level (NaN: the one kept) and `gainDb`
    kSnapshot   // record the measured level for reader number `value`
  };
  Kind kind = kParameter;
  int32_t index = 0;
  double value = 0.0;
  double gainDb = 0.0;
};

// The changes other threads hand to the audio thread while it owns the engine, in order.
// A fixed ring: one producer at a time (producers hold the plug-in mutex) and one
// consumer at a time (the thread that owns the engine). Nothing allocates or waits.
class EngineCommandQueue
{
public:
  static constexpr uint64_t kCapacity = 256;

  // False, with nothing queued, when the ring is full.
  bool TryPush(const EngineCommand& command)
  {
    const uint64_t posted = mPosted.load(std::memory_order_relaxed);
    if (posted - mTaken.load(std::memory_order_acquire) >= kCapacity)
      return false;
    mRing[posted % kCapacity] = command;
    mPosted.store(posted + 1, std::memory_order_release);
    return true;
  }

  // Calls apply(command) for every queued command, oldest first.
  template <typename Apply>
  void Drain(Apply&& apply)
  {
    uint64_t taken = mTaken.load(std::memory_order_relaxed);
    const uint64_t posted = mPosted.load(std::memory_order_acquire);
    for (; taken != posted; ++taken)
    {
      apply(mRing[taken % kCapacity]);
      mTaken.store(taken + 1, std::memory_order_release);
    }
  }

  // How many commands were ever queued, and how many of them were applied.
  uint64_t Posted() const { return mPosted.load(std::memory_order_acquire); }
  uint64_t Taken() const { return mTaken.load(std::memory_order_acquire); }

private:
  std::array<EngineCommand, kCapacity> mRing{};
  std::atomic<uint64_t> mPosted{0};
  std::atomic<uint64_t> mTaken{0};
};
