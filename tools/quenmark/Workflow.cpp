#include "tools/quenmark/Workflow.h"

#include "tools/quenmark/Measures.h"
#include "tools/quenmark/ToolError.h"

#include <cstdio>

namespace quenmark
{
void checkInput(const SoundFileReader& reader, const std::string& path)
{
  if (reader.channels() > 2)
    throw ToolError(kExitUsage, path + " has " + std::to_string(reader.channels()) +
                                  " channels; the plug-in takes mono and stereo audio only");
  if (reader.frames() <= 0)
    throw ToolError(kExitUsage, path + " holds no audio frames");
}

std::vector<std::string> inputWarnings(const SoundFileReader& reader, const std::string& path)
{
  std::vector<std::string> warnings;
  if (const std::optional<double> promised = reader.promisedSeconds())
  {
    char text[160];
    std::snprintf(text, sizeof(text), ": its header promises %.2f s of audio but the file holds %.2f s (cut short?); "
                  "the %.2f s it holds are used", *promised, reader.seconds(), reader.seconds());
    warnings.push_back(path + text);
  }
  return warnings;
}

void startAnalysis(PluginSession& session, std::optional<int> measure, std::optional<double> targetDb,
                   std::optional<double> gateDb)
{
  const ProductParameterIds& id = session.ids();
  session.set(id.mode, 0.);
  if (measure)
    session.set(id.measure, *measure);
  if (targetDb)
    session.set(id.target, *targetDb);
  if (gateDb)
    session.set(id.gate, *gateDb);
  session.set(id.normalize, 0.);
  session.set(id.analyze, 1.); // last: restarts the detectors with every setting in place
  session.rewindTransport();
  session.setPlaying(true);
  session.flush();
}

void endAnalysis(PluginSession& session, bool normalize)
{
  session.setPlaying(false);
  if (normalize)
  {
    session.set(session.ids().analyze, 0.);
    session.set(session.ids().normalize, 1.);
  }
  session.flush();
}

std::string measureDisplay(PluginSession& session, int index)
{
  std::string text = session.measureText(index);
  return text.empty() ? kMeasures[static_cast<std::size_t>(index)].display : text;
}
} // namespace quenmark
