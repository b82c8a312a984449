#include "WDL/IPlug/IPlugBase.h"

#include "WDL/IPlug/IPlugText.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__linux__)
#include <pthread.h>
#endif

namespace
{
// A host's audio thread runs at real-time priority and waits for the plug-in mutex at
// every block. When a thread of normal priority holds it for a moment and is preempted
// there (by that very audio thread waking on its core, or by any other work), the block
// would wait until the scheduler gets back to it: milliseconds on a loaded machine. With
// priority inheritance the holder runs at the waiter's priority until it lets go. The
// mutex stays recursive. Called while no other thread can reach the mutex.
void InheritWaitersPriority(std::recursive_mutex& mutex)
{
#if defined(__linux__)
  pthread_mutexattr_t attributes;
  if (pthread_mutexattr_init(&attributes) != 0)
    return;
  if (pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE) == 0 &&
      pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT) == 0)
  {
    pthread_mutex_t* handle = mutex.native_handle();
    pthread_mutex_destroy(handle);
    if (pthread_mutex_init(handle, &attributes) != 0)
    {
      // Back to the plain recursive mutex std::recursive_mutex starts with.
      pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_NONE);
      pthread_mutex_init(handle, &attributes);
    }
  }
  pthread_mutexattr_destroy(&attributes);
#else
  (void)mutex;
#endif
}

constexpr double kStateTolerance = 0.00001;
constexpr const char* kUserPresetText = "user preset";

// Reads one "inputs-outputs" token. A number that is not there reads as 0; reading
// stops at the first one missing, as a "%d-%d" scan would.
ChannelConfig ParseChannelToken(const std::string& token, int maxChannels)
{
  ChannelConfig config;
  const char* p = token.c_str();
  char* end = nullptr;
  const long inputs = std::strtol(p, &end, 10);
  if (end == p)
    return config;
  config.inputs = static_cast<int>(std::clamp(inputs, 0L, static_cast<long>(maxChannels)));
  p = end;
  if (*p != '-')
    return config;
  ++p;
  const long outputs = std::strtol(p, &end, 10);
  if (end != p)
    config.outputs = static_cast<int>(std::clamp(outputs, 0L, static_cast<long>(maxChannels)));
  return config;
}

// Rounds to float as a 32-bit host would store the value, saturating instead of
// overflowing.
float ToFloat(double value)
{
  if (value > FLT_MAX)
    return FLT_MAX;
  if (value < -FLT_MAX)
    return -FLT_MAX;
  return static_cast<float>(value);
}
}

IPlugBase::IPlugBase(int paramCount, const char* channelIO, int presetCount, const char* effectName,
                     const char* productName, const char* makerName, int vendorVersion, int uniqueID,
                     int manufacturerID, int latencyFrames, bool doesMidi, bool doesStateChunks,
                     bool isInstrument, int apiCode)
  : mUniqueID(uniqueID),
    mManufacturerID(manufacturerID),
    mVendorVersion(vendorVersion),
    mApiCode(apiCode),
    mDoesStateChunks(doesStateChunks),
    mIsInstrument(isInstrument),
    mDoesMidi(doesMidi),
    mLatencyFrames(std::max(latencyFrames, 0)),
    mParams(static_cast<std::size_t>(std::max(paramCount, 0))),
    mPresets(static_cast<std::size_t>(std::max(presetCount, 0)))
{
  InheritWaitersPriority(mMutex);
  CopyText(mEffectName, effectName);
  CopyText(mProductName, productName);
  CopyText(mMakerName, makerName);
  ParseChannelIO(channelIO);
}

IPlugBase::~IPlugBase()
{
  mEditor.reset();
}

void IPlugBase::ParseChannelIO(const char* channelIO)
{
  int inputChannels = 0;
  int outputChannels = 0;
  const std::string text = channelIO != nullptr ? channelIO : "";
  std::size_t begin = 0;
  while (begin < text.size())
  {
    std::size_t end = text.find(' ', begin);
    if (end == std::string::npos)
      end = text.size();
    if (end > begin) // runs of blanks separate as one
    {
      const ChannelConfig config = ParseChannelToken(text.substr(begin, end - begin), kMaxChannels);
      mChannelConfigs.push_back(config);
      inputChannels = std::max(inputChannels, config.inputs);
      outputChannels = std::max(outputChannels, config.outputs);
    }
    begin = end + 1;
  }

  mInputPointers.assign(static_cast<std::size_t>(inputChannels), nullptr);
  mOutputPointers.assign(static_cast<std::size_t>(outputChannels), nullptr);
  mInputs.resize(static_cast<std::size_t>(inputChannels));
  mOutputs.resize(static_cast<std::size_t>(outputChannels));
  for (int i = 0; i < inputChannels; ++i)
    mInputs[static_cast<std::size_t>(i)].slotIndex = i;
  for (int i = 0; i < outputChannels; ++i)
    mOutputs[static_cast<std::size_t>(i)].slotIndex = i;
}

// ---- Virtual operations ----

void IPlugBase::ResetProcessing()
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
}

void IPlugBase::ParamChanged(int index, int source)
{
  (void)index;
  (void)source;
  std::lock_guard<std::recursive_mutex> lock(mMutex);
}

void IPlugBase::ProcessAudio(double** inputs, double** outputs, int frames)
{
  if (outputs == nullptr || frames <= 0)
    return;
  for (int o = 0; o < NOutChannels(); ++o)
  {
    double* out = outputs[o];
    if (out == nullptr)
      continue;
    const double* in = (inputs != nullptr && o < NInChannels()) ? inputs[o] : nullptr;
    if (in == nullptr)
      std::fill(out, out + frames, 0.0);
    else if (in != out)
      std::memmove(out, in, static_cast<std::size_t>(frames) * sizeof(double));
  }
}

void IPlugBase::ActivationChanged(bool active)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  mProcessor.SetActive(active);
}

void IPlugBase::HandleMidiMessage(const MidiMessage& message)
{
  QueueMidiOut(message);
}

bool IPlugBase::NoteNameFor(int note, char* name, int nameBytes)
{
  (void)note;
  if (name != nullptr && nameBytes > 0)
    name[0] = '\0';
  return false;
}

bool IPlugBase::SerializeState(ChunkBuffer& chunk)
{
  return SerializeParams(chunk);
}

int IPlugBase::RestoreState(const ChunkBuffer& chunk, int start)
{
  return UnserializeParams(chunk, start);
}

bool IPlugBase::StateEquals(const void* data, int sizeBytes, int startValue)
{
  if (data == nullptr || sizeBytes < 0 || startValue < 0)
    return false;
  constexpr long long kValueBytes = static_cast<long long>(sizeof(double));
  const long long firstByte = static_cast<long long>(startValue) * kValueBytes;
  if (firstByte + ParamCount() * kValueBytes > sizeBytes)
    return false;
  const auto* bytes = static_cast<const unsigned char*>(data) + firstByte;
  for (int i = 0; i < ParamCount(); ++i)
  {
    double stored = 0.0;
    std::memcpy(&stored, bytes + i * kValueBytes, sizeof stored);
    const float current = ToFloat(mParams[static_cast<std::size_t>(i)].Value());
    // Written so a NaN in the data compares unequal.
    if (!(std::fabs(current - ToFloat(stored)) < kStateTolerance))
      return false;
  }
  return true;
}

void IPlugBase::ShowHostParameterMenu(int index, int x, int y)
{
  (void)index;
  (void)x;
  (void)y;
}

void IPlugBase::SetParameterFromGUI(int index, double normalized)
{
  IPlugParam* param = ParamAt(index);
  if (param == nullptr || !std::isfinite(normalized))
    return;
  {
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    ApplyValuesFromLocklessBlocks(); // the host's older values first
    param->SetFromNormalized(normalized);
    ParamChanged(index, kSourceEditor);
  }
  // The host is told without the plug-in mutex: a host that takes a lock of its own in
  // its edit calls, or calls back into the plug-in there, cannot deadlock with a block.
  InformHostOfParamChange(index, std::clamp(normalized, 0.0, 1.0));
}

void IPlugBase::AttachEditor(IGraphics* editor)
{
  if (editor == nullptr)
    return;
  // The back buffer is made, and an editor replaced is destroyed, without the mutex; under
  // it the editor only takes the parameters' values and becomes the plug-in's.
  editor->PrepareBackBuffer();
  std::unique_ptr<IGraphics> replaced;
  {
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    for (int i = 0; i < ParamCount(); ++i)
      editor->SetParameterFromPlug(i, mParams[static_cast<std::size_t>(i)].ToNormalized());
    if (editor != mEditor.get())
    {
      replaced = std::move(mEditor);
      mEditor.reset(editor);
    }
  }
}

void IPlugBase::ChangeLatency(int latencyFrames)
{
  mLatencyFrames = std::max(latencyFrames, 0);
  if (mDelayLine)
    mDelayLine->Resize(mLatencyFrames);
}

bool IPlugBase::QueueMidiOutList(const MidiMessage* messages, int count)
{
  (void)messages;
  (void)count;
  return false;
}

void IPlugBase::RefreshParamControls()
{
  if (!mEditor)
    return;
  // The values are read under the mutex (the audio thread writes them); the editor only
  // records them for its next timer tick, which allocates nothing and draws nothing.
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  for (int i = 0; i < ParamCount(); ++i)
    mEditor->SetControlsFromParameter(i, mParams[static_cast<std::size_t>(i)].Value(), false);
}

void IPlugBase::SetBlockFrames(int frames)
{
  frames = std::clamp(frames, 0, kMaxBlockFrames);
  if (frames == mBlockFrames)
    return;
  const std::size_t size = static_cast<std::size_t>(frames);
  for (InputChannelSlot& channel : mInputs)
    channel.scratch.assign(size, 0.0);
  for (OutputChannelSlot& channel : mOutputs)
    channel.scratch.assign(size, 0.0);
  mBlockFrames = frames;
}

// ---- Parameters ----

IPlugParam* IPlugBase::ParamAt(int index)
{
  if (index < 0 || index >= ParamCount())
    return nullptr;
  return &mParams[static_cast<std::size_t>(index)];
}

const IPlugParam* IPlugBase::ParamAt(int index) const
{
  if (index < 0 || index >= ParamCount())
    return nullptr;
  return &mParams[static_cast<std::size_t>(index)];
}

void IPlugBase::AllParamsChanged(int source)
{
  for (int i = 0; i < ParamCount(); ++i)
    ParamChanged(i, source);
}

void IPlugBase::ApplyHostValue(int index, double normalized)
{
  if (index < 0 || index >= ParamCount() || !std::isfinite(normalized))
    return;
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  mParams[static_cast<size_t>(index)].SetFromNormalized(normalized);
  if (IGraphics* editor = GetGUI())
    editor->SetControlsFromParameter(index, normalized, true);
  ParamChanged(index, kSourceHost);
}

// ---- Host ----

void IPlugBase::SetHost(const char* name, int version)
{
  mHostCode = LookUpHostCode(name);
  mHostVersion = version;
}

bool IPlugBase::LegalIO(int inputs, int outputs) const
{
  for (const ChannelConfig& config : mChannelConfigs)
    if ((inputs < 0 || inputs == config.inputs) && (outputs < 0 || outputs == config.outputs))
      return true;
  return false;
}

const ChannelConfig* IPlugBase::ChannelConfigAt(int index) const
{
  if (index < 0 || index >= ChannelConfigCount())
    return nullptr;
  return &mChannelConfigs[static_cast<std::size_t>(index)];
}

// ---- Presets ----

void IPlugBase::CreateDefaultPresets(const char* name, int count)
{
  const char* presetName = (name != nullptr && name[0] != '\0') ? name : "Empty";
  for (int made = 0; made < count; ++made)
  {
    auto free = std::find_if(mPresets.begin(), mPresets.end(),
                             [](const PresetSlot& preset) { return !preset.initialised; });
    if (free == mPresets.end())
      return;
    free->initialised = true;
    CopyText(free->name, presetName);
    free->state.Clear();
    SerializeState(free->state);
    StorePresetValues(*free);
  }
}

bool IPlugBase::LoadPreset(int index)
{
  if (index < 0 || index >= PresetCount())
    return false;
  PresetSlot& preset = mPresets[static_cast<std::size_t>(index)];
  bool loaded = false;
  if (preset.initialised)
  {
    loaded = RestoreState(preset.state, 0) > 0;
  }
  else
  {
    // A preset the user never saved takes the current state, under the next free
    // "user preset N" name.
    const auto named = std::count_if(mPresets.begin(), mPresets.end(), [](const PresetSlot& p) {
      return std::strstr(p.name, kUserPresetText) != nullptr;
    });
    preset.initialised = true;
    std::snprintf(preset.name, sizeof preset.name, "%s %d", kUserPresetText, static_cast<int>(named) + 1);
    preset.state.Clear();
    loaded = SerializeState(preset.state);
    StorePresetValues(preset);
  }
  if (loaded)
  {
    mCurrentPresetIndex = index;
    HostChangedPresets();
    RefreshParamControls();
  }
  return loaded;
}

bool IPlugBase::RecallPresetValues(int index)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  const PresetSlot* preset = PresetAt(index);
  if (preset == nullptr || !preset->initialised || preset->values.size() != mParams.size())
    return false;
  for (std::size_t i = 0; i < mParams.size(); ++i)
    mParams[i].SetValue(preset->values[i]);
  AllParamsChanged(kSourceRecall);
  mCurrentPresetIndex = index;
  HostChangedPresets();
  RefreshParamControls();
  return true;
}

void IPlugBase::StorePresetValues(PresetSlot& preset) const
{
  preset.values.resize(mParams.size());
  for (std::size_t i = 0; i < mParams.size(); ++i)
    preset.values[i] = mParams[i].Value();
}

const char* IPlugBase::PresetNameAt(int index) const
{
  const PresetSlot* preset = PresetAt(index);
  return preset != nullptr ? preset->name : "";
}

const PresetSlot* IPlugBase::PresetAt(int index) const
{
  if (index < 0 || index >= PresetCount())
    return nullptr;
  return &mPresets[static_cast<std::size_t>(index)];
}

// ---- Chunks ----

bool IPlugBase::SerializeParams(ChunkBuffer& chunk)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  chunk.PutInt32(ParamCount());
  for (const IPlugParam& param : mParams)
    chunk.PutFloat64(param.Value());
  return !chunk.IsEmpty();
}

int IPlugBase::UnserializeParams(const ChunkBuffer& chunk, int start)
{
  std::lock_guard<std::recursive_mutex> lock(mMutex);
  std::int32_t count = 0;
  int position = chunk.GetInt32(&count, start);
  if (position >= 0)
  {
    const int values = std::min(static_cast<int>(count), ParamCount());
    for (int i = 0; i < values; ++i)
    {
      IPlugParam& param = mParams[static_cast<std::size_t>(i)];
      double value = 0.0;
      const int next = chunk.GetFloat64(&value, position);
      if (next < 0)
      {
        param.SetValue(0.0);
        position = -1;
        break;
      }
      param.SetValue(value);
      position = next;
    }
  }
  AllParamsChanged(kSourceRecall);
  return position;
}

// ---- Bus labels ----

bool IPlugBase::LabelInputBus(int index, const char* text)
{
  if (index != 0 && index != 1)
    return false;
  if (mInputBusLabels.size() <= static_cast<std::size_t>(index))
    mInputBusLabels.resize(static_cast<std::size_t>(index) + 1);
  mInputBusLabels[static_cast<std::size_t>(index)] = text != nullptr ? text : "";
  return true;
}

bool IPlugBase::LabelOutputBus(int index, const char* text)
{
  if (index < 0 || index >= kMaxChannels)
    return false;
  if (mOutputBusLabels.size() <= static_cast<std::size_t>(index))
    mOutputBusLabels.resize(static_cast<std::size_t>(index) + 1);
  mOutputBusLabels[static_cast<std::size_t>(index)] = text != nullptr ? text : "";
  return true;
}

const char* IPlugBase::InputBusLabel(int index) const
{
  if (index < 0 || static_cast<std::size_t>(index) >= mInputBusLabels.size())
    return "";
  return mInputBusLabels[static_cast<std::size_t>(index)].c_str();
}

const char* IPlugBase::OutputBusLabel(int index) const
{
  if (index < 0 || static_cast<std::size_t>(index) >= mOutputBusLabels.size())
    return "";
  return mOutputBusLabels[static_cast<std::size_t>(index)].c_str();
}

// ---- Plain accessors ----

void IPlugBase::SetSampleRate(double sampleRate)
{
  if (std::isfinite(sampleRate) && sampleRate > 0.0)
    mSampleRate = sampleRate;
}

void IPlugBase::SetTailLength(int tailFrames)
{
  mTailFrames = std::max(tailFrames, 0);
}
