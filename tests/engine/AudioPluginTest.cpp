#include "AllocationCounter.h"
#include "Signals.h"

#include "engine/AudioPlugin.h"
#include "engine/Decibels.h"
#include "engine/DenormalGuard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
constexpr double kGainTolerance = 1e-6;
constexpr int kRate = 48000;
constexpr int kBlock = 512;

// The set-up calls of a host (re)initialisation.
void setUp(AudioPlugin& engine, int rate = kRate, int block = kBlock)
{
  engine.prepare(rate, block, 1);
}

// An engine ready to analyse: Standard mode, "dBFS", target -12, gate -60.
void setUpAnalysis(AudioPlugin& engine, bool continuous = false)
{
  setUp(engine);
  engine.setTargetLevel(-12.0);
  engine.setGate(-60.0);
  engine.setMeasure(AudioPlugin::kPeak);
  engine.setContinuous(continuous);
  engine.setAnalyze(true);
}

// One block whose peak is `peakDb`.
void peakBlock(AudioPlugin& engine, double peakDb)
{
  StereoBuffer block(kBlock);
  block.right[7] = dbToGain(peakDb);
  engine.processBlock(block.channels(), kBlock);
}
}

TEST(Engine, FreshEngineLeavesBlocksUnchanged)
{
  AudioPlugin engine;
  setUp(engine);
  StereoBuffer block(kBlock);
  fillSine(block, 440.0, -6.0, kRate);
  const StereoBuffer original = block;
  engine.processBlock(block.channels(), kBlock);
  EXPECT_EQ(block.left, original.left);
  EXPECT_EQ(block.right, original.right);
  EXPECT_EQ(engine.gain(), 1.0);
  EXPECT_EQ(engine.maxLevel(), -100.0);
}

TEST(Engine, FixedGainMultipliesEverySample)
{
  AudioPlugin engine;
  setUp(engine);
  engine.setGainDb(-6.0);
  StereoBuffer block(kBlock);
  fillConstant(block, 1.0, -0.5);
  engine.processBlock(block.channels(), kBlock);
  for (int i = 0; i < kBlock; ++i)
  {
    ASSERT_NEAR(block.left[static_cast<size_t>(i)], 0.501187, 1e-6);
    ASSERT_NEAR(block.right[static_cast<size_t>(i)], -0.5 * 0.501187, 1e-6);
  }
}

TEST(Engine, StandardAnalysisKeepsTheHighestLevel)
{
  AudioPlugin engine;
  setUpAnalysis(engine);
  peakBlock(engine, -20.0);
  EXPECT_NEAR(engine.gain(), 2.511886, kGainTolerance);
  EXPECT_NEAR(engine.maxLevel(), -20.0, 1e-9);
  peakBlock(engine, -30.0);
  EXPECT_NEAR(engine.gain(), 2.511886, kGainTolerance);
  EXPECT_NEAR(engine.maxLevel(), -20.0, 1e-9);
}

TEST(Engine, ContinuousAnalysisFollowsTheLatestLevel)
{
  AudioPlugin engine;
  setUpAnalysis(engine, true);
  peakBlock(engine, -20.0);
  peakBlock(engine, -30.0);
  EXPECT_NEAR(engine.maxLevel(), -30.0, 1e-9);
  EXPECT_NEAR(engine.gain(), 7.943282, kGainTolerance);

  StereoBuffer silence(kBlock);
  engine.processBlock(silence.channels(), kBlock);
  EXPECT_EQ(engine.maxLevel(), -std::numeric_limits<double>::infinity()) << "Continuous silence reads minus infinity";
  EXPECT_NEAR(engine.gain(), 7.943282, kGainTolerance);
}

TEST(Engine, StoppedTransportAppliesTheHeldGain)
{
  AudioPlugin engine;
  setUpAnalysis(engine);
  peakBlock(engine, -20.0);
  engine.setStopped(true);
  StereoBuffer block(kBlock);
  fillConstant(block, 0.1, 0.1);
  engine.processBlock(block.channels(), kBlock);
  EXPECT_NEAR(block.left[100], 0.1 * 2.511886, 1e-6);
  EXPECT_NEAR(engine.maxLevel(), -20.0, 1e-9) << "nothing is measured while stopped";
}

TEST(Engine, SwitchingAnalyzeOffAppliesTheLastTargetGain)
{
  AudioPlugin engine;
  setUpAnalysis(engine);
  engine.setApplyGain(true);
  peakBlock(engine, -20.0);
  engine.setAnalyze(false);
  StereoBuffer block(kBlock);
  fillConstant(block, 0.1, 0.1);
  engine.processBlock(block.channels(), kBlock);
  EXPECT_NEAR(block.left[0], 0.1 * 2.511886, 1e-6) << "no smoothing of the step";
}

TEST(Engine, MeasureAndTargetChangesRestartTheDetectors)
{
  AudioPlugin engine;
  setUpAnalysis(engine);
  peakBlock(engine, -20.0);
  engine.setTargetLevel(-12.0);
  EXPECT_NEAR(engine.detector(AudioPlugin::kPeak)->targetGain, 2.511886, kGainTolerance) << "same target: no restart";
  engine.setTargetLevel(-18.0);
  EXPECT_EQ(engine.detector(AudioPlugin::kPeak)->targetGain, 1.0);
  EXPECT_EQ(engine.detector(AudioPlugin::kPeak)->referenceLevel, -100.0);

  peakBlock(engine, -20.0);
  engine.setMeasure(AudioPlugin::kRMS);
  EXPECT_EQ(engine.maxLevel(), -100.0);
  for (int m = 0; m < AudioPlugin::kMeasureCount; ++m)
    EXPECT_EQ(engine.detector(m)->smoothedGain, 0.0);
  EXPECT_EQ(engine.detector(6), nullptr);
  EXPECT_EQ(engine.detector(-1), nullptr);
}

// After a Standard analysis a new target gives a new gain at once; the next block ramps to
// it linearly, frame i (of n) at from + (to - from) * (i + 1) / n, so its last frame is
// at the new gain exactly and the block after it is at the new gain throughout. Two
// changes before a block ramp from the gain last applied to the latest one; a short
// block ramps over its own length.
TEST(Engine, ANewTargetAfterTheAnalysisRampsOverTheNextBlockToTheNewGain)
{
  AudioPlugin engine;
  setUpAnalysis(engine);
  engine.setApplyGain(true);
  peakBlock(engine, -20.0);
  engine.setAnalyze(false);
  const double from = engine.gain();
  ASSERT_NEAR(from, dbToGain(8.0), kGainTolerance);

  // Every frame of both channels at its place on the ramp from `from` to `to`.
  auto expectRamp = [](const StereoBuffer& block, double from, double to, const char* what) {
    const int n = block.frames();
    for (int i = 0; i < n; ++i)
    {
      const double g = from + (to - from) * (i + 1) / n;
      ASSERT_NEAR(block.left[static_cast<size_t>(i)], g, 1e-12) << what << ", frame " << i << " of " << n;
      ASSERT_NEAR(block.right[static_cast<size_t>(i)], -0.5 * g, 1e-12) << what << ", frame " << i << " of " << n;
    }
    EXPECT_EQ(block.left.back(), to) << what << ": the last frame is at the new gain exactly";
  };

  engine.setTargetLevel(-6.0);
  const double to = engine.gain();
  ASSERT_NEAR(to, dbToGain(14.0), kGainTolerance) << "the new gain applies at once";
  StereoBuffer ramp(kBlock);
  fillConstant(ramp, 1.0, -0.5);
  engine.processBlock(ramp.channels(), kBlock);
  expectRamp(ramp, from, to, "one change");
  EXPECT_GT(ramp.left[0], from) << "the first frame has moved";

  StereoBuffer after(kBlock);
  fillConstant(after, 1.0, -0.5);
  engine.processBlock(after.channels(), kBlock);
  for (int i = 0; i < kBlock; ++i)
    ASSERT_EQ(after.left[static_cast<size_t>(i)], to) << "the ramp lasts one block; frame " << i;

  engine.setTargetLevel(-3.0);
  engine.setTargetLevel(-9.0);
  const double latest = engine.gain();
  ASSERT_NEAR(latest, dbToGain(11.0), kGainTolerance);
  StereoBuffer shortBlock(64);
  fillConstant(shortBlock, 1.0, -0.5);
  engine.processBlock(shortBlock.channels(), 64);
  expectRamp(shortBlock, to, latest, "two changes, a 64-frame block");
}

TEST(Engine, MeasureOutsideTheListRunsNoDetector)
{
  AudioPlugin engine;
  setUpAnalysis(engine);
  engine.setMeasure(9);
  StereoBuffer block(kBlock);
  fillConstant(block, 0.25, 0.25);
  engine.processBlock(block.channels(), kBlock);
  EXPECT_EQ(block.left[3], 0.25);
  EXPECT_EQ(engine.gain(), 1.0);
  EXPECT_EQ(engine.maxLevel(), -100.0);
}

TEST(Engine, EveryMeasureAnalysesAndNormalizesToItsTarget)
{
  for (int m = 0; m < AudioPlugin::kMeasureCount; ++m)
  {
    AudioPlugin engine;
    setUp(engine);
    engine.setTargetLevel(-20.0);
    engine.setGate(-60.0);
    engine.setMeasure(m);
    engine.setAnalyze(true);
    StereoBuffer block(480);
    for (int b = 0; b < 400; ++b)
    {
      fillSine(block, 1000.0, -30.0, kRate, b * 480);
      engine.processBlock(block.channels(), 480);
    }
    EXPECT_GT(engine.maxLevel(), -40.0) << "measure " << m;
    EXPECT_NEAR(Decibels::fromLinear(engine.gain()), -20.0 - engine.maxLevel(), 1e-9) << "measure " << m;
  }
}

TEST(Engine, OverlongBlocksAreProcessedInPiecesOfTheBlockSize)
{
  AudioPlugin whole, pieces;
  for (AudioPlugin* e : {&whole, &pieces})
  {
    setUp(*e, kRate, 128);
    e->setMeasure(AudioPlugin::kVU);
    e->setGate(-90.0);
    e->setApplyGain(true);
    e->setAnalyze(true);
  }
  StereoBuffer a(1000), b(1000);
  fillSine(a, 300.0, -10.0, kRate);
  b = a;
  whole.processBlock(a.channels(), 1000); // longer than the 128-frame block size
  for (int start = 0; start < 1000; start += 128)
  {
    double* piece[2] = {b.left.data() + start, b.right.data() + start};
    pieces.processBlock(piece, std::min(128, 1000 - start));
  }
  EXPECT_EQ(a.left, b.left);
  EXPECT_EQ(whole.maxLevel(), pieces.maxLevel());
}

TEST(Engine, MonoInputAsOneArrayTwiceIsGainedOnce)
{
  AudioPlugin engine;
  setUp(engine);
  engine.setMeasure(AudioPlugin::kPeak);
  engine.setGate(-90.0);
  engine.setApplyGain(true);
  engine.setAnalyze(true);
  std::vector<double> mono(kBlock, 0.1);
  double* channels[2] = {mono.data(), mono.data()};
  engine.processBlock(channels, kBlock);
  const double smoothed = engine.detector(AudioPlugin::kPeak)->smoothedGain;
  EXPECT_NEAR(mono.back(), 0.1 * smoothed, 1e-15);

  engine.setAnalyze(false);
  std::fill(mono.begin(), mono.end(), 0.1);
  engine.processBlock(channels, kBlock);
  EXPECT_NEAR(mono[0], 0.1 * engine.gain(), 1e-15);
}

TEST(Engine, OversamplingFactorZeroActsAsOne)
{
  AudioPlugin engine;
  engine.prepare(kRate, kBlock, 0);
  EXPECT_EQ(engine.oversampling(), 1);
  EXPECT_EQ(engine.processingRate(), kRate);
}

TEST(Engine, OversamplingTwoPreparesAtTwiceTheRate)
{
  AudioPlugin engine;
  engine.prepare(44100, 256, 2);
  EXPECT_EQ(engine.detector(AudioPlugin::kRMS)->sampleRate, 88200);
  engine.setMeasure(AudioPlugin::kRMS);
  engine.setGate(-90.0);
  engine.setAnalyze(true);
  StereoBuffer block(256);
  for (int b = 0; b < 400; ++b)
  {
    fillSine(block, 1000.0, -6.0, 44100.0, b * 256);
    engine.processBlock(block.channels(), 256);
    for (double x : block.left)
      ASSERT_TRUE(std::isfinite(x));
  }
  // A -6 dBFS sine's RMS of per-sample peaks, through the band-limited frame.
  EXPECT_NEAR(engine.maxLevel(), -6.0 - 3.01, 0.5);
}

namespace
{
// Noise with a level step every 200 blocks, run through the engine in blocks of up to
// 4096 frames; its buffers are made once, so running it allocates nothing.
class SteppedProgramme
{
public:
  SteppedProgramme() : mSource(4096), mBlock(4096)
  {
    Noise noise(7);
    for (size_t i = 0; i < mSource.left.size(); ++i)
      mSource.left[i] = 0.3 * noise.next(), mSource.right[i] = 0.3 * noise.next();
  }

  void run(AudioPlugin& engine, double seconds, int frames)
  {
    const int64_t blocks = static_cast<int64_t>(seconds * kRate / frames);
    for (int64_t b = 0; b < blocks; ++b)
    {
      const double level = dbToGain(-6.0 * static_cast<double>((b / 200) % 8));
      for (size_t i = 0; i < static_cast<size_t>(frames); ++i)
      {
        mBlock.left[i] = level * mSource.left[i];
        mBlock.right[i] = level * mSource.right[i];
      }
      engine.processBlock(mBlock.channels(), frames);
    }
  }

private:
  StereoBuffer mSource, mBlock;
};
}

TEST(Engine, NoMeasureAllocatesOrFreesOnTheAudioThread)
{
  // Everything a host may do on the audio thread after preparation: automate "Measure",
  // "Target Value", "Analyze" and "Mode", stop and start the transport, recall a preset's
  // values, and run Continuous mode for hours. Counted at malloc and free, so a C
  // library's allocations count too.
  for (int m = 0; m < AudioPlugin::kMeasureCount; ++m)
  {
    AudioPlugin engine;
    setUp(engine);
    engine.setGate(-90.0);
    engine.setApplyGain(true);
    SteppedProgramme programme;
    AllocationScope scope;
    engine.setMeasure(m);
    engine.setAnalyze(true);
    programme.run(engine, 2.0, kBlock);
    engine.setTargetLevel(-20.0);
    programme.run(engine, 1.0, 32);
    engine.setMeasure((m + 1) % AudioPlugin::kMeasureCount);
    engine.setMeasure(m);
    engine.setAnalyze(false);
    programme.run(engine, 0.5, kBlock);
    engine.setAnalyze(true);
    engine.setStopped(true);
    programme.run(engine, 0.5, kBlock);
    engine.setStopped(false);
    engine.setTargetLevel(-20.0); // unchanged
    engine.setTargetLevel(-14.0);
    engine.setContinuous(true);
    const bool integrated = m == AudioPlugin::kIntegrated;
    programme.run(engine, (integrated ? 2.0 * 3600.0 : 600.0) * kDurationScale, 4096);
    engine.setContinuous(false);
    engine.setAnalyze(true);
    programme.run(engine, 1.0, kBlock);
    EXPECT_EQ(scope.count(), 0u) << "allocations, measure " << m;
    EXPECT_EQ(scope.releases(), 0u) << "frees, measure " << m;
    EXPECT_TRUE(std::isfinite(engine.maxLevel())) << "measure " << m;
  }
}

TEST(Engine, NoSequenceOfSetUpCallsLetsProcessingOverrunABuffer)
{
  // Under the address sanitizer a write past a work buffer stops the test.
  AudioPlugin engine;
  engine.prepare(kRate, 256, 1);
  engine.setBlockSize(4096); // recorded for the next setOversampling, not yet sized
  engine.setGainDb(-6.0);
  StereoBuffer block(4096);
  fillConstant(block, 0.5, 0.5);
  double* mono[2] = {block.left.data(), block.left.data()};
  engine.processBlock(mono, 4096);
  engine.processBlock(block.channels(), 4096);
  EXPECT_NEAR(block.left[4095], 0.5 * 0.501187 * 0.501187, 1e-6) << "gained once per call, in pieces";
  EXPECT_NEAR(block.right[4095], 0.5 * 0.501187, 1e-6);

  engine.setSampleRate(96000);
  engine.setOversampling(2); // takes both recorded values
  EXPECT_EQ(engine.blockSize(), 4096);
  EXPECT_EQ(engine.processingRate(), 192000);
  engine.prepare(kRate, 64, 4);
  engine.setMeasure(AudioPlugin::kShortTerm);
  engine.setAnalyze(true);
  engine.processBlock(mono, 1000);
  engine.processBlock(block.channels(), 1000);
  for (double x : block.left)
    ASSERT_TRUE(std::isfinite(x));
}

TEST(Engine, LoudnessDetectorsReadTwoChannelsWhateverTheirChannelCount)
{
  // The channel count is a plain field; raising it after preparation must not make a
  // detector read or write past what it holds. Channels beyond the second are not read.
  StereoBuffer block(2048);
  fillSine(block, 997.0, -20.0, kRate);
  const double* six[6] = {block.left.data(), block.right.data(), block.left.data(),
                          block.right.data(), block.left.data(), block.right.data()};
  AutoGainLUFSShortTerm raised, stereo;
  AutoGainLUFSIntegrated raisedIntegrated, stereoIntegrated;
  for (AutoGainLUFS* d : {static_cast<AutoGainLUFS*>(&raised), static_cast<AutoGainLUFS*>(&stereo),
                          static_cast<AutoGainLUFS*>(&raisedIntegrated), static_cast<AutoGainLUFS*>(&stereoIntegrated)})
    d->prepare(kRate);
  raised.channelCount = 6;
  raisedIntegrated.channelCount = 6;
  for (int b = 0; b < 100; ++b)
  {
    ASSERT_EQ(raised.measure(six, 2048), stereo.measure(block.channels(), 2048));
    ASSERT_EQ(raisedIntegrated.measure(six, 2048), stereoIntegrated.measure(block.channels(), 2048));
  }
}

#ifdef QUENMARK_HAS_MXCSR
TEST(Engine, BlocksRunWithDenormalsFlushedAndRestoreTheCallersMode)
{
  const unsigned before = _mm_getcsr();
  {
    DenormalGuard guard;
    volatile double tiny = 1e-308;
    volatile double result = tiny / 1e10;
    EXPECT_EQ(result, 0.0);
  }
  EXPECT_EQ(_mm_getcsr(), before);
}
#endif

TEST(Engine, RestartsReuseTheRmsWindow)
{
  // Measure, target and analysis changes arrive on the audio thread with host automation;
  // the restart they cause keeps the window's storage.
  AudioPlugin engine;
  setUp(engine);
  engine.setMeasure(AudioPlugin::kRMS);
  const double* window = static_cast<AutoGainRMS*>(engine.detector(AudioPlugin::kRMS))->window().data();
  AllocationScope scope;
  engine.setMeasure(AudioPlugin::kRMS);
  engine.setTargetLevel(-20.0);
  engine.setAnalyze(true);
  EXPECT_EQ(scope.count(), 0u);
  EXPECT_EQ(static_cast<AutoGainRMS*>(engine.detector(AudioPlugin::kRMS))->window().data(), window);
}

TEST(Engine, OutOfPlaceProcessingLeavesTheInputAndMatchesInPlace)
{
  for (bool analyse : {true, false})
  {
    AudioPlugin inPlace, outOfPlace;
    for (AudioPlugin* e : {&inPlace, &outOfPlace})
    {
      setUp(*e);
      e->setMeasure(AudioPlugin::kVU);
      e->setGate(-90.0);
      e->setApplyGain(true);
      e->setGainDb(-3.0);
      e->setAnalyze(analyse);
    }
    StereoBuffer a(kBlock), input(kBlock), output(kBlock);
    fillSine(a, 700.0, -9.0, kRate);
    input = a;
    const StereoBuffer original = input;
    inPlace.processBlock(a.channels(), kBlock);
    const double* in[2] = {input.left.data(), input.right.data()};
    outOfPlace.processBlock(in, output.channels(), kBlock);
    EXPECT_EQ(input.left, original.left);
    EXPECT_EQ(input.right, original.right);
    EXPECT_EQ(output.left, a.left);
    EXPECT_EQ(output.right, a.right);
  }
}
