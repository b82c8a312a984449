#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

#include <mutex>
#include <new>

// What the VST3 binding's source files share: the plug-in mutex's guard, the widened
// texts handed to the host, and the guard around host calls that allocate.
namespace vst3binding
{
using PlugLock = std::lock_guard<std::recursive_mutex>;

// Widened copies of the 8-bit texts handed to the layer (titles, units, list entries, bus
// names), each converted once for the life of the module and keyed by its contents.
// Entries are never removed, so the returned pointers stay valid.
const Steinberg::char16* Widened(const char* text);

// Runs a host call that allocates; nothing it throws reaches the host.
template <typename Call>
Steinberg::tresult Guarded(Call&& call) noexcept
{
  try
  {
    return call();
  }
  catch (const std::bad_alloc&)
  {
    return Steinberg::kOutOfMemory;
  }
  catch (...)
  {
    return Steinberg::kInternalError;
  }
}
} // namespace vst3binding
