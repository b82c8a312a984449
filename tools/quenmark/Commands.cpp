#include "tools/quenmark/Commands.h"

#include "tools/quenmark/LoudnessMeter.h"
#include "tools/quenmark/Passes.h"
#include "tools/quenmark/PluginSession.h"
#include "tools/quenmark/SoundFile.h"
#include "tools/quenmark/ToolError.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <sstream>

namespace quenmark
{
namespace
{
// The plug-in reports this level (or lower) when it measured nothing.
constexpr double kNoLevel = -99.;

nlohmann::json levelJson(double value, double floor = -1e300)
{
  if (!std::isfinite(value) || value <= floor)
    return nullptr;
  return value;
}

std::string levelText(double value, double floor = -1e300)
{
  if (!std::isfinite(value) || value <= floor)
    return "-inf";
  char text[32];
  std::snprintf(text, sizeof(text), "%+.2f", value);
  return text;
}

void checkChannels(const SoundFileReader& reader, const std::string& path)
{
  if (reader.channels() > 2)
    throw ToolError(kExitUsage, path + " has " + std::to_string(reader.channels()) +
                                  " channels; the plug-in takes mono and stereo audio only");
}

// Standard mode, the transport playing, "Analyze" on, "Normalize" off: the plug-in
// measures and leaves the audio as it is.
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
  session.setPlaying(true);
  session.flush();
}

// Stopping the transport ends the analysis (the plug-in switches "Analyze" off itself).
void stopTransport(PluginSession& session)
{
  session.setPlaying(false);
  session.flush();
}

std::string measureDisplay(PluginSession& session, int index)
{
  std::string text = session.measureText(index);
  return text.empty() ? kMeasures[static_cast<std::size_t>(index)].display : text;
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
  std::error_code error;
  if (std::filesystem::exists(b, error) && std::filesystem::equivalent(a, b, error))
    return true;
  std::error_code errorA, errorB;
  const auto canonicalA = std::filesystem::weakly_canonical(a, errorA);
  const auto canonicalB = std::filesystem::weakly_canonical(b, errorB);
  return !errorA && !errorB && canonicalA == canonicalB;
}

// Removes a half-written output unless it was completed.
class PartialFile
{
public:
  explicit PartialFile(std::filesystem::path path) : mPath(std::move(path)) {}
  ~PartialFile()
  {
    std::error_code error;
    if (!mKept)
      std::filesystem::remove(mPath, error);
  }
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  const std::filesystem::path& path() const { return mPath; }
  void moveTo(const std::filesystem::path& target)
  {
    std::error_code error;
    std::filesystem::rename(mPath, target, error);
    if (error)
      throw ToolError(kExitFailure, "cannot move the output into place as " + target.string() + ": " + error.message());
    mKept = true;
  }

private:
  std::filesystem::path mPath;
  bool mKept = false;
};
} // namespace

int runAnalyze(const Options& options, std::ostream& out)
{
  const std::string& path = options.files[0];
  SoundFileReader reader(path);
  checkChannels(reader, path);
  std::shared_ptr<vst3host::Module> module = loadPlugin(options.pluginPath);

  std::vector<MeasureName> measures;
  if (options.measure)
    measures.push_back(*options.measure);
  else
    measures.assign(kMeasures.begin(), kMeasures.end());
  // One instance per measure, all fed from one reading of the file.
  std::vector<std::unique_ptr<PluginSession>> sessions;
  PassTargets targets;
  for (const MeasureName& measure : measures)
  {
    sessions.push_back(std::make_unique<PluginSession>(module, reader.channels(), reader.sampleRate()));
    startAnalysis(*sessions.back(), measure.index, std::nullopt, options.gateDb);
    targets.sessions.push_back(sessions.back().get());
  }
  LoudnessMeter meter(reader.channels(), reader.sampleRate());
  targets.inputMeter = &meter;
  runPass(reader, "analysing", targets);

  nlohmann::json levels = nlohmann::json::array();
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < measures.size(); ++i)
  {
    stopTransport(*sessions[i]);
    const double level = sessions[i]->measuredLevel();
    const std::string display = measureDisplay(*sessions[i], measures[i].index);
    levels.push_back({{"measure", display},
                      {"alias", measures[i].alias},
                      {"level", levelJson(level, kNoLevel)},
                      {"unit", measures[i].unit}});
    std::ostringstream line;
    line << "  " << std::left << std::setw(12) << display << std::right << std::setw(9) << levelText(level, kNoLevel)
         << "  " << measures[i].unit;
    lines.push_back(line.str());
  }
  const LoudnessReading reading = meter.reading();
  if (options.json)
  {
    nlohmann::json result = {
      {"file", path},
      {"sampleRate", reader.sampleRate()},
      {"channels", reader.channels()},
      {"frames", reader.frames()},
      {"seconds", reader.seconds()},
      {"plugin", module->binaryPath().string()},
      {"measures", levels},
      {"loudness",
       {{"integratedLufs", levelJson(reading.integratedLufs)},
        {"loudnessRangeLu", levelJson(reading.loudnessRangeLu)},
        {"truePeakDbtp", levelJson(reading.truePeakDbtp)},
        {"samplePeakDbfs", levelJson(reading.samplePeakDbfs)}}}};
    out << result.dump(2) << "\n";
    return kExitOk;
  }
  out << path << ": " << reader.channels() << " ch, " << reader.sampleRate() << " Hz, " << std::fixed
      << std::setprecision(2) << reader.seconds() << " s (" << reader.formatText() << ")\n";
  out << "level measured by the plug-in (Standard mode, Analyze on, Normalize off):\n";
  for (const std::string& line : lines)
    out << line << "\n";
  out << "measured by quenmark (libebur128):\n"
      << "  integrated loudness " << levelText(reading.integratedLufs) << " LUFS\n"
      << "  loudness range      " << std::setprecision(2) << reading.loudnessRangeLu << " LU\n"
      << "  true peak           " << levelText(reading.truePeakDbtp) << " dBTP\n"
      << "  sample peak         " << levelText(reading.samplePeakDbfs) << " dBFS\n";
  return kExitOk;
}

int runNormalize(const Options& options, std::ostream& out)
{
  const std::filesystem::path input = options.files[0];
  const std::filesystem::path output = options.files[1];
  SoundFileReader reader(input);
  checkChannels(reader, input.string());
  if (sameFile(input, output))
    throw ToolError(kExitUsage, "refusing to overwrite the input: " + output.string() + " is " + input.string());
  std::error_code error;
  if (std::filesystem::is_directory(output, error))
    throw ToolError(kExitUsage, output.string() + " is a folder, not a file name");

  std::shared_ptr<vst3host::Module> module = loadPlugin(options.pluginPath);
  PluginSession session(module, reader.channels(), reader.sampleRate());
  const ProductParameterIds& id = session.ids();
  const bool continuous = options.mode == NormalizeMode::kContinuous;
  const int measure = options.measure ? options.measure->index
                                      : static_cast<int>(std::lround(session.defaultPlain(id.measure)));
  const double targetDb = options.targetDb ? *options.targetDb : session.defaultPlain(id.target);
  const double gateDb = options.gateDb ? *options.gateDb : session.defaultPlain(id.gate);

  const std::filesystem::path directory = output.has_parent_path() ? output.parent_path() : ".";
  PartialFile partial(directory / ("." + output.filename().string() + ".quenmark-partial"));
  SoundFileWriter writer(partial.path(), reader.info());

  double levelDb = 0.;
  double gainDb = 0.;
  double minGainDb = 0.;
  double maxGainDb = 0.;
  if (!continuous)
  {
    startAnalysis(session, measure, targetDb, gateDb);
    PassTargets analysis;
    analysis.sessions = {&session};
    runPass(reader, "analysing", analysis);
    // The stop ends the analysis; "Normalize" on applies the gain it reached.
    session.setPlaying(false);
    session.set(id.analyze, 0.);
    session.set(id.normalize, 1.);
    session.flush();
    levelDb = session.measuredLevel();

    session.rewindTransport();
    session.setPlaying(true);
    PassTargets render;
    render.sessions = {&session};
    render.writer = &writer;
    runPass(reader, "normalizing", render);
    gainDb = minGainDb = maxGainDb = session.gainDb();
  }
  else
  {
    session.set(id.mode, 1.);
    session.set(id.measure, measure);
    session.set(id.target, targetDb);
    session.set(id.gate, gateDb);
    session.setPlaying(true);
    session.flush();
    minGainDb = 1e300;
    maxGainDb = -1e300;
    PassTargets render;
    render.sessions = {&session};
    render.writer = &writer;
    render.afterBlock = [&](std::int64_t) {
      const double now = session.gainDb();
      minGainDb = std::min(minGainDb, now);
      maxGainDb = std::max(maxGainDb, now);
    };
    runPass(reader, "normalizing", render);
    gainDb = session.gainDb();
    levelDb = session.measuredLevel();
  }
  stopTransport(session);
  writer.close();
  partial.moveTo(output);
  const LoudnessReading result = measureFile(output);

  const std::string measureName = measureDisplay(session, measure);
  const char* unit = kMeasures[static_cast<std::size_t>(std::clamp(measure, 0, 5))].unit;
  if (options.json)
  {
    nlohmann::json report = {{"input", input.string()},
                             {"output", output.string()},
                             {"plugin", module->binaryPath().string()},
                             {"mode", continuous ? "continuous" : "standard"},
                             {"measure", measureName},
                             {"unit", unit},
                             {"targetDb", targetDb},
                             {"gateDb", gateDb},
                             {"measuredLevel", levelJson(levelDb, kNoLevel)},
                             {"gainDb", levelJson(gainDb)},
                             {"outputLevel",
                              {{"samplePeakDbfs", levelJson(result.samplePeakDbfs)},
                               {"truePeakDbtp", levelJson(result.truePeakDbtp)},
                               {"integratedLufs", levelJson(result.integratedLufs)}}}};
    if (continuous)
      report["gainRangeDb"] = {levelJson(minGainDb), levelJson(maxGainDb)};
    out << report.dump(2) << "\n";
    return kExitOk;
  }
  out << input.string() << " -> " << output.string() << "\n"
      << "  " << (continuous ? "Continuous" : "Standard") << " mode, measure " << measureName << ", target "
      << levelText(targetDb) << " " << unit << ", gate " << levelText(gateDb) << "\n"
      << "  measured level  " << levelText(levelDb, kNoLevel) << " " << unit << (continuous ? " (last block)" : "")
      << "\n"
      << "  applied gain    " << levelText(gainDb) << " dB";
  if (continuous)
    out << " at the end (" << levelText(minGainDb) << " .. " << levelText(maxGainDb) << " dB over the file)";
  out << "\n"
      << "  output (measured by quenmark): sample peak " << levelText(result.samplePeakDbfs) << " dBFS, true peak "
      << levelText(result.truePeakDbtp) << " dBTP, integrated " << levelText(result.integratedLufs) << " LUFS\n";
  return kExitOk;
}
} // namespace quenmark
