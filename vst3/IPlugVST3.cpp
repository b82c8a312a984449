#include "vst3/IPlugVST3.h"

#include "vst3/BindingCalls.h"
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
using namespace vst3binding;

namespace
{
constexpr double kDefaultTempoBpm = 120.0;
constexpr int kDefaultTimeSignature = 4;
constexpr int kMaxSideChainChannels = 2;

// The process context fields the plug-in reads; a host may fill only these.
constexpr uint32 kContextRequirements =
    IProcessContextRequirements::kNeedTempo | IProcessContextRequirements::kNeedTransportState |
    IProcessContextRequirements::kNeedTimeSignature | IProcessContextRequirements::kNeedProjectTimeMusic |
    IProcessContextRequirements::kNeedBarPositionMusic | IProcessContextRequirements::kNeedCycleMusic;
} // namespace

namespace vst3binding
{
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
} // namespace vst3binding

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
