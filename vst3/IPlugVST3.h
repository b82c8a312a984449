#pragma once

#include "QuenmarkVersion.h"
#include "WDL/IPlug/BindingTraits.h"
#include "WDL/IPlug/IPlugBase.h"

#include "vst3/sdk/helpers/SingleComponentEffect.h"
#include "vst3/sdk/interfaces/IMidiMapping.h"
#include "vst3/sdk/interfaces/IUnitInfo.h"
#include "vst3/sdk/interfaces/ProcessContext.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class IPlugVST3View;

// The plug-in object of the VST3 deliverable: framework base, audio processor, edit
// controller, unit-info and MIDI-mapping provider in one object, so the controller side
// works on the very parameters the audio side uses and the host never creates a second
// object. It translates host calls into framework operations and framework notifications
// into host calls; it knows nothing of the product that derives from it.
//
// Host parameter IDs: the framework parameter index for parameters 0 .. N-1, "Preset"
// ('prst') and "Bypass" ('bpas'), and N .. N+127 "MIDI CC" for a plug-in that takes MIDI.
// The state stream is the product's state chunk followed by an int32 little-endian bypass
// word (1 bypassed, 0 not), with no header of its own.
//
// Parameter changes are applied at block start: of each queue only the last point
// counts and sample offsets are not used, so automation has block accuracy.
//
// Locking: the state calls, the controller reads and every call that changes buses or
// processing set-up take the plug-in mutex. process takes it when it is free; while
// another thread holds it, a block may run without it (AudioBlockLock) and then keeps the
// host's values in arrival order for the next holder of the mutex, which applies them
// before anything else it does. Nothing calls the host while the mutex is held on the
// audio thread.
class IPlugVST3 : public IPlugBase,
                  public Steinberg::Vst::IUnitInfo,
                  public Steinberg::Vst::SingleComponentEffect,
                  public Steinberg::Vst::IMidiMapping
{
public:
  using tresult = Steinberg::tresult;
  using int32 = Steinberg::int32;
  using ParamID = Steinberg::Vst::ParamID;
  using ParamValue = Steinberg::Vst::ParamValue;

  // The product's version; the host is asked for its name, the long tail goes to the hosts
  // that need it, preset 0 is loaded once the host is known.
  static constexpr BindingTraits kTraits{QUENMARK_VENDOR_VERSION, QUENMARK_VERSION_TEXT, nullptr, false, true};

  static constexpr ParamID kPresetParamId = 0x70727374; // 'prst'
  static constexpr ParamID kBypassParamId = 0x62706173; // 'bpas'
  static constexpr Steinberg::Vst::ProgramListID kPresetListId = 0x70727374;
  static constexpr int kMidiControllerCount = 128;
  // setState refuses longer streams: a state is a few hundred bytes.
  static constexpr int kMaxStateBytes = 1 << 20;
  // Host reads of the state stream, in bytes.
  static constexpr int kStateReadBytes = 128;

  // The framework's constructor arguments (the API code is 1, VST3) and the side-chain
  // channel count (0: no side-chain bus; more than 2 is lowered to 2 at initialize).
  IPlugVST3(int paramCount, const char* channelIO, int presetCount, const char* effectName,
            const char* productName, const char* makerName, int vendorVersion, int uniqueID,
            int manufacturerID, int latencyFrames, bool doesMidi, bool doesStateChunks, bool isInstrument,
            int sideChainChannels);
  ~IPlugVST3() override;

  // ---- FUnknown: IUnitInfo and IMidiMapping here, the rest in SingleComponentEffect ----
  tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return SingleComponentEffect::addRef(); }
  Steinberg::uint32 PLUGIN_API release() override { return SingleComponentEffect::release(); }

  // ---- IPluginBase, [UI thread] ----
  // Identifies the host, builds buses and parameters, loads preset 0. A second call
  // without terminate answers kResultFalse and changes nothing.
  tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
  // Empties the views list, drops buses, parameters, handler and host context.
  tresult PLUGIN_API terminate() override;

  // ---- IComponent, [UI thread] ----
  // [takes the plug-in mutex] Bad type, direction or index: kInvalidArgument.
  tresult PLUGIN_API activateBus(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection dir, int32 index,
                                 Steinberg::TBool state) override;
  tresult PLUGIN_API setActive(Steinberg::TBool state) override;
  // [holds the plug-in mutex only to apply what was read] Reads at most kMaxStateBytes from the stream's current
  // position and hands them to the product; then the bypass word. Null stream:
  // kInvalidArgument. A stream too long or one the product cannot read: kResultFalse,
  // nothing applied. A product state without the bypass word: applied, bypass unchanged,
  // kResultFalse. Leaves the stream after what it consumed. After a load every parameter
  // reads back its loaded value and the host is told (restartComponent with
  // kParamValuesChanged).
  tresult PLUGIN_API setState(Steinberg::IBStream* state) override;
  // [holds the plug-in mutex only to copy the values] Writes the product chunk and the bypass word at the stream's
  // current position. kResultFalse when the product has no chunk or the write is short.
  tresult PLUGIN_API getState(Steinberg::IBStream* state) override;

  // ---- IAudioProcessor ----
  // [UI thread, takes the plug-in mutex] Accepts what the channel I/O list allows (by
  // channel count, the main buses' first arrangement each; one arrangement per bus) and
  // makes it current: the bus takes the requested arrangement and only its channels stay
  // connected. Anything else: kResultFalse (kInvalidArgument for negative counts or
  // missing arrays), and buses and connections stay as they were.
  tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs, int32 numIns,
                                        Steinberg::Vst::SpeakerArrangement* outputs, int32 numOuts) override;
  // [UI thread] 32- and 64-bit samples.
  tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) override;
  Steinberg::uint32 PLUGIN_API getLatencySamples() override; // [UI thread]
  // [UI thread, takes the plug-in mutex] kResultFalse and nothing changed for a sample
  // size other than 32/64 bit, a block size that is not positive or a rate outside
  // 1 Hz .. 4 MHz (NaN included). Otherwise sets rate and block size (longer blocks are
  // cut at IPlugBase::kMaxBlockFrames), resets the product's processing and keeps the
  // setup. The bypass flag is kept: it is part of the user's state.
  tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
  // [audio thread, takes the plug-in mutex] Applies the parameter queues, then processes
  // the block (any length: longer blocks than announced are processed in pieces). A
  // flush (0 samples, or no buses given) applies the queues only. Malformed data
  // (negative counts, bus counts or channel counts that do not match the buses, missing
  // buffers in a bus that is used, an unknown sample size): kInvalidArgument, nothing
  // applied, outputs untouched. Allocates nothing.
  tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;
  Steinberg::uint32 PLUGIN_API getTailSamples() override; // [UI thread]

  // ---- IEditController, [UI thread] ----
  // The same state functions as IComponent's.
  tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override;
  tresult PLUGIN_API setEditorState(Steinberg::IBStream* state) override;
  tresult PLUGIN_API getEditorState(Steinberg::IBStream* state) override;
  // [takes the plug-in mutex] A framework parameter's host text for the value; any other
  // ID, "Preset" and "Bypass" included: kResultFalse. Null string: kInvalidArgument.
  tresult PLUGIN_API getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                           Steinberg::Vst::String128 string) override;
  // The exported parameter's own mapping. A value that is not finite converts the
  // parameter's current value.
  ParamValue PLUGIN_API normalizedParamToPlain(ParamID id, ParamValue valueNormalized) override;
  // [takes the plug-in mutex] A framework parameter's own normalization (its shape
  // included), clamped; other IDs: the value clamped into 0 .. 1. A value that is not
  // finite converts the parameter's current value.
  ParamValue PLUGIN_API plainParamToNormalized(ParamID id, ParamValue plainValue) override;
  // [takes the plug-in mutex] The value the host last set for id, at the controller or
  // through process, while the plug-in has not changed the parameter since; otherwise
  // the plug-in's own: "Bypass" 1 or 0, "Preset" the current preset's list position, a
  // framework parameter its normalized value. Anything else: 0.
  ParamValue PLUGIN_API getParamNormalized(ParamID id) override;
  // [UI thread, takes the plug-in mutex] Applies the host's value to the plug-in (as a
  // value from process would be; a "Preset" value is only kept) and keeps it for the
  // controller, so getParamNormalized returns it at once and the next save holds it.
  // kInvalidArgument for an unknown ID or a value that is not finite.
  tresult PLUGIN_API setParamNormalized(ParamID id, ParamValue value) override;
  // A new view for the exact name "editor" (one reference for the caller); null for
  // any other name and while the plug-in has no editor.
  Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;

  // ---- IUnitInfo, [UI thread] ----
  int32 PLUGIN_API getUnitCount() override;
  tresult PLUGIN_API getUnitInfo(int32 unitIndex, Steinberg::Vst::UnitInfo& info) override;
  // 0, while getProgramListInfo(0) still describes "Factory Presets".
  int32 PLUGIN_API getProgramListCount() override;
  tresult PLUGIN_API getProgramListInfo(int32 listIndex, Steinberg::Vst::ProgramListInfo& info) override;
  // [takes the plug-in mutex]
  tresult PLUGIN_API getProgramName(Steinberg::Vst::ProgramListID listId, int32 programIndex,
                                    Steinberg::Vst::String128 name) override;
  tresult PLUGIN_API getProgramInfo(Steinberg::Vst::ProgramListID listId, int32 programIndex,
                                    Steinberg::Vst::CString attributeId,
                                    Steinberg::Vst::String128 attributeValue) override;
  tresult PLUGIN_API hasProgramPitchNames(Steinberg::Vst::ProgramListID listId, int32 programIndex) override;
  tresult PLUGIN_API getProgramPitchName(Steinberg::Vst::ProgramListID listId, int32 programIndex,
                                         Steinberg::int16 midiPitch, Steinberg::Vst::String128 name) override;
  Steinberg::Vst::UnitID PLUGIN_API getSelectedUnit() override;
  tresult PLUGIN_API selectUnit(Steinberg::Vst::UnitID unitId) override;
  tresult PLUGIN_API getUnitByBus(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection dir, int32 busIndex,
                                  int32 channel, Steinberg::Vst::UnitID& unitId) override;
  tresult PLUGIN_API setUnitProgramData(int32 listOrUnitId, int32 programIndex, Steinberg::IBStream* data) override;

  // ---- IMidiMapping, [UI thread] ----
  // Controllers 0 .. 127 map to their "MIDI CC" parameter when the plug-in takes MIDI.
  tresult PLUGIN_API getMidiControllerAssignment(int32 busIndex, Steinberg::int16 channel,
                                                 Steinberg::Vst::CtrlNumber midiControllerNumber,
                                                 ParamID& id) override;

  // ---- Framework operations ----
  // Edits reported to the host. [UI thread] Through the component handler, nothing while
  // none is set; a value reported outside a gesture is wrapped in one of its own.
  // [audio thread, inside process] A value is queued and handed to the host with the
  // block's output parameter changes (the host's handler belongs to its UI thread);
  // gestures are not reported from there.
  void BeginInformHostOfParamChange(int index) override;
  void InformHostOfParamChange(int index, double normalized) override;
  void EndInformHostOfParamChange(int index) override;
  // [UI thread] The host's context menu for parameter index in the first open view, when
  // the handler offers one (IComponentHandler3); otherwise nothing.
  void ShowHostParameterMenu(int index, int x, int y) override;
  void NotifyHostOfPresetChange() override {}
  // [any thread] True while the host renders offline (set up with kOffline).
  bool OfflineRendering() override;
  // [audio thread, inside ProcessAudio] From the latest process context; fields the
  // host did not mark valid, and everything before a first context, read as: position 0,
  // 120 BPM, 4/4, transport stopped.
  int SamplePosition() override;
  double HostTempo() override;
  void HostTimeSignature(int* numerator, int* denominator) override;
  void FetchTransportInfo(TransportInfo* info) override;
  bool TransportRunning() override
  {
    return mHasProcessContext && (mProcessContext.state & Steinberg::Vst::ProcessContext::kPlaying) != 0;
  }
  // [UI thread] Asks the first view's host frame for the size; nothing without a view or
  // frame. The host answers with onSize.
  void ResizeEditor(int width, int height) override;
  // [UI thread] The framework's latency change, then restartComponent(kLatencyChanged).
  void ChangeLatency(int latencyFrames) override;
  bool QueueMidiOut(const MidiMessage& message) override; // false: no MIDI output

  // The editor views alive now, oldest first (not owned).
  int ViewCount() const { return static_cast<int>(mViews.size()); }
  IPlugVST3View* ViewAt(int index) const;
  int SideChainChannels() const { return mSideChainChannels; }

  // The host values that blocks without the mutex received, for the product.
  void ApplyValuesFromLocklessBlocks() override { ApplyDeferredHostValues(); }
  uint64_t LocklessValuesReceived() const override { return mDeferredPosted.load(std::memory_order_relaxed); }

private:
  friend class IPlugVST3View;

  void BuildBuses();
  // [UI thread, plug-in mutex] After a refused arrangement: the buses take the layout
  // they were built with again, and the channels follow them.
  void SuggestDefaultArrangements();
  void ExportParameters();
  Steinberg::Vst::UnitID UnitForGroup(const char* group);
  // How a process call is to be handled, decided before anything is applied.
  enum class BlockKind
  {
    kInvalid,
    kFlush,
    kAudio
  };
  BlockKind ClassifyBlock(const Steinberg::Vst::ProcessData& data) const;
  // What a block's buffers are checked against: each audio bus's channel count and
  // whether it is read, kept whenever an arrangement or an activation changes, so that a
  // block reads no bus object.
  struct BusShape
  {
    static constexpr int kCapacity = 8;
    Steinberg::int32 count = 0;
    Steinberg::int32 channels[kCapacity] = {};
    bool used[kCapacity] = {};
  };
  // [plug-in mutex, or set-up] After the buses changed.
  void RefreshBusShapes();
  template <typename Sample>
  bool BuffersMatch(const Steinberg::Vst::AudioBusBuffers* buses, const BusShape& shape,
                    const Steinberg::Vst::BusList& list) const;
  // In a block without the plug-in mutex the changes are kept in arrival order and applied
  // by the next thread that holds the mutex (the next such block, or a host call that
  // reads or changes the parameters, loads or saves), before what that thread does.
  void ApplyParameterChanges(Steinberg::Vst::IParameterChanges* changes);
  // [holding the plug-in mutex] Applies the kept values, oldest first.
  void ApplyDeferredHostValues();
  void ApplyQueuedHostValue(ParamID id, ParamValue normalized);
  // Hands the values queued during the block to the host's output changes; without an
  // output list they wait for the next block that has one.
  void ReportQueuedValues(Steinberg::Vst::IParameterChanges* changes);
  template <typename Sample>
  void BindHostBuffers(Steinberg::Vst::ProcessData& data);
  void ForgetView(IPlugVST3View* view);

  // The controller's copy of a host value: what the host set, and the plug-in's own value
  // of the parameter at that moment. It is read back while the plug-in's value stays.
  struct HostValue
  {
    double normalized = 0.0;
    double pluginValue = 0.0;
    bool set = false;
  };
  // Framework parameters 0 .. N-1, then "Bypass", then "Preset"; -1 for other IDs.
  int HostValueSlot(ParamID id) const;
  // The plug-in's own value of a slot: the plain value, the bypass flag, the preset index.
  double PluginValue(int slot) const;
  double PluginNormalized(int slot) const;
  void KeepHostValue(int slot, double normalized);
  // After a state or preset load: every parameter reads back the plug-in's own value.
  void ForgetHostValues();

  int mSideChainChannels = 0;
  bool mSideChainConnected = false;
  BusShape mInputShape;
  BusShape mOutputShape;
  bool mInitialized = false;
  // The latest context a process call carried, and whether there was one yet.
  Steinberg::Vst::ProcessContext mProcessContext{};
  bool mHasProcessContext = false;
  // Parameter group names in order of first appearance; unit k + 1 is group k.
  std::vector<std::string> mParamGroups;
  std::vector<IPlugVST3View*> mViews;
  std::vector<HostValue> mHostValues; // sized at construction, never on the audio thread
  // Values reported on the audio thread, waiting for the block's output changes (NaN:
  // none), and the parameters inside a gesture the editor opened. Sized at construction.
  std::vector<double> mQueuedValues;
  std::vector<double> mValuesBeforeRecall;
  // The last value each parameter's blocks reported to the host (NaN: none), so the
  // host's echo of it through setParamNormalized is known as one. Sized at construction.
  std::unique_ptr<std::atomic<double>[]> mReportedFromAudio;
  // Host values of blocks that ran without the plug-in mutex, in arrival order: a ring
  // written by the audio thread only and read by holders of the plug-in mutex only. A full
  // ring (1024 values with no holder between) keeps the latest value of each parameter
  // by HostValueSlot (NaN: none), applied after the ring.
  struct DeferredHostValue
  {
    ParamID id = 0;
    double normalized = 0.0;
  };
  static constexpr uint64_t kDeferredCapacity = 1024;
  std::vector<DeferredHostValue> mDeferredRing; // sized at construction
  std::atomic<uint64_t> mDeferredPosted{0};
  std::atomic<uint64_t> mDeferredTaken{0};
  std::unique_ptr<std::atomic<double>[]> mDeferredOverflow;
  std::atomic<bool> mHasDeferredOverflow{false};
  std::vector<bool> mGestureOpen;
};
