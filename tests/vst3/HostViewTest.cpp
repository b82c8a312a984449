// What the host sees of the changes the plug-in makes itself: a transport stop ending the
// analysis, values received from the group, a preset recalled by the host. On the audio
// thread they travel with the block's output parameter changes; on the user-interface
// thread through the component handler, never while the plug-in mutex is held.

#include "Vst3Host.h"

#include <map>
#include <thread>

using namespace vst3test;

namespace
{
// The last value of each queue of a block's output changes.
std::map<ParamID, double> reported(ParameterChanges& changes)
{
  std::map<ParamID, double> values;
  for (int32 q = 0; q < changes.getParameterCount(); ++q)
  {
    IParamValueQueue* queue = changes.getParameterData(q);
    int32 offset = 0;
    ParamValue value = 0.0;
    if (queue != nullptr && queue->getPoint(queue->getPointCount() - 1, offset, value) == kResultOk)
      values[queue->getParameterId()] = value;
  }
  return values;
}

// A block with an output list and a process context whose transport the test moves.
struct HostBlock
{
  HostBlock() : output(IPtr<ParameterChanges>::adopt(new ParameterChanges))
  {
    block.data.outputParameterChanges = output.get();
    block.data.processContext = &context;
  }
  std::map<ParamID, double> run(Instance& i, bool playing)
  {
    context.state = playing ? ProcessContext::kPlaying : 0;
    output->clear();
    EXPECT_EQ(block.run(*i.plug), kResultOk);
    return reported(*output.get());
  }
  Block<float> block{2, 256, 0.1};
  ProcessContext context{};
  IPtr<ParameterChanges> output;
};

// A handler that also notes whether the plug-in mutex was free when it was called.
class LockCheckingHandler : public RecordingHandler
{
public:
  explicit LockCheckingHandler(IPlugBase& plug) : mPlug(plug) {}
  tresult PLUGIN_API performEdit(ParamID id, ParamValue value) override
  {
    // The handler runs on the calling thread: a re-entrant mutex held there would be
    // taken again, so the test asks another thread.
    bool free = false;
    std::thread([&] { free = mPlug.Mutex().try_lock(); if (free) mPlug.Mutex().unlock(); }).join();
    calledWithMutexHeld = calledWithMutexHeld || !free;
    return RecordingHandler::performEdit(id, value);
  }
  bool calledWithMutexHeld = false;

private:
  IPlugBase& mPlug;
};
} // namespace

TEST(Vst3HostView, ATransportStopReportsAnalyzeOffWithTheBlock)
{
  Instance i;
  HostBlock host;
  EXPECT_TRUE(host.run(i, true).empty()) << "nothing changed by the plug-in itself";
  const auto stop = host.run(i, false);
  ASSERT_EQ(stop.count(kAnalyze), 1u);
  EXPECT_EQ(stop.at(kAnalyze), 0.0);
  EXPECT_EQ(i->getParamNormalized(kAnalyze), 0.0);
  EXPECT_TRUE(host.run(i, false).empty()) << "reported once";
  EXPECT_TRUE(host.run(i, true).empty());
  EXPECT_TRUE(host.run(i, false).empty()) << "a stop with Analyze already off changes nothing";
}

TEST(Vst3HostView, GroupValuesReceivedOnTheAudioThreadAreReportedWithTheBlock)
{
  Instance leader, member;
  HostBlock leaderHost, memberHost;
  for (Instance* i : {&leader, &member})
  {
    Block<double> join(2, 16);
    ASSERT_EQ(join.change(kGroup, 6.0 / 8.0).run(*i->plug), kResultOk); // "Group 6"
  }
  memberHost.run(member, false);
  leader->SetParameterFromGUI(kTargetValue, 0.25);
  const auto received = memberHost.run(member, false);
  ASSERT_EQ(received.count(kTargetValue), 1u);
  EXPECT_DOUBLE_EQ(received.at(kTargetValue), 0.25);
  EXPECT_DOUBLE_EQ(member->getParamNormalized(kTargetValue), 0.25);
}

TEST(Vst3HostView, GroupValuesReceivedOnTheEditorThreadReachTheHandlerAsAWholeGesture)
{
  Instance leader, member;
  auto handler = IPtr<LockCheckingHandler>::adopt(new LockCheckingHandler(*member.plug));
  ASSERT_EQ(member->setComponentHandler(handler.get()), kResultOk);
  for (Instance* i : {&leader, &member})
    ASSERT_EQ(flush(*i->plug, kGroup, 5.0 / 8.0), kResultOk); // "Group 5"
  member->OnEditorIdle(); // takes what joining left pending
  handler->calls.clear();

  leader->SetParameterFromGUI(kMode, 1.0);
  member->OnEditorIdle();
  ASSERT_EQ(handler->calls.size(), 3u);
  EXPECT_EQ(handler->calls[0], "begin 3");
  EXPECT_EQ(handler->calls[1].rfind("perform 3 1.0", 0), 0u) << handler->calls[1];
  EXPECT_EQ(handler->calls[2], "end 3");
  EXPECT_FALSE(handler->calledWithMutexHeld);
}

TEST(Vst3HostView, EditorEditsReachTheHostWithoutThePlugInMutex)
{
  Instance i;
  auto handler = IPtr<LockCheckingHandler>::adopt(new LockCheckingHandler(*i.plug));
  ASSERT_EQ(i->setComponentHandler(handler.get()), kResultOk);
  i->BeginInformHostOfParamChange(kGate);
  i->SetParameterFromGUI(kGate, 0.5);
  i->EndInformHostOfParamChange(kGate);
  ASSERT_EQ(handler->calls.size(), 3u);
  EXPECT_EQ(handler->calls[0], "begin 7");
  EXPECT_EQ(handler->calls[2], "end 7");
  EXPECT_FALSE(handler->calledWithMutexHeld);
}

TEST(Vst3HostView, APresetRecalledByTheHostReportsWhatItChanged)
{
  Instance i;
  HostBlock host;
  host.block.change(kTargetValue, 1.0).change(kGate, 0.5);
  host.run(i, false);
  host.block.change(IPlugVST3::kPresetParamId, 0.0);
  const auto recalled = host.run(i, false);
  EXPECT_EQ(recalled.count(kTargetValue), 1u);
  EXPECT_EQ(recalled.count(kGate), 1u);
  EXPECT_EQ(recalled.count(kMeasure), 0u) << "unchanged values are not reported";
  EXPECT_DOUBLE_EQ(recalled.at(kTargetValue), i->ParamAt(kTargetValue)->ToNormalized());
}
