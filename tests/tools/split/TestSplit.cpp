// A plug-in of two objects, a processor and a separate controller, built from the layer
// alone: the host must create the controller from the class the component names,
// initialize both, connect them and hand the controller the component's state.
// The processor's state is its gain (normalized float64, little-endian); when connected
// it sends the controller a text message, which the controller shows as its read-only
// "Connected" parameter.

#include "vst3/sdk/helpers/ComponentBase.h"
#include "vst3/sdk/helpers/CPluginFactory.h"
#include "vst3/sdk/helpers/EditController.h"
#include "vst3/sdk/helpers/FUID.h"
#include "vst3/sdk/helpers/Utf16.h"
#include "vst3/sdk/interfaces/ClassCategories.h"
#include "vst3/sdk/interfaces/IAudioProcessor.h"
#include "vst3/sdk/interfaces/IBStream.h"
#include "vst3/sdk/interfaces/IComponent.h"
#include "vst3/sdk/interfaces/IParameterChanges.h"
#include "vst3/sdk/interfaces/SpeakerArrangement.h"
#include "vst3/sdk/module/ModuleEntry.h"

#include <atomic>
#include <cstring>
#include <new>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
const FUID kProcessorId(0x6B1E55A0, 0x7E574AB0, 0x9A1E0002, 0x53504C54);
const FUID kControllerId(0x6B1E55A0, 0x7E574AB0, 0x9A1E0003, 0x53504C54);
constexpr ParamID kGainId = 0;
constexpr ParamID kConnectedId = 1;
constexpr double kInitialGain = 0.25; // the controller's own default differs: 0.5

bool readGain(IBStream* state, double& gain)
{
  uint8 bytes[8] = {};
  int32 read = 0;
  if (state == nullptr || state->read(bytes, 8, &read) != kResultOk || read != 8)
    return false;
  uint64 bits = 0;
  for (int i = 0; i < 8; ++i)
    bits |= uint64(bytes[i]) << (8 * i);
  std::memcpy(&gain, &bits, 8);
  return gain >= 0. && gain <= 1.;
}

class SplitProcessor final : public ComponentBase, public IComponent, public IAudioProcessor
{
public:
  tresult PLUGIN_API initialize(FUnknown* context) override { return ComponentBase::initialize(context); }
  tresult PLUGIN_API terminate() override { return ComponentBase::terminate(); }
  tresult PLUGIN_API connect(IConnectionPoint* other) override
  {
    const tresult result = ComponentBase::connect(other);
    if (result == kResultOk)
      sendTextMessage("connected");
    return result;
  }

  tresult PLUGIN_API getControllerClassId(TUID classId) override
  {
    kControllerId.toTUID(classId);
    return kResultTrue;
  }
  tresult PLUGIN_API setIoMode(IoMode) override { return kNotImplemented; }
  int32 PLUGIN_API getBusCount(MediaType type, BusDirection) override { return type == kAudio ? 1 : 0; }
  tresult PLUGIN_API getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) override
  {
    if (type != kAudio || index != 0)
      return kInvalidArgument;
    bus = BusInfo{};
    bus.mediaType = kAudio;
    bus.direction = dir;
    bus.channelCount = 2;
    widenText(dir == kInput ? "In" : "Out", bus.name);
    bus.busType = kMain;
    bus.flags = BusInfo::kDefaultActive;
    return kResultTrue;
  }
  tresult PLUGIN_API getRoutingInfo(RoutingInfo&, RoutingInfo&) override { return kNotImplemented; }
  tresult PLUGIN_API activateBus(MediaType type, BusDirection, int32 index, TBool) override
  {
    return type == kAudio && index == 0 ? kResultTrue : kInvalidArgument;
  }
  tresult PLUGIN_API setActive(TBool) override { return kResultOk; }
  tresult PLUGIN_API setState(IBStream* state) override
  {
    double gain = 0.;
    if (!readGain(state, gain))
      return kResultFalse;
    mGain = gain;
    return kResultOk;
  }
  tresult PLUGIN_API getState(IBStream* state) override
  {
    if (state == nullptr)
      return kInvalidArgument;
    const double gain = mGain.load();
    uint64 bits = 0;
    std::memcpy(&bits, &gain, 8);
    uint8 bytes[8];
    for (int i = 0; i < 8; ++i)
      bytes[i] = static_cast<uint8>(bits >> (8 * i));
    int32 written = 0;
    return state->write(bytes, 8, &written) == kResultOk && written == 8 ? kResultOk : kResultFalse;
  }

  tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                                        int32 numOuts) override
  {
    const bool stereo = numIns == 1 && numOuts == 1 && inputs && outputs && inputs[0] == SpeakerArr::kStereo &&
                        outputs[0] == SpeakerArr::kStereo;
    return stereo ? kResultTrue : kResultFalse;
  }
  tresult PLUGIN_API getBusArrangement(BusDirection, int32 index, SpeakerArrangement& arrangement) override
  {
    if (index != 0)
      return kInvalidArgument;
    arrangement = SpeakerArr::kStereo;
    return kResultTrue;
  }
  tresult PLUGIN_API canProcessSampleSize(int32 size) override { return size == kSample32 ? kResultTrue : kResultFalse; }
  uint32 PLUGIN_API getLatencySamples() override { return 0; }
  tresult PLUGIN_API setupProcessing(ProcessSetup&) override { return kResultOk; }
  tresult PLUGIN_API setProcessing(TBool) override { return kResultOk; }
  tresult PLUGIN_API process(ProcessData& data) override
  {
    if (IParameterChanges* changes = data.inputParameterChanges)
      for (int32 i = 0; i < changes->getParameterCount(); ++i)
      {
        IParamValueQueue* queue = changes->getParameterData(i);
        int32 offset = 0;
        ParamValue value = 0.;
        if (queue && queue->getParameterId() == kGainId && queue->getPointCount() > 0 &&
            queue->getPoint(queue->getPointCount() - 1, offset, value) == kResultOk)
          mGain = value;
      }
    if (data.numSamples <= 0 || data.numInputs < 1 || data.numOutputs < 1)
      return kResultOk;
    const float gain = static_cast<float>(mGain.load() * 2.);
    for (int32 c = 0; c < 2; ++c)
      for (int32 n = 0; n < data.numSamples; ++n)
        data.outputs[0].channelBuffers32[c][n] = data.inputs[0].channelBuffers32[c][n] * gain;
    return kResultOk;
  }
  uint32 PLUGIN_API getTailSamples() override { return 0; }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (answerAs<IComponent>(this, iid, obj) || answerAs<IAudioProcessor>(this, iid, obj))
      return kResultOk;
    return ComponentBase::queryInterface(iid, obj);
  }
  VST3SDK_REFCOUNT_METHODS(ComponentBase)

private:
  std::atomic<double> mGain{kInitialGain};
};

class SplitController final : public EditController
{
public:
  tresult PLUGIN_API initialize(FUnknown* context) override
  {
    const tresult result = EditController::initialize(context);
    if (result == kResultOk)
    {
      parameters.addParameter(u"Gain", nullptr, 0, 0.5, ParameterInfo::kCanAutomate, kGainId);
      parameters.addParameter(u"Connected", nullptr, 1, 0., ParameterInfo::kIsReadOnly, kConnectedId);
    }
    return result;
  }
  tresult PLUGIN_API setComponentState(IBStream* state) override
  {
    double gain = 0.;
    if (!readGain(state, gain))
      return kResultFalse;
    return setParamNormalized(kGainId, gain);
  }

protected:
  tresult receiveText(const char8* text) override
  {
    return std::strcmp(text, "connected") == 0 ? setParamNormalized(kConnectedId, 1.) : kResultFalse;
  }
};

CPluginFactory* gFactory = nullptr;

class SplitFactory final : public CPluginFactory
{
public:
  using CPluginFactory::CPluginFactory;
  ~SplitFactory() override { gFactory = nullptr; }
};

FUnknown* createProcessor(void*)
{
  return static_cast<IAudioProcessor*>(new (std::nothrow) SplitProcessor);
}

FUnknown* createController(void*)
{
  return static_cast<IEditController*>(new (std::nothrow) SplitController);
}

void describe(PClassInfo2& info, const FUID& id, const char8* category, const char8* name)
{
  id.toTUID(info.cid);
  info.cardinality = PClassInfo::kManyInstances;
  copyText8(category, info.category);
  copyText8(name, info.name);
  info.classFlags = kDistributable;
  copyText8(PlugType::kFx, info.subCategories);
  copyText8("1.0.0", info.version);
  copyText8(kVstVersionString, info.sdkVersion);
}
} // namespace

bool InitModule()
{
  return true;
}

bool DeinitModule()
{
  return gFactory == nullptr;
}

extern "C" SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory()
{
  if (gFactory != nullptr)
  {
    gFactory->addRef();
    return gFactory;
  }
  try
  {
    PFactoryInfo info{};
    copyText8("vst3host tests", info.vendor);
    info.flags = PFactoryInfo::kUnicode;
    auto factory = IPtr<CPluginFactory>::adopt(new SplitFactory(info));
    PClassInfo2 processor{}, controller{};
    describe(processor, kProcessorId, kVstAudioEffectClass, "TestSplit");
    describe(controller, kControllerId, kVstComponentControllerClass, "TestSplit Controller");
    factory->registerClass(processor, &createProcessor);
    factory->registerClass(controller, &createController);
    gFactory = factory.take();
  }
  catch (...)
  {
    return nullptr;
  }
  return gFactory;
}
