#pragma once

#include "vst3/sdk/interfaces/ModuleExports.h"

#include <filesystem>
#include <memory>
#include <string>

// A plug-in module's binary opened the way hosts of this platform open it, with the
// platform's entry pair: ModuleEntry(handle) / ModuleExit on Linux, InitDll / ExitDll on
// Windows. One implementation file per platform; this interface is the same everywhere.

namespace Steinberg
{
class SharedModule
{
public:
  // Opens the binary (no entry call yet). Null with `error` set when it cannot be loaded.
  static std::unique_ptr<SharedModule> open(const std::filesystem::path& binary, std::string& error);

  // The bundle's folder for this machine ("x86_64-linux", "x86_64-win") and the binary's
  // file name inside it for a bundle named `stem`.
  static std::string platformFolder();
  static std::string binaryFileName(const std::string& stem);
  // The entry pair hosts of this platform call, for messages.
  static const char* entryNames();

  ~SharedModule(); // closes the binary; exit() is the caller's business
  SharedModule(const SharedModule&) = delete;
  SharedModule& operator=(const SharedModule&) = delete;

  // Whether the entry pair is exported; enter() and exit() answer false without it.
  bool hasEntryPair() const;
  bool enter();
  bool exit();
  GetFactoryProc factoryFunction() const;
  // Any exported symbol by name, null when absent.
  void* symbol(const char* name) const;
  void* nativeHandle() const noexcept { return mHandle; }

private:
  explicit SharedModule(void* handle) : mHandle(handle) {}
  void* mHandle;
};
} // namespace Steinberg
