#pragma once

// The host's side of one instance: the controller unknown and what the module reaches
// through it (automation delegate, transport, component factory, its own
// effect-parameters object), the transport node of the render context, view containers
// and strings. Each records what the module did with it.

#include "tools/aaxhost/Checks.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace aaxhost
{
// A text the host owns, handed to the module for every string out-parameter.
class HostString final : public abi::IString
{
public:
  HostString() = default;
  explicit HostString(std::string text) : mText(std::move(text)) {}
  void* PlaceholderDestructor(unsigned int) override { return nullptr; }
  uint32_t Length() const override { return static_cast<uint32_t>(mText.size()); }
  uint32_t MaxLength() const override { return 0xFFFFFFFEu; }
  const char* Get() const override { return mText.c_str(); }
  void Set(const char* text) override { mText = text != nullptr ? text : ""; }
  abi::IString& AssignText(const char* text) override
  {
    Set(text);
    return *this;
  }
  abi::IString& AssignString(const abi::IString& other) override
  {
    Set(other.Get());
    return *this;
  }
  const std::string& Text() const { return mText; }

private:
  std::string mText;
};

// The transport a test sets; while playing, each render advances it by its frames. The
// render thread reads it while the host's other threads set it, hence atomics.
struct Transport
{
  std::atomic<double> tempoBpm{120.0};
  std::atomic<int32_t> numerator{4};
  std::atomic<int32_t> denominator{4};
  std::atomic<bool> playing{false};
  std::atomic<int64_t> sample{0};
  std::atomic<int64_t> ticks{0};
  std::atomic<bool> looping{false};
  std::atomic<int64_t> loopStartTicks{0};
  std::atomic<int64_t> loopEndTicks{0};

  void Advance(int frames, double sampleRate);
};

// The plain transport a transport node gives the render code.
class PlainTransport final : public abi::ITransport
{
public:
  explicit PlainTransport(const Transport& state) : mState(state) {}
  void* PlaceholderDestructor(unsigned int) override { return nullptr; }
  abi::AAX_Result GetCurrentTempo(double* bpm) const override;
  abi::AAX_Result GetCurrentMeter(int32_t* numerator, int32_t* denominator) const override;
  abi::AAX_Result IsTransportPlaying(bool* playing) const override;
  abi::AAX_Result GetCurrentTickPosition(int64_t* ticks) const override;
  abi::AAX_Result GetCurrentLoopPosition(bool* looping, int64_t* startTicks, int64_t* endTicks) const override;
  abi::AAX_Result GetCurrentNativeSampleLocation(int64_t* sample) const override;
  abi::AAX_Result GetCustomTickPosition(int64_t* ticks, int64_t sample) const override;
  abi::AAX_Result GetBarBeatPosition(int32_t* bars, int32_t* beats, int64_t* displayTicks,
                                     int64_t sample) const override;
  abi::AAX_Result GetTicksPerQuarter(uint32_t* ticks) const override;
  abi::AAX_Result GetCurrentTicksPerBeat(uint32_t* ticks) const override;
  abi::AAX_Result GetTimelineSelectionStartPosition(int64_t* sample) const override;
  abi::AAX_Result GetTimeCodeInfo(int32_t* rate, int32_t* offset) const override;
  abi::AAX_Result GetFeetFramesInfo(int32_t* rate, int64_t* offset) const override;
  abi::AAX_Result IsMetronomeEnabled(int32_t* enabled) const override;
  abi::AAX_Result GetHDTimeCodeInfo(int32_t* rate, int64_t* offset) const override;
  abi::AAX_Result RequestTransportStart() override { return abi::AAX_ERROR_UNIMPLEMENTED; }
  abi::AAX_Result RequestTransportStop() override { return abi::AAX_ERROR_UNIMPLEMENTED; }
  abi::AAX_Result GetTimelineSelectionEndPosition(int64_t* sample) const override;
  abi::AAX_Result GetKeySignature(int64_t sample, uint32_t* signature) const override;

private:
  const Transport& mState;
};

// The transport node of the context (field of MIDI node type "transport"); other MIDI
// nodes get one without a transport and with an empty buffer.
class MIDINode final : public abi::IMIDINode
{
public:
  explicit MIDINode(abi::ITransport* transport) : mTransport(transport) {}
  void* PlaceholderDestructor(unsigned int) override { return nullptr; }
  abi::AAX_CMidiStream* GetNodeBuffer() override { return &mStream; }
  abi::AAX_Result PostMIDIPacket(abi::AAX_CMidiPacket*) override { return abi::AAX_ERROR_UNIMPLEMENTED; }
  abi::ITransport* GetTransport() override { return mTransport; }

private:
  abi::ITransport* mTransport;
  abi::AAX_CMidiStream mStream{};
};

// The transport queried through the controller unknown.
class AcfTransport final : public HostObject<abi::ITransportV5>
{
public:
  AcfTransport(std::shared_ptr<Checks> checks, const Transport& state)
      : HostObject(std::move(checks), "transport"), mPlain(state)
  {
  }
  abi::AAX_Result GetCurrentTempo(double* v) override { return mPlain.GetCurrentTempo(v); }
  abi::AAX_Result GetCurrentMeter(int32_t* n, int32_t* d) override { return mPlain.GetCurrentMeter(n, d); }
  abi::AAX_Result IsTransportPlaying(bool* v) override { return mPlain.IsTransportPlaying(v); }
  abi::AAX_Result GetCurrentTickPosition(int64_t* v) override { return mPlain.GetCurrentTickPosition(v); }
  abi::AAX_Result GetCurrentLoopPosition(bool* l, int64_t* s, int64_t* e) override
  {
    return mPlain.GetCurrentLoopPosition(l, s, e);
  }
  abi::AAX_Result GetCurrentNativeSampleLocation(int64_t* v) override
  {
    return mPlain.GetCurrentNativeSampleLocation(v);
  }
  abi::AAX_Result GetCustomTickPosition(int64_t* t, int64_t s) override { return mPlain.GetCustomTickPosition(t, s); }
  abi::AAX_Result GetBarBeatPosition(int32_t* b, int32_t* bt, int64_t* d, int64_t s) override
  {
    return mPlain.GetBarBeatPosition(b, bt, d, s);
  }
  abi::AAX_Result GetTicksPerQuarter(uint32_t* v) override { return mPlain.GetTicksPerQuarter(v); }
  abi::AAX_Result GetCurrentTicksPerBeat(uint32_t* v) override { return mPlain.GetCurrentTicksPerBeat(v); }
  abi::AAX_Result GetTimelineSelectionStartPosition(int64_t* v) override
  {
    return mPlain.GetTimelineSelectionStartPosition(v);
  }
  abi::AAX_Result GetTimeCodeInfo(int32_t* r, int32_t* o) override { return mPlain.GetTimeCodeInfo(r, o); }
  abi::AAX_Result GetFeetFramesInfo(int32_t* r, int64_t* o) override { return mPlain.GetFeetFramesInfo(r, o); }
  abi::AAX_Result IsMetronomeEnabled(int32_t* v) override { return mPlain.IsMetronomeEnabled(v); }
  abi::AAX_Result GetHDTimeCodeInfo(int32_t* r, int64_t* o) override { return mPlain.GetHDTimeCodeInfo(r, o); }
  abi::AAX_Result GetTimelineSelectionEndPosition(int64_t* v) override
  {
    return mPlain.GetTimelineSelectionEndPosition(v);
  }
  abi::AAX_Result GetKeySignature(int64_t s, uint32_t* v) override { return mPlain.GetKeySignature(s, v); }

private:
  void* Answer(const abi::acfUID& iid) override;
  PlainTransport mPlain;
};

// The host's automation: records what the module asks for, in order, in storage
// reserved up front (what does not fit is counted as dropped), and keeps the set
// requests to send back later.
class AutomationDelegate final : public HostObject<abi::IAutomationDelegate>
{
public:
  struct Event
  {
    enum class Kind
    {
      kRegister,
      kUnregister,
      kTouch,
      kSet,
      kCurrent,
      kRelease
    };
    Kind kind;
    char id[abi::kParameterIdBytes];
    double value;
    // For a set request: the update source the host gives it when it sends it back
    // (posted inside an update, inside SetChunk, or elsewhere).
    int32_t source;
  };
  static constexpr size_t kCapacity = 8192;

  explicit AutomationDelegate(std::shared_ptr<Checks> checks);
  abi::AAX_Result RegisterParameter(abi::AAX_CParamID id) override;
  abi::AAX_Result UnregisterParameter(abi::AAX_CParamID id) override;
  abi::AAX_Result PostSetValueRequest(abi::AAX_CParamID id, double value) const override;
  abi::AAX_Result PostCurrentValue(abi::AAX_CParamID id, double value) const override;
  abi::AAX_Result PostTouchRequest(abi::AAX_CParamID id) override;
  abi::AAX_Result PostReleaseRequest(abi::AAX_CParamID id) override;
  abi::AAX_Result GetTouchState(abi::AAX_CParamID id, abi::AAX_CBoolean* touched) override;

  std::vector<Event> Events() const;
  // The events since the last call, and forgets them.
  std::vector<Event> TakeEvents();
  size_t Dropped() const;
  // Parameters registered and not unregistered.
  std::vector<std::string> Registered() const;
  // Set while the host is inside one of the module's calls whose set requests carry a
  // source of their own (update 1, SetChunk 2).
  std::atomic<int32_t> postingSource{abi::kUpdateUnspecified};

private:
  void* Answer(const abi::acfUID& iid) override;
  abi::AAX_Result Record(Event::Kind kind, abi::AAX_CParamID id, double value) const;
  mutable std::mutex mMutex;
  mutable std::vector<Event> mEvents;
  mutable size_t mTaken = 0;
  mutable size_t mDropped = 0;
  std::vector<std::string> mRegistered;
  std::vector<std::string> mTouched;
};

// The controller unknown given to Initialize of both plug-in objects.
class Controller final : public HostObject<abi::IControllerV5>
{
public:
  Controller(std::shared_ptr<Checks> checks, float sampleRate, int32_t inputStem, int32_t outputStem,
             std::string effectId, AutomationDelegate& automation, AcfTransport& transport,
             abi::IACFUnknown* factory);
  // The effect-parameters object the GUI's query for it yields (null: refused).
  void SetEffectParameters(abi::IACFUnknown* parameters) { mParameters = parameters; }
  // Whether a query for the automation delegate finds it (some hosts have none).
  void OfferAutomation(bool offer) { mOffersAutomation = offer; }

  abi::AAX_Result GetEffectID(abi::IString* id) const override;
  abi::AAX_Result GetSampleRate(float* rate) const override;
  abi::AAX_Result GetInputStemFormat(int32_t* format) const override;
  abi::AAX_Result GetOutputStemFormat(int32_t* format) const override;
  abi::AAX_Result GetSignalLatency(int32_t* samples) const override;
  abi::AAX_Result GetCycleCount(int32_t, abi::AAX_CPropertyValue*) const override;
  abi::AAX_Result GetTODLocation(int64_t* location) const override;
  abi::AAX_Result SetSignalLatency(int32_t samples) override;
  abi::AAX_Result SetCycleCount(int32_t*, abi::AAX_CPropertyValue*, int32_t) override;
  abi::AAX_Result PostPacket(abi::AAX_CFieldIndex, const void*, uint32_t) override;
  abi::AAX_Result GetCurrentMeterValue(abi::AAX_CTypeID, float*) const override;
  abi::AAX_Result GetMeterPeakValue(abi::AAX_CTypeID, float*) const override;
  abi::AAX_Result ClearMeterPeakValue(abi::AAX_CTypeID) const override;
  abi::AAX_Result GetMeterClipped(abi::AAX_CTypeID, abi::AAX_CBoolean*) const override;
  abi::AAX_Result ClearMeterClipped(abi::AAX_CTypeID) const override;
  abi::AAX_Result GetMeterCount(uint32_t* count) const override;
  abi::AAX_Result GetNextMIDIPacket(abi::AAX_CFieldIndex*, abi::AAX_CMidiPacket*) override;
  abi::AAX_Result SendNotification(abi::AAX_CTypeID type, const void* data, uint32_t size) override;
  abi::AAX_Result GetHybridSignalLatency(int32_t* samples) const override;
  abi::AAX_Result GetCurrentAutomationTimestamp(int64_t* timestamp) const override;
  abi::AAX_Result GetHostName(abi::IString* name) const override;
  abi::AAX_Result GetPlugInTargetPlatform(int32_t* platform) const override;
  abi::AAX_Result GetIsAudioSuite(abi::AAX_CBoolean* offline) const override;
  abi::AAX_Result GetInstanceGroupID(uint64_t* group) const override;
  abi::AAX_Result RegisterForNotification(abi::AAX_CTypeID, const abi::IACFUnknown*) override;
  abi::AAX_Result GetInstanceID(uint32_t* id) const override;

  int32_t Latency() const { return mLatency.load(); }
  // Notifications the module sent, as four-character codes.
  std::vector<std::string> Notifications() const;

private:
  void* Answer(const abi::acfUID& iid) override;
  float mSampleRate;
  int32_t mInputStem;
  int32_t mOutputStem;
  std::string mEffectId;
  AutomationDelegate& mAutomation;
  AcfTransport& mTransport;
  abi::IACFUnknown* mFactory;
  abi::IACFUnknown* mParameters = nullptr;
  bool mOffersAutomation = true;
  std::atomic<int32_t> mLatency{0};
  mutable std::mutex mMutex;
  std::vector<std::string> mNotifications;
};

// A view container around a native window (or none), recording size requests.
class ViewContainer final : public HostObject<abi::IViewContainerV3>
{
public:
  ViewContainer(std::shared_ptr<Checks> checks, int32_t type, void* window)
      : HostObject(std::move(checks), "view container"), mType(type), mWindow(window)
  {
  }
  int32_t GetType() override { return mType; }
  void* GetPtr() override { return mWindow; }
  abi::AAX_Result GetModifiers(uint32_t* modifiers) override;
  abi::AAX_Result SetViewSize(abi::AAX_Point& size) override;
  // The host leaves every control click to the plug-in.
  abi::AAX_Result HandleParameterMouseDown(abi::AAX_CParamID, uint32_t) override { return Unhandled(); }
  abi::AAX_Result HandleParameterMouseDrag(abi::AAX_CParamID, uint32_t) override { return Unhandled(); }
  abi::AAX_Result HandleParameterMouseUp(abi::AAX_CParamID, uint32_t) override { return Unhandled(); }
  abi::AAX_Result HandleMultipleParametersMouseDown(const abi::AAX_CParamID*, uint32_t, uint32_t) override
  {
    return Unhandled();
  }
  abi::AAX_Result HandleMultipleParametersMouseDrag(const abi::AAX_CParamID*, uint32_t, uint32_t) override
  {
    return Unhandled();
  }
  abi::AAX_Result HandleMultipleParametersMouseUp(const abi::AAX_CParamID*, uint32_t, uint32_t) override
  {
    return Unhandled();
  }
  abi::AAX_Result HandleParameterMouseEnter(abi::AAX_CParamID, uint32_t) override { return Unhandled(); }
  abi::AAX_Result HandleParameterMouseExit(abi::AAX_CParamID, uint32_t) override { return Unhandled(); }

  std::vector<abi::AAX_Point> SizeRequests() const;

private:
  void* Answer(const abi::acfUID& iid) override;
  static abi::AAX_Result Unhandled() { return abi::AAX_ERROR_UNIMPLEMENTED; }
  int32_t mType;
  void* mWindow;
  mutable std::mutex mMutex;
  std::vector<abi::AAX_Point> mSizeRequests;
};
} // namespace aaxhost
