#include "tools/quenmark/PluginSession.h"

#include "tools/claphost/ClapSession.h"
#include "tools/quenmark/AaxSession.h"
#if QUENMARK_WITH_LV2
#include "tools/quenmark/Lv2Session.h"
#endif
#include "tools/quenmark/ToolError.h"
#include "tools/quenmark/Vst3Session.h"

#include <nlohmann/json.hpp>

namespace quenmark
{
namespace
{
// The state document (an int32 length, little-endian, then the JSON text); an empty object
// when there is none.
nlohmann::json stateDocumentOf(const std::uint8_t* state, std::size_t size)
{
  if (size < 4)
    return nlohmann::json::object();
  const std::uint32_t length = std::uint32_t(state[0]) | std::uint32_t(state[1]) << 8 |
                               std::uint32_t(state[2]) << 16 | std::uint32_t(state[3]) << 24;
  if (length > size - 4)
    return nlohmann::json::object();
  nlohmann::json document = nlohmann::json::parse(state + 4, state + 4 + length, nullptr, false);
  return document.is_object() ? document : nlohmann::json::object();
}
} // namespace

double PluginSession::currentGainDb()
{
  double silence[2] = {0., 0.};
  double output[2] = {0., 0.};
  const double* in[2] = {&silence[0], &silence[1]};
  double* out[2] = {&output[0], &output[1]};
  process(in, out, 1);
  return gainDb();
}

bool isAaxBundle(const std::filesystem::path& path)
{
  // The bundle folder, or the module inside it.
  for (const std::filesystem::path& part : path)
    if (part.extension() == ".aaxplugin")
      return true;
  return false;
}

std::shared_ptr<Plugin> loadPlugin(const std::optional<std::string>& path)
{
  if (path && isAaxBundle(*path))
    return loadAaxPlugin(*path);
#if QUENMARK_WITH_LV2
  if (path && isLv2Bundle(*path))
    return loadLv2Plugin(*path);
#endif
  if (path && std::filesystem::path(*path).extension() == ".clap")
    return loadClapPlugin(*path);
  try
  {
    return loadVst3Plugin(path);
  }
  catch (const ToolError& vst3Error)
  {
    if (!path)
      throw;
    // A bundle renamed or a bare module: the AAX entry points tell.
    if (std::filesystem::path(*path).extension() != ".vst3")
    {
      try
      {
        return loadAaxPlugin(*path);
      }
      catch (const ToolError&)
      {
      }
    }
    throw ToolError(vst3Error.code(), std::string(vst3Error.what()) +
                                        " (--plugin takes a TavrikQuenmark.vst3 or TavrikQuenmark.aaxplugin bundle)");
  }
}

std::optional<double> maxPeakOf(const std::uint8_t* state, std::size_t size)
{
  const nlohmann::json document = stateDocumentOf(state, size);
  if (!document.contains("maxpeak") || !document["maxpeak"].is_number())
    return std::nullopt;
  return document["maxpeak"].get<double>();
}

std::optional<double> savedParameterOf(const std::uint8_t* state, std::size_t size, const std::string& name)
{
  const nlohmann::json document = stateDocumentOf(state, size);
  if (!document.contains("params") || !document["params"].is_array())
    return std::nullopt;
  for (const nlohmann::json& element : document["params"])
    if (element.is_object() && element.contains("name") && element["name"] == name && element.contains("value") &&
        element["value"].is_number())
      return element["value"].get<double>();
  return std::nullopt;
}
} // namespace quenmark
