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

bool ProcessorOwnership::BeginLocklessBlock()
{
  int32_t expected = kLive;
  if (!mState.compare_exchange_strong(expected, kLockless, std::memory_order_acquire))
    return false;
  mLastBlockStartNs.store(nowNs(), std::memory_order_relaxed);
  return true;
}

void ProcessorOwnership::EndLocklessBlock()
{
  mState.store(kLive, std::memory_order_release);
}

void ProcessorOwnership::BlockStarted(bool waited)
{
  mLastBlockStartNs.store(nowNs(), std::memory_order_relaxed);
  if (waited)
    mState.store(kLive, std::memory_order_release);
}

bool ProcessorOwnership::ClaimIfIdle(Clock::duration staleAfter)
{
  if (mState.load(std::memory_order_acquire) == kIdle)
    return true;
  const int64_t sinceBlockNs = nowNs() - mLastBlockStartNs.load(std::memory_order_relaxed);
  if (sinceBlockNs < std::chrono::duration_cast<std::chrono::nanoseconds>(staleAfter).count())
    return false;
  return TakeBack();
}

void ProcessorOwnership::Claim()
{
  while (!TakeBack())
    std::this_thread::yield();
}

bool ProcessorOwnership::TakeBack()
{
  // A lockless block in flight keeps the processor until it ends; the audio thread runs
  // it at its own priority and waits for nothing, so this wait is one block at most.
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
