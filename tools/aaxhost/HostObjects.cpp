#include "tools/aaxhost/HostObjects.h"

#include "tools/aaxhost/Description.h"

#include <algorithm>
#include <cstring>

namespace aaxhost
{
using namespace abi;

namespace
{
template <typename T>
AAX_Result Put(T* out, T value)
{
  if (out == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *out = value;
  return AAX_SUCCESS;
}

bool IsOneOf(const acfUID& iid, std::initializer_list<acfUID> ids)
{
  return std::any_of(ids.begin(), ids.end(), [&iid](const acfUID& id) { return id == iid; });
}
} // namespace

// ---- Transport ----

void Transport::Advance(int frames, double sampleRate)
{
  if (!playing || frames <= 0 || !(sampleRate > 0.0))
    return;
  sample += frames;
  const double quarters = frames / sampleRate * tempoBpm.load() / 60.0;
  ticks += static_cast<int64_t>(quarters * static_cast<double>(kTicksPerQuarter));
}

AAX_Result PlainTransport::GetCurrentTempo(double* bpm) const { return Put(bpm, mState.tempoBpm.load()); }
AAX_Result PlainTransport::GetCurrentMeter(int32_t* numerator, int32_t* denominator) const
{
  if (numerator == nullptr || denominator == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *numerator = mState.numerator.load();
  *denominator = mState.denominator.load();
  return AAX_SUCCESS;
}
AAX_Result PlainTransport::IsTransportPlaying(bool* playing) const { return Put(playing, mState.playing.load()); }
AAX_Result PlainTransport::GetCurrentTickPosition(int64_t* ticks) const { return Put(ticks, mState.ticks.load()); }
AAX_Result PlainTransport::GetCurrentLoopPosition(bool* looping, int64_t* startTicks, int64_t* endTicks) const
{
  if (looping == nullptr || startTicks == nullptr || endTicks == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *looping = mState.looping.load();
  *startTicks = mState.loopStartTicks.load();
  *endTicks = mState.loopEndTicks.load();
  return AAX_SUCCESS;
}
AAX_Result PlainTransport::GetCurrentNativeSampleLocation(int64_t* sample) const { return Put(sample, mState.sample.load()); }
AAX_Result PlainTransport::GetCustomTickPosition(int64_t* ticks, int64_t) const { return Put(ticks, mState.ticks.load()); }
AAX_Result PlainTransport::GetBarBeatPosition(int32_t* bars, int32_t* beats, int64_t* displayTicks, int64_t) const
{
  if (bars == nullptr || beats == nullptr || displayTicks == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  const int64_t quarters = mState.ticks.load() / kTicksPerQuarter;
  const int32_t perBar = std::max<int32_t>(1, mState.numerator.load());
  *bars = static_cast<int32_t>(quarters / perBar) + 1;
  *beats = static_cast<int32_t>(quarters % perBar) + 1;
  *displayTicks = mState.ticks.load() % kTicksPerQuarter;
  return AAX_SUCCESS;
}
AAX_Result PlainTransport::GetTicksPerQuarter(uint32_t* ticks) const
{
  return Put(ticks, static_cast<uint32_t>(kTicksPerQuarter));
}
AAX_Result PlainTransport::GetCurrentTicksPerBeat(uint32_t* ticks) const
{
  return Put(ticks, static_cast<uint32_t>(kTicksPerQuarter));
}
AAX_Result PlainTransport::GetTimelineSelectionStartPosition(int64_t* sample) const { return Put(sample, int64_t{0}); }
AAX_Result PlainTransport::GetTimeCodeInfo(int32_t*, int32_t*) const { return AAX_ERROR_UNIMPLEMENTED; }
AAX_Result PlainTransport::GetFeetFramesInfo(int32_t*, int64_t*) const { return AAX_ERROR_UNIMPLEMENTED; }
AAX_Result PlainTransport::IsMetronomeEnabled(int32_t* enabled) const { return Put(enabled, 0); }
AAX_Result PlainTransport::GetHDTimeCodeInfo(int32_t*, int64_t*) const { return AAX_ERROR_UNIMPLEMENTED; }
AAX_Result PlainTransport::GetTimelineSelectionEndPosition(int64_t* sample) const { return Put(sample, int64_t{0}); }
AAX_Result PlainTransport::GetKeySignature(int64_t, uint32_t*) const { return AAX_ERROR_UNIMPLEMENTED; }

void* AcfTransport::Answer(const acfUID& iid)
{
  return IsOneOf(iid, {IID_IACFUnknown, IID_TransportV1, IID_TransportV2, IID_TransportV3, IID_TransportV4,
                       IID_TransportV5})
             ? Self()
             : nullptr;
}

// ---- AutomationDelegate ----

AutomationDelegate::AutomationDelegate(std::shared_ptr<Checks> checks)
    : HostObject(std::move(checks), "automation delegate")
{
  mEvents.reserve(kCapacity);
}

void* AutomationDelegate::Answer(const acfUID& iid)
{
  return IsOneOf(iid, {IID_IACFUnknown, IID_AutomationDelegateV1}) ? Self() : nullptr;
}

AAX_Result AutomationDelegate::Record(Event::Kind kind, AAX_CParamID id, double value) const
{
  if (id == nullptr)
  {
    Checks& checks = const_cast<AutomationDelegate*>(this)->HostObject::Record();
    checks.Problem("automation: a null parameter ID");
    return AAX_ERROR_NULL_ARGUMENT;
  }
  Event event{kind, {}, value, kind == Event::Kind::kSet ? postingSource.load() : kUpdateUnspecified};
  std::strncpy(event.id, id, sizeof event.id - 1);
  const std::lock_guard<std::mutex> lock(mMutex);
  if (mEvents.size() >= mEvents.capacity())
  {
    ++mDropped;
    return AAX_ERROR_INVALID_ARGUMENT;
  }
  mEvents.push_back(event);
  return AAX_SUCCESS;
}

AAX_Result AutomationDelegate::RegisterParameter(AAX_CParamID id)
{
  const AAX_Result result = Record(Event::Kind::kRegister, id, 0.0);
  if (result == AAX_SUCCESS)
  {
    const std::lock_guard<std::mutex> lock(mMutex);
    if (std::find(mRegistered.begin(), mRegistered.end(), id) != mRegistered.end())
      HostObject::Record().Problem(std::string("automation: parameter \"") + id + "\" registered twice");
    mRegistered.emplace_back(id);
  }
  return result;
}

AAX_Result AutomationDelegate::UnregisterParameter(AAX_CParamID id)
{
  const AAX_Result result = Record(Event::Kind::kUnregister, id, 0.0);
  if (result == AAX_SUCCESS)
  {
    const std::lock_guard<std::mutex> lock(mMutex);
    const auto found = std::find(mRegistered.begin(), mRegistered.end(), id);
    if (found == mRegistered.end())
      HostObject::Record().Problem(std::string("automation: parameter \"") + id + "\" unregistered but not registered");
    else
      mRegistered.erase(found);
  }
  return result;
}

AAX_Result AutomationDelegate::PostSetValueRequest(AAX_CParamID id, double value) const
{
  return Record(Event::Kind::kSet, id, value);
}
AAX_Result AutomationDelegate::PostCurrentValue(AAX_CParamID id, double value) const
{
  return Record(Event::Kind::kCurrent, id, value);
}

AAX_Result AutomationDelegate::PostTouchRequest(AAX_CParamID id)
{
  const AAX_Result result = Record(Event::Kind::kTouch, id, 0.0);
  if (result == AAX_SUCCESS)
  {
    const std::lock_guard<std::mutex> lock(mMutex);
    mTouched.emplace_back(id);
  }
  return result;
}

AAX_Result AutomationDelegate::PostReleaseRequest(AAX_CParamID id)
{
  const AAX_Result result = Record(Event::Kind::kRelease, id, 0.0);
  if (result == AAX_SUCCESS)
  {
    const std::lock_guard<std::mutex> lock(mMutex);
    if (const auto found = std::find(mTouched.begin(), mTouched.end(), id); found != mTouched.end())
      mTouched.erase(found);
  }
  return result;
}

AAX_Result AutomationDelegate::GetTouchState(AAX_CParamID id, AAX_CBoolean* touched)
{
  if (id == nullptr || touched == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  const std::lock_guard<std::mutex> lock(mMutex);
  *touched = std::find(mTouched.begin(), mTouched.end(), id) != mTouched.end() ? 1 : 0;
  return AAX_SUCCESS;
}

std::vector<AutomationDelegate::Event> AutomationDelegate::Events() const
{
  const std::lock_guard<std::mutex> lock(mMutex);
  return mEvents;
}

std::vector<AutomationDelegate::Event> AutomationDelegate::TakeEvents()
{
  const std::lock_guard<std::mutex> lock(mMutex);
  std::vector<Event> taken(mEvents.begin() + static_cast<std::ptrdiff_t>(mTaken), mEvents.end());
  mTaken = mEvents.size();
  if (mTaken * 2 >= mEvents.capacity())
  {
    mEvents.clear(); // room again, without reallocating
    mTaken = 0;
  }
  return taken;
}

size_t AutomationDelegate::Dropped() const
{
  const std::lock_guard<std::mutex> lock(mMutex);
  return mDropped;
}

std::vector<std::string> AutomationDelegate::Registered() const
{
  const std::lock_guard<std::mutex> lock(mMutex);
  return mRegistered;
}

// ---- Controller ----

Controller::Controller(std::shared_ptr<Checks> checks, float sampleRate, int32_t inputStem, int32_t outputStem,
                       std::string effectId, AutomationDelegate& automation, AcfTransport& transport,
                       IACFUnknown* factory)
    : HostObject(std::move(checks), "controller"), mSampleRate(sampleRate), mInputStem(inputStem),
      mOutputStem(outputStem), mEffectId(std::move(effectId)), mAutomation(automation), mTransport(transport),
      mFactory(factory)
{
}

void* Controller::Answer(const acfUID& iid)
{
  if (IsOneOf(iid, {IID_IACFUnknown, IID_ControllerV1, IID_ControllerV2, IID_ControllerV3, IID_ControllerV4,
                    IID_ControllerV5}))
    return Self();
  void* other = nullptr;
  if (iid == IID_AutomationDelegateV1 && !mOffersAutomation)
    return nullptr;
  if (iid == IID_AutomationDelegateV1 || iid == IID_TransportV1 || iid == IID_TransportV2 || iid == IID_TransportV3 ||
      iid == IID_TransportV4 || iid == IID_TransportV5 || iid == IID_IACFComponentFactory ||
      iid == IID_EffectParametersV1)
  {
    IACFUnknown* target = iid == IID_AutomationDelegateV1 ? static_cast<IACFUnknown*>(&mAutomation)
                          : iid == IID_IACFComponentFactory ? mFactory
                          : iid == IID_EffectParametersV1   ? mParameters
                                                            : static_cast<IACFUnknown*>(&mTransport);
    if (target != nullptr && target->QueryInterface(iid, &other) != ACF_OK)
      other = nullptr;
  }
  return other;
}

AAX_Result Controller::GetEffectID(IString* id) const
{
  if (id == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  id->Set(mEffectId.c_str());
  return AAX_SUCCESS;
}
AAX_Result Controller::GetSampleRate(float* rate) const { return Put(rate, mSampleRate); }
AAX_Result Controller::GetInputStemFormat(int32_t* format) const { return Put(format, mInputStem); }
AAX_Result Controller::GetOutputStemFormat(int32_t* format) const { return Put(format, mOutputStem); }
AAX_Result Controller::GetSignalLatency(int32_t* samples) const { return Put(samples, mLatency.load()); }
AAX_Result Controller::GetCycleCount(int32_t, AAX_CPropertyValue*) const { return AAX_ERROR_UNIMPLEMENTED; }
AAX_Result Controller::GetTODLocation(int64_t* location) const { return Put(location, int64_t{0}); }
AAX_Result Controller::SetSignalLatency(int32_t samples)
{
  if (samples < 0)
    return AAX_ERROR_INVALID_ARGUMENT;
  mLatency = samples;
  return AAX_SUCCESS;
}
AAX_Result Controller::SetCycleCount(int32_t*, AAX_CPropertyValue*, int32_t) { return AAX_ERROR_UNIMPLEMENTED; }
AAX_Result Controller::PostPacket(AAX_CFieldIndex, const void*, uint32_t) { return AAX_ERROR_INVALID_FIELD_INDEX; }
AAX_Result Controller::GetCurrentMeterValue(AAX_CTypeID, float*) const { return AAX_ERROR_UNIMPLEMENTED; }
AAX_Result Controller::GetMeterPeakValue(AAX_CTypeID, float*) const { return AAX_ERROR_UNIMPLEMENTED; }
AAX_Result Controller::ClearMeterPeakValue(AAX_CTypeID) const { return AAX_ERROR_UNIMPLEMENTED; }
AAX_Result Controller::GetMeterClipped(AAX_CTypeID, AAX_CBoolean*) const { return AAX_ERROR_UNIMPLEMENTED; }
AAX_Result Controller::ClearMeterClipped(AAX_CTypeID) const { return AAX_ERROR_UNIMPLEMENTED; }
AAX_Result Controller::GetMeterCount(uint32_t* count) const { return Put(count, 0u); }
AAX_Result Controller::GetNextMIDIPacket(AAX_CFieldIndex*, AAX_CMidiPacket*) { return AAX_ERROR_UNIMPLEMENTED; }
AAX_Result Controller::SendNotification(AAX_CTypeID type, const void*, uint32_t)
{
  const std::lock_guard<std::mutex> lock(mMutex);
  mNotifications.push_back(FourCC(type));
  return AAX_SUCCESS;
}
AAX_Result Controller::GetHybridSignalLatency(int32_t* samples) const { return Put(samples, 0); }
AAX_Result Controller::GetCurrentAutomationTimestamp(int64_t* timestamp) const { return Put(timestamp, int64_t{0}); }
AAX_Result Controller::GetHostName(IString* name) const
{
  if (name == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  name->Set("aaxhost");
  return AAX_SUCCESS;
}
AAX_Result Controller::GetPlugInTargetPlatform(int32_t* platform) const { return Put(platform, 1); }
AAX_Result Controller::GetIsAudioSuite(AAX_CBoolean* offline) const { return Put(offline, AAX_CBoolean{0}); }
AAX_Result Controller::GetInstanceGroupID(uint64_t* group) const { return Put(group, uint64_t{0}); }
AAX_Result Controller::RegisterForNotification(AAX_CTypeID, const IACFUnknown*) { return AAX_SUCCESS; }
AAX_Result Controller::GetInstanceID(uint32_t* id) const { return Put(id, 1u); }

std::vector<std::string> Controller::Notifications() const
{
  const std::lock_guard<std::mutex> lock(mMutex);
  return mNotifications;
}

// ---- ViewContainer ----

void* ViewContainer::Answer(const acfUID& iid)
{
  return IsOneOf(iid, {IID_IACFUnknown, IID_ViewContainerV1, IID_ViewContainerV2, IID_ViewContainerV3}) ? Self()
                                                                                                          : nullptr;
}

AAX_Result ViewContainer::GetModifiers(uint32_t* modifiers) { return Put(modifiers, 0u); }

AAX_Result ViewContainer::SetViewSize(AAX_Point& size)
{
  const std::lock_guard<std::mutex> lock(mMutex);
  mSizeRequests.push_back(size);
  return AAX_SUCCESS;
}

std::vector<AAX_Point> ViewContainer::SizeRequests() const
{
  const std::lock_guard<std::mutex> lock(mMutex);
  return mSizeRequests;
}
} // namespace aaxhost
