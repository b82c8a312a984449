#pragma once

// The module's own entry points, linked into a test, as our host's entry-point table.
// The host declares the interface in its own names, so each entry point is reached
// through a thunk of exactly the host's function type that hands its arguments on
// unchanged (same layout, other declaration): calling a function through a pointer of
// another declared type would be undefined.

#include "tools/aaxhost/Module.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_Exports.h"

#include <type_traits>

namespace aaxtest
{
template <typename To, typename From>
To AsModuleArgument(From& value)
{
  if constexpr (std::is_arithmetic_v<std::remove_reference_t<To>>)
    return static_cast<To>(value);
  else
    return reinterpret_cast<To>(value);
}

template <typename HostResult, typename ModuleResult, typename... ModuleArgs, typename... HostArgs>
HostResult CallModule(ModuleResult (*entry)(ModuleArgs...), HostArgs... args)
{
  return static_cast<HostResult>(entry(AsModuleArgument<ModuleArgs>(args)...));
}

template <typename HostProc, auto Entry>
struct EntryThunk;

template <typename R, typename... A, auto Entry>
struct EntryThunk<R (*)(A...), Entry>
{
  static R Call(A... args) { return CallModule<R>(Entry, args...); }
};

inline aaxhost::EntryPoints LinkedEntryPoints()
{
  namespace abi = aaxhost::abi;
  aaxhost::EntryPoints entry;
  entry.registerPlugin = &EntryThunk<abi::ACFRegisterPluginProc, &ACFRegisterPlugin>::Call;
  entry.registerComponent = &EntryThunk<abi::ACFRegisterComponentProc, &ACFRegisterComponent>::Call;
  entry.getClassFactory = &EntryThunk<abi::ACFGetClassFactoryProc, &ACFGetClassFactory>::Call;
  entry.canUnloadNow = &EntryThunk<abi::ACFCanUnloadNowProc, &ACFCanUnloadNow>::Call;
  entry.startup = &EntryThunk<abi::ACFStartupProc, &ACFStartup>::Call;
  entry.shutdown = &EntryThunk<abi::ACFShutdownProc, &ACFShutdown>::Call;
  entry.getSdkVersion = &EntryThunk<abi::ACFGetSDKVersionProc, &ACFGetSDKVersion>::Call;
  return entry;
}
} // namespace aaxtest
