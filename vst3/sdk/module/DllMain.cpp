// The Windows loader's entry point of a module: it keeps the module's instance handle, from
// which the plug-in later loads its resources. Nothing else runs under the loader lock.

#include "vst3/sdk/module/ModuleEntry.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
  if (reason == DLL_PROCESS_ATTACH)
  {
    Steinberg::setModuleInstance(instance);
    // No thread attach and detach calls: the module does nothing with them.
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
