// quenmark analyze: the plug-in's level for one or all six measures, and the tool's own
// loudness measurement, from one reading of each file.
#include "tools/quenmark/Commands.h"

#include "tools/quenmark/FileBatch.h"
#include "tools/quenmark/GainPlan.h"
#include "tools/quenmark/LoudnessMeter.h"
#include "tools/quenmark/LoudnessPlot.h"
#include "tools/quenmark/Passes.h"
#include "tools/quenmark/Workflow.h"

#include <exception>
#include <iomanip>
#include <sstream>
#include <thread>

namespace quenmark
{
namespace
{
std::vector<MeasureName> chosenMeasures(const Options& options)
{
  if (options.measure)
    return {*options.measure};
  return {kMeasures.begin(), kMeasures.end()};
}

FileReport analyzeFile(const std::shared_ptr<Plugin>& plugin, const std::string& path,
                       const Options& options, ProgressBar& progress)
{
  SoundFileReader reader(path);
  checkInput(reader, path);
  const std::vector<MeasureName> measures = chosenMeasures(options);
  // One instance per measure, all fed from one reading of the file. They are made two
  // at a time: making one maps its detectors' memory, which takes milliseconds, and the
  // reading waits for all of them.
  std::vector<std::unique_ptr<PluginSession>> sessions(measures.size());
  auto open = [&](std::size_t first) {
    for (std::size_t i = first; i < measures.size(); i += 2)
    {
      sessions[i] = plugin->openSession(reader.channels(), reader.sampleRate());
      startAnalysis(*sessions[i], measures[i].index, std::nullopt, options.gateDb);
    }
  };
  std::exception_ptr helperFailure;
  std::thread helper([&] {
    try
    {
      open(1);
    }
    catch (...)
    {
      helperFailure = std::current_exception();
    }
  });
  try
  {
    open(0);
  }
  catch (...)
  {
    helper.join();
    throw;
  }
  helper.join();
  if (helperFailure)
    std::rethrow_exception(helperFailure);
  PassTargets targets;
  for (const std::unique_ptr<PluginSession>& session : sessions)
    targets.sessions.push_back(session.get());
  const std::optional<double> oversAbove = options.plotDir ? std::optional<double>(kDefaultOverDbtp) : std::nullopt;
  LoudnessMeter meter(reader.channels(), reader.sampleRate(),
                      MeterParts{.loudnessRange = true,
                                 .truePeak = true,
                                 .maxima = true,
                                 .reconstructedPeak = false,
                                 .oversAboveDbtp = oversAbove});
  targets.inputMeter = &meter;
  targets.progress = &progress;
  runPass(reader, targets);

  FileReport report;
  report.warnings = inputWarnings(reader, path);
  nlohmann::json levels = nlohmann::json::array();
  std::ostringstream detail, line;
  detail << path << ": " << reader.channels() << " ch, " << reader.sampleRate() << " Hz, " << std::fixed
         << std::setprecision(2) << reader.seconds() << " s (" << reader.formatText() << ")\n"
         << "level measured by the plug-in (Standard mode, Analyze on, Normalize off):\n";
  line << path << ":";
  report.csv = {path, std::to_string(reader.channels()), std::to_string(reader.sampleRate()),
                csvNumber(reader.seconds())};
  for (std::size_t i = 0; i < measures.size(); ++i)
  {
    endAnalysis(*sessions[i], false);
    const double level = sessions[i]->measuredLevel();
    const std::string display = measureDisplay(*sessions[i], measures[i].index);
    levels.push_back({{"measure", display},
                      {"alias", measures[i].alias},
                      {"level", levelJson(level, kNoLevelDb)},
                      {"unit", measures[i].unit}});
    detail << "  " << std::left << std::setw(12) << display << std::right << std::setw(9)
           << levelText(level, kNoLevelDb) << "  " << measures[i].unit << "\n";
    line << (i ? ", " : " ") << display << " " << levelText(level, kNoLevelDb);
    report.csv.push_back(csvNumber(level, kNoLevelDb));
  }
  const LoudnessReading reading = meter.reading();
  report.json = {{"file", path},
                 {"sampleRate", reader.sampleRate()},
                 {"channels", reader.channels()},
                 {"frames", reader.frames()},
                 {"seconds", reader.seconds()},
                 {"plugin", plugin->binaryPath().string()},
                 {"measures", levels},
                 {"loudness",
                  {{"integratedLufs", levelJson(reading.integratedLufs)},
                   {"loudnessRangeLu", levelJson(reading.loudnessRangeLu)},
                   {"momentaryMaxLufs", levelJson(reading.momentaryMaxLufs)},
                   {"shortTermMaxLufs", levelJson(reading.shortTermMaxLufs)},
                   {"truePeakDbtp", levelJson(reading.truePeakDbtp)},
                   {"samplePeakDbfs", levelJson(reading.samplePeakDbfs)}}}};
  detail << "measured by quenmark:\n"
         << "  integrated loudness   " << levelText(reading.integratedLufs) << " LUFS"
         << (reader.seconds() < kLoudnessBlockSeconds ? " (too short to gate: less than one 400 ms block)" : "")
         << "\n"
         << "  loudness range        " << std::setprecision(2) << reading.loudnessRangeLu << " LU\n"
         << "  momentary maximum     " << levelText(reading.momentaryMaxLufs) << " LUFS\n"
         << "  short-term maximum    " << levelText(reading.shortTermMaxLufs) << " LUFS\n"
         << "  true peak             " << levelText(reading.truePeakDbtp) << " dBTP\n"
         << "  sample peak           " << levelText(reading.samplePeakDbfs) << " dBFS\n";
  line << "; integrated " << levelText(reading.integratedLufs) << " LUFS, range " << std::fixed << std::setprecision(2)
       << reading.loudnessRangeLu << " LU, momentary max " << levelText(reading.momentaryMaxLufs)
       << " LUFS, short-term max " << levelText(reading.shortTermMaxLufs) << " LUFS, true peak "
       << levelText(reading.truePeakDbtp) << " dBTP";
  for (double value : {reading.integratedLufs, reading.loudnessRangeLu, reading.momentaryMaxLufs,
                       reading.shortTermMaxLufs, reading.truePeakDbtp, reading.samplePeakDbfs})
    report.csv.push_back(csvNumber(value));
  report.csv.emplace_back(); // no error
  report.detail = detail.str();
  report.line = line.str();
  if (options.plotDir)
  {
    PlotRequest request;
    request.title = std::filesystem::path(path).filename().string();
    request.input = {meter.series(), reading.integratedLufs};
    // The plug-in's level for the measure asked for, or its integrated loudness.
    const std::size_t shown = measures.size() == 1 ? 0 : static_cast<std::size_t>(findMeasure("integrated")->index);
    request.pluginMeasure = measureDisplay(*sessions[shown], measures[shown].index);
    request.pluginUnit = measures[shown].unit;
    request.pluginLevel = sessions[shown]->measuredLevel();
    request.oversAboveDbtp = kDefaultOverDbtp;
    request.scale = options.plotScale;
    writeLoudnessPlot(request, plotPathFor(*options.plotDir, path));
  }
  return report;
}
} // namespace

int runAnalyze(const Options& options, std::ostream& out, std::ostream& err)
{
  makePlotFolder(options);
  std::shared_ptr<Plugin> plugin = loadPlugin(options.pluginPath);
  BatchPlan plan;
  plan.progressLabel = "analysing";
  plan.csvColumns = {"input", "channels", "sample_rate", "seconds"};
  for (const MeasureName& measure : chosenMeasures(options))
    plan.csvColumns.push_back(std::string("plugin_") + measure.alias);
  for (const char* column : {"integrated_lufs", "loudness_range_lu", "momentary_max_lufs", "short_term_max_lufs",
                             "true_peak_dbtp", "sample_peak_dbfs", "error"})
    plan.csvColumns.emplace_back(column);
  return runBatch(
    options, options.files, plan,
    [&](std::size_t index, ProgressBar& progress) { return analyzeFile(plugin, options.files[index], options, progress); },
    out, err);
}
} // namespace quenmark
