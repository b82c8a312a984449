#include "WDL/IPlug/ProcessorOwnership.h"

#include <thread>

#if defined(__x86_64__) || defined(_M_X64) || defined(_M_AMD64)
#ifdef _MSC_VER
#include <intrin.h>
#else
#include <x86intrin.h>
#endif
#define OWNERSHIP_TIME_STAMP_COUNTER 1
#endif

namespace
{
// Every block stamps its start, so the stamp must cost next to nothing: the processor's
// time-stamp counter where there is one (a third of what the steady clock costs), the
// steady clock's nanoseconds elsewhere. Only the threads that ask whether blocks stopped
// turn ticks into time. Counters that run apart on different cores only make a take-back
// come earlier or later: who owns the processor never depends on time.
int64_t BlockTicks()
{
#ifdef OWNERSHIP_TIME_STAMP_COUNTER
  return static_cast<int64_t>(__rdtsc());
#else
  return std::chrono::duration_cast<std::chrono::nanoseconds>(ProcessorOwnership::Clock::now().time_since_epoch())
      .count();
#endif
}

// Nanoseconds a tick, measured once against the steady clock over a millisecond.
double NanosecondsPerTick()
{
#ifdef OWNERSHIP_TIME_STAMP_COUNTER
  static const double rate = [] {
    using Clock = ProcessorOwnership::Clock;
    const Clock::time_point start = Clock::now();
    const int64_t startTicks = BlockTicks();
    Clock::time_point now = start;
    while (now - start < std::chrono::milliseconds(1))
      now = Clock::now();
    const int64_t ticks = BlockTicks() - startTicks;
    const double ns = std::chrono::duration<double, std::nano>(now - start).count();
    return ticks > 0 ? ns / static_cast<double>(ticks) : 1.0;
  }();
  return rate;
#else
  return 1.0;
#endif
}
}

ProcessorOwnership::ProcessorOwnership()
{
  NanosecondsPerTick(); // measured on the thread that creates the plug-in, never on a block's
}

void ProcessorOwnership::NoteBlockStart()
{
  mLastBlockStartTicks.store(BlockTicks(), std::memory_order_relaxed);
  const std::thread::id thread = std::this_thread::get_id();
  if (mLastAudioThread.load(std::memory_order_relaxed) != thread)
    mLastAudioThread.store(thread, std::memory_order_relaxed);
}

bool ProcessorOwnership::BeginLocklessBlock()
{
  // A pending claim or an inactive plug-in sends the block to the mutex instead.
  if (mClaimsPending.load(std::memory_order_acquire) != 0 || !mActive.load(std::memory_order_acquire))
    return false;
  int32_t expected = kLive;
  if (!mState.compare_exchange_strong(expected, kLockless, std::memory_order_acq_rel))
    return false;
  if (mClaimsPending.load(std::memory_order_acquire) != 0)
  {
    // A claim arrived between the two checks: give the processor straight back.
    mState.store(kLive, std::memory_order_release);
    return false;
  }
  NoteBlockStart();
  return true;
}

void ProcessorOwnership::EndLocklessBlock()
{
  mState.store(kLive, std::memory_order_release);
}

void ProcessorOwnership::BlockStarted(bool waited)
{
  NoteBlockStart();
  if (waited && mActive.load(std::memory_order_acquire))
    mState.store(kLive, std::memory_order_release);
}

bool ProcessorOwnership::BlocksStopped(Clock::duration staleAfter) const
{
  const double perTick = NanosecondsPerTick();
  const int64_t sinceBlock = BlockTicks() - mLastBlockStartTicks.load(std::memory_order_relaxed);
  const double sinceBlockNs = static_cast<double>(sinceBlock) * perTick;
  return sinceBlockNs >= std::chrono::duration<double, std::nano>(staleAfter).count();
}

bool ProcessorOwnership::ClaimIfIdle(Clock::duration staleAfter)
{
  if (mState.load(std::memory_order_acquire) == kIdle)
    return true;
  // The audio thread itself, between blocks (a host saving from its processing thread):
  // no block can be in flight, and none would come while it waited.
  const bool betweenOwnBlocks = mLastAudioThread.load(std::memory_order_relaxed) == std::this_thread::get_id() &&
                                mState.load(std::memory_order_acquire) == kLive;
  if (!betweenOwnBlocks && !BlocksStopped(staleAfter))
    return false;
  Claim();
  return true;
}

void ProcessorOwnership::Claim()
{
  mClaimsPending.fetch_add(1, std::memory_order_acq_rel);
  while (!TakeBack())
    std::this_thread::yield();
  mClaimsPending.fetch_sub(1, std::memory_order_acq_rel);
}

void ProcessorOwnership::SetActive(bool active)
{
  if (!active)
  {
    mActive.store(false, std::memory_order_release);
    Claim(); // no block comes until the next activation
  }
  else
  {
    mActive.store(true, std::memory_order_release);
  }
}

bool ProcessorOwnership::TakeBack()
{
  // A lockless block in flight keeps the processor until it ends; the audio thread runs
  // it at its own priority and waits for nothing, and with a claim pending the next block
  // waits for the mutex, so this wait is one block at most.
  for (;;)
  {
    int32_t expected = mState.load(std::memory_order_acquire);
    if (expected == kIdle)
      return true;
    if (expected == kLive && mState.compare_exchange_weak(expected, kIdle, std::memory_order_acq_rel))
      return true;
    if (expected == kLockless)
      std::this_thread::yield();
  }
}
