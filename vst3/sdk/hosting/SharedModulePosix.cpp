#include "vst3/sdk/hosting/SharedModule.h"

#include <dlfcn.h>
#include <sys/utsname.h>

namespace Steinberg
{
std::unique_ptr<SharedModule> SharedModule::open(const std::filesystem::path& binary, std::string& error)
{
  void* handle = dlopen(binary.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (handle == nullptr)
  {
    const char* reason = dlerror();
    error = reason ? reason : "unknown error";
    return nullptr;
  }
  return std::unique_ptr<SharedModule>(new SharedModule(handle));
}

std::string SharedModule::platformFolder()
{
  utsname names{};
  return std::string(uname(&names) == 0 ? names.machine : "x86_64") + "-linux";
}

std::string SharedModule::binaryFileName(const std::string& stem)
{
  return stem + ".so";
}

const char* SharedModule::entryNames()
{
  return "ModuleEntry / ModuleExit";
}

SharedModule::~SharedModule()
{
  dlclose(mHandle);
}

void* SharedModule::symbol(const char* name) const
{
  return dlsym(mHandle, name);
}

bool SharedModule::hasEntryPair() const
{
  return symbol(kModuleEntryName) != nullptr && symbol(kModuleExitName) != nullptr;
}

bool SharedModule::enter()
{
  auto entry = reinterpret_cast<ModuleEntryFunc>(symbol(kModuleEntryName));
  return entry != nullptr && entry(mHandle);
}

bool SharedModule::exit()
{
  auto leave = reinterpret_cast<ModuleExitFunc>(symbol(kModuleExitName));
  return leave != nullptr && leave();
}

GetFactoryProc SharedModule::factoryFunction() const
{
  return reinterpret_cast<GetFactoryProc>(symbol(kGetPluginFactoryName));
}
} // namespace Steinberg
