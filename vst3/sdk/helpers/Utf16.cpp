#include "vst3/sdk/helpers/Utf16.h"

#include <algorithm>

namespace Steinberg
{
namespace
{
constexpr char32_t kReplacement = 0xFFFD;

template <class Unit>
int32 finish(Unit* dest, int32 written, int32 capacity)
{
  std::fill(dest + written, dest + capacity, Unit(0));
  return written;
}

// Decodes one UTF-8 sequence starting at text[0]; advances text past what it consumed.
char32_t decodeUtf8(const unsigned char*& text)
{
  const unsigned char lead = *text++;
  if (lead < 0x80)
    return lead;
  int continuation = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0)
  {
    continuation = 1;
    value = lead & 0x1F;
    minimum = 0x80;
  }
  else if ((lead & 0xF0) == 0xE0)
  {
    continuation = 2;
    value = lead & 0x0F;
    minimum = 0x800;
  }
  else if ((lead & 0xF8) == 0xF0)
  {
    continuation = 3;
    value = lead & 0x07;
    minimum = 0x10000;
  }
  else
    return kReplacement;
  for (int i = 0; i < continuation; ++i)
  {
    if ((*text & 0xC0) != 0x80) // also stops at the terminating zero
      return kReplacement;
    value = value << 6 | (*text++ & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
    return kReplacement;
  return value;
}
} // namespace

int32 widenText(const char8* text, char16* dest, int32 capacityUnits) noexcept
{
  if (dest == nullptr || capacityUnits <= 0)
    return 0;
  int32 n = 0;
  for (; text != nullptr && text[n] != 0 && n < capacityUnits - 1; ++n)
    dest[n] = static_cast<char16>(static_cast<unsigned char>(text[n]));
  return finish(dest, n, capacityUnits);
}

int32 narrowText(const char16* text, char8* dest, int32 capacityBytes) noexcept
{
  if (dest == nullptr || capacityBytes <= 0)
    return 0;
  int32 n = 0;
  for (; text != nullptr && text[n] != 0 && n < capacityBytes - 1; ++n)
    dest[n] = text[n] <= 0xFF ? static_cast<char8>(static_cast<unsigned char>(text[n])) : '?';
  return finish(dest, n, capacityBytes);
}

int32 copyText8(const char8* text, char8* dest, int32 capacityBytes) noexcept
{
  if (dest == nullptr || capacityBytes <= 0)
    return 0;
  int32 n = 0;
  for (; text != nullptr && text[n] != 0 && n < capacityBytes - 1; ++n)
    dest[n] = text[n];
  return finish(dest, n, capacityBytes);
}

int32 copyText16(const char16* text, char16* dest, int32 capacityUnits) noexcept
{
  if (dest == nullptr || capacityUnits <= 0)
    return 0;
  int32 n = 0;
  for (; text != nullptr && text[n] != 0 && n < capacityUnits - 1; ++n)
    dest[n] = text[n];
  return finish(dest, n, capacityUnits);
}

int32 utf8ToUtf16(const char8* text, char16* dest, int32 capacityUnits) noexcept
{
  if (dest == nullptr || capacityUnits <= 0)
    return 0;
  int32 n = 0;
  auto in = reinterpret_cast<const unsigned char*>(text);
  while (in != nullptr && *in != 0)
  {
    const char32_t c = decodeUtf8(in);
    const int32 units = c >= 0x10000 ? 2 : 1;
    if (n + units > capacityUnits - 1)
      break;
    if (units == 2)
    {
      dest[n++] = static_cast<char16>(0xD800 + ((c - 0x10000) >> 10));
      dest[n++] = static_cast<char16>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
    else
      dest[n++] = static_cast<char16>(c);
  }
  return finish(dest, n, capacityUnits);
}

int32 utf16ToUtf8(const char16* text, char8* dest, int32 capacityBytes) noexcept
{
  if (dest == nullptr || capacityBytes <= 0)
    return 0;
  int32 n = 0;
  for (int32 i = 0; text != nullptr && text[i] != 0;)
  {
    char32_t c = text[i++];
    if (c >= 0xD800 && c <= 0xDBFF && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF)
      c = kReplacement;
    unsigned char bytes[4];
    int32 count = 0;
    if (c < 0x80)
      bytes[count++] = static_cast<unsigned char>(c);
    else if (c < 0x800)
    {
      bytes[count++] = static_cast<unsigned char>(0xC0 | c >> 6);
      bytes[count++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    }
    else if (c < 0x10000)
    {
      bytes[count++] = static_cast<unsigned char>(0xE0 | c >> 12);
      bytes[count++] = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F));
      bytes[count++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    }
    else
    {
      bytes[count++] = static_cast<unsigned char>(0xF0 | c >> 18);
      bytes[count++] = static_cast<unsigned char>(0x80 | (c >> 12 & 0x3F));
      bytes[count++] = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F));
      bytes[count++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    }
    if (n + count > capacityBytes - 1)
      break;
    for (int32 k = 0; k < count; ++k)
      dest[n++] = static_cast<char8>(bytes[k]);
  }
  return finish(dest, n, capacityBytes);
}

int32 text16Length(const char16* text, int32 maxUnits) noexcept
{
  int32 n = 0;
  while (text != nullptr && n < maxUnits && text[n] != 0)
    ++n;
  return n;
}

bool text16Equal(const char16* a, const char16* b) noexcept
{
  static constexpr char16 kEmpty[] = u"";
  const char16* x = a ? a : kEmpty;
  const char16* y = b ? b : kEmpty;
  for (; *x != 0 && *x == *y; ++x, ++y)
  {
  }
  return *x == *y;
}
} // namespace Steinberg
