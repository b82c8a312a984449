#pragma once

#include "tools/vst3host/ComponentHandler.h"
#include "tools/vst3host/HostApplication.h"
#include "tools/vst3host/Module.h"
#include "tools/vst3host/Status.h"

#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/interfaces/IAudioProcessor.h"
#include "vst3/sdk/interfaces/IComponent.h"
#include "vst3/sdk/interfaces/IConnectionPoint.h"
#include "vst3/sdk/interfaces/IEditController.h"
#include "vst3/sdk/interfaces/IUnitInfo.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vst3host
{
// A bus as getBusInfo describes it.
struct BusDescription
{
  Steinberg::Vst::MediaType mediaType = Steinberg::Vst::kAudio;
  Steinberg::Vst::BusDirection direction = Steinberg::Vst::kInput;
  Steinberg::int32 index = 0;
  std::string name;
  Steinberg::int32 channelCount = 0;
  Steinberg::Vst::BusType busType = Steinberg::Vst::kMain;
  Steinberg::uint32 flags = 0; // BusInfo::BusFlags
};

// A parameter as getParameterInfo describes it.
struct ParameterDescription
{
  Steinberg::Vst::ParamID id = 0;
  std::string title;
  std::string shortTitle;
  std::string units;
  Steinberg::int32 stepCount = 0;
  Steinberg::Vst::ParamValue defaultNormalized = 0;
  Steinberg::Vst::UnitID unitId = 0;
  Steinberg::int32 flags = 0; // ParameterInfo::ParameterFlags

  bool hasFlag(Steinberg::int32 flag) const noexcept { return (flags & flag) != 0; }
};

// A unit and a program list as IUnitInfo describes them.
struct UnitDescription
{
  Steinberg::Vst::UnitID id = 0;
  Steinberg::Vst::UnitID parentId = -1;
  std::string name;
  Steinberg::Vst::ProgramListID programListId = -1;
};
struct ProgramListDescription
{
  Steinberg::Vst::ProgramListID id = 0;
  std::string name;
  std::vector<std::string> programNames;
};

// One plug-in instance as a host drives it: the component created from the module's
// factory and initialized with the host context, its controller (the component itself
// for a single-object effect, else a second object initialized and connected to it), the
// host's component handler set on the controller. Set-up follows the host call order
// (buses, setupProcessing, setActive, setProcessing); the destructor undoes it in
// reverse and terminates and releases both objects.
//
// Every call but process is a UI-thread call and is made from one thread at a time.
// Nothing throws: failures come back as a Status or Result naming the call, and an
// exception escaping the plug-in is caught and reported the same way.
class PluginInstance
{
public:
  enum class Stage
  {
    kInitialized, // after initialize (also after setupProcessing while inactive)
    kActive,      // setActive(true)
    kProcessing   // setProcessing(true)
  };

  static Result<std::unique_ptr<PluginInstance>> create(std::shared_ptr<Module> module,
                                                        const ClassDescription& description,
                                                        Steinberg::IPtr<Steinberg::Vst::HostApplication> context = {});
  ~PluginInstance();
  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  // setProcessing(false), setActive(false) as needed, then terminate (controller first
  // when separate) and release. Idempotent; reports the first call that failed.
  Status terminate();
  // Stops processing and deactivates as needed, terminates and initializes the same
  // objects again (the handler and connection are set up again): what hosts do to reset
  // a plug-in.
  Status reinitialize();

  const ClassDescription& classDescription() const noexcept { return mDescription; }
  bool isSingleComponent() const noexcept { return mSingleComponent; }
  Stage stage() const noexcept { return mStage; }
  Steinberg::Vst::IComponent* component() const noexcept { return mComponent.get(); }
  Steinberg::Vst::IAudioProcessor* processor() const noexcept { return mProcessor.get(); }
  Steinberg::Vst::IEditController* controller() const noexcept { return mController.get(); }
  Steinberg::Vst::HostApplication& hostContext() const noexcept { return *mContext.get(); }
  RecordingComponentHandler& handler() const noexcept { return *mHandler.get(); }

  // Buses.
  Steinberg::int32 busCount(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection direction);
  Result<BusDescription> busInfo(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection direction,
                                 Steinberg::int32 index);
  // Every bus: audio inputs, audio outputs, event inputs, event outputs.
  std::vector<BusDescription> buses();
  // Success only for kResultTrue; a refusal says so.
  Status setBusArrangements(std::vector<Steinberg::Vst::SpeakerArrangement> inputs,
                            std::vector<Steinberg::Vst::SpeakerArrangement> outputs);
  Result<Steinberg::Vst::SpeakerArrangement> busArrangement(Steinberg::Vst::BusDirection direction,
                                                            Steinberg::int32 index);
  Status activateBus(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection direction, Steinberg::int32 index,
                     bool active);

  // Processing set-up. setProcessing accepts kNotImplemented as success: plug-ins that
  // need no notice of it answer so, and hosts go on.
  bool canProcessSampleSize(Steinberg::int32 symbolicSampleSize);
  Status setupProcessing(const Steinberg::Vst::ProcessSetup& setup);
  Status setActive(bool active);
  Status setProcessing(bool processing);
  Steinberg::uint32 latencySamples();
  Steinberg::uint32 tailSamples();
  // [audio thread] The plug-in's process, as is; an escaping exception gives kExceptionEscaped.
  Steinberg::tresult process(Steinberg::Vst::ProcessData& data) noexcept;

  // Parameters, through the controller.
  Steinberg::int32 parameterCount();
  Result<ParameterDescription> parameterInfo(Steinberg::int32 index);
  // Every parameter that describes itself, in the controller's order.
  std::vector<ParameterDescription> parameters();
  Result<ParameterDescription> parameterTitled(std::string_view title);
  Result<std::string> valueText(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue normalized);
  Result<Steinberg::Vst::ParamValue> valueFromText(Steinberg::Vst::ParamID id, std::string_view text);
  Steinberg::Vst::ParamValue toPlain(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue normalized);
  Steinberg::Vst::ParamValue toNormalized(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue plain);
  Steinberg::Vst::ParamValue normalizedValue(Steinberg::Vst::ParamID id);
  Status setNormalizedValue(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue normalized);

  // Units and program lists (empty without IUnitInfo).
  std::vector<UnitDescription> units();
  std::vector<ProgramListDescription> programLists();

  // The component's state, written from the start of a new memory stream.
  Result<std::vector<Steinberg::uint8>> saveState();
  // Restores a saved state on the component; a separate controller then gets the same
  // bytes through setComponentState.
  Status loadState(const std::vector<Steinberg::uint8>& bytes);

private:
  PluginInstance() = default;
  Status initializeObjects();
  Status terminateObjects();

  std::shared_ptr<Module> mModule; // keeps the code loaded while the objects live
  ClassDescription mDescription;
  Steinberg::IPtr<Steinberg::Vst::HostApplication> mContext;
  Steinberg::IPtr<RecordingComponentHandler> mHandler;
  Steinberg::IPtr<Steinberg::Vst::IComponent> mComponent;
  Steinberg::IPtr<Steinberg::Vst::IAudioProcessor> mProcessor;
  Steinberg::IPtr<Steinberg::Vst::IEditController> mController;
  Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> mComponentPoint;
  Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> mControllerPoint;
  bool mSingleComponent = true;
  bool mInitialized = false;
  Stage mStage = Stage::kInitialized;
};

// The channel count of a speaker arrangement (its number of speakers).
Steinberg::int32 channelCountOf(Steinberg::Vst::SpeakerArrangement arrangement) noexcept;
// The usual arrangement for a channel count: mono, stereo, else empty.
Steinberg::Vst::SpeakerArrangement arrangementFor(Steinberg::int32 channels) noexcept;
} // namespace vst3host
