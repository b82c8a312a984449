#include "ReferenceMeter.h"
#include "Signals.h"

#include "engine/AutoGainLUFS.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace
{
constexpr double kLufsTolerance = 0.1;
constexpr double kInf = std::numeric_limits<double>::infinity();

double measureSine(AutoGainLUFS& detector, double seconds, int rate = 48000)
{
  StereoBuffer block(480);
  double level = -kInf;
  const int blocks = static_cast<int>(seconds * rate / 480);
  for (int b = 0; b < blocks; ++b)
  {
    fillSine(block, 1000.0, -23.0, rate, static_cast<int64_t>(b) * 480);
    level = detector.measure(block.channels(), 480);
  }
  return level;
}

// Loud noise, then a passage 10 dB quieter, in blocks of `blockFrames`.
void fillProgramme(StereoBuffer& block, Noise& noise, int blockIndex, int blocksPerSecond)
{
  const double amplitude = blockIndex < 10 * blocksPerSecond ? 0.3 : 0.3 * dbToGain(-10.0);
  for (int i = 0; i < block.frames(); ++i)
  {
    block.left[static_cast<size_t>(i)] = amplitude * noise.next();
    block.right[static_cast<size_t>(i)] = amplitude * noise.next();
  }
}
}

TEST(LoudnessDetectors, SineAtMinus23DbfsReadsMinus23Lufs)
{
  AutoGainLUFSMomentary momentary;
  momentary.prepare(48000);
  EXPECT_NEAR(measureSine(momentary, 0.4), -23.0, kLufsTolerance);

  AutoGainLUFSShortTerm shortTerm;
  shortTerm.prepare(48000);
  EXPECT_NEAR(measureSine(shortTerm, 3.0), -23.0, kLufsTolerance);
  shortTerm.reset();
  EXPECT_LT(measureSine(shortTerm, 1.0), -23.0 - 3.0) << "until the 3 s window fills, its zeros count";

  AutoGainLUFSIntegrated integrated;
  integrated.prepare(48000);
  EXPECT_NEAR(measureSine(integrated, 5.0), -23.0, kLufsTolerance);
}

TEST(LoudnessDetectors, SilenceAfterAResetReadsMinusInfinityAndKeepsTheGain)
{
  AutoGainLUFSMomentary momentary;
  AutoGainLUFSShortTerm shortTerm;
  AutoGainLUFSIntegrated integrated;
  for (AutoGainLUFS* d : {static_cast<AutoGainLUFS*>(&momentary), static_cast<AutoGainLUFS*>(&shortTerm),
                          static_cast<AutoGainLUFS*>(&integrated)})
  {
    d->prepare(44100);
    d->targetLevel = -23.0;
    d->gateLevel = -70.0;
    StereoBuffer silence(4410);
    for (int i = 0; i < 10; ++i)
      d->process(silence.channels(), silence.frames());
    EXPECT_EQ(d->lastLevel, -kInf);
    EXPECT_EQ(d->targetGain, 1.0);
  }
}

TEST(LoudnessDetectors, IntegratedSwitchesToShortTermWhenItFallsMoreThan3LuBelow)
{
  AutoGainLUFSIntegrated integrated;
  integrated.prepare(48000);
  ReferenceMeter referenceS(48000, EBUR128_MODE_S);
  Noise noise(9);
  StereoBuffer block(4800);
  double loudReading = 0.0;
  bool switched = false;
  for (int b = 0; b < 10 * 14; ++b)
  {
    fillProgramme(block, noise, b, 10);
    referenceS.add(block);
    const double reading = integrated.measure(block.channels(), 4800);
    if (b == 99)
      loudReading = reading;
    if (b >= 100 && std::fabs(reading - referenceS.shortTerm()) < 1e-6 && reading < loudReading - 3.0)
      switched = true;
  }
  EXPECT_TRUE(switched) << "the quieter passage must be read from the short-term loudness";
}

TEST(LoudnessDetectors, ResetStartsTheMeasurementAfresh)
{
  // After loud audio and a reset, every reading equals that of a detector that never
  // heard the loud audio: windows, filter history and gating all start again.
  AutoGainLUFSMomentary momentary, freshMomentary;
  AutoGainLUFSShortTerm shortTerm, freshShortTerm;
  AutoGainLUFSIntegrated integrated, freshIntegrated;
  AutoGainLUFS* used[] = {&momentary, &shortTerm, &integrated};
  AutoGainLUFS* fresh[] = {&freshMomentary, &freshShortTerm, &freshIntegrated};
  for (int d = 0; d < 3; ++d)
  {
    used[d]->prepare(48000);
    fresh[d]->prepare(48000);
    measureSine(*used[d], 4.1);
    used[d]->reset();
    Noise a(2), b(2);
    StereoBuffer block(4800);
    for (int i = 0; i < 40; ++i)
    {
      fillProgramme(block, a, 200, 10);
      const double afterReset = used[d]->measure(block.channels(), 4800);
      fillProgramme(block, b, 200, 10);
      ASSERT_EQ(afterReset, fresh[d]->measure(block.channels(), 4800)) << "detector " << d << " block " << i;
    }
  }
}

TEST(LoudnessDetectors, RefusedStateMeasuresSilenceAndNeverCrashes)
{
  AutoGainLUFSMomentary momentary;
  AutoGainLUFSIntegrated integrated;
  momentary.prepare(8); // below the lowest rate the windows are defined for
  integrated.prepare(8);
  EXPECT_FALSE(momentary.isPrepared());
  EXPECT_FALSE(integrated.isPrepared());
  StereoBuffer block(64);
  fillConstant(block, 0.5, 0.5);
  EXPECT_EQ(momentary.measure(block.channels(), 64), -kInf);
  integrated.process(block.channels(), 64);
  EXPECT_EQ(integrated.lastLevel, -kInf);
  momentary.reset();
  integrated.reset();
}

TEST(LoudnessDetectors, BadSamplesOnEitherChannelLeaveNoTrace)
{
  // NaN and infinity are measured as 0; the largest finite samples reach the filter and
  // overflow its state, which must be cleared for each channel before the next block.
  const double bad[][2] = {{std::numeric_limits<double>::quiet_NaN(), kInf},
                           {std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()}};
  for (const auto& samples : bad)
    for (int channel = 0; channel < 2; ++channel)
    {
      AutoGainLUFSMomentary momentary;
      momentary.prepare(48000);
      StereoBuffer block(480);
      fillSine(block, 1000.0, -23.0, 48000.0);
      std::vector<double>& hit = channel == 0 ? block.left : block.right;
      hit[5] = samples[0];
      hit[6] = samples[1];
      momentary.measure(block.channels(), 480);
      EXPECT_NEAR(measureSine(momentary, 1.0), -23.0, kLufsTolerance)
        << "samples " << samples[0] << ", " << samples[1] << " on channel " << channel;
    }
}
