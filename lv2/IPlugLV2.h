#pragma once

#include "QuenmarkVersion.h"
#include "WDL/IPlug/BindingTraits.h"
#include "WDL/IPlug/IPlugBase.h"
#include "lv2/Lv2Ports.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

// The plug-in object of the LV2 deliverable: the framework base driven through the LV2
// instance calls (connect_port, activate, run, the state interface). It knows nothing of
// the product that derives from it; the entry supplies the readouts.
//
// Control ports carry plain values. A port whose value differs from the one the binding
// saw at the previous block is the host setting that parameter; a value re-sent unchanged
// changes nothing. After a state restore the ports' values at the next block are taken as
// they are, without applying them: the restored state wins over the port values a host
// sends with it (hosts save both, and their port values may be older).
//
// Transport: the last time:Position object of a block's control sequence counts (block
// accuracy); between positions the frame advances with time:speed. A host that never
// sends a position reads as a stopped transport at position 0, as a VST3 host without a
// process context does.
//
// Changes the plug-in makes itself (the end of an analysis, a settled gain, a group's
// values) are sent on the notify port, so a UI can keep the host's ports in step.
class IPlugLV2 : public IPlugBase
{
public:
  // The host is not named by LV2: every host is identified as an unknown one. Preset 0 is
  // loaded at instantiation.
  static constexpr BindingTraits kTraits{QUENMARK_VENDOR_VERSION, QUENMARK_VERSION_TEXT, "", false, true};

  // Rates the binding accepts (the engine runs at the integer rate).
  static constexpr double kMinSampleRate = 1.0;
  static constexpr double kMaxSampleRate = 4.0e6;
  // The block size prepared when the host gives no bound; longer blocks are split.
  static constexpr int kDefaultBlockFrames = 4096;

  // The framework's constructor arguments; sideChainChannels must be 0.
  IPlugLV2(int paramCount, const char* channelIO, int presetCount, const char* effectName,
           const char* productName, const char* makerName, int vendorVersion, int uniqueID, int manufacturerID,
           int latencyFrames, bool doesMidi, bool doesStateChunks, bool isInstrument, int sideChainChannels);
  ~IPlugLV2() override;

  // The readouts the entry supplies: fills values[0 .. Lv2Ports::kReadoutCount - 1].
  // [audio thread] Must not allocate or lock.
  using ReadoutSource = void (*)(IPlugBase& plug, float* values);
  void SetReadoutSource(ReadoutSource source) { mReadoutSource = source; }

  // [instantiation] Maps the URIs and reads the block bound (options:maxBlockLength, else
  // nominalBlockLength, else kDefaultBlockFrames), prepares rate and block. False for a
  // rate outside kMinSampleRate .. kMaxSampleRate (NaN included). Without urid:map the
  // plug-in runs on its control ports alone.
  bool Instantiate(double sampleRate, const LV2_Feature* const* features);
  // [any thread, not while running] Null disconnects; unknown ports are ignored.
  void ConnectPort(std::uint32_t port, void* data);
  void Activate();
  void Deactivate();
  // [audio thread] One block of any length; allocates nothing.
  void Run(std::uint32_t frames);

  // The state interface: the product's state document as one atom:String property.
  LV2_State_Status SaveState(LV2_State_Store_Function store, LV2_State_Handle handle);
  // A missing or unreadable property changes nothing and answers an error.
  LV2_State_Status RestoreStateFrom(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

  const Lv2Ports& Ports() const { return mPorts; }

  // The UI's copy of the plug-in: its edits go to the host through `write` (plain values
  // into the parameters' control ports), its gestures through `touch` when the host gives
  // it. [UI thread] Set once, before the editor opens.
  using PortWriter = void (*)(void* controller, std::uint32_t port, float value);
  using PortTouch = void (*)(void* controller, std::uint32_t port, bool grabbed);
  void SetUiSink(PortWriter write, PortTouch touch, void* controller)
  {
    mUiWrite = write;
    mUiTouch = touch;
    mUiController = controller;
  }

  // ---- Framework operations ----
  void BeginInformHostOfParamChange(int index) override;
  // [audio thread] Queued for the notify port; [other threads] every value is announced
  // at the next block.
  void InformHostOfParamChange(int index, double normalized) override;
  void EndInformHostOfParamChange(int index) override;
  void NotifyHostOfPresetChange() override {}
  int SamplePosition() override;
  double HostTempo() override;
  void HostTimeSignature(int* numerator, int* denominator) override;
  void FetchTransportInfo(TransportInfo* info) override;
  bool TransportRunning() override { return mPosition.valid && mPosition.speed != 0.0; }
  void ResizeEditor(int, int) override {}
  bool QueueMidiOut(const MidiMessage&) override { return false; }

private:
  struct Uris
  {
    LV2_URID atomBlank, atomObject, atomFloat, atomDouble, atomInt, atomLong, atomString, atomSequence,
        atomEventTransfer, timePosition, timeSpeed, timeFrame, timeBpm, timeBar, timeBarBeat, timeBeatsPerBar,
        timeBeatUnit, maxBlockLength, nominalBlockLength, state, paramChange, paramIndex, paramValue;
  };
  struct Position
  {
    bool valid = false;
    double speed = 0.0;
    double frame = 0.0;
    double bpm = 120.0;
    double bar = -1.0;
    double barBeat = -1.0;
    double beatsPerBar = 4.0;
    int beatUnit = 4;
  };

  void InitUris(const LV2_URID_Map* map);
  void ReadPosition(const LV2_Atom_Object* object);
  void ReadControlPorts();
  // The one place a host value read on the audio thread goes: applied now when the block
  // holds the plug-in mutex, otherwise kept (in arrival order, the last value of each
  // slot) and applied by ApplyDeferredHostValues at the next block that holds it.
  // Slots: the parameters 0 .. N-1, then the bypass.
  void TakeHostValue(int slot, double plain);
  void ApplyDeferredHostValues();
  void ApplyHostSlot(int slot, double plain);
  void WriteNotifications();

  Lv2Ports mPorts;
  bool mHasMap = false;
  Uris mUris{};
  LV2_Atom_Forge mForge{};
  ReadoutSource mReadoutSource = nullptr;
  PortWriter mUiWrite = nullptr;
  PortTouch mUiTouch = nullptr;
  void* mUiController = nullptr;

  std::array<const float*, Lv2Ports::kAudioChannels> mInputs{};
  std::array<float*, Lv2Ports::kAudioChannels> mOutputs{};
  const LV2_Atom_Sequence* mControl = nullptr;
  LV2_Atom_Sequence* mNotify = nullptr;
  std::vector<const float*> mParamPorts;
  const float* mEnabledPort = nullptr;
  std::array<float*, Lv2Ports::kReadoutCount> mReadoutPorts{};

  // The audio thread's own.
  std::vector<float> mSeenPortValues;  // NaN: none seen yet
  std::vector<double> mDeferredValues; // by slot; NaN: nothing kept
  std::vector<int> mDeferredOrder;     // slots in arrival order
  int mDeferredCount = 0;
  std::vector<double> mQueuedValues;   // plain values for the notify port; NaN: none
  Position mPosition;
  std::atomic<bool> mTakePortsAsTheyAre{false};
  std::atomic<bool> mAnnounceAll{false};
};
