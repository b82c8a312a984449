// What a host sent takes effect in the order it sent it, whether or not its blocks found
// the plug-in mutex free. Each sequence runs twice: with every block holding the mutex
// (the control), and with chosen blocks run while another thread holds it, so they run
// without it; the host's view, the saved state and the level must come out the same.

#include "Vst3Host.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <optional>
#include <mutex>
#include <random>
#include <string>
#include <thread>

using namespace vst3test;

namespace
{
// Normalized values of the product's parameters.
double targetNormalized(double db) { return (db + 60.0) / 90.0; }
double gainNormalized(double db) { return (db + 60.0) / 120.0; }

// One host action of a sequence.
struct Step
{
  enum Kind
  {
    kBlock, // a block carrying `changes`, run without the mutex when `lockless`
    kLoad,  // setState with `state`
    kSave,  // getState, then the same bytes loaded back
    kControllerSet, // setParamNormalized(changes[0])
    kReconfigure    // deactivation, a new set-up, activation
  } kind = kBlock;
  std::vector<std::pair<ParamID, double>> changes;
  std::vector<uint8> state;
  bool lockless = false;
  bool playing = false; // the block's transport; a block after a playing one stops it
};

// A state document with a level, "Target Value" and "Gain", and the bypass word off.
std::vector<uint8> stateWith(double level, double target, double gain)
{
  const std::string text = "{\"maxpeak\":" + std::to_string(level) + ",\"params\":[{\"name\":\"Target Value\",\"value\":" +
                           std::to_string(target) + "},{\"name\":\"Gain\",\"value\":" + std::to_string(gain) +
                           "},{\"name\":\"Analyze\",\"value\":0},{\"name\":\"Normalize\",\"value\":1}]}";
  std::vector<uint8> bytes(4 + text.size() + 4, 0);
  const auto size = static_cast<uint32>(text.size());
  for (int b = 0; b < 4; ++b)
    bytes[static_cast<size_t>(b)] = static_cast<uint8>(size >> (8 * b));
  std::copy(text.begin(), text.end(), bytes.begin() + 4);
  return bytes;
}

struct Outcome
{
  std::vector<double> hostView; // getParamNormalized of every parameter, bypass and preset
  std::vector<double> values;   // the plug-in's own values
  double level = 0.0;
  std::string saved;
};

class Sequence
{
public:
  explicit Sequence(bool allowLockless) : mAllowLockless(allowLockless)
  {
    // "Analyze" off, "Normalize" on: a kept level and the target make the gain.
    Block<double> setup(2, 64, 0.25);
    EXPECT_EQ(setup.change(kAnalyze, 0.0).change(kNormalize, 1.0).run(*i.plug), kResultOk);
    mBlock.data.processContext = &mContext;
    if (mAllowLockless)
      MakeLive();
  }

  void Run(const Step& step)
  {
    switch (step.kind)
    {
    case Step::kBlock:
    {
      if (step.lockless && mAllowLockless && !i->ProcessorIsLive())
        MakeLive();
      for (const auto& [id, value] : step.changes)
        mBlock.change(id, value);
      mContext.state = step.playing ? ProcessContext::kPlaying : 0;
      if (step.lockless && mAllowLockless)
      {
        // A loaded machine may have paused long enough for the engine to be taken back:
        // it is handed to the audio thread again first. Should the block still wait for
        // the mutex, it is let go after 2 s and the block runs with it.
        std::unique_lock<std::recursive_mutex> held(i->Mutex());
        auto pending = std::async(std::launch::async, [&] { EXPECT_EQ(mBlock.run(*i.plug), kResultOk); });
        if (pending.wait_for(std::chrono::seconds(2)) != std::future_status::ready)
          held.unlock();
        pending.get();
      }
      else
      {
        OnAudioThread();
      }
      break;
    }
    case Step::kLoad:
      restore(*i.plug, step.state);
      break;
    case Step::kSave:
      restore(*i.plug, stateOf(*i.plug));
      break;
    case Step::kControllerSet:
      i->setParamNormalized(step.changes[0].first, step.changes[0].second);
      break;
    case Step::kReconfigure:
      EXPECT_EQ(i->setActive(0), kResultOk);
      EXPECT_EQ(i.setup(kSample64, 64, 48000.0), kResultOk);
      EXPECT_EQ(i->setActive(1), kResultOk);
      break;
    }
  }

  Outcome Finish()
  {
    OnAudioThread(); // the mutex free: whatever was kept is applied
    Outcome outcome;
    for (ParamID id : {ParamID(kGain), ParamID(kMeasure), ParamID(kTargetValue), ParamID(kMode), ParamID(kAnalyze),
                       ParamID(kNormalize), ParamID(kGroup), ParamID(kGate), IPlugVST3::kBypassParamId})
      outcome.hostView.push_back(i->getParamNormalized(id));
    for (int p = 0; p < kParamCount; ++p)
      outcome.values.push_back(i->ParamAt(p)->Value());
    outcome.level = i->MeasuredLevel();
    const std::vector<uint8> bytes = stateOf(*i.plug);
    outcome.saved.assign(bytes.begin(), bytes.end());
    return outcome;
  }

  Instance i;

private:
  void OnAudioThread()
  {
    std::async(std::launch::async, [&] { EXPECT_EQ(mBlock.run(*i.plug), kResultOk); }).get();
  }
  // Flushes that wait for the mutex hand the engine to the audio thread; they carry no
  // audio, so the control, which runs none, hears the same.
  void MakeLive()
  {
    for (int attempt = 0; attempt < 50 && !i->ProcessorIsLive(); ++attempt)
    {
      std::unique_lock<std::recursive_mutex> held(i->Mutex());
      auto pending = std::async(std::launch::async, [&] {
        ProcessData flush{};
        flush.symbolicSampleSize = kSample64;
        i->process(flush);
      });
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      held.unlock();
      pending.get();
    }
    ASSERT_TRUE(i->ProcessorIsLive());
  }

  bool mAllowLockless;
  Block<double> mBlock{2, 64, 0.25};
  ProcessContext mContext{};
};

void expectSameOutcome(const std::vector<Step>& steps, const char* what)
{
  Sequence control(false);
  Sequence lockless(true);
  for (const Step& step : steps)
  {
    control.Run(step);
    lockless.Run(step);
  }
  const Outcome expected = control.Finish();
  const Outcome actual = lockless.Finish();
  EXPECT_EQ(actual.hostView, expected.hostView) << what;
  EXPECT_EQ(actual.values, expected.values) << what;
  EXPECT_EQ(actual.level, expected.level) << what;
  EXPECT_EQ(actual.saved, expected.saved) << what;
}

Step block(std::vector<std::pair<ParamID, double>> changes, bool lockless = true)
{
  Step step;
  step.changes = std::move(changes);
  step.lockless = lockless;
  return step;
}

// The steps, readably, for a failure's message.
std::string describe(const std::vector<Step>& steps)
{
  std::string text;
  for (const Step& step : steps)
  {
    switch (step.kind)
    {
    case Step::kBlock:
      text += step.lockless ? "\n  block without the mutex" : "\n  block";
      text += step.playing ? ", playing" : ", stopped";
      break;
    case Step::kLoad: text += "\n  load"; break;
    case Step::kSave: text += "\n  save and reload"; break;
    case Step::kControllerSet: text += "\n  controller set"; break;
    case Step::kReconfigure: text += "\n  deactivate, set up, activate"; break;
    }
    for (const auto& [id, value] : step.changes)
      text += " [" + std::to_string(id) + "]=" + std::to_string(value);
  }
  return text;
}

Step load(std::vector<uint8> state)
{
  Step step;
  step.kind = Step::kLoad;
  step.state = std::move(state);
  return step;
}
} // namespace

// Automation in a block without the mutex, then a state load: the load wins, as it came
// last.
TEST(Vst3HandOver, AStateLoadedAfterAutomationWins)
{
  expectSameOutcome({block({{kTargetValue, targetNormalized(-30.0)}}), load(stateWith(-20.0, -12.0, 8.0)),
                     block({}, false)},
                    "automation, then a load");
}

// A value, then the "Preset" parameter in the next block: the preset's values win.
TEST(Vst3HandOver, APresetChosenAfterAValueWins)
{
  expectSameOutcome({block({{kTargetValue, targetNormalized(-20.0)}}), block({{IPlugVST3::kPresetParamId, 0.0}})},
                    "a value, then the preset");
}

// Two parameters in one block keep their order: a new target on the kept level, then a
// "Gain" the host set after it.
TEST(Vst3HandOver, ValuesOfOneBlockKeepTheHostsOrder)
{
  expectSameOutcome({load(stateWith(-20.0, -12.0, 8.0)),
                     block({{kTargetValue, targetNormalized(-20.0)}, {kGain, gainNormalized(6.0)}})},
                    "target, then gain");
}

// What the host set at the controller is what the next save holds, with no block between.
TEST(Vst3HandOver, HostEditsWithoutProcessingReachTheNextSave)
{
  Sequence s(false);
  ASSERT_EQ(s.i->setParamNormalized(kGain, 0.794305), kResultOk);
  ASSERT_EQ(s.i->setParamNormalized(kTargetValue, targetNormalized(-18.0)), kResultOk);
  const std::vector<uint8> saved = stateOf(*s.i.plug);
  ASSERT_EQ(s.i->setParamNormalized(kGain, 0.5), kResultOk);
  ASSERT_EQ(s.i->setParamNormalized(kTargetValue, 0.5), kResultOk);
  ASSERT_EQ(restore(*s.i.plug, saved), kResultOk);
  EXPECT_NEAR(s.i->getParamNormalized(kGain), 0.794305, 1e-3);
  EXPECT_NEAR(s.i->getParamNormalized(kTargetValue), targetNormalized(-18.0), 1e-3);
}

// Many random interleavings of blocks with and without the mutex (playing, and stopping
// the transport), host values, presets, loads, saves and reconfigurations: every one ends
// as its mutex-free control does.
TEST(Vst3HandOver, RandomInterleavingsEndAsTheirMutexFreeControl)
{
  // QUENMARK_INTERLEAVINGS=SEED,RUNS plays other sequences.
  const char* other = std::getenv("QUENMARK_INTERLEAVINGS");
  unsigned seed = 20261210;
  int runs = 40;
  if (other != nullptr)
    std::sscanf(other, "%u,%d", &seed, &runs);
  std::mt19937 random(seed);
  const std::vector<std::vector<uint8>> states = {stateWith(-20.0, -12.0, 8.0), stateWith(-31.5, -23.0, 8.5),
                                                  stateWith(-8.25, -14.0, -5.75)};
  const ParamID ids[] = {kTargetValue, kGain, kGate, IPlugVST3::kPresetParamId, IPlugVST3::kBypassParamId, kAnalyze};
  for (int run = 0; run < runs; ++run)
  {
    std::vector<Step> steps;
    for (int n = 0; n < 12; ++n)
    {
      const int what = static_cast<int>(random() % 11);
      if (what == 10)
      {
        Step reconfigure;
        reconfigure.kind = Step::kReconfigure;
        steps.push_back(reconfigure);
      }
      else if (what < 6)
      {
        std::vector<std::pair<ParamID, double>> changes;
        const int count = 1 + static_cast<int>(random() % 3);
        for (int c = 0; c < count; ++c)
        {
          const ParamID id = ids[random() % std::size(ids)];
          const double value = id == IPlugVST3::kPresetParamId ? 0.0
                               : id == kAnalyze                ? static_cast<double>(random() % 2)
                                                               : (random() % 1001) / 1000.0;
          changes.push_back({id, value});
        }
        steps.push_back(block(changes, random() % 3 != 0));
        steps.back().playing = random() % 3 != 0;
      }
      else if (what < 8)
      {
        steps.push_back(load(states[random() % states.size()]));
      }
      else if (what < 9)
      {
        Step save;
        save.kind = Step::kSave;
        steps.push_back(save);
      }
      else
      {
        Step set;
        set.kind = Step::kControllerSet;
        set.changes = {{ids[random() % 3], (random() % 1001) / 1000.0}};
        steps.push_back(set);
      }
    }
    expectSameOutcome(steps, ("interleaving " + std::to_string(run) + ":" + describe(steps)).c_str());
    if (HasFailure())
      break;
  }
}

// A block that waited for the mutex while the plug-in was being deactivated does not hand
// the engine to the audio thread: set-up then changes rate and buffers with no block able
// to run beside it.
TEST(Vst3HandOver, NoBlockMakesAnInactivePlugInLive)
{
  Instance i;
  Block<double> block(2, 64, 0.25);
  ASSERT_EQ(i->setActive(0), kResultOk);
  {
    std::unique_lock<std::recursive_mutex> held(i->Mutex());
    auto pending = std::async(std::launch::async, [&] { return block.run(*i.plug); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    held.unlock();
    pending.get();
  }
  EXPECT_FALSE(i->ProcessorIsLive()) << "a block in flight during the deactivation took the engine";
  EXPECT_EQ(i.setup(kSample64, 256, 44100.0), kResultOk);
  EXPECT_EQ(i->setActive(1), kResultOk);
}

// A process call in flight while the host deactivates and sets up again: no block runs
// beside the set-up (the thread sanitizer sees any overlap).
TEST(Vst3HandOver, ProcessRacingADeactivationAndSetUp)
{
  Instance i;
  std::atomic<bool> done{false};
  std::thread audio([&] {
    Block<float> block(2, 256, 0.2);
    while (!done.load())
      block.run(*i.plug);
  });
  for (int round = 0; round < 60; ++round)
  {
    {
      // Another thread's hold makes blocks wait, and then run without the mutex.
      const std::lock_guard<std::recursive_mutex> held(i->Mutex());
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    i->setActive(0);
    i.setup(kSample32, round % 2 == 0 ? 128 : 256, round % 3 == 0 ? 44100.0 : 48000.0);
    i->setActive(1);
  }
  done = true;
  audio.join();
}

// Hosts hand the values a block reported back to the controller, a few blocks later. The
// echo of a moving gain must not pull the gain back to where it was when reported.
TEST(Vst3HandOver, AHostsLateEchoOfAReportedGainDoesNotPullTheGainBack)
{
  Instance i;
  Block<double> block(2, 512, 0.05);
  auto reported = IPtr<ParameterChanges>::adopt(new ParameterChanges);
  block.data.outputParameterChanges = reported.get();
  ASSERT_EQ(block.change(kMode, 1.0).change(kMeasure, 0.0).change(kTargetValue, targetNormalized(-12.0)).run(*i.plug),
            kResultOk);
  std::optional<double> report;
  for (int b = 0; b < 60 && !report; ++b)
  {
    for (auto& channel : block.in)
      std::fill(channel.begin(), channel.end(), 0.05 * (1.0 + 0.05 * b)); // a swell: the gain falls
    reported->clear();
    ASSERT_EQ(block.run(*i.plug), kResultOk);
    for (int32 q = 0; q < reported->getParameterCount(); ++q)
      if (IParamValueQueue* queue = reported->getParameterData(q); queue->getParameterId() == kGain)
      {
        int32 offset = 0;
        ParamValue value = 0.0;
        queue->getPoint(queue->getPointCount() - 1, offset, value);
        report = value;
      }
  }
  ASSERT_TRUE(report) << "a moving gain is reported";
  for (auto& channel : block.in)
    std::fill(channel.begin(), channel.end(), 0.4); // the gain moves on
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  const double now = i->ParamAt(kGain)->Value();
  ASSERT_GT(std::fabs(now - (-60.0 + 120.0 * *report)), 1.0);

  ASSERT_EQ(i->setParamNormalized(kGain, *report), kResultOk); // the host's late echo
  EXPECT_EQ(i->ParamAt(kGain)->Value(), now) << "the echo pulled the gain back";
}
