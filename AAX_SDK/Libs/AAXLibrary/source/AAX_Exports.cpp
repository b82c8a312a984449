// The entry points of an AAX module. Compiled into the module itself (not a static
// library), since nothing in the module refers to them.
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_Exports.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_VHost.h"
#include "AAX_SDK/Libs/AAXLibrary/source/ACFObject.h"

#include <exception>
#include <new>

ACFRESULT ACFRegisterPlugin(IACFUnknown* host, IACFPluginDefinition** outDefinition)
{
  if (host == nullptr || outDefinition == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  try
  {
    AAX_VCollection collection(host);
    if (!collection.Valid())
      return AAX_ERROR_NULL_OBJECT;
    const AAX_Result described = GetEffectDescriptions(collection);
    if (described != AAX_SUCCESS)
      return described;
    IACFPluginDefinition* definition = collection.PluginDefinition();
    if (definition == nullptr)
      return AAX_ERROR_NULL_OBJECT;
    *outDefinition = definition;
    return AAX_SUCCESS;
  }
  catch (const std::bad_alloc&)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}

ACFRESULT ACFRegisterComponent(IACFUnknown*, acfUInt32, IACFComponentDefinition** outDefinition)
{
  if (outDefinition != nullptr)
    *outDefinition = nullptr;
  return AAX_SUCCESS;
}

ACFRESULT ACFGetClassFactory(IACFUnknown*, const acfCLSID&, const acfIID&, void** out)
{
  if (out != nullptr)
    *out = nullptr;
  return AAX_ERROR_UNIMPLEMENTED;
}

ACFRESULT ACFCanUnloadNow(IACFUnknown*) { return ACFObjectCount::Live(); }

ACFRESULT ACFStartup(IACFUnknown* host)
{
  try
  {
    AAX_VHostServices::Startup(host);
    return AAX_ModuleStartup();
  }
  catch (...)
  {
    return ACF_E_UNEXPECTED;
  }
}

ACFRESULT ACFShutdown(IACFUnknown*)
{
  try
  {
    const AAX_Result result = AAX_ModuleShutdown();
    AAX_VHostServices::Shutdown();
    return result;
  }
  catch (...)
  {
    return ACF_E_UNEXPECTED;
  }
}

ACFRESULT ACFGetSDKVersion(acfUInt64* outVersion)
{
  if (outVersion == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *outVersion = AAX_kSDKVersion;
  return AAX_SUCCESS;
}
