#pragma once

#include "vst3/sdk/interfaces/Types.h"

#include <string>
#include <string_view>

// Conversions between the interfaces' fixed UTF-16 fields and the host's UTF-8 text.
namespace vst3host
{
// Reads at most maxUnits units (a field need not be terminated).
std::string toUtf8(const Steinberg::char16* text, Steinberg::int32 maxUnits);
// An 8-bit field of at most maxBytes bytes.
std::string fieldText(const char* text, Steinberg::int32 maxBytes);
std::u16string toUtf16(std::string_view text);
} // namespace vst3host
