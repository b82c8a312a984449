#include "product/StateDocument.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace StateDocument
{
void Append(ChunkBuffer& chunk, const Parameters& parameters, double measuredLevel, const char* version,
            bool analyzeAsZero, int analyzeIndex)
{
  nlohmann::json params = nlohmann::json::array();
  for (int i = 0; i < parameters.count; ++i)
  {
    nlohmann::json value = parameters.values[i];
    if (analyzeAsZero && i == analyzeIndex)
      value = 0;
    params.push_back({{"name", parameters.names[i]}, {"value", value}});
  }
  nlohmann::json root;
  root["version"] = version;
  root["params"] = std::move(params);
  root["maxpeak"] = std::isfinite(measuredLevel) ? measuredLevel : kNoLevel;

  // Parameter names are the system's own ASCII; anything else is replaced, never thrown.
  const std::string text = root.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  chunk.PutInt32(static_cast<std::int32_t>(text.size()));
  chunk.PutBytes(text.data(), static_cast<int>(text.size()));
}

std::string TextAt(const ChunkBuffer& chunk, int start, int* endPosition)
{
  *endPosition = -1;
  std::int32_t length = 0;
  const int textStart = chunk.GetInt32(&length, start);
  if (textStart < 0)
    return {};
  *endPosition = static_cast<int>(static_cast<long long>(textStart) + length);
  if (length <= 0 || length > chunk.Size() - textStart)
    return {};
  const char* bytes = reinterpret_cast<const char*>(chunk.Data() + textStart);
  const void* zero = std::memchr(bytes, 0, static_cast<size_t>(length));
  const size_t size = zero ? static_cast<size_t>(static_cast<const char*>(zero) - bytes) : static_cast<size_t>(length);
  return std::string(bytes, size);
}

std::optional<Contents> Read(const ChunkBuffer& chunk, int start, const Parameters& parameters, bool* isJson)
{
  Contents contents;
  const std::string text = TextAt(chunk, start, &contents.endPosition);
  const nlohmann::json root = nlohmann::json::parse(text, nullptr, false);
  if (isJson != nullptr)
    *isJson = !root.is_discarded();
  // A state is an object with a parameter list; anything else (null, {}, a number)
  // would only clear the level of the instance it is loaded into.
  if (root.is_discarded() || !root.is_object())
    return std::nullopt;
  const auto params = root.find("params");
  if (params == root.end() || !params->is_array())
    return std::nullopt;

  contents.values.resize(static_cast<size_t>(parameters.count));
  for (const nlohmann::json& element : *params)
  {
    if (!element.is_object())
      return std::nullopt;
    const auto name = element.find("name");
    if (name == element.end() || !name->is_string())
      continue;
    const std::string& nameText = name->get_ref<const std::string&>();
    for (int i = 0; i < parameters.count; ++i)
    {
      if (nameText != parameters.names[i])
        continue;
      const auto value = element.find("value");
      if (value == element.end() || !value->is_number())
        return std::nullopt;
      contents.values[static_cast<size_t>(i)] = value->get<double>(); // a later element wins
    }
  }
  const auto level = root.find("maxpeak");
  if (level != root.end() && level->is_number())
  {
    const double measured = level->get<double>();
    contents.measuredLevel = std::isnan(measured) ? kNoLevel : std::clamp(measured, kNoLevel, kMaxLevel);
  }
  return contents;
}
}
