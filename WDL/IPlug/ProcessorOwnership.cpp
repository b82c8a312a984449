#include "WDL/IPlug/ProcessorOwnership.h"

#include <thread>

namespace
{
int64_t nowNs()
{
  return std::chrono::duration_cast<std::chrono::nanoseconds>(ProcessorOwnership::Clock::now().time_since_epoch())
      .count();
}
}

void ProcessorOwnership::NoteBlockStart()
{
  mLastBlockStartNs.store(nowNs(), std::memory_order_relaxed);
  mLastAudioThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
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
  const int64_t sinceBlockNs = nowNs() - mLastBlockStartNs.load(std::memory_order_relaxed);
  return sinceBlockNs >= std::chrono::duration_cast<std::chrono::nanoseconds>(staleAfter).count();
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
