#include "tools/vst3host/PluginInstance.h"

#include "tools/vst3host/MemoryStream.h"
#include "tools/vst3host/Text.h"

#include "vst3/sdk/interfaces/IBStream.h"
#include "vst3/sdk/interfaces/IPluginBase.h"
#include "vst3/sdk/interfaces/SpeakerArrangement.h"

#include <bit>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace vst3host
{
namespace
{
// Runs one plug-in call that answers a tresult; an escaping exception becomes
// kExceptionEscaped.
template <class Call>
tresult guarded(Call call) noexcept
{
  try
  {
    return call();
  }
  catch (...)
  {
    return kExceptionEscaped;
  }
}

// Runs one plug-in call that answers a value; an escaping exception gives `fallback`.
template <class T, class Call>
T guardedValue(T fallback, Call call) noexcept
{
  try
  {
    return call();
  }
  catch (...)
  {
    return fallback;
  }
}

const char* directionName(BusDirection direction)
{
  return direction == kInput ? "input" : "output";
}

const char* mediaName(MediaType type)
{
  return type == kAudio ? "audio" : "event";
}
} // namespace

int32 channelCountOf(SpeakerArrangement arrangement) noexcept
{
  return static_cast<int32>(std::popcount(arrangement));
}

SpeakerArrangement arrangementFor(int32 channels) noexcept
{
  switch (channels)
  {
  case 1: return SpeakerArr::kMono;
  case 2: return SpeakerArr::kStereo;
  default: return SpeakerArr::kEmpty;
  }
}

Result<std::unique_ptr<PluginInstance>> PluginInstance::create(std::shared_ptr<Module> module,
                                                               const ClassDescription& description,
                                                               IPtr<HostApplication> context)
{
  if (!module || module->factory() == nullptr)
    return Status::failure("no module loaded");
  std::unique_ptr<PluginInstance> instance(new PluginInstance);
  instance->mModule = module;
  instance->mDescription = description;
  instance->mContext = context ? context : IPtr<HostApplication>(&module->hostContext());
  instance->mHandler = IPtr<RecordingComponentHandler>::adopt(new RecordingComponentHandler);

  const std::string what = "class \"" + description.name + "\" (" + description.cid.toString() + ")";
  void* object = nullptr;
  const tresult created = guarded([&] {
    return module->factory()->createInstance(description.cid.data(), IComponent::iid, &object);
  });
  if (created != kResultOk || object == nullptr)
    return Status::failure("createInstance of " + what + " as IComponent: " + resultName(created));
  instance->mComponent = IPtr<IComponent>::adopt(static_cast<IComponent*>(object));
  instance->mProcessor = queryFrom<IAudioProcessor>(instance->mComponent.get());
  if (!instance->mProcessor)
    return Status::failure(what + " answers no IAudioProcessor: not an audio effect");
  if (Status initialized = instance->initializeObjects(); !initialized)
    return Status::failure(what + ": " + initialized.message());
  return instance;
}

PluginInstance::~PluginInstance()
{
  (void)terminate();
}

Status PluginInstance::initializeObjects()
{
  IPtr<IPluginBase> base = queryFrom<IPluginBase>(mComponent.get());
  if (!base)
    return Status::failure("the component answers no IPluginBase");
  if (Status initialized = checkResult(guarded([&] { return base->initialize(mContext->unknown()); }),
                                       "initialize of the component");
      !initialized)
    return initialized;
  mInitialized = true;
  mStage = Stage::kInitialized;

  if (!mController)
  {
    // One object answers IEditController itself; otherwise the component names the
    // class of its controller.
    mController = queryFrom<IEditController>(mComponent.get());
    mSingleComponent = static_cast<bool>(mController);
    if (!mSingleComponent)
    {
      TUID controllerId{};
      if (guarded([&] { return mComponent->getControllerClassId(controllerId); }) == kResultOk &&
          FUID::fromTUID(controllerId).isValid())
      {
        void* object = nullptr;
        const tresult created = guarded(
          [&] { return mModule->factory()->createInstance(controllerId, IEditController::iid, &object); });
        if (created != kResultOk || object == nullptr)
          return Status::failure("createInstance of the controller " + FUID::fromTUID(controllerId).toString() +
                                 ": " + resultName(created));
        mController = IPtr<IEditController>::adopt(static_cast<IEditController*>(object));
      }
    }
  }
  if (!mSingleComponent && mController)
  {
    if (Status initialized = checkResult(guarded([&] { return mController->initialize(mContext->unknown()); }),
                                         "initialize of the controller");
        !initialized)
    {
      mController.reset();
      return initialized;
    }
    mComponentPoint = queryFrom<IConnectionPoint>(mComponent.get());
    mControllerPoint = queryFrom<IConnectionPoint>(mController.get());
    if (mComponentPoint && mControllerPoint)
    {
      guarded([&] { return mComponentPoint->connect(mControllerPoint.get()); });
      guarded([&] { return mControllerPoint->connect(mComponentPoint.get()); });
    }
    // A fresh controller mirrors the component's values from its state.
    if (Result<std::vector<uint8>> state = saveState())
    {
      auto stream = IPtr<MemoryStream>::adopt(new MemoryStream(state.take()));
      guarded([&] { return mController->setComponentState(stream.get()); });
    }
  }
  if (mController)
    guarded([&] { return mController->setComponentHandler(mHandler.get()); });
  return Status::success();
}

Status PluginInstance::terminateObjects()
{
  Status result = Status::success();
  auto keepFirstFailure = [&result](Status status) {
    if (result.ok() && !status.ok())
      result = std::move(status);
  };
  if (mController && mInitialized)
    guarded([&] { return mController->setComponentHandler(nullptr); });
  if (mComponentPoint && mControllerPoint)
  {
    guarded([&] { return mComponentPoint->disconnect(mControllerPoint.get()); });
    guarded([&] { return mControllerPoint->disconnect(mComponentPoint.get()); });
  }
  mComponentPoint.reset();
  mControllerPoint.reset();
  if (!mSingleComponent && mController && mInitialized)
    keepFirstFailure(
      checkResult(guarded([&] { return mController->terminate(); }), "terminate of the controller"));
  if (mComponent && mInitialized)
    keepFirstFailure(checkResult(guarded([&] { return mComponent->terminate(); }), "terminate of the component"));
  mInitialized = false;
  return result;
}

Status PluginInstance::terminate()
{
  if (!mComponent)
    return Status::success();
  Status result = Status::success();
  if (mStage == Stage::kProcessing)
    result = setProcessing(false);
  if (mStage == Stage::kActive)
  {
    Status deactivated = setActive(false);
    if (result.ok())
      result = std::move(deactivated);
  }
  Status terminated = terminateObjects();
  if (result.ok())
    result = std::move(terminated);
  mController.reset();
  mProcessor.reset();
  mComponent.reset();
  mModule.reset();
  return result;
}

Status PluginInstance::reinitialize()
{
  if (!mComponent)
    return Status::failure("the instance was terminated");
  if (mStage == Stage::kProcessing)
    (void)setProcessing(false);
  if (mStage == Stage::kActive)
    (void)setActive(false);
  if (Status terminated = terminateObjects(); !terminated)
    return terminated;
  return initializeObjects();
}

int32 PluginInstance::busCount(MediaType type, BusDirection direction)
{
  return guardedValue<int32>(0, [&] { return mComponent->getBusCount(type, direction); });
}

Result<BusDescription> PluginInstance::busInfo(MediaType type, BusDirection direction, int32 index)
{
  BusInfo info{};
  const tresult result = guarded([&] { return mComponent->getBusInfo(type, direction, index, info); });
  if (result != kResultOk)
    return Status::failure(std::string("getBusInfo of ") + mediaName(type) + " " + directionName(direction) +
                           " bus " + std::to_string(index) + ": " + resultName(result));
  return BusDescription{info.mediaType,    info.direction, index, toUtf8(info.name, 128),
                        info.channelCount, info.busType,   info.flags};
}

std::vector<BusDescription> PluginInstance::buses()
{
  std::vector<BusDescription> all;
  for (MediaType type : {kAudio, kEvent})
    for (BusDirection direction : {kInput, kOutput})
    {
      const int32 count = busCount(type, direction);
      for (int32 index = 0; index < count; ++index)
        if (Result<BusDescription> bus = busInfo(type, direction, index))
          all.push_back(bus.take());
    }
  return all;
}

Status PluginInstance::setBusArrangements(std::vector<SpeakerArrangement> inputs,
                                          std::vector<SpeakerArrangement> outputs)
{
  const tresult result = guarded([&] {
    return mProcessor->setBusArrangements(inputs.empty() ? nullptr : inputs.data(), static_cast<int32>(inputs.size()),
                                          outputs.empty() ? nullptr : outputs.data(),
                                          static_cast<int32>(outputs.size()));
  });
  if (result == kResultFalse)
    return Status::failure("the plug-in refused the bus arrangement (kResultFalse)");
  return checkResult(result, "setBusArrangements");
}

Result<SpeakerArrangement> PluginInstance::busArrangement(BusDirection direction, int32 index)
{
  SpeakerArrangement arrangement = 0;
  const tresult result = guarded([&] { return mProcessor->getBusArrangement(direction, index, arrangement); });
  if (result != kResultOk)
    return Status::failure(std::string("getBusArrangement of ") + directionName(direction) + " bus " +
                           std::to_string(index) + ": " + resultName(result));
  return arrangement;
}

Status PluginInstance::activateBus(MediaType type, BusDirection direction, int32 index, bool active)
{
  return checkResult(guarded([&] { return mComponent->activateBus(type, direction, index, active ? 1 : 0); }),
                     std::string("activateBus of ") + mediaName(type) + " " + directionName(direction) + " bus " +
                       std::to_string(index));
}

bool PluginInstance::canProcessSampleSize(int32 symbolicSampleSize)
{
  return guarded([&] { return mProcessor->canProcessSampleSize(symbolicSampleSize); }) == kResultTrue;
}

Status PluginInstance::setupProcessing(const ProcessSetup& setup)
{
  ProcessSetup copy = setup; // the interface takes a non-const reference
  return checkResult(guarded([&] { return mProcessor->setupProcessing(copy); }),
                     "setupProcessing (" + std::string(setup.symbolicSampleSize == kSample64 ? "64" : "32") +
                       " bit, " + std::to_string(setup.sampleRate) + " Hz, blocks up to " +
                       std::to_string(setup.maxSamplesPerBlock) + ")");
}

Status PluginInstance::setActive(bool active)
{
  const tresult result = guarded([&] { return mComponent->setActive(active ? 1 : 0); });
  // A refused deactivation still ends the host's use of the active state.
  if (result == kResultOk || !active)
    mStage = active ? Stage::kActive : Stage::kInitialized;
  return checkResult(result, active ? "setActive(true)" : "setActive(false)");
}

Status PluginInstance::setProcessing(bool processing)
{
  const tresult result = guarded([&] { return mProcessor->setProcessing(processing ? 1 : 0); });
  const bool accepted = result == kResultOk || result == kNotImplemented;
  if (accepted || !processing)
    mStage = processing ? Stage::kProcessing : Stage::kActive;
  return accepted ? Status::success()
                  : checkResult(result, processing ? "setProcessing(true)" : "setProcessing(false)");
}

uint32 PluginInstance::latencySamples()
{
  return guardedValue<uint32>(0, [&] { return mProcessor->getLatencySamples(); });
}

uint32 PluginInstance::tailSamples()
{
  return guardedValue<uint32>(0, [&] { return mProcessor->getTailSamples(); });
}

tresult PluginInstance::process(ProcessData& data) noexcept
{
  return guarded([&] { return mProcessor->process(data); });
}

int32 PluginInstance::parameterCount()
{
  if (!mController)
    return 0;
  return guardedValue<int32>(0, [&] { return mController->getParameterCount(); });
}

Result<ParameterDescription> PluginInstance::parameterInfo(int32 index)
{
  if (!mController)
    return Status::failure("the plug-in has no edit controller");
  ParameterInfo info{};
  const tresult result = guarded([&] { return mController->getParameterInfo(index, info); });
  if (result != kResultOk)
    return Status::failure("getParameterInfo(" + std::to_string(index) + "): " + resultName(result));
  return ParameterDescription{info.id,        toUtf8(info.title, 128),     toUtf8(info.shortTitle, 128),
                              toUtf8(info.units, 128), info.stepCount, info.defaultNormalizedValue,
                              info.unitId,    info.flags};
}

std::vector<ParameterDescription> PluginInstance::parameters()
{
  std::vector<ParameterDescription> all;
  const int32 count = parameterCount();
  for (int32 index = 0; index < count; ++index)
    if (Result<ParameterDescription> parameter = parameterInfo(index))
      all.push_back(parameter.take());
  return all;
}

Result<ParameterDescription> PluginInstance::parameterTitled(std::string_view title)
{
  for (ParameterDescription& parameter : parameters())
    if (parameter.title == title)
      return parameter;
  return Status::failure("the plug-in has no parameter \"" + std::string(title) + "\"");
}

Result<std::string> PluginInstance::valueText(ParamID id, ParamValue normalized)
{
  if (!mController)
    return Status::failure("the plug-in has no edit controller");
  String128 text{};
  const tresult result = guarded([&] { return mController->getParamStringByValue(id, normalized, text); });
  if (result != kResultOk)
    return Status::failure("getParamStringByValue(" + std::to_string(id) + "): " + resultName(result));
  return toUtf8(text, 128);
}

Result<ParamValue> PluginInstance::valueFromText(ParamID id, std::string_view text)
{
  if (!mController)
    return Status::failure("the plug-in has no edit controller");
  std::u16string wide = toUtf16(text);
  ParamValue normalized = 0;
  const tresult result = guarded([&] { return mController->getParamValueByString(id, wide.data(), normalized); });
  if (result != kResultOk)
    return Status::failure("getParamValueByString(" + std::to_string(id) + ", \"" + std::string(text) +
                           "\"): " + resultName(result));
  return normalized;
}

ParamValue PluginInstance::toPlain(ParamID id, ParamValue normalized)
{
  if (!mController)
    return normalized;
  return guardedValue(normalized, [&] { return mController->normalizedParamToPlain(id, normalized); });
}

ParamValue PluginInstance::toNormalized(ParamID id, ParamValue plain)
{
  if (!mController)
    return plain;
  return guardedValue(plain, [&] { return mController->plainParamToNormalized(id, plain); });
}

ParamValue PluginInstance::normalizedValue(ParamID id)
{
  if (!mController)
    return 0.;
  return guardedValue(0., [&] { return mController->getParamNormalized(id); });
}

Status PluginInstance::setNormalizedValue(ParamID id, ParamValue normalized)
{
  if (!mController)
    return Status::failure("the plug-in has no edit controller");
  return checkResult(guarded([&] { return mController->setParamNormalized(id, normalized); }),
                     "setParamNormalized(" + std::to_string(id) + ")");
}

std::vector<UnitDescription> PluginInstance::units()
{
  std::vector<UnitDescription> all;
  IPtr<IUnitInfo> unitInfo = queryFrom<IUnitInfo>(mController.get());
  if (!unitInfo)
    return all;
  const int32 count = guardedValue<int32>(0, [&] { return unitInfo->getUnitCount(); });
  for (int32 index = 0; index < count; ++index)
  {
    UnitInfo info{};
    if (guarded([&] { return unitInfo->getUnitInfo(index, info); }) == kResultOk)
      all.push_back({info.id, info.parentUnitId, toUtf8(info.name, 128), info.programListId});
  }
  return all;
}

std::vector<ProgramListDescription> PluginInstance::programLists()
{
  std::vector<ProgramListDescription> all;
  IPtr<IUnitInfo> unitInfo = queryFrom<IUnitInfo>(mController.get());
  if (!unitInfo)
    return all;
  const int32 count = guardedValue<int32>(0, [&] { return unitInfo->getProgramListCount(); });
  for (int32 index = 0; index < count; ++index)
  {
    ProgramListInfo info{};
    if (guarded([&] { return unitInfo->getProgramListInfo(index, info); }) != kResultOk)
      continue;
    ProgramListDescription list{info.id, toUtf8(info.name, 128), {}};
    for (int32 program = 0; program < info.programCount; ++program)
    {
      String128 name{};
      if (guarded([&] { return unitInfo->getProgramName(info.id, program, name); }) == kResultOk)
        list.programNames.push_back(toUtf8(name, 128));
    }
    all.push_back(std::move(list));
  }
  return all;
}

Result<std::vector<uint8>> PluginInstance::saveState()
{
  auto stream = IPtr<MemoryStream>::adopt(new MemoryStream);
  if (Status saved = checkResult(guarded([&] { return mComponent->getState(stream.get()); }), "getState"); !saved)
    return saved;
  return stream->bytes();
}

Status PluginInstance::loadState(const std::vector<uint8>& bytes)
{
  auto stream = IPtr<MemoryStream>::adopt(new MemoryStream(bytes));
  if (Status loaded = checkResult(guarded([&] { return mComponent->setState(stream.get()); }), "setState"); !loaded)
    return loaded;
  if (!mSingleComponent && mController)
  {
    auto copy = IPtr<MemoryStream>::adopt(new MemoryStream(bytes));
    const tresult result = guarded([&] { return mController->setComponentState(copy.get()); });
    if (result != kResultOk && result != kNotImplemented)
      return checkResult(result, "setComponentState");
  }
  return Status::success();
}
} // namespace vst3host
