#include "vst3/sdk/helpers/SingleComponentEffect.h"

#include <cmath>

namespace Steinberg::Vst
{
SingleComponentEffect::SingleComponentEffect()
{
  processSetup.processMode = kRealtime;
  processSetup.symbolicSampleSize = kSample32;
  processSetup.maxSamplesPerBlock = 1024;
  processSetup.sampleRate = 44100.;
}

SingleComponentEffect::~SingleComponentEffect() = default;

tresult PLUGIN_API SingleComponentEffect::initialize(FUnknown* context)
{
  return EditController::initialize(context);
}

tresult PLUGIN_API SingleComponentEffect::terminate()
{
  parameters.removeAll();
  removeAllBusses();
  return EditController::terminate();
}

tresult PLUGIN_API SingleComponentEffect::getControllerClassId(TUID)
{
  return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::setIoMode(IoMode)
{
  return kNotImplemented;
}

int32 PLUGIN_API SingleComponentEffect::getBusCount(MediaType type, BusDirection dir)
{
  const BusList* list = getBusList(type, dir);
  return list ? list->count() : 0;
}

tresult PLUGIN_API SingleComponentEffect::getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus)
{
  const BusList* list = getBusList(type, dir);
  return list ? list->getBusInfo(index, bus) : kInvalidArgument;
}

tresult PLUGIN_API SingleComponentEffect::getRoutingInfo(RoutingInfo&, RoutingInfo&)
{
  return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::activateBus(MediaType type, BusDirection dir, int32 index, TBool state)
{
  const BusList* list = getBusList(type, dir);
  Bus* bus = list ? list->at(index) : nullptr;
  if (bus == nullptr)
    return kInvalidArgument;
  bus->setActive(state != 0);
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::setActive(TBool)
{
  return kResultOk;
}

tresult PLUGIN_API SingleComponentEffect::setState(IBStream*)
{
  return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::getState(IBStream*)
{
  return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                             SpeakerArrangement* outputs, int32 numOuts)
{
  if (numIns < 0 || numOuts < 0 || (numIns > 0 && inputs == nullptr) || (numOuts > 0 && outputs == nullptr))
    return kInvalidArgument;
  if (numIns != audioInputs.count() || numOuts != audioOutputs.count())
    return kResultFalse;
  for (int32 i = 0; i < numIns; ++i)
  {
    const AudioBus* bus = audioInputs.audioAt(i);
    if (bus == nullptr || bus->getArrangement() != inputs[i])
      return kResultFalse;
  }
  for (int32 i = 0; i < numOuts; ++i)
  {
    const AudioBus* bus = audioOutputs.audioAt(i);
    if (bus == nullptr || bus->getArrangement() != outputs[i])
      return kResultFalse;
  }
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr)
{
  const AudioBus* bus = nullptr;
  if (dir == kInput)
    bus = audioInputs.audioAt(index);
  else if (dir == kOutput)
    bus = audioOutputs.audioAt(index);
  if (bus == nullptr)
    return kInvalidArgument;
  arr = bus->getArrangement();
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::canProcessSampleSize(int32 symbolicSampleSize)
{
  return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

uint32 PLUGIN_API SingleComponentEffect::getLatencySamples()
{
  return 0;
}

tresult PLUGIN_API SingleComponentEffect::setupProcessing(ProcessSetup& setup)
{
  if (setup.maxSamplesPerBlock <= 0 || !std::isfinite(setup.sampleRate) || setup.sampleRate <= 0.)
    return kInvalidArgument;
  if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue)
    return kResultFalse;
  processSetup = setup;
  return kResultOk;
}

tresult PLUGIN_API SingleComponentEffect::setProcessing(TBool)
{
  return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::process(ProcessData&)
{
  return kNotImplemented;
}

uint32 PLUGIN_API SingleComponentEffect::getTailSamples()
{
  return kNoTail;
}

uint32 PLUGIN_API SingleComponentEffect::getProcessContextRequirements()
{
  return mContextRequirements;
}

AudioBus* SingleComponentEffect::addAudioInput(const TChar* name, SpeakerArrangement arrangement, BusType busType,
                                               uint32 flags)
{
  return static_cast<AudioBus*>(audioInputs.append(std::make_unique<AudioBus>(name, busType, flags, arrangement)));
}

AudioBus* SingleComponentEffect::addAudioOutput(const TChar* name, SpeakerArrangement arrangement, BusType busType,
                                                uint32 flags)
{
  return static_cast<AudioBus*>(audioOutputs.append(std::make_unique<AudioBus>(name, busType, flags, arrangement)));
}

EventBus* SingleComponentEffect::addEventInput(const TChar* name, int32 channels, BusType busType, uint32 flags)
{
  return static_cast<EventBus*>(eventInputs.append(std::make_unique<EventBus>(name, busType, flags, channels)));
}

EventBus* SingleComponentEffect::addEventOutput(const TChar* name, int32 channels, BusType busType, uint32 flags)
{
  return static_cast<EventBus*>(eventOutputs.append(std::make_unique<EventBus>(name, busType, flags, channels)));
}

void SingleComponentEffect::removeAllBusses() noexcept
{
  audioInputs.clear();
  audioOutputs.clear();
  eventInputs.clear();
  eventOutputs.clear();
}

BusList* SingleComponentEffect::getBusList(MediaType type, BusDirection dir) noexcept
{
  if (type == kAudio)
    return dir == kInput ? &audioInputs : dir == kOutput ? &audioOutputs : nullptr;
  if (type == kEvent)
    return dir == kInput ? &eventInputs : dir == kOutput ? &eventOutputs : nullptr;
  return nullptr;
}

tresult PLUGIN_API SingleComponentEffect::queryInterface(const TUID iid, void** obj)
{
  if (iidEqual(iid, IConnectionPoint::iid))
  {
    if (obj != nullptr)
      *obj = nullptr;
    return kNoInterface;
  }
  if (answerAs<IComponent>(this, iid, obj) || answerAs<IAudioProcessor>(this, iid, obj)
      || answerAs<IProcessContextRequirements>(this, iid, obj))
    return kResultOk;
  return EditController::queryInterface(iid, obj);
}
} // namespace Steinberg::Vst
