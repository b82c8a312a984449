#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Hands copies of audio blocks to a consumer running on a thread of its own, in order,
// so that measuring or writing one block overlaps with the plug-in's processing of the
// next. A few blocks are buffered; the producer waits when all are in use.
namespace quenmark
{
class BlockPipe
{
public:
  using Consumer = std::function<void(double* interleaved, std::int64_t frames)>;

  BlockPipe(int channels, int maxFrames, Consumer consumer);
  // Stops the thread; blocks not consumed yet are dropped (call finish() to wait).
  ~BlockPipe();
  BlockPipe(const BlockPipe&) = delete;
  BlockPipe& operator=(const BlockPipe&) = delete;

  // Copies `frames` interleaved frames (at most maxFrames) for the consumer. Rethrows
  // the consumer's first failure, after which nothing more is consumed.
  void push(const double* interleaved, std::int64_t frames);
  // Waits until every block pushed was consumed; rethrows the consumer's first failure.
  void finish();

private:
  static constexpr std::size_t kSlots = 4;
  void run();
  void rethrowLocked();

  const std::size_t mChannels;
  const std::size_t mMaxFrames;
  Consumer mConsumer;
  std::array<std::vector<double>, kSlots> mSlots;
  std::mutex mMutex;
  std::condition_variable mChanged;
  std::deque<std::pair<std::size_t, std::int64_t>> mQueue; // slot, frames; guarded by mMutex
  std::vector<std::size_t> mFree;                          // guarded by mMutex

  bool mBusy = false;                                      // guarded by mMutex
  bool mStopping = false;                                  // guarded by mMutex
  std::exception_ptr mFailure;                             // guarded by mMutex
  std::thread mThread;                                     // last: starts once the rest is built
};
} // namespace quenmark
