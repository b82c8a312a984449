// The edges of the hand-over between the audio thread and the threads holding the plug-in
// mutex. Each case plays one sequence twice: once with the mutex free at every block (the
// control), once with chosen blocks run while the test thread holds the mutex, so they
// run without it. What the user and the host did must come out the same either way.

#include "Harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>
#include <string>
#include <thread>

namespace
{
using Clock = std::chrono::steady_clock;


// Runs one block of a sine on a thread of its own, as a host's audio thread does.
void blockOnAudioThread(Harness& h, double peakDb, bool bypassed = false)
{
  std::async(std::launch::async, [&] {
    std::vector<double> left(512), right(512), outLeft(512), outRight(512);
    for (int i = 0; i < 512; ++i)
      left[static_cast<size_t>(i)] = right[static_cast<size_t>(i)] =
          std::pow(10.0, peakDb / 20.0) * std::sin(2.0 * 3.14159265358979 * 1000.0 * (h.sample + i) / 48000.0);
    h.sample += 512;
    double* in[2] = {left.data(), right.data()};
    double* out[2] = {outLeft.data(), outRight.data()};
    const IPlugBase::AudioBlockLock lock(*h);
    const IPlugBase::AudioThreadScope scope(*h);
    h->BindInputBuffers(0, 2, in, 512);
    h->BindOutputBuffers(0, 2, out);
    if (bypassed)
      h->CopyInputsToOutputs(512);
    else
      h->RunProcessing(512);
  }).get();
}

// The same block, run while this thread holds the plug-in mutex: once the engine is the
// audio thread's, it runs without the mutex.
void makeLive(Harness& h);

void locklessBlock(Harness& h, double peakDb, bool bypassed = false)
{
  if (!h->ProcessorIsLive())
    makeLive(h); // a loaded machine paused long enough for the engine to be taken back
  std::unique_lock<std::recursive_mutex> held(h->Mutex());
  auto pending = std::async(std::launch::async, [&] { blockOnAudioThread(h, peakDb, bypassed); });
  const bool ran = pending.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
  if (!ran)
    held.unlock(); // let it end, then fail
  pending.get();
  EXPECT_TRUE(ran) << "the block waited for the mutex";
}

// A block that finds the mutex held and waits for it makes the engine the audio thread's.
void makeLive(Harness& h)
{
  for (int attempt = 0; attempt < 50 && !h->ProcessorIsLive(); ++attempt)
  {
    std::unique_lock<std::recursive_mutex> held(h->Mutex());
    auto pending = std::async(std::launch::async, [&] { blockOnAudioThread(h, -60.0); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    held.unlock();
    pending.get();
  }
  ASSERT_TRUE(h->ProcessorIsLive());
}

void waitUntilBlocksStopped(Harness& h)
{
  const auto end = Clock::now() + std::chrono::seconds(2);
  while (!h->BlocksStopped() && Clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

struct Outcome
{
  double analyze, level, gain;
};

// A pass at -26 dBFS is measured and stopped; with the stop seen by a block without the
// mutex when `lockless`. The host then stops processing for a while; the user turns
// "Analyze" off and on, and a second, louder pass plays.
Outcome stopThenSecondPass(bool lockless)
{
  Harness h;
  h.hostSets(kMeasure, 0.0); // "dBFS": the sine's peak
  h.hostSets(kTargetValue, -12.0);
  if (lockless)
    makeLive(h);
  h.setTransport(true);
  for (int b = 0; b < 4; ++b)
    blockOnAudioThread(h, -20.0);
  h.setTransport(false);
  if (lockless)
    locklessBlock(h, -20.0);
  else
    blockOnAudioThread(h, -20.0);
  waitUntilBlocksStopped(h); // the host stopped calling process
  h->OnEditorTimer();
  EXPECT_EQ(h.value(kAnalyze), 0.0) << "the stop ended the analysis while nothing was processed";

  h.editorSets(kAnalyze, 0.0);
  h.editorSets(kAnalyze, 1.0);
  h.setTransport(true);
  for (int b = 0; b < 4; ++b)
    blockOnAudioThread(h, -14.0);
  return {h.value(kAnalyze), h->MeasuredLevel(), h.value(kGain)};
}
} // namespace

// A transport stop seen without the mutex settles as soon as someone owns the engine, so
// the user's next analysis is measured as it would be with the mutex free.
TEST(HandOver, AStopSeenWithoutTheMutexNeverCancelsTheNextAnalysis)
{
  const Outcome control = stopThenSecondPass(false);
  const Outcome lockless = stopThenSecondPass(true);
  EXPECT_EQ(control.analyze, 1.0);
  EXPECT_NEAR(control.level, -14.0, 0.05);
  EXPECT_EQ(lockless.analyze, control.analyze) << "the owed stop switched the new pass off";
  EXPECT_EQ(lockless.level, control.level);
  EXPECT_EQ(lockless.gain, control.gain);
}

// The owed stop is reported to the host when it settles, even though no block follows.
TEST(HandOver, AnOwedStopIsReportedWhenTheEngineIsTakenBack)
{
  Harness h;
  makeLive(h);
  h.setTransport(true);
  blockOnAudioThread(h, -20.0);
  h->edits.clear();
  h.setTransport(false);
  locklessBlock(h, -20.0);
  EXPECT_EQ(h.value(kAnalyze), 1.0) << "nothing settled it yet";
  waitUntilBlocksStopped(h);
  h->OnEditorTimer();
  EXPECT_EQ(h.value(kAnalyze), 0.0);
  bool told = false;
  for (const TestBinding::Edit& edit : h->edits)
    told = told || (edit.index == kAnalyze && edit.normalized == 0.0);
  EXPECT_TRUE(told) << "the host still shows the analysis running";
}

// A change queued for the audio thread reaches the engine at the next process call, also
// when that call is a bypassed block: the readout follows a load at once.
TEST(HandOver, ABypassedBlockTakesWhatWasHandedOver)
{
  Harness h;
  makeLive(h);
  const std::string text = "{\"maxpeak\":-23.5,\"params\":[{\"name\":\"Gate\",\"value\":-42.0}]}";
  ChunkBuffer state;
  state.PutInt32(static_cast<std::int32_t>(text.size()));
  state.PutBytes(text.data(), static_cast<int>(text.size()));
  blockOnAudioThread(h, -20.0); // blocks are coming: the load is handed over
  ASSERT_GE(h->RestoreState(state, 0), 0);
  blockOnAudioThread(h, -20.0, true);
  EXPECT_EQ(h->ReadoutValues().level(), -23.5);
}

// A host that saves from its own processing thread between two blocks is never made to
// wait for a block: no block can come while that thread is saving.
TEST(HandOver, ASaveFromTheProcessingThreadDoesNotWaitForABlock)
{
  Harness h;
  makeLive(h);
  std::async(std::launch::async, [&] {
    std::vector<double> left(512, 0.1), right(512, 0.1);
    Clock::duration longestSave{};
    for (int round = 0; round < 3; ++round)
    {
      makeLive(h); // on other threads: the engine is the audio thread's again
      {
        std::vector<double> out(512);
        double* in[2] = {left.data(), right.data()};
        double* outs[2] = {out.data(), out.data()};
        const IPlugBase::AudioBlockLock lock(*h);
        const IPlugBase::AudioThreadScope scope(*h);
        h->BindInputBuffers(0, 2, in, 512);
        h->BindOutputBuffers(0, 2, outs);
        h->RunProcessing(512);
      }
      const auto before = Clock::now();
      ChunkBuffer saved;
      EXPECT_TRUE(h->SerializeState(saved));
      longestSave = std::max(longestSave, Clock::now() - before);
    }
    // A save that waits for a block that cannot come waits out its 50 ms fallback.
    EXPECT_LT(longestSave, std::chrono::milliseconds(25));
  }).get();
}

// The chunk a plug-in has just saved compares equal to the plug-in, also while "Analyze"
// is on (a save holds it off).
TEST(HandOver, TheStateJustSavedComparesEqual)
{
  Harness h;
  ASSERT_EQ(h.value(kAnalyze), 1.0);
  ChunkBuffer saved;
  ASSERT_TRUE(h->SerializeState(saved));
  EXPECT_TRUE(h->StateEquals(saved.Data(), saved.Size(), 0));
  h.hostSets(kTargetValue, -20.0);
  EXPECT_FALSE(h->StateEquals(saved.Data(), saved.Size(), 0));
}
