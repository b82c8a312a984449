#pragma once

// A loaded AAX module as a host uses it: its seven entry points (found by name in a
// binary, or handed in by a test that links the module's code), registered into the
// host's objects, started, and at the end shut down with its references checked.

#include "tools/aaxhost/Description.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace aaxhost
{
struct EntryPoints
{
  abi::ACFRegisterPluginProc registerPlugin = nullptr;
  abi::ACFRegisterComponentProc registerComponent = nullptr;
  abi::ACFGetClassFactoryProc getClassFactory = nullptr;
  abi::ACFCanUnloadNowProc canUnloadNow = nullptr;
  abi::ACFStartupProc startup = nullptr;
  abi::ACFShutdownProc shutdown = nullptr;
  abi::ACFGetSDKVersionProc getSdkVersion = nullptr;
};

class Module
{
public:
  // path: the bundle folder (TavrikQuenmark.aaxplugin) or the binary inside it. Null with
  // error set when the binary cannot be opened, lacks an entry point, or fails to
  // register or start.
  static std::unique_ptr<Module> Load(const std::filesystem::path& path, std::string& error);
  // A module whose code is linked into this program.
  static std::unique_ptr<Module> FromEntryPoints(const EntryPoints& entry, std::string& error);
  // The binary inside a bundle folder on this platform.
  static std::filesystem::path BinaryIn(const std::filesystem::path& bundle);
  // Shuts the module down (Finish) and closes the binary.
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // What ACFRegisterPlugin described.
  const Collection& Description() const { return *mCollection; }
  // Every description call in order, e.g. "AddPrivateData(8, 8, 0)".
  const std::vector<std::string>& DescriptionCalls() const { return mFactory->Calls(); }
  // The effect by ID, or null.
  const EffectDescriptor* Effect(const std::string& id) const { return mCollection->Effect(id); }

  // The module's entry points and the host unknown the host gives them, for tests that
  // call them with bad input.
  const EntryPoints& Entry() const { return mEntry; }
  abi::IACFUnknown* HostUnknown() const { return mFactory.get(); }
  ComponentFactory& Factory() const { return *mFactory; }
  const std::shared_ptr<Checks>& SharedChecks() const { return mChecks; }
  Checks& Record() const { return *mChecks; }

  abi::ACFRESULT CanUnloadNow() const { return mEntry.canUnloadNow(mFactory.get()); }

  // The end of a host's session with the module: ACFShutdown, then the checks that
  // every object the module was given or made is back to its owner's references and
  // that the module may unload. Call after every instance is gone. Returns the
  // problems found since loading (also kept in Record()). Runs once.
  std::vector<std::string> Finish();

private:
  Module() = default;
  bool Start(std::string& error);

  void* mHandle = nullptr;
  EntryPoints mEntry;
  std::shared_ptr<Checks> mChecks = std::make_shared<Checks>();
  std::unique_ptr<ComponentFactory> mFactory;
  Collection* mCollection = nullptr;
  bool mStarted = false;
  bool mFinished = false;
};
} // namespace aaxhost
