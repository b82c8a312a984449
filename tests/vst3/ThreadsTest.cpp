// A host's audio thread processing while its user-interface thread reads parameters,
// saves and restores state: the plug-in mutex keeps every call whole.

#include "Vst3Host.h"

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

using namespace vst3test;

namespace
{
TEST(Vst3Threads, ProcessOnAnotherThreadWhileTheHostReadsAndRestores)
{
  Instance i(u"Test Host", kSample32, 256);
  const std::vector<uint8> saved = stateOf(*i.plug);
  std::atomic<bool> done{false};
  std::atomic<int> failures{0};

  std::thread audio([&] {
    Block<float> block(2, 256, 0.2);
    for (int n = 0; n < 400; ++n)
    {
      block.change(kTargetValue, (n % 10) / 10.0).change(kMode, n % 2).change(IPlugVST3::kBypassParamId, n % 3 == 0);
      if (block.run(*i.plug) != kResultOk || !std::isfinite(block.outAt(0, 255)))
        ++failures;
    }
    done = true;
  });
  int rounds = 0;
  while (!done || rounds < 20)
  {
    String128 text{};
    i->getParamNormalized(kTargetValue);
    i->getParamNormalized(IPlugVST3::kBypassParamId);
    i->getParamStringByValue(kTargetValue, 0.3, text);
    i->plainParamToNormalized(kGain, 3.0);
    if (stateOf(*i.plug).empty() || restore(*i.plug, saved) != kResultOk)
      ++failures;
    ++rounds;
  }
  audio.join();
  EXPECT_EQ(failures, 0);
}

// Runs one block on a thread of its own; false when it did not end within 2 s.
bool blockEnds(IAudioProcessor& processor, Block<double>& block, std::future<tresult>& pending)
{
  pending = std::async(std::launch::async, [&] { return block.run(processor); });
  return pending.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
}

// Once a block has waited for the plug-in mutex, a block that finds it held by another
// thread runs without it. It plays the host's automation it carries as a block with the
// mutex would, and the parameter follows at the next block holding the mutex, where the
// controller reads it back.
TEST(Vst3Threads, AutomationOfABlockThatRanWithoutTheMutexIsPlayedAtOnce)
{
  Instance i;
  Block<double> block(2, 64, 0.25);
  ASSERT_EQ(block.change(kAnalyze, 0.0).run(*i.plug), kResultOk);
  EXPECT_NEAR(block.outAt(0, 63), 0.25, 1e-12);

  std::future<tresult> pending;
  for (int attempt = 0; attempt < 50 && !i->ProcessorIsLive(); ++attempt)
  {
    {
      std::unique_lock<std::recursive_mutex> held(i->Mutex());
      pending = std::async(std::launch::async, [&] { return block.run(*i.plug); });
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } // a block that waited for the mutex makes the engine the audio thread's
    ASSERT_EQ(pending.get(), kResultOk);
  }
  ASSERT_TRUE(i->ProcessorIsLive());

  {
    std::unique_lock<std::recursive_mutex> held(i->Mutex());
    block.change(kGain, kGainPlusSixNormalized);
    const bool ended = blockEnds(*i.plug, block, pending);
    if (!ended)
      held.unlock(); // let it end, then fail
    ASSERT_TRUE(ended) << "the block waited for the mutex";
    EXPECT_EQ(pending.get(), kResultOk);
    EXPECT_NEAR(block.outAt(0, 63), 0.25 * kSixDbGain, 1e-9) << "the block plays the host's gain";
    EXPECT_EQ(i->ParamAt(kGain)->Value(), 0.0) << "the parameter waits for the mutex";
  }
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  EXPECT_NEAR(block.outAt(0, 63), 0.25 * kSixDbGain, 1e-9);
  EXPECT_NEAR(i->getParamNormalized(kGain), kGainPlusSixNormalized, 1e-9);
}
} // namespace
