#pragma once

#include "WDL/IPlug/AAX/AAX_CIPlugParameters.h"
#include "WDL/IPlug/BindingTraits.h"
#include "WDL/IPlug/IPlugBase.h"

#include <mutex>
#include <vector>

class AAX_VViewContainer;

// The plug-in object of the AAX deliverable: framework base and effect-parameters object
// in one. Framework parameter i is the AAX parameter "i+1"; the master bypass comes
// first, under the identifier the library names it by. The one chunk ('Qnmk') is the
// product's state, byte for byte. Every host is identified as "ProTools"; no preset is
// loaded at start.
//
// Locking: the render holds the plug-in mutex for the whole block; host parameter
// updates take it only around the framework update. Edits the product reports from the
// render are kept and sent to the host's automation after the block, with the mutex
// released.
class IPlugAAX : public IPlugBase, public AAX_CIPlugParameters
{
public:
  // Version 1.3.1, every host is "ProTools" and gets the long tail, no preset at load.
  static constexpr BindingTraits kTraits{0x00010301, "1.3.1", "ProTools", true, false};

  // The framework's constructor arguments (the API code is 4, AAX). A side-chain count
  // is accepted for the product's sake and ignored: the AAX deliverable has none.
  IPlugAAX(int paramCount, const char* channelIO, int presetCount, const char* effectName,
           const char* productName, const char* makerName, int vendorVersion, int uniqueID,
           int manufacturerID, int latencyFrames, bool doesMidi, bool doesStateChunks, bool isInstrument,
           int sideChainChannels = 0);
  ~IPlugAAX() override;

  // ---- AAX_IACFEffectParameters ----
  // [UI thread, takes the plug-in mutex] Removes the parameters; renders after it do
  // nothing.
  AAX_Result Uninitialize() override;
  AAX_Result GetNumberOfChunks(int32_t* count) const override;
  // [UI thread] Index 0 is 'Qnmk'; others: AAX_ERROR_INVALID_CHUNK_INDEX, id 0.
  AAX_Result GetChunkIDFromIndex(int32_t index, AAX_CTypeID* chunkId) const override;
  // [UI thread] The data bytes of the state (header excluded), kept for the GetChunk that
  // follows, so the two agree even if the state moves in between. Foreign id:
  // AAX_ERROR_INVALID_CHUNK_ID, size 0.
  AAX_Result GetChunkSize(AAX_CTypeID chunkId, uint32_t* sizeBytes) const override;
  // [UI thread] The state GetChunkSize reported (or the current one) into chunk->fData,
  // fSize = the bytes written. Foreign id, or no state: AAX_ERROR_INVALID_CHUNK_ID; a
  // positive fSize smaller than the state (the host's room): AAX_ERROR_INCORRECT_CHUNK_SIZE,
  // nothing written.
  AAX_Result GetChunk(AAX_CTypeID chunkId, AAX_SPlugInChunk* chunk) const override;
  // [UI thread] Restores the product's state from the chunk, then sends every parameter's
  // value to the host and redraws the editor. Foreign id: AAX_ERROR_INVALID_CHUNK_ID;
  // a negative size: AAX_ERROR_INCORRECT_CHUNK_SIZE; data the product cannot read:
  // AAX_ERROR_MALFORMED_CHUNK (what it could not read keeps its value).
  AAX_Result SetChunk(AAX_CTypeID chunkId, const AAX_SPlugInChunk* chunk) override;
  // [UI thread] A foreign chunk compares equal.
  AAX_Result CompareActiveChunk(const AAX_SPlugInChunk* chunk, AAX_CBoolean* equal) const override;

  // [audio thread, takes the plug-in mutex] One block: bypassed, the inputs are copied
  // to the outputs; else processed. Null context or block length:
  // AAX_ERROR_NULL_ARGUMENT; before Initialize or after Uninitialize:
  // AAX_ERROR_NOT_INITIALIZED; a negative length: AAX_ERROR_INVALID_ARGUMENT; a missing
  // channel array with channels in use: AAX_ERROR_NULL_ARGUMENT, outputs untouched.
  // Allocates nothing and never resizes: blocks longer than the size prepared at
  // Initialize (kHostMaxBlockFrames) are processed in pieces of it, so what the
  // detectors measured carries on.
  AAX_Result RenderAudio(const AAX_SIPlugRenderInfo* info) override;

  // ---- Framework operations ----
  // [UI thread] Through the library to the host's automation; from the render, the value
  // is kept and sent after the block, and gestures are not reported.
  void BeginInformHostOfParamChange(int index) override;
  void InformHostOfParamChange(int index, double normalized) override;
  void EndInformHostOfParamChange(int index) override;
  void NotifyHostOfPresetChange() override {}
  // [audio thread] From the transport of the current render; before the first render:
  // position 0, 120 BPM, 4/4, stopped.
  int SamplePosition() override;
  double HostTempo() override;
  void HostTimeSignature(int* numerator, int* denominator) override;
  void FetchTransportInfo(TransportInfo* info) override;
  bool TransportRunning() override;
  // [UI thread] Asks the view container the editor is open in for the size.
  void ResizeEditor(int width, int height) override;
  // [UI thread] The host's latency, then the framework's.
  void ChangeLatency(int latencyFrames) override;
  void OnStateDirty() override { CountChange(); }
  bool QueueMidiOut(const MidiMessage&) override { return false; }
  bool QueueMidiOutList(const MidiMessage*, int) override { return false; }

  // [UI thread] The view container the editor window is open in (not owned), or null.
  void SetEditorContainer(AAX_VViewContainer* container) { mViewContainer = container; }

  // The largest block processed in one piece, prepared at Initialize: AAX hosts announce
  // no maximum, and their native buffers stay at or below it.
  static constexpr int kHostMaxBlockFrames = 4096;

protected:
  // [UI thread] Creates the master bypass and one AAX parameter per framework parameter,
  // takes the host's sample rate and resets processing.
  AAX_Result EffectInit() override;
  // [host's thread, takes the plug-in mutex] A host update that changed a value: a
  // framework parameter's value is applied (ParamChanged with kSourceHost) and shown in
  // the editor.
  void ParameterValueChanged(AAX_CParamID id, double normalized) override;
  // [any thread] The one way a value set here reaches the plug-in: as a host update.
  AAX_Result SetParameterNormalizedValue(AAX_CParamID id, double value) override;

private:
  void AddFrameworkParameter(int index);
  void SendQueuedValues();
  // A change the plug-in reports: stored in the AAX parameter, then sent to the host as an
  // edit (touch, set request, release) or, for the render's own changes, as a set request.
  void PostEdit(AAX_CParamID id, double normalized, bool asEdit);

  AAX_VViewContainer* mViewContainer = nullptr;
  // The state GetChunkSize measured, handed out by the GetChunk after it.
  mutable std::mutex mChunkLock;
  mutable std::vector<char> mMeasuredChunk;
  mutable bool mHasMeasuredChunk = false;
  // The channels in use when the scratch buffers were last cleared (-1: never).
  int mScratchInputs = -1;
  int mScratchOutputs = -1;
  // Values reported during a render, sent after it (NaN: none). Sized at construction.
  std::vector<double> mQueuedValues;
  bool mHasQueuedValues = false;
};
