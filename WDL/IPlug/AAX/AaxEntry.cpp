// The module of TavrikQuenmark.aaxplugin: its description and the two creation
// procedures the description registers.

#include "WDL/IPlug/AAX/AAX_CEffectGUI_IPLUG.h"
#include "WDL/IPlug/AAX/IPlugAAX_Describe.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_Exports.h"

#include "product/TavrikQuenmark.h"

#if QUENMARK_MODULE_LINKS_CAIRO
#include "ycairo/ycairo_startup.h"
#endif

#include <mutex>

namespace
{
// Serializes instance construction: the product's constructor takes a slot in the
// process-wide group tables.
std::mutex& InstanceCreationLock()
{
  static std::mutex lock;
  return lock;
}

// [UI thread] One plug-in object as its effect-parameters object (no reference yet: the
// host's first QueryInterface takes it), or null.
IACFUnknown* CreateEffectParameters()
{
  const std::lock_guard<std::mutex> lock(InstanceCreationLock());
  try
  {
    return (new TavrikQuenmark)->Unknown();
  }
  catch (...)
  {
    return nullptr;
  }
}

IACFUnknown* CreateEffectGUI() { return AAX_CEffectGUI_IPLUG::Create(); }
} // namespace

const IPlugAAX_Description& IPlugAAX_ModuleDescription()
{
  static const IPlugAAX_Description description{
      "com.Tavrik.aax.TavrikQuenmark",
      "TavrikQuenmark\n",
      "Tavrik\n",
      "1-1 2-2",
      0x5476726B, // 'Tvrk'
      0x516E6D6B, // 'Qnmk'
      {0x45464E31, 0x45464E32}, // 'EFN1', 'EFN2'
      {0x45464131, 0x45464132}, // 'EFA1', 'EFA2'
      static_cast<uint32_t>(IPlugAAX::kTraits.vendorVersion),
      0,
      false,
      CreateEffectParameters,
      CreateEffectGUI};
  return description;
}

AAX_Result AAX_ModuleStartup()
{
#if QUENMARK_MODULE_LINKS_CAIRO
  ycairo_prepare_module();
#endif
  return AAX_SUCCESS;
}

AAX_Result AAX_ModuleShutdown() { return AAX_SUCCESS; }
