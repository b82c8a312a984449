#include "tools/aaxhost/Module.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace aaxhost
{
using namespace abi;

namespace
{
void* OpenBinary(const std::filesystem::path& binary, std::string& error)
{
#if defined(_WIN32)
  HMODULE handle = LoadLibraryW(binary.wstring().c_str());
  if (handle == nullptr)
    error = "cannot load " + binary.string() + " (error " + std::to_string(GetLastError()) + ")";
  return reinterpret_cast<void*>(handle);
#else
  void* handle = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr)
    error = dlerror();
  return handle;
#endif
}

void* Symbol(void* handle, const char* name)
{
#if defined(_WIN32)
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
  return dlsym(handle, name);
#endif
}

void CloseBinary(void* handle)
{
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle));
#else
  dlclose(handle);
#endif
}

template <typename Proc>
bool Find(void* handle, const char* name, Proc& proc, std::string& error)
{
  proc = reinterpret_cast<Proc>(Symbol(handle, name));
  if (proc == nullptr)
    error = std::string("the module does not export ") + name;
  return proc != nullptr;
}
} // namespace

std::filesystem::path Module::BinaryIn(const std::filesystem::path& bundle)
{
  const std::string stem = bundle.stem().string();
#if defined(_WIN32)
  return bundle / "Contents" / "x64" / (stem + ".aaxplugin");
#else
  return bundle / "Contents" / "x86_64-linux" / (stem + ".so");
#endif
}

std::unique_ptr<Module> Module::Load(const std::filesystem::path& path, std::string& error)
{
  std::error_code ignored;
  const std::filesystem::path binary = std::filesystem::is_directory(path, ignored) ? BinaryIn(path) : path;
  std::unique_ptr<Module> module(new Module);
  module->mHandle = OpenBinary(binary, error);
  if (module->mHandle == nullptr)
    return nullptr;
  void* h = module->mHandle;
  EntryPoints& e = module->mEntry;
  if (!Find(h, "ACFRegisterPlugin", e.registerPlugin, error) ||
      !Find(h, "ACFRegisterComponent", e.registerComponent, error) ||
      !Find(h, "ACFGetClassFactory", e.getClassFactory, error) ||
      !Find(h, "ACFCanUnloadNow", e.canUnloadNow, error) || !Find(h, "ACFStartup", e.startup, error) ||
      !Find(h, "ACFShutdown", e.shutdown, error) || !Find(h, "ACFGetSDKVersion", e.getSdkVersion, error))
    return nullptr;
  if (!module->Start(error))
    return nullptr;
  return module;
}

std::unique_ptr<Module> Module::FromEntryPoints(const EntryPoints& entry, std::string& error)
{
  std::unique_ptr<Module> module(new Module);
  module->mEntry = entry;
  const EntryPoints& e = entry;
  if (!e.registerPlugin || !e.registerComponent || !e.getClassFactory || !e.canUnloadNow || !e.startup ||
      !e.shutdown || !e.getSdkVersion)
  {
    error = "an entry point is missing";
    return nullptr;
  }
  if (!module->Start(error))
    return nullptr;
  return module;
}

// Registration, then the load for use (the module stays loaded in between here).
bool Module::Start(std::string& error)
{
  mFactory = std::make_unique<ComponentFactory>(mChecks);
  uint64_t version = 0;
  if (const ACFRESULT result = mEntry.getSdkVersion(&version); result != ACF_OK)
    mChecks->Problem("ACFGetSDKVersion answered " + std::to_string(result));
  else if (version != kSdkVersion)
    mChecks->Problem("ACFGetSDKVersion reports an unexpected version " + std::to_string(version));

  IACFPluginDefinition* definition = nullptr;
  if (const ACFRESULT result = mEntry.registerPlugin(mFactory.get(), &definition); result != ACF_OK)
  {
    error = "ACFRegisterPlugin failed with " + std::to_string(result);
    return false;
  }
  for (const auto& collection : mFactory->Collections())
    if (static_cast<IACFPluginDefinition*>(collection.get()) == definition)
      mCollection = collection.get();
  if (mCollection == nullptr)
  {
    error = definition == nullptr ? "ACFRegisterPlugin succeeded without a plug-in definition"
                                  : "ACFRegisterPlugin's plug-in definition is not the host's collection";
    return false;
  }
  // The definition announces no component of its own (the collection is not an ACF
  // plug-in definition of the generic kind), so no ACFRegisterComponent call follows.
  definition->Release();
  if (const ACFRESULT result = CanUnloadNow(); result != ACF_OK)
    mChecks->Problem("after registration ACFCanUnloadNow answers " + std::to_string(result));

  if (const ACFRESULT result = mEntry.startup(mFactory.get()); result != ACF_OK)
  {
    error = "ACFStartup failed with " + std::to_string(result);
    return false;
  }
  mStarted = true;
  return true;
}

std::vector<std::string> Module::Finish()
{
  if (!mFinished && mStarted)
  {
    mFinished = true;
    if (const ACFRESULT result = mEntry.shutdown(mFactory.get()); result != ACF_OK)
      mChecks->Problem("ACFShutdown answered " + std::to_string(result));
    if (const ACFRESULT result = CanUnloadNow(); result != ACF_OK)
      mChecks->Problem("at the end ACFCanUnloadNow answers " + std::to_string(result));
    if (const uint32_t held = mFactory->ModuleReferences(); held != 0)
      mChecks->Problem("the module keeps " + std::to_string(held) + " references to the host unknown");
    for (const auto& [kind, held] : mFactory->MadeObjectReferences())
      if (held != 0)
        mChecks->Problem("the module keeps " + std::to_string(held) + " references to a " + kind);
  }
  return mChecks->Problems();
}

Module::~Module()
{
  if (mFactory != nullptr)
    Finish();
  mFactory.reset(); // holds procedure pointers into the binary
  if (mHandle != nullptr)
    CloseBinary(mHandle);
}
} // namespace aaxhost
