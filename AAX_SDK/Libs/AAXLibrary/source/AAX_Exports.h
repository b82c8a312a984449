#pragma once

// The module's seven entry points, as hosts find them by name (extern "C", undecorated):
//   ACFRegisterPlugin      creates the host's collection through its component factory,
//                          describes the module into it (GetEffectDescriptions) and hands
//                          the collection back as the plug-in definition
//   ACFRegisterComponent   no components of its own: null definition, success
//   ACFGetClassFactory     instances come from the creation procedures: null,
//                          AAX_ERROR_UNIMPLEMENTED
//   ACFCanUnloadNow        the count of the module's live objects (0: may unload)
//   ACFStartup/ACFShutdown create and drop the host services
//   ACFGetSDKVersion       AAX_kSDKVersion
// No exception leaves any of them.

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

class AAX_VCollection;

#if defined(_WIN32)
#define AAX_EXPORT extern "C" __declspec(dllexport)
#else
#define AAX_EXPORT extern "C" __attribute__((visibility("default")))
#endif

AAX_EXPORT ACFRESULT ACFRegisterPlugin(IACFUnknown* host, IACFPluginDefinition** outDefinition);
AAX_EXPORT ACFRESULT ACFRegisterComponent(IACFUnknown* host, acfUInt32 index, IACFComponentDefinition** outDefinition);
AAX_EXPORT ACFRESULT ACFGetClassFactory(IACFUnknown* host, const acfCLSID& clsid, const acfIID& iid, void** out);
AAX_EXPORT ACFRESULT ACFCanUnloadNow(IACFUnknown* host);
AAX_EXPORT ACFRESULT ACFStartup(IACFUnknown* host);
AAX_EXPORT ACFRESULT ACFShutdown(IACFUnknown* host);
AAX_EXPORT ACFRESULT ACFGetSDKVersion(acfUInt64* outVersion);

// Supplied by the plug-in: describes its effects into collection.
AAX_Result GetEffectDescriptions(AAX_VCollection& collection);
// Supplied by the plug-in: what the module prepares at ACFStartup and releases at
// ACFShutdown.
AAX_Result AAX_ModuleStartup();
AAX_Result AAX_ModuleShutdown();
