#pragma once

#include "product/EditorLayout.h"
#include "product/EngineCommands.h"
#include "product/GroupLink.h"
#include "product/PlugBinding.h"
#include "product/Readouts.h"

#include "engine/AudioPlugin.h"

#include <array>
#include <atomic>
#include <memory>
#include <vector>

// The product's parameter indices, which are also its host parameter IDs.
enum EParamIndex
{
  kGain = 0,         // "Gain": the engine's gain, set by the host, overwritten by every block
  kMeasure = 1,      // "Measure": which detector
  kTargetValue = 2,  // "Target Value": wanted level, in the measure's unit
  kMode = 3,         // "Mode": "Standard" or "Continuous"
  kAnalyze = 4,      // "Analyze"
  kNormalize = 5,    // "Normalize"
  kGroup = 6,        // "Group": "No Group", "Group 1" .. "Group 8"
  kGate = 7,         // "Gate": blocks below it are not measured into the gain
  kParamCount = 8
};

// TavrikQuenmark: measures the level of the stereo signal passing through it with one of
// six measures and applies the gain that brings it to a target. In "Standard" mode it
// analyses while "Analyze" is on and the transport runs, keeps the highest level and,
// with "Normalize" on, applies the gain for it; in "Continuous" mode it follows the level
// block by block. A transport stop ends the analysis.
class TavrikQuenmark final : public PlugBinding
{
public:
  static constexpr double kTailFramesForLogic = 16777215.0;

  TavrikQuenmark();
  ~TavrikQuenmark() override;

  // [any thread, takes the plug-in mutex] Prepares the engine for the host's rate and block.
  void ResetProcessing() override;
  // [any thread, takes the plug-in mutex] Applies parameter `index` to the engine.
  void ParamChanged(int index, int source) override;
  // [audio thread, with the plug-in mutex held by the binding, or without it while the
  // engine is the audio thread's]
  void ProcessAudio(double** inputs, double** outputs, int frames) override;
  // [UI thread]
  void EditorOpened() override;
  void OnEditorIdle() override;
  // [UI thread] Formats the readouts into the editor's labels.
  void OnEditorTimer() override;
  // [audio thread, in a bypassed block or a flush] Applies what was handed over.
  void TakeHandedOverChanges() override;
  void HostValueToEngine(int index, double normalized) override;
  void LocklessValuesApplied(uint64_t count) override;
  void PresetToEngine(int index) override;
  // [holding the mutex, owning the engine] "Gain" takes the engine's gain; the second also
  // tells the host when it differs from what the host was last told.
  IPlugParam* GainFollowsEngine();
  void TakeGainFromEngine();
  // [the engine's owner] A value the engine is to take, unless it holds it already at the
  // parameter's resolution.
  void TakeValueIntoEngine(int index, double value);
  // [any thread, takes the plug-in mutex] The JSON state document.
  bool SerializeState(ChunkBuffer& chunk) override;
  int RestoreState(const ChunkBuffer& chunk, int start) override;
  // Compares the state document in `data` (an int32 length and the JSON text) with the
  // current parameters, each as a 32-bit float within 0.00001.
  bool StateEquals(const void* data, int sizeBytes, int startValue) override;

  // [any thread] The readouts for the editor.
  const Readouts& ReadoutValues() const { return mReadouts; }
  // The editor's readout labels (their list indices).
  const EditorReadouts& ReadoutLabels() const { return mEditorReadouts; }
  // [any thread, takes the plug-in mutex] The measured level the state carries.
  double MeasuredLevel();

  const GroupLink& Group() const { return *mGroupLink; }

private:
  void InitParameters();
  void ReinitTargetValue(int measure);
  void PushToEditor(int index);
  void HandleTransport();
  // [audio thread, holding the plug-in mutex] A transport stop switches "Analyze" off.
  void EndAnalysisAtStop();
  // [the engine's owner, holding the plug-in mutex] A stop that a block without the mutex
  // saw switches "Analyze" off now.
  void SettleOwedStop();
  void UpdateReadouts();
  // After a recall: installs `level` (NaN: the level held before the recall) and makes
  // the engine apply exactly the recalled "Gain", whatever the parameters' changes did
  // to it on the way.
  void InstallRecalledLevel(double level);
  double ParamValue(int index) const { return ParamAt(index)->Value(); }
  // The value ParamChanged last acted on for `index` (its current value before the first
  // time).
  double AppliedValue(int index) const;

  // ---- The way to the engine ----
  // [holding the plug-in mutex] Applies `command` to the engine when the caller may touch
  // it, and otherwise queues it for the audio thread's next block.
  void ToEngine(const EngineCommand& command);
  // [the engine's owner] Applies what is queued, then `command`.
  void RunEngineCommands();
  void ApplyToEngine(const EngineCommand& command);
  // The engine's side of a parameter change and of the return to Standard mode.
  void ApplyParameterToEngine(int index, double value);
  void ApplyStandardSwitches();
  // What a save holds: the parameters' values and the measured level after exactly the
  // changes made before them.
  struct Snapshot
  {
    std::array<double, kParamCount> values{};
    double level = 0.0;
    bool analyzeAsZero = false;
  };
  // [any thread, without the plug-in mutex] While the audio thread owns the engine, the
  // level is asked of it with the changes (kSnapshot) and the caller waits for its next
  // block without the mutex.
  Snapshot TakeSnapshot();

  // ---- The engine and what the blocks keep: touched only by the engine's owner ----
  AudioPlugin mEngine;
  EngineCommandQueue mEngineCommands;
  // The value each parameter had when the engine last took it; processing decisions
  // read these, not values a host may have set at the controller since.
  std::array<double, kParamCount> mEngineValues{};
  // Copies of the parameters made at construction, for turning a host's normalized value
  // into the engine's on the audio thread without touching the parameters themselves.
  std::vector<IPlugParam> mHostConversions;
  // The presets' values as the constructor stored them (the presets never change after).
  std::vector<std::array<double, kParamCount>> mPresetValues;
  bool mTransportWasRunning = false;
  // A stop was seen in a block without the mutex: "Analyze" goes off as soon as the
  // engine's owner holds the mutex (the next block that holds it, or a thread taking the
  // engine back), and until then no new start is taken. A change of "Analyze" that
  // reaches the engine after the stop voids it: the user's new choice stands. Atomic so
  // the editor's timer can see that one is owed.
  // The stops seen by blocks without the mutex whose "Analyze" 0 the parameters still
  // owe (the engine took it at the stop), each with the binding's count of values left
  // for the mutex when it was seen: those came before it, later ones after it. The audio
  // thread posts, holders of the mutex settle; a full ring moves its newest stop later.
  static constexpr uint64_t kOwedStopCapacity = 8;
  std::array<std::atomic<uint64_t>, kOwedStopCapacity> mStopsOwedAfter{};
  std::atomic<uint64_t> mStopsPosted{0};
  std::atomic<uint64_t> mStopsSettled{0};
  bool StopOwed() const
  {
    return mStopsPosted.load(std::memory_order_acquire) != mStopsSettled.load(std::memory_order_acquire);
  }
  // [holding the plug-in mutex] Forgets every owed stop: a later choice of "Analyze" stands.
  void VoidOwedStops() { mStopsSettled.store(mStopsPosted.load(std::memory_order_acquire), std::memory_order_release); }
  // Frames since a moving gain was last reported to the host.
  int64_t mFramesSinceGainReport = 0;
  bool mNormalize = false; // the engine runs on every block while set
  double mShownGain = 1.0;   // the engine gain the readout was last computed from
  double mShownGainDb = 0.0;
  // The "Gain" last reported to the host (NaN: none yet), so a settled gain reaches it.
  double mReportedGainDb;
  double mKeptLevel = 0.0; // EngineCommand::kKeepLevel
  // The levels recorded for kSnapshot readers, by reader number modulo the count. A
  // writer stores the reader number (plus one) before and after the level, so a reader
  // whose slot was reused by a later one sees the two differ and asks again.
  struct SnapshotSlot
  {
    std::atomic<double> level{0.0};
    std::atomic<double> gainDb{0.0};
    std::atomic<uint64_t> begin{0};
    std::atomic<uint64_t> end{0};
  };
  std::array<SnapshotSlot, 8> mSnapshots;

  // ---- The rest: under the plug-in mutex ----
  bool mResetDone = false;
  Readouts mReadouts;
  // The value each parameter had when ParamChanged last acted on it; NaN before the first
  // time. A value equal to it at the parameter's resolution changes nothing: hosts
  // re-send unchanged values (session load, automation lanes, generic editors), often
  // after a round trip through their own number formats, and must not restart an
  // analysis, clear the measured level or overwrite a gain with them.
  std::array<double, kParamCount> mApplied;
  EditorReadouts mEditorReadouts;
  std::unique_ptr<GroupLink> mGroupLink;
};
