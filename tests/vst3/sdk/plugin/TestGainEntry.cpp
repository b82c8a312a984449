// The module's factory and entry hooks. The factory is handed out only between the first
// module entry and the last exit, and the last exit fails while the factory or an
// instance is still alive: hosts release everything before they leave the module.

#include "TestGain.h"

#include "vst3/sdk/helpers/CPluginFactory.h"
#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/helpers/Utf16.h"
#include "vst3/sdk/interfaces/ClassCategories.h"
#include "vst3/sdk/module/ModuleEntry.h"

#include <new>

using namespace Steinberg;

namespace
{
bool gModuleEntered = false;
CPluginFactory* gFactory = nullptr;

class TestGainFactory final : public CPluginFactory
{
public:
  using CPluginFactory::CPluginFactory;
  ~TestGainFactory() override { gFactory = nullptr; }
};

FUnknown* createTestGain(void*)
{
  return static_cast<Vst::IAudioProcessor*>(new (std::nothrow) Vst::TestGain);
}

CPluginFactory* makeFactory()
{
  PFactoryInfo info{};
  copyText8("vst3sdk tests", info.vendor);
  copyText8("https://example.invalid", info.url);
  copyText8("mailto:tests@example.invalid", info.email);
  info.flags = PFactoryInfo::kUnicode;
  // Owned until complete, so a failure part-way releases it.
  auto factory = IPtr<CPluginFactory>::adopt(new TestGainFactory(info));

  PClassInfo2 gain{};
  Vst::TestGain::classId().toTUID(gain.cid);
  gain.cardinality = PClassInfo::kManyInstances;
  copyText8(Vst::kVstAudioEffectClass, gain.category);
  copyText8("TestGain", gain.name);
  gain.classFlags = 0; // one object: never distributable
  copyText8(Vst::PlugType::kFx, gain.subCategories);
  copyText8("1.0.0", gain.version);
  copyText8(Vst::kVstVersionString, gain.sdkVersion);
  factory->registerClass(gain, &createTestGain);
  return factory.take();
}
} // namespace

bool InitModule()
{
  gModuleEntered = true;
  return true;
}

bool DeinitModule()
{
  gModuleEntered = false;
  return gFactory == nullptr && Vst::TestGain::liveInstances() == 0;
}

extern "C" SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory()
{
  if (!gModuleEntered)
    return nullptr;
  if (gFactory != nullptr)
  {
    gFactory->addRef();
    return gFactory;
  }
  try
  {
    gFactory = makeFactory();
  }
  catch (...)
  {
    return nullptr;
  }
  return gFactory;
}
