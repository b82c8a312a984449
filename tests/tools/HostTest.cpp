// Our host library on the layer's test bundle: loading and its failures, the class scan,
// an instance through its life, the runner's transport and conversions, and the host
// objects plug-ins are handed.

#include "tools/vst3host/ComponentHandler.h"
#include "tools/vst3host/HostApplication.h"
#include "tools/vst3host/MemoryStream.h"
#include "tools/vst3host/Module.h"
#include "tools/vst3host/ParameterChanges.h"
#include "tools/vst3host/PluginInstance.h"
#include "tools/vst3host/ProcessRunner.h"

#include "AllocationCounter.h"

#include "vst3/sdk/helpers/Utf16.h"
#include "vst3/sdk/interfaces/IMessage.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cmath>
#include <fstream>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
constexpr const char* kBundle = TESTGAIN_BUNDLE;
constexpr ParamID kGainId = 0; // TestGain: -60 .. +12 dB
constexpr float kSampleTolerance = 1e-5f;

std::filesystem::path scratchFolder(const std::string& name)
{
  const auto folder =
    std::filesystem::temp_directory_path() / ("vst3host-test-" + std::to_string(getpid()) + "-" + name);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

std::shared_ptr<vst3host::Module> loadTestGain()
{
  auto module = vst3host::Module::load(kBundle);
  EXPECT_TRUE(module.ok()) << module.message();
  return module.ok() ? module.take() : nullptr;
}

bool mentions(const std::string& message, const std::string& part)
{
  return message.find(part) != std::string::npos;
}
} // namespace

TEST(Loading, FailuresNameThePathAndTheReason)
{
  const auto folder = scratchFolder("loading");
  auto missing = vst3host::Module::load(folder / "Nothing.vst3");
  ASSERT_FALSE(missing.ok());
  EXPECT_TRUE(mentions(missing.message(), "Nothing.vst3")) << missing.message();

  std::filesystem::create_directories(folder / "Plain");
  auto notBundle = vst3host::Module::load(folder / "Plain");
  ASSERT_FALSE(notBundle.ok());
  EXPECT_TRUE(mentions(notBundle.message(), "not a .vst3 bundle")) << notBundle.message();

  std::filesystem::create_directories(folder / "Empty.vst3" / "Contents");
  auto empty = vst3host::Module::load(folder / "Empty.vst3");
  ASSERT_FALSE(empty.ok());
  EXPECT_TRUE(mentions(empty.message(), "Empty.so")) << empty.message();

  std::ofstream(folder / "text.so") << "not a shared object";
  auto text = vst3host::Module::load(folder / "text.so");
  ASSERT_FALSE(text.ok());
  EXPECT_TRUE(mentions(text.message(), "cannot load")) << text.message();

  // A real shared object that is no plug-in module.
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(static_cast<double (*)(double)>(&::cos)), &info), 0);
  auto library = vst3host::Module::load(info.dli_fname);
  ASSERT_FALSE(library.ok());
  EXPECT_TRUE(mentions(library.message(), "ModuleEntry")) << library.message();
  std::filesystem::remove_all(folder);
}

TEST(Loading, TheBundleFolderAndItsBinaryLoadTheSameModule)
{
  auto binary = vst3host::Module::binaryOf(kBundle);
  ASSERT_TRUE(binary.ok()) << binary.message();
  EXPECT_EQ(binary.value().filename(), "TestGain.so");
  EXPECT_EQ(binary.value().parent_path().filename(), "x86_64-linux");
  auto direct = vst3host::Module::load(binary.value());
  ASSERT_TRUE(direct.ok()) << direct.message();
  EXPECT_EQ(direct.value()->classes().size(), 1u);
}

TEST(Module, TheFactoryScanDescribesTheClass)
{
  auto module = loadTestGain();
  ASSERT_TRUE(module);
  EXPECT_EQ(module->factoryDescription().vendor, "vst3sdk tests");
  EXPECT_EQ(module->factoryDescription().flags, PFactoryInfo::kUnicode);
  ASSERT_EQ(module->classes().size(), 1u);
  const vst3host::ClassDescription& description = module->classes()[0];
  EXPECT_EQ(description.name, "TestGain");
  EXPECT_TRUE(description.isAudioEffect());
  EXPECT_EQ(description.subCategories, "Fx");
  EXPECT_EQ(description.sdkVersion, "VST 3.7.14");
  EXPECT_EQ(description.cid.toString(), "6B1E55A07E574AB09A1E000154475331");
  auto effect = module->firstAudioEffect();
  ASSERT_TRUE(effect.ok());
  EXPECT_EQ(effect.value().cid, description.cid);
}

TEST(Module, ExitWaitsUntilTheLastInstanceIsGone)
{
  auto module = loadTestGain();
  ASSERT_TRUE(module);
  auto instance = vst3host::PluginInstance::create(module, module->classes()[0]);
  ASSERT_TRUE(instance.ok()) << instance.message();
  vst3host::Status early = module->unload();
  EXPECT_FALSE(early.ok());
  EXPECT_TRUE(mentions(early.message(), "still used")) << early.message();
  instance.value().reset();
  vst3host::Status unloaded = module->unload();
  EXPECT_TRUE(unloaded.ok()) << unloaded.message(); // TestGain's exit fails while anything lives
  EXPECT_TRUE(module->unload().ok()) << "idempotent";
}

TEST(Instance, AHostDrivesTestGainThroughOurLibrary)
{
  auto module = loadTestGain();
  ASSERT_TRUE(module);
  auto created = vst3host::PluginInstance::create(module, module->classes()[0]);
  ASSERT_TRUE(created.ok()) << created.message();
  vst3host::PluginInstance& plugin = *created.value();
  EXPECT_TRUE(plugin.isSingleComponent());
  EXPECT_EQ(module->hostContext().refCount(), 3u) << "the module's, the instance's and the plug-in's";

  const auto buses = plugin.buses();
  ASSERT_EQ(buses.size(), 2u);
  EXPECT_EQ(buses[0].name, "Stereo In");
  EXPECT_EQ(buses[1].direction, kOutput);
  EXPECT_EQ(buses[1].channelCount, 2);
  const auto parameters = plugin.parameters();
  ASSERT_EQ(parameters.size(), 2u);
  EXPECT_EQ(parameters[0].title, "Gain");
  EXPECT_EQ(parameters[0].units, "dB");
  EXPECT_TRUE(parameters[1].hasFlag(ParameterInfo::kIsBypass));
  auto bypass = plugin.parameterTitled("Bypass");
  ASSERT_TRUE(bypass.ok());
  EXPECT_FALSE(plugin.parameterTitled("Loudness").ok());
  auto text = plugin.valueText(kGainId, plugin.toNormalized(kGainId, -6.));
  ASSERT_TRUE(text.ok()) << text.message();
  EXPECT_EQ(text.value(), "-6.0");

  // TestGain processes 32-bit samples only, and stereo only.
  vst3host::RunnerConfig config;
  config.maxBlockFrames = 64;
  auto wide = vst3host::ProcessRunner::start(plugin, config);
  ASSERT_FALSE(wide.ok());
  EXPECT_TRUE(mentions(wide.message(), "64-bit")) << wide.message();
  config.channels = 1;
  config.symbolicSampleSize = kSample32;
  auto mono = vst3host::ProcessRunner::start(plugin, config);
  ASSERT_FALSE(mono.ok());
  EXPECT_TRUE(mentions(mono.message(), "refused")) << mono.message();

  config.channels = 2;
  auto started = vst3host::ProcessRunner::start(plugin, config);
  ASSERT_TRUE(started.ok()) << started.message();
  vst3host::ProcessRunner& runner = *started.value();
  EXPECT_EQ(plugin.stage(), vst3host::PluginInstance::Stage::kProcessing);

  // 64-bit audio in and out, converted for the plug-in, a run longer than one block.
  constexpr int kFrames = 1000;
  std::vector<double> left(kFrames), right(kFrames), outLeft(kFrames), outRight(kFrames);
  for (int n = 0; n < kFrames; ++n)
  {
    left[static_cast<std::size_t>(n)] = 0.5 * std::sin(0.01 * n);
    right[static_cast<std::size_t>(n)] = -0.25;
  }
  const double* in[] = {left.data(), right.data()};
  double* out[] = {outLeft.data(), outRight.data()};
  runner.queueChange(kGainId, plugin.toNormalized(kGainId, 20. * std::log10(0.5)));
  ASSERT_TRUE(runner.process(in, out, kFrames).ok());
  for (std::size_t n = 0; n < kFrames; ++n)
  {
    ASSERT_NEAR(outLeft[n], 0.5 * left[n], kSampleTolerance) << n;
    ASSERT_NEAR(outRight[n], 0.5 * right[n], kSampleTolerance) << n;
  }

  // State through a memory stream: saved, changed, restored.
  auto saved = plugin.saveState();
  ASSERT_TRUE(saved.ok()) << saved.message();
  runner.queueChange(kGainId, 1.);
  ASSERT_TRUE(runner.flush().ok());
  ASSERT_TRUE(plugin.loadState(saved.value()).ok());
  EXPECT_NEAR(plugin.toPlain(kGainId, plugin.normalizedValue(kGainId)), 20. * std::log10(0.5), 1e-9);
  vst3host::Status refused = plugin.loadState({1, 2, 3});
  EXPECT_FALSE(refused.ok());
  EXPECT_TRUE(mentions(refused.message(), "setState")) << refused.message();

  ASSERT_TRUE(runner.stop().ok());
  EXPECT_EQ(plugin.stage(), vst3host::PluginInstance::Stage::kInitialized);
  ASSERT_TRUE(plugin.reinitialize().ok());
  EXPECT_EQ(plugin.parameterCount(), 2);
  ASSERT_TRUE(plugin.terminate().ok());
  EXPECT_EQ(module->hostContext().refCount(), 2u) << "the plug-in let the context go at terminate";
  EXPECT_TRUE(plugin.terminate().ok()) << "idempotent";
}

TEST(Runner, TheTransportAdvancesOnlyWhilePlaying)
{
  auto module = loadTestGain();
  ASSERT_TRUE(module);
  auto created = vst3host::PluginInstance::create(module, module->classes()[0]);
  ASSERT_TRUE(created.ok());
  vst3host::RunnerConfig config;
  config.symbolicSampleSize = kSample32;
  config.sampleRate = 44100.;
  config.tempoBpm = 90.;
  auto started = vst3host::ProcessRunner::start(*created.value(), config);
  ASSERT_TRUE(started.ok()) << started.message();
  vst3host::ProcessRunner& runner = *started.value();
  std::vector<float> silence(300);
  const float* in[] = {silence.data(), silence.data()};
  std::vector<float> l(300), r(300);
  float* out[] = {l.data(), r.data()};

  ASSERT_TRUE(runner.process(in, out, 300).ok());
  EXPECT_EQ(runner.projectTimeSamples(), 0);
  runner.setPlaying(true);
  ASSERT_TRUE(runner.process(in, out, 300).ok());
  ASSERT_TRUE(runner.process(in, out, 300).ok());
  EXPECT_EQ(runner.projectTimeSamples(), 600);
  const ProcessContext& context = runner.nextContext();
  EXPECT_TRUE(context.state & ProcessContext::kPlaying);
  EXPECT_TRUE(context.state & ProcessContext::kTempoValid);
  EXPECT_EQ(context.tempo, 90.);
  EXPECT_EQ(context.sampleRate, 44100.);
  EXPECT_EQ(context.continousTimeSamples, 900);
  EXPECT_DOUBLE_EQ(context.projectTimeMusic, 600. / 44100. * 1.5);
  runner.setPlaying(false);
  EXPECT_FALSE(runner.nextContext().state & ProcessContext::kPlaying);
  runner.relocate(0);
  EXPECT_EQ(runner.nextContext().projectTimeSamples, 0);
}

TEST(HostObjects, ParameterChangesKeepTheirQueuesAndPointsInOrder)
{
  auto changes = IPtr<ParameterChanges>::adopt(new ParameterChanges);
  changes->reserve(4, 4);
  changes->addChange(7, 100, 0.5);
  changes->addChange(7, 10, 0.25);
  changes->addChange(7, 100, 0.75); // same offset: replaced
  changes->addChange(3, 0, 1.);
  ASSERT_EQ(changes->getParameterCount(), 2);
  IParamValueQueue* queue = changes->getParameterData(0);
  ASSERT_NE(queue, nullptr);
  EXPECT_EQ(queue->getParameterId(), 7u);
  ASSERT_EQ(queue->getPointCount(), 2);
  int32 offset = 0;
  ParamValue value = 0;
  ASSERT_EQ(queue->getPoint(1, offset, value), kResultOk);
  EXPECT_EQ(offset, 100);
  EXPECT_EQ(value, 0.75);
  EXPECT_EQ(queue->getPoint(2, offset, value), kInvalidArgument);
  EXPECT_EQ(changes->getParameterData(2), nullptr);

  // A block's worth of changes within the reserved room allocates nothing.
  AllocationScope allocations;
  for (int block = 0; block < 10; ++block)
  {
    changes->clear();
    for (ParamID id = 0; id < 4; ++id)
      for (int32 point = 0; point < 4; ++point)
        changes->addChange(id, point * 16, 0.1 * point);
  }
  EXPECT_EQ(allocations.count(), 0u);
  EXPECT_EQ(changes->getParameterCount(), 4);
}

TEST(HostObjects, MemoryStreamsReadShortAndRefuseSeeksOutside)
{
  auto stream = IPtr<MemoryStream>::adopt(new MemoryStream({1, 2, 3}));
  uint8 buffer[8] = {};
  int32 read = -1;
  EXPECT_EQ(stream->read(buffer, 8, &read), kResultOk);
  EXPECT_EQ(read, 3);
  EXPECT_EQ(stream->read(buffer, 8, &read), kResultOk);
  EXPECT_EQ(read, 0);
  int64 position = -1;
  EXPECT_EQ(stream->seek(4, IBStream::kIBSeekSet, &position), kInvalidArgument);
  EXPECT_EQ(stream->seek(-1, IBStream::kIBSeekEnd, &position), kResultOk);
  EXPECT_EQ(position, 2);
  IPtr<ISizeableStream> sizeable = queryFrom<ISizeableStream>(stream->unknown());
  ASSERT_TRUE(sizeable);
  int64 size = 0;
  EXPECT_EQ(sizeable->getStreamSize(size), kResultOk);
  EXPECT_EQ(size, 3);
  int32 written = 0;
  EXPECT_EQ(stream->write(buffer, 4, &written), kResultOk);
  EXPECT_EQ(stream->bytes().size(), 6u);
}

TEST(HostObjects, TheHandlerRecordsEveryCallInOrder)
{
  auto handler = IPtr<vst3host::RecordingComponentHandler>::adopt(new vst3host::RecordingComponentHandler);
  IPtr<IComponentHandler> asHandler = queryFrom<IComponentHandler>(handler->unknown());
  IPtr<IComponentHandler2> asHandler2 = queryFrom<IComponentHandler2>(handler->unknown());
  ASSERT_TRUE(asHandler);
  ASSERT_TRUE(asHandler2);
  EXPECT_EQ(asHandler->beginEdit(4), kResultOk);
  EXPECT_EQ(asHandler->performEdit(4, 0.25), kResultOk);
  EXPECT_EQ(asHandler->endEdit(4), kResultOk);
  EXPECT_EQ(asHandler->restartComponent(kLatencyChanged), kResultOk);
  EXPECT_EQ(asHandler2->setDirty(1), kResultOk);
  const auto events = handler->events();
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0].kind, vst3host::HandlerEvent::kBeginEdit);
  EXPECT_EQ(events[1].kind, vst3host::HandlerEvent::kPerformEdit);
  EXPECT_EQ(events[1].value, 0.25);
  EXPECT_EQ(events[2].id, 4u);
  EXPECT_EQ(events[3].flags, kLatencyChanged);
  EXPECT_EQ(events[4].flags, 1);
  handler->clear();
  EXPECT_TRUE(handler->events().empty());
}

TEST(HostObjects, TheContextIsNamedAndMakesOnlyMessagesAndLists)
{
  auto host = IPtr<HostApplication>::adopt(new HostApplication);
  String128 name{};
  ASSERT_EQ(host->getName(name), kResultOk);
  EXPECT_TRUE(text16Equal(name, u"quenmark"));
  void* object = nullptr;
  TUID messageId, listId, otherId;
  std::memcpy(messageId, IMessage::iid, 16);
  std::memcpy(listId, IAttributeList::iid, 16);
  std::memcpy(otherId, IBStream::iid, 16);
  ASSERT_EQ(host->createInstance(messageId, messageId, &object), kResultOk);
  static_cast<IMessage*>(object)->release();
  EXPECT_EQ(host->createInstance(messageId, listId, &object), kNoInterface);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(host->createInstance(otherId, otherId, &object), kNoInterface);
  ASSERT_EQ(host->createInstance(listId, listId, &object), kResultOk);
  static_cast<IAttributeList*>(object)->release();
  EXPECT_EQ(host->createdMessages(), 1);
}

TEST(Instance, ASeparateControllerIsCreatedInitializedConnectedAndSynchronised)
{
  auto module = vst3host::Module::load(TESTSPLIT_BUNDLE);
  ASSERT_TRUE(module.ok()) << module.message();
  ASSERT_EQ(module.value()->classes().size(), 2u);
  auto effect = module.value()->firstAudioEffect();
  ASSERT_TRUE(effect.ok());
  EXPECT_EQ(effect.value().name, "TestSplit");
  auto created = vst3host::PluginInstance::create(module.value(), effect.value());
  ASSERT_TRUE(created.ok()) << created.message();
  vst3host::PluginInstance& plugin = *created.value();
  EXPECT_FALSE(plugin.isSingleComponent());
  ASSERT_NE(plugin.controller(), nullptr);
  EXPECT_NE(static_cast<void*>(plugin.controller()), static_cast<void*>(plugin.component()));
  ASSERT_EQ(plugin.parameterCount(), 2);
  EXPECT_EQ(plugin.normalizedValue(0), 0.25) << "the controller got the component's state";
  EXPECT_EQ(plugin.normalizedValue(1), 1.) << "the two objects were connected";

  // A restored state reaches both objects.
  auto saved = plugin.saveState();
  ASSERT_TRUE(saved.ok());
  std::vector<uint8> state(8);
  const double gain = 0.75;
  std::memcpy(state.data(), &gain, 8);
  ASSERT_TRUE(plugin.loadState(state).ok());
  EXPECT_EQ(plugin.normalizedValue(0), 0.75);
  auto reread = plugin.saveState();
  ASSERT_TRUE(reread.ok());
  EXPECT_EQ(reread.value(), state);

  ASSERT_TRUE(plugin.reinitialize().ok());
  EXPECT_EQ(plugin.parameterCount(), 2);
  EXPECT_EQ(plugin.normalizedValue(1), 1.) << "connected again";
  EXPECT_TRUE(plugin.terminate().ok());
  created.value().reset();
  EXPECT_TRUE(module.value()->unload().ok());
}
