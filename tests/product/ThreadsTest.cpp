#include "Harness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

// Instances of one group processing on their own audio threads while their editors
// change values and receive: run under the thread sanitizer, any data race fails it.
TEST(ProductThreads, GroupMembersProcessConcurrently)
{
  constexpr int kMembers = 3;
  constexpr int kBlocks = 400;
  std::vector<std::unique_ptr<Harness>> members;
  for (int i = 0; i < kMembers; ++i)
  {
    members.push_back(std::make_unique<Harness>(256));
    members.back()->editorSets(kGroup, 2);
    members.back()->setTransport(true);
  }

  std::atomic<bool> done{false};
  std::vector<std::thread> audio;
  for (int m = 0; m < kMembers; ++m)
    audio.emplace_back([&, m] {
      Harness& h = *members[static_cast<size_t>(m)];
      std::vector<double> left(256), right(256);
      for (int b = 0; b < kBlocks; ++b)
      {
        for (int i = 0; i < 256; ++i)
          left[static_cast<size_t>(i)] = right[static_cast<size_t>(i)] = 0.1 * std::sin(0.03 * (b * 256 + i) + m);
        h.process(left, right);
      }
    });

  std::thread editor([&] {
    for (int i = 0; !done.load(); ++i)
    {
      Harness& h = *members[static_cast<size_t>(i % kMembers)];
      h.editorSets(kTargetValue, -10.0 - (i % 20));
      members[static_cast<size_t>((i + 1) % kMembers)]->plug->OnEditorIdle();
      ChunkBuffer state;
      h->SerializeState(state);
      (void)h->ReadoutValues().level();
      std::this_thread::yield();
    }
  });

  for (auto& t : audio)
    t.join();
  done = true;
  editor.join();

  // After the dust settles, one more editor change reaches everyone.
  members[0]->editorSets(kTargetValue, -7.0);
  for (auto& h : members)
  {
    std::vector<double> left(256, 0.0), right(256, 0.0);
    h->process(left, right);
    EXPECT_EQ(h->value(kTargetValue), -7.0);
  }
}
