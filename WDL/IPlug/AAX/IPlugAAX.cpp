#include "WDL/IPlug/AAX/IPlugAAX.h"

#include "WDL/IPlug/AAX/AAX_CIPlugTaperDelegate.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CDisplayDelegates.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CParameter.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CTaperDelegates.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IMIDINode.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_ITransport.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_SPlugInChunk.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_VHost.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <vector>

namespace
{
using PlugLock = std::lock_guard<std::recursive_mutex>;

constexpr int kInitialBlockFrames = 1024;
// The identifier AAX hosts look for to connect their bypass button to the plug-in's.
constexpr const char* kMasterBypassIdentifier = "MasterBypassID";
constexpr int kContinuousSteps = 128;
constexpr int kDisplayPrecision = 2;
constexpr double kDefaultTempoBpm = 120.0;
constexpr int kDefaultTimeSignature = 4;

double TicksToQuarters(int64_t ticks) { return static_cast<double>(ticks) / static_cast<double>(AAX_kTicksPerQuarter); }
} // namespace

IPlugAAX::IPlugAAX(int paramCount, const char* channelIO, int presetCount, const char* effectName,
                   const char* productName, const char* makerName, int vendorVersion, int uniqueID,
                   int manufacturerID, int latencyFrames, bool doesMidi, bool doesStateChunks, bool isInstrument,
                   int /*sideChainChannels*/)
    : IPlugBase(paramCount, channelIO, presetCount, effectName, productName, makerName, vendorVersion, uniqueID,
                manufacturerID, latencyFrames, doesMidi, doesStateChunks, isInstrument, 4)
{
  ConnectInputChannels(0, NInChannels(), true);
  ConnectOutputChannels(0, NOutChannels(), true);
  if (NInChannels() > 0)
    CreateBypassDelayLine();
  SetBlockFrames(kInitialBlockFrames);
  SetHost(kTraits.fixedHostName, vendorVersion);
  mQueuedValues.assign(static_cast<size_t>(ParamCount()), std::numeric_limits<double>::quiet_NaN());
}

IPlugAAX::~IPlugAAX() = default;

// ---- Parameters ----

AAX_Result IPlugAAX::EffectInit()
{
  AAX_CString bypassId;
  GetMasterBypassParameter(&bypassId);
  // The library names a master bypass only once one exists, so asking it first gives the
  // empty identifier, which AAX hosts read as "no master bypass": their bypass button
  // would not reach the plug-in. The bypass takes the identifier hosts look for instead.
  if (bypassId.Text().empty())
    bypassId.Set(kMasterBypassIdentifier);
  auto* bypass = new AAX_CParameter<bool>(bypassId.Get(), "Master Bypass", false, AAX_CBinaryTaperDelegate(),
                                          AAX_CBinaryDisplayDelegate("bypass", "on"), true);
  bypass->SetNumberOfSteps(2);
  bypass->SetType(AAX_eParameterType_Discrete);
  mMasterBypass = bypass;
  if (const AAX_Result result = AddParameter(bypass); result != AAX_SUCCESS)
  {
    mMasterBypass = nullptr;
    return result;
  }
  mParamIDs.clear();
  mParamIDs.reserve(static_cast<size_t>(ParamCount()));
  for (int i = 0; i < ParamCount(); ++i)
    AddFrameworkParameter(i);

  AAX_CSampleRate sampleRate = 0.0f;
  if (Controller()->GetSampleRate(&sampleRate) == AAX_SUCCESS)
    SetSampleRate(sampleRate); // a rate that is not positive keeps the framework's
  // Sized once here for every block the host may send: the render never resizes (which
  // would allocate on the audio thread and restart what the detectors measured).
  SetBlockFrames(kHostMaxBlockFrames);
  ResetProcessing();
  // No preset is loaded in this deliverable, so nothing else would hand the constructor's
  // values to the product: without this, its processing would not follow the parameters
  // the host shows (a "Normalize" that reads on but applies no gain).
  AllParamsChanged(kSourceRecall);
  return AAX_SUCCESS;
}

void IPlugAAX::AddFrameworkParameter(int index)
{
  char identifier[16];
  std::snprintf(identifier, sizeof identifier, "%i", index + 1);
  mParamIDs.emplace_back(identifier);
  const IPlugParam& param = *ParamAt(index);
  AAX_IParameter* created = nullptr;
  switch (param.Kind())
  {
  case kKindBool:
  case kKindEnum:
  {
    std::map<int, std::string> texts;
    for (int t = 0; t < param.DisplayTextCount(); ++t)
    {
      int value = 0;
      const char* text = param.DisplayTextAt(t, &value);
      texts[value] = text;
    }
    created = new AAX_CParameter<int>(identifier, param.NameForHost(), static_cast<int>(param.Default()),
                                      AAX_CLinearTaperDelegate<int>(static_cast<int>(param.Min()),
                                                                    static_cast<int>(param.Max())),
                                      AAX_CStringDisplayDelegate<int>(std::move(texts)), param.CanAutomate());
    created->SetNumberOfSteps(param.DisplayTextCount());
    created->SetType(AAX_eParameterType_Discrete);
    break;
  }
  case kKindDouble:
    created = new AAX_CParameter<double>(
        identifier, param.NameForHost(), param.Default(),
        AAX_CIPlugTaperDelegate(param.Min(), param.Max(), param.Shape()),
        AAX_CUnitDisplayDelegateDecorator<double>(AAX_CNumberDisplayDelegate<double>(kDisplayPrecision),
                                                  param.LabelForHost()),
        param.CanAutomate());
    created->SetNumberOfSteps(kContinuousSteps);
    created->SetType(AAX_eParameterType_Continuous);
    break;
  default:
    return; // kinds a host cannot show get no AAX parameter
  }
  created->UpdateNormalizedValue(param.ToNormalized());
  AddParameter(created);
}

AAX_Result IPlugAAX::Uninitialize()
{
  PlugLock lock(Mutex());
  ClaimProcessor(true); // no render runs while the parameters go: later ones wait for the mutex
  mMasterBypass = nullptr;
  mTransport = nullptr;
  return AAX_CEffectParameters::Uninitialize();
}

void IPlugAAX::ParameterValueChanged(AAX_CParamID id, double normalized)
{
  // Identifiers are "1" .. "N"; the master bypass's is not a number and reads as -1. The
  // render reads the bypass from an atomic copy, as it may run without the plug-in mutex.
  char* end = nullptr;
  const long number = std::strtol(id, &end, 10);
  const int index = (end != id && *end == '\0') ? static_cast<int>(number) - 1 : -1;
  if (index >= 0 && index < ParamCount())
    ApplyHostValue(index, normalized);
  else if (mMasterBypass != nullptr && std::strcmp(id, mMasterBypass->Identifier()) == 0)
    SetBypassed(normalized > 0.5);
}

AAX_Result IPlugAAX::SetParameterNormalizedValue(AAX_CParamID id, double value)
{
  // Without an automation delegate the parameter takes the value directly: it goes the
  // way of a host update, so the plug-in (and the render's bypass) follows it. With one,
  // the host's update comes back through UpdateParameterNormalizedValue.
  if (AutomationDelegate() == nullptr)
    return UpdateParameterNormalizedValue(id, std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : value,
                                          AAX_eUpdateSource_Unspecified);
  return AAX_CEffectParameters::SetParameterNormalizedValue(id, value);
}

// ---- Chunks ----

AAX_Result IPlugAAX::GetNumberOfChunks(int32_t* count) const
{
  if (count == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *count = 1;
  return AAX_SUCCESS;
}

AAX_Result IPlugAAX::GetChunkIDFromIndex(int32_t index, AAX_CTypeID* chunkId) const
{
  if (chunkId == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  if (index != 0)
  {
    *chunkId = 0;
    return AAX_ERROR_INVALID_CHUNK_INDEX;
  }
  *chunkId = static_cast<AAX_CTypeID>(UniqueID());
  return AAX_SUCCESS;
}

AAX_Result IPlugAAX::GetChunkSize(AAX_CTypeID chunkId, uint32_t* sizeBytes) const
{
  if (sizeBytes == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *sizeBytes = 0;
  if (chunkId != static_cast<AAX_CTypeID>(UniqueID()))
    return AAX_ERROR_INVALID_CHUNK_ID;
  ChunkBuffer state;
  const bool written = const_cast<IPlugAAX*>(this)->SerializeState(state);
  const std::lock_guard<std::mutex> guard(mChunkLock);
  mMeasuredChunk.assign(state.Data(), state.Data() + (written ? state.Size() : 0));
  mHasMeasuredChunk = written;
  *sizeBytes = static_cast<uint32_t>(mMeasuredChunk.size());
  return AAX_SUCCESS;
}

AAX_Result IPlugAAX::GetChunk(AAX_CTypeID chunkId, AAX_SPlugInChunk* chunk) const
{
  if (chunk == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  if (chunkId != static_cast<AAX_CTypeID>(UniqueID()))
    return AAX_ERROR_INVALID_CHUNK_ID;
  std::vector<char> bytes;
  {
    const std::lock_guard<std::mutex> guard(mChunkLock);
    if (mHasMeasuredChunk)
      bytes.swap(mMeasuredChunk);
    mHasMeasuredChunk = false;
  }
  if (bytes.empty())
  {
    // No size asked for first: the current state, when the host's room takes it.
    ChunkBuffer state;
    if (!const_cast<IPlugAAX*>(this)->SerializeState(state))
      return AAX_ERROR_INVALID_CHUNK_ID;
    if (chunk->fSize > 0 && chunk->fSize < state.Size())
      return AAX_ERROR_INCORRECT_CHUNK_SIZE;
    bytes.assign(state.Data(), state.Data() + state.Size());
  }
  std::memcpy(chunk->fData, bytes.data(), bytes.size());
  chunk->fSize = static_cast<int32_t>(bytes.size());
  return AAX_SUCCESS;
}

AAX_Result IPlugAAX::SetChunk(AAX_CTypeID chunkId, const AAX_SPlugInChunk* chunk)
{
  if (chunk == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  if (chunkId != static_cast<AAX_CTypeID>(UniqueID()))
    return AAX_ERROR_INVALID_CHUNK_ID;
  if (chunk->fSize < 0)
    return AAX_ERROR_INCORRECT_CHUNK_SIZE;
  ChunkBuffer state;
  state.PutBytes(chunk->fData, chunk->fSize);
  const bool read = RestoreState(state, 0) >= 0;
  // Whatever was read, the host's parameters follow the plug-in's values now. The values
  // are taken under the plug-in mutex, as the audio thread writes readouts into them, and
  // handed to the host after it is released.
  std::vector<double> normalized(static_cast<std::size_t>(ParamCount()));
  {
    PlugLock lock(Mutex());
    for (int i = 0; i < ParamCount(); ++i)
    {
      // A value the host cannot hold (a fraction of a step, from a foreign or damaged
      // state) becomes the value the host's will read as, so the two agree.
      IPlugParam& param = *ParamAt(i);
      const double n = param.ToNormalized();
      IPlugParam probe = param;
      probe.SetFromNormalized(n);
      if (probe.Value() != param.Value())
      {
        param.SetFromNormalized(n);
        ParamChanged(i, kSourceRecall);
      }
      normalized[static_cast<std::size_t>(i)] = param.ToNormalized();
    }
    RefreshParamControls();
  }
  for (int i = 0; i < ParamCount(); ++i)
    if (AAX_CParamID id = ParameterID(i))
      PostEdit(id, normalized[static_cast<std::size_t>(i)], true);
  CountChange();
  return read ? AAX_SUCCESS : AAX_ERROR_MALFORMED_CHUNK;
}

AAX_Result IPlugAAX::CompareActiveChunk(const AAX_SPlugInChunk* chunk, AAX_CBoolean* equal) const
{
  if (chunk == nullptr || equal == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  if (chunk->fChunkID != static_cast<AAX_CTypeID>(UniqueID()))
  {
    *equal = 1;
    return AAX_SUCCESS;
  }
  *equal = const_cast<IPlugAAX*>(this)->StateEquals(chunk->fData, std::max(chunk->fSize, 0), 0) ? 1 : 0;
  return AAX_SUCCESS;
}

// ---- Render ----

AAX_Result IPlugAAX::RenderAudio(const AAX_SIPlugRenderInfo* info)
{
  if (info == nullptr || info->bufferLength == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  const int frames = *info->bufferLength;
  if (frames < 0)
    return AAX_ERROR_INVALID_ARGUMENT;

  {
    // The mutex is taken when free; when another thread holds it, the render usually runs
    // without it (see AudioBlockLock), and then touches no parameter.
    const AudioBlockLock blockLock(*this);
    if (!IsInitialized() || mMasterBypass == nullptr)
      return AAX_ERROR_NOT_INITIALIZED;
    AAX_EStemFormat inputFormat = AAX_eStemFormat_None;
    AAX_EStemFormat outputFormat = AAX_eStemFormat_None;
    Controller()->GetInputStemFormat(&inputFormat);
    Controller()->GetOutputStemFormat(&outputFormat);
    const int inputs = std::clamp(AAX_StemChannelCount(inputFormat), 0, NInChannels());
    const int outputs = std::clamp(AAX_StemChannelCount(outputFormat), 0, NOutChannels());
    if (frames > 0 && ((inputs > 0 && info->inputs == nullptr) || (outputs > 0 && info->outputs == nullptr)))
      return AAX_ERROR_NULL_ARGUMENT;

    const AudioThreadScope audioThread(*this);
    const bool bypassed = IsBypassed();

    if (DoesMidi() && info->midiInput != nullptr)
      if (const AAX_CMidiStream* stream = info->midiInput->GetNodeBuffer(); stream != nullptr && stream->mBuffer != nullptr)
        for (uint32_t p = 0; p < stream->mBufferSize; ++p)
        {
          const AAX_CMidiPacket& packet = stream->mBuffer[p];
          HandleMidiMessage({static_cast<int>(packet.mTimestamp), packet.mData[0], packet.mData[1], packet.mData[2]});
        }

    mTransport = info->transportNode != nullptr ? info->transportNode->GetTransport() : nullptr;

    if (frames == 0)
      TakeHandedOverChanges();
    if (frames > 0)
    {
      // RunProcessing takes blocks longer than the prepared size in pieces of it.
      // Disconnected channels read and write only their scratch buffers, which nothing
      // else writes: clearing them when the channels in use change is enough for every
      // block to start from silence there, and saves clearing them on every block.
      if (inputs != mScratchInputs || outputs != mScratchOutputs)
      {
        ClearScratchBuffers();
        mScratchInputs = inputs;
        mScratchOutputs = outputs;
      }
      ConnectInputChannels(0, NInChannels(), false);
      ConnectInputChannels(0, inputs, true);
      BindInputBuffers(0, inputs, info->inputs, frames);
      ConnectOutputChannels(0, outputs, true);
      ConnectOutputChannels(outputs, NOutChannels() - outputs, false);
      BindOutputBuffers(0, outputs, info->outputs);
      if (bypassed)
        CopyInputsToOutputs(frames);
      else
        RunProcessing(frames);
    }
  }
  SendQueuedValues();
  return AAX_SUCCESS;
}

void IPlugAAX::PostEdit(AAX_CParamID id, double normalized, bool asEdit)
{
  // The host's view holds the value at once (a host reads back what the plug-in just
  // reported); the set request then goes to its automation, whose echo changes nothing.
  if (AAX_IParameter* parameter = mParameterManager.GetParameterByID(id))
    parameter->UpdateNormalizedValue(normalized);
  if (asEdit)
    SetParameterNormalizedValue(id, normalized);
  else
    RequestParameterValue(id, normalized);
}

void IPlugAAX::SendQueuedValues()
{
  if (!mHasQueuedValues)
    return;
  mHasQueuedValues = false;
  for (int i = 0; i < ParamCount(); ++i)
  {
    double& value = mQueuedValues[static_cast<size_t>(i)];
    if (std::isnan(value))
      continue;
    if (AAX_CParamID id = ParameterID(i))
      PostEdit(id, value, false); // the render's own changes: no gesture
    value = std::numeric_limits<double>::quiet_NaN();
  }
}

// ---- Framework operations ----

void IPlugAAX::BeginInformHostOfParamChange(int index)
{
  if (AAX_CParamID id = ParameterID(index); id != nullptr && !OnAudioThread())
    TouchParameter(id);
}

void IPlugAAX::InformHostOfParamChange(int index, double normalized)
{
  AAX_CParamID id = ParameterID(index);
  if (id == nullptr || !std::isfinite(normalized))
    return;
  if (OnAudioThread())
  {
    mQueuedValues[static_cast<size_t>(index)] = normalized; // the latest value wins
    mHasQueuedValues = true;
    return;
  }
  PostEdit(id, normalized, true);
}

void IPlugAAX::EndInformHostOfParamChange(int index)
{
  if (AAX_CParamID id = ParameterID(index); id != nullptr && !OnAudioThread())
    ReleaseParameter(id);
}

int IPlugAAX::SamplePosition()
{
  int64_t sample = 0;
  if (mTransport == nullptr || mTransport->GetCurrentNativeSampleLocation(&sample) != AAX_SUCCESS)
    return 0;
  return static_cast<int>(std::clamp<int64_t>(sample, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

double IPlugAAX::HostTempo()
{
  double bpm = kDefaultTempoBpm;
  if (mTransport == nullptr || mTransport->GetCurrentTempo(&bpm) != AAX_SUCCESS || !(bpm > 0.0))
    return kDefaultTempoBpm;
  return bpm;
}

void IPlugAAX::HostTimeSignature(int* numerator, int* denominator)
{
  int32_t num = kDefaultTimeSignature;
  int32_t den = kDefaultTimeSignature;
  if (mTransport == nullptr || mTransport->GetCurrentMeter(&num, &den) != AAX_SUCCESS || num <= 0 || den <= 0)
  {
    num = kDefaultTimeSignature;
    den = kDefaultTimeSignature;
  }
  if (numerator != nullptr)
    *numerator = num;
  if (denominator != nullptr)
    *denominator = den;
}

bool IPlugAAX::TransportRunning()
{
  bool playing = false;
  return mTransport != nullptr && mTransport->IsTransportPlaying(&playing) == AAX_SUCCESS && playing;
}

void IPlugAAX::FetchTransportInfo(TransportInfo* info)
{
  if (info == nullptr)
    return;
  const double lastBar = info->lastBarStartQuarters; // not a transport field here
  *info = TransportInfo{};
  info->lastBarStartQuarters = lastBar;
  info->tempoBpm = HostTempo();
  HostTimeSignature(&info->timeSigNumerator, &info->timeSigDenominator);
  if (mTransport == nullptr)
    return;
  int64_t sample = 0;
  if (mTransport->GetCurrentNativeSampleLocation(&sample) == AAX_SUCCESS)
    info->samplePosition = static_cast<double>(sample);
  int64_t ticks = 0;
  if (mTransport->GetCurrentTickPosition(&ticks) == AAX_SUCCESS)
    info->ppqPosition = TicksToQuarters(ticks);
  bool playing = false;
  if (mTransport->IsTransportPlaying(&playing) == AAX_SUCCESS)
    info->transportRunning = playing;
  bool looping = false;
  int64_t loopStart = 0;
  int64_t loopEnd = 0;
  if (mTransport->GetCurrentLoopPosition(&looping, &loopStart, &loopEnd) == AAX_SUCCESS)
  {
    info->loopEnabled = looping;
    info->cycleStartQuarters = TicksToQuarters(loopStart);
    info->cycleEndQuarters = TicksToQuarters(loopEnd);
  }
}

void IPlugAAX::ResizeEditor(int width, int height)
{
  if (GetGUI() == nullptr || mViewContainer == nullptr)
    return;
  AAX_Point size;
  size.vert = static_cast<float>(height);
  size.horz = static_cast<float>(width);
  mViewContainer->SetViewSize(size);
  EditorResized();
}

void IPlugAAX::ChangeLatency(int latencyFrames)
{
  if (AAX_VController* controller = Controller())
    controller->SetSignalLatency(std::max(latencyFrames, 0));
  IPlugBase::ChangeLatency(latencyFrames);
}
