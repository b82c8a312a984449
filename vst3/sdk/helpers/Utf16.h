#pragma once

#include "vst3/sdk/interfaces/Types.h"

#include <cstddef>

// Text for the fixed-size string fields of the interfaces. Every function writes at most
// capacity units including the terminating zero, always terminates (for capacity > 0),
// zero-fills the unused tail (hosts compare whole structs byte-wise), treats a null
// source as empty text and returns the number of units written before the terminator.

namespace Steinberg
{
// 8-bit text widened unit by unit: each byte becomes the UTF-16 unit of the same value
// (exact for ASCII and Latin-1).
int32 widenText(const char8* text, char16* dest, int32 capacityUnits) noexcept;
// UTF-16 narrowed unit by unit, the reverse of widenText; units above 0xFF become '?'.
int32 narrowText(const char16* text, char8* dest, int32 capacityBytes) noexcept;

// Plain copies with truncation.
int32 copyText8(const char8* text, char8* dest, int32 capacityBytes) noexcept;
int32 copyText16(const char16* text, char16* dest, int32 capacityUnits) noexcept;

// UTF-8 to UTF-16 (malformed bytes become U+FFFD; a cut never splits a surrogate pair).
int32 utf8ToUtf16(const char8* text, char16* dest, int32 capacityUnits) noexcept;
// UTF-16 to UTF-8 (unpaired surrogates become U+FFFD; a cut never splits a sequence).
int32 utf16ToUtf8(const char16* text, char8* dest, int32 capacityBytes) noexcept;

// Length of zero-terminated UTF-16 text, reading at most maxUnits units.
int32 text16Length(const char16* text, int32 maxUnits) noexcept;
// Exact unit-by-unit comparison of two zero-terminated texts (null counts as empty).
bool text16Equal(const char16* a, const char16* b) noexcept;

template <std::size_t N>
int32 widenText(const char8* text, char16 (&dest)[N]) noexcept
{
  return widenText(text, dest, static_cast<int32>(N));
}
template <std::size_t N>
int32 narrowText(const char16* text, char8 (&dest)[N]) noexcept
{
  return narrowText(text, dest, static_cast<int32>(N));
}
template <std::size_t N>
int32 copyText8(const char8* text, char8 (&dest)[N]) noexcept
{
  return copyText8(text, dest, static_cast<int32>(N));
}
template <std::size_t N>
int32 copyText16(const char16* text, char16 (&dest)[N]) noexcept
{
  return copyText16(text, dest, static_cast<int32>(N));
}
template <std::size_t N>
int32 utf8ToUtf16(const char8* text, char16 (&dest)[N]) noexcept
{
  return utf8ToUtf16(text, dest, static_cast<int32>(N));
}
template <std::size_t N>
int32 utf16ToUtf8(const char16* text, char8 (&dest)[N]) noexcept
{
  return utf16ToUtf8(text, dest, static_cast<int32>(N));
}
} // namespace Steinberg
