// The entry points of an AAX module. Compiled into the module itself (not a static
// library), since nothing in the module refers to them.
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_Exports.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CEffectParameters.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_ICollection.h"

#include <new>

AAX_EXPORT AAX_Result ACFStartup(void* /*hostContext*/) { return AAX_ModuleStartup(); }

AAX_EXPORT AAX_Result ACFShutdown(void* /*hostContext*/) { return AAX_ModuleShutdown(); }

AAX_EXPORT AAX_Result ACFRegisterPlugin(void* /*hostContext*/, AAX_ICollection* collection)
{
  if (collection == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  try
  {
    return GetEffectDescriptions(collection);
  }
  catch (...)
  {
    return AAX_ERROR_NULL_OBJECT; // out of memory while describing: nothing usable
  }
}

AAX_EXPORT AAX_Result ACFRegisterComponent(void* /*hostContext*/, AAX_ICollection* /*collection*/)
{
  return AAX_SUCCESS;
}

AAX_EXPORT AAX_Result ACFGetClassFactory(void* /*hostContext*/, AAX_CTypeID /*classId*/, void** factory)
{
  if (factory != nullptr)
    *factory = nullptr;
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_EXPORT AAX_Result ACFCanUnloadNow(void* /*hostContext*/)
{
  return AAX_CEffectParameters::LiveObjects() == 0 ? AAX_kCanUnload : AAX_kCannotUnload;
}

AAX_EXPORT AAX_Result ACFGetSDKVersion(uint64_t* version)
{
  if (version == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *version = AAX_kSDKVersion;
  return AAX_SUCCESS;
}
