#pragma once

#include "tools/vst3host/HostApplication.h"
#include "tools/vst3host/Status.h"

#include "vst3/sdk/helpers/FUID.h"
#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/hosting/SharedModule.h"
#include "vst3/sdk/interfaces/IPluginFactory.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vst3host
{
// The module's factory description (PFactoryInfo).
struct FactoryDescription
{
  std::string vendor;
  std::string url;
  std::string email;
  Steinberg::int32 flags = 0; // PFactoryInfo::FactoryFlags
};

// One class of the factory, from the richest description the factory answers
// (PClassInfoW, else PClassInfo2, else PClassInfo; the fields the older ones lack stay
// empty).
struct ClassDescription
{
  Steinberg::FUID cid;
  std::string category; // e.g. "Audio Module Class"
  std::string name;
  std::string subCategories; // '|'-separated, e.g. "Fx|Dynamics"
  std::string vendor;
  std::string version;
  std::string sdkVersion;
  Steinberg::int32 cardinality = 0;
  Steinberg::uint32 classFlags = 0;

  bool isAudioEffect() const;
};

// A loaded plug-in module: the binary is opened, entered (ModuleEntry on Linux, InitDll
// on Windows) and its factory taken and scanned. Instances keep the module alive (they
// hold it by shared_ptr), so the factory is released, the exit (ModuleExit, ExitDll)
// called and the binary closed only after the last instance is gone. [UI thread]
class Module : public std::enable_shared_from_this<Module>
{
public:
  // path: a bundle folder "<Name>.vst3" or the shared object itself. The factory gets
  // the host context (or a new one named "quenmark") through setHostContext when it
  // answers IPluginFactory3. Failures name the path and what went wrong.
  static Result<std::shared_ptr<Module>> load(const std::filesystem::path& path,
                                              Steinberg::IPtr<Steinberg::Vst::HostApplication> context = {});
  // The binary a host loads for a bundle folder (<Name>.vst3/Contents/<machine>-linux/
  // <Name>.so, or <Name>.vst3/Contents/x86_64-win/<Name>.vst3 on Windows), or the path
  // itself when it is a file.
  static Result<std::filesystem::path> binaryOf(const std::filesystem::path& bundleOrBinary);

  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  const std::filesystem::path& binaryPath() const noexcept { return mBinaryPath; }
  const FactoryDescription& factoryDescription() const noexcept { return mFactoryDescription; }
  const std::vector<ClassDescription>& classes() const noexcept { return mClasses; }
  // The first class of category "Audio Module Class".
  Result<ClassDescription> firstAudioEffect() const;

  Steinberg::IPluginFactory* factory() const noexcept { return mFactory.get(); }
  Steinberg::Vst::HostApplication& hostContext() const noexcept { return *mContext.get(); }

  // Releases the factory, calls the exit function and closes the binary. Refused while an
  // instance still holds the module; an exit answering false is reported (the binary is
  // closed all the same). Idempotent; the destructor calls it.
  Status unload();

private:
  Module() = default;
  Status close();

  std::filesystem::path mBinaryPath;
  std::unique_ptr<Steinberg::SharedModule> mBinary;
  bool mEntered = false;
  Steinberg::IPtr<Steinberg::IPluginFactory> mFactory;
  Steinberg::IPtr<Steinberg::Vst::HostApplication> mContext;
  FactoryDescription mFactoryDescription;
  std::vector<ClassDescription> mClasses;
};
} // namespace vst3host
