// The AAX plug-in where a host's threads meet: the render on its own thread while the
// host's UI thread automates, saves and loads chunks, and the editor edits.

#include "AaxHarness.h"

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

using namespace aaxtest;

namespace
{
TEST(AaxThreads, RenderingWhileTheHostAutomatesSavesAndLoads)
{
  Plugin p;
  ASSERT_TRUE(p.plug);
  AAX_CTypeID id = 0;
  std::vector<char> state;
  ASSERT_EQ(p.instance->SaveChunk(id, state), AAX_SUCCESS);
  std::atomic<bool> stop{false};
  std::atomic<int> rendered{0};
  std::thread audio([&] {
    Buffers block(2, 256, 0.1f);
    bool playing = true;
    while (!stop.load())
    {
      p.instance->HostTransport().playing = playing;
      block.render(*p.instance);
      playing = rendered.fetch_add(1) % 7 != 0;
    }
  });
  for (int round = 0; round < 200; ++round)
  {
    p.instance->Automate("3", (round % 10) / 10.0);
    p.instance->Automate(kBypassId, round % 3 == 0 ? 1.0 : 0.0);
    p.plug->SetParameterFromGUI(kMeasure, (round % 6) / 5.0);
    if (round % 20 == 0)
    {
      std::vector<char> saved;
      EXPECT_EQ(p.instance->SaveChunk(id, saved), AAX_SUCCESS);
      EXPECT_EQ(p.instance->LoadChunk(id, state), AAX_SUCCESS);
    }
    p.instance->DeliverAutomation();
  }
  while (rendered.load() < 50)
    std::this_thread::yield();
  stop = true;
  audio.join();
  EXPECT_EQ(p.instance->HostAutomation().Dropped(), 0u);
}

// Once a render has waited for the plug-in mutex, a render that finds it held by another
// thread runs without it, and the host's bypass reaches it there.
TEST(AaxThreads, ARenderThatFindsThePluginMutexHeldRunsAndTakesTheBypass)
{
  Plugin p;
  ASSERT_TRUE(p.plug);
  Buffers block(2, 64, 0.25f);
  p->UpdateParameterNormalizedValue("5", 0.0, 0);            // "Analyze" off
  p->UpdateParameterNormalizedValue("1", 66.0 / 120.0, 0);   // "Gain" +6 dB
  block.render(*p.instance);
  EXPECT_NEAR(block.out[0][63], 0.25f * 1.9952623f, 1e-6f);

  std::future<void> pending;
  for (int attempt = 0; attempt < 50 && !p.plug->ProcessorIsLive(); ++attempt)
  {
    {
      std::unique_lock<std::recursive_mutex> held(p.plug->Mutex());
      pending = std::async(std::launch::async, [&] { block.render(*p.instance); });
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } // a render that waited for the mutex makes the engine the render thread's
    pending.get();
  }
  ASSERT_TRUE(p.plug->ProcessorIsLive());

  std::unique_lock<std::recursive_mutex> held(p.plug->Mutex());
  p->UpdateParameterNormalizedValue(kBypassId, 1.0, 0);
  pending = std::async(std::launch::async, [&] { block.render(*p.instance); });
  const bool ended = pending.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
  held.unlock();
  ASSERT_TRUE(ended) << "the render waited for the mutex";
  EXPECT_EQ(block.out[0][63], 0.25f) << "bypassed";
}
} // namespace
