#include "vst3/sdk/module/ModuleEntry.h"

#include <mutex>

namespace
{
std::mutex gEntryMutex;
int gEntryCount = 0;
void* gModuleHandle = nullptr;

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
  SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle)
  {
    return enterModule(sharedLibraryHandle, true);
  }

  SMTG_EXPORT_SYMBOL bool ModuleExit()
  {
    return leaveModule();
  }

  SMTG_EXPORT_SYMBOL bool InitDll()
  {
    return enterModule(nullptr, false);
  }

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
} // namespace Steinberg
