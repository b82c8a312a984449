// The component and processor side as hosts and conformance tools drive it: buses and
// arrangements, set-up, blocks of every shape, parameter queues, bypass and presets.

#include "Vst3Host.h"

#include "AllocationCounter.h"

#include "vst3/sdk/interfaces/SpeakerArrangement.h"

#include <array>
#include <limits>
#include <tuple>

using namespace vst3test;

namespace
{
constexpr double kSampleTolerance32 = 1e-6;

TEST(Vst3Buses, OneStereoInputAndOutputAndNoEventBus)
{
  Instance i;
  ASSERT_EQ(i->getBusCount(kAudio, kInput), 1);
  ASSERT_EQ(i->getBusCount(kAudio, kOutput), 1);
  EXPECT_EQ(i->getBusCount(kEvent, kInput), 0);
  BusInfo info{};
  ASSERT_EQ(i->getBusInfo(kAudio, kInput, 0, info), kResultTrue);
  EXPECT_EQ(narrow(info.name), "Main Input");
  EXPECT_EQ(info.channelCount, 2);
  EXPECT_EQ(info.busType, kMain);
  EXPECT_EQ(info.flags, uint32(BusInfo::kDefaultActive));
  ASSERT_EQ(i->getBusInfo(kAudio, kOutput, 0, info), kResultTrue);
  EXPECT_EQ(narrow(info.name), "Output");
  SpeakerArrangement arrangement = 0;
  EXPECT_EQ(i->getBusArrangement(kOutput, 0, arrangement), kResultTrue);
  EXPECT_EQ(arrangement, SpeakerArr::kStereo);
  EXPECT_EQ(i->getBusInfo(kAudio, kInput, -1, info), kInvalidArgument);
  EXPECT_EQ(i->getBusInfo(kAudio, kInput, 1, info), kInvalidArgument);
  EXPECT_EQ(i->activateBus(kAudio, kOutput, 5, 1), kInvalidArgument);
  EXPECT_EQ(i->activateBus(kAudio, kOutput, 0, 1), kResultTrue);
}

TEST(Vst3Buses, EveryArrangementPairIsAcceptedExactlyWhenTheChannelListAllowsIt)
{
  const std::array<SpeakerArrangement, 16> arrangements = {
      SpeakerArr::kEmpty,   SpeakerArr::kMono,     SpeakerArr::kStereo,      SpeakerArr::kStereoSurround,
      SpeakerArr::kStereoCenter, SpeakerArr::kStereoSide, SpeakerArr::kStereoCLfe, SpeakerArr::k30Cine,
      SpeakerArr::k30Music, SpeakerArr::k31Cine,  SpeakerArr::k31Music,    SpeakerArr::k40Cine,
      SpeakerArr::k40Music, SpeakerArr::k41Cine,  SpeakerArr::k41Music,    SpeakerArr::k50};
  Instance i;
  for (SpeakerArrangement in : arrangements)
    for (SpeakerArrangement out : arrangements)
    {
      // Mono and stereo only: a C+LFE or surround pair is no left and right.
      const bool legal = in == out && (in == SpeakerArr::kMono || in == SpeakerArr::kStereo);
      EXPECT_EQ(i->setBusArrangements(&in, 1, &out, 1), legal ? kResultTrue : kResultFalse) << in << " " << out;
      SpeakerArrangement current[2] = {};
      ASSERT_EQ(i->getBusArrangement(kInput, 0, current[0]), kResultTrue);
      ASSERT_EQ(i->getBusArrangement(kOutput, 0, current[1]), kResultTrue);
      BusInfo info{};
      ASSERT_EQ(i->getBusInfo(kAudio, kInput, 0, info), kResultTrue);
      EXPECT_EQ(info.channelCount, channelCountOf(current[0])) << "bus info follows the arrangement";
      // What the host reads back: what it set when accepted, else the suggestion, stereo.
      EXPECT_EQ(current[0], legal ? in : SpeakerArr::kStereo) << in << " " << out;
      EXPECT_EQ(current[1], legal ? out : SpeakerArr::kStereo) << in << " " << out;
      EXPECT_EQ(i->InputChannelConnected(1), channelCountOf(current[0]) == 2);
      EXPECT_EQ(i->OutputChannelConnected(1), channelCountOf(current[1]) == 2);
    }
}

TEST(Vst3Buses, MonoReplacesTheBusesAndConnectsOneChannelPerSide)
{
  Instance i;
  SpeakerArrangement mono = SpeakerArr::kMono;
  ASSERT_EQ(i->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
  BusInfo info{};
  i->getBusInfo(kAudio, kInput, 0, info);
  EXPECT_EQ(narrow(info.name), "Input");
  EXPECT_EQ(info.channelCount, 1);
  i->getBusInfo(kAudio, kOutput, 0, info);
  EXPECT_EQ(narrow(info.name), "Output");
  EXPECT_TRUE(i->InputChannelConnected(0));
  EXPECT_FALSE(i->InputChannelConnected(1));
  EXPECT_FALSE(i->OutputChannelConnected(1));

  // Bad arrays and counts change nothing; a refused request leaves the suggestion,
  // stereo, with both channels connected.
  EXPECT_EQ(i->setBusArrangements(nullptr, 1, &mono, 1), kInvalidArgument);
  EXPECT_EQ(i->setBusArrangements(&mono, -1, &mono, 1), kInvalidArgument);
  EXPECT_FALSE(i->InputChannelConnected(1));
  SpeakerArrangement stereo = SpeakerArr::kStereo;
  SpeakerArrangement two[] = {mono, mono};
  for (auto [ins, numIns, outs, numOuts] : {std::tuple{&mono, 1, &stereo, 1}, std::tuple{&mono, 0, &mono, 1},
                                            std::tuple{&mono, 1, &mono, 0}, std::tuple{&two[0], 2, &two[0], 2}})
  {
    ASSERT_EQ(i->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);
    EXPECT_EQ(i->setBusArrangements(ins, numIns, outs, numOuts), kResultFalse);
    SpeakerArrangement suggested = 0;
    i->getBusArrangement(kInput, 0, suggested);
    EXPECT_EQ(suggested, SpeakerArr::kStereo);
    EXPECT_TRUE(i->InputChannelConnected(1));
    EXPECT_TRUE(i->OutputChannelConnected(1));
  }
  ASSERT_EQ(i->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);

  Block<float> block(1, 64, 0.5);
  block.change(kAnalyze, 0.0).change(kGain, kGainPlusSixNormalized);
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  EXPECT_NEAR(block.outAt(0, 63), 0.5 * kSixDbGain, kSampleTolerance32) << "mono is gained once";

  // Blocks are checked against the layout in force, after every change of it.
  Block<float> stereoBlock(2, 64, 0.5);
  EXPECT_EQ(stereoBlock.run(*i.plug), kInvalidArgument) << "stereo buffers on mono buses";
  SpeakerArrangement stereoPair = SpeakerArr::kStereo;
  ASSERT_EQ(i->setBusArrangements(&stereoPair, 1, &stereoPair, 1), kResultTrue);
  EXPECT_EQ(block.run(*i.plug), kInvalidArgument) << "mono buffers on stereo buses";
  ASSERT_EQ(stereoBlock.run(*i.plug), kResultOk);
  EXPECT_NEAR(stereoBlock.outAt(1, 63), 0.5 * kSixDbGain, kSampleTolerance32);
  ASSERT_EQ(i->setBusArrangements(&mono, 1, &mono, 1), kResultTrue);

  // A terminate drops the negotiated layout with the buses: back to stereo, both
  // channels connected.
  i->terminate();
  ASSERT_EQ(i->initialize(i.host->unknown()), kResultOk);
  EXPECT_TRUE(i->InputChannelConnected(1));
  EXPECT_TRUE(i->OutputChannelConnected(1));
}

TEST(Vst3Setup, RefusesBadSetupsAndChangesNothing)
{
  Instance i(u"Test Host", kSample32, 256, 44100.0);
  EXPECT_EQ(i->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(i->canProcessSampleSize(kSample64), kResultTrue);
  EXPECT_EQ(i->canProcessSampleSize(2), kResultFalse);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (auto [size, block, rate] : {std::tuple{2, 256, 48000.0}, std::tuple{0, 0, 48000.0}, std::tuple{0, -5, 48000.0},
                                   std::tuple{0, 256, 0.0}, std::tuple{0, 256, -1.0}, std::tuple{0, 256, nan},
                                   std::tuple{1, 256, inf}, std::tuple{0, 256, 0.5}, std::tuple{0, 256, 5.0e6}})
    EXPECT_EQ(i.setup(size, block, rate), kResultFalse) << size << " " << block << " " << rate;
  EXPECT_EQ(i->SampleRate(), 44100.0);
  EXPECT_EQ(i->BlockSize(), 256);
  EXPECT_FALSE(i->OfflineRendering());
  EXPECT_EQ(i.setup(kSample32, 256, 44100.0, kOffline), kResultOk);
  EXPECT_TRUE(i->OfflineRendering());
}

TEST(Vst3Setup, ProcessesAtEveryRateHostsTry)
{
  Instance i;
  // 8 Hz and 3 MHz lie outside what the loudness library measures: those detectors
  // read minus infinity there, and nothing may break.
  for (double rate : {1234.5678, 12345.678, 22050.0, 44100.0, 96000.0, 192000.0, 384000.0, 123456.78, 1234567.8, 8.0,
                      3.0e6})
  {
    ASSERT_EQ(i.setup(kSample32, 512, rate), kResultOk) << rate;
    for (double normalized : {0.0, 0.2, 0.4, 0.6, 0.8, 1.0}) // every measure, loudness ones included
    {
      Block<float> block(2, 512, 0.25);
      block.change(kMeasure, normalized);
      ASSERT_EQ(block.run(*i.plug), kResultOk) << rate;
      for (const auto& channel : block.out)
        for (float sample : channel)
          ASSERT_TRUE(std::isfinite(sample)) << rate << " measure " << normalized;
    }
  }
}

TEST(Vst3Process, HostQueuesReachTheEngineAtTheBlockStart)
{
  for (int32 sampleSize : {kSample32, kSample64})
  {
    Instance i(u"Test Host", sampleSize);
    // Only the last point of a queue counts, for the whole block.
    auto check = [&](auto& block) {
      block.change(kAnalyze, 1.0, 0).change(kAnalyze, 0.0, 10);
      block.change(kGain, 0.0, 0).change(kGain, kGainPlusSixNormalized, 300);
      ASSERT_EQ(block.run(*i.plug), kResultOk);
      EXPECT_EQ(i->ParamAt(kAnalyze)->Value(), 0.0);
      EXPECT_NEAR(static_cast<double>(block.outAt(0, 0)), 0.25 * kSixDbGain, kSampleTolerance32);
      EXPECT_NEAR(static_cast<double>(block.outAt(1, 511)), 0.25 * kSixDbGain, kSampleTolerance32);
    };
    if (sampleSize == kSample32)
    {
      Block<float> block(2, 512);
      check(block);
    }
    else
    {
      Block<double> block(2, 512);
      check(block);
    }
  }
}

TEST(Vst3Process, NonFiniteValuesAreIgnoredAndOutOfRangeOnesClamped)
{
  Instance i;
  Block<double> block(2, 64);
  block.change(kTargetValue, std::numeric_limits<double>::quiet_NaN()).change(kGate, 7.5);
  block.change(IPlugVST3::kBypassParamId, -std::numeric_limits<double>::infinity());
  block.change(0x7FFFFFF0, 0.5).change(kParamCount, 0.5); // unknown IDs
  const double target = i->ParamAt(kTargetValue)->Value();
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  EXPECT_EQ(i->ParamAt(kTargetValue)->Value(), target);
  EXPECT_EQ(i->ParamAt(kGate)->Value(), 0.0) << "7.5 clamps to 1.0, the top of the range";
  EXPECT_FALSE(i->IsBypassed());
}

TEST(Vst3Process, BypassTakesTheLastPointAndCopiesTheInput)
{
  Instance i;
  Block<float> block(2, 256, 0.3);
  block.change(kAnalyze, 0.0).change(kGain, kGainPlusSixNormalized);
  block.change(IPlugVST3::kBypassParamId, 0.0, 0).change(IPlugVST3::kBypassParamId, 1.0, 100);
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  EXPECT_TRUE(i->IsBypassed());
  EXPECT_EQ(i->getParamNormalized(IPlugVST3::kBypassParamId), 1.0);
  EXPECT_EQ(block.outAt(0, 0), 0.3f) << "the whole block is bypassed";
  EXPECT_EQ(block.outAt(1, 255), 0.3f);

  block.change(IPlugVST3::kBypassParamId, 0.5);
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  EXPECT_FALSE(i->IsBypassed()) << "0.5 is not above the half";
  EXPECT_NEAR(block.outAt(0, 0), 0.3 * kSixDbGain, kSampleTolerance32);

  // Bypass survives a new set-up: it is the user's state.
  ASSERT_EQ(flush(*i.plug, IPlugVST3::kBypassParamId, 1.0), kResultOk);
  ASSERT_EQ(i.setup(kSample32, 256, 44100.0), kResultOk);
  EXPECT_TRUE(i->IsBypassed());
}

TEST(Vst3Process, PresetValueZeroRecallsPresetZeroAndOneAsksForNothing)
{
  Instance i;
  Block<double> block(2, 64);
  block.change(kTargetValue, 1.0).change(kMode, 1.0);
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  ASSERT_EQ(i->ParamAt(kTargetValue)->Value(), 30.0);

  block.change(IPlugVST3::kPresetParamId, 1.0); // index 1 of one preset
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  EXPECT_EQ(i->ParamAt(kTargetValue)->Value(), 30.0);

  block.change(IPlugVST3::kPresetParamId, 0.0);
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  EXPECT_EQ(i->ParamAt(kTargetValue)->Value(), -12.0);
  EXPECT_EQ(i->ParamAt(kMode)->Value(), 0.0);
  EXPECT_EQ(i->CurrentPresetIndex(), 0);
}

TEST(Vst3Process, AHostNamedLiveKeepsOnlyBypassAndPreset)
{
  Instance i(u"Ableton Live 11");
  Block<double> block(2, 64);
  block.change(kTargetValue, 1.0).change(IPlugVST3::kBypassParamId, 1.0);
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  EXPECT_EQ(i->ParamAt(kTargetValue)->Value(), -12.0);
  EXPECT_TRUE(i->IsBypassed());
}

TEST(Vst3Process, FlushesApplyTheQueuesAndTouchNoAudio)
{
  Instance i;
  EXPECT_EQ(flush(*i.plug, kTargetValue, 0.0), kResultOk) << "no buffers at all";
  EXPECT_EQ(i->ParamAt(kTargetValue)->Value(), -60.0);

  Block<float> block(2, 64);
  block.data.numSamples = 0; // buffers there, no samples
  block.change(kTargetValue, 1.0);
  EXPECT_EQ(block.run(*i.plug), kResultOk);
  EXPECT_EQ(i->ParamAt(kTargetValue)->Value(), 30.0);
  EXPECT_EQ(block.outAt(0, 0), -7.0f);

  block.data.numSamples = 64;
  block.data.numInputs = block.data.numOutputs = 0; // samples announced, no buses
  block.change(kTargetValue, 0.5);
  EXPECT_EQ(block.run(*i.plug), kResultOk);
  EXPECT_EQ(i->ParamAt(kTargetValue)->Value(), -15.0);
  EXPECT_EQ(block.outAt(0, 0), -7.0f);

  block.data.numSamples = 0;
  block.data.numInputs = block.data.numOutputs = 1;
  block.inBus.numChannels = 0;
  block.inBus.channelBuffers32 = nullptr;
  EXPECT_EQ(block.run(*i.plug), kResultOk) << "a bus with no channels in a flush";
}

TEST(Vst3Process, MalformedBlocksAreRefusedWithNothingApplied)
{
  Instance i;
  const double target = i->ParamAt(kTargetValue)->Value();
  auto refused = [&](auto&& spoil, const char* what) {
    Block<float> block(2, 64);
    block.change(kTargetValue, 1.0).change(IPlugVST3::kBypassParamId, 1.0);
    spoil(block);
    EXPECT_EQ(block.run(*i.plug), kInvalidArgument) << what;
    EXPECT_EQ(i->ParamAt(kTargetValue)->Value(), target) << what;
    EXPECT_FALSE(i->IsBypassed()) << what;
    EXPECT_EQ(block.outAt(0, 0), -7.0f) << what;
  };
  refused([](Block<float>& b) { b.data.numSamples = -1; }, "negative samples");
  refused([](Block<float>& b) { b.data.numInputs = 2; }, "more input buses than there are");
  refused([](Block<float>& b) { b.data.numInputs = 0; }, "an input bus missing");
  refused([](Block<float>& b) { b.data.numOutputs = -1; }, "negative outputs");
  refused([](Block<float>& b) { b.data.inputs = nullptr; }, "no input array");
  refused([](Block<float>& b) { b.inBus.channelBuffers32 = nullptr; }, "no channel array");
  refused([](Block<float>& b) { b.outPointers[1] = nullptr; }, "a null channel buffer");
  refused([](Block<float>& b) { b.inBus.numChannels = 1; }, "fewer channels than the bus");
  refused([](Block<float>& b) { b.outBus.numChannels = 3; }, "more channels than the bus");
  refused([](Block<float>& b) { b.data.symbolicSampleSize = 7; }, "an unknown sample size");
}

TEST(Vst3Process, LongBlocksAreProcessedInPiecesAndVariableSizesWork)
{
  // One block longer than announced equals the same samples in announced pieces.
  auto run = [](const std::vector<int>& sizes, int total) {
    Instance i(u"Test Host", kSample32, 64);
    Block<float> setup(2, 1);
    setup.change(kMode, 1.0).change(kMeasure, 0.4); // continuous, RMS
    setup.run(*i.plug);
    std::vector<float> out;
    int done = 0;
    for (int size : sizes)
    {
      Block<float> block(2, size);
      for (int f = 0; f < size; ++f)
        block.in[0][static_cast<size_t>(f)] = block.in[1][static_cast<size_t>(f)] =
            static_cast<float>(0.3 * std::sin(0.05 * (done + f)));
      EXPECT_EQ(block.run(*i.plug), kResultOk);
      out.insert(out.end(), block.out[0].begin(), block.out[0].end());
      done += size;
    }
    EXPECT_EQ(done, total);
    return out;
  };
  const std::vector<float> whole = run({1000}, 1000);
  std::vector<int> pieces(15, 64);
  pieces.push_back(40);
  EXPECT_EQ(run(pieces, 1000), whole);
  // The gain follows the level block by block, so other cuts give other samples; they
  // must still all be processed.
  const std::vector<float> varied = run({0, 1, 63, 0, 200, 1, 735}, 1000);
  ASSERT_EQ(varied.size(), 1000u);
  for (float sample : varied)
    ASSERT_TRUE(std::isfinite(sample) && sample != -7.0f);
}

TEST(Vst3Process, AllocatesNothingWithChangesBypassAndPresetIn32And64Bit)
{
  Instance i(u"Test Host", kSample32);
  Block<float> block32(2, 512);
  Block<double> block64(2, 512);
  block32.run(*i.plug); // warm-up
  i.setup(kSample64, 512, 48000.0);
  block64.run(*i.plug);
  i.setup(kSample32, 512, 48000.0);

  std::size_t allocations = 0;
  for (int round = 0; round < 3; ++round)
  {
    block32.change(kTargetValue, 0.3).change(kGain, 0.7).change(kGroup, 0.0).change(kMode, round % 2);
    block32.change(IPlugVST3::kBypassParamId, round == 1 ? 1.0 : 0.0).change(IPlugVST3::kPresetParamId, 0.0);
    AllocationScope scope;
    EXPECT_EQ(block32.run(*i.plug), kResultOk);
    allocations += scope.count();
  }
  i.setup(kSample64, 512, 48000.0);
  for (int round = 0; round < 3; ++round)
  {
    block64.change(kTargetValue, 0.6).change(kAnalyze, round % 2).change(IPlugVST3::kPresetParamId, 0.0);
    block64.change(IPlugVST3::kBypassParamId, round == 2 ? 1.0 : 0.0);
    AllocationScope scope;
    EXPECT_EQ(block64.run(*i.plug), kResultOk);
    allocations += scope.count();
  }
  EXPECT_EQ(allocations, 0u);
}

TEST(Vst3Process, TimingComesFromTheLatestContextAndItsValidFields)
{
  Instance i;
  TransportInfo info;
  i->FetchTransportInfo(&info);
  EXPECT_FALSE(info.transportRunning);
  EXPECT_EQ(i->HostTempo(), 120.0);
  EXPECT_EQ(i->SamplePosition(), 0);

  ProcessContext context{};
  context.state = ProcessContext::kPlaying | ProcessContext::kCycleActive | ProcessContext::kTempoValid |
                  ProcessContext::kTimeSigValid | ProcessContext::kProjectTimeMusicValid;
  context.tempo = 93.5;
  context.timeSigNumerator = 7;
  context.timeSigDenominator = 8;
  context.projectTimeSamples = 44100;
  context.projectTimeMusic = 12.5;
  context.barPositionMusic = 99.0; // not marked valid
  Block<double> block(2, 32);
  block.data.processContext = &context;
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  i->FetchTransportInfo(&info);
  EXPECT_TRUE(info.transportRunning);
  EXPECT_TRUE(info.loopEnabled);
  EXPECT_EQ(info.tempoBpm, 93.5);
  EXPECT_EQ(info.timeSigNumerator, 7);
  EXPECT_EQ(info.timeSigDenominator, 8);
  EXPECT_EQ(info.ppqPosition, 12.5);
  EXPECT_EQ(info.lastBarStartQuarters, -1.0);
  EXPECT_EQ(i->SamplePosition(), 44100);

  context.state = 0;
  context.projectTimeSamples = int64(1) << 40;
  block.run(*i.plug);
  EXPECT_EQ(i->HostTempo(), 120.0) << "a tempo not marked valid";
  EXPECT_EQ(i->SamplePosition(), std::numeric_limits<int>::max());

  auto requirements = queryFrom<IProcessContextRequirements>(static_cast<IAudioProcessor*>(i.plug));
  ASSERT_TRUE(requirements);
  const uint32 flags = requirements->getProcessContextRequirements();
  for (uint32 need : {IProcessContextRequirements::kNeedTempo, IProcessContextRequirements::kNeedTransportState,
                      IProcessContextRequirements::kNeedTimeSignature, IProcessContextRequirements::kNeedProjectTimeMusic,
                      IProcessContextRequirements::kNeedBarPositionMusic, IProcessContextRequirements::kNeedCycleMusic})
    EXPECT_NE(flags & need, 0u) << need;
}

TEST(Vst3Lifecycle, TerminateInitializeCyclesRebuildAndDoubleInitializeIsRefused)
{
  Instance i;
  EXPECT_EQ(i->initialize(i.host->unknown()), kResultFalse);
  EXPECT_EQ(i->getParameterCount(), 10);
  for (int cycle = 0; cycle < 3; ++cycle)
  {
    EXPECT_EQ(i->terminate(), kResultOk);
    EXPECT_EQ(i->getBusCount(kAudio, kInput), 0);
    EXPECT_EQ(i->initialize(i.host->unknown()), kResultOk);
    EXPECT_EQ(i->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(i->getParameterCount(), 10);
    for (int32 size : {kSample32, kSample64})
    {
      EXPECT_EQ(i.setup(size, 256, 44100.0), kResultOk);
      EXPECT_EQ(i->setActive(1), kResultOk);
      EXPECT_EQ(i->setActive(0), kResultOk);
      EXPECT_EQ(i->setActive(0), kResultOk) << "a redundant deactivation";
    }
  }
  EXPECT_EQ(i->setProcessing(1), kNotImplemented);
  EXPECT_EQ(i->getLatencySamples(), 0u);
  EXPECT_EQ(i->getTailSamples(), 0u);
}
} // namespace

TEST(Vst3Process, SilentOutputChannelsAreFlaggedAndSoundingOnesAreNot)
{
  Instance i;
  Block<float> block(2, 128, 0.0);
  block.outBus.silenceFlags = 0;
  ASSERT_EQ(block.change(kAnalyze, 0.0).run(*i.plug), kResultOk);
  EXPECT_EQ(block.outBus.silenceFlags, 3u) << "silence in, silence out";

  std::fill(block.in[1].begin(), block.in[1].end(), 0.5f);
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  EXPECT_EQ(block.outBus.silenceFlags, 1u) << "only the left channel is silent";

  block.in[1][127] = 0.0f;
  block.in[1][0] = 0.0f;
  ASSERT_EQ(block.change(IPlugVST3::kBypassParamId, 1.0).run(*i.plug), kResultOk);
  EXPECT_EQ(block.outBus.silenceFlags, 1u) << "bypassed blocks are flagged the same way";
}

TEST(Vst3Process, NoHostSequenceMakesTheAudioThreadAllocateOrFree)
{
  // Everything a host and a group can do to a block, for every measure: automation of
  // every parameter, transport starts and stops (an analysis ends, a new one begins),
  // preset recalls, bypass, joining and leaving a group while another member publishes,
  // and the values reported back with the block.
  Instance i(u"Test Host", kSample32, 256), other;
  ASSERT_EQ(flush(*other.plug, kGroup, 2.0 / 8.0), kResultOk);
  Block<float> block(2, 256, 0.2);
  auto output = IPtr<ParameterChanges>::adopt(new ParameterChanges);
  output->reserve(16, 4);
  ProcessContext context{};
  block.data.outputParameterChanges = output.get();
  block.data.processContext = &context;
  block.run(*i.plug); // warm-up

  std::size_t allocations = 0, releases = 0;
  for (int measure = 0; measure < 6; ++measure)
    for (int round = 0; round < 12; ++round)
    {
      block.change(kMeasure, measure / 5.0).change(kTargetValue, 0.3 + 0.05 * round);
      block.change(kAnalyze, round % 3 == 0 ? 1.0 : 0.0).change(kNormalize, round % 2);
      block.change(kMode, round % 5 == 4 ? 1.0 : 0.0).change(kGate, 0.1 * (round % 4));
      block.change(kGroup, round % 4 < 2 ? 2.0 / 8.0 : 0.0);
      if (round == 7)
        block.change(IPlugVST3::kPresetParamId, 0.0);
      block.change(IPlugVST3::kBypassParamId, round == 9 ? 1.0 : 0.0);
      context.state = round % 6 < 4 ? ProcessContext::kPlaying : 0;
      if (round % 4 == 1)
        other->SetParameterFromGUI(kTargetValue, 0.1 * (round % 7));
      output->clear();
      AllocationScope scope;
      EXPECT_EQ(block.run(*i.plug), kResultOk);
      allocations += scope.count();
      releases += scope.releases();
    }
  // Ten minutes of Continuous mode on the integrated measure: its gating history stays in
  // the room it was given.
  block.change(kMeasure, 0.8).change(kMode, 1.0).change(kGroup, 0.0);
  context.state = ProcessContext::kPlaying;
  block.run(*i.plug);
  AllocationScope longRun;
  for (int b = 0; b < 48000 * 60 * 10 / 256; ++b)
    block.run(*i.plug);
  allocations += longRun.count();
  releases += longRun.releases();
  EXPECT_EQ(allocations, 0u);
  EXPECT_EQ(releases, 0u);
}
