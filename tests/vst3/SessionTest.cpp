// What hosts routinely do around a measurement: re-send values that did not change, reload
// a session and set processing up again, and change the target after an analysis. The
// user's analysis must survive all of it.

#include "Vst3Host.h"

#include "WDL/IPlug/IControl.h"
#include "engine/Decibels.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>

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
  // The block ramps from the old gain to the new one, sample by sample, with no jump: no
  // frame moves further from the old gain than an even ramp over the block would.
  const double stepPerFrame = (newGain - oldGain) / kBlockFrames;
  ASSERT_GT(stepPerFrame, 0.0);
  double previousRatio = oldGain;
  int previousFrame = -1;
  for (int f = 0; f < kBlockFrames; ++f)
  {
    const double in = ramp.in[0][static_cast<size_t>(f)];
    if (std::fabs(in) < 1e-3)
      continue;
    const double ratio = ramp.out[0][static_cast<size_t>(f)] / in;
    EXPECT_GE(ratio, previousRatio - 1e-9) << "frame " << f;
    EXPECT_LE(ratio - previousRatio, stepPerFrame * (f - previousFrame) * 1.001 + 1e-9) << "frame " << f;
    EXPECT_LE(ratio, newGain + 1e-9) << "frame " << f;
    previousRatio = ratio;
    previousFrame = f;
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

// ---- What a DAW does many times a session: A/B compare, undo, loading a state or a
// preset into a running instance, host edits while the engine is stopped. After each
// step the instance holds and plays exactly what the loaded state says. ----

namespace
{
// A saved state and what its document says.
struct Saved
{
  std::vector<uint8> bytes;
  std::array<double, kParamCount> values{};
  double level = 0.0;
};

Saved save(Instance& i)
{
  Saved saved;
  saved.bytes = stateOf(*i.plug);
  int32_t length = 0;
  std::memcpy(&length, saved.bytes.data(), 4);
  const auto document = nlohmann::json::parse(saved.bytes.begin() + 4, saved.bytes.begin() + 4 + length);
  for (const auto& element : document["params"])
    for (int p = 0; p < kParamCount; ++p)
      if (element["name"] == i->ParamAt(p)->Name())
        saved.values[static_cast<size_t>(p)] = element["value"].get<double>();
  saved.level = document["maxpeak"].get<double>();
  return saved;
}

// Every value, the host's view of it, the level, the gain readout and one block of
// output are those of `saved` (a Standard-mode state with the analysis off).
void expectPlays(Instance& i, Playback& host, const Saved& saved, const std::string& step)
{
  for (int p = 0; p < kParamCount; ++p)
  {
    const IPlugParam& param = *i->ParamAt(p);
    EXPECT_EQ(param.Value(), saved.values[static_cast<size_t>(p)]) << step << ": " << param.Name();
    EXPECT_EQ(i->getParamNormalized(static_cast<ParamID>(p)), param.ToNormalized(saved.values[static_cast<size_t>(p)]))
        << step << ": the host's view of " << param.Name();
  }
  EXPECT_EQ(i->MeasuredLevel(), saved.level) << step;
  host.play(kBlockFrames / kRate);
  const Block<double>& block = host.block();
  const double gain = saved.values[kNormalize] >= 0.5 ? Decibels::toLinear(saved.values[kGain]) : 1.0;
  for (int f : {0, 1, kBlockFrames / 2, kBlockFrames - 1})
  {
    const double expected = block.in[0][static_cast<size_t>(f)] * gain;
    EXPECT_NEAR(block.out[0][static_cast<size_t>(f)], expected, std::fabs(expected) * 1e-12) << step << ": frame " << f;
  }
  EXPECT_EQ(gainDb(i), saved.values[kGain]) << step << ": the gain readout";
  EXPECT_EQ(i->ReadoutValues().gainDb(), saved.values[kGain]) << step;
  EXPECT_EQ(i->MeasuredLevel(), saved.level) << step << ": after a block";
}

// Analyses `seconds` of the sine at `amplitude` ("LUFS Int.", target `targetDb`), then
// stops the transport: the analysis ends and Normalize applies its gain.
void analyse(Instance& i, Playback& host, double targetDb, double amplitude, double seconds = 3.0)
{
  chooseIntegratedAt(i, targetDb);
  host.setPlaying(true);
  host.play(seconds, amplitude);
  host.setPlaying(false);
  host.play(0.1, amplitude);
}

void inOneBlock(Playback& host, std::function<void(Block<double>&)> changes)
{
  host.play(kBlockFrames / kRate, 0.1, changes);
}
} // namespace

TEST(Vst3DawSession, ABCompareUndoAndASecondInstancePlayTheLoadedState)
{
  Instance a;
  Playback host(a);
  analyse(a, host, -23.0, 0.1);
  const Saved analysed = save(a);
  ASSERT_GT(analysed.level, -99.0);
  ASSERT_EQ(analysed.values[kAnalyze], 0.0);

  // The user tries another target in Continuous mode, then compares with the saved state.
  inOneBlock(host, [](Block<double>& b) { b.change(kTargetValue, targetNormalized(-16.0)).change(kMode, 1.0); });
  host.play(0.5);
  ASSERT_EQ(restore(*a.plug, analysed.bytes), kResultOk);
  expectPlays(a, host, analysed, "A/B out of Continuous");

  // Two edits, each an undo step; undo twice.
  inOneBlock(host, [](Block<double>& b) { b.change(kTargetValue, targetNormalized(-18.0)); });
  const Saved firstEdit = save(a);
  EXPECT_NEAR(firstEdit.values[kGain], -18.0 - analysed.level, 1e-9) << "the new target applies to the kept level";
  inOneBlock(host, [](Block<double>& b) { b.change(kTargetValue, targetNormalized(-30.0)).change(kGate, 0.5); });
  ASSERT_EQ(restore(*a.plug, firstEdit.bytes), kResultOk);
  expectPlays(a, host, firstEdit, "first undo");
  ASSERT_EQ(restore(*a.plug, analysed.bytes), kResultOk);
  expectPlays(a, host, analysed, "second undo");

  // After the restore a new target works from the restored level.
  inOneBlock(host, [](Block<double>& b) { b.change(kTargetValue, targetNormalized(-11.0)); });
  EXPECT_NEAR(gainDb(a), -11.0 - analysed.level, 1e-9);

  // A second live instance that measured its own, different level.
  Instance b;
  Playback hostB(b);
  analyse(b, hostB, -23.0, 0.01);
  ASSERT_GT(std::fabs(b->MeasuredLevel() - analysed.level), 10.0);
  ASSERT_EQ(restore(*b.plug, analysed.bytes), kResultOk);
  expectPlays(b, hostB, analysed, "into a second instance");
  inOneBlock(hostB, [](Block<double>& block) { block.change(kTargetValue, targetNormalized(-13.0)); });
  EXPECT_NEAR(gainDb(b), -13.0 - analysed.level, 1e-9);
}

TEST(Vst3DawSession, LoadsOutOfContinuousModeKeepNormalize)
{
  // A Standard state with Normalize on and +8 dB held.
  Instance i;
  Playback host(i);
  inOneBlock(host, [](Block<double>& b) {
    b.change(kAnalyze, 0.0).change(kNormalize, 1.0).change(kGain, 68.0 / 120.0);
  });
  const Saved plusEight = save(i);
  ASSERT_NEAR(plusEight.values[kGain], 8.0, 1e-9);

  inOneBlock(host, [](Block<double>& b) { b.change(kMode, 1.0); });
  host.play(0.2);
  ASSERT_EQ(restore(*i.plug, plusEight.bytes), kResultOk);
  expectPlays(i, host, plusEight, "a state loaded out of Continuous");

  // The factory preset, chosen through the host's program change while in Continuous.
  inOneBlock(host, [](Block<double>& b) { b.change(kMode, 1.0); });
  inOneBlock(host, [](Block<double>& b) { b.change(IPlugVST3::kPresetParamId, 0.0); });
  EXPECT_EQ(i->ParamAt(kMode)->Value(), 0.0);
  EXPECT_EQ(i->ParamAt(kNormalize)->Value(), 1.0);
  inOneBlock(host, [](Block<double>& b) { b.change(kAnalyze, 0.0).change(kGain, kGainPlusSixNormalized); });
  host.play(0.1);
  EXPECT_NEAR(host.block().out[1][7], host.block().in[1][7] * kSixDbGain, 1e-12) << "Normalize applies";
}

TEST(Vst3DawSession, ANewTargetSurvivesTheHostReSendingGainInTheSameBlock)
{
  Instance i;
  Playback host(i);
  analyse(i, host, -23.0, 0.1);
  const double level = i->MeasuredLevel();
  for (const double target : {-16.0, -20.0, -26.5, -9.0})
  {
    // The host re-sends "Gain" as it read it back, through its own 32-bit storage.
    const auto readBack = static_cast<float>(i->getParamNormalized(kGain));
    inOneBlock(host, [&](Block<double>& b) { b.change(kTargetValue, targetNormalized(target)).change(kGain, readBack); });
    EXPECT_NEAR(gainDb(i), target - level, 1e-9) << target;
  }
}

TEST(Vst3DawSession, FailedLoadsChangeNothingAndLevelsAreKeptInRange)
{
  Instance i;
  Playback host(i);
  analyse(i, host, -23.0, 0.1);
  const Saved before = save(i);
  const auto stateWith = [](const std::string& text) {
    std::vector<uint8> bytes(4);
    const auto length = static_cast<int32_t>(text.size());
    std::memcpy(bytes.data(), &length, 4);
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.insert(bytes.end(), 4, uint8(0)); // the bypass word
    return bytes;
  };
  for (const char* text : {"null", "{}", "[]", "{\"maxpeak\":-20.0}", "{\"params\":null,\"maxpeak\":-20.0}"})
  {
    EXPECT_EQ(restore(*i.plug, stateWith(text)), kResultFalse) << text;
    expectPlays(i, host, before, text);
  }

  // A level beyond any a gain can bring to a target is clamped, as parameter values are.
  std::string huge(before.bytes.begin() + 4, before.bytes.end() - 4);
  huge.replace(huge.find(':') + 1, huge.find(',') - huge.find(':') - 1, "1e308");
  ASSERT_EQ(restore(*i.plug, stateWith(huge)), kResultOk);
  EXPECT_EQ(i->MeasuredLevel(), 90.0);
  inOneBlock(host, [](Block<double>& b) { b.change(kTargetValue, targetNormalized(-20.0)); });
  EXPECT_NEAR(gainDb(i), -60.0, 1e-9) << "the readout's floor";
  host.play(0.1);
  EXPECT_NEAR(host.block().out[0][9], host.block().in[0][9] * Decibels::toLinear(-110.0), 1e-15);
  EXPECT_NE(host.block().out[0][9], 0.0) << "not silence";
}

TEST(Vst3DawSession, AfterALoadTheHostReadsTheLoadedValuesAndIsToldToRereadThem)
{
  Instance i;
  Playback host(i);
  analyse(i, host, -23.0, 0.1);
  const Saved saved = save(i);
  auto handler = IPtr<RecordingHandler>::adopt(new RecordingHandler);
  ASSERT_EQ(i->setComponentHandler(handler.get()), kResultOk);

  // A validator sets every parameter at the controller, then restores the state.
  for (int p = 0; p < kParamCount; ++p)
    ASSERT_EQ(i->setParamNormalized(static_cast<ParamID>(p), 0.13 + 0.09 * p), kResultOk);
  ASSERT_EQ(restore(*i.plug, saved.bytes), kResultOk);
  expectPlays(i, host, saved, "restored over host values");
  EXPECT_NE(std::find(handler->calls.begin(), handler->calls.end(), "restart " + std::to_string(kParamValuesChanged)),
            handler->calls.end());
  i->setComponentHandler(nullptr);
}

TEST(Vst3DawSession, TheEditorFollowsHostEditsWhileAudioIsStopped)
{
  Instance i;
  IGraphics& editor = *i->GetGUI();
  const double gateBefore = i->ParamAt(kGate)->Value();
  ASSERT_EQ(i->setParamNormalized(kGate, 0.25), kResultOk);
  ASSERT_EQ(i->setParamNormalized(kMeasure, 1.0), kResultOk);
  editor.OnTimerTick();
  for (int c = 0; c < editor.ControlCount(); ++c)
  {
    const IControl& control = *editor.ControlAt(c);
    if (control.ParamIndex() == kGate)
    {
      EXPECT_EQ(control.Value(), 0.25);
    }
    if (control.ParamIndex() == kMeasure)
    {
      EXPECT_EQ(control.Value(), 1.0);
    }
  }
  EXPECT_NE(i->ParamAt(kGate)->Value(), gateBefore) << "what the host set is the plug-in's value, processed or not";
}

// A DAW reopening a session: it loads the component state and the controller's state,
// re-sends the values it stored (what it read back when saving, through 32-bit floats),
// and its first blocks may come before, between or after those. Every order plays the
// session as it was saved.
TEST(Vst3DawSession, EveryOrderOfStateLoadReSentValuesAndFirstBlocksPlaysTheSavedSession)
{
  Saved saved;
  std::array<float, kParamCount> stored{};
  {
    Instance original;
    Playback host(original);
    analyse(original, host, -23.0, 0.1);
    saved = save(original);
    for (int p = 0; p < kParamCount; ++p)
      stored[static_cast<size_t>(p)] = static_cast<float>(original->getParamNormalized(static_cast<ParamID>(p)));
  }
  ASSERT_GT(saved.level, -99.0);

  enum Step { kLoad, kLoadController, kResendInBlock, kResendAtController, kBlock, kPlayingBlocks, kSetUpAgain };
  const std::vector<std::vector<Step>> orders = {
      {kLoad, kLoadController, kResendInBlock},
      {kResendInBlock, kLoad, kLoadController},
      {kBlock, kLoad, kBlock, kLoadController, kResendInBlock},
      {kResendAtController, kLoad, kResendInBlock, kLoadController},
      {kLoad, kResendInBlock, kLoadController, kResendInBlock},
      {kBlock, kResendInBlock, kBlock, kLoad, kSetUpAgain, kLoadController, kResendInBlock},
      {kLoadController, kResendAtController, kBlock, kLoad, kResendInBlock, kBlock},
      {kPlayingBlocks, kResendInBlock, kLoad, kPlayingBlocks, kLoadController, kResendInBlock},
  };
  for (size_t o = 0; o < orders.size(); ++o)
  {
    Instance reopened;
    Playback host(reopened);
    host.setPlaying(false);
    for (const Step step : orders[o])
    {
      switch (step)
      {
      case kLoad: ASSERT_EQ(restore(*reopened.plug, saved.bytes), kResultOk); break;
      case kLoadController:
      {
        auto stream = IPtr<MemoryStream>::adopt(new MemoryStream(saved.bytes));
        ASSERT_EQ(reopened->setComponentState(stream.get()), kResultOk);
        break;
      }
      case kResendInBlock:
        inOneBlock(host, [&](Block<double>& b) {
          for (int p = 0; p < kParamCount; ++p)
            b.change(static_cast<ParamID>(p), stored[static_cast<size_t>(p)]);
        });
        break;
      case kResendAtController:
        for (int p = 0; p < kParamCount; ++p)
          reopened->setParamNormalized(static_cast<ParamID>(p), stored[static_cast<size_t>(p)]);
        break;
      case kBlock: host.play(kBlockFrames / kRate); break;
      case kPlayingBlocks: // the transport already runs: the fresh instance analyses
        host.setPlaying(true);
        host.play(0.2);
        host.setPlaying(false);
        break;
      case kSetUpAgain:
        reopened->setActive(0);
        ASSERT_EQ(reopened.setup(kSample64, kBlockFrames, kRate), kResultOk);
        reopened->setActive(1);
        break;
      }
    }
    // The export: the transport runs through the programme.
    host.setPlaying(true);
    host.play(0.5);
    EXPECT_EQ(reopened->MeasuredLevel(), saved.level) << "order " << o;
    const double gain = Decibels::toLinear(saved.values[kGain]);
    EXPECT_DOUBLE_EQ(host.block().out[1][200], host.block().in[1][200] * gain) << "order " << o;
    EXPECT_EQ(gainDb(reopened), saved.values[kGain]) << "order " << o;
  }
}
