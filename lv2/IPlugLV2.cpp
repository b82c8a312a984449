#include "lv2/IPlugLV2.h"

#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/time/time.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

namespace
{
using PlugLock = std::lock_guard<std::recursive_mutex>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

const void* FindFeature(const LV2_Feature* const* features, const char* uri)
{
  for (int i = 0; features != nullptr && features[i] != nullptr; ++i)
    if (features[i]->URI != nullptr && std::strcmp(features[i]->URI, uri) == 0)
      return features[i]->data;
  return nullptr;
}

// A numeric atom's value; NaN for any other type.
double NumberOf(const LV2_Atom* atom, LV2_URID floatType, LV2_URID doubleType, LV2_URID intType, LV2_URID longType)
{
  if (atom == nullptr)
    return kNaN;
  if (atom->type == floatType && atom->size >= sizeof(float))
    return reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
  if (atom->type == doubleType && atom->size >= sizeof(double))
    return reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
  if (atom->type == intType && atom->size >= sizeof(int32_t))
    return reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
  if (atom->type == longType && atom->size >= sizeof(int64_t))
    return static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
  return kNaN;
}
} // namespace

IPlugLV2::IPlugLV2(int paramCount, const char* channelIO, int presetCount, const char* effectName,
                   const char* productName, const char* makerName, int vendorVersion, int uniqueID,
                   int manufacturerID, int latencyFrames, bool doesMidi, bool doesStateChunks, bool isInstrument,
                   int /*sideChainChannels*/)
    : IPlugBase(paramCount, channelIO, presetCount, effectName, productName, makerName, vendorVersion, uniqueID,
                manufacturerID, latencyFrames, doesMidi, doesStateChunks, isInstrument, 5)
{
  mPorts.paramCount = static_cast<std::uint32_t>(ParamCount());
  ConnectInputChannels(0, NInChannels(), true);
  ConnectOutputChannels(0, NOutChannels(), true);
  if (NInChannels() > 0)
    CreateBypassDelayLine();
  mParamPorts.assign(static_cast<size_t>(ParamCount()), nullptr);
  mSeenPortValues.assign(static_cast<size_t>(ParamCount()) + 1, std::numeric_limits<float>::quiet_NaN());
  mDeferredValues.assign(static_cast<size_t>(ParamCount()) + 1, kNaN);
  mDeferredOrder.assign(static_cast<size_t>(ParamCount()) + 1, 0);
  mQueuedValues.assign(static_cast<size_t>(ParamCount()), kNaN);
}

IPlugLV2::~IPlugLV2() = default;

bool IPlugLV2::Instantiate(double sampleRate, const LV2_Feature* const* features)
{
  if (!(sampleRate >= kMinSampleRate && sampleRate <= kMaxSampleRate))
    return false;
  // Without urid:map (a host that renders files and offers no features) the atom ports
  // and the state interface are unused: no transport, no notifications, no state.
  const auto* map = static_cast<const LV2_URID_Map*>(FindFeature(features, LV2_URID__map));
  mHasMap = map != nullptr && map->map != nullptr;
  if (mHasMap)
    InitUris(map);

  int maxBlock = 0;
  int nominalBlock = 0;
  if (const auto* options = static_cast<const LV2_Options_Option*>(FindFeature(features, LV2_OPTIONS__options));
      mHasMap && options != nullptr)
    for (; options->key != 0 || options->value != nullptr; ++options)
    {
      if (options->value == nullptr || options->type != mUris.atomInt || options->size < sizeof(int32_t))
        continue;
      const int32_t value = *static_cast<const int32_t*>(options->value);
      if (options->key == mUris.maxBlockLength)
        maxBlock = value;
      else if (options->key == mUris.nominalBlockLength)
        nominalBlock = value;
    }
  const int block = maxBlock > 0 ? maxBlock : nominalBlock > 0 ? nominalBlock : kDefaultBlockFrames;

  SetHost(kTraits.fixedHostName, 0);
  PlugLock lock(Mutex());
  SetSampleRate(sampleRate);
  SetBlockFrames(std::min(block, kMaxBlockFrames));
  ResetProcessing();
  HostIdentified();
  if (kTraits.loadsFirstPreset)
    LoadPreset(0);
  return true;
}

void IPlugLV2::InitUris(const LV2_URID_Map* map)
{
  const auto id = [map](const char* uri) { return map->map(map->handle, uri); };
  mUris = Uris{id(LV2_ATOM__Blank),         id(LV2_ATOM__Object),       id(LV2_ATOM__Float),
               id(LV2_ATOM__Double),        id(LV2_ATOM__Int),          id(LV2_ATOM__Long),
               id(LV2_ATOM__String),        id(LV2_ATOM__Sequence),     id(LV2_ATOM__eventTransfer),
               id(LV2_TIME__Position),      id(LV2_TIME__speed),        id(LV2_TIME__frame),
               id(LV2_TIME__beatsPerMinute), id(LV2_TIME__bar),         id(LV2_TIME__barBeat),
               id(LV2_TIME__beatsPerBar),   id(LV2_TIME__beatUnit),     id(LV2_BUF_SIZE__maxBlockLength),
               id(LV2_BUF_SIZE__nominalBlockLength), id(QUENMARK_LV2_STATE_URI), id(QUENMARK_LV2_PARAM_CHANGE_URI),
               id(QUENMARK_LV2_PARAM_INDEX_URI), id(QUENMARK_LV2_PARAM_VALUE_URI)};
  lv2_atom_forge_init(&mForge, const_cast<LV2_URID_Map*>(map));
}

void IPlugLV2::ConnectPort(std::uint32_t port, void* data)
{
  for (std::uint32_t c = 0; c < Lv2Ports::kAudioChannels; ++c)
  {
    if (port == Lv2Ports::AudioIn(c))
      mInputs[c] = static_cast<const float*>(data);
    else if (port == Lv2Ports::AudioOut(c))
      mOutputs[c] = static_cast<float*>(data);
  }
  if (port == Lv2Ports::Control())
    mControl = static_cast<const LV2_Atom_Sequence*>(data);
  else if (port == Lv2Ports::Notify())
    mNotify = static_cast<LV2_Atom_Sequence*>(data);
  else if (port >= Lv2Ports::FirstParam() && port < mPorts.Enabled())
    mParamPorts[port - Lv2Ports::FirstParam()] = static_cast<const float*>(data);
  else if (port == mPorts.Enabled())
    mEnabledPort = static_cast<const float*>(data);
  else if (port >= mPorts.Readout(0) && port < mPorts.Count())
    mReadoutPorts[port - mPorts.Readout(0)] = static_cast<float*>(data);
}

void IPlugLV2::Activate()
{
  {
    PlugLock lock(Mutex());
    ResetProcessing();
  }
  ActivationChanged(true);
}

void IPlugLV2::Deactivate()
{
  ActivationChanged(false);
}

void IPlugLV2::TakeHostValue(int slot, double plain)
{
  if (!BlockWithoutMutex())
  {
    ApplyHostSlot(slot, plain);
    return;
  }
  double& kept = mDeferredValues[static_cast<size_t>(slot)];
  if (std::isnan(kept))
    mDeferredOrder[static_cast<size_t>(mDeferredCount++)] = slot;
  kept = plain;
}

void IPlugLV2::ApplyDeferredHostValues()
{
  for (int k = 0; k < mDeferredCount; ++k)
  {
    const int slot = mDeferredOrder[static_cast<size_t>(k)];
    double& kept = mDeferredValues[static_cast<size_t>(slot)];
    ApplyHostSlot(slot, kept);
    kept = kNaN;
  }
  mDeferredCount = 0;
}

void IPlugLV2::ApplyHostSlot(int slot, double plain)
{
  if (slot == ParamCount())
  {
    SetBypassed(plain < 0.5); // the port is lv2:enabled: 0 bypasses
    return;
  }
  const IPlugParam* param = ParamAt(slot);
  if (param != nullptr)
    ApplyHostValue(slot, param->ToNormalized(plain));
}

void IPlugLV2::ReadControlPorts()
{
  const bool asTheyAre = mTakePortsAsTheyAre.exchange(false, std::memory_order_acquire);
  const int slots = ParamCount() + 1;
  for (int slot = 0; slot < slots; ++slot)
  {
    const float* port = slot < ParamCount() ? mParamPorts[static_cast<size_t>(slot)] : mEnabledPort;
    if (port == nullptr)
      continue;
    const float value = *port;
    float& seen = mSeenPortValues[static_cast<size_t>(slot)];
    if (!std::isfinite(value) || value == seen)
      continue;
    seen = value;
    if (!asTheyAre || slot == ParamCount())
      TakeHostValue(slot, value);
  }
}

void IPlugLV2::ReadPosition(const LV2_Atom_Object* object)
{
  const LV2_Atom *speed = nullptr, *frame = nullptr, *bpm = nullptr, *bar = nullptr, *barBeat = nullptr,
                 *beatsPerBar = nullptr, *beatUnit = nullptr;
  lv2_atom_object_get(object, mUris.timeSpeed, &speed, mUris.timeFrame, &frame, mUris.timeBpm, &bpm, mUris.timeBar,
                      &bar, mUris.timeBarBeat, &barBeat, mUris.timeBeatsPerBar, &beatsPerBar, mUris.timeBeatUnit,
                      &beatUnit, 0);
  const auto number = [this](const LV2_Atom* atom) {
    return NumberOf(atom, mUris.atomFloat, mUris.atomDouble, mUris.atomInt, mUris.atomLong);
  };
  const auto take = [&number](const LV2_Atom* atom, double& field) {
    const double value = number(atom);
    if (std::isfinite(value))
      field = value;
  };
  mPosition.valid = true;
  take(speed, mPosition.speed);
  take(frame, mPosition.frame);
  take(bpm, mPosition.bpm);
  take(bar, mPosition.bar);
  take(barBeat, mPosition.barBeat);
  take(beatsPerBar, mPosition.beatsPerBar);
  const double unit = number(beatUnit);
  if (unit >= 1.0 && unit <= 256.0)
    mPosition.beatUnit = static_cast<int>(unit);
}

void IPlugLV2::Run(std::uint32_t frames)
{
  // The mutex is taken when free; when another thread holds it, the block usually runs
  // without it (see AudioBlockLock), and then touches no parameter.
  const AudioBlockLock blockLock(*this);
  const AudioThreadScope audioThread(*this);
  if (!BlockWithoutMutex())
    ApplyDeferredHostValues();
  ReadControlPorts();
  if (mControl != nullptr && mHasMap)
    LV2_ATOM_SEQUENCE_FOREACH(mControl, event)
    {
      const LV2_Atom* body = &event->body;
      if (body->type != mUris.atomObject && body->type != mUris.atomBlank)
        continue;
      const auto* object = reinterpret_cast<const LV2_Atom_Object*>(body);
      if (object->body.otype == mUris.timePosition)
        ReadPosition(object);
    }

  const int count = static_cast<int>(std::min<std::uint32_t>(frames, std::numeric_limits<int>::max()));
  const bool complete = std::all_of(mInputs.begin(), mInputs.end(), [](const float* p) { return p != nullptr; }) &&
                        std::all_of(mOutputs.begin(), mOutputs.end(), [](float* p) { return p != nullptr; });
  if (complete && count > 0)
  {
    // The framework reads the ports through its own pointer arrays; the host's input
    // buffers are converted into scratch before the outputs are written, so in-place
    // buffers are fine.
    float* inputs[Lv2Ports::kAudioChannels];
    for (std::uint32_t c = 0; c < Lv2Ports::kAudioChannels; ++c)
      inputs[c] = const_cast<float*>(mInputs[c]);
    BindInputBuffers(0, static_cast<int>(Lv2Ports::kAudioChannels), inputs, count);
    BindOutputBuffers(0, static_cast<int>(Lv2Ports::kAudioChannels), mOutputs.data());
    if (IsBypassed())
      CopyInputsToOutputs(count);
    else
      RunProcessing(count); // in chunks of at most the prepared block size
  }
  if (mPosition.valid && mPosition.speed != 0.0)
    mPosition.frame += mPosition.speed * count;

  if (mReadoutSource != nullptr)
  {
    float values[Lv2Ports::kReadoutCount] = {};
    mReadoutSource(*this, values);
    for (std::uint32_t k = 0; k < Lv2Ports::kReadoutCount; ++k)
      if (mReadoutPorts[k] != nullptr)
        *mReadoutPorts[k] = values[k];
  }
  WriteNotifications();
}

void IPlugLV2::WriteNotifications()
{
  if (mNotify == nullptr || !mHasMap)
    return;
  const uint32_t capacity = mNotify->atom.size;
  lv2_atom_forge_set_buffer(&mForge, reinterpret_cast<uint8_t*>(mNotify), capacity);
  LV2_Atom_Forge_Frame sequence;
  if (lv2_atom_forge_sequence_head(&mForge, &sequence, 0) == 0)
    return;
  if (!BlockWithoutMutex() && mAnnounceAll.exchange(false, std::memory_order_acquire))
    for (int i = 0; i < ParamCount(); ++i)
      mQueuedValues[static_cast<size_t>(i)] = ParamAt(i)->Value();
  for (int i = 0; i < ParamCount(); ++i)
  {
    double& value = mQueuedValues[static_cast<size_t>(i)];
    if (std::isnan(value))
      continue;
    LV2_Atom_Forge_Frame object;
    if (lv2_atom_forge_frame_time(&mForge, 0) == 0 ||
        lv2_atom_forge_object(&mForge, &object, 0, mUris.paramChange) == 0)
      break; // the rest waits for the next block
    lv2_atom_forge_key(&mForge, mUris.paramIndex);
    lv2_atom_forge_int(&mForge, i);
    lv2_atom_forge_key(&mForge, mUris.paramValue);
    if (lv2_atom_forge_float(&mForge, static_cast<float>(value)) == 0)
      break;
    lv2_atom_forge_pop(&mForge, &object);
    value = kNaN;
  }
  lv2_atom_forge_pop(&mForge, &sequence);
}

void IPlugLV2::InformHostOfParamChange(int index, double normalized)
{
  const IPlugParam* param = ParamAt(index);
  if (param == nullptr)
    return;
  if (mUiWrite != nullptr)
  {
    mUiWrite(mUiController, mPorts.Param(static_cast<std::uint32_t>(index)), static_cast<float>(param->Value())); // the value the edit set
  }
  else if (OnAudioThread())
  {
    // The plain value of what the plug-in set.
    mQueuedValues[static_cast<size_t>(index)] = param->Value();
    (void)normalized;
  }
  else
  {
    mAnnounceAll.store(true, std::memory_order_release);
  }
}

void IPlugLV2::BeginInformHostOfParamChange(int index)
{
  if (mUiTouch != nullptr && ParamAt(index) != nullptr)
    mUiTouch(mUiController, mPorts.Param(static_cast<std::uint32_t>(index)), true);
}

void IPlugLV2::EndInformHostOfParamChange(int index)
{
  if (mUiTouch != nullptr && ParamAt(index) != nullptr)
    mUiTouch(mUiController, mPorts.Param(static_cast<std::uint32_t>(index)), false);
}

LV2_State_Status IPlugLV2::SaveState(LV2_State_Store_Function store, LV2_State_Handle handle)
{
  if (!mHasMap)
    return LV2_STATE_ERR_NO_FEATURE;
  if (store == nullptr)
    return LV2_STATE_ERR_UNKNOWN;
  try
  {
    ChunkBuffer chunk;
    if (!SerializeState(chunk))
      return LV2_STATE_ERR_UNKNOWN;
    // The chunk is the document's length and its text; the property is the text.
    std::int32_t length = 0;
    const int textStart = chunk.GetInt32(&length, 0);
    if (textStart < 0 || length <= 0 || length > chunk.Size() - textStart)
      return LV2_STATE_ERR_UNKNOWN;
    std::vector<char> text(chunk.Data() + textStart, chunk.Data() + textStart + length);
    text.push_back('\0');
    return store(handle, mUris.state, text.data(), text.size(), mUris.atomString,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
  }
  catch (...)
  {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

LV2_State_Status IPlugLV2::RestoreStateFrom(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
  if (!mHasMap)
    return LV2_STATE_ERR_NO_FEATURE;
  if (retrieve == nullptr)
    return LV2_STATE_ERR_UNKNOWN;
  size_t size = 0;
  uint32_t type = 0;
  uint32_t flags = 0;
  const auto* text = static_cast<const char*>(retrieve(handle, mUris.state, &size, &type, &flags));
  if (text == nullptr)
    return LV2_STATE_ERR_NO_PROPERTY;
  if (type != mUris.atomString)
    return LV2_STATE_ERR_BAD_TYPE;
  while (size > 0 && text[size - 1] == '\0')
    --size;
  if (size == 0 || size > (1u << 20))
    return LV2_STATE_ERR_UNKNOWN;
  try
  {
    ChunkBuffer chunk;
    chunk.PutInt32(static_cast<std::int32_t>(size));
    chunk.PutBytes(text, static_cast<int>(size));
    if (RestoreState(chunk, 0) <= 0)
      return LV2_STATE_ERR_UNKNOWN; // the product applies nothing from what it cannot read
  }
  catch (...)
  {
    return LV2_STATE_ERR_UNKNOWN;
  }
  {
    PlugLock lock(Mutex());
    RefreshParamControls();
  }
  mTakePortsAsTheyAre.store(true, std::memory_order_release);
  mAnnounceAll.store(true, std::memory_order_release);
  return LV2_STATE_SUCCESS;
}

int IPlugLV2::SamplePosition()
{
  if (!mPosition.valid)
    return 0;
  return static_cast<int>(std::clamp(mPosition.frame, 0.0, static_cast<double>(std::numeric_limits<int>::max())));
}

double IPlugLV2::HostTempo()
{
  return mPosition.valid && mPosition.bpm > 0.0 ? mPosition.bpm : 120.0;
}

void IPlugLV2::HostTimeSignature(int* numerator, int* denominator)
{
  if (numerator != nullptr)
    *numerator = mPosition.valid && mPosition.beatsPerBar >= 1.0 ? static_cast<int>(mPosition.beatsPerBar) : 4;
  if (denominator != nullptr)
    *denominator = mPosition.valid ? mPosition.beatUnit : 4;
}

void IPlugLV2::FetchTransportInfo(TransportInfo* info)
{
  if (info == nullptr)
    return;
  *info = TransportInfo{};
  if (!mPosition.valid)
    return;
  info->tempoBpm = HostTempo();
  info->samplePosition = mPosition.frame;
  HostTimeSignature(&info->timeSigNumerator, &info->timeSigDenominator);
  if (mPosition.bar >= 0.0 && mPosition.barBeat >= 0.0)
  {
    const double quartersPerBeat = 4.0 / info->timeSigDenominator;
    info->lastBarStartQuarters = mPosition.bar * info->timeSigNumerator * quartersPerBeat;
    info->ppqPosition = info->lastBarStartQuarters + mPosition.barBeat * quartersPerBeat;
  }
  info->transportRunning = mPosition.speed != 0.0;
}
