#include "Signals.h"

#include "engine/AutoGainDB.h"
#include "engine/AutoGainRMS.h"
#include "engine/AutoGainVU.h"
#include "engine/CompensatedSum.h"
#include "engine/ProcessorFeatures.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace
{
constexpr double kGainTolerance = 1e-9;
constexpr double kDbTolerance = 1e-9;
constexpr double kInf = std::numeric_limits<double>::infinity();

// A peak detector set up the way the engine sets one up for an analysis.
struct PeakFixture
{
  explicit PeakFixture(double target = -12.0, double gate = -60.0, bool continuous = false)
  {
    detector.prepare(48000);
    detector.targetLevel = target;
    detector.gateLevel = gate;
    detector.continuous = continuous;
  }

  // Processes one block whose peak is at `peakDb` (a single sample at that level).
  void block(double peakDb, int frames = 64)
  {
    StereoBuffer buffer(frames);
    buffer.left[3] = dbToGain(peakDb);
    detector.process(buffer.channels(), frames);
  }

  AutoGainDB detector;
};
}

TEST(GainLaw, StandardModeFollowsTheHighestLevelSinceTheRestart)
{
  PeakFixture f;
  f.block(-20.0);
  EXPECT_NEAR(f.detector.targetGain, dbToGain(8.0), kGainTolerance);
  EXPECT_NEAR(f.detector.lastLevel, -20.0, kDbTolerance);
  f.block(-25.0);
  EXPECT_NEAR(f.detector.targetGain, dbToGain(8.0), kGainTolerance) << "a quieter block keeps the gain";
  f.block(-15.0);
  EXPECT_NEAR(f.detector.targetGain, dbToGain(3.0), kGainTolerance);
  f.block(-15.0);
  EXPECT_NEAR(f.detector.referenceLevel, -15.0, kDbTolerance) << "an equal level does not update";
}

TEST(GainLaw, BoostIsLimitedTo30DbAndCutIsUnlimited)
{
  PeakFixture quiet(-12.0, -90.0);
  quiet.block(-50.0);
  EXPECT_NEAR(quiet.detector.targetGain, dbToGain(30.0), kGainTolerance);

  PeakFixture loud(-40.0, -90.0);
  loud.block(-1.0);
  EXPECT_NEAR(loud.detector.targetGain, dbToGain(-39.0), kGainTolerance);
}

TEST(GainLaw, LevelsBelowTheGateNeverChangeTheGain)
{
  for (bool continuous : {false, true})
  {
    PeakFixture f(-12.0, -60.0, continuous);
    f.block(-70.0);
    EXPECT_EQ(f.detector.targetGain, 1.0);
    f.block(-30.0);
    f.block(-70.0);
    EXPECT_NEAR(f.detector.targetGain, dbToGain(18.0), kGainTolerance);
    StereoBuffer silence(64);
    f.detector.process(silence.channels(), 64);
    EXPECT_EQ(f.detector.lastLevel, -kInf);
    EXPECT_NEAR(f.detector.targetGain, dbToGain(18.0), kGainTolerance);
  }
}

TEST(GainLaw, ContinuousModeFollowsEveryBlockAtOrAboveTheGate)
{
  PeakFixture f(-12.0, -60.0, true);
  f.block(-20.0);
  f.block(-30.0);
  EXPECT_NEAR(f.detector.targetGain, dbToGain(18.0), kGainTolerance);
  f.block(-30.0);
  EXPECT_NEAR(f.detector.targetGain, dbToGain(18.0), kGainTolerance) << "an equal level is taken in Continuous mode";
}

TEST(GainSmoother, RisesWithAHalfSecondTimeConstantAndAppliesInPlace)
{
  constexpr int kRate = 48000;
  AutoGainDB detector;
  detector.prepare(kRate);
  detector.gateLevel = 0.0; // nothing passes: the target gain stays 1
  detector.applyGain = true;

  const int frames = static_cast<int>(0.6 * kRate);
  StereoBuffer ones(frames);
  fillConstant(ones, 0.5, 0.5);
  detector.process(ones.channels(), frames);

  const double expected = 1.0 - std::exp(-1.0);
  EXPECT_NEAR(detector.smoothedGain, expected, 1e-4);
  EXPECT_NEAR(ones.left.back(), 0.5 * detector.smoothedGain, 1e-12);
  EXPECT_NEAR(ones.right.back(), 0.5 * detector.smoothedGain, 1e-12);
  for (int i = 1; i < frames; ++i)
    ASSERT_GT(ones.left[static_cast<size_t>(i)], ones.left[static_cast<size_t>(i) - 1]) << "monotonic at " << i;
}

TEST(GainSmoother, RunsWithoutApplyingAndFallsTowardsALowerTarget)
{
  AutoGainDB detector;
  detector.prepare(48000);
  detector.gateLevel = -60.0;
  detector.targetLevel = -12.0;
  StereoBuffer block(48000);
  fillConstant(block, 0.5, 0.5);
  const double before = block.left[100];
  detector.process(block.channels(), block.frames());
  EXPECT_EQ(block.left[100], before) << "without applyGain the samples are untouched";
  EXPECT_GT(detector.smoothedGain, 0.0);

  // A louder block lowers the target: the smoother now falls towards it.
  detector.smoothedGain = 2.0;
  fillConstant(block, 1.0, 1.0);
  detector.process(block.channels(), block.frames());
  EXPECT_LT(detector.smoothedGain, 2.0);
  EXPECT_GT(detector.smoothedGain, detector.targetGain);
}

TEST(PeakDetector, ReadsTheLargerMagnitudeOfEitherChannel)
{
  AutoGainDB detector;
  detector.prepare(44100);
  StereoBuffer buffer(16);
  buffer.left[2] = -0.25;
  buffer.right[9] = 0.5;
  EXPECT_NEAR(detector.measure(buffer.channels(), 16), 20.0 * std::log10(0.5), kDbTolerance);
  EXPECT_EQ(detector.measure(buffer.channels(), 0), -kInf) << "an empty block is silence";
}

TEST(VuDetector, FullScaleDcConvergesToTheScaledPeakPlus18)
{
  AutoGainVU detector;
  detector.prepare(48000);
  StereoBuffer dc(48000);
  fillConstant(dc, 1.0, 1.0);
  double level = 0.0;
  for (int i = 0; i < 3; ++i)
    level = detector.measure(dc.channels(), dc.frames());
  EXPECT_NEAR(level, 20.0 * std::log10(1.566751) + 18.0, 1e-3);
  EXPECT_NEAR(level, 21.9, 0.05);

  detector.reset();
  StereoBuffer silence(256);
  EXPECT_EQ(detector.measure(silence.channels(), 256), -kInf);
}

TEST(VuDetector, SineAtMinus18DbfsReadsAboutZeroVu)
{
  constexpr double kRate = 48000.0;
  AutoGainVU detector;
  detector.prepare(48000);
  StereoBuffer sine(48000);
  double level = 0.0;
  for (int second = 0; second < 2; ++second)
  {
    fillSine(sine, 1000.0, -18.0, kRate, second * 48000);
    level = detector.measure(sine.channels(), sine.frames());
  }
  EXPECT_NEAR(level, 0.0, 0.1);
}

TEST(VuDetector, CarriesItsStateAcrossBlocks)
{
  AutoGainVU whole;
  AutoGainVU pieces;
  whole.prepare(44100);
  pieces.prepare(44100);
  StereoBuffer sine(1000);
  fillSine(sine, 440.0, -6.0, 44100.0);
  const double wholeLevel = whole.measure(sine.channels(), 1000);
  double* ch[2] = {sine.left.data(), sine.right.data()};
  double piecesLevel = -kInf;
  for (int i = 0; i < 1000; ++i)
  {
    double* frame[2] = {ch[0] + i, ch[1] + i};
    piecesLevel = std::max(piecesLevel, pieces.measure(frame, 1));
  }
  EXPECT_DOUBLE_EQ(wholeLevel, piecesLevel) << "block maximum equals the maximum of single-frame blocks";
}

TEST(RmsDetector, WindowIs600MillisecondsOfFrames)
{
  AutoGainRMS detector;
  detector.prepare(44100);
  EXPECT_EQ(detector.window().length(), 26460);
  detector.prepare(48000);
  EXPECT_EQ(detector.window().length(), 28800);
}

TEST(RmsDetector, SquareWaveOnOneChannelRisesToZeroDbfs)
{
  constexpr int kRate = 48000;
  constexpr int kWindow = 28800;
  AutoGainRMS detector;
  detector.prepare(kRate);

  StereoBuffer square(1000);
  for (int i = 0; i < square.frames(); ++i)
    square.left[static_cast<size_t>(i)] = (i / 24) % 2 ? 1.0 : -1.0;

  // After k < N frames the zeros of the reset still take part.
  const double partial = detector.measure(square.channels(), 1000);
  EXPECT_NEAR(partial, 20.0 * std::log10(std::sqrt(1000.0 / kWindow)), 1e-9);

  double level = partial;
  for (int i = 1; i < 40; ++i)
    level = detector.measure(square.channels(), 1000);
  EXPECT_NEAR(level, 0.0, 1e-9);

  detector.reset();
  StereoBuffer silence(64);
  EXPECT_EQ(detector.measure(silence.channels(), 64), -kInf);
}

TEST(RmsDetector, ARestartForgetsEverythingTheWindowHeld)
{
  // A loud second, then a restart: from there on the detector reads exactly as a new one
  // fed the same quiet programme, before its window has filled and after it wraps.
  constexpr int kRate = 48000;
  constexpr int kBlock = 480;
  AutoGainRMS used, fresh;
  used.prepare(kRate);
  fresh.prepare(kRate);
  Noise loud(3), quiet(5);
  StereoBuffer block(kBlock);
  for (int b = 0; b < kRate / kBlock; ++b)
  {
    for (int i = 0; i < kBlock; ++i)
      block.left[static_cast<size_t>(i)] = block.right[static_cast<size_t>(i)] = loud.next();
    used.measure(block.channels(), kBlock);
  }
  used.restart();
  for (int b = 0; b < 2 * kRate / kBlock; ++b) // two windows and more
  {
    for (int i = 0; i < kBlock; ++i)
    {
      block.left[static_cast<size_t>(i)] = 0.01 * quiet.next();
      block.right[static_cast<size_t>(i)] = 0.02 * quiet.next();
    }
    const double expected = fresh.measure(block.channels(), kBlock);
    ASSERT_NEAR(used.measure(block.channels(), kBlock), expected, kDbTolerance) << "block " << b;
    ASSERT_NEAR(used.window().fullSumOfSquares(), fresh.window().fullSumOfSquares(), 1e-15) << "block " << b;
  }
}

TEST(RmsDetector, RunningSumMatchesAFullReSumOverAnHourWithSilences)
{
  // An hour at 8 kHz in blocks of 1000 frames: loud, quiet and silent stretches, so the
  // running sum is taken through large swings many times between two wraps.
  constexpr int kRate = 8000;
  constexpr int kBlock = 1000;
  constexpr int kBlocks = 3600 * kRate / kBlock;
  AutoGainRMS detector;
  detector.prepare(kRate);
  Noise noise(7);
  StereoBuffer block(kBlock);
  double worstDb = 0.0;
  bool sawSilence = false;
  for (int b = 0; b < kBlocks; ++b)
  {
    const int phase = (b / 7) % 5; // stretches of 7 blocks
    const double amplitude = phase == 0 ? 1.0 : phase == 1 ? 1e-5 : phase == 2 ? 0.0 : phase == 3 ? 0.3 : 1e-3;
    for (int i = 0; i < kBlock; ++i)
    {
      block.left[static_cast<size_t>(i)] = amplitude * noise.next();
      block.right[static_cast<size_t>(i)] = amplitude * noise.next();
    }
    if (b % 97 == 96) // a long silence now and then empties the whole window
      std::fill(block.left.begin(), block.left.end(), 0.0), std::fill(block.right.begin(), block.right.end(), 0.0);
    const double level = detector.measure(block.channels(), kBlock);
    const double reference = 20.0 * std::log10(std::sqrt(detector.window().fullSumOfSquares() / detector.window().length()));
    if (std::isinf(reference))
    {
      ASSERT_EQ(level, -kInf) << "block " << b;
      sawSilence = true;
    }
    else
      worstDb = std::max(worstDb, std::fabs(level - reference));
  }
  EXPECT_LT(worstDb, 1e-6);
  EXPECT_TRUE(sawSilence) << "the programme must empty the window at least once";
}

TEST(CompensatedSums, TheSse2AndAvxPathsGiveTheSameBits)
{
  using processor::Extension;
  if (!processor::uses(Extension::avx))
    GTEST_SKIP() << "without AVX this processor has one path only";
  // Magnitudes spread over 300 decades, zeros among them, and every length up to a few
  // vectors past the lanes, so the rounding errors, the zero counts and the tails all
  // count; squares stay finite.
  Noise noise(11);
  std::vector<double> values(71);
  for (size_t i = 0; i < values.size(); ++i)
    values[i] = i % 7 == 3 ? 0.0 : noise.next() * std::pow(10.0, static_cast<double>((i * 37) % 300) - 150.0);
  auto bits = [](const CompensatedSum& s) {
    return std::vector<uint64_t>{std::bit_cast<uint64_t>(s.sum), std::bit_cast<uint64_t>(s.compensation),
                                 static_cast<uint64_t>(s.nonZero)};
  };
  for (int count = 0; count <= static_cast<int>(values.size()); ++count)
    for (auto* sum : {&compensatedSumOf, &compensatedSumOfSquares})
    {
      const auto avx = bits(sum(values.data(), count));
      processor::ExtensionCap sse2(Extension::sse2);
      EXPECT_EQ(bits(sum(values.data(), count)), avx)
        << (sum == &compensatedSumOf ? "sum" : "sum of squares") << " of " << count << " values";
    }
}

TEST(SampleDetectors, DependOnlyOnTheLargerMagnitudeAtEachFrame)
{
  Noise noise(3);
  StereoBuffer mixed(4000);
  StereoBuffer maxOnly(4000);
  for (int i = 0; i < 4000; ++i)
  {
    const double a = noise.next(), b = noise.next();
    mixed.left[static_cast<size_t>(i)] = a;
    mixed.right[static_cast<size_t>(i)] = b;
    maxOnly.left[static_cast<size_t>(i)] = std::max(std::fabs(a), std::fabs(b));
  }
  AutoGainDB peakA, peakB;
  AutoGainVU vuA, vuB;
  AutoGainRMS rmsA, rmsB;
  for (AutoGainBase* d : {static_cast<AutoGainBase*>(&peakA), static_cast<AutoGainBase*>(&peakB),
                          static_cast<AutoGainBase*>(&vuA), static_cast<AutoGainBase*>(&vuB),
                          static_cast<AutoGainBase*>(&rmsA), static_cast<AutoGainBase*>(&rmsB)})
    d->prepare(44100);
  EXPECT_EQ(peakA.measure(mixed.channels(), 4000), peakB.measure(maxOnly.channels(), 4000));
  EXPECT_EQ(vuA.measure(mixed.channels(), 4000), vuB.measure(maxOnly.channels(), 4000));
  EXPECT_EQ(rmsA.measure(mixed.channels(), 4000), rmsB.measure(maxOnly.channels(), 4000));
}

TEST(SampleDetectors, NonFiniteSamplesMeasureAsZeroAndLeaveNoTrace)
{
  AutoGainVU vu;
  AutoGainRMS rms;
  AutoGainDB peak;
  vu.prepare(48000);
  rms.prepare(48000);
  peak.prepare(48000);
  StereoBuffer bad(512);
  fillConstant(bad, 0.25, 0.25);
  bad.left[10] = std::numeric_limits<double>::quiet_NaN();
  bad.right[11] = kInf;
  bad.left[12] = -kInf;
  EXPECT_NEAR(peak.measure(bad.channels(), 512), 20.0 * std::log10(0.25), kDbTolerance);
  EXPECT_TRUE(std::isfinite(vu.measure(bad.channels(), 512)));
  EXPECT_TRUE(std::isfinite(rms.measure(bad.channels(), 512)));

  // Silence long enough to empty both windows reads silence again: nothing stuck.
  StereoBuffer silence(48000);
  rms.measure(silence.channels(), 48000);
  EXPECT_EQ(rms.measure(silence.channels(), 1), -kInf);
  for (int i = 0; i < 200; ++i)
    vu.measure(silence.channels(), 48000);
  EXPECT_LT(vu.measure(silence.channels(), 1), -200.0);
}
