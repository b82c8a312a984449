#pragma once

#include "tools/aaxhost/Description.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_Exports.h"

#include <filesystem>
#include <memory>
#include <string>

namespace aaxhost
{
// A loaded AAX module: its seven entry points found by name, started, and registered
// into a recording collection. Shut down and closed on destruction.
class Module
{
public:
  // path: the bundle folder (TavrikQuenmark.aaxplugin) or the binary inside it. Null with
  // error set when the binary cannot be opened, lacks an entry point, or fails to start
  // or register.
  static std::unique_ptr<Module> Load(const std::filesystem::path& path, std::string& error);
  // The binary inside a bundle folder on this platform.
  static std::filesystem::path BinaryIn(const std::filesystem::path& bundle);
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // What ACFRegisterPlugin described, and its result.
  const Collection& Description() const { return *mCollection; }
  AAX_Result RegisterResult() const { return mRegisterResult; }
  // Describes again into a new collection (the host's own check of the description).
  AAX_Result Register(Collection& collection) const;

  AAX_Result CanUnloadNow() const;
  AAX_Result SdkVersion(uint64_t* version) const;
  AAX_Result GetClassFactory(AAX_CTypeID classId, void** factory) const;
  AAX_Result RegisterComponent(Collection& collection) const;

private:
  Module() = default;
  void* mHandle = nullptr;
  ACFStartupProc mStartup = nullptr;
  ACFShutdownProc mShutdown = nullptr;
  ACFRegisterPluginProc mRegisterPlugin = nullptr;
  ACFRegisterComponentProc mRegisterComponent = nullptr;
  ACFGetClassFactoryProc mGetClassFactory = nullptr;
  ACFCanUnloadNowProc mCanUnloadNow = nullptr;
  ACFGetSDKVersionProc mGetSdkVersion = nullptr;
  bool mStarted = false;
  std::unique_ptr<Collection> mCollection;
  AAX_Result mRegisterResult = AAX_SUCCESS;
};
} // namespace aaxhost
