#include "vst3/sdk/module/ModuleEntry.h"

#include <atomic>
#include <mutex>

namespace
{
std::mutex gEntryMutex;
int gEntryCount = 0;
void* gModuleHandle = nullptr;
#if defined(_WIN32)
// The instance handle DllMain received; InitDll copies it into gModuleHandle.
std::atomic<void*> gModuleInstance{nullptr};
#endif

// The hooks are plug-in code: nothing they throw may reach the host.
bool runHook(bool (*hook)())
{
  try
  {
    return hook();
  }
  catch (...)
  {
    return false;
  }
}

bool enterModule(void* handle, bool keepHandle)
{
  const std::lock_guard<std::mutex> lock(gEntryMutex);
  if (gEntryCount > 0)
  {
    ++gEntryCount;
    return true;
  }
  if (keepHandle)
    gModuleHandle = handle;
  if (!runHook(&InitModule))
  {
    gModuleHandle = nullptr;
    return false;
  }
  gEntryCount = 1;
  return true;
}

bool leaveModule()
{
  const std::lock_guard<std::mutex> lock(gEntryMutex);
  if (gEntryCount == 0)
    return false;
  if (--gEntryCount > 0)
    return true;
  const bool ok = runHook(&DeinitModule);
  gModuleHandle = nullptr;
  return ok;
}
} // namespace

extern "C"
{
#if !defined(_WIN32)
  SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle)
  {
    return enterModule(sharedLibraryHandle, true);
  }

  SMTG_EXPORT_SYMBOL bool ModuleExit()
  {
    return leaveModule();
  }

  // On Linux the Windows pair shares the count but has no handle to give.
  SMTG_EXPORT_SYMBOL bool InitDll()
  {
    return enterModule(nullptr, false);
  }
#else
  SMTG_EXPORT_SYMBOL bool InitDll()
  {
    return enterModule(gModuleInstance.load(), true);
  }
#endif

  SMTG_EXPORT_SYMBOL bool ExitDll()
  {
    return leaveModule();
  }
}

namespace Steinberg
{
void* moduleHandle() noexcept
{
  const std::lock_guard<std::mutex> lock(gEntryMutex);
  return gModuleHandle;
}

#if defined(_WIN32)
void setModuleInstance(void* instance) noexcept
{
  gModuleInstance.store(instance);
}
#endif
} // namespace Steinberg
