// IPlugCLAP's audio side: the process call, its events and the host values they carry.
#include "clap/IPlugCLAP.h"

#include "clap/ClapSupport.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

using namespace clapbinding;

// ---- Host values arriving in a block or flush ----

void IPlugCLAP::TakeHostValue(int slot, double plain)
{
  if (!BlockWithoutMutex())
  {
    ApplyHostValueNow(slot, plain);
    return;
  }
  // Kept for the next block that holds the mutex. A full list always holds an earlier
  // value of this slot (it has room for two per slot): that one goes, the order of the
  // others stays.
  if (mDeferred.size() == mDeferred.capacity())
  {
    const auto earlier = std::find_if(mDeferred.begin(), mDeferred.end(),
                                      [slot](const DeferredValue& value) { return value.slot == slot; });
    if (earlier != mDeferred.end())
      mDeferred.erase(earlier);
  }
  if (mDeferred.size() < mDeferred.capacity())
    mDeferred.push_back({slot, plain});
}

void IPlugCLAP::ApplyHostValueNow(int slot, double plain)
{
  if (slot == ParamCount())
    SetBypassed(plain >= 0.5);
  else
    ApplyHostValue(slot, ParamAt(slot)->ToNormalized(plain));
}

void IPlugCLAP::ApplyDeferredHostValues()
{
  for (const DeferredValue& value : mDeferred)
    ApplyHostValueNow(value.slot, value.plain);
  mDeferred.clear();
}

void IPlugCLAP::HandleEvent(const clap_event_header_t& event)
{
  if (event.space_id != CLAP_CORE_EVENT_SPACE_ID)
    return;
  if (event.type == CLAP_EVENT_PARAM_VALUE && event.size >= sizeof(clap_event_param_value_t))
  {
    const auto& value = reinterpret_cast<const clap_event_param_value_t&>(event);
    const int slot = SlotOf(value.param_id);
    if (slot >= 0 && std::isfinite(value.value))
      TakeHostValue(slot, value.value);
  }
  else if (event.type == CLAP_EVENT_TRANSPORT && event.size >= sizeof(clap_event_transport_t))
  {
    mTransport = reinterpret_cast<const clap_event_transport_t&>(event);
    mHasTransport = true;
  }
}

// ---- Audio ----

bool IPlugCLAP::BlockIsValid(const clap_process_t& process) const
{
  if (process.audio_inputs_count != 1 || process.audio_outputs_count != 1 || process.audio_inputs == nullptr ||
      process.audio_outputs == nullptr)
    return false;
  const auto complete = [this](const clap_audio_buffer_t& buffer) {
    if (buffer.channel_count < static_cast<uint32_t>(mMainChannels))
      return false;
    for (int c = 0; c < mMainChannels; ++c)
    {
      const bool present = buffer.data32 != nullptr ? buffer.data32[c] != nullptr
                                                    : buffer.data64 != nullptr && buffer.data64[c] != nullptr;
      if (!present)
        return false;
    }
    return true;
  };
  const clap_audio_buffer_t& in = process.audio_inputs[0];
  const clap_audio_buffer_t& out = process.audio_outputs[0];
  const bool sameSize = (in.data32 != nullptr) == (out.data32 != nullptr);
  return sameSize && complete(in) && complete(out);
}

void IPlugCLAP::RenderSpan(const clap_process_t& process, uint32_t start, uint32_t frames)
{
  if (frames == 0)
    return;
  mSpanStart = start;
  const clap_audio_buffer_t& in = process.audio_inputs[0];
  const clap_audio_buffer_t& out = process.audio_outputs[0];
  const int channels = mMainChannels;
  if (in.data32 != nullptr)
  {
    float* inputs[2] = {};
    float* outputs[2] = {};
    for (int c = 0; c < channels; ++c)
    {
      inputs[c] = in.data32[c] + start;
      outputs[c] = out.data32[c] + start;
    }
    BindInputBuffers(0, channels, inputs, static_cast<int>(frames));
    BindOutputBuffers(0, channels, outputs);
  }
  else
  {
    double* inputs[2] = {};
    double* outputs[2] = {};
    for (int c = 0; c < channels; ++c)
    {
      inputs[c] = in.data64[c] + start;
      outputs[c] = out.data64[c] + start;
    }
    if (!IsBypassed() && RunProcessingOnHostBuffers(inputs, channels, outputs, channels, static_cast<int>(frames)))
      return;
    BindInputBuffers(0, channels, inputs, static_cast<int>(frames));
    BindOutputBuffers(0, channels, outputs);
  }
  if (IsBypassed())
    CopyInputsToOutputs(static_cast<int>(frames));
  else
    RunProcessing(static_cast<int>(frames));
}

clap_process_status IPlugCLAP::Process(const clap_process_t& process)
{
  OnAudioThreadOfHost("process");
  // The mutex is taken when free; when another thread holds it, the block usually runs
  // without it (see AudioBlockLock), and then touches no parameter.
  const AudioBlockLock blockLock(*this);
  if (!mProcessing || !BlockIsValid(process))
    return CLAP_PROCESS_ERROR;
  const AudioThreadScope audioThread(*this);
  mHasTransport = process.transport != nullptr;
  if (mHasTransport)
    mTransport = *process.transport;
  if (!BlockWithoutMutex())
    ApplyDeferredHostValues();

  // The block is split at every event that lands inside it, so values and transport
  // changes take effect at their frame.
  const uint32_t frames = process.frames_count;
  uint32_t position = 0;
  const clap_input_events_t* in = process.in_events;
  const uint32_t count = in != nullptr && in->size != nullptr && in->get != nullptr ? in->size(in) : 0;
  for (uint32_t e = 0; e < count; ++e)
  {
    const clap_event_header_t* event = in->get(in, e);
    if (event == nullptr)
      continue;
    const uint32_t at = std::clamp(event->time, position, frames);
    RenderSpan(process, position, at - position);
    position = at;
    HandleEvent(*event);
  }
  RenderSpan(process, position, frames - position);
  mSpanStart = 0;
  process.audio_outputs[0].constant_mask = 0;
  EmitQueuedEvents(process.out_events);
  return CLAP_PROCESS_CONTINUE;
}

void IPlugCLAP::Flush(const clap_input_events_t* in, const clap_output_events_t* out)
{
  const auto handleAll = [this, in]() {
    const uint32_t count = in != nullptr && in->size != nullptr && in->get != nullptr ? in->size(in) : 0;
    for (uint32_t e = 0; e < count; ++e)
      if (const clap_event_header_t* event = in->get(in, e))
        HandleEvent(*event);
  };
  if (mActive)
  {
    // Active and not processing: on the audio thread, as a block of no frames.
    const AudioBlockLock blockLock(*this);
    const AudioThreadScope audioThread(*this);
    if (!BlockWithoutMutex())
      ApplyDeferredHostValues();
    handleAll();
    EmitQueuedEvents(out);
    return;
  }
  {
    PlugLock lock(Mutex());
    handleAll();
  }
  EmitQueuedEvents(out);
}

void IPlugCLAP::EmitQueuedEvents(const clap_output_events_t* out)
{
  const bool canPush = out != nullptr && out->try_push != nullptr;
  // Editor edits, in the order made. An event the host cannot take is dropped: a later
  // value of the parameter follows it.
  uint32_t tail = mEditTail.load(std::memory_order_relaxed);
  const uint32_t head = mEditHead.load(std::memory_order_acquire);
  for (; tail != head; ++tail)
  {
    const EditEvent& edit = mEdits[tail % kEditCapacity];
    if (!canPush)
      continue;
    if (edit.type == CLAP_EVENT_PARAM_VALUE)
    {
      clap_event_param_value_t value{};
      value.header = {sizeof value, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, CLAP_EVENT_IS_LIVE};
      value.param_id = HostParamId(edit.index);
      value.note_id = -1;
      value.port_index = value.channel = value.key = -1;
      value.value = edit.plain;
      out->try_push(out, &value.header);
    }
    else
    {
      clap_event_param_gesture_t gesture{};
      gesture.header = {sizeof gesture, 0, CLAP_CORE_EVENT_SPACE_ID, edit.type, CLAP_EVENT_IS_LIVE};
      gesture.param_id = HostParamId(edit.index);
      out->try_push(out, &gesture.header);
    }
  }
  mEditTail.store(tail, std::memory_order_release);
  for (int i = 0; i < ParamCount(); ++i)
    if (mEndOwed[static_cast<size_t>(i)].exchange(false, std::memory_order_acq_rel) && canPush)
    {
      clap_event_param_gesture_t gesture{};
      gesture.header = {sizeof gesture, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_GESTURE_END,
                        CLAP_EVENT_IS_LIVE};
      gesture.param_id = HostParamId(i);
      out->try_push(out, &gesture.header);
    }

  // Values the audio thread reported: the latest of each.
  if (!OnAudioThread())
    return;
  for (int i = 0; i < ParamCount(); ++i)
  {
    double& normalized = mAudioReported[static_cast<size_t>(i)];
    if (std::isnan(normalized) || !canPush)
      continue;
    clap_event_param_value_t value{};
    value.header = {sizeof value, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    value.param_id = HostParamId(i);
    value.note_id = -1;
    value.port_index = value.channel = value.key = -1;
    value.value = PlainOf(i, normalized);
    if (out->try_push(out, &value.header))
      normalized = kNoValue;
  }
}
