// The single-object effect: bus lists as the host sees them, the processing set-up, and
// the terminate / initialize cycle.

#include "TestDoubles.h"

#include "HostApplication.h"

#include "vst3/sdk/helpers/Utf16.h"

#include <gtest/gtest.h>

#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
class EffectTest : public ::testing::Test
{
protected:
  void SetUp() override { ASSERT_EQ(effect->initialize(host->unknown()), kResultOk); }
  void TearDown() override { effect->terminate(); }

  IComponent* component() { return effect.get(); }
  IAudioProcessor* processor() { return effect.get(); }

  IPtr<HostApplication> host = IPtr<HostApplication>::adopt(new HostApplication);
  IPtr<CountedEffect> effect = IPtr<CountedEffect>::adopt(new CountedEffect);
};
} // namespace

TEST_F(EffectTest, BusesAreReportedPerTypeAndDirection)
{
  effect->addEventInput(u"MIDI In", 1);
  effect->addAudioInput(u"Side", SpeakerArr::kMono, kAux, 0);
  EXPECT_EQ(component()->getBusCount(kAudio, kInput), 2);
  EXPECT_EQ(component()->getBusCount(kAudio, kOutput), 1);
  EXPECT_EQ(component()->getBusCount(kEvent, kInput), 1);
  EXPECT_EQ(component()->getBusCount(kEvent, kOutput), 0);
  EXPECT_EQ(component()->getBusCount(kNumMediaTypes, kInput), 0);
  EXPECT_EQ(component()->getBusCount(kAudio, 2), 0);

  BusInfo info{};
  ASSERT_EQ(component()->getBusInfo(kAudio, kInput, 1, info), kResultTrue);
  EXPECT_EQ(info.mediaType, kAudio);
  EXPECT_EQ(info.direction, kInput);
  EXPECT_EQ(info.channelCount, 1);
  EXPECT_EQ(std::u16string(info.name), u"Side");
  EXPECT_EQ(info.busType, kAux);
  EXPECT_EQ(info.flags, 0u);

  ASSERT_EQ(component()->getBusInfo(kAudio, kOutput, 0, info), kResultTrue);
  EXPECT_EQ(info.channelCount, 2);
  EXPECT_EQ(info.busType, kMain);
  EXPECT_EQ(info.flags, static_cast<uint32>(BusInfo::kDefaultActive));

  ASSERT_EQ(component()->getBusInfo(kEvent, kInput, 0, info), kResultTrue);
  EXPECT_EQ(info.mediaType, kEvent);
  EXPECT_EQ(info.channelCount, 1);
}

TEST_F(EffectTest, BadBusArgumentsAreRefused)
{
  BusInfo info{};
  EXPECT_EQ(component()->getBusInfo(kAudio, kInput, -1, info), kInvalidArgument);
  EXPECT_EQ(component()->getBusInfo(kAudio, kInput, 1, info), kInvalidArgument);
  EXPECT_EQ(component()->getBusInfo(kEvent, kInput, 0, info), kInvalidArgument);
  EXPECT_EQ(component()->getBusInfo(7, kInput, 0, info), kInvalidArgument);
  EXPECT_EQ(component()->activateBus(kAudio, kOutput, -1, 1), kInvalidArgument);
  EXPECT_EQ(component()->activateBus(kAudio, 5, 0, 1), kInvalidArgument);
  SpeakerArrangement arrangement = 0;
  EXPECT_EQ(processor()->getBusArrangement(kInput, 1, arrangement), kInvalidArgument);
  EXPECT_EQ(processor()->getBusArrangement(3, 0, arrangement), kInvalidArgument);
}

TEST_F(EffectTest, BusesStartInactiveAndStoreActivation)
{
  BusList* inputs = effect->getBusList(kAudio, kInput);
  ASSERT_NE(inputs, nullptr);
  EXPECT_FALSE(inputs->at(0)->isActive());
  EXPECT_EQ(component()->activateBus(kAudio, kInput, 0, 1), kResultTrue);
  EXPECT_TRUE(inputs->at(0)->isActive());
  EXPECT_EQ(component()->activateBus(kAudio, kInput, 0, 0), kResultTrue);
  EXPECT_FALSE(inputs->at(0)->isActive());
}

TEST_F(EffectTest, RepeatedBusInfoIsByteIdenticalAndLongNamesStayTerminated)
{
  const std::u16string longName(200, u'n');
  effect->addAudioOutput(longName.c_str(), SpeakerArr::k51, kAux, 0);
  BusInfo first{};
  std::memset(&first, 0xAB, sizeof(first));
  BusInfo second{};
  std::memset(&second, 0xCD, sizeof(second));
  ASSERT_EQ(component()->getBusInfo(kAudio, kOutput, 1, first), kResultTrue);
  ASSERT_EQ(component()->getBusInfo(kAudio, kOutput, 1, second), kResultTrue);
  EXPECT_EQ(std::memcmp(&first, &second, sizeof(BusInfo)), 0);
  EXPECT_EQ(text16Length(first.name, 128), 127);
  EXPECT_EQ(first.name[127], 0);
  EXPECT_EQ(first.channelCount, 6);
}

TEST_F(EffectTest, ArrangementsAreReportedAndOnlyTheCurrentOnesAccepted)
{
  SpeakerArrangement arrangement = 0;
  ASSERT_EQ(processor()->getBusArrangement(kOutput, 0, arrangement), kResultTrue);
  EXPECT_EQ(arrangement, SpeakerArr::kStereo);

  SpeakerArrangement stereo = SpeakerArr::kStereo;
  SpeakerArrangement mono = SpeakerArr::kMono;
  EXPECT_EQ(processor()->setBusArrangements(&stereo, 1, &stereo, 1), kResultTrue);
  EXPECT_EQ(processor()->setBusArrangements(&mono, 1, &mono, 1), kResultFalse);
  EXPECT_EQ(processor()->setBusArrangements(&stereo, 1, nullptr, 0), kResultFalse);
  EXPECT_EQ(processor()->setBusArrangements(&stereo, -1, &stereo, 1), kInvalidArgument);
  EXPECT_EQ(processor()->setBusArrangements(nullptr, 1, &stereo, 1), kInvalidArgument);
  // A refused request leaves the buses as they were.
  ASSERT_EQ(processor()->getBusArrangement(kInput, 0, arrangement), kResultTrue);
  EXPECT_EQ(arrangement, SpeakerArr::kStereo);
}

TEST_F(EffectTest, ProcessingSetupStoresOnlyWhatIsSupported)
{
  EXPECT_EQ(effect->getProcessSetup().maxSamplesPerBlock, 1024);
  EXPECT_EQ(effect->getProcessSetup().sampleRate, 44100.);
  EXPECT_EQ(processor()->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(processor()->canProcessSampleSize(kSample64), kResultFalse);

  ProcessSetup setup{kOffline, kSample64, 512, 96000.};
  EXPECT_EQ(processor()->setupProcessing(setup), kResultFalse);
  EXPECT_EQ(effect->getProcessSetup().sampleRate, 44100.);
  setup.symbolicSampleSize = kSample32;
  EXPECT_EQ(processor()->setupProcessing(setup), kResultOk);
  EXPECT_EQ(effect->getProcessSetup().processMode, kOffline);
  EXPECT_EQ(effect->getProcessSetup().maxSamplesPerBlock, 512);
  EXPECT_EQ(effect->getProcessSetup().sampleRate, 96000.);

  ProcessSetup broken{kRealtime, kSample32, 0, 48000.};
  EXPECT_EQ(processor()->setupProcessing(broken), kInvalidArgument);
  broken = {kRealtime, kSample32, 256, -1.};
  EXPECT_EQ(processor()->setupProcessing(broken), kInvalidArgument);
  EXPECT_EQ(effect->getProcessSetup().maxSamplesPerBlock, 512);
}

TEST_F(EffectTest, DefaultsOfTheUnimplementedCalls)
{
  TUID cid = {};
  EXPECT_EQ(component()->getControllerClassId(cid), kNotImplemented);
  EXPECT_EQ(component()->setIoMode(kAdvanced), kNotImplemented);
  RoutingInfo in{};
  RoutingInfo out{};
  EXPECT_EQ(component()->getRoutingInfo(in, out), kNotImplemented);
  EXPECT_EQ(component()->setActive(1), kResultOk);
  EXPECT_EQ(component()->setActive(0), kResultOk);
  EXPECT_EQ(component()->setActive(0), kResultOk);
  EXPECT_EQ(processor()->getLatencySamples(), 0u);
  EXPECT_EQ(processor()->getTailSamples(), kNoTail);
  EXPECT_EQ(effect->getProcessContextRequirements(), 0u);
  effect->setProcessContextRequirements(IProcessContextRequirements::kNeedTempo);
  EXPECT_EQ(effect->getProcessContextRequirements(), static_cast<uint32>(IProcessContextRequirements::kNeedTempo));
}

TEST_F(EffectTest, TerminateAndInitializeRebuildTheObject)
{
  ASSERT_EQ(effect->getParameterCount(), 1);
  EXPECT_EQ(host->refCount(), 2u);
  ASSERT_EQ(effect->terminate(), kResultOk);
  EXPECT_EQ(component()->getBusCount(kAudio, kInput), 0);
  EXPECT_EQ(component()->getBusCount(kAudio, kOutput), 0);
  EXPECT_EQ(effect->getParameterCount(), 0);
  EXPECT_EQ(host->refCount(), 1u);

  ASSERT_EQ(effect->initialize(host->unknown()), kResultOk);
  EXPECT_EQ(component()->getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(effect->getParameterCount(), 1);
  EXPECT_EQ(effect->getParamNormalized(7), 0.5);
}
