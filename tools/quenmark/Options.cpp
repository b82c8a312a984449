#include "tools/quenmark/Options.h"

#include "tools/quenmark/ToolError.h"

#include <sndfile.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <sstream>

#ifndef QUENMARK_VERSION
#define QUENMARK_VERSION "unknown"
#endif

namespace quenmark
{
namespace
{
[[noreturn]] void usageError(const std::string& message)
{
  throw ToolError(kExitUsage, message + " (quenmark --help shows the usage)");
}

double parseDb(const std::string& option, const std::string& text, double low, double high, const char* rangeName)
{
  double value = 0.;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (!text.empty() && *first == '+')
    ++first;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || !std::isfinite(value))
    usageError(option + " needs a number in dB, not \"" + text + "\"");
  if (value < low || value > high)
  {
    std::ostringstream message;
    message << option << " " << text << " is outside " << rangeName << " " << low << " .. " << high;
    usageError(message.str());
  }
  return value;
}

int parseCount(const std::string& option, const std::string& text, int low, int high)
{
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
    usageError(option + " needs a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
               ", not \"" + text + "\"");
  return value;
}

Command commandNamed(const std::string& name)
{
  if (name == "analyze")
    return Command::kAnalyze;
  if (name == "normalize")
    return Command::kNormalize;
  if (name == "info")
    return Command::kInfo;
  if (name == "help" || name == "--help" || name == "-h")
    return Command::kHelp;
  if (name == "version" || name == "--version")
    return Command::kVersion;
  usageError("unknown command \"" + name + "\"");
}
} // namespace

Options parseOptions(const std::vector<std::string>& arguments)
{
  Options options;
  if (arguments.empty())
    usageError("no command given");
  options.command = commandNamed(arguments[0]);
  if (options.command == Command::kHelp || options.command == Command::kVersion)
    return options;

  bool optionsEnded = false;
  for (std::size_t i = 1; i < arguments.size(); ++i)
  {
    std::string argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-')
    {
      options.files.push_back(argument);
      continue;
    }
    if (argument == "--")
    {
      optionsEnded = true;
      continue;
    }
    if (argument == "--help" || argument == "-h")
    {
      options.command = Command::kHelp;
      return options;
    }
    // --name value, --name=value, or a short option -q, -j N
    std::string name = argument;
    std::optional<std::string> value;
    if (const std::size_t equals = argument.find('='); equals != std::string::npos && argument[1] == '-')
    {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
    }
    auto takeValue = [&]() -> std::string {
      if (value)
        return *value;
      if (i + 1 >= arguments.size())
        usageError(name + " needs a value");
      return arguments[++i];
    };
    auto flag = [&](bool& field) {
      if (value)
        usageError(name + " takes no value");
      field = true;
    };
    const bool analyze = options.command == Command::kAnalyze;
    const bool normalize = options.command == Command::kNormalize;
    const bool files = analyze || normalize;
    if (name == "--json" && files && !value)
      options.format = ReportFormat::kJson;
    else if (name == "--csv" && files && !value)
      options.format = ReportFormat::kCsv;
    else if ((name == "-q" || name == "--quiet") && files)
      flag(options.quiet);
    else if (name == "--plugin")
      options.pluginPath = takeValue();
    else if ((name == "--jobs" || name == "-j") && files)
      options.jobs = parseCount(name, takeValue(), 1, kMaxJobs);
    else if (name == "--measure" && files)
    {
      const std::string text = takeValue();
      options.measure = findMeasure(text);
      if (!options.measure)
        usageError("unknown measure \"" + text + "\"; known: " + measureList());
    }
    else if (name == "--gate" && files)
      options.gateDb = parseDb("--gate", takeValue(), kMinGateDb, kMaxGateDb, "the plug-in's range");
    else if (name == "--target" && normalize)
      options.targetDb = parseDb("--target", takeValue(), kMinTargetDb, kMaxTargetDb, "the plug-in's range");
    else if (name == "--loudness" && normalize)
      options.loudnessLufs = parseDb("--loudness", takeValue(), kMinLoudnessLufs, kMaxLoudnessLufs, "the range");
    else if (name == "--true-peak" && normalize)
      options.truePeakCeilingDbtp =
        parseDb("--true-peak", takeValue(), kMinCeilingDbtp, kMaxCeilingDbtp, "the range");
    else if (name == "--plot" && files)
      options.plotDir = takeValue();
    else if (name == "--plot-scale" && files)
      options.plotScale = parseCount(name, takeValue(), 1, 4);
    else if (name == "--output-dir" && normalize)
      options.outputDir = takeValue();
    else if (name == "--dry-run" && normalize)
      flag(options.dryRun);
    else if (name == "--no-dither" && normalize)
    {
      bool off = false;
      flag(off);
      options.dither = false;
    }
    else if (name == "--mode" && normalize)
    {
      const std::string text = takeValue();
      if (text == "standard")
        options.mode = NormalizeMode::kStandard;
      else if (text == "continuous")
        options.mode = NormalizeMode::kContinuous;
      else
        usageError("--mode is standard or continuous, not \"" + text + "\"");
    }
    else
      usageError("unknown option " + name + " for " + arguments[0]);
  }

  const std::size_t given = options.files.size();
  if (options.command == Command::kAnalyze && given == 0)
    usageError("analyze needs a FILE");
  if (options.command == Command::kInfo && given > 0)
    usageError("unexpected argument \"" + options.files[0] + "\"");
  if (options.command == Command::kNormalize)
  {
    if (options.outputDir)
    {
      if (given == 0)
        usageError("normalize needs at least one IN with --output-dir");
    }
    else if (given == 0 || (given == 1 && !options.dryRun))
      usageError("normalize needs IN and OUT, or IN... with --output-dir DIR");
    else if (given > 2)
      usageError("normalize takes IN OUT; for several inputs give --output-dir DIR");
    const bool continuous = options.mode == NormalizeMode::kContinuous;
    if (options.loudnessLufs && options.targetDb)
      usageError("--loudness and --target both set the level to reach: give one");
    if (options.loudnessLufs && continuous)
      usageError("--loudness normalizes the whole file: it needs the standard mode");
    if (options.truePeakCeilingDbtp && continuous)
      usageError("--true-peak lowers one gain for the whole file: it needs the standard mode");
  }
  return options;
}

std::vector<Options::FilePair> Options::normalizePairs() const
{
  std::vector<FilePair> pairs;
  if (outputDir)
  {
    for (const std::string& input : files)
      pairs.push_back({input, (std::filesystem::path(*outputDir) / std::filesystem::path(input).filename()).string()});
  }
  else if (!files.empty())
    pairs.push_back({files[0], files.size() > 1 ? files[1] : std::string()});
  return pairs;
}

std::string usageText()
{
  return R"USAGE(quenmark: loudness analysis and normalization of audio files through the
TavrikQuenmark plug-in, VST3 or AAX (the very binary a host loads).

usage:
  quenmark analyze FILE... [--measure NAME] [--gate DB] [--jobs N] [--json|--csv] [-q]
                   [--plot DIR]
      The level the plug-in measures over each FILE (Standard mode, transport playing,
      Normalize off) for one measure or for each of the six, and the integrated
      loudness, loudness range, momentary and short-term maxima, true peak and sample
      peak measured by the tool itself.
  quenmark normalize IN OUT [options]
  quenmark normalize IN... --output-dir DIR [options]
      Writes each output, in its input's format, through the plug-in's own workflow:
      Standard runs an analysis pass (transport playing, Analyze on), then a pass with
      Normalize on and Analyze off that applies the gain the analysis reached;
      Continuous runs one pass that follows the level. Reports the plug-in's measured
      level, the applied gain and the loudness and peaks before and after, measured
      independently. An output is never its input. With --output-dir each output is
      named after its input; one failing file does not stop the others.
  quenmark info [--plugin PATH]
      The plug-in's classes, buses and parameters as a host sees them.
  quenmark --version

normalize options:
  --loudness LUFS  bring each file's integrated loudness (BS.1770, gated, over the
                   whole file) to LUFS, -60 .. 0; the plug-in still measures and
                   applies the gain: its Target Value is chosen for it
  --target DB      -60 .. 30, the level the plug-in brings its measure to, in the
                   measure's unit (default: the plug-in's, -12)
  --true-peak DBTP a ceiling, -60 .. 0: the gain is lowered so that the output's true
                   peak stays at or below it (off unless given; -1 is a common choice)
  --mode MODE      standard (default) or continuous (no --loudness or --true-peak)
  --output-dir DIR write the outputs into DIR (made when missing)
  --dry-run        analyse and report the gain that would be applied; write nothing
                   (OUT may then be left out)
  --no-dither      no TPDF dither when the output has 16 bits or fewer
common options:
  --measure NAME   dBFS (peak), "VU (-18)" (vu), RMS (rms), "LUFS Mom." (momentary),
                   "LUFS Int." (integrated), "LUFS Shrt." (shortterm); any case.
                   analyze: all six when not given; normalize: the plug-in's default,
                   or "LUFS Int." with --loudness
  --gate DB        -90 .. 0: levels below it are ignored by the plug-in (default -60)
  --jobs N, -j N   process N files at a time, each through its own plug-in instance
  --json           print the results as JSON: an object for one file, an array for
                   several or with --output-dir (text then prints a line per file)
  --csv            print the results as CSV, one row per file
  -q, --quiet      no progress bar and no text report; errors are still printed
  --plot DIR       also draw each file's loudness over time into DIR/NAME.png
                   (made when missing): momentary and short-term loudness, the
                   integrated loudness and range, the target, the plug-in's level
                   and the true-peak overs; normalize draws input and output
  --plot-scale N   1 .. 4: the picture's pixels per unit (default 1: 1200 x 500;
                   2 for HiDPI screens)
  --plugin PATH    a .vst3 or .aaxplugin bundle, or the module inside it; default:
                   the VST3 bundle of the build tree, then ~/.vst3/TavrikQuenmark.vst3
                   (screenshot takes the VST3 bundle only)
  --               ends the options: every later argument is a file

Mono and stereo files are supported; mono is measured as one channel played on both
speakers, as the plug-in hears it. Integer outputs never clip silently: clipped
samples are counted and reported (with --true-peak there are none).
Exit codes: 0 done, 1 a file failed (the plug-in, an output, a gain out of reach) or,
with several files, any file failed; 2 bad arguments, or one unusable input file
(nothing written).
)USAGE";
}

std::string versionText()
{
  return std::string("quenmark ") + QUENMARK_VERSION + " (" + sf_version_string() + ")\n";
}
} // namespace quenmark
