#pragma once

#include "WDL/IPlug/IGraphics.h"
#include "WDL/IPlug/IPlugChannels.h"
#include "WDL/IPlug/IPlugDelayLine.h"
#include "WDL/IPlug/IPlugHost.h"
#include "WDL/IPlug/IPlugParam.h"
#include "WDL/IPlug/IPlugStructs.h"
#include "WDL/IPlug/ProcessorOwnership.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

// The base of every plug-in object. It owns the parameters, the presets, the channel
// I/O list and channel records, the plug-in mutex, the editor and the host identity;
// it turns the host's buffers into the pointer arrays ProcessAudio receives and
// serializes parameter values into chunks. A binding class derives from it and supplies
// the pure virtual operations; the product derives from the binding and overrides the
// hooks it needs.
//
// The plug-in mutex is re-entrant: the binding holds it around every audio block, and
// the operations marked "takes the plug-in mutex" hold it for their whole run, so a
// ParamChanged called from inside a held section does not block. Other threads hold it
// only to copy values in or out (never to draw, format, allocate, call the host or wait
// for another lock), and on Linux its holder inherits the priority of a waiting audio
// thread. Once a block has found the mutex busy, later blocks that find it busy run
// without it instead of waiting (AudioBlockLock): the product's processor then belongs
// to the audio thread, and other threads hand their changes to it (ClaimProcessor).
class IPlugBase
{
public:
  // channelIO is a blank-separated list of "inputs-outputs" pairs, e.g. "1-1 2-2"; a
  // missing number reads as 0. Names are cut to 127 bytes; null names are empty.
  // apiCode: 1 for VST3, 4 for AAX.
  IPlugBase(int paramCount, const char* channelIO, int presetCount, const char* effectName,
            const char* productName, const char* makerName, int vendorVersion, int uniqueID,
            int manufacturerID, int latencyFrames, bool doesMidi, bool doesStateChunks,
            bool isInstrument, int apiCode);

  IPlugBase(const IPlugBase&) = delete;
  IPlugBase& operator=(const IPlugBase&) = delete;
  IPlugBase(IPlugBase&&) = delete;
  IPlugBase& operator=(IPlugBase&&) = delete;

  // ---- Virtual operations, in slot order ----

  // Destroys the editor first, the mutex last.
  virtual ~IPlugBase();

  // [any thread, takes the plug-in mutex] Called after the sample rate and block size
  // were set; the product prepares its processing here.
  virtual void ResetProcessing();
  // [any thread, takes the plug-in mutex] index's value changed; source is an
  // EParamSource.
  virtual void ParamChanged(int index, int source);
  // [audio thread, inside the binding's AudioBlockLock] One block (or chunk) of at most
  // BlockSize() frames, one pointer per input and output channel. The base copies input
  // i to output i where both exist and zeroes the other outputs.
  virtual void ProcessAudio(double** inputs, double** outputs, int frames);
  // [UI thread] The binding opened the editor window.
  virtual void EditorOpened() {}
  // [UI thread] The binding is closing the editor window.
  virtual void EditorClosed() {}
  // [UI thread] The editor's timer found nothing to redraw.
  virtual void OnEditorIdle() {}
  // [UI thread] Every editor timer tick, before the editor collects what to redraw: the
  // plug-in moves what its audio thread measured into the editor's controls here.
  virtual void OnEditorTimer() {}
  // [any thread, takes the plug-in mutex] The host activated or deactivated the plug-in.
  virtual void ActivationChanged(bool active);
  // [audio thread] The base passes the message on to QueueMidiOut.
  virtual void HandleMidiMessage(const MidiMessage& message);
  // [UI thread] The base has no note names: empties name (when nameBytes > 0) and
  // answers false.
  virtual bool NoteNameFor(int note, char* name, int nameBytes);

  // [any thread] Appends the plug-in's state; the base appends SerializeParams. True
  // when the chunk is not empty afterwards.
  virtual bool SerializeState(ChunkBuffer& chunk);
  // [any thread] Reads a state at start; returns the position after it, or -1. The base
  // reads UnserializeParams.
  virtual int RestoreState(const ChunkBuffer& chunk, int start);
  // [any thread] Compares the parameter values with the float64 values stored in data
  // (sizeBytes bytes) from value number startValue on (byte offset 8 * startValue): equal
  // when, as 32-bit floats, every value differs by less than 0.00001. Data too short for
  // all parameters, a null pointer or a negative start compare unequal.
  virtual bool StateEquals(const void* data, int sizeBytes, int startValue);

  // [UI thread] The editor view finished a resize it asked for.
  virtual void EditorResized() {}
  // [UI thread] The binding knows the host now (after SetHost).
  virtual void HostIdentified() {}
  // [UI thread] A binding that offers the host's context menu for a parameter shows it.
  virtual void ShowHostParameterMenu(int index, int x, int y);

  // [UI thread, takes the plug-in mutex] The editor moved parameter index to normalized:
  // stores it and calls ParamChanged(index, kSourceEditor) under the mutex, then, with
  // the mutex released, tells the host (InformHostOfParamChange with the value as
  // received, clamped into 0 .. 1). Ignored for an index outside the list or a value
  // that is not finite.
  virtual void SetParameterFromGUI(int index, double normalized);

  // Binding-supplied: tell the host about a gesture and the values in it.
  virtual void BeginInformHostOfParamChange(int index) = 0;
  virtual void InformHostOfParamChange(int index, double normalized) = 0;
  virtual void EndInformHostOfParamChange(int index) = 0;
  virtual void NotifyHostOfPresetChange() = 0;
  // [any thread] True while the host renders offline.
  virtual bool OfflineRendering() { return false; }
  // Binding-supplied timing, meant for calls from ProcessAudio.
  virtual int SamplePosition() = 0;
  virtual double HostTempo() = 0;
  virtual void HostTimeSignature(int* numerator, int* denominator) = 0;
  virtual void FetchTransportInfo(TransportInfo* info) = 0;
  // Whether the host's transport plays: what FetchTransportInfo says, without the rest.
  virtual bool TransportRunning()
  {
    TransportInfo info;
    FetchTransportInfo(&info);
    return info.transportRunning;
  }
  // [any thread] EHostCode; kHostUninit until SetHost.
  virtual int HostCode() { return mHostCode; }
  // [any thread] 1 for VST3, 4 for AAX.
  virtual int HostApiCode() { return mApiCode; }
  // Binding-supplied: ask the host to resize the editor window.
  virtual void ResizeEditor(int width, int height) = 0;

  // [UI thread, takes the plug-in mutex] Takes ownership of editor (replacing and
  // destroying any earlier one), prepares its back buffer and shows every parameter's
  // normalized value in it. A null editor does nothing.
  virtual void AttachEditor(IGraphics* editor);
  // [UI thread] Sets the latency (negative counts as 0) and resizes and clears the bypass
  // delay line, when there is one. Allocates.
  virtual void ChangeLatency(int latencyFrames);
  // Binding-supplied: sends a MIDI message to the host; false when it cannot.
  virtual bool QueueMidiOut(const MidiMessage& message) = 0;
  // [audio thread] The base sends no lists: false.
  virtual bool QueueMidiOutList(const MidiMessage* messages, int count);
  // [any thread, takes the plug-in mutex] Shows every parameter's plain value in the
  // editor, when there is one (recorded for its next timer tick).
  virtual void RefreshParamControls();
  // [any thread] The saved state changed outside the host's knowledge.
  virtual void OnStateDirty() {}
  // [any thread] A preset was just loaded.
  virtual void HostChangedPresets() {}
  // [any thread, not while processing] Resizes every scratch buffer to frames samples and
  // zeroes it when frames differs from the block size; an unchanged size keeps the
  // scratch contents. Negative counts as 0; more than kMaxBlockFrames is lowered to it
  // (longer host blocks are processed in chunks). Allocates.
  virtual void SetBlockFrames(int frames);

  // [any thread, takes the plug-in mutex] A value the host set for parameter index:
  // stores it, shows it in the editor and calls ParamChanged(index, kSourceHost). Ignored
  // for an index outside the list or a value that is not finite. Allocates nothing.
  void ApplyHostValue(int index, double normalized);
  // [audio thread, in a block without the mutex, which owns the engine] The engine's side
  // of a host value, at once, so that this very block plays it; the binding hands the
  // value itself over later, under the mutex, inside a LocklessHandOver. Touches no
  // parameter. The base has no engine.
  virtual void HostValueToEngine(int /*index*/, double /*normalized*/) {}
  // [audio thread, in a block without the mutex] The same for the host's choice of preset
  // `index`: the engine takes the preset's values now, the recall itself follows.
  virtual void PresetToEngine(int /*index*/) {}
  // [holding the plug-in mutex] While it lives, the binding applies what blocks without
  // the mutex received (host values, a preset): the engine already took those host
  // values, and all of it is older than any transport stop such a block saw since.
  class LocklessHandOver
  {
  public:
    explicit LocklessHandOver(IPlugBase& plug) : mPlug(plug), mOuter(plug.mHandingOver) { plug.mHandingOver = true; }
    ~LocklessHandOver() { mPlug.mHandingOver = mOuter; }
    LocklessHandOver(const LocklessHandOver&) = delete;
    LocklessHandOver& operator=(const LocklessHandOver&) = delete;

  private:
    IPlugBase& mPlug;
    bool mOuter;
  };
  // [holding the plug-in mutex] Inside a LocklessHandOver.
  bool HandingOverFromLocklessBlocks() const { return mHandingOver; }
  // [holding the plug-in mutex] The binding applies, oldest first, what blocks without the
  // mutex left for it (inside a LocklessHandOver). Every holder that changes parameters
  // calls it first, so those older values never land on top of its own. The base has none.
  virtual void ApplyValuesFromLocklessBlocks() {}
  // [audio thread, in a block without the mutex] How many values the binding has left for
  // the mutex so far: something this block does now comes after exactly these.
  virtual uint64_t LocklessValuesReceived() const { return 0; }
  // [holding the plug-in mutex, inside ApplyValuesFromLocklessBlocks] The first `count`
  // of those values are applied (all of them: UINT64_MAX), so what a block did after them
  // takes effect now, in its place. The base has nothing owed.
  virtual void LocklessValuesApplied(uint64_t /*count*/) {}

  // ---- The audio thread ----
  // [audio thread] While it lives, the calling thread counts as the one processing a
  // block: a binding opens one around each block, so calls that must not reach the host
  // from there (edits the product reports, gestures) can tell where they come from.
  class AudioThreadScope
  {
  public:
    explicit AudioThreadScope(IPlugBase& plug);
    ~AudioThreadScope();
    AudioThreadScope(const AudioThreadScope&) = delete;
    AudioThreadScope& operator=(const AudioThreadScope&) = delete;

  private:
    IPlugBase& mPlug;
  };
  // [any thread] True on the thread inside an AudioThreadScope of this plug-in.
  bool OnAudioThread() const;

  // [audio thread] Held by a binding around each block, before its AudioThreadScope:
  // takes the plug-in mutex when it is free. When another thread holds it, the block runs
  // without it if the processor is live, and otherwise waits for it this once, which
  // makes the processor live (see ProcessorOwnership).
  class AudioBlockLock
  {
  public:
    explicit AudioBlockLock(IPlugBase& plug);
    ~AudioBlockLock();
    AudioBlockLock(const AudioBlockLock&) = delete;
    AudioBlockLock& operator=(const AudioBlockLock&) = delete;

  private:
    IPlugBase& mPlug;
    std::unique_lock<std::recursive_mutex> mLock;
    bool mLockless = false;
  };
  // [audio thread] True while the block runs without the plug-in mutex: it may touch the
  // processor and its own records only, not the parameters, the editor or the presets.
  bool BlockWithoutMutex() const { return mBlockWithoutMutex; }
  // [any thread, holding the plug-in mutex] True when the caller may touch the processor
  // now: it is the audio thread in a block, or the processor is idle, or no block has
  // started for a few block lengths and it is taken back. False: the audio thread owns
  // it, and changes must be handed to it. `force` takes it back whatever the time (the
  // host stopped processing; a hand-over queue is full).
  bool ClaimProcessor(bool force = false);
  // [any thread] True while the audio thread owns the processor.
  bool ProcessorIsLive() const { return mProcessor.IsLive(); }
  // [any thread] True when no block has started for a few block lengths.
  bool BlocksStopped() const;
  // [audio thread, inside an AudioBlockLock and AudioThreadScope] A process call that runs
  // no audio through the plug-in (a bypassed block, a parameter flush) still takes what
  // other threads handed over, so it never keeps them waiting. CopyInputsToOutputs calls
  // it; the bindings call it for flushes. The base has nothing to take.
  virtual void TakeHandedOverChanges() {}

  // ---- Parameters ----
  int ParamCount() const { return static_cast<int>(mParams.size()); }
  // nullptr for an index outside the list.
  IPlugParam* ParamAt(int index);
  const IPlugParam* ParamAt(int index) const;
  // ParamChanged(i, source) for every parameter, in index order.
  void AllParamsChanged(int source);

  // ---- Host ----
  // [UI thread] Identifies the host by its name (LookUpHostCode) and keeps its version.
  void SetHost(const char* name, int version);
  int HostVersion() const { return mHostVersion; }
  // True when some pair of the channel I/O list matches; a negative count matches any.
  bool LegalIO(int inputs, int outputs) const;
  int ChannelConfigCount() const { return static_cast<int>(mChannelConfigs.size()); }
  // nullptr for an index outside the list.
  const ChannelConfig* ChannelConfigAt(int index) const;

  // ---- Presets ----
  // [UI thread] count times: the first preset not yet initialised gets name ("Empty"
  // for a null or empty name) and the current state (SerializeState). Stops early when
  // every preset is initialised.
  void CreateDefaultPresets(const char* name, int count);
  // [any thread] Restores preset index (RestoreState), or, for a preset never
  // initialised, names it "user preset N" and stores the current state in it. On
  // success makes it current and calls HostChangedPresets and RefreshParamControls.
  // False for an index outside the list or a state that cannot be read or written.
  bool LoadPreset(int index);
  // [any thread, takes the plug-in mutex] Recalls preset index from the values stored
  // with it, without reading its state: every parameter is SetValue to its stored value,
  // then ParamChanged(i, kSourceRecall) runs for each in index order; the preset becomes
  // current and HostChangedPresets and RefreshParamControls run, as after LoadPreset.
  // Allocates nothing, so the audio thread may call it. False, with nothing changed, for
  // an index outside the list or a preset never initialised.
  bool RecallPresetValues(int index);
  // Empty text for an index outside the list.
  const char* PresetNameAt(int index) const;
  // nullptr for an index outside the list.
  const PresetSlot* PresetAt(int index) const;
  int PresetCount() const { return static_cast<int>(mPresets.size()); }
  int CurrentPresetIndex() const { return mCurrentPresetIndex; }

  // ---- Chunks ----
  // [any thread, takes the plug-in mutex] Appends int32 parameter count, then every
  // value as float64 in index order (4 + 8 * count bytes). True when the chunk is not
  // empty afterwards.
  bool SerializeParams(ChunkBuffer& chunk);
  // [any thread, takes the plug-in mutex] Reads what SerializeParams wrote, at start.
  // Values are clamped into their ranges; a count larger than the parameter list reads
  // only the parameters there are. When a value cannot be read, that parameter is set
  // to 0.0 (clamped), reading stops and the later parameters keep their values. Every
  // parameter then gets ParamChanged(i, kSourceRecall). Returns the position after the
  // last value read, or -1 when a read failed; a chunk whose count cannot be read
  // changes no value.
  int UnserializeParams(const ChunkBuffer& chunk, int start);

  // ---- Channels ----
  // [UI thread] Marks channels first .. first + count - 1 (cut at the channel count)
  // connected or not. A disconnected input reads zeros from its scratch; a disconnected
  // output's samples are discarded.
  void ConnectInputChannels(int first, int count, bool connected);
  void ConnectOutputChannels(int first, int count, bool connected);
  // False for an index outside the list.
  bool InputChannelConnected(int index) const
  {
    return index >= 0 && index < NInChannels() && mInputs[static_cast<std::size_t>(index)].connected;
  }
  bool OutputChannelConnected(int index) const
  {
    return index >= 0 && index < NOutChannels() && mOutputs[static_cast<std::size_t>(index)].connected;
  }
  // nullptr for an index outside the list.
  const InputChannelSlot* InputChannel(int index) const;
  const OutputChannelSlot* OutputChannel(int index) const;

  // [audio thread] Bind the host's buffers for the coming block: each connected channel
  // of the range takes the next pointer of buffers, in order; disconnected channels take
  // none. A null array or a null pointer leaves the channel unbound (silence in,
  // discarded out). frames is how many samples each input buffer holds. Bindings last
  // until the next RunProcessing or CopyInputsToOutputs.
  void BindInputBuffers(int first, int count, double** buffers, int frames);
  void BindInputBuffers(int first, int count, float** buffers, int frames);
  void BindOutputBuffers(int first, int count, double** buffers);
  void BindOutputBuffers(int first, int count, float** buffers);

  // [audio thread, inside an AudioBlockLock] Runs ProcessAudio over the bound
  // buffers, in chunks of at most BlockSize() frames, converting 32-bit inputs into the
  // scratch buffers before each chunk and 32-bit outputs back after it. 0 frames call
  // ProcessAudio once with 0 frames. Before any block size is set, a block that would
  // need scratch samples is answered with silence and ProcessAudio is not called.
  // Allocates nothing and takes no lock.
  void RunProcessing(int frames);
  // [audio thread, inside an AudioBlockLock] The common block in one call: when the host
  // gives every channel, each connected, a 64-bit buffer, and the block fits BlockSize(),
  // ProcessAudio runs on the host's own arrays (what RunProcessing would do after
  // binding them) and this returns true. Otherwise nothing is done and it returns false,
  // and the block goes through the bindings and RunProcessing.
  bool RunProcessingOnHostBuffers(double* const* inputs, int inputCount, double* const* outputs, int outputCount,
                                  int frames);
  // [audio thread, inside an AudioBlockLock] Bypass: output i = input i
  // (delayed by the latency when a bypass delay line exists), zeros for outputs without
  // an input or without a bound input. Works on the host buffers directly, so any block
  // length is fine. Allocates nothing and takes no lock.
  void CopyInputsToOutputs(int frames);
  // [any thread, not while processing] Zeroes every scratch buffer.
  void ClearScratchBuffers();
  // [UI thread] Creates the bypass delay line for the inputs (only when there are
  // inputs) with the current latency. Allocates.
  void CreateBypassDelayLine();
  const BypassDelayLine* DelayLine() const { return mDelayLine.get(); }

  // ---- Bus labels ----
  // Input bus 0 (main) or 1 (side chain) only; replaces an earlier label. False for any
  // other index.
  bool LabelInputBus(int index, const char* text);
  // Any index 0 .. kMaxChannels - 1; replaces an earlier label.
  bool LabelOutputBus(int index, const char* text);
  // Empty text when there is no label.
  const char* InputBusLabel(int index) const;
  const char* OutputBusLabel(int index) const;

  // ---- Plain accessors ----
  std::recursive_mutex& Mutex() { return mMutex; }
  double SampleRate() const { return mSampleRate; }
  // Ignores a rate that is not a positive finite number.
  void SetSampleRate(double sampleRate);
  int BlockSize() const { return mBlockFrames; }
  int Latency() const { return mLatencyFrames; }
  int TailLength() const { return mTailFrames; }
  void SetTailLength(int tailFrames); // negative counts as 0
  // [any thread] Atomic: a block may run without the plug-in mutex.
  bool IsBypassed() const { return mBypassed.load(std::memory_order_relaxed); }
  void SetBypassed(bool bypassed) { mBypassed.store(bypassed, std::memory_order_relaxed); }
  const char* EffectName() const { return mEffectName; }
  const char* ProductName() const { return mProductName; }
  const char* MakerName() const { return mMakerName; }
  int UniqueID() const { return mUniqueID; }
  int ManufacturerID() const { return mManufacturerID; }
  int VendorVersion() const { return mVendorVersion; }
  int NInChannels() const { return static_cast<int>(mInputs.size()); }
  int NOutChannels() const { return static_cast<int>(mOutputs.size()); }
  bool IsInstrument() const { return mIsInstrument; }
  bool DoesMidi() const { return mDoesMidi; }
  bool DoesStateChunks() const { return mDoesStateChunks; }
  IGraphics* GetGUI() const { return mEditor.get(); }

  // Bounds on what the channel I/O text and SetBlockFrames can ask for.
  static constexpr int kMaxChannels = 64;
  static constexpr int kMaxBlockFrames = 1 << 17;

private:
  void ParseChannelIO(const char* channelIO);
  // Calls fn(channel) for each existing channel of first .. first + count - 1.
  template <typename Fn>
  static void ForRange(int first, int count, int channels, Fn&& fn);
  bool NeedsScratch() const;
  // After a channel's connection changed: keeps whether every channel is connected.
  void NoteChannelsConnected();
  void StorePresetValues(PresetSlot& preset) const;
  ProcessorOwnership::Clock::duration StaleAfter() const;

  // Destroyed last: every other member may still be used under it while being torn down.
  std::recursive_mutex mMutex;

  std::vector<ChannelConfig> mChannelConfigs;
  char mEffectName[kPluginNameBytes] = "";
  char mProductName[kPluginNameBytes] = "";
  char mMakerName[kPluginNameBytes] = "";
  int mUniqueID = 0;
  int mManufacturerID = 0;
  int mVendorVersion = 0;
  int mApiCode = 0;
  int mHostCode = kHostUninit;
  int mHostVersion = 0;
  bool mDoesStateChunks = false;
  bool mIsInstrument = false;
  bool mDoesMidi = false;
  std::atomic<bool> mBypassed{false};
  bool mHandingOver = false; // under the mutex: inside a LocklessHandOver
  bool mAllChannelsConnected = false; // every input and output channel is connected
  int mCurrentPresetIndex = 0;
  double mSampleRate = 44100.0;
  int mBlockFrames = 0;
  int mLatencyFrames = 0;
  int mTailFrames = 0;

  std::vector<IPlugParam> mParams;
  std::vector<PresetSlot> mPresets;
  std::vector<double*> mInputPointers;
  std::vector<double*> mOutputPointers;
  std::vector<InputChannelSlot> mInputs;
  std::vector<OutputChannelSlot> mOutputs;
  std::vector<std::string> mInputBusLabels;
  std::vector<std::string> mOutputBusLabels;
  std::unique_ptr<BypassDelayLine> mDelayLine;

  // The thread inside an AudioThreadScope now, or none.
  std::atomic<std::thread::id> mAudioThread{};
  ProcessorOwnership mProcessor;
  bool mBlockWithoutMutex = false; // the audio thread's own

  // Declared last, destroyed first.
  std::unique_ptr<IGraphics> mEditor;
};
