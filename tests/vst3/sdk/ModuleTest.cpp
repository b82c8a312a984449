// Loads the TestGain module the way a Linux host does and drives one instance through its
// whole life: entry, factory, creation, set-up, processing, state, tear-down, exit.

#include "HostApplication.h"
#include "MemoryStream.h"
#include "ParameterChanges.h"

#include "AllocationCounter.h"

#include "vst3/sdk/helpers/FUID.h"
#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/interfaces/ClassCategories.h"
#include "vst3/sdk/interfaces/IAudioProcessor.h"
#include "vst3/sdk/interfaces/IComponent.h"
#include "vst3/sdk/interfaces/IConnectionPoint.h"
#include "vst3/sdk/interfaces/IEditController.h"
#include "vst3/sdk/interfaces/IProcessContextRequirements.h"
#include "vst3/sdk/interfaces/ModuleExports.h"
#include "vst3/sdk/interfaces/SpeakerArrangement.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <array>
#include <cmath>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
constexpr const char* kModulePath = TESTGAIN_MODULE_PATH;
const FUID kTestGainId(0x6B1E55A0, 0x7E574AB0, 0x9A1E0001, 0x54475331);
constexpr ParamID kGainId = 0;
constexpr ParamID kBypassId = 1;
constexpr int32 kBlockFrames = 64;
constexpr float kSampleTolerance = 1e-5f;

// The module's bundle layout, as hosts look for it.
TEST(Bundle, TheBinarySitsWhereHostsLookForIt)
{
  const std::string path = kModulePath;
  EXPECT_NE(path.find("/TestGain.vst3/Contents/x86_64-linux/TestGain.so"), std::string::npos) << path;
}

class ModuleTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    handle = dlopen(kModulePath, RTLD_LAZY | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    entry = reinterpret_cast<ModuleEntryFunc>(dlsym(handle, kModuleEntryName));
    exit = reinterpret_cast<ModuleExitFunc>(dlsym(handle, kModuleExitName));
    getFactory = reinterpret_cast<GetFactoryProc>(dlsym(handle, kGetPluginFactoryName));
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(exit, nullptr);
    ASSERT_NE(getFactory, nullptr);
  }
  void TearDown() override
  {
    if (handle)
      dlclose(handle);
  }

  void* handle = nullptr;
  ModuleEntryFunc entry = nullptr;
  ModuleExitFunc exit = nullptr;
  GetFactoryProc getFactory = nullptr;
};

struct StereoBlock
{
  std::array<std::array<float, kBlockFrames>, 2> in{};
  std::array<std::array<float, kBlockFrames>, 2> out{};
  std::array<float*, 2> inPointers{in[0].data(), in[1].data()};
  std::array<float*, 2> outPointers{out[0].data(), out[1].data()};
  AudioBusBuffers inBus{};
  AudioBusBuffers outBus{};
  ProcessData data{};

  StereoBlock(const StereoBlock&) = delete; // the bus buffers point into the block itself
  StereoBlock& operator=(const StereoBlock&) = delete;
  StereoBlock()
  {
    for (int n = 0; n < kBlockFrames; ++n)
    {
      in[0][static_cast<std::size_t>(n)] = 0.5f * std::sin(0.1f * static_cast<float>(n));
      in[1][static_cast<std::size_t>(n)] = -0.25f;
    }
    inBus.numChannels = 2;
    inBus.channelBuffers32 = inPointers.data();
    outBus.numChannels = 2;
    outBus.channelBuffers32 = outPointers.data();
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = kBlockFrames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
  }

  // The largest deviation of out from in * gain.
  float errorAgainst(float gain) const
  {
    float worst = 0.f;
    for (std::size_t c = 0; c < 2; ++c)
      for (std::size_t n = 0; n < kBlockFrames; ++n)
        worst = std::max(worst, std::fabs(out[c][n] - in[c][n] * gain));
    return worst;
  }
};
} // namespace

TEST_F(ModuleTest, EntryIsCountedAndGatesTheFactory)
{
  EXPECT_FALSE(exit()) << "an exit without an entry";
  EXPECT_EQ(getFactory(), nullptr) << "the factory before the module was entered";
  ASSERT_TRUE(entry(handle));
  ASSERT_TRUE(entry(handle));
  IPluginFactory* factory = getFactory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(getFactory(), factory); // the same factory, with one more reference
  EXPECT_EQ(factory->release(), 1u);
  EXPECT_EQ(factory->release(), 0u);

  EXPECT_TRUE(exit()); // still entered once: the factory is still handed out
  IPluginFactory* again = getFactory();
  ASSERT_NE(again, nullptr);
  again->release();
  EXPECT_TRUE(exit());
  EXPECT_EQ(getFactory(), nullptr);
  EXPECT_FALSE(exit());

  auto initDll = reinterpret_cast<InitDllFunc>(dlsym(handle, kInitDllName));
  auto exitDll = reinterpret_cast<ExitDllFunc>(dlsym(handle, kExitDllName));
  ASSERT_NE(initDll, nullptr);
  ASSERT_NE(exitDll, nullptr);
  EXPECT_TRUE(initDll());
  EXPECT_TRUE(exitDll());
  EXPECT_FALSE(exitDll());
}

TEST_F(ModuleTest, OnlyTheEntryFunctionsAreVisible)
{
  // Library code inside the module is hidden, e.g. FObject::addRef and the factory class.
  EXPECT_EQ(dlsym(handle, "_ZN9Steinberg7FObject6addRefEv"), nullptr);
  EXPECT_EQ(dlsym(handle, "_ZN9Steinberg14CPluginFactory14createInstanceEPKcS2_PPv"), nullptr);
  EXPECT_EQ(dlsym(handle, "InitModule"), nullptr);
  EXPECT_EQ(dlsym(handle, "_Z10InitModulev"), nullptr);
}

TEST_F(ModuleTest, AHostDrivesOneInstanceThroughItsLife)
{
  ASSERT_TRUE(entry(handle));
  auto factory = IPtr<IPluginFactory>::adopt(getFactory());
  ASSERT_TRUE(factory);
  IPtr<IPluginFactory3> factory3 = queryFrom<IPluginFactory3>(factory.get());
  ASSERT_TRUE(factory3);
  auto host = IPtr<HostApplication>::adopt(new HostApplication(u"Module test host"));
  EXPECT_EQ(factory3->setHostContext(host->unknown()), kResultTrue);

  // Class scan.
  PFactoryInfo factoryInfo{};
  ASSERT_EQ(factory->getFactoryInfo(&factoryInfo), kResultOk);
  EXPECT_STREQ(factoryInfo.vendor, "vst3sdk tests");
  EXPECT_EQ(factoryInfo.flags, PFactoryInfo::kUnicode);
  ASSERT_EQ(factory->countClasses(), 1);
  PClassInfoW classInfo{};
  ASSERT_EQ(factory3->getClassInfoUnicode(0, &classInfo), kResultOk);
  EXPECT_EQ(FUID::fromTUID(classInfo.cid), kTestGainId);
  EXPECT_STREQ(classInfo.category, kVstAudioEffectClass);
  EXPECT_EQ(std::u16string(classInfo.name), u"TestGain");
  EXPECT_EQ(std::u16string(classInfo.sdkVersion), u"VST 3.7.14");
  EXPECT_EQ(classInfo.classFlags, 0u);

  // Creation.
  void* obj = reinterpret_cast<void*>(1);
  const FUID wrongId(0x6B1E55A0, 0x7E574AB0, 0x9A1E0001, 0x54475332);
  EXPECT_EQ(factory->createInstance(wrongId.data(), IComponent::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  ASSERT_EQ(factory->createInstance(kTestGainId.data(), IComponent::iid, &obj), kResultOk);
  auto component = IPtr<IComponent>::adopt(static_cast<IComponent*>(obj));
  ASSERT_EQ(factory->createInstance(kTestGainId.data(), IAudioProcessor::iid, &obj), kResultOk);
  auto second = IPtr<IAudioProcessor>::adopt(static_cast<IAudioProcessor*>(obj));
  EXPECT_NE(second.get(), queryFrom<IAudioProcessor>(component.get()).get()) << "every creation is a new object";
  second.reset();

  IPtr<IPluginBase> base = queryFrom<IPluginBase>(component.get());
  ASSERT_TRUE(base);
  ASSERT_EQ(base->initialize(host->unknown()), kResultOk);

  // One object: the host finds the controller on the component and no connection point.
  IPtr<IEditController> controller = queryFrom<IEditController>(component.get());
  IPtr<IAudioProcessor> processor = queryFrom<IAudioProcessor>(component.get());
  ASSERT_TRUE(controller);
  ASSERT_TRUE(processor);
  EXPECT_FALSE(queryFrom<IConnectionPoint>(component.get()));
  IPtr<IProcessContextRequirements> requirements = queryFrom<IProcessContextRequirements>(processor.get());
  ASSERT_TRUE(requirements);
  EXPECT_EQ(requirements->getProcessContextRequirements(), 0u);

  // Buses and parameters.
  ASSERT_EQ(component->getBusCount(kAudio, kInput), 1);
  ASSERT_EQ(component->getBusCount(kAudio, kOutput), 1);
  EXPECT_EQ(component->getBusCount(kEvent, kInput), 0);
  BusInfo bus{};
  ASSERT_EQ(component->getBusInfo(kAudio, kOutput, 0, bus), kResultTrue);
  EXPECT_EQ(bus.channelCount, 2);
  EXPECT_EQ(std::u16string(bus.name), u"Stereo Out");
  EXPECT_EQ(component->activateBus(kAudio, kInput, 0, 1), kResultTrue);
  EXPECT_EQ(component->activateBus(kAudio, kOutput, 0, 1), kResultTrue);
  SpeakerArrangement mono = SpeakerArr::kMono;
  EXPECT_EQ(processor->setBusArrangements(&mono, 1, &mono, 1), kResultFalse);
  ASSERT_EQ(controller->getParameterCount(), 2);
  ParameterInfo bypassInfo{};
  ASSERT_EQ(controller->getParameterInfo(1, bypassInfo), kResultTrue);
  EXPECT_EQ(bypassInfo.id, kBypassId);
  EXPECT_EQ(bypassInfo.flags & ParameterInfo::kIsBypass, ParameterInfo::kIsBypass);
  EXPECT_EQ(bypassInfo.stepCount, 1);

  // Processing set-up and activation.
  EXPECT_EQ(processor->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(processor->canProcessSampleSize(kSample64), kResultFalse);
  ProcessSetup setup{kRealtime, kSample32, kBlockFrames, 48000.};
  ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
  ASSERT_EQ(component->setActive(1), kResultOk);
  ASSERT_EQ(processor->setProcessing(1), kResultOk);

  // At 0 dB the block passes unchanged; a gain change of -6.02 dB halves it.
  StereoBlock block;
  ASSERT_EQ(processor->process(block.data), kResultOk);
  EXPECT_LT(block.errorAgainst(1.f), kSampleTolerance);

  auto changes = IPtr<ParameterChanges>::adopt(new ParameterChanges);
  const double halfGainDb = 20. * std::log10(0.5);
  changes->addChange(kGainId, 0, controller->plainParamToNormalized(kGainId, -20.));
  changes->addChange(kGainId, 32, controller->plainParamToNormalized(kGainId, halfGainDb)); // the last point wins
  block.data.inputParameterChanges = changes.get();
  {
    AllocationScope allocations;
    ASSERT_EQ(processor->process(block.data), kResultOk);
    EXPECT_EQ(allocations.count(), 0u) << "process allocated";
  }
  EXPECT_LT(block.errorAgainst(0.5f), kSampleTolerance);

  // In place: input and output channels are the same memory.
  StereoBlock inPlace;
  inPlace.out = inPlace.in;
  inPlace.inPointers = inPlace.outPointers;
  ASSERT_EQ(processor->process(inPlace.data), kResultOk);
  for (std::size_t n = 0; n < kBlockFrames; ++n)
    EXPECT_NEAR(inPlace.out[0][n], block.in[0][n] * 0.5f, kSampleTolerance);

  // A parameter flush without buffers still applies the changes.
  changes->clear();
  changes->addChange(kBypassId, 0, 1.);
  ProcessData flush{};
  flush.inputParameterChanges = changes.get();
  ASSERT_EQ(processor->process(flush), kResultOk);

  // State: save, change, restore.
  auto saved = IPtr<MemoryStream>::adopt(new MemoryStream);
  ASSERT_EQ(component->getState(saved.get()), kResultOk);
  changes->clear();
  changes->addChange(kBypassId, 0, 0.);
  changes->addChange(kGainId, 0, 1.);
  block.data.inputParameterChanges = changes.get();
  ASSERT_EQ(processor->process(block.data), kResultOk);
  ASSERT_EQ(controller->setParamNormalized(kBypassId, 0.), kResultTrue);

  auto loaded = IPtr<MemoryStream>::adopt(new MemoryStream(saved->bytes()));
  ASSERT_EQ(component->setState(loaded.get()), kResultOk);
  EXPECT_EQ(controller->getParamNormalized(kBypassId), 1.) << "the controller follows the loaded state";
  EXPECT_NEAR(controller->normalizedParamToPlain(kGainId, controller->getParamNormalized(kGainId)), halfGainDb, 1e-9);
  StereoBlock restored;
  ASSERT_EQ(processor->process(restored.data), kResultOk);
  EXPECT_LT(restored.errorAgainst(1.f), kSampleTolerance) << "bypassed again";

  // A truncated chunk is refused and changes nothing.
  std::vector<uint8> truncated = saved->bytes();
  truncated.resize(truncated.size() - 1);
  auto shortStream = IPtr<MemoryStream>::adopt(new MemoryStream(truncated));
  EXPECT_EQ(component->setState(shortStream.get()), kResultFalse);
  EXPECT_EQ(controller->getParamNormalized(kBypassId), 1.);

  // Tear-down in host order; the module exit comes after every release.
  ASSERT_EQ(processor->setProcessing(0), kResultOk);
  ASSERT_EQ(component->setActive(0), kResultOk);
  EXPECT_EQ(host->refCount(), 2u); // the instance's context
  ASSERT_EQ(base->terminate(), kResultOk);
  EXPECT_EQ(host->refCount(), 1u);
  EXPECT_EQ(controller->getParameterCount(), 0);
  requirements.reset();
  processor.reset();
  controller.reset();
  base.reset();
  component.reset();
  factory3.reset();
  factory.reset();
  EXPECT_TRUE(exit());
  EXPECT_EQ(getFactory(), nullptr);
}
