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

// An independent libebur128 state fed one frame per call, the reference the detectors'
// block-wise feeding must match exactly.
class ReferenceMeter
{
public:
  ReferenceMeter(unsigned long rate, int mode) : mState(ebur128_init(2, rate, mode))
  {
    ebur128_set_channel(mState, 0, EBUR128_LEFT);
    ebur128_set_channel(mState, 1, EBUR128_RIGHT);
  }
  ~ReferenceMeter() { ebur128_destroy(&mState); }
  ReferenceMeter(const ReferenceMeter&) = delete;
  ReferenceMeter& operator=(const ReferenceMeter&) = delete;

  void addFrameByFrame(StereoBuffer& buffer)
  {
    for (int i = 0; i < buffer.frames(); ++i)
    {
      const double frame[2] = {buffer.left[static_cast<size_t>(i)], buffer.right[static_cast<size_t>(i)]};
      ebur128_add_frames_double(mState, frame, 1);
    }
  }
  double momentary() { double v = 0.0; ebur128_loudness_momentary(mState, &v); return v; }
  double shortTerm() { double v = 0.0; ebur128_loudness_shortterm(mState, &v); return v; }
  double global() { double v = 0.0; ebur128_loudness_global(mState, &v); return v; }

private:
  ebur128_state* mState;
};

template <typename Detector> double measureSine(Detector& detector, double seconds, int rate = 48000)
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

TEST(LoudnessDetectors, BlockFeedingReadsExactlyAsFrameByFrame)
{
  for (int blockFrames : {1, 32, 333, 4096})
  {
    AutoGainLUFSMomentary momentary;
    AutoGainLUFSShortTerm shortTerm;
    momentary.setMaxBlockFrames(256); // longer blocks are fed in pieces
    shortTerm.setMaxBlockFrames(256);
    momentary.prepare(44100);
    shortTerm.prepare(44100);
    ReferenceMeter referenceM(44100, EBUR128_MODE_M);
    ReferenceMeter referenceS(44100, EBUR128_MODE_S);
    Noise noise(11);
    StereoBuffer block(blockFrames);
    // Every read scans the library's window, so single-frame blocks run for 50 ms only.
    const int frames = blockFrames == 1 ? 2205 : 2 * 44100;
    const int blocks = frames / blockFrames;
    for (int b = 0; b < blocks; ++b)
    {
      fillProgramme(block, noise, b, 44100 / blockFrames);
      referenceM.addFrameByFrame(block);
      referenceS.addFrameByFrame(block);
      ASSERT_EQ(momentary.measure(block.channels(), blockFrames), referenceM.momentary()) << blockFrames << " " << b;
      ASSERT_EQ(shortTerm.measure(block.channels(), blockFrames), referenceS.shortTerm()) << blockFrames << " " << b;
    }
  }
}

TEST(LoudnessDetectors, IntegratedReadingEqualsTheUncachedRule)
{
  // 44100 and an odd rate whose 100 ms is not a whole number of frames.
  for (int rate : {44100, 22055})
    for (int blockFrames : {64, 777})
    {
      AutoGainLUFSIntegrated integrated;
      integrated.setMaxBlockFrames(blockFrames);
      integrated.prepare(rate);
      ReferenceMeter referenceI(static_cast<unsigned long>(rate), EBUR128_MODE_I);
      ReferenceMeter referenceS(static_cast<unsigned long>(rate), EBUR128_MODE_S);
      Noise noise(5);
      StereoBuffer block(blockFrames);
      const int blocksPerSecond = rate / blockFrames;
      for (int b = 0; b < 20 * blocksPerSecond; ++b)
      {
        fillProgramme(block, noise, b, blocksPerSecond);
        referenceI.addFrameByFrame(block);
        referenceS.addFrameByFrame(block);
        const double i = referenceI.global();
        const double s = referenceS.shortTerm();
        const double expected = std::fabs(s - i) > 3.0 ? s : i;
        const double reading = integrated.measure(block.channels(), blockFrames);
        ASSERT_TRUE(reading == expected || (std::isinf(reading) && std::isinf(expected)))
            << "rate " << rate << " block " << blockFrames << " #" << b << ": " << reading << " vs " << expected;
      }
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
    referenceS.addFrameByFrame(block);
    const double reading = integrated.measure(block.channels(), 4800);
    if (b == 99)
      loudReading = reading;
    if (b >= 100 && reading == referenceS.shortTerm() && reading < loudReading - 3.0)
      switched = true;
  }
  EXPECT_TRUE(switched) << "the quieter passage must be read from the short-term loudness";
}

TEST(LoudnessDetectors, ResetStartsTheMeasurementAfresh)
{
  AutoGainLUFSIntegrated integrated;
  integrated.prepare(48000);
  measureSine(integrated, 4.0);
  integrated.reset();
  AutoGainLUFSIntegrated fresh;
  fresh.prepare(48000);
  Noise a(2), b(2);
  StereoBuffer block(4800);
  for (int i = 0; i < 30; ++i)
  {
    fillProgramme(block, a, 200, 10);
    const double afterReset = integrated.measure(block.channels(), 4800);
    fillProgramme(block, b, 200, 10);
    ASSERT_EQ(afterReset, fresh.measure(block.channels(), 4800));
  }
}

TEST(LoudnessDetectors, RefusedStateMeasuresSilenceAndNeverCrashes)
{
  AutoGainLUFSMomentary momentary;
  AutoGainLUFSIntegrated integrated;
  momentary.prepare(8); // below the library's lowest rate
  integrated.prepare(8);
  EXPECT_FALSE(momentary.hasState());
  EXPECT_FALSE(integrated.hasState());
  StereoBuffer block(64);
  fillConstant(block, 0.5, 0.5);
  EXPECT_EQ(momentary.measure(block.channels(), 64), -kInf);
  integrated.process(block.channels(), 64);
  EXPECT_EQ(integrated.lastLevel, -kInf);
  momentary.reset();
  integrated.reset();
}

TEST(LoudnessDetectors, NonFiniteSamplesAreMeasuredAsZero)
{
  AutoGainLUFSMomentary momentary;
  momentary.prepare(48000);
  StereoBuffer block(480);
  fillSine(block, 1000.0, -23.0, 48000.0);
  block.left[5] = std::numeric_limits<double>::quiet_NaN();
  block.right[6] = kInf;
  momentary.measure(block.channels(), 480);
  const double level = measureSine(momentary, 1.0);
  EXPECT_NEAR(level, -23.0, kLufsTolerance) << "one bad sample must not freeze the state";
}
