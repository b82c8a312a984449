// Audio through the built bundle, as hosts send it: automation, bypass, bus
// arrangements, and the odd calls hosts and conformance tools make. Every case runs at
// 32 and at 64 bit.

#include "BundleFixture.h"

#include "AllocationCounter.h"

#include "tools/vst3host/ParameterChanges.h"

#include "vst3/sdk/interfaces/SpeakerArrangement.h"

#include <limits>
#include <random>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace bundletest;

namespace
{
constexpr double kRate = 48000.;
// A 32-bit round trip of samples near full scale.
constexpr double kSampleTolerance = 1e-6;
// Levels read off the output after the smoother (0.6 s) has settled.
constexpr double kSettledDbTolerance = 0.1;

double toDb(double linear)
{
  return 20. * std::log10(linear);
}

class Processing : public ::testing::TestWithParam<int32>
{
protected:
  void SetUp() override
  {
    plugin = newInstance();
    ASSERT_TRUE(plugin);
    id = std::make_unique<Ids>(*plugin);
  }

  // Standard mode with "Analyze" off and "Normalize" on: the engine applies "Gain".
  void fixedGain(vst3host::ProcessRunner& runner, double gainDb)
  {
    runner.queueChange(id->mode, 0.);
    runner.queueChange(id->analyze, 0.);
    runner.queueChange(id->normalize, 1.);
    runner.queueChange(id->gain, plugin->toNormalized(id->gain, gainDb));
    ASSERT_TRUE(runner.flush().ok());
  }

  // Runs `seconds` of `audio` (looped) and returns the last block's output.
  Planar play(vst3host::ProcessRunner& runner, const Planar& block, double seconds)
  {
    Planar out(static_cast<int>(block.channels.size()), block.frames());
    const int blocks = static_cast<int>(seconds * kRate / block.frames());
    for (int i = 0; i < blocks; ++i)
    {
      vst3host::Status status = runner.process(block.in().data(), out.out().data(), block.frames());
      EXPECT_TRUE(status.ok()) << status.message();
    }
    return out;
  }

  std::unique_ptr<vst3host::PluginInstance> plugin;
  std::unique_ptr<Ids> id;
};

INSTANTIATE_TEST_SUITE_P(SampleSizes, Processing, ::testing::Values(kSample32, kSample64), sampleSizeName);
} // namespace

TEST_P(Processing, GainAutomationReachesTheEngineAndTheLastPointOfAQueueWins)
{
  auto runner = startRunner(*plugin, GetParam());
  ASSERT_TRUE(runner);
  fixedGain(*runner, 6.);
  const Planar in = sine(2, 512, kRate, 997., dbToLinear(-20.));
  Planar out(2, 512);
  ASSERT_TRUE(runner->process(in.in().data(), out.out().data(), 512).ok());
  EXPECT_LT(errorAgainst(in, out, dbToLinear(6.)), kSampleTolerance);
  EXPECT_NEAR(plugin->toPlain(id->gain, plugin->normalizedValue(id->gain)), 6., 1e-6) << "the gain readout";

  runner->queueChange(id->gain, plugin->toNormalized(id->gain, 12.), 0);
  runner->queueChange(id->gain, plugin->toNormalized(id->gain, -6.), 100);
  ASSERT_TRUE(runner->process(in.in().data(), out.out().data(), 512).ok());
  EXPECT_LT(errorAgainst(in, out, dbToLinear(-6.)), kSampleTolerance);

  // NaN is no value: the gain stays.
  runner->queueChange(id->gain, std::numeric_limits<double>::quiet_NaN());
  ASSERT_TRUE(runner->process(in.in().data(), out.out().data(), 512).ok());
  EXPECT_LT(errorAgainst(in, out, dbToLinear(-6.)), kSampleTolerance);
}

TEST_P(Processing, MeasureAndTargetAutomationChangeWhatTheAnalysisReaches)
{
  auto runner = startRunner(*plugin, GetParam());
  ASSERT_TRUE(runner);
  const Planar in = sine(2, 480, kRate, 1000., dbToLinear(-12.));
  runner->setPlaying(true);
  runner->queueChange(id->mode, 0.);
  runner->queueChange(id->measure, plugin->toNormalized(id->measure, 0)); // dBFS
  runner->queueChange(id->target, plugin->toNormalized(id->target, -6.));
  runner->queueChange(id->normalize, 1.);
  runner->queueChange(id->analyze, 1.);
  EXPECT_NEAR(toDb(play(*runner, in, 4.).peak()), -6., kSettledDbTolerance);

  // Another measure and target: the plug-in now reports a level of that measure, and the
  // output follows the gain it derives from it.
  runner->queueChange(id->measure, plugin->toNormalized(id->measure, 2)); // RMS
  runner->queueChange(id->target, plugin->toNormalized(id->target, -20.));
  runner->queueChange(id->analyze, 1.);
  const double outputDb = toDb(play(*runner, in, 4.).peak());
  const double gainDb = plugin->toPlain(id->gain, plugin->normalizedValue(id->gain));
  EXPECT_LT(gainDb, -6.) << "towards -20 from a level above -15";
  EXPECT_NEAR(outputDb, -12. + gainDb, kSettledDbTolerance);
  auto state = plugin->saveState();
  ASSERT_TRUE(state.ok());
  const std::string document(state.value().begin() + 4, state.value().end() - 4);
  const double measuredRms = std::stod(document.substr(document.find("\"maxpeak\":") + 10));
  EXPECT_NEAR(measuredRms + gainDb, -20., 0.01) << document;
  EXPECT_GT(std::fabs(measuredRms + 12.), 0.5) << "not the peak level";
}

TEST_P(Processing, TheTransportStopEndsTheAnalysisAndTheGainStays)
{
  auto runner = startRunner(*plugin, GetParam());
  ASSERT_TRUE(runner);
  const Planar in = sine(2, 480, kRate, 1000., dbToLinear(-12.));
  runner->setPlaying(true);
  runner->queueChange(id->measure, plugin->toNormalized(id->measure, 0));
  runner->queueChange(id->target, plugin->toNormalized(id->target, -3.));
  runner->queueChange(id->normalize, 0.);
  runner->queueChange(id->analyze, 1.);
  const Planar analysed = play(*runner, in, 1.);
  EXPECT_LT(errorAgainst(in, analysed, 1.), kSampleTolerance) << "Normalize off: the analysis leaves the audio";
  EXPECT_EQ(plugin->normalizedValue(id->analyze), 1.);

  runner->setPlaying(false);
  runner->queueChange(id->normalize, 1.);
  const Planar normalized = play(*runner, in, 0.1);
  EXPECT_EQ(plugin->normalizedValue(id->analyze), 0.) << "the plug-in switched Analyze off at the stop";
  EXPECT_LT(errorAgainst(in, normalized, dbToLinear(9.)), 1e-4) << "the gain the analysis reached, unsmoothed";
}

TEST_P(Processing, BypassPassesTheInputAndAFlushAloneSwitchesIt)
{
  auto runner = startRunner(*plugin, GetParam());
  ASSERT_TRUE(runner);
  fixedGain(*runner, 6.);
  const Planar in = sine(2, 256, kRate, 440., 0.5);
  Planar out(2, 256);

  runner->queueChange(id->bypass, 1.);
  ASSERT_TRUE(runner->flush().ok());
  EXPECT_EQ(plugin->normalizedValue(id->bypass), 1.);
  ASSERT_TRUE(runner->process(in.in().data(), out.out().data(), 256).ok());
  EXPECT_LT(errorAgainst(in, out, 1.), kSampleTolerance);

  runner->queueChange(id->bypass, 0.5); // exactly half is not bypassed
  ASSERT_TRUE(runner->process(in.in().data(), out.out().data(), 256).ok());
  EXPECT_EQ(plugin->normalizedValue(id->bypass), 0.5) << "the host reads back the value it sent";
  EXPECT_LT(errorAgainst(in, out, dbToLinear(6.)), kSampleTolerance);
}

TEST_P(Processing, ParameterFlushesWithoutBuffersApplyTheirChanges)
{
  auto runner = startRunner(*plugin, GetParam());
  ASSERT_TRUE(runner);
  fixedGain(*runner, 0.);
  auto changes = IPtr<ParameterChanges>::adopt(new ParameterChanges);
  changes->addChange(id->gain, 0, plugin->toNormalized(id->gain, 6.));
  int32 index = 0;
  changes->addParameterData(kNoParamId, index); // an unknown ID without points, as validators send

  ProcessData flush{};
  flush.symbolicSampleSize = GetParam();
  flush.inputParameterChanges = changes.get();
  EXPECT_EQ(plugin->process(flush), kResultOk) << "no buses, no samples, no context";

  RawBlock empty(GetParam(), 2, 64);
  empty.data.numSamples = 0;
  empty.inBus.numChannels = 0;
  empty.outBus.numChannels = 0;
  EXPECT_EQ(plugin->process(empty.data), kResultOk) << "buses with no channels";

  RawBlock block(GetParam(), 2, 64);
  block.load(sine(2, 64, kRate, 440., 0.25));
  const Planar in = block.input();
  ASSERT_EQ(plugin->process(block.data), kResultOk);
  EXPECT_LT(errorAgainst(in, block.output(), dbToLinear(6.)), kSampleTolerance);
}

TEST_P(Processing, TheHostsInputBuffersAreLeftAsTheyWere)
{
  // Separate input and output buffers: the plug-in reads the input and writes the output
  // only (hosts reuse their input buffers, e.g. for another plug-in on a send).
  auto runner = startRunner(*plugin, GetParam());
  ASSERT_TRUE(runner);
  fixedGain(*runner, 6.);
  runner->setPlaying(true);
  RawBlock block(GetParam(), 2, 256);
  block.load(sine(2, 256, kRate, 440., 0.25));
  const Planar before = block.input();
  for (double analyze : {0., 1.})
  {
    runner->queueChange(id->analyze, analyze);
    ASSERT_TRUE(runner->flush().ok());
    ASSERT_EQ(plugin->process(block.data), kResultOk);
    EXPECT_EQ(errorAgainst(before, block.input(), 1.), 0.) << "analyze " << analyze;
  }
}

TEST_P(Processing, VariableAndOverlongBlocksGiveTheSameAudioAsOneBlock)
{
  constexpr int kAnnounced = 256;
  constexpr int kTotal = 8192;
  auto runner = startRunner(*plugin, GetParam(), 2, kAnnounced);
  ASSERT_TRUE(runner);
  fixedGain(*runner, -3.);
  const Planar source = sine(2, kTotal, kRate, 123., 0.7);

  // Random sizes from 0 up to past the announced maximum, zeros included.
  std::mt19937 random(7);
  std::uniform_int_distribution<int> size(0, 4 * kAnnounced);
  RawBlock block(GetParam(), 2, 4 * kAnnounced);
  Planar out(2, kTotal);
  for (int done = 0; done < kTotal;)
  {
    const int frames = std::min(size(random), kTotal - done);
    block.load(source, done);
    block.data.numSamples = frames;
    ASSERT_EQ(plugin->process(block.data), kResultOk) << frames << " frames";
    const Planar piece = block.output(frames);
    for (std::size_t c = 0; c < 2; ++c)
      std::copy(piece.channels[c].begin(), piece.channels[c].end(), out.channels[c].begin() + done);
    done += frames;
  }
  Planar expected = source;
  if (GetParam() == kSample32)
    for (auto& channel : expected.channels)
      for (double& x : channel)
        x = static_cast<float>(x);
  EXPECT_LT(errorAgainst(expected, out, dbToLinear(-3.)), kSampleTolerance);
}

TEST_P(Processing, ExtremeSampleRatesProcessWithoutFault)
{
  plugin.reset();
  for (double rate : {1234.5678, 8000., 22050., 96000., 192000., 384000., 1234567.8})
  {
    SCOPED_TRACE(rate);
    plugin = newInstance();
    ASSERT_TRUE(plugin);
    Ids ids(*plugin);
    auto runner = startRunner(*plugin, GetParam(), 2, 512, rate);
    ASSERT_TRUE(runner);
    runner->setPlaying(true);
    runner->queueChange(ids.measure, plugin->toNormalized(ids.measure, 4)); // LUFS Int.
    runner->queueChange(ids.analyze, 1.);
    const Planar in = sine(2, 512, rate, rate / 50., 0.3);
    Planar out(2, 512);
    for (int i = 0; i < 8; ++i)
      ASSERT_TRUE(runner->process(in.in().data(), out.out().data(), 512).ok());
    for (const auto& channel : out.channels)
      for (double x : channel)
        ASSERT_TRUE(std::isfinite(x));
    runner.reset();
    plugin.reset();
  }
}

TEST_P(Processing, OnlyMonoToMonoAndStereoToStereoAreAccepted)
{
  const SpeakerArrangement arrangements[] = {SpeakerArr::kEmpty, SpeakerArr::kMono, SpeakerArr::kStereo,
                                             SpeakerArr::k30Music, SpeakerArr::k50, SpeakerArr::k51,
                                             SpeakerArr::kAmbi1stOrderACN};
  for (SpeakerArrangement in : arrangements)
    for (SpeakerArrangement out : arrangements)
    {
      const bool legal = in == out && (in == SpeakerArr::kMono || in == SpeakerArr::kStereo);
      EXPECT_EQ(plugin->setBusArrangements({in}, {out}).ok(), legal) << std::hex << in << " -> " << out;
    }
  EXPECT_FALSE(plugin->setBusArrangements({}, {}).ok());
  EXPECT_FALSE(plugin->setBusArrangements({SpeakerArr::kStereo, SpeakerArr::kStereo}, {SpeakerArr::kStereo}).ok());

  // Mono in, mono out: the buses say so and a mono signal is processed.
  ASSERT_TRUE(plugin->setBusArrangements({SpeakerArr::kMono}, {SpeakerArr::kMono}).ok());
  for (BusDirection direction : {kInput, kOutput})
  {
    auto bus = plugin->busInfo(kAudio, direction, 0);
    ASSERT_TRUE(bus.ok());
    EXPECT_EQ(bus.value().channelCount, 1);
    auto arrangement = plugin->busArrangement(direction, 0);
    ASSERT_TRUE(arrangement.ok());
    EXPECT_EQ(arrangement.value(), SpeakerArr::kMono);
  }
  {
    auto runner = startRunner(*plugin, GetParam(), 1);
    ASSERT_TRUE(runner);
    fixedGain(*runner, 6.);
    const Planar in = sine(1, 300, kRate, 440., 0.25);
    Planar out(1, 300);
    ASSERT_TRUE(runner->process(in.in().data(), out.out().data(), 300).ok());
    EXPECT_LT(errorAgainst(in, out, dbToLinear(6.)), kSampleTolerance);
  }
  // And back to stereo.
  auto runner = startRunner(*plugin, GetParam(), 2);
  ASSERT_TRUE(runner);
  fixedGain(*runner, -6.);
  const Planar in = sine(2, 300, kRate, 440., 0.25);
  Planar out(2, 300);
  ASSERT_TRUE(runner->process(in.in().data(), out.out().data(), 300).ok());
  EXPECT_LT(errorAgainst(in, out, dbToLinear(-6.)), kSampleTolerance);
}

TEST_P(Processing, TerminateInitializeCyclesLeaveAWorkingPlugin)
{
  for (int cycle = 0; cycle < 3; ++cycle)
  {
    SCOPED_TRACE(cycle);
    {
      auto runner = startRunner(*plugin, GetParam());
      ASSERT_TRUE(runner);
      fixedGain(*runner, 6.);
      const Planar in = sine(2, 128, kRate, 440., 0.25);
      Planar out(2, 128);
      ASSERT_TRUE(runner->process(in.in().data(), out.out().data(), 128).ok());
      EXPECT_LT(errorAgainst(in, out, dbToLinear(6.)), kSampleTolerance);
    }
    vst3host::Status cycled = plugin->reinitialize();
    ASSERT_TRUE(cycled.ok()) << cycled.message();
    EXPECT_EQ(plugin->parameterCount(), 10);
    EXPECT_EQ(plugin->busCount(kAudio, kInput), 1);
    EXPECT_EQ(plugin->busCount(kAudio, kOutput), 1);
  }
}

TEST_P(Processing, SilenceFlagsAreHintsThatNeverBreakABlock)
{
  auto runner = startRunner(*plugin, GetParam());
  ASSERT_TRUE(runner);
  fixedGain(*runner, 6.);
  RawBlock block(GetParam(), 2, 128);
  for (bool silent : {true, false})
  {
    for (uint64 flags = 0; flags < 4; ++flags)
    {
      block.load(silent ? Planar(2, 128) : sine(2, 128, kRate, 440., 0.25));
      block.inBus.silenceFlags = flags;
      block.outBus.silenceFlags = 3; // pre-filled, as validators do
      ASSERT_EQ(plugin->process(block.data), kResultOk);
      const Planar out = block.output();
      for (const auto& channel : out.channels)
        for (double x : channel)
          ASSERT_TRUE(std::isfinite(x));
      if (silent)
      {
        EXPECT_EQ(out.peak(), 0.);
      }
    }
  }
  // Seconds of flagged silence in an analysis.
  runner->setPlaying(true);
  runner->queueChange(id->analyze, 1.);
  const Planar silence(2, 512);
  const Planar out = play(*runner, silence, 2.);
  EXPECT_EQ(out.peak(), 0.);
}

TEST_P(Processing, BlocksAllocateNothing)
{
  auto runner = startRunner(*plugin, GetParam());
  ASSERT_TRUE(runner);
  const Planar in = sine(2, 512, kRate, 440., 0.25);
  Planar out(2, 512);
  const std::vector<const double*> inPointers = in.in();
  const std::vector<double*> outPointers = out.out();
  for (int measure : {0, 4})
  {
    runner->setPlaying(true);
    runner->queueChange(id->measure, plugin->toNormalized(id->measure, measure));
    runner->queueChange(id->analyze, 1.);
    ASSERT_TRUE(runner->process(inPointers.data(), outPointers.data(), 512).ok()); // warm-up
    AllocationScope allocations;
    for (int i = 0; i < 20; ++i)
    {
      runner->queueChange(id->target, plugin->toNormalized(id->target, -20. + i));
      ASSERT_TRUE(runner->process(inPointers.data(), outPointers.data(), 512).ok());
    }
    runner->setPlaying(false);
    ASSERT_TRUE(runner->process(inPointers.data(), outPointers.data(), 512).ok());
    EXPECT_EQ(allocations.count(), 0u) << "measure " << measure;
  }
}
