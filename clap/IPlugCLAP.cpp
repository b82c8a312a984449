#include "clap/IPlugCLAP.h"

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

namespace
{
using PlugLock = std::lock_guard<std::recursive_mutex>;

constexpr int kApiCodeClap = 7;
constexpr double kDefaultTempoBpm = 120.0;
constexpr int kDefaultTimeSignature = 4;
constexpr double kMinSampleRate = 1.0;
constexpr double kMaxSampleRate = 4.0e6;
constexpr clap_id kMainPortId = 0;
constexpr clap_id kStereoConfigId = 2;
constexpr clap_id kMonoConfigId = 1;
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

void CopyText(char* out, std::size_t capacity, const char* text)
{
  if (capacity == 0)
    return;
  std::snprintf(out, capacity, "%s", text != nullptr ? text : "");
}

// Case-insensitive equality of ASCII texts.
bool SameText(const char* a, const char* b)
{
  for (; *a != '\0' && *b != '\0'; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}
} // namespace

// The C entry points of the instance and its extensions: each finds its object, checks
// the thread it is tagged with and the state it needs, and calls the binding. Nothing a
// call throws reaches the host.
struct ClapCalls
{
  static IPlugCLAP* Self(const clap_plugin_t* plugin) { return IPlugCLAP::From(plugin); }

  // ---- clap_plugin_t ----
  static bool Init(const clap_plugin_t* plugin)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || self->mInitialized)
      return false;
    try
    {
      const clap_host_t* host = self->mHost;
      const auto query = [host](const char* id) { return host->get_extension(host, id); };
      self->mHostLog = static_cast<const clap_host_log_t*>(query(CLAP_EXT_LOG));
      if (self->mHostLog != nullptr && self->mHostLog->log == nullptr)
        self->mHostLog = nullptr;
      self->mHostThreadCheck = static_cast<const clap_host_thread_check_t*>(query(CLAP_EXT_THREAD_CHECK));
      if (self->mHostThreadCheck != nullptr &&
          (self->mHostThreadCheck->is_main_thread == nullptr || self->mHostThreadCheck->is_audio_thread == nullptr))
        self->mHostThreadCheck = nullptr;
      self->OnMainThread("init");
      // A host extension with a missing function is not used at all.
      self->mHostParams = static_cast<const clap_host_params_t*>(query(CLAP_EXT_PARAMS));
      if (self->mHostParams != nullptr && (self->mHostParams->rescan == nullptr ||
                                           self->mHostParams->clear == nullptr ||
                                           self->mHostParams->request_flush == nullptr))
        self->mHostParams = nullptr;
      self->mHostState = static_cast<const clap_host_state_t*>(query(CLAP_EXT_STATE));
      if (self->mHostState != nullptr && self->mHostState->mark_dirty == nullptr)
        self->mHostState = nullptr;
      self->mHostGui = static_cast<const clap_host_gui_t*>(query(CLAP_EXT_GUI));
      if (self->mHostGui != nullptr && (self->mHostGui->resize_hints_changed == nullptr ||
                                        self->mHostGui->request_resize == nullptr ||
                                        self->mHostGui->request_show == nullptr ||
                                        self->mHostGui->request_hide == nullptr || self->mHostGui->closed == nullptr))
        self->mHostGui = nullptr;
      self->mHostTimer = static_cast<const clap_host_timer_support_t*>(query(CLAP_EXT_TIMER_SUPPORT));
      if (self->mHostTimer != nullptr &&
          (self->mHostTimer->register_timer == nullptr || self->mHostTimer->unregister_timer == nullptr))
        self->mHostTimer = nullptr;
      self->mHostFd = static_cast<const clap_host_posix_fd_support_t*>(query(CLAP_EXT_POSIX_FD_SUPPORT));
      if (self->mHostFd != nullptr && (self->mHostFd->register_fd == nullptr || self->mHostFd->modify_fd == nullptr ||
                                       self->mHostFd->unregister_fd == nullptr))
        self->mHostFd = nullptr;

      self->SetHost(host->name != nullptr ? host->name : "", 0);
      self->mInitialized = true;
      self->HostIdentified();
      if (IPlugCLAP::kTraits.loadsFirstPreset)
        self->LoadPreset(0);
      return true;
    }
    catch (...)
    {
      return false;
    }
  }

  static void Destroy(const clap_plugin_t* plugin)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr)
      return;
    self->OnMainThread("destroy");
    // A host that forgot to close the editor or to deactivate is cleaned up after.
    if (self->mGuiCreated)
      self->GuiClose();
    if (self->mActive)
    {
      self->mActive = false;
      self->ActivationChanged(false);
    }
    delete self;
  }

  static bool Activate(const clap_plugin_t* plugin, double sampleRate, uint32_t minFrames, uint32_t maxFrames)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || !self->mInitialized || self->mActive)
      return false;
    self->OnMainThread("activate");
    if (!(sampleRate >= kMinSampleRate && sampleRate <= kMaxSampleRate) || minFrames < 1 || minFrames > maxFrames ||
        maxFrames > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()))
      return false;
    try
    {
      {
        PlugLock lock(self->Mutex());
        self->SetSampleRate(sampleRate);
        self->SetBlockFrames(static_cast<int>(std::min<uint32_t>(maxFrames, IPlugBase::kMaxBlockFrames)));
        self->ResetProcessing();
      }
      self->ActivationChanged(true);
      self->mActive = true;
      return true;
    }
    catch (...)
    {
      return false;
    }
  }

  static void Deactivate(const clap_plugin_t* plugin)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || !self->mActive)
      return;
    self->OnMainThread("deactivate");
    self->mActive = false;
    self->mProcessing = false;
    self->ActivationChanged(false);
  }

  static bool StartProcessing(const clap_plugin_t* plugin)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || !self->mActive || self->mProcessing)
      return false;
    self->OnAudioThreadOfHost("start_processing");
    self->mProcessing = true;
    return true;
  }

  static void StopProcessing(const clap_plugin_t* plugin)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || !self->mProcessing)
      return;
    self->OnAudioThreadOfHost("stop_processing");
    self->mProcessing = false;
  }

  static void Reset(const clap_plugin_t* plugin)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || !self->mActive)
      return;
    self->OnAudioThreadOfHost("reset");
    // The engine's measurement restarts; parameters stay. Only under the mutex: a reset
    // that finds it busy is left for the host's next one (the engine belongs to a block).
    std::unique_lock<std::recursive_mutex> lock(self->Mutex(), std::try_to_lock);
    if (lock.owns_lock())
    {
      self->ClearScratchBuffers();
      self->ResetProcessing();
    }
  }

  static clap_process_status Process(const clap_plugin_t* plugin, const clap_process_t* process)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || process == nullptr || !self->mActive)
      return CLAP_PROCESS_ERROR;
    return self->Process(*process);
  }

  static const void* GetExtension(const clap_plugin_t* plugin, const char* id);

  static void OnMainThreadCallback(const clap_plugin_t* plugin)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr)
      return;
    self->OnMainThread("on_main_thread");
    if (self->mDirtyOwed.exchange(false) && self->mHostState != nullptr)
      self->mHostState->mark_dirty(self->mHost);
  }

  // ---- audio ports ----
  static uint32_t PortCount(const clap_plugin_t* plugin, bool)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr)
      return 0;
    self->OnMainThread("audio_ports.count");
    return 1;
  }

  static bool PortGet(const clap_plugin_t* plugin, uint32_t index, bool isInput, clap_audio_port_info_t* info)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || info == nullptr || index != 0)
      return false;
    self->OnMainThread("audio_ports.get");
    *info = clap_audio_port_info_t{};
    info->id = kMainPortId;
    CopyText(info->name, sizeof info->name, isInput ? self->InputBusLabel(0) : self->OutputBusLabel(0));
    info->flags = CLAP_AUDIO_PORT_IS_MAIN | CLAP_AUDIO_PORT_SUPPORTS_64BITS;
    info->channel_count = static_cast<uint32_t>(self->mMainChannels);
    info->port_type = self->mMainChannels == 2 ? CLAP_PORT_STEREO : CLAP_PORT_MONO;
    // The framework reads every input sample of a block before it writes its outputs.
    info->in_place_pair = kMainPortId;
    return true;
  }

  // ---- audio ports config: "Stereo" and "Mono" ----
  static uint32_t ConfigCount(const clap_plugin_t* plugin)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr)
      return 0;
    self->OnMainThread("audio_ports_config.count");
    return 2;
  }

  static bool ConfigGet(const clap_plugin_t* plugin, uint32_t index, clap_audio_ports_config_t* config)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || config == nullptr || index > 1)
      return false;
    self->OnMainThread("audio_ports_config.get");
    const bool stereo = index == 0;
    *config = clap_audio_ports_config_t{};
    config->id = stereo ? kStereoConfigId : kMonoConfigId;
    CopyText(config->name, sizeof config->name, stereo ? "Stereo" : "Mono");
    config->input_port_count = config->output_port_count = 1;
    config->has_main_input = config->has_main_output = true;
    config->main_input_channel_count = config->main_output_channel_count = stereo ? 2 : 1;
    config->main_input_port_type = config->main_output_port_type = stereo ? CLAP_PORT_STEREO : CLAP_PORT_MONO;
    return true;
  }

  static bool SelectChannels(IPlugCLAP& self, int channels)
  {
    if (self.mActive || !self.LegalIO(channels, channels))
      return false;
    PlugLock lock(self.Mutex());
    self.mMainChannels = channels;
    self.ConnectInputChannels(0, self.NInChannels(), false);
    self.ConnectOutputChannels(0, self.NOutChannels(), false);
    self.ConnectInputChannels(0, channels, true);
    self.ConnectOutputChannels(0, channels, true);
    return true;
  }

  static bool ConfigSelect(const clap_plugin_t* plugin, clap_id id)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || (id != kStereoConfigId && id != kMonoConfigId))
      return false;
    self->OnMainThread("audio_ports_config.select");
    return SelectChannels(*self, id == kStereoConfigId ? 2 : 1);
  }

  // The channel count one mono or stereo request list asks for on both main ports, or 0
  // for anything else.
  static int RequestedChannels(const clap_audio_port_configuration_request_t* requests, uint32_t count)
  {
    if (requests == nullptr || count == 0 || count > 2)
      return 0;
    int channels = 0;
    bool seen[2] = {false, false};
    for (uint32_t r = 0; r < count; ++r)
    {
      const clap_audio_port_configuration_request_t& request = requests[r];
      if (request.port_index != 0 || (request.channel_count != 1 && request.channel_count != 2))
        return 0;
      if (channels != 0 && static_cast<int>(request.channel_count) != channels)
        return 0; // the deliverable's outputs follow its inputs
      bool& side = seen[request.is_input ? 0 : 1];
      if (side)
        return 0;
      side = true;
      channels = static_cast<int>(request.channel_count);
    }
    return channels;
  }

  static bool CanApplyConfiguration(const clap_plugin_t* plugin,
                                    const clap_audio_port_configuration_request_t* requests, uint32_t count)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr)
      return false;
    self->OnMainThread("configurable_audio_ports.can_apply_configuration");
    const int channels = RequestedChannels(requests, count);
    return channels != 0 && !self->mActive && self->LegalIO(channels, channels);
  }

  static bool ApplyConfiguration(const clap_plugin_t* plugin, const clap_audio_port_configuration_request_t* requests,
                                 uint32_t count)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr)
      return false;
    self->OnMainThread("configurable_audio_ports.apply_configuration");
    const int channels = RequestedChannels(requests, count);
    return channels != 0 && SelectChannels(*self, channels);
  }

  // ---- params ----
  static uint32_t ParamCount(const clap_plugin_t* plugin)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr)
      return 0;
    self->OnMainThread("params.count");
    return static_cast<uint32_t>(self->HostParamCount());
  }

  static bool ParamGetInfo(const clap_plugin_t* plugin, uint32_t index, clap_param_info_t* info)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || info == nullptr || index >= static_cast<uint32_t>(self->HostParamCount()))
      return false;
    self->OnMainThread("params.get_info");
    PlugLock lock(self->Mutex());
    return self->FillParamInfo(static_cast<int>(index), *info);
  }

  static bool ParamGetValue(const clap_plugin_t* plugin, clap_id id, double* value)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || value == nullptr)
      return false;
    self->OnMainThread("params.get_value");
    const int slot = self->SlotOf(id);
    if (slot < 0)
      return false;
    if (slot == self->ParamCount())
    {
      *value = self->IsBypassed() ? 1.0 : 0.0;
      return true;
    }
    PlugLock lock(self->Mutex());
    *value = self->ParamAt(slot)->Value();
    return true;
  }

  static bool ValueToText(const clap_plugin_t* plugin, clap_id id, double value, char* out, uint32_t capacity)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || out == nullptr || capacity < 2 || !std::isfinite(value))
      return false;
    self->OnMainThread("params.value_to_text");
    const int slot = self->SlotOf(id);
    if (slot < 0)
      return false;
    if (slot == self->ParamCount())
    {
      CopyText(out, capacity, value >= 0.5 ? "on" : "off");
      return true;
    }
    PlugLock lock(self->Mutex());
    const IPlugParam& param = *self->ParamAt(slot);
    // The VST3 text, then the unit the VST3 host shows beside it (CLAP has no unit field).
    char text[128];
    param.FormatForHost(value, false, text, sizeof text, true);
    const bool hasDisplayText = param.DisplayTextCount() > 0 && param.DisplayTextFor(value)[0] != '\0';
    const char* unit = hasDisplayText ? "" : param.Label();
    if (unit != nullptr && unit[0] != '\0')
      std::snprintf(out, capacity, "%s %s", text, unit);
    else
      CopyText(out, capacity, text);
    return true;
  }

  static bool TextToValue(const clap_plugin_t* plugin, clap_id id, const char* text, double* value)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || text == nullptr || value == nullptr)
      return false;
    self->OnMainThread("params.text_to_value");
    const int slot = self->SlotOf(id);
    if (slot < 0)
      return false;
    while (std::isspace(static_cast<unsigned char>(*text)))
      ++text;
    if (slot == self->ParamCount())
    {
      if (SameText(text, "on") || SameText(text, "1"))
        *value = 1.0;
      else if (SameText(text, "off") || SameText(text, "0"))
        *value = 0.0;
      else
        return false;
      return true;
    }
    PlugLock lock(self->Mutex());
    const IPlugParam& param = *self->ParamAt(slot);
    // A list entry's text, then a number (a unit after it is allowed).
    for (int k = 0; k < param.DisplayTextCount(); ++k)
    {
      int entryValue = 0;
      const char* entry = param.DisplayTextAt(k, &entryValue);
      if (entry != nullptr && SameText(text, entry))
      {
        *value = static_cast<double>(entryValue);
        return true;
      }
    }
    char* end = nullptr;
    const double number = std::strtod(text, &end);
    if (end == text || !std::isfinite(number))
      return false;
    while (std::isspace(static_cast<unsigned char>(*end)))
      ++end;
    const char* unit = param.Label();
    if (*end != '\0' && !(unit != nullptr && SameText(end, unit)))
      return false;
    *value = std::clamp(param.Kind() == kKindDouble ? number : std::round(number), param.Min(), param.Max());
    return true;
  }

  static void ParamFlush(const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t* out)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr)
      return;
    if (self->mActive)
      self->OnAudioThreadOfHost("params.flush");
    else
      self->OnMainThread("params.flush");
    self->Flush(in, out);
  }

  // ---- state ----
  static bool StateSave(const clap_plugin_t* plugin, const clap_ostream_t* stream)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || stream == nullptr || stream->write == nullptr)
      return false;
    self->OnMainThread("state.save");
    try
    {
      // The product copies its values under the plug-in mutex; the stream is written
      // without it, so the audio thread never waits for the host's writes.
      ChunkBuffer chunk;
      if (!self->SerializeState(chunk))
        return false;
      {
        PlugLock lock(self->Mutex());
        chunk.PutInt32(self->IsBypassed() ? 1 : 0);
      }
      const uint8_t* data = chunk.Data();
      uint64_t left = static_cast<uint64_t>(chunk.Size());
      while (left > 0)
      {
        const int64_t written = stream->write(stream, data, left);
        if (written <= 0 || static_cast<uint64_t>(written) > left)
          return false; // an error, or a stream that takes nothing more
        data += written;
        left -= static_cast<uint64_t>(written);
      }
      return true;
    }
    catch (...)
    {
      return false;
    }
  }

  static bool StateLoad(const clap_plugin_t* plugin, const clap_istream_t* stream)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || stream == nullptr || stream->read == nullptr)
      return false;
    self->OnMainThread("state.load");
    try
    {
      // Everything up to the end of the stream; an error or an oversized stream loads
      // nothing.
      ChunkBuffer bytes;
      for (;;)
      {
        uint8_t piece[4096];
        const int64_t read = stream->read(stream, piece, sizeof piece);
        if (read == 0)
          break;
        if (read < 0 || read > static_cast<int64_t>(sizeof piece))
          return false;
        if (bytes.Size() + read > IPlugCLAP::kMaxStateBytes)
          return false;
        bytes.PutBytes(piece, static_cast<int>(read));
      }
      // The product parses the document first and applies nothing from what it cannot
      // read; the bypass word is required too, so a cut state changes nothing.
      std::int32_t bypassWord = 0;
      int productEnd = -1;
      {
        ChunkBuffer probe;
        (void)probe;
      }
      if (bytes.Size() < 4)
        return false;
      // The bypass word is the last four bytes; the product's document is before it.
      if (bytes.GetInt32(&bypassWord, bytes.Size() - 4) < 0)
        return false;
      ChunkBuffer document;
      document.PutBytes(bytes.Data(), bytes.Size() - 4);
      productEnd = self->RestoreState(document, 0);
      if (productEnd != document.Size())
      {
        // A document the product read only in part was applied: the values are the
        // product's own again; still a failure for the host.
        if (productEnd <= 0)
          return false;
      }
      {
        PlugLock lock(self->Mutex());
        self->SetBypassed(bypassWord != 0);
        self->RefreshParamControls();
      }
      if (self->mHostParams != nullptr)
        self->mHostParams->rescan(self->mHost, CLAP_PARAM_RESCAN_VALUES);
      return productEnd == document.Size();
    }
    catch (...)
    {
      return false;
    }
  }

  // ---- latency, tail, render ----
  static uint32_t LatencyGet(const clap_plugin_t* plugin)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr)
      return 0;
    self->OnMainThread("latency.get");
    return static_cast<uint32_t>(std::max(0, self->Latency()));
  }

  static uint32_t TailGet(const clap_plugin_t* plugin)
  {
    IPlugCLAP* self = Self(plugin);
    return self == nullptr ? 0 : static_cast<uint32_t>(std::max(0, self->TailLength()));
  }

  static bool RenderHardRealtime(const clap_plugin_t*) { return false; }

  static bool RenderSet(const clap_plugin_t* plugin, clap_plugin_render_mode mode)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || (mode != CLAP_RENDER_REALTIME && mode != CLAP_RENDER_OFFLINE))
      return false;
    self->OnMainThread("render.set");
    // Offline renders process exactly as real time does; the flag is only reported.
    self->mOffline.store(mode == CLAP_RENDER_OFFLINE, std::memory_order_relaxed);
    return true;
  }

  // ---- gui ----
  static bool GuiIsApiSupported(const clap_plugin_t* plugin, const char* api, bool floating)
  {
    IPlugCLAP* self = Self(plugin);
    return self != nullptr && self->OnMainThread("gui.is_api_supported") && self->GuiSupports(api, floating);
  }

  static bool GuiGetPreferredApi(const clap_plugin_t* plugin, const char** api, bool* floating)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || api == nullptr || floating == nullptr || self->GetGUI() == nullptr)
      return false;
    self->OnMainThread("gui.get_preferred_api");
    switch (self->GetGUI()->WindowSystem())
    {
    case kWindowSystemX11:
      *api = CLAP_WINDOW_API_X11;
      break;
    case kWindowSystemWin32:
      *api = CLAP_WINDOW_API_WIN32;
      break;
    default:
      return false;
    }
    *floating = false;
    return true;
  }

  static bool GuiCreate(const clap_plugin_t* plugin, const char* api, bool floating)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || self->mGuiCreated || !self->GuiSupports(api, floating))
      return false;
    self->OnMainThread("gui.create");
    self->mGuiCreated = true;
    self->mGuiHasParent = false;
    return true;
  }

  static void GuiDestroy(const clap_plugin_t* plugin)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || !self->mGuiCreated)
      return;
    self->OnMainThread("gui.destroy");
    self->GuiClose();
  }

  static bool GuiSetScale(const clap_plugin_t*, double) { return false; } // the window layer finds its own scale

  static bool GuiGetSize(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || !self->mGuiCreated || width == nullptr || height == nullptr)
      return false;
    self->OnMainThread("gui.get_size");
    const IGraphics& editor = *self->GetGUI();
    *width = static_cast<uint32_t>(std::lround(editor.DisplayScale() * editor.Width()));
    *height = static_cast<uint32_t>(std::lround(editor.DisplayScale() * editor.Height()));
    return true;
  }

  static bool GuiCanResize(const clap_plugin_t*) { return false; }
  static bool GuiGetResizeHints(const clap_plugin_t*, clap_gui_resize_hints_t*) { return false; }

  // The size is fixed: any proposal becomes the editor's size.
  static bool GuiAdjustSize(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height)
  {
    return GuiGetSize(plugin, width, height);
  }

  static bool GuiSetSize(const clap_plugin_t* plugin, uint32_t width, uint32_t height)
  {
    uint32_t w = 0, h = 0;
    return GuiGetSize(plugin, &w, &h) && w == width && h == height;
  }

  static bool GuiSetParent(const clap_plugin_t* plugin, const clap_window_t* window)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || !self->mGuiCreated || window == nullptr)
      return false;
    self->OnMainThread("gui.set_parent");
    return self->GuiSetParent(*window);
  }

  static bool GuiSetTransient(const clap_plugin_t*, const clap_window_t*) { return false; } // embedded only
  static void GuiSuggestTitle(const clap_plugin_t*, const char*) {}

  // The window is mapped inside the host's while the host shows its own; hiding and
  // showing it again is the host's window's matter.
  static bool GuiShow(const clap_plugin_t* plugin)
  {
    IPlugCLAP* self = Self(plugin);
    return self != nullptr && self->mGuiCreated && self->mGuiHasParent;
  }

  static bool GuiHide(const clap_plugin_t* plugin) { return GuiShow(plugin); }

  static void OnTimer(const clap_plugin_t* plugin, clap_id timer)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || timer != self->mTimerId || timer == CLAP_INVALID_ID)
      return;
    self->OnMainThread("timer_support.on_timer");
    if (auto* source = dynamic_cast<IEditorEventSource*>(self->GetGUI()))
    {
      if (self->mWatchedFd < 0)
        source->ProcessEvents(); // a host without fd support: events are taken on the tick
      source->TimerTick();
    }
  }

  static void OnFd(const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t)
  {
    IPlugCLAP* self = Self(plugin);
    if (self == nullptr || fd < 0 || fd != self->mWatchedFd)
      return;
    self->OnMainThread("posix_fd_support.on_fd");
    if (auto* source = dynamic_cast<IEditorEventSource*>(self->GetGUI()))
      source->ProcessEvents();
  }
};

namespace
{
const clap_plugin_audio_ports_t kAudioPorts{ClapCalls::PortCount, ClapCalls::PortGet};
const clap_plugin_audio_ports_config_t kAudioPortsConfig{ClapCalls::ConfigCount, ClapCalls::ConfigGet,
                                                         ClapCalls::ConfigSelect};
const clap_plugin_configurable_audio_ports_t kConfigurablePorts{ClapCalls::CanApplyConfiguration,
                                                                ClapCalls::ApplyConfiguration};
const clap_plugin_params_t kParams{ClapCalls::ParamCount,  ClapCalls::ParamGetInfo, ClapCalls::ParamGetValue,
                                   ClapCalls::ValueToText, ClapCalls::TextToValue,  ClapCalls::ParamFlush};
const clap_plugin_state_t kState{ClapCalls::StateSave, ClapCalls::StateLoad};
const clap_plugin_latency_t kLatency{ClapCalls::LatencyGet};
const clap_plugin_tail_t kTail{ClapCalls::TailGet};
const clap_plugin_render_t kRender{ClapCalls::RenderHardRealtime, ClapCalls::RenderSet};
const clap_plugin_gui_t kGui{ClapCalls::GuiIsApiSupported,
                             ClapCalls::GuiGetPreferredApi,
                             ClapCalls::GuiCreate,
                             ClapCalls::GuiDestroy,
                             ClapCalls::GuiSetScale,
                             ClapCalls::GuiGetSize,
                             ClapCalls::GuiCanResize,
                             ClapCalls::GuiGetResizeHints,
                             ClapCalls::GuiAdjustSize,
                             ClapCalls::GuiSetSize,
                             ClapCalls::GuiSetParent,
                             ClapCalls::GuiSetTransient,
                             ClapCalls::GuiSuggestTitle,
                             ClapCalls::GuiShow,
                             ClapCalls::GuiHide};
const clap_plugin_timer_support_t kTimerSupport{ClapCalls::OnTimer};
const clap_plugin_posix_fd_support_t kPosixFdSupport{ClapCalls::OnFd};
} // namespace

const void* ClapCalls::GetExtension(const clap_plugin_t* plugin, const char* id)
{
  IPlugCLAP* self = Self(plugin);
  if (self == nullptr || id == nullptr)
    return nullptr;
  const auto is = [id](const char* name) { return std::strcmp(id, name) == 0; };
  if (is(CLAP_EXT_AUDIO_PORTS))
    return &kAudioPorts;
  if (is(CLAP_EXT_AUDIO_PORTS_CONFIG))
    return &kAudioPortsConfig;
  if (is(CLAP_EXT_CONFIGURABLE_AUDIO_PORTS) || is(CLAP_EXT_CONFIGURABLE_AUDIO_PORTS_COMPAT))
    return &kConfigurablePorts;
  if (is(CLAP_EXT_PARAMS))
    return &kParams;
  if (is(CLAP_EXT_STATE))
    return &kState;
  if (is(CLAP_EXT_LATENCY))
    return &kLatency;
  if (is(CLAP_EXT_TAIL))
    return &kTail;
  if (is(CLAP_EXT_RENDER))
    return &kRender;
  // The editor only where it opens windows of a kind hosts embed.
  const IGraphics* editor = self->GetGUI();
  const bool windowed = editor != nullptr && editor->WindowSystem() != kWindowSystemNone;
  if (windowed && is(CLAP_EXT_GUI))
    return &kGui;
  if (windowed && is(CLAP_EXT_TIMER_SUPPORT))
    return &kTimerSupport;
  if (windowed && is(CLAP_EXT_POSIX_FD_SUPPORT) && editor->WindowSystem() == kWindowSystemX11)
    return &kPosixFdSupport;
  return nullptr;
}

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

const clap_plugin_t* IPlugCLAP::ClapPlugin(const clap_host_t* host, const clap_plugin_descriptor_t* descriptor)
{
  mHost = host;
  mClapPlugin.desc = descriptor;
  mClapPlugin.plugin_data = this;
  mClapPlugin.init = ClapCalls::Init;
  mClapPlugin.destroy = ClapCalls::Destroy;
  mClapPlugin.activate = ClapCalls::Activate;
  mClapPlugin.deactivate = ClapCalls::Deactivate;
  mClapPlugin.start_processing = ClapCalls::StartProcessing;
  mClapPlugin.stop_processing = ClapCalls::StopProcessing;
  mClapPlugin.reset = ClapCalls::Reset;
  mClapPlugin.process = ClapCalls::Process;
  mClapPlugin.get_extension = ClapCalls::GetExtension;
  mClapPlugin.on_main_thread = ClapCalls::OnMainThreadCallback;
  return &mClapPlugin;
}

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
