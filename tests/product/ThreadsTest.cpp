#include "Harness.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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

// An audio thread never waits for another instance: while another thread holds the
// group tables, host automation of "Group" and a preset recall still finish their block,
// and the membership they asked for is made at a later block.
TEST(ProductThreads, AnAudioThreadNeverWaitsWhileAnotherThreadHoldsTheGroupTables)
{
  Harness member(256), leader(256);
  leader.editorSets(kGroup, 4);
  std::unique_lock<std::mutex> held(GroupLink::TablesMutexForTests());

  std::atomic<int> blocksDone{0};
  std::thread audio([&] {
    std::vector<double> left(256, 0.1), right(256, 0.1);
    member.hostSets(kGroup, 4);
    member.process(left, right);
    blocksDone.fetch_add(1);
    member.plug->RecallPresetValues(0); // back to "No Group"
    member.hostSets(kGroup, 4);
    member.process(left, right);
    blocksDone.fetch_add(1);
  });
  // Bounded wait: a thread blocked on the tables never gets here.
  for (int i = 0; i < 2000 && blocksDone.load() < 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(blocksDone.load(), 2) << "the audio thread waited for the group tables";
  held.unlock();
  audio.join();

  // The owed join is made at the next block: the member then takes the group's values.
  leader.editorSets(kTargetValue, -9.0);
  std::vector<double> left(256, 0.1), right(256, 0.1);
  member.process(left, right);
  EXPECT_TRUE(member->Group().InGroup());
  EXPECT_EQ(member.value(kTargetValue), -9.0);
}
