#include "vst3/sdk/hosting/SharedModule.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace Steinberg
{
namespace
{
HMODULE asModule(void* handle)
{
  return static_cast<HMODULE>(handle);
}

std::string lastErrorText()
{
  const DWORD code = GetLastError();
  char* text = nullptr;
  const DWORD length =
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length > 0 && text ? std::string(text, length) : std::string();
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  return "error " + std::to_string(code) + (message.empty() ? "" : " (" + message + ")");
}
} // namespace

std::unique_ptr<SharedModule> SharedModule::open(const std::filesystem::path& binary, std::string& error)
{
  // The wide form, so any path Windows can name loads; the altered search path lets a
  // module find DLLs that sit beside it.
  HMODULE handle = LoadLibraryExW(binary.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (handle == nullptr)
  {
    error = lastErrorText();
    return nullptr;
  }
  return std::unique_ptr<SharedModule>(new SharedModule(handle));
}

std::string SharedModule::platformFolder()
{
  return "x86_64-win";
}

std::string SharedModule::binaryFileName(const std::string& stem)
{
  return stem + ".vst3";
}

const char* SharedModule::entryNames()
{
  return "InitDll / ExitDll";
}

SharedModule::~SharedModule()
{
  FreeLibrary(asModule(mHandle));
}

void* SharedModule::symbol(const char* name) const
{
  return reinterpret_cast<void*>(GetProcAddress(asModule(mHandle), name));
}

bool SharedModule::hasEntryPair() const
{
  return symbol(kInitDllName) != nullptr && symbol(kExitDllName) != nullptr;
}

bool SharedModule::enter()
{
  auto entry = reinterpret_cast<InitDllFunc>(symbol(kInitDllName));
  return entry != nullptr && entry();
}

bool SharedModule::exit()
{
  auto leave = reinterpret_cast<ExitDllFunc>(symbol(kExitDllName));
  return leave != nullptr && leave();
}

GetFactoryProc SharedModule::factoryFunction() const
{
  return reinterpret_cast<GetFactoryProc>(symbol(kGetPluginFactoryName));
}
} // namespace Steinberg
