#pragma once

#include "QuenmarkVersion.h"
#include "WDL/IPlug/BindingTraits.h"
#include "WDL/IPlug/IPlugBase.h"

#include "clap/sdk/ext/gui.h"
#include "clap/sdk/ext/host_services.h"
#include "clap/sdk/ext/params.h"
#include "clap/sdk/ext/state.h"
#include "clap/sdk/ext/timing.h"
#include "clap/sdk/plugin.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

struct clap_host_audio_ports;

// The plug-in object of the CLAP deliverable: the framework base seen by the host as one
// clap_plugin_t. It translates the host's calls (lifecycle, process, params, state, gui)
// into framework operations and the framework's notifications into host calls and output
// events; it knows nothing of the product that derives from it.
//
// Parameter IDs: the framework parameter index for parameters 0 .. N-1, and "Bypass"
// (kBypassParamId, flagged as the host's bypass). Values cross the interface as plain
// values: a list parameter's index, a continuous one in its own unit.
// The state is the product's chunk followed by an int32 little-endian bypass word, the
// same bytes the VST3 deliverable stores.
//
// Threads: every call checks the thread it is tagged with against the host's thread
// check, when offered, and logs a host fault (it goes on: a host's check may be wrong
// where its calls are not). process and an active flush hold the block lock of the
// framework (AudioBlockLock, then AudioThreadScope); the main-thread calls take the
// plug-in mutex only to copy values in or out.
//
// Edits made in the editor (main thread) go through a lock-free queue to the next process
// or flush, which hands them to the host as gesture-begin / value / gesture-end events in
// that order; values the product reports from the audio thread go out with the block
// that produced them.
class IPlugCLAP : public IPlugBase
{
public:
  // The product's version; the host's name identifies it; preset 0 is loaded once the
  // host is known; the long tail only for the hosts that need it (none of CLAP's).
  static constexpr BindingTraits kTraits{QUENMARK_VENDOR_VERSION, QUENMARK_VERSION_TEXT, nullptr, false, true};
  static constexpr clap_id kBypassParamId = 0x62706173; // 'bpas', as in the VST3 deliverable
  // A state longer than this is refused: a state is a few hundred bytes.
  static constexpr int kMaxStateBytes = 1 << 20;
  // The editor's repaint timer asked of the host.
  static constexpr uint32_t kEditorTimerMs = 33;

  // The framework's constructor arguments (the API code is 7, CLAP); the side-chain count
  // is ignored: the deliverable has one main input.
  IPlugCLAP(int paramCount, const char* channelIO, int presetCount, const char* effectName, const char* productName,
            const char* makerName, int vendorVersion, int uniqueID, int manufacturerID, int latencyFrames,
            bool doesMidi, bool doesStateChunks, bool isInstrument, int sideChainChannels);
  ~IPlugCLAP() override;

  // [main thread, from the factory's create_plugin] The instance as the host sees it.
  // host stays valid until after destroy; nothing of it is called before init.
  const clap_plugin_t* ClapPlugin(const clap_host_t* host, const clap_plugin_descriptor_t* descriptor);
  // The object behind a clap_plugin_t made by ClapPlugin; null for null.
  static IPlugCLAP* From(const clap_plugin_t* plugin);

  // ---- Framework operations ----
  // [main thread] Queued for the host's next flush or process, then a flush is requested.
  // A value outside a gesture is wrapped in one of its own. [audio thread] A value goes
  // out with the block's output events; gestures are not reported from there.
  void BeginInformHostOfParamChange(int index) override;
  void InformHostOfParamChange(int index, double normalized) override;
  void EndInformHostOfParamChange(int index) override;
  void NotifyHostOfPresetChange() override {}
  // [any thread] True after render set(offline).
  bool OfflineRendering() override { return mOffline.load(std::memory_order_relaxed); }
  // [audio thread, inside ProcessAudio] From the transport of the block (or the last
  // transport event before the frames being processed). Without one: position 0, 120
  // BPM, 4/4, transport stopped.
  int SamplePosition() override;
  double HostTempo() override;
  void HostTimeSignature(int* numerator, int* denominator) override;
  void FetchTransportInfo(TransportInfo* info) override;
  bool TransportRunning() override { return mHasTransport && (mTransport.flags & CLAP_TRANSPORT_IS_PLAYING) != 0; }
  // [main thread] Asks the host through its gui extension; nothing without one.
  void ResizeEditor(int width, int height) override;
  bool QueueMidiOut(const MidiMessage&) override { return false; }
  // [any thread] The host's mark_dirty, from the main thread (requested from others).
  void OnStateDirty() override;

  // The parameter ID of host parameter index (0 .. HostParamCount() - 1).
  int HostParamCount() const { return ParamCount() + 1; }
  clap_id HostParamId(int index) const;

private:
  friend struct ClapCalls;

  // ---- Parameters ----
  // Framework parameters 0 .. N-1, then "Bypass" at N; -1 for unknown IDs.
  int SlotOf(clap_id id) const;
  bool FillParamInfo(int index, clap_param_info_t& info) const;
  double PlainOf(int slot, double normalized) const;
  // A value the host sent in a block or flush, in arrival order. Applied now when the
  // block holds the plug-in mutex; kept for the next block that holds it otherwise.
  void TakeHostValue(int slot, double plain);
  void ApplyHostValueNow(int slot, double plain);
  void ApplyDeferredHostValues();
  // The events of a block or flush: parameter values (sample offsets honoured by the
  // caller) and transport changes.
  void HandleEvent(const clap_event_header_t& event);
  // Editor edits, then values the audio thread reported, to the host's output list.
  void EmitQueuedEvents(const clap_output_events_t* out);

  // ---- Audio ----
  bool BlockIsValid(const clap_process_t& process) const;
  void RenderSpan(const clap_process_t& process, uint32_t start, uint32_t frames);
  clap_process_status Process(const clap_process_t& process);
  void Flush(const clap_input_events_t* in, const clap_output_events_t* out);

  // ---- Host ----
  // True when the host's thread check (when offered) agrees; otherwise logs a host fault.
  bool OnMainThread(const char* call) const;
  bool OnAudioThreadOfHost(const char* call) const;
  void Log(clap_log_severity severity, const char* message) const;
  void RequestFlush();

  // ---- Editor ----
  bool GuiSupports(const char* api, bool floating) const;
  bool GuiSetParent(const clap_window_t& window);
  void GuiClose();

  clap_plugin_t mClapPlugin{};
  const clap_host_t* mHost = nullptr;
  const clap_host_log_t* mHostLog = nullptr;
  const clap_host_thread_check_t* mHostThreadCheck = nullptr;
  const clap_host_params_t* mHostParams = nullptr;
  const clap_host_state_t* mHostState = nullptr;
  const clap_host_gui_t* mHostGui = nullptr;
  const clap_host_timer_support_t* mHostTimer = nullptr;
  const clap_host_posix_fd_support_t* mHostFd = nullptr;

  bool mInitialized = false;
  bool mActive = false;
  bool mProcessing = false; // the audio thread's
  std::atomic<bool> mOffline{false};
  std::atomic<bool> mDirtyOwed{false};
  int mMainChannels = 2; // 2 (stereo) or 1 (mono): the selected port layout

  // The transport of the span being processed, and whether the host gave one.
  clap_event_transport_t mTransport{};
  bool mHasTransport = false;
  uint32_t mSpanStart = 0;

  // Host values of blocks without the plug-in mutex, in arrival order; twice the slot
  // count, so a full list always holds an earlier value of the slot that comes in.
  struct DeferredValue
  {
    int slot;
    double plain;
  };
  std::vector<DeferredValue> mDeferred; // capacity fixed at construction
  // Values the audio thread reported (NaN: none), normalized, sized at construction.
  std::vector<double> mAudioReported;

  // Editor edits on their way to the host: many producers (main thread, group link),
  // serialised by mEditMutex; one consumer (process or flush), lock-free.
  struct EditEvent
  {
    uint16_t type; // CLAP_EVENT_PARAM_GESTURE_BEGIN, _VALUE, _GESTURE_END
    int index;
    double plain;
  };
  static constexpr uint32_t kEditCapacity = 1024;
  std::array<EditEvent, kEditCapacity> mEdits{};
  std::atomic<uint32_t> mEditHead{0}; // next to write
  std::atomic<uint32_t> mEditTail{0}; // next to read
  std::mutex mEditMutex;
  bool PushEdit(uint16_t type, int index, double plain); // holding mEditMutex
  // Per parameter, under mEditMutex: a gesture the editor opened, and whether its begin
  // reached the queue (a gesture whose begin found the queue full sends plain values).
  std::vector<char> mGestureOpen;
  std::vector<char> mGestureQueued;
  // A gesture end the full queue could not take: sent right after the queue drains.
  std::vector<std::atomic<bool>> mEndOwed;

  // The editor's window while the host shows it.
  bool mGuiCreated = false;
  bool mGuiHasParent = false;
  clap_id mTimerId = CLAP_INVALID_ID;
  int mWatchedFd = -1;
};
