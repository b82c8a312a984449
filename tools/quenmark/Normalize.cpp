// quenmark normalize: each file through the plug-in's Standard workflow (an analysis
// pass, then a pass with "Normalize" on) or one Continuous pass, written in its input's
// format and measured independently.
#include "tools/quenmark/Commands.h"

#include "tools/quenmark/FileBatch.h"
#include "tools/quenmark/GainPlan.h"
#include "tools/quenmark/LoudnessMeter.h"
#include "tools/quenmark/LoudnessPlot.h"
#include "tools/quenmark/OutputFile.h"
#include "tools/quenmark/Passes.h"
#include "tools/quenmark/Workflow.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

namespace quenmark
{
namespace
{
// How far the plug-in's "Gain" readout may be from the gain the tool asked for.
constexpr double kGainAgreementDb = 0.001;
// The "Gain" readout's range.
constexpr double kGainReadoutMinDb = -60.;
constexpr double kGainReadoutMaxDb = 60.;

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
  std::error_code error;
  if (std::filesystem::exists(b, error) && std::filesystem::exists(a, error) && std::filesystem::equivalent(a, b, error))
    return true;
  std::error_code errorA, errorB;
  const auto canonicalA = std::filesystem::weakly_canonical(a, errorA);
  const auto canonicalB = std::filesystem::weakly_canonical(b, errorB);
  return !errorA && !errorB && canonicalA == canonicalB;
}

// Refuses an output that is an input of the command (its own or another's), a folder,
// or the output of an earlier file: nothing a user gave may be overwritten, and no two
// files may race for one name.
void checkOutput(const std::vector<Options::FilePair>& pairs, std::size_t index)
{
  const std::filesystem::path output = pairs[index].output;
  for (const Options::FilePair& pair : pairs)
    if (sameFile(pair.input, output))
      throw ToolError(kExitUsage, "refusing to overwrite an input: " + output.string() + " is " + pair.input);
  std::error_code error;
  if (std::filesystem::is_directory(output, error))
    throw ToolError(kExitUsage, output.string() + " is a folder, not a file name");
  for (std::size_t earlier = 0; earlier < index; ++earlier)
    if (sameFile(pairs[earlier].output, output))
      throw ToolError(kExitUsage, "the output " + output.string() + " is also the output of " + pairs[earlier].input);
}

struct Outcome
{
  bool continuous = false;
  std::string measureName;
  const char* unit = "";
  double gateDb = 0.;
  double measuredLevelDb = kNoLevelDb;
  GainPlan plan{};
  double minGainDb = 0.; // Continuous: the gain's range over the file
  double maxGainDb = 0.;
  LoudnessReading input{};
  std::optional<LoudnessReading> output;
  std::int64_t clippedSamples = 0;
  int bits = 0;
  bool dithered = false;
  std::vector<std::string> warnings;
  std::optional<PlotRequest> plot;
};

// The picture of a normalization: the input, and the output as written.
PlotRequest plotOf(const Outcome& outcome, const LoudnessMeter& inputMeter, const OutputFile* output,
                   const Options::FilePair& pair, const Options& options)
{
  PlotRequest request;
  request.title = std::filesystem::path(pair.input).filename().string();
  if (output && outcome.output)
    request.title += " -> " + std::filesystem::path(pair.output).filename().string();
  request.input = {inputMeter.series(), outcome.input.integratedLufs};
  if (output && outcome.output)
    if (std::optional<LoudnessSeries> series = output->series())
      request.output = PlotTrace{*series, outcome.output->integratedLufs};
  if (options.loudnessLufs)
    request.targetLufs = *options.loudnessLufs;
  else if (std::string(outcome.unit) == "LUFS" && !outcome.continuous)
    request.targetLufs = outcome.plan.pluginTargetDb;
  request.pluginMeasure = outcome.measureName;
  request.pluginUnit = outcome.unit;
  request.pluginLevel = outcome.measuredLevelDb;
  request.oversAboveDbtp = options.truePeakCeilingDbtp.value_or(kDefaultOverDbtp);
  request.gainDb = outcome.plan.gainDb;
  request.ceilingCutDb = outcome.plan.ceilingCutDb;
  request.scale = options.plotScale;
  return request;
}

// Sets the plug-in's "Target Value" to the one of `plan` after an analysis and makes
// sure it applies the planned gain. A plug-in that takes a new target at once applies it
// from the next block; one that takes it only from an analysis gets one more analysis
// pass with the target in place (the level it keeps does not depend on the target).
void applyPlannedTarget(PluginSession& session, SoundFileReader& reader, const GainPlan& plan, ProgressBar& progress)
{
  session.set(session.ids().target, plan.pluginTargetDb);
  const double expected = std::clamp(plan.gainDb, kGainReadoutMinDb, kGainReadoutMaxDb);
  if (std::fabs(session.currentGainDb() - expected) <= kGainAgreementDb)
    return;
  startAnalysis(session, std::nullopt, std::nullopt, std::nullopt);
  PassTargets analysis;
  analysis.sessions = {&session};
  analysis.progress = &progress;
  runPass(reader, analysis);
  endAnalysis(session, true);
  const double applied = session.currentGainDb();
  if (std::fabs(applied - expected) > kGainAgreementDb)
    throw ToolError(kExitFailure, "the plug-in applies " + levelText(applied) + " dB instead of the " +
                                    levelText(plan.gainDb) + " dB its Target Value " +
                                    levelText(plan.pluginTargetDb) + " should give");
}

Outcome normalizeFile(const std::shared_ptr<Plugin>& plugin, const std::vector<Options::FilePair>& pairs,
                      std::size_t index, const Options& options, ProgressBar& progress)
{
  const Options::FilePair& pair = pairs[index];
  SoundFileReader reader(pair.input);
  checkInput(reader, pair.input);
  const bool writes = !options.dryRun;
  if (writes)
    checkOutput(pairs, index);

  const std::unique_ptr<PluginSession> opened = plugin->openSession(reader.channels(), reader.sampleRate());
  PluginSession& session = *opened;
  const ProductParameterIds& id = session.ids();
  Outcome outcome;
  outcome.warnings = inputWarnings(reader, pair.input);
  outcome.continuous = options.mode == NormalizeMode::kContinuous;
  const int measure = options.measure        ? options.measure->index
                      : options.loudnessLufs ? findMeasure("integrated")->index
                                             : static_cast<int>(std::lround(session.defaultPlain(id.measure)));
  const double targetDb = options.targetDb ? *options.targetDb : session.defaultPlain(id.target);
  outcome.gateDb = options.gateDb ? *options.gateDb : session.defaultPlain(id.gate);
  outcome.measureName = measureDisplay(session, measure);
  outcome.unit = kMeasures[static_cast<std::size_t>(std::clamp(measure, 0, 5))].unit;
  const SampleQuantizer format(reader.info().format, options.dither);
  outcome.bits = format.bits();
  outcome.dithered = format.dithers();

  // A picture marks the output's overs: the output is then measured as written.
  const bool plots = options.plotDir.has_value();
  const double oversAbove = options.truePeakCeilingDbtp.value_or(kDefaultOverDbtp);
  MeterParts parts{};
  parts.truePeak = options.truePeakCeilingDbtp.has_value() || plots;
  if (plots)
    parts.oversAboveDbtp = oversAbove;
  MeterParts inputParts = parts;
  inputParts.reconstructedPeak = options.truePeakCeilingDbtp.has_value();
  LoudnessMeter inputMeter(reader.channels(), reader.sampleRate(), inputParts);
  std::unique_ptr<OutputFile> output;
  // An output made by a constant gain, held by the file as written, measures what the
  // input measured with the gain applied: it is measured only where that may not hold.
  bool deriveOutput = false;
  auto openOutput = [&] {
    if (writes)
      output = std::make_unique<OutputFile>(pair.output, reader.info(), options.dither,
                                            deriveOutput ? std::nullopt : std::optional<MeterParts>(parts));
  };
  GainCheck gainCheck;

  PassTargets render;
  render.sessions = {&session};
  render.progress = &progress;
  if (!outcome.continuous)
  {
    startAnalysis(session, measure, targetDb, outcome.gateDb);
    PassTargets analysis;
    analysis.sessions = {&session};
    analysis.inputMeter = &inputMeter;
    analysis.progress = &progress;
    runPass(reader, analysis);
    endAnalysis(session, true);
    outcome.measuredLevelDb = session.measuredLevel();
    outcome.input = inputMeter.reading();
    outcome.plan = planGain({.measuredLevelDb = outcome.measuredLevelDb,
                             .pluginTargetDb = targetDb,
                             .loudnessLufs = options.loudnessLufs,
                             .integratedLufs = outcome.input.integratedLufs,
                             .ceilingDbtp = options.truePeakCeilingDbtp,
                             .truePeakDbtp = outcome.input.reconstructedPeakDbtp,
                             .samplePeakDbfs = outcome.input.samplePeakDbfs,
                             .maxCleanSample = format.maxCleanSample(),
                             .seconds = reader.seconds()});
    if (outcome.plan.pluginTargetDb != targetDb)
      applyPlannedTarget(session, reader, outcome.plan, progress);
    if (!writes)
    {
      if (plots)
        outcome.plot = plotOf(outcome, inputMeter, nullptr, pair, options);
      return outcome;
    }
    deriveOutput = !plots && format.keepsValuesNear(std::pow(10., (outcome.input.samplePeakDbfs + outcome.plan.gainDb) / 20.));
    openOutput();
    render.output = output.get();
    render.gainCheck = &gainCheck;
    session.rewindTransport();
    session.setPlaying(true);
    runPass(reader, render);
    // The gain as applied: the output over the input where it is one gain throughout,
    // else the plug-in's "Gain" readout, which shows -60 .. +60 dB only.
    const double readout = session.gainDb();
    if (const std::optional<double> applied = gainCheck.gain(); applied && *applied > 0.)
      outcome.plan.gainDb = 20. * std::log10(*applied);
    else if (readout > kGainReadoutMinDb && readout < kGainReadoutMaxDb)
      outcome.plan.gainDb = readout;
  }
  else
  {
    session.set(id.mode, 1.);
    session.set(id.measure, measure);
    session.set(id.target, targetDb);
    session.set(id.gate, outcome.gateDb);
    session.setPlaying(true);
    session.flush();
    openOutput();
    render.output = output.get();
    render.inputMeter = &inputMeter;
    outcome.minGainDb = 1e300;
    outcome.maxGainDb = -1e300;
    render.afterBlock = [&](std::int64_t) {
      const double now = session.gainDb();
      outcome.minGainDb = std::min(outcome.minGainDb, now);
      outcome.maxGainDb = std::max(outcome.maxGainDb, now);
    };
    runPass(reader, render);
    outcome.plan.gainDb = outcome.plan.wantedGainDb = session.gainDb();
    outcome.plan.pluginTargetDb = targetDb;
    outcome.measuredLevelDb = session.measuredLevel();
    outcome.input = inputMeter.reading();
  }
  session.setPlaying(false);
  session.flush();
  if (output)
  {
    output->commit();
    outcome.clippedSamples = output->clippedSamples();
    const std::optional<double> gain = gainCheck.gain();
    if (format.encodes())
      outcome.output = measureFile(pair.output, parts);
    else if (!deriveOutput)
      outcome.output = output->reading();
    else if (gain && outcome.clippedSamples == 0)
      outcome.output = inputMeter.readingWithGain(*gain);
    else
      outcome.output = measureFile(pair.output, parts);
  }
  if (plots)
    outcome.plot = plotOf(outcome, inputMeter, output.get(), pair, options);
  return outcome;
}

std::string formatText(const Outcome& outcome)
{
  if (outcome.bits == 0)
    return "floating-point or encoded output";
  return std::to_string(outcome.bits) + "-bit output" + (outcome.dithered ? ", TPDF dither" : "");
}

FileReport reportOf(const Outcome& outcome, const Options::FilePair& pair, const Options& options,
                    const Plugin& plugin)
{
  const bool continuous = outcome.continuous;
  const GainPlan& plan = outcome.plan;
  FileReport report;
  report.warnings = outcome.warnings;
  const std::string outputName = options.dryRun ? "(dry run: nothing written)" : pair.output;
  report.json = {{"input", pair.input},
                 {"output", options.dryRun ? nlohmann::json(nullptr) : nlohmann::json(pair.output)},
                 {"dryRun", options.dryRun},
                 {"plugin", plugin.binaryPath().string()},
                 {"mode", continuous ? "continuous" : "standard"},
                 {"measure", outcome.measureName},
                 {"unit", outcome.unit},
                 {"targetDb", plan.pluginTargetDb},
                 {"loudnessTargetLufs", levelJson(options.loudnessLufs.value_or(NAN))},
                 {"truePeakCeilingDbtp", levelJson(options.truePeakCeilingDbtp.value_or(NAN))},
                 {"gateDb", outcome.gateDb},
                 {"measuredLevel", levelJson(outcome.measuredLevelDb, kNoLevelDb)},
                 {"gainDb", levelJson(plan.gainDb)},
                 {"wantedGainDb", levelJson(plan.wantedGainDb)},
                 {"ceilingCutDb", plan.ceilingCutDb},
                 {"inputLevel",
                  {{"integratedLufs", levelJson(outcome.input.integratedLufs)},
                   {"truePeakDbtp", levelJson(outcome.input.truePeakDbtp)},
                   {"samplePeakDbfs", levelJson(outcome.input.samplePeakDbfs)}}},
                 {"bits", outcome.bits},
                 {"dither", outcome.dithered}};
  if (outcome.output)
  {
    // True peak costs the most to measure: it is measured where a ceiling asks for it.
    report.json["outputLevel"] = {{"integratedLufs", levelJson(outcome.output->integratedLufs)},
                                  {"truePeakDbtp", options.truePeakCeilingDbtp
                                                     ? levelJson(outcome.output->truePeakDbtp)
                                                     : nlohmann::json(nullptr)},
                                  {"samplePeakDbfs", levelJson(outcome.output->samplePeakDbfs)}};
    report.json["clippedSamples"] = outcome.clippedSamples;
  }
  else
  {
    // What the output would measure: a fixed gain moves loudness and peaks by itself.
    report.json["expectedIntegratedLufs"] = levelJson(outcome.input.integratedLufs + plan.gainDb);
  }
  if (continuous)
    report.json["gainRangeDb"] = {levelJson(outcome.minGainDb), levelJson(outcome.maxGainDb)};

  std::ostringstream detail, line;
  detail << pair.input << " -> " << outputName << "\n"
         << "  " << (continuous ? "Continuous" : "Standard") << " mode, measure " << outcome.measureName
         << ", Target Value " << levelText(plan.pluginTargetDb) << " " << outcome.unit << ", gate "
         << levelText(outcome.gateDb) << "\n";
  if (options.loudnessLufs || options.truePeakCeilingDbtp)
  {
    detail << " ";
    if (options.loudnessLufs)
      detail << " file loudness target " << levelText(*options.loudnessLufs) << " LUFS";
    if (options.truePeakCeilingDbtp)
      detail << (options.loudnessLufs ? "," : "") << " true-peak ceiling " << levelText(*options.truePeakCeilingDbtp)
             << " dBTP";
    detail << "\n";
  }
  detail << "  measured level  " << levelText(outcome.measuredLevelDb, kNoLevelDb) << " " << outcome.unit
         << (continuous ? " (last block)" : " (the plug-in's)") << "\n"
         << "  applied gain    " << levelText(plan.gainDb) << " dB";
  if (continuous)
    detail << " at the end (" << levelText(outcome.minGainDb) << " .. " << levelText(outcome.maxGainDb)
           << " dB over the file)";
  if (options.dryRun)
    detail << " (would be)";
  detail << "\n";
  if (plan.ceilingCutDb > 0.)
    detail << "  the true-peak ceiling lowered the gain by " << levelText(plan.ceilingCutDb)
           << " dB: the target is missed by that much\n";
  detail << "  input  (measured by quenmark): integrated " << levelText(outcome.input.integratedLufs) << " LUFS";
  if (options.truePeakCeilingDbtp)
    detail << ", true peak " << levelText(outcome.input.truePeakDbtp) << " dBTP";
  detail << ", sample peak " << levelText(outcome.input.samplePeakDbfs) << " dBFS\n";
  line << pair.input << " -> " << outputName << ": gain " << levelText(plan.gainDb) << " dB ("
       << outcome.measureName << " " << levelText(outcome.measuredLevelDb, kNoLevelDb) << "), integrated "
       << levelText(outcome.input.integratedLufs);
  if (outcome.output)
  {
    detail << "  output (measured by quenmark): integrated " << levelText(outcome.output->integratedLufs) << " LUFS";
    if (options.truePeakCeilingDbtp)
      detail << ", true peak " << levelText(outcome.output->truePeakDbtp) << " dBTP";
    detail << ", sample peak " << levelText(outcome.output->samplePeakDbfs) << " dBFS\n"
           << "  " << formatText(outcome) << ", " << outcome.clippedSamples << " samples clipped\n";
    line << " -> " << levelText(outcome.output->integratedLufs) << " LUFS";
    if (options.truePeakCeilingDbtp)
      line << ", true peak " << levelText(outcome.output->truePeakDbtp) << " dBTP";
    else
      line << ", sample peak " << levelText(outcome.output->samplePeakDbfs) << " dBFS";
    if (outcome.clippedSamples > 0)
      line << ", " << outcome.clippedSamples << " samples clipped";
  }
  else
  {
    detail << "  output would measure integrated " << levelText(outcome.input.integratedLufs + plan.gainDb)
           << " LUFS\n";
    line << " -> " << levelText(outcome.input.integratedLufs + plan.gainDb) << " LUFS (dry run)";
  }
  if (plan.ceilingCutDb > 0.)
    line << ", ceiling cut " << levelText(plan.ceilingCutDb) << " dB";
  report.detail = detail.str();
  report.line = line.str();

  const LoudnessReading* out = outcome.output ? &*outcome.output : nullptr;
  report.csv = {pair.input,
                options.dryRun ? "" : pair.output,
                continuous ? "continuous" : "standard",
                outcome.measureName,
                csvNumber(outcome.measuredLevelDb, kNoLevelDb),
                csvNumber(plan.pluginTargetDb),
                csvNumber(options.loudnessLufs.value_or(NAN)),
                csvNumber(options.truePeakCeilingDbtp.value_or(NAN)),
                csvNumber(plan.gainDb),
                csvNumber(plan.ceilingCutDb),
                csvNumber(outcome.input.integratedLufs),
                out ? csvNumber(out->integratedLufs) : "",
                out && options.truePeakCeilingDbtp ? csvNumber(out->truePeakDbtp) : "",
                out ? csvNumber(out->samplePeakDbfs) : "",
                out ? std::to_string(outcome.clippedSamples) : "",
                ""};
  return report;
}
} // namespace

int runNormalize(const Options& options, std::ostream& out, std::ostream& err)
{
  const std::vector<Options::FilePair> pairs = options.normalizePairs();
  if (options.outputDir && !options.dryRun)
  {
    std::error_code error;
    std::filesystem::create_directories(*options.outputDir, error);
    if (error || !std::filesystem::is_directory(*options.outputDir, error))
      throw ToolError(kExitFailure, "cannot make the output folder " + *options.outputDir);
  }
  makePlotFolder(options);
  std::shared_ptr<Plugin> plugin = loadPlugin(options.pluginPath);
  BatchPlan plan;
  plan.progressLabel = "normalizing";
  plan.passesPerFile = options.mode == NormalizeMode::kContinuous || options.dryRun ? 1 : 2;
  plan.batch = options.outputDir.has_value();
  plan.csvColumns = {"input",
                     "output",
                     "mode",
                     "measure",
                     "plugin_level",
                     "target_value",
                     "loudness_target_lufs",
                     "true_peak_ceiling_dbtp",
                     "gain_db",
                     "ceiling_cut_db",
                     "input_integrated_lufs",
                     "output_integrated_lufs",
                     "output_true_peak_dbtp",
                     "output_sample_peak_dbfs",
                     "clipped_samples",
                     "error"};
  std::vector<std::string> inputs;
  for (const Options::FilePair& pair : pairs)
    inputs.push_back(pair.input);
  return runBatch(
    options, inputs, plan,
    [&](std::size_t index, ProgressBar& progress) {
      const Outcome outcome = normalizeFile(plugin, pairs, index, options, progress);
      if (outcome.plot)
        writeLoudnessPlot(*outcome.plot, plotPathFor(*options.plotDir, pairs[index].input));
      return reportOf(outcome, pairs[index], options, *plugin);
    },
    out, err);
}
} // namespace quenmark
