#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

// Decides which thread may touch an instance's processor: what its audio blocks work on
// (the product's engine and its per-block records). Everything else of the instance (its
// parameters, the editor, the group link) stays under the plug-in mutex.
//
// "Idle" is the plain case: whoever holds the plug-in mutex may touch the processor, and
// the audio thread holds the mutex around each block. When a block finds the mutex held
// by another thread, it waits for it this once and the processor turns "live": from then
// on a block that finds the mutex busy runs without it rather than wait, and threads
// holding the mutex must not touch the processor but hand their changes to the audio
// thread (the product queues them; the next block applies them before its audio). When no
// block has started for a while, a thread holding the mutex takes the processor back
// ("idle" again) and works on it directly, so a host that stops processing still sees
// every change take effect at once.
class ProcessorOwnership
{
public:
  using Clock = std::chrono::steady_clock;

  ProcessorOwnership() = default;
  ProcessorOwnership(const ProcessorOwnership&) = delete;
  ProcessorOwnership& operator=(const ProcessorOwnership&) = delete;

  // [audio thread, without the plug-in mutex] True when the coming block may run without
  // the mutex: the processor is live and is now this block's until EndLocklessBlock. On
  // false the block must wait for the mutex.
  bool BeginLocklessBlock();
  void EndLocklessBlock();
  // [audio thread, holding the plug-in mutex] A block starts. `waited`: it found the mutex
  // busy and waited for it, which makes the processor live.
  void BlockStarted(bool waited);

  // [any thread, holding the plug-in mutex] True when the caller may touch the processor:
  // it is idle, or no block has started within `staleAfter` and it is taken back now. A
  // lockless block still running is waited out; it is short and waits for nobody.
  bool ClaimIfIdle(Clock::duration staleAfter);
  // [any thread, holding the plug-in mutex] Takes the processor back whatever the time:
  // the host stopped processing, or the hand-over queue is full.
  void Claim();

  bool IsLive() const { return mState.load(std::memory_order_acquire) != kIdle; }

private:
  enum State : int32_t { kIdle = 0, kLive = 1, kLockless = 2 };
  bool TakeBack();

  std::atomic<int32_t> mState{kIdle};
  std::atomic<int64_t> mLastBlockStartNs{0};
};
