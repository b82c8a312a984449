#include "TestPlug.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace
{
// Counts how often the editor's parameter changes and the audio blocks overlapped.
class ContendedPlug : public TestPlug
{
public:
  ContendedPlug() : TestPlug(2) { recordCalls = false; }

  void ProcessAudio(double** inputs, double** outputs, int frames) override
  {
    Enter();
    IPlugBase::ProcessAudio(inputs, outputs, frames);
    Leave();
  }
  // It does not take the mutex itself: only SetParameterFromGUI's hold keeps it apart
  // from the blocks. (The host is told after that hold, so it may overlap them.)
  void ParamChanged(int, int) override
  {
    Enter();
    changes.fetch_add(1);
    Leave();
  }

  std::atomic<int> overlaps{0};
  std::atomic<int> changes{0};

private:
  void Enter()
  {
    if (mInside.fetch_add(1) != 0)
      overlaps.fetch_add(1);
    std::this_thread::yield();
  }
  void Leave() { mInside.fetch_sub(1); }

  std::atomic<int> mInside{0};
};
}

TEST(FrameworkThreads, EditorChangesNeverInterleaveWithBlocks)
{
  constexpr int kBlocks = 2000;
  constexpr int kFrames = 32;
  ContendedPlug plug;
  plug.SetBlockFrames(kFrames);
  plug.ConnectInputChannels(0, 2, true);
  plug.ConnectOutputChannels(0, 2, true);

  std::thread audio([&] {
    std::vector<double> in(kFrames, 0.5), out(kFrames);
    double* ins[] = {in.data(), in.data()};
    double* outs[] = {out.data(), out.data()};
    for (int block = 0; block < kBlocks; ++block)
    {
      std::lock_guard<std::recursive_mutex> lock(plug.Mutex()); // as a binding does
      plug.BindInputBuffers(0, 2, ins, kFrames);
      plug.BindOutputBuffers(0, 2, outs);
      plug.RunProcessing(kFrames);
    }
  });
  for (int i = 0; i < kBlocks; ++i)
    plug.SetParameterFromGUI(i % 2, (i % 10) / 10.0);
  audio.join();

  EXPECT_EQ(plug.overlaps.load(), 0);
  EXPECT_EQ(plug.changes.load(), kBlocks);
}
