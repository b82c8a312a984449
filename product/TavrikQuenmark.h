#pragma once

#include "product/EditorLayout.h"
#include "product/GroupLink.h"
#include "product/PlugBinding.h"
#include "product/Readouts.h"

#include "engine/AudioPlugin.h"

#include <array>
#include <memory>

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
  // [audio thread, with the plug-in mutex held by the binding]
  void ProcessAudio(double** inputs, double** outputs, int frames) override;
  // [UI thread]
  void EditorOpened() override;
  void OnEditorIdle() override;
  // [UI thread] Formats the readouts into the editor's labels.
  void OnEditorTimer() override;
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
  void UpdateReadouts();
  // After a recall: installs the state's level and makes the engine apply exactly the
  // recalled "Gain", whatever the parameters' changes did to it on the way.
  void InstallRecalledLevel(double level);
  // Back in Standard mode: "Analyze" and "Normalize" take effect as they stand.
  void ApplyStandardSwitches();
  double ParamValue(int index) const { return ParamAt(index)->Value(); }
  // The value the engine was last given for `index` (its current value before the first
  // time): processing decisions read these, not values a host may have set at the
  // controller without sending them through the audio path yet.
  double AppliedValue(int index) const;

  AudioPlugin mEngine;
  TransportInfo mTimeInfo;
  bool mTransportWasRunning = false;
  bool mResetDone = false;
  bool mNormalize = false; // the engine runs on every block while set
  Readouts mReadouts;
  // The value each parameter had when ParamChanged last acted on it; NaN before the first
  // time. A value equal to it at the parameter's resolution changes nothing: hosts
  // re-send unchanged values (session load, automation lanes, generic editors), often
  // after a round trip through their own number formats, and must not restart an
  // analysis, clear the measured level or overwrite a gain with them.
  std::array<double, kParamCount> mApplied;
  EditorReadouts mEditorReadouts;
  double mShownGain = 1.0;   // the engine gain the readout was last computed from
  double mShownGainDb = 0.0;
  // The "Gain" last reported to the host (NaN: none yet), so a settled gain reaches it.
  double mReportedGainDb;
  std::unique_ptr<GroupLink> mGroupLink;
};
