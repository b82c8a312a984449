#pragma once

#include "vst3/sdk/helpers/Bus.h"
#include "vst3/sdk/helpers/EditController.h"
#include "vst3/sdk/interfaces/IAudioProcessor.h"
#include "vst3/sdk/interfaces/IComponent.h"
#include "vst3/sdk/interfaces/IProcessContextRequirements.h"

namespace Steinberg::Vst
{
// Processor and controller in one object: the host finds IEditController on the
// component and creates no second object. Buses are added in initialize (terminate drops
// them, so a terminate / initialize cycle rebuilds everything); a plug-in overrides
// process, the two state pairs and whatever else it supports.
//
// IConnectionPoint is implemented through ComponentBase but not answered by
// queryInterface: there is no second object to talk to.
class SingleComponentEffect : public EditController,
                              public IComponent,
                              public IAudioProcessor,
                              public IProcessContextRequirements
{
public:
  SingleComponentEffect();
  ~SingleComponentEffect() override;

  // IPluginBase, [UI thread]
  tresult PLUGIN_API initialize(FUnknown* context) override;
  // Removes all parameters and buses, then releases the handlers and the host context.
  tresult PLUGIN_API terminate() override;

  // IComponent, all [UI thread]
  tresult PLUGIN_API getControllerClassId(TUID classId) override; // kNotImplemented
  tresult PLUGIN_API setIoMode(IoMode mode) override;             // kNotImplemented
  int32 PLUGIN_API getBusCount(MediaType type, BusDirection dir) override;
  // kInvalidArgument for an unknown type or direction or an index out of range.
  tresult PLUGIN_API getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) override;
  tresult PLUGIN_API getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) override; // kNotImplemented
  // Stores the flag (using it is up to the plug-in); argument errors as getBusInfo.
  tresult PLUGIN_API activateBus(MediaType type, BusDirection dir, int32 index, TBool state) override;
  tresult PLUGIN_API setActive(TBool state) override; // kResultOk
  tresult PLUGIN_API setState(IBStream* state) override; // kNotImplemented
  tresult PLUGIN_API getState(IBStream* state) override; // kNotImplemented

  // IAudioProcessor
  // [UI thread] Accepts only the arrangements the buses already have (kResultTrue), and
  // refuses any change (kResultFalse); a plug-in with flexible layouts overrides this.
  // Negative counts or missing arrays: kInvalidArgument.
  tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                                        int32 numOuts) override;
  // [UI thread] kInvalidArgument for a bad direction or index.
  tresult PLUGIN_API getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) override;
  // [UI thread] kResultTrue for 32-bit samples only.
  tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) override;
  uint32 PLUGIN_API getLatencySamples() override; // [UI thread] 0
  // [UI thread] Stores the setup. kResultFalse (nothing stored) for a sample size
  // canProcessSampleSize refuses; kInvalidArgument for a block size or rate that is not
  // positive.
  tresult PLUGIN_API setupProcessing(ProcessSetup& setup) override;
  tresult PLUGIN_API setProcessing(TBool state) override; // [any thread] kNotImplemented
  tresult PLUGIN_API process(ProcessData& data) override; // [audio thread] kNotImplemented
  uint32 PLUGIN_API getTailSamples() override;            // [UI thread] kNoTail

  // IProcessContextRequirements, [UI thread]: the flags set by setProcessContextRequirements.
  uint32 PLUGIN_API getProcessContextRequirements() override;

  // Bus building, for initialize. The bus is returned for further settings.
  AudioBus* addAudioInput(const TChar* name, SpeakerArrangement arrangement, BusType busType = kMain,
                          uint32 flags = BusInfo::kDefaultActive);
  AudioBus* addAudioOutput(const TChar* name, SpeakerArrangement arrangement, BusType busType = kMain,
                           uint32 flags = BusInfo::kDefaultActive);
  EventBus* addEventInput(const TChar* name, int32 channels = 16, BusType busType = kMain,
                          uint32 flags = BusInfo::kDefaultActive);
  EventBus* addEventOutput(const TChar* name, int32 channels = 16, BusType busType = kMain,
                           uint32 flags = BusInfo::kDefaultActive);
  void removeAllBusses() noexcept;

  // Null for an unknown type or direction.
  BusList* getBusList(MediaType type, BusDirection dir) noexcept;
  const ProcessSetup& getProcessSetup() const noexcept { return processSetup; }
  // Every ProcessContext field read in process must be asked for here: a host may fill
  // only the requested ones.
  void setProcessContextRequirements(uint32 flags) noexcept { mContextRequirements = flags; }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  VST3SDK_REFCOUNT_METHODS(EditController)

protected:
  BusList audioInputs{kAudio, kInput};
  BusList audioOutputs{kAudio, kOutput};
  BusList eventInputs{kEvent, kInput};
  BusList eventOutputs{kEvent, kOutput};
  // Until the first setupProcessing: real-time, 32-bit, 1024 samples, 44100 Hz.
  ProcessSetup processSetup{};

private:
  uint32 mContextRequirements = 0;
};
} // namespace Steinberg::Vst
