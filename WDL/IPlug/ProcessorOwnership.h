#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

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
//
// Three rules keep the edges plain. While the plug-in is inactive no block makes the
// processor live, so rate, block size and buffers change only under the caller's
// ownership. A thread that must take the processor back while blocks run (Claim) marks
// the claim first: the next block then waits for the mutex instead of starting another
// lockless block, so a claim ends within the block in flight. And the thread that ran the
// last block may take the processor back at once between blocks: no block can be in
// flight while it is busy elsewhere.
class ProcessorOwnership
{
public:
  using Clock = std::chrono::steady_clock;

  ProcessorOwnership();
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
  // it is idle, the caller is the thread that ran the last block, or no block has started
  // within `staleAfter`; then it is taken back now. A lockless block still running is
  // waited out; it is short and waits for nobody.
  bool ClaimIfIdle(Clock::duration staleAfter);
  // [any thread, holding the plug-in mutex] Takes the processor back whatever the time:
  // the host stopped processing, or the hand-over queue is full. Waits at most for the
  // lockless block in flight: later blocks wait for the mutex.
  void Claim();
  // [any thread, holding the plug-in mutex] The host activated or deactivated the plug-in.
  // Deactivation takes the processor back, and until the next activation blocks never make
  // it live.
  void SetActive(bool active);

  bool IsLive() const { return mState.load(std::memory_order_acquire) != kIdle; }
  // [any thread] True when no block has started within `staleAfter`.
  bool BlocksStopped(Clock::duration staleAfter) const;

private:
  enum State : int32_t { kIdle = 0, kLive = 1, kLockless = 2 };
  bool TakeBack();
  void NoteBlockStart();

  std::atomic<int32_t> mState{kIdle};
  std::atomic<int64_t> mLastBlockStartTicks{0}; // BlockTicks() at the last block's start
  std::atomic<int32_t> mClaimsPending{0};
  std::atomic<bool> mActive{true};
  std::atomic<std::thread::id> mLastAudioThread{};
};
