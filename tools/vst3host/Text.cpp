#include "tools/vst3host/Text.h"

#include "vst3/sdk/helpers/Utf16.h"

#include <vector>

namespace vst3host
{
std::string toUtf8(const Steinberg::char16* text, Steinberg::int32 maxUnits)
{
  if (text == nullptr || maxUnits <= 0)
    return {};
  const Steinberg::int32 length = Steinberg::text16Length(text, maxUnits);
  std::u16string terminated(text, static_cast<std::size_t>(length));
  // Each unit becomes at most 3 bytes (a surrogate pair, two units, 4 bytes).
  std::vector<char> buffer(static_cast<std::size_t>(length) * 3 + 1);
  Steinberg::utf16ToUtf8(terminated.c_str(), buffer.data(), static_cast<Steinberg::int32>(buffer.size()));
  return buffer.data();
}

std::string fieldText(const char* text, Steinberg::int32 maxBytes)
{
  if (text == nullptr || maxBytes <= 0)
    return {};
  std::size_t length = 0;
  while (length < static_cast<std::size_t>(maxBytes) && text[length] != '\0')
    ++length;
  return std::string(text, length);
}

std::u16string toUtf16(std::string_view text)
{
  const std::string terminated(text);
  std::vector<Steinberg::char16> buffer(terminated.size() + 1);
  Steinberg::utf8ToUtf16(terminated.c_str(), buffer.data(), static_cast<Steinberg::int32>(buffer.size()));
  return buffer.data();
}
} // namespace vst3host
