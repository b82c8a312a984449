// What hosts routinely do around a measurement: re-send values that did not change, reload
// a session and set processing up again, and change the target after an analysis. The
// user's analysis must survive all of it.

#include "Vst3Host.h"

#include "engine/Decibels.h"

#include <cmath>

using namespace vst3test;

namespace
{
constexpr int kBlockFrames = 512;
constexpr double kRate = 48000.0;
constexpr double kLevelToleranceDb = 1e-9;
// Normalized "Measure" for "LUFS Int." (index 4 of 6 entries) and "Target Value" (-60 .. 30).
constexpr double kIntegratedNormalized = 4.0 / 5.0;
double targetNormalized(double db) { return (db + 60.0) / 90.0; }

// A host playing a -20 dBFS sine through the plug-in with its transport running.
class Playback
{
public:
  explicit Playback(Instance& instance) : mInstance(instance), mBlock(2, kBlockFrames)
  {
    mContext.state = ProcessContext::kPlaying;
    mContext.sampleRate = kRate;
    mBlock.data.processContext = &mContext;
  }

  Block<double>& block() { return mBlock; }
  void setPlaying(bool playing) { mContext.state = playing ? ProcessContext::kPlaying : 0; }

  // Plays `seconds` of the sine; before every block `beforeBlock(block)` may queue changes.
  template <typename BeforeBlock>
  void play(double seconds, double amplitude, BeforeBlock beforeBlock)
  {
    const int blocks = static_cast<int>(seconds * kRate / kBlockFrames);
    for (int b = 0; b < blocks; ++b)
    {
      for (int f = 0; f < kBlockFrames; ++f)
      {
        const double x = amplitude * std::sin(2.0 * 3.141592653589793 * 997.0 * (mFrame + f) / kRate);
        mBlock.in[0][static_cast<size_t>(f)] = mBlock.in[1][static_cast<size_t>(f)] = x;
      }
      mFrame += kBlockFrames;
      beforeBlock(mBlock);
      ASSERT_EQ(mBlock.run(*mInstance.plug), kResultOk);
    }
  }
  void play(double seconds, double amplitude = 0.1)
  {
    play(seconds, amplitude, [](Block<double>&) {});
  }

private:
  Instance& mInstance;
  Block<double> mBlock;
  ProcessContext mContext{};
  long mFrame = 0;
};

// Queues every exported framework parameter at the value the host reads back for it.
void resendEverything(Instance& i, Block<double>& block)
{
  for (int p = 0; p < kParamCount; ++p)
    block.change(static_cast<ParamID>(p), i->getParamNormalized(static_cast<ParamID>(p)));
  block.change(IPlugVST3::kBypassParamId, i->getParamNormalized(IPlugVST3::kBypassParamId));
}

// "LUFS Int." at -23, Standard mode, Normalize on: the analysis the user runs.
void chooseIntegratedAt(Instance& i, double targetDb)
{
  Block<double> block(2, 16);
  block.change(kMeasure, kIntegratedNormalized).change(kTargetValue, targetNormalized(targetDb));
  ASSERT_EQ(block.run(*i.plug), kResultOk);
}

double gainDb(Instance& i) { return i->ParamAt(kGain)->Value(); }
} // namespace

TEST(Vst3Session, ValuesReSentEveryBlockChangeNothingInTheAnalysis)
{
  Instance quiet, busy;
  chooseIntegratedAt(quiet, -23.0);
  chooseIntegratedAt(busy, -23.0);
  Playback quietHost(quiet), busyHost(busy);
  quietHost.play(60.0);
  busyHost.play(60.0, 0.1, [&](Block<double>& block) { resendEverything(busy, block); });

  ASSERT_GT(quiet->MeasuredLevel(), -99.0);
  EXPECT_NEAR(busy->MeasuredLevel(), quiet->MeasuredLevel(), kLevelToleranceDb);
  EXPECT_NEAR(gainDb(busy), gainDb(quiet), kLevelToleranceDb);
}

TEST(Vst3Session, AReloadedSessionKeepsItsMeasuredLevelThroughSetUpAndReSentValues)
{
  std::vector<uint8> saved;
  double level = 0.0, gain = 0.0;
  {
    Instance original;
    chooseIntegratedAt(original, -23.0);
    Playback host(original);
    host.play(5.0);
    host.setPlaying(false); // the stop ends the analysis; Normalize keeps the gain
    host.play(0.1);
    level = original->MeasuredLevel();
    gain = gainDb(original);
    saved = stateOf(*original.plug);
  }
  ASSERT_GT(level, -99.0);

  // Hosts restore, then set processing up and activate (in either order), then send the
  // values of their automation lanes, then save again.
  for (bool setupFirst : {false, true})
  {
    Instance reloaded;
    if (setupFirst)
    {
      ASSERT_EQ(reloaded.setup(kSample32, 1024, 44100.0), kResultOk);
      ASSERT_EQ(restore(*reloaded.plug, saved), kResultOk);
    }
    else
    {
      ASSERT_EQ(restore(*reloaded.plug, saved), kResultOk);
      ASSERT_EQ(reloaded->setActive(0), kResultOk);
      ASSERT_EQ(reloaded.setup(kSample32, 1024, 44100.0), kResultOk);
      ASSERT_EQ(reloaded->setActive(1), kResultOk);
    }
    Playback host(reloaded);
    host.setPlaying(false);
    host.play(1.0, 0.1, [&](Block<double>& block) { resendEverything(reloaded, block); });

    EXPECT_NEAR(reloaded->MeasuredLevel(), level, kLevelToleranceDb) << "setup first: " << setupFirst;
    EXPECT_NEAR(gainDb(reloaded), gain, 1e-6) << "setup first: " << setupFirst;
    Instance again;
    ASSERT_EQ(restore(*again.plug, stateOf(*reloaded.plug)), kResultOk);
    EXPECT_NEAR(again->MeasuredLevel(), level, kLevelToleranceDb) << "setup first: " << setupFirst;
  }
}

TEST(Vst3Session, ANewTargetAfterTheAnalysisAppliesAtOnceWithoutAClick)
{
  Instance i;
  chooseIntegratedAt(i, -23.0);
  Playback host(i);
  host.play(5.0);
  host.setPlaying(false);
  host.play(2.0); // the smoother has settled on the analysed gain
  const double level = i->MeasuredLevel();
  ASSERT_GT(level, -99.0);
  EXPECT_NEAR(gainDb(i), -23.0 - level, 0.01);

  // The user asks for -16 instead: the kept level and the new target give the gain.
  host.play(kBlockFrames / kRate, 0.1, [&](Block<double>& block) { block.change(kTargetValue, targetNormalized(-16.0)); });
  const double oldGain = Decibels::toLinear(-23.0 - level);
  const double newGain = Decibels::toLinear(-16.0 - level);
  const Block<double>& ramp = host.block();
  // The block ramps from the old gain to the new one, sample by sample, with no jump.
  double previousRatio = oldGain;
  for (int f = 0; f < kBlockFrames; ++f)
  {
    const double in = ramp.in[0][static_cast<size_t>(f)];
    if (std::fabs(in) < 1e-3)
      continue;
    const double ratio = ramp.out[0][static_cast<size_t>(f)] / in;
    EXPECT_GE(ratio, previousRatio - 1e-9) << "frame " << f;
    EXPECT_LE(ratio, newGain + 1e-9) << "frame " << f;
    previousRatio = ratio;
  }
  EXPECT_NEAR(previousRatio, newGain, newGain * 0.01);
  EXPECT_NEAR(gainDb(i), -16.0 - level, 1e-6) << "the Gain readout follows";

  host.play(0.5);
  const double in = host.block().in[1][100];
  EXPECT_NEAR(host.block().out[1][100], in * newGain, 1e-9);
  EXPECT_NEAR(i->MeasuredLevel(), level, kLevelToleranceDb) << "the measured level is kept";

  // A target that would lift by more than +30 dB is capped there.
  host.play(kBlockFrames / kRate, 0.1, [&](Block<double>& block) { block.change(kTargetValue, targetNormalized(30.0)); });
  host.play(0.1);
  EXPECT_NEAR(gainDb(i), std::min(30.0, 30.0 - level), 1e-6);
}

TEST(Vst3Session, AGroupMemberTakesTheNewTargetTheSameWay)
{
  Instance leader, member;
  for (Instance* i : {&leader, &member})
  {
    chooseIntegratedAt(*i, -23.0);
    Block<double> block(2, 16);
    block.change(kGroup, 1.0); // "Group 8"
    ASSERT_EQ(block.run(*i->plug), kResultOk);
  }
  Playback memberHost(member);
  memberHost.play(5.0, 0.05);
  memberHost.setPlaying(false);
  memberHost.play(0.1, 0.05);
  const double memberLevel = member->MeasuredLevel();
  ASSERT_GT(memberLevel, -99.0);

  // The leader's editor sets -18; the member receives it on its next block.
  leader->SetParameterFromGUI(kTargetValue, targetNormalized(-18.0));
  memberHost.play(0.1, 0.05);
  EXPECT_NEAR(member->ParamAt(kTargetValue)->Value(), -18.0, 1e-9);
  EXPECT_NEAR(gainDb(member), -18.0 - memberLevel, 1e-6);
}
