// The module entry of TavrikQuenmark.vst3: the factory that describes the module's one
// class, and the function that creates a plug-in object for each host request.

#include "QuenmarkVersion.h"
#include "product/TavrikQuenmark.h"

#include "vst3/sdk/helpers/CPluginFactory.h"
#include "vst3/sdk/helpers/FUID.h"
#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/helpers/Utf16.h"
#include "vst3/sdk/interfaces/ClassCategories.h"
#include "vst3/sdk/module/ModuleEntry.h"

#if QUENMARK_MODULE_LINKS_CAIRO
#include "ycairo/ycairo_startup.h"
#endif

#include <mutex>
#include <new>

using namespace Steinberg;

namespace
{
constexpr const char8* kVendor = "Tavrik";
constexpr const char8* kVendorUrl = "https://tavrik.example";
constexpr const char8* kVendorEmail = "mailto:support@tavrik.example";
constexpr const char8* kClassName = "TavrikQuenmark";
constexpr const char8* kClassVersion = QUENMARK_VERSION_TEXT;
// The version of the interfaces the binding implements, as hosts read it: they size the
// process context they fill by it (3.7 and newer ask getProcessContextRequirements).
constexpr const char8* kSdkVersion = Vst::kVstVersionString;
constexpr uint32 kClassFlags = Vst::kSimpleModeSupported;

// The class ID's four words: two of its own, then the manufacturer ID 'Tvrk' and the
// plug-in's unique ID 'Qnmk'. FUID lays the bytes out in this platform's order, so the
// text form is the same everywhere.
const FUID kClassId(0xF2AEE70D, 0x00DE4F4E, 0x5476726B, 0x516E6D6B);

// Guards gFactory. Re-entrant: a factory that fails while being built is released, and so
// destroyed, inside GetPluginFactory.
std::recursive_mutex gFactoryMutex;
CPluginFactory* gFactory = nullptr; // null until the first GetPluginFactory; holds no reference

class QuenmarkFactory final : public CPluginFactory
{
public:
  using CPluginFactory::CPluginFactory;
  // The next GetPluginFactory after the host's last release builds a new factory. The
  // pointer is cleared under the lock, and only while it is still this factory: a
  // GetPluginFactory that found this one dying has already put a new one there.
  ~QuenmarkFactory() override
  {
    const std::lock_guard<std::recursive_mutex> lock(gFactoryMutex);
    if (gFactory == this)
      gFactory = nullptr;
  }
};

// Serializes instance construction: the product's constructor takes a slot in the
// process-wide group tables.
std::mutex& InstanceCreationLock()
{
  static std::mutex lock;
  return lock;
}

// [UI thread] One plug-in object seen as its IAudioProcessor, or null when it cannot be
// built. Nothing it throws reaches the host.
FUnknown* CreatePlugin(void*)
{
  const std::lock_guard<std::mutex> lock(InstanceCreationLock());
  try
  {
    return static_cast<Vst::IAudioProcessor*>(new TavrikQuenmark);
  }
  catch (...)
  {
    return nullptr;
  }
}

CPluginFactory* MakeFactory()
{
  PFactoryInfo factoryInfo{};
  copyText8(kVendor, factoryInfo.vendor);
  copyText8(kVendorUrl, factoryInfo.url);
  copyText8(kVendorEmail, factoryInfo.email);
  factoryInfo.flags = PFactoryInfo::kUnicode;
  // Owned until complete, so a failure part-way releases it.
  auto factory = IPtr<CPluginFactory>::adopt(new QuenmarkFactory(factoryInfo));

  PClassInfo2 classInfo{};
  kClassId.toTUID(classInfo.cid);
  classInfo.cardinality = PClassInfo::kManyInstances;
  copyText8(Vst::kVstAudioEffectClass, classInfo.category);
  copyText8(kClassName, classInfo.name);
  classInfo.classFlags = kClassFlags;
  copyText8(Vst::PlugType::kFx, classInfo.subCategories);
  copyText8(kClassVersion, classInfo.version);
  copyText8(kSdkVersion, classInfo.sdkVersion);
  if (!factory->registerClass(classInfo, &CreatePlugin))
    return nullptr;
  return factory.take();
}
} // namespace

bool InitModule()
{
#if QUENMARK_MODULE_LINKS_CAIRO
  ycairo_prepare_module();
#endif
  return true;
}

bool DeinitModule()
{
  return true;
}

// [UI thread] The factory with one reference for the caller: a new one, or the existing
// one with a reference added.
extern "C" SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory()
{
  const std::lock_guard<std::recursive_mutex> lock(gFactoryMutex);
  // A factory whose last reference is being released on another thread is not handed out
  // again: its count is 0 and it is about to be destroyed.
  if (gFactory != nullptr && gFactory->tryAddRef())
    return gFactory;
  try
  {
    gFactory = MakeFactory();
  }
  catch (...)
  {
    gFactory = nullptr;
  }
  return gFactory;
}
