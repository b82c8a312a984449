#pragma once

#include <cstddef>
#include <cstdio>
#include <limits>
#include <mutex>

// What the CLAP binding's source files share.
namespace clapbinding
{
using PlugLock = std::lock_guard<std::recursive_mutex>;

// A parameter slot that holds no value.
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// Copies text (nothing for null) into a host's fixed buffer, cut to fit and terminated.
inline void CopyText(char* out, std::size_t capacity, const char* text)
{
  if (capacity == 0)
    return;
  std::snprintf(out, capacity, "%s", text != nullptr ? text : "");
}
} // namespace clapbinding
