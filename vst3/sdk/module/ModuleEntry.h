#pragma once

#include "vst3/sdk/interfaces/IPluginFactory.h"

// The module's entry functions. The vst3sdk_module_entry object library defines
// ModuleEntry / ModuleExit (Linux only) and InitDll / ExitDll, and on Windows the DllMain
// that keeps the module's instance handle; the plug-in defines
// GetPluginFactory with SMTG_EXPORT_SYMBOL and the two hooks below. Everything else in a
// module is built with hidden visibility, so these are its only exports.

#if defined(_WIN32)
#define SMTG_EXPORT_SYMBOL __declspec(dllexport)
#else
#define SMTG_EXPORT_SYMBOL __attribute__((visibility("default")))
#endif

extern "C"
{
  // Defined by the plug-in: the factory, with one reference for the caller.
  SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory();

  // [UI thread] Entry calls are counted: the first runs InitModule, the matching last exit
  // runs DeinitModule. An exit without an entry answers false. Linux hosts call
  // ModuleEntry with the dlopen handle right after loading and ModuleExit before
  // unloading; InitDll / ExitDll (the Windows pair, also kept on Linux) share the same
  // count. A Windows module exports only the Windows pair.
#if !defined(_WIN32)
  SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle);
  SMTG_EXPORT_SYMBOL bool ModuleExit();
#endif
  SMTG_EXPORT_SYMBOL bool InitDll();
  SMTG_EXPORT_SYMBOL bool ExitDll();
}

// Defined by the plug-in: set-up when the module is entered, tear-down when it is left.
// Returning false from InitModule makes the entry fail (the count stays 0).
bool InitModule();
bool DeinitModule();

namespace Steinberg
{
// The module's handle while it is entered, null before and after: on Linux the dlopen
// handle given to the first ModuleEntry; on Windows the instance handle (HINSTANCE) the
// loader gave DllMain, copied by InitDll.
void* moduleHandle() noexcept;

#if defined(_WIN32)
// [loader thread, under the loader lock] Called by DllMain at process attach.
void setModuleInstance(void* instance) noexcept;
#endif
} // namespace Steinberg
