#include "vst3/IPlugVST3.h"

#include "vst3/BusBuffers.h"
#include "vst3/IPlugVST3View.h"

#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/helpers/Utf16.h"
#include "vst3/sdk/interfaces/IBStream.h"
#include "vst3/sdk/interfaces/IComponentHandler.h"
#include "vst3/sdk/interfaces/IContextMenu.h"
#include "vst3/sdk/interfaces/IHostApplication.h"
#include "vst3/sdk/interfaces/IParameterChanges.h"
#include "vst3/sdk/interfaces/SpeakerArrangement.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>
#include <unordered_map>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace vst3buses;

namespace
{
using PlugLock = std::lock_guard<std::recursive_mutex>;

constexpr double kDefaultTempoBpm = 120.0;
constexpr int kDefaultTimeSignature = 4;
constexpr int kMaxSideChainChannels = 2;
// Rates the engine can be prepared for: it runs at the integer rate, and its windows
// grow with the rate.
constexpr double kMinSampleRate = 1.0;
constexpr double kMaxSampleRate = 4.0e6;

// The process context fields the plug-in reads; a host may fill only these.
constexpr uint32 kContextRequirements =
    IProcessContextRequirements::kNeedTempo | IProcessContextRequirements::kNeedTransportState |
    IProcessContextRequirements::kNeedTimeSignature | IProcessContextRequirements::kNeedProjectTimeMusic |
    IProcessContextRequirements::kNeedBarPositionMusic | IProcessContextRequirements::kNeedCycleMusic;

// Widened copies of the 8-bit texts handed to the layer (titles, units, list entries, bus
// names), each converted once for the life of the module and keyed by its contents.
// Entries are never removed, so the returned pointers stay valid.
const char16* Widened(const char* text)
{
  static std::mutex cacheMutex;
  static std::unordered_map<std::string, std::u16string> cache;
  const std::lock_guard<std::mutex> lock(cacheMutex);
  const auto [entry, inserted] = cache.try_emplace(text != nullptr ? text : "");
  if (inserted)
    for (const char byte : entry->first)
      entry->second.push_back(static_cast<char16>(static_cast<unsigned char>(byte)));
  return entry->second.c_str();
}

// Runs a host call that allocates; nothing it throws reaches the host.
template <typename Call>
tresult Guarded(Call&& call) noexcept
{
  try
  {
    return call();
  }
  catch (const std::bad_alloc&)
  {
    return kOutOfMemory;
  }
  catch (...)
  {
    return kInternalError;
  }
}

} // namespace

IPlugVST3::IPlugVST3(int paramCount, const char* channelIO, int presetCount, const char* effectName,
                     const char* productName, const char* makerName, int vendorVersion, int uniqueID,
                     int manufacturerID, int latencyFrames, bool doesMidi, bool doesStateChunks, bool isInstrument,
                     int sideChainChannels)
    : IPlugBase(paramCount, channelIO, presetCount, effectName, productName, makerName, vendorVersion, uniqueID,
                manufacturerID, latencyFrames, doesMidi, doesStateChunks, isInstrument, 1),
      mSideChainChannels(std::clamp(sideChainChannels, 0, NInChannels()))
{
  ConnectInputChannels(0, NInChannels(), true);
  ConnectOutputChannels(0, NOutChannels(), true);
  if (NInChannels() > 0)
    CreateBypassDelayLine();

  LabelInputBus(0, "Main Input");
  if (mSideChainChannels != 0)
    LabelInputBus(1, "Aux Input");
  if (isInstrument)
  {
    char label[kParamTextBytes];
    for (int k = 0; 2 * k < NOutChannels(); ++k)
    {
      std::snprintf(label, sizeof label, "Output %i", k + 1);
      LabelOutputBus(k, label);
    }
  }
  else
  {
    LabelOutputBus(0, "Output");
  }
  setProcessContextRequirements(kContextRequirements);
  mViews.reserve(4);
  mHostValues.resize(static_cast<size_t>(ParamCount()) + 2);
  mQueuedValues.assign(static_cast<size_t>(ParamCount()), std::numeric_limits<double>::quiet_NaN());
  mValuesBeforeRecall.resize(static_cast<size_t>(ParamCount()));
  mReportedFromAudio = std::make_unique<std::atomic<double>[]>(static_cast<size_t>(ParamCount()));
  for (int i = 0; i < ParamCount(); ++i)
    mReportedFromAudio[static_cast<size_t>(i)].store(std::numeric_limits<double>::quiet_NaN());
  mDeferredRing.resize(kDeferredCapacity);
  mDeferredOverflow = std::make_unique<std::atomic<double>[]>(static_cast<size_t>(ParamCount()) + 2);
  for (int slot = 0; slot < ParamCount() + 2; ++slot)
    mDeferredOverflow[static_cast<size_t>(slot)].store(std::numeric_limits<double>::quiet_NaN());
  mGestureOpen.assign(static_cast<size_t>(ParamCount()), false);
}

IPlugVST3::~IPlugVST3() = default;

tresult PLUGIN_API IPlugVST3::queryInterface(const TUID iid, void** obj)
{
  if (answerAs<IUnitInfo>(this, iid, obj) || answerAs<IMidiMapping>(this, iid, obj))
    return kResultOk;
  return SingleComponentEffect::queryInterface(iid, obj);
}

// ---- IPluginBase ----

tresult PLUGIN_API IPlugVST3::initialize(FUnknown* context)
{
  return Guarded([&]() -> tresult {
    if (mInitialized)
      return kResultFalse;
    const tresult result = SingleComponentEffect::initialize(context);
    if (result != kResultOk)
      return result;
    mInitialized = true;

    if (IPtr<IHostApplication> host = queryFrom<IHostApplication>(context))
    {
      String128 name16{};
      if (host->getName(name16) == kResultOk)
      {
        name16[127] = 0; // whatever the host wrote
        char8 name8[kPluginNameBytes] = {};
        narrowText(name16, name8);
        SetHost(name8, 0);
      }
    }

    PlugLock lock(Mutex());
    if (mSideChainChannels > kMaxSideChainChannels)
      mSideChainChannels = kMaxSideChainChannels;
    mSideChainConnected = false;
    // A bus layout negotiated before a terminate is gone with the buses.
    ConnectInputChannels(0, NInChannels(), true);
    ConnectOutputChannels(0, NOutChannels(), true);
    BuildBuses();
    ExportParameters();
    HostIdentified();
    if (kTraits.loadsFirstPreset)
      LoadPreset(0);
    return kResultOk;
  });
}

void IPlugVST3::BuildBuses()
{
  const int mainInputs = NInChannels() - mSideChainChannels;
  if (ArrangementFor(mainInputs) != SpeakerArr::kEmpty)
    addAudioInput(Widened(InputBusLabel(0)), ArrangementFor(mainInputs), kMain, BusInfo::kDefaultActive);
  if (IsInstrument())
  {
    for (int k = 0; 2 * k < NOutChannels(); ++k)
      addAudioOutput(Widened(OutputBusLabel(k)), SpeakerArr::kStereo, kMain, BusInfo::kDefaultActive);
  }
  else
  {
    addAudioOutput(Widened(OutputBusLabel(0)), ArrangementFor(NOutChannels()), kMain, BusInfo::kDefaultActive);
  }
  if (mSideChainChannels != 0)
    addAudioInput(Widened(InputBusLabel(1)), ArrangementFor(mSideChainChannels), kAux, 0);
  if (DoesMidi())
    addEventInput(Widened("MIDI Input"), 1, kMain, BusInfo::kDefaultActive);
  RefreshBusShapes();
}

UnitID IPlugVST3::UnitForGroup(const char* group)
{
  if (group == nullptr || group[0] == '\0')
    return kRootUnitId;
  const auto found = std::find(mParamGroups.begin(), mParamGroups.end(), group);
  if (found != mParamGroups.end())
    return static_cast<UnitID>(found - mParamGroups.begin()) + 1;
  mParamGroups.emplace_back(group);
  return static_cast<UnitID>(mParamGroups.size());
}

void IPlugVST3::ExportParameters()
{
  mParamGroups.clear();
  if (PresetCount() >= 1)
  {
    auto preset = std::make_unique<StringListParameter>(Widened("Preset"), kPresetParamId, Widened(""),
                                                        ParameterInfo::kIsProgramChange | ParameterInfo::kIsList,
                                                        kRootUnitId);
    for (int p = 0; p < PresetCount(); ++p)
      preset->appendString(Widened(PresetNameAt(p)));
    parameters.addParameter(std::move(preset));
  }
  if (!IsInstrument())
  {
    auto bypass = std::make_unique<StringListParameter>(
        Widened("Bypass"), kBypassParamId, Widened(""),
        ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass, kRootUnitId);
    bypass->appendString(Widened("off"));
    bypass->appendString(Widened("on"));
    parameters.addParameter(std::move(bypass));
  }

  for (int i = 0; i < ParamCount(); ++i)
  {
    const IPlugParam& param = *ParamAt(i);
    const UnitID unit = UnitForGroup(param.GroupForHost());
    const int32 flags = param.CanAutomate() ? ParameterInfo::kCanAutomate : 0;
    const auto id = static_cast<ParamID>(i);
    switch (param.Kind())
    {
    case kKindBool:
    case kKindEnum:
    {
      auto list = std::make_unique<StringListParameter>(Widened(param.NameForHost()), id,
                                                        Widened(param.LabelForHost()), flags | ParameterInfo::kIsList,
                                                        unit);
      for (int k = 0; k < param.DisplayTextCount(); ++k)
        list->appendString(Widened(param.DisplayTextFor(k)));
      // The list's own default is its first entry; hosts reset to the parameter's.
      list->getInfo().defaultNormalizedValue = param.ToNormalized(param.Default());
      list->setNormalized(param.ToNormalized(param.Default()));
      parameters.addParameter(std::move(list));
      break;
    }
    case kKindDouble:
    {
      auto range = std::make_unique<RangeParameter>(Widened(param.NameForHost()), id, Widened(param.LabelForHost()),
                                                    param.Min(), param.Max(), param.Default(), 0, flags, unit);
      range->setPrecision(param.DisplayPrecision());
      parameters.addParameter(std::move(range));
      break;
    }
    default:
      break; // no host form for other kinds
    }
  }

  if (DoesMidi())
    for (int c = 0; c < kMidiControllerCount; ++c)
    {
      auto controller = std::make_unique<RangeParameter>(Widened("MIDI CC"), static_cast<ParamID>(ParamCount() + c),
                                                         Widened(""), 0.0, 127.0, 0.0, 0, ParameterInfo::kCanAutomate,
                                                         kRootUnitId);
      controller->setPrecision(1);
      parameters.addParameter(std::move(controller));
    }
}

tresult PLUGIN_API IPlugVST3::terminate()
{
  PlugLock lock(Mutex());
  mViews.clear(); // the views still alive find themselves gone when they are released
  mParamGroups.clear();
  mInitialized = false;
  return SingleComponentEffect::terminate();
}

// ---- IComponent ----

tresult PLUGIN_API IPlugVST3::activateBus(MediaType type, BusDirection dir, int32 index, TBool state)
{
  PlugLock lock(Mutex());
  const tresult result = SingleComponentEffect::activateBus(type, dir, index, state);
  RefreshBusShapes();
  return result;
}

tresult PLUGIN_API IPlugVST3::setActive(TBool state)
{
  ActivationChanged(state != 0);
  return kResultOk;
}

tresult PLUGIN_API IPlugVST3::getState(IBStream* state)
{
  return Guarded([&]() -> tresult {
    if (state == nullptr)
      return kInvalidArgument;
    // The product builds its document holding the plug-in mutex only to copy the values,
    // and the stream is written without it: the audio thread never waits for a host's
    // save.
    {
      // The save holds what the host sent, processed or not.
      PlugLock lock(Mutex());
      ApplyDeferredHostValues();
    }
    ChunkBuffer chunk;
    if (!SerializeState(chunk))
      return kResultFalse;
    {
      PlugLock lock(Mutex());
      chunk.PutInt32(IsBypassed() ? 1 : 0);
    }
    int32 written = 0;
    if (state->write(chunk.Data(), chunk.Size(), &written) != kResultOk || written != chunk.Size())
      return kResultFalse;
    return kResultOk;
  });
}

tresult PLUGIN_API IPlugVST3::setState(IBStream* state)
{
  return Guarded([&]() -> tresult {
    if (state == nullptr)
      return kInvalidArgument;
    int64 startPosition = -1;
    if (state->tell(&startPosition) != kResultOk)
      startPosition = -1;

    // Everything up to the end of the stream, in host-sized pieces. A read error ends the
    // stream there and its piece is dropped, except in the one host whose streams report
    // an error together with valid bytes.
    ChunkBuffer bytes;
    const bool keepBytesOnError = HostCode() == kHostWaveLab;
    for (;;)
    {
      std::uint8_t piece[kStateReadBytes];
      int32 read = 0;
      const tresult result = state->read(piece, kStateReadBytes, &read);
      read = std::clamp(read, 0, kStateReadBytes);
      if (result != kResultOk && !keepBytesOnError)
        break;
      if (read == 0)
        break;
      if (bytes.Size() + read > kMaxStateBytes)
        return kResultFalse;
      bytes.PutBytes(piece, read);
    }

    {
      // What the host sent before this load is applied before it, as it was sent.
      PlugLock lock(Mutex());
      ApplyDeferredHostValues();
    }
    int consumed = 0;
    bool complete = false;
    {
      // The product parses the document first and takes the plug-in mutex only to apply it.
      const int productEnd = RestoreState(bytes, 0);
      if (productEnd <= 0)
        return kResultFalse; // the product applies nothing from what it cannot read
      PlugLock lock(Mutex());
      std::int32_t bypassWord = 0;
      const int end = bytes.GetInt32(&bypassWord, productEnd);
      complete = end >= 0;
      consumed = complete ? end : productEnd;
      if (complete)
        SetBypassed(bypassWord != 0);
      ForgetHostValues();
      RefreshParamControls();
    }
    // A host that stores more after the state finds the stream right behind it.
    if (startPosition >= 0)
      state->seek(startPosition + consumed, IBStream::kIBSeekSet, nullptr);
    // Every value may have changed: the host reads them all again, so its panels, its
    // automation and the values it sends back are the loaded ones.
    if (IComponentHandler* handler = getComponentHandler(); handler != nullptr && !OnAudioThread())
      handler->restartComponent(kParamValuesChanged);
    return complete ? kResultOk : kResultFalse;
  });
}

// ---- IAudioProcessor ----

tresult PLUGIN_API IPlugVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                                                 int32 numOuts)
{
  return Guarded([&]() -> tresult {
    if (numIns < 0 || numOuts < 0 || (numIns > 0 && inputs == nullptr) || (numOuts > 0 && outputs == nullptr))
      return kInvalidArgument;
    PlugLock lock(Mutex());
    // One arrangement per bus, and an output to process into. Only the arrangements the
    // binding itself gives a channel count are taken: a two-channel pair such as C+LFE
    // is not a left and right the detectors could measure as stereo.
    const bool oneEach = numIns == audioInputs.count() && numOuts == audioOutputs.count() && numOuts > 0;
    const bool known = oneEach && (numIns == 0 || IsOwnArrangement(inputs[0])) && IsOwnArrangement(outputs[0]) &&
                       (mSideChainChannels == 0 || numIns < 2 || IsOwnArrangement(inputs[1], mSideChainChannels));
    const int requestedIns = known && numIns > 0 ? channelCountOf(inputs[0]) : 0;
    const int requestedOuts = known ? channelCountOf(outputs[0]) : 0;
    if (!known || !LegalIO(requestedIns, requestedOuts))
    {
      // Refused: the buses show the layout the plug-in suggests instead, the one they
      // were built with, so a host that asks what would do gets an answer it can set.
      SuggestDefaultArrangements();
      return kResultFalse;
    }

    // Accepted: the buses take exactly what was asked for (hosts read it back), in place,
    // so bus order and activation stay as they were.
    ConnectInputChannels(0, NInChannels(), false);
    ConnectOutputChannels(0, NOutChannels(), false);
    if (AudioBus* input = audioInputs.audioAt(0))
    {
      if (input->getArrangement() != inputs[0])
      {
        input->setArrangement(inputs[0]);
        input->setName(Widened("Input"));
      }
      ConnectInputChannels(0, requestedIns, true);
    }
    if (AudioBus* output = audioOutputs.audioAt(0))
    {
      if (output->getArrangement() != outputs[0])
      {
        output->setArrangement(outputs[0]);
        output->setName(Widened("Output"));
      }
      ConnectOutputChannels(0, requestedOuts, true);
    }
    if (mSideChainChannels != 0)
    {
      AudioBus* sideChain = audioInputs.audioAt(1);
      if (sideChain != nullptr && sideChain->getArrangement() != inputs[1])
      {
        sideChain->setArrangement(inputs[1]);
        sideChain->setName(Widened("Sidechain Input"));
      }
    }
    RefreshBusShapes();
    return kResultTrue;
  });
}

void IPlugVST3::SuggestDefaultArrangements()
{
  // The arrangements the buses were built with (stereo for this product's "1-1 2-2").
  const SpeakerArrangement suggested[] = {ArrangementFor(NInChannels() - mSideChainChannels),
                                          IsInstrument() ? SpeakerArr::kStereo : ArrangementFor(NOutChannels())};
  AudioBus* input = audioInputs.audioAt(0);
  AudioBus* output = audioOutputs.audioAt(0);
  if (input != nullptr && input->getArrangement() != suggested[0])
  {
    input->setArrangement(suggested[0]);
    input->setName(Widened("Input"));
  }
  if (output != nullptr && output->getArrangement() != suggested[1])
  {
    output->setArrangement(suggested[1]);
    output->setName(Widened("Output"));
  }
  if (AudioBus* sideChain = mSideChainChannels != 0 ? audioInputs.audioAt(1) : nullptr)
    if (sideChain->getArrangement() != ArrangementFor(mSideChainChannels))
    {
      sideChain->setArrangement(ArrangementFor(mSideChainChannels));
      sideChain->setName(Widened("Sidechain Input"));
    }
  // The channels follow what the buses now say.
  ConnectInputChannels(0, NInChannels(), false);
  ConnectOutputChannels(0, NOutChannels(), false);
  ConnectInputChannels(0, input != nullptr ? input->getChannelCount() : 0, true);
  ConnectOutputChannels(0, output != nullptr ? output->getChannelCount() : 0, true);
  RefreshBusShapes();
}

tresult PLUGIN_API IPlugVST3::canProcessSampleSize(int32 symbolicSampleSize)
{
  return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultTrue : kResultFalse;
}

uint32 PLUGIN_API IPlugVST3::getLatencySamples()
{
  return static_cast<uint32>(Latency());
}

tresult PLUGIN_API IPlugVST3::setupProcessing(ProcessSetup& setup)
{
  return Guarded([&]() -> tresult {
    if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue)
      return kResultFalse;
    if (setup.maxSamplesPerBlock <= 0 || !(setup.sampleRate >= kMinSampleRate && setup.sampleRate <= kMaxSampleRate))
      return kResultFalse;
    PlugLock lock(Mutex());
    // A block still in flight keeps its rate and buffers: they change once it is ours.
    ClaimProcessor(true);
    SetSampleRate(setup.sampleRate);
    SetBlockFrames(setup.maxSamplesPerBlock);
    ResetProcessing();
    processSetup = setup;
    return kResultOk;
  });
}

uint32 PLUGIN_API IPlugVST3::getTailSamples()
{
  return static_cast<uint32>(TailLength());
}

IPlugVST3::BlockKind IPlugVST3::ClassifyBlock(const ProcessData& data) const
{
  if (data.numSamples < 0 || data.numInputs < 0 || data.numOutputs < 0)
    return BlockKind::kInvalid;
  if (data.symbolicSampleSize != kSample32 && data.symbolicSampleSize != kSample64)
    return BlockKind::kInvalid;
  if (data.numSamples == 0 || (data.numInputs == 0 && data.numOutputs == 0))
    return BlockKind::kFlush;
  if (data.numInputs != mInputShape.count || data.numOutputs != mOutputShape.count)
    return BlockKind::kInvalid;
  if ((data.numInputs > 0 && data.inputs == nullptr) || (data.numOutputs > 0 && data.outputs == nullptr))
    return BlockKind::kInvalid;
  const bool complete = data.symbolicSampleSize == kSample32
                            ? BuffersMatch<float>(data.inputs, mInputShape, audioInputs) &&
                                  BuffersMatch<float>(data.outputs, mOutputShape, audioOutputs)
                            : BuffersMatch<double>(data.inputs, mInputShape, audioInputs) &&
                                  BuffersMatch<double>(data.outputs, mOutputShape, audioOutputs);
  return complete ? BlockKind::kAudio : BlockKind::kInvalid;
}

template <typename Sample>
bool IPlugVST3::BuffersMatch(const AudioBusBuffers* buses, const BusShape& shape, const BusList& list) const
{
  if (shape.count > BusShape::kCapacity)
    return BusesComplete<Sample>(buses, list); // more buses than kept: asked of each bus
  for (int32 i = 0; i < shape.count; ++i)
    if (shape.used[i] && !BusComplete<Sample>(buses[i], shape.channels[i]))
      return false;
  return true;
}

void IPlugVST3::RefreshBusShapes()
{
  const auto refresh = [](BusShape& shape, const BusList& list) {
    shape.count = list.count();
    for (int32 i = 0; i < std::min(shape.count, BusShape::kCapacity); ++i)
    {
      const Bus* bus = list.at(i);
      // An inactive side-chain is not read, whatever the host put there.
      shape.used[i] = bus->getBusType() == kMain || bus->isActive();
      shape.channels[i] = bus->getChannelCount();
    }
  };
  refresh(mInputShape, audioInputs);
  refresh(mOutputShape, audioOutputs);
}

void IPlugVST3::ApplyParameterChanges(IParameterChanges* changes)
{
  if (changes == nullptr)
    return;
  const int32 queues = changes->getParameterCount();
  for (int32 q = 0; q < queues; ++q)
  {
    IParamValueQueue* queue = changes->getParameterData(q);
    if (queue == nullptr)
      continue;
    const int32 points = queue->getPointCount();
    if (points <= 0)
      continue;
    int32 offset = 0;
    ParamValue value = 0.0;
    if (queue->getPoint(points - 1, offset, value) != kResultOk || !std::isfinite(value))
      continue;
    const ParamID id = queue->getParameterId();
    value = std::clamp(value, 0.0, 1.0);
    if (!BlockWithoutMutex())
    {
      ApplyQueuedHostValue(id, value);
      continue;
    }
    const int slot = HostValueSlot(id);
    if (slot < 0)
      continue;
    // The engine and the bypass take the value now, so this block plays it as a block
    // with the mutex would; the parameter itself is handed over below, in arrival order.
    if (id < static_cast<ParamID>(ParamCount()) && HostCode() != kHostLive)
      HostValueToEngine(static_cast<int>(id), value);
    else if (id == kBypassParamId)
      SetBypassed(value > 0.5);
    else if (id == kPresetParamId)
      PresetToEngine(static_cast<int>(value * PresetCount()));
    const uint64_t posted = mDeferredPosted.load(std::memory_order_relaxed);
    if (!mHasDeferredOverflow.load(std::memory_order_acquire) &&
        posted - mDeferredTaken.load(std::memory_order_acquire) < kDeferredCapacity)
    {
      mDeferredRing[posted % kDeferredCapacity] = {id, value};
      mDeferredPosted.store(posted + 1, std::memory_order_release);
    }
    else
    {
      mDeferredOverflow[static_cast<size_t>(slot)].store(value, std::memory_order_relaxed);
      mHasDeferredOverflow.store(true, std::memory_order_release);
    }
  }
}

void IPlugVST3::ApplyDeferredHostValues()
{
  const LocklessHandOver handOver(*this);
  uint64_t taken = mDeferredTaken.load(std::memory_order_relaxed);
  const uint64_t posted = mDeferredPosted.load(std::memory_order_acquire);
  for (; taken != posted; ++taken)
  {
    LocklessValuesApplied(taken); // what a block did after the first `taken` values
    const DeferredHostValue deferred = mDeferredRing[taken % kDeferredCapacity];
    mDeferredTaken.store(taken + 1, std::memory_order_release);
    ApplyQueuedHostValue(deferred.id, deferred.normalized);
  }
  if (!mHasDeferredOverflow.load(std::memory_order_acquire))
  {
    LocklessValuesApplied(posted);
    return;
  }
  const auto take = [this](int slot, ParamID id) {
    const double value =
        mDeferredOverflow[static_cast<size_t>(slot)].exchange(std::numeric_limits<double>::quiet_NaN());
    if (!std::isnan(value))
      ApplyQueuedHostValue(id, value);
  };
  mHasDeferredOverflow.store(false, std::memory_order_release);
  take(ParamCount() + 1, kPresetParamId);
  take(ParamCount(), kBypassParamId);
  for (int i = 0; i < ParamCount(); ++i)
    take(i, static_cast<ParamID>(i));
  LocklessValuesApplied(std::numeric_limits<uint64_t>::max()); // the order was given up
}

void IPlugVST3::ApplyQueuedHostValue(ParamID id, ParamValue normalized)
{
  if (id == kBypassParamId)
  {
    SetBypassed(normalized > 0.5);
    KeepHostValue(HostValueSlot(id), normalized);
  }
  else if (id == kPresetParamId)
  {
    // Value 1.0 asks for index = preset count, which is refused. The preset's values were
    // kept when it was stored, so no state is read on the audio thread. What the recall
    // changed is reported back, so the host's view of each parameter follows.
    for (int i = 0; i < ParamCount(); ++i)
      mValuesBeforeRecall[static_cast<size_t>(i)] = ParamAt(i)->Value();
    if (RecallPresetValues(static_cast<int>(normalized * PresetCount())))
    {
      ForgetHostValues();
      for (int i = 0; i < ParamCount(); ++i)
        if (ParamAt(i)->Value() != mValuesBeforeRecall[static_cast<size_t>(i)])
          InformHostOfParamChange(i, ParamAt(i)->ToNormalized());
    }
  }
  else if (id < static_cast<ParamID>(ParamCount()))
  {
    if (HostCode() == kHostLive)
      return; // that host's parameter values are not taken; its bypass and preset are
    const int index = static_cast<int>(id);
    // The controller keeps the host's value with the parameter's value after the product
    // took it (a value re-sent within the parameter's resolution leaves the parameter as
    // it was), so the host reads back exactly what it sent.
    IPlugBase::ApplyHostValue(index, normalized);
    KeepHostValue(index, normalized);
  }
}

template <typename Sample>
void IPlugVST3::BindHostBuffers(ProcessData& data)
{
  const int frames = data.numSamples;
  if (data.numInputs > 0)
  {
    Sample** mainChannels = ChannelsOf<Sample>(data.inputs[0]);
    if (mSideChainChannels != 0)
    {
      const int mainCount = NInChannels() - mSideChainChannels;
      const AudioBus* sideChain = audioInputs.audioAt(1);
      const bool sideChainActive = sideChain != nullptr && sideChain->isActive() && data.numInputs > 1;
      ConnectInputChannels(0, NInChannels(), true);
      if (sideChainActive)
      {
        mSideChainConnected = true;
      }
      else
      {
        if (mSideChainConnected)
        {
          ClearScratchBuffers(); // no stale side-chain samples in the scratch
          mSideChainConnected = false;
        }
        ConnectInputChannels(data.inputs[0].numChannels, mainCount, false);
      }
      BindInputBuffers(0, std::min(mainCount, data.inputs[0].numChannels), mainChannels, frames);
      if (sideChainActive)
        BindInputBuffers(mainCount, std::min(mSideChainChannels, data.inputs[1].numChannels),
                         ChannelsOf<Sample>(data.inputs[1]), frames);
    }
    else
    {
      BindInputBuffers(0, std::min(NInChannels(), data.inputs[0].numChannels), mainChannels, frames);
    }
  }
  int firstChannel = 0;
  for (int32 b = 0; b < data.numOutputs; ++b)
  {
    BindOutputBuffers(firstChannel, data.outputs[b].numChannels, ChannelsOf<Sample>(data.outputs[b]));
    firstChannel += data.outputs[b].numChannels;
  }
}


tresult PLUGIN_API IPlugVST3::process(ProcessData& data)
{
  // The mutex is taken when free; when another thread holds it, the block usually runs
  // without it (see AudioBlockLock), and then touches no parameter.
  const AudioBlockLock blockLock(*this);
  const BlockKind kind = ClassifyBlock(data);
  if (kind == BlockKind::kInvalid)
    return kInvalidArgument;

  const AudioThreadScope audioThread(*this);
  if (data.processContext != nullptr)
  {
    mProcessContext = *data.processContext;
    mHasProcessContext = true;
  }
  if (!BlockWithoutMutex())
  {
    // What blocks without the mutex left comes before this block's own values.
    ApplyDeferredHostValues();
    TakeHandedOverChanges();
  }
  ApplyParameterChanges(data.inputParameterChanges);

  if (kind == BlockKind::kAudio)
  {
    const bool wide = data.symbolicSampleSize == kSample64;
    const bool direct = wide && !IsBypassed() && data.numInputs == 1 && data.numOutputs == 1 &&
                        mSideChainChannels == 0 &&
                        RunProcessingOnHostBuffers(data.inputs[0].channelBuffers64, data.inputs[0].numChannels,
                                                   data.outputs[0].channelBuffers64, data.outputs[0].numChannels,
                                                   data.numSamples);
    if (!direct)
    {
      if (wide)
        BindHostBuffers<double>(data);
      else
        BindHostBuffers<float>(data);
      if (IsBypassed())
        CopyInputsToOutputs(data.numSamples);
      else
        RunProcessing(data.numSamples);
    }
    for (int32 b = 0; b < data.numOutputs; ++b)
      data.outputs[b].silenceFlags = data.symbolicSampleSize == kSample32
                                         ? SilentChannels<float>(data.outputs[b], data.numSamples)
                                         : SilentChannels<double>(data.outputs[b], data.numSamples);
  }
  else
  {
    TakeHandedOverChanges(); // a flush
  }
  ReportQueuedValues(data.outputParameterChanges);
  return kResultOk;
}

void IPlugVST3::ReportQueuedValues(IParameterChanges* changes)
{
  if (changes == nullptr)
    return;
  for (int i = 0; i < ParamCount(); ++i)
  {
    double& value = mQueuedValues[static_cast<size_t>(i)];
    if (std::isnan(value))
      continue;
    int32 queueIndex = 0;
    if (IParamValueQueue* queue = changes->addParameterData(static_cast<ParamID>(i), queueIndex))
    {
      int32 pointIndex = 0;
      queue->addPoint(0, value, pointIndex);
    }
    value = std::numeric_limits<double>::quiet_NaN();
  }
}

// ---- Framework operations ----

bool IPlugVST3::OfflineRendering()
{
  return processSetup.processMode == kOffline;
}

int IPlugVST3::SamplePosition()
{
  if (!mHasProcessContext)
    return 0;
  return static_cast<int>(std::clamp<int64>(mProcessContext.projectTimeSamples, std::numeric_limits<int>::min(),
                                            std::numeric_limits<int>::max()));
}

double IPlugVST3::HostTempo()
{
  const bool valid = mHasProcessContext && (mProcessContext.state & ProcessContext::kTempoValid) != 0;
  return valid ? mProcessContext.tempo : kDefaultTempoBpm;
}

void IPlugVST3::HostTimeSignature(int* numerator, int* denominator)
{
  const bool valid = mHasProcessContext && (mProcessContext.state & ProcessContext::kTimeSigValid) != 0;
  if (numerator != nullptr)
    *numerator = valid ? mProcessContext.timeSigNumerator : kDefaultTimeSignature;
  if (denominator != nullptr)
    *denominator = valid ? mProcessContext.timeSigDenominator : kDefaultTimeSignature;
}

void IPlugVST3::FetchTransportInfo(TransportInfo* info)
{
  if (info == nullptr)
    return;
  *info = TransportInfo{};
  if (!mHasProcessContext)
    return;
  const ProcessContext& context = mProcessContext;
  const auto has = [&context](uint32 flag) { return (context.state & flag) != 0; };
  info->tempoBpm = HostTempo();
  info->samplePosition = static_cast<double>(context.projectTimeSamples);
  if (has(ProcessContext::kProjectTimeMusicValid))
    info->ppqPosition = context.projectTimeMusic;
  if (has(ProcessContext::kBarPositionValid))
    info->lastBarStartQuarters = context.barPositionMusic;
  if (has(ProcessContext::kCycleValid))
  {
    info->cycleStartQuarters = context.cycleStartMusic;
    info->cycleEndQuarters = context.cycleEndMusic;
  }
  HostTimeSignature(&info->timeSigNumerator, &info->timeSigDenominator);
  info->transportRunning = has(ProcessContext::kPlaying);
  info->loopEnabled = has(ProcessContext::kCycleActive);
}

void IPlugVST3::ResizeEditor(int width, int height)
{
  if (mViews.empty())
    return;
  IPlugVST3View* view = mViews.front();
  IPlugFrame* frame = view->getFrame();
  if (frame == nullptr)
    return;
  view->mExpectingNewSize = true;
  ViewRect size{0, 0, width, height};
  if (frame->resizeView(view, &size) != kResultTrue)
    view->mExpectingNewSize = false;
}

void IPlugVST3::ChangeLatency(int latencyFrames)
{
  IPlugBase::ChangeLatency(latencyFrames);
  if (IComponentHandler* handler = getComponentHandler(); handler != nullptr && !OnAudioThread())
    handler->restartComponent(kLatencyChanged);
}

bool IPlugVST3::QueueMidiOut(const MidiMessage&)
{
  return false;
}
