// The AAX plug-in where a host's threads meet: the render on its own thread while the
// host's UI thread automates, saves and loads chunks, and the editor edits.

#include "AaxHarness.h"

#include <atomic>
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
} // namespace
