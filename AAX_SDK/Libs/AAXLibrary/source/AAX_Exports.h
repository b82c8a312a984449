#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

class AAX_ICollection;

// The module's entry points, as a host finds them by name. hostContext is the host's
// own pointer, passed through untouched.
//   ACFStartup / ACFShutdown     once after loading and before unloading
//   ACFRegisterPlugin            describes the module's effects into collection
//   ACFRegisterComponent         other component kinds: this library registers none
//   ACFGetClassFactory           instances are made by the creation procedures the
//                                description registers: AAX_ERROR_UNIMPLEMENTED
//   ACFCanUnloadNow              AAX_kCanUnload when no object of the module is alive
//   ACFGetSDKVersion             AAX_kSDKVersion
using ACFStartupProc = AAX_Result (*)(void* hostContext);
using ACFShutdownProc = AAX_Result (*)(void* hostContext);
using ACFRegisterPluginProc = AAX_Result (*)(void* hostContext, AAX_ICollection* collection);
using ACFRegisterComponentProc = AAX_Result (*)(void* hostContext, AAX_ICollection* collection);
using ACFGetClassFactoryProc = AAX_Result (*)(void* hostContext, AAX_CTypeID classId, void** factory);
using ACFCanUnloadNowProc = AAX_Result (*)(void* hostContext);
using ACFGetSDKVersionProc = AAX_Result (*)(uint64_t* version);

// Supplied by the plug-in: what the module prepares after loading and releases before
// unloading (called by ACFStartup and ACFShutdown).
AAX_Result AAX_ModuleStartup();
AAX_Result AAX_ModuleShutdown();
