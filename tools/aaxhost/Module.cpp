#include "tools/aaxhost/Module.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace aaxhost
{
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
  const std::filesystem::path binary = std::filesystem::is_directory(path) ? BinaryIn(path) : path;
  std::unique_ptr<Module> module(new Module);
  module->mHandle = OpenBinary(binary, error);
  if (module->mHandle == nullptr)
    return nullptr;
  void* h = module->mHandle;
  if (!Find(h, "ACFStartup", module->mStartup, error) || !Find(h, "ACFShutdown", module->mShutdown, error) ||
      !Find(h, "ACFRegisterPlugin", module->mRegisterPlugin, error) ||
      !Find(h, "ACFRegisterComponent", module->mRegisterComponent, error) ||
      !Find(h, "ACFGetClassFactory", module->mGetClassFactory, error) ||
      !Find(h, "ACFCanUnloadNow", module->mCanUnloadNow, error) ||
      !Find(h, "ACFGetSDKVersion", module->mGetSdkVersion, error))
    return nullptr;
  if (const AAX_Result result = module->mStartup(nullptr); result != AAX_SUCCESS)
  {
    error = "ACFStartup failed with " + std::to_string(result);
    return nullptr;
  }
  module->mStarted = true;
  module->mCollection = std::make_unique<Collection>();
  module->mRegisterResult = module->mRegisterPlugin(nullptr, module->mCollection.get());
  if (module->mRegisterResult != AAX_SUCCESS)
  {
    error = "ACFRegisterPlugin failed with " + std::to_string(module->mRegisterResult);
    return nullptr;
  }
  return module;
}

Module::~Module()
{
  if (mStarted)
    mShutdown(nullptr);
  mCollection.reset(); // holds procedure pointers into the binary
  if (mHandle != nullptr)
    CloseBinary(mHandle);
}

AAX_Result Module::Register(Collection& collection) const { return mRegisterPlugin(nullptr, &collection); }
AAX_Result Module::CanUnloadNow() const { return mCanUnloadNow(nullptr); }
AAX_Result Module::SdkVersion(uint64_t* version) const { return mGetSdkVersion(version); }
AAX_Result Module::GetClassFactory(AAX_CTypeID classId, void** factory) const
{
  return mGetClassFactory(nullptr, classId, factory);
}
AAX_Result Module::RegisterComponent(Collection& collection) const { return mRegisterComponent(nullptr, &collection); }
} // namespace aaxhost
