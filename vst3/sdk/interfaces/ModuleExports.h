#pragma once

#include "vst3/sdk/interfaces/IPluginFactory.h"

// The C functions a module exports, as a host sees them after looking them up by name.
// GetPluginFactory returns one reference owned by the caller. On Linux ModuleEntry gets the
// handle returned by dlopen and runs before GetPluginFactory; ModuleExit runs before
// dlclose, after the host released the factory. InitDll / ExitDll are the Windows pair.

namespace Steinberg
{
using GetFactoryProc = IPluginFactory*(PLUGIN_API*)();
using ModuleEntryFunc = bool (*)(void* sharedLibraryHandle);
using ModuleExitFunc = bool (*)();
using InitDllFunc = bool (*)();
using ExitDllFunc = bool (*)();

inline constexpr const char* kGetPluginFactoryName = "GetPluginFactory";
inline constexpr const char* kModuleEntryName = "ModuleEntry";
inline constexpr const char* kModuleExitName = "ModuleExit";
inline constexpr const char* kInitDllName = "InitDll";
inline constexpr const char* kExitDllName = "ExitDll";
} // namespace Steinberg
