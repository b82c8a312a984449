#include "clap/IPlugCLAP.h"

#include "clap/ClapSupport.h"

#include "clap/sdk/ext/audio_ports.h"

#include "WDL/IPlug/IEditorEventSource.h"
#include "WDL/IPlug/IGraphics.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

using namespace clapbinding;

namespace
{
constexpr int kApiCodeClap = 7;
constexpr double kDefaultTempoBpm = 120.0;
constexpr int kDefaultTimeSignature = 4;
} // namespace

// ---- IPlugCLAP ----

IPlugCLAP::IPlugCLAP(int paramCount, const char* channelIO, int presetCount, const char* effectName,
                     const char* productName, const char* makerName, int vendorVersion, int uniqueID,
                     int manufacturerID, int latencyFrames, bool doesMidi, bool doesStateChunks, bool isInstrument,
                     int)
    : IPlugBase(paramCount, channelIO, presetCount, effectName, productName, makerName, vendorVersion, uniqueID,
                manufacturerID, latencyFrames, doesMidi, doesStateChunks, isInstrument, kApiCodeClap),
      mEndOwed(static_cast<size_t>(paramCount))
{
  mMainChannels = std::min(2, std::max(1, NInChannels()));
  ConnectInputChannels(0, NInChannels(), false);
  ConnectOutputChannels(0, NOutChannels(), false);
  ConnectInputChannels(0, mMainChannels, true);
  ConnectOutputChannels(0, mMainChannels, true);
  if (NInChannels() > 0)
    CreateBypassDelayLine();
  LabelInputBus(0, "Input");
  LabelOutputBus(0, "Output");
  mDeferred.reserve(2 * static_cast<size_t>(ParamCount() + 1));
  mAudioReported.assign(static_cast<size_t>(ParamCount()), kNoValue);
  mGestureOpen.assign(static_cast<size_t>(ParamCount()), 0);
  mGestureQueued.assign(static_cast<size_t>(ParamCount()), 0);
}

IPlugCLAP::~IPlugCLAP() = default;

IPlugCLAP* IPlugCLAP::From(const clap_plugin_t* plugin)
{
  return plugin != nullptr ? static_cast<IPlugCLAP*>(plugin->plugin_data) : nullptr;
}

clap_id IPlugCLAP::HostParamId(int index) const
{
  return index == ParamCount() ? kBypassParamId : static_cast<clap_id>(index);
}

int IPlugCLAP::SlotOf(clap_id id) const
{
  if (id == kBypassParamId)
    return ParamCount();
  return id < static_cast<clap_id>(ParamCount()) ? static_cast<int>(id) : -1;
}

bool IPlugCLAP::FillParamInfo(int index, clap_param_info_t& info) const
{
  info = clap_param_info_t{};
  info.id = HostParamId(index);
  info.cookie = nullptr;
  if (index == ParamCount())
  {
    info.flags = CLAP_PARAM_IS_BYPASS | CLAP_PARAM_IS_STEPPED | CLAP_PARAM_IS_AUTOMATABLE;
    CopyText(info.name, sizeof info.name, "Bypass");
    info.min_value = 0.0;
    info.max_value = 1.0;
    info.default_value = 0.0;
    return true;
  }
  const IPlugParam& param = *ParamAt(index);
  const clap_param_info_flags automatable = param.CanAutomate() ? CLAP_PARAM_IS_AUTOMATABLE : 0;
  switch (param.Kind())
  {
  case kKindBool:
  case kKindEnum:
    info.flags = automatable | CLAP_PARAM_IS_STEPPED | (param.DisplayTextCount() > 0 ? CLAP_PARAM_IS_ENUM : 0);
    break;
  case kKindDouble:
    info.flags = automatable;
    break;
  default:
    info.flags = CLAP_PARAM_IS_HIDDEN | CLAP_PARAM_IS_READONLY;
    break;
  }
  CopyText(info.name, sizeof info.name, param.NameForHost());
  CopyText(info.module, sizeof info.module, param.GroupForHost());
  info.min_value = param.Min();
  info.max_value = param.Max();
  info.default_value = std::clamp(param.Default(), param.Min(), param.Max());
  return true;
}

double IPlugCLAP::PlainOf(int slot, double normalized) const
{
  const IPlugParam& param = *ParamAt(slot);
  const double n = std::clamp(normalized, 0.0, 1.0);
  const double shape = param.Shape() > 0.0 ? param.Shape() : 1.0;
  double plain = std::pow(n, shape) * (param.Max() - param.Min()) + param.Min();
  if (param.Kind() != kKindDouble && param.Step() > 0.0)
    plain = std::floor(plain / param.Step() + 0.5) * param.Step();
  return std::clamp(plain, param.Min(), param.Max());
}

// ---- Framework operations ----

bool IPlugCLAP::PushEdit(uint16_t type, int index, double plain)
{
  const uint32_t head = mEditHead.load(std::memory_order_relaxed);
  if (head - mEditTail.load(std::memory_order_acquire) >= kEditCapacity)
    return false;
  mEdits[head % kEditCapacity] = EditEvent{type, index, plain};
  mEditHead.store(head + 1, std::memory_order_release);
  return true;
}

void IPlugCLAP::BeginInformHostOfParamChange(int index)
{
  if (index < 0 || index >= ParamCount() || OnAudioThread())
    return;
  {
    const std::lock_guard<std::mutex> lock(mEditMutex);
    const auto i = static_cast<size_t>(index);
    if (mGestureOpen[i])
      return; // no nested gestures for one parameter
    mGestureOpen[i] = 1;
    mGestureQueued[i] = PushEdit(CLAP_EVENT_PARAM_GESTURE_BEGIN, index, 0.0) ? 1 : 0;
  }
  RequestFlush();
}

void IPlugCLAP::InformHostOfParamChange(int index, double normalized)
{
  if (index < 0 || index >= ParamCount() || !std::isfinite(normalized))
    return;
  if (OnAudioThread())
  {
    mAudioReported[static_cast<size_t>(index)] = normalized; // the latest value wins
    return;
  }
  const double plain = PlainOf(index, normalized);
  {
    const std::lock_guard<std::mutex> lock(mEditMutex);
    const auto i = static_cast<size_t>(index);
    if (mGestureOpen[i])
    {
      PushEdit(CLAP_EVENT_PARAM_VALUE, index, plain);
    }
    else if (kEditCapacity - (mEditHead.load() - mEditTail.load()) >= 3)
    {
      // A value outside a gesture gets one of its own, whole or not at all.
      PushEdit(CLAP_EVENT_PARAM_GESTURE_BEGIN, index, 0.0);
      PushEdit(CLAP_EVENT_PARAM_VALUE, index, plain);
      PushEdit(CLAP_EVENT_PARAM_GESTURE_END, index, 0.0);
    }
    else
    {
      PushEdit(CLAP_EVENT_PARAM_VALUE, index, plain);
    }
  }
  RequestFlush();
}

void IPlugCLAP::EndInformHostOfParamChange(int index)
{
  if (index < 0 || index >= ParamCount() || OnAudioThread())
    return;
  {
    const std::lock_guard<std::mutex> lock(mEditMutex);
    const auto i = static_cast<size_t>(index);
    if (!mGestureOpen[i])
      return;
    mGestureOpen[i] = 0;
    if (mGestureQueued[i] && !PushEdit(CLAP_EVENT_PARAM_GESTURE_END, index, 0.0))
      mEndOwed[i].store(true, std::memory_order_release);
  }
  RequestFlush();
}

void IPlugCLAP::RequestFlush()
{
  // Not from the audio thread, where the host is in process or flush already.
  if (mInitialized && mHostParams != nullptr && !OnAudioThread())
    mHostParams->request_flush(mHost);
}

void IPlugCLAP::OnStateDirty()
{
  if (!mInitialized || mHostState == nullptr)
    return;
  const bool main = mHostThreadCheck != nullptr ? mHostThreadCheck->is_main_thread(mHost) : !OnAudioThread();
  if (main)
  {
    mHostState->mark_dirty(mHost);
    return;
  }
  mDirtyOwed.store(true);
  mHost->request_callback(mHost);
}

int IPlugCLAP::SamplePosition()
{
  if (!mHasTransport || (mTransport.flags & CLAP_TRANSPORT_HAS_SECONDS_TIMELINE) == 0)
    return 0;
  const double seconds = static_cast<double>(mTransport.song_pos_seconds) / static_cast<double>(CLAP_SECTIME_FACTOR);
  const double frames = seconds * SampleRate() + mSpanStart;
  return static_cast<int>(std::clamp(frames, static_cast<double>(std::numeric_limits<int>::min()),
                                     static_cast<double>(std::numeric_limits<int>::max())));
}

double IPlugCLAP::HostTempo()
{
  const bool valid = mHasTransport && (mTransport.flags & CLAP_TRANSPORT_HAS_TEMPO) != 0 && mTransport.tempo > 0.0;
  return valid ? mTransport.tempo : kDefaultTempoBpm;
}

void IPlugCLAP::HostTimeSignature(int* numerator, int* denominator)
{
  const bool valid = mHasTransport && (mTransport.flags & CLAP_TRANSPORT_HAS_TIME_SIGNATURE) != 0 &&
                     mTransport.tsig_num > 0 && mTransport.tsig_denom > 0;
  if (numerator != nullptr)
    *numerator = valid ? mTransport.tsig_num : kDefaultTimeSignature;
  if (denominator != nullptr)
    *denominator = valid ? mTransport.tsig_denom : kDefaultTimeSignature;
}

void IPlugCLAP::FetchTransportInfo(TransportInfo* info)
{
  if (info == nullptr)
    return;
  *info = TransportInfo{};
  if (!mHasTransport)
    return;
  const auto has = [this](uint32_t flag) { return (mTransport.flags & flag) != 0; };
  const auto beats = [](clap_beattime t) { return static_cast<double>(t) / static_cast<double>(CLAP_BEATTIME_FACTOR); };
  info->tempoBpm = HostTempo();
  info->samplePosition = SamplePosition();
  if (has(CLAP_TRANSPORT_HAS_BEATS_TIMELINE))
  {
    info->ppqPosition = beats(mTransport.song_pos_beats);
    info->lastBarStartQuarters = beats(mTransport.bar_start);
    info->cycleStartQuarters = beats(mTransport.loop_start_beats);
    info->cycleEndQuarters = beats(mTransport.loop_end_beats);
  }
  HostTimeSignature(&info->timeSigNumerator, &info->timeSigDenominator);
  info->transportRunning = has(CLAP_TRANSPORT_IS_PLAYING);
  info->loopEnabled = has(CLAP_TRANSPORT_IS_LOOP_ACTIVE);
}

void IPlugCLAP::ResizeEditor(int width, int height)
{
  if (mHostGui != nullptr && mGuiCreated && width > 0 && height > 0)
    mHostGui->request_resize(mHost, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
}

// ---- Host ----

bool IPlugCLAP::OnMainThread(const char* call) const
{
  if (mHostThreadCheck == nullptr || mHostThreadCheck->is_main_thread(mHost))
    return true;
  char message[160];
  std::snprintf(message, sizeof message, "%s called off the main thread", call);
  Log(CLAP_LOG_HOST_MISBEHAVING, message);
  return true; // the host's check may be wrong where its call is not: the call goes on
}

bool IPlugCLAP::OnAudioThreadOfHost(const char* call) const
{
  if (mHostThreadCheck == nullptr || mHostThreadCheck->is_audio_thread(mHost))
    return true;
  // No formatting on the audio thread: the name is logged as it is.
  (void)call;
  Log(CLAP_LOG_HOST_MISBEHAVING, "an audio-thread call came off the audio thread");
  return true;
}

void IPlugCLAP::Log(clap_log_severity severity, const char* message) const
{
  if (mHostLog != nullptr)
    mHostLog->log(mHost, severity, message);
}

// ---- Editor ----

bool IPlugCLAP::GuiSupports(const char* api, bool floating) const
{
  const IGraphics* editor = GetGUI();
  if (editor == nullptr || api == nullptr || floating)
    return false;
  switch (editor->WindowSystem())
  {
  case kWindowSystemX11:
    return std::strcmp(api, CLAP_WINDOW_API_X11) == 0;
  case kWindowSystemWin32:
    return std::strcmp(api, CLAP_WINDOW_API_WIN32) == 0;
  default:
    return false;
  }
}

bool IPlugCLAP::GuiSetParent(const clap_window_t& window)
{
  IGraphics* editor = GetGUI();
  if (mGuiHasParent || window.api == nullptr || !GuiSupports(window.api, false))
    return false;
  void* parent = nullptr;
  if (editor->WindowSystem() == kWindowSystemX11)
    parent = reinterpret_cast<void*>(static_cast<uintptr_t>(window.x11));
  else
    parent = window.win32;
  if (parent == nullptr)
    return false;
  auto* source = dynamic_cast<IEditorEventSource*>(editor);
  // An editor served by the host's loop needs at least its timer: without one the window
  // would never draw.
  if (source != nullptr && mHostTimer == nullptr)
    return false;
  if (editor->OpenEditorWindow(parent) == nullptr)
    return false;
  if (source != nullptr)
  {
    clap_id timer = CLAP_INVALID_ID;
    if (!mHostTimer->register_timer(mHost, static_cast<uint32_t>(source->TimerPeriodMs()), &timer))
    {
      editor->CloseEditorWindow();
      return false;
    }
    mTimerId = timer;
    const int fd = source->EventDescriptor();
    if (mHostFd != nullptr && fd >= 0 && mHostFd->register_fd(mHost, fd, CLAP_POSIX_FD_READ))
      mWatchedFd = fd;
  }
  mGuiHasParent = true;
  EditorOpened();
  return true;
}

void IPlugCLAP::GuiClose()
{
  IGraphics* editor = GetGUI();
  if (mGuiHasParent)
  {
    EditorClosed();
    if (mWatchedFd >= 0 && mHostFd != nullptr)
      mHostFd->unregister_fd(mHost, mWatchedFd);
    if (mTimerId != CLAP_INVALID_ID && mHostTimer != nullptr)
      mHostTimer->unregister_timer(mHost, mTimerId);
    if (editor != nullptr)
      editor->CloseEditorWindow();
  }
  mWatchedFd = -1;
  mTimerId = CLAP_INVALID_ID;
  mGuiHasParent = false;
  mGuiCreated = false;
}
