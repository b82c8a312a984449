#include "vst3/sdk/helpers/FUID.h"

#include <cstring>

namespace Steinberg
{
namespace
{
uint32 byteAt(const TuidBytes& bytes, int index)
{
  return static_cast<uint8>(bytes[static_cast<std::size_t>(index)]);
}

uint32 bigEndianWord(const TuidBytes& bytes, int first)
{
  return byteAt(bytes, first) << 24 | byteAt(bytes, first + 1) << 16 | byteAt(bytes, first + 2) << 8
         | byteAt(bytes, first + 3);
}

int hexValue(char c)
{
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

void appendHex(std::string& text, uint32 value, int digits)
{
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
    text.push_back(kDigits[(value >> shift) & 0xFu]);
}
} // namespace

FUID::FUID(uint32 l1, uint32 l2, uint32 l3, uint32 l4) noexcept : mData(tuidFromWords(l1, l2, l3, l4)) {}

FUID FUID::fromTUID(const TUID bytes) noexcept
{
  FUID id;
  if (bytes != nullptr)
    std::memcpy(id.mData.data(), bytes, sizeof(TUID));
  return id;
}

std::optional<FUID> FUID::fromString(std::string_view text) noexcept
{
  // The registry form is the plain form with braces and four dashes at fixed places.
  if (text.size() == 38)
  {
    if (text.front() != '{' || text.back() != '}' || text[9] != '-' || text[14] != '-' || text[19] != '-'
        || text[24] != '-')
      return std::nullopt;
    char digits[32];
    std::size_t n = 0;
    for (char c : text.substr(1, 36))
    {
      if (c != '-')
        digits[n++] = c;
    }
    return fromString(std::string_view(digits, n));
  }
  if (text.size() != 32)
    return std::nullopt;
  uint32 words[4] = {};
  for (std::size_t i = 0; i < 32; ++i)
  {
    const int value = hexValue(text[i]);
    if (value < 0)
      return std::nullopt;
    words[i / 8] = words[i / 8] << 4 | static_cast<uint32>(value);
  }
  return FUID(words[0], words[1], words[2], words[3]);
}

bool FUID::isValid() const noexcept
{
  for (int8 byte : mData)
  {
    if (byte != 0)
      return true;
  }
  return false;
}

uint32 FUID::getLong1() const noexcept
{
  if (kComCompatible)
    return byteAt(mData, 3) << 24 | byteAt(mData, 2) << 16 | byteAt(mData, 1) << 8 | byteAt(mData, 0);
  return bigEndianWord(mData, 0);
}

uint32 FUID::getLong2() const noexcept
{
  if (kComCompatible)
    return byteAt(mData, 5) << 24 | byteAt(mData, 4) << 16 | byteAt(mData, 7) << 8 | byteAt(mData, 6);
  return bigEndianWord(mData, 4);
}

uint32 FUID::getLong3() const noexcept { return bigEndianWord(mData, 8); }
uint32 FUID::getLong4() const noexcept { return bigEndianWord(mData, 12); }

void FUID::toTUID(TUID out) const noexcept
{
  if (out != nullptr)
    std::memcpy(out, mData.data(), sizeof(TUID));
}

std::string FUID::toString() const
{
  std::string text;
  text.reserve(32);
  appendHex(text, getLong1(), 8);
  appendHex(text, getLong2(), 8);
  appendHex(text, getLong3(), 8);
  appendHex(text, getLong4(), 8);
  return text;
}

std::string FUID::toRegistryString() const
{
  const std::string digits = toString();
  std::string text = "{";
  text.append(digits, 0, 8).append("-").append(digits, 8, 4).append("-").append(digits, 12, 4);
  text.append("-").append(digits, 16, 4).append("-").append(digits, 20, 12).append("}");
  return text;
}

bool operator==(const FUID& a, const FUID& b) noexcept
{
  return std::memcmp(a.mData.data(), b.mData.data(), sizeof(TUID)) == 0;
}

bool operator<(const FUID& a, const FUID& b) noexcept
{
  return std::memcmp(a.mData.data(), b.mData.data(), sizeof(TUID)) < 0;
}
} // namespace Steinberg
