#include "tools/quenmark/BlockPipe.h"

#include <algorithm>

namespace quenmark
{
BlockPipe::BlockPipe(int channels, int maxFrames, Consumer consumer)
  : mChannels(static_cast<std::size_t>(channels)),
    mMaxFrames(static_cast<std::size_t>(maxFrames)),
    mConsumer(std::move(consumer))
{
  for (std::size_t slot = 0; slot < kSlots; ++slot)
  {
    mSlots[slot].resize(mChannels * mMaxFrames);
    mFree.push_back(slot);
  }
  mThread = std::thread([this] { run(); });
}

BlockPipe::~BlockPipe()
{
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mStopping = true;
  }
  mChanged.notify_all();
  mThread.join();
}

void BlockPipe::rethrowLocked()
{
  if (mFailure)
    std::rethrow_exception(mFailure);
}

void BlockPipe::push(const double* interleaved, std::int64_t frames)
{
  const std::size_t count = std::min(static_cast<std::size_t>(std::max<std::int64_t>(frames, 0)), mMaxFrames);
  std::size_t slot = 0;
  {
    std::unique_lock<std::mutex> lock(mMutex);
    // With every slot in use, wait until half are free again: the two threads then meet
    // once every few blocks instead of at every block.
    if (mFree.empty())
      mChanged.wait(lock, [this] { return mFree.size() >= kSlots / 2 || mFailure; });
    rethrowLocked();
    slot = mFree.back();
    mFree.pop_back();
  }
  // The slot belongs to this thread until it is queued.
  std::copy_n(interleaved, count * mChannels, mSlots[slot].data());
  bool wasIdle = false;
  {
    std::lock_guard<std::mutex> lock(mMutex);
    mQueue.emplace_back(slot, static_cast<std::int64_t>(count));
    wasIdle = mQueue.size() == 1 && !mBusy; // only then can the consumer be waiting
  }
  if (wasIdle)
    mChanged.notify_all();
}

void BlockPipe::finish()
{
  std::unique_lock<std::mutex> lock(mMutex);
  mChanged.wait(lock, [this] { return (mQueue.empty() && !mBusy) || mFailure; });
  rethrowLocked();
}

void BlockPipe::run()
{
  std::unique_lock<std::mutex> lock(mMutex);
  for (;;)
  {
    mChanged.wait(lock, [this] { return !mQueue.empty() || mStopping; });
    if (mStopping)
      return;
    const auto [slot, frames] = mQueue.front();
    mQueue.pop_front();
    mBusy = true;
    lock.unlock();
    std::exception_ptr failure;
    try
    {
      mConsumer(mSlots[slot].data(), frames);
    }
    catch (...)
    {
      failure = std::current_exception();
    }
    lock.lock();
    mBusy = false;
    mFree.push_back(slot);
    if (failure && !mFailure)
      mFailure = failure;
    if (mFailure) // nothing more is consumed after a failure
    {
      for (const auto& queued : mQueue)
        mFree.push_back(queued.first);
      mQueue.clear();
    }
    // Wakes the producer when half the slots are free, and finish() when all are done.
    if (mFree.size() == kSlots / 2 || mQueue.empty() || mFailure)
      mChanged.notify_all();
  }
}
} // namespace quenmark
