// The C side of IPlugCLAP: the entry points of the instance and of each extension.
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
constexpr double kMinSampleRate = 1.0;
constexpr double kMaxSampleRate = 4.0e6;
constexpr clap_id kMainPortId = 0;
constexpr clap_id kStereoConfigId = 2;
constexpr clap_id kMonoConfigId = 1;

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
