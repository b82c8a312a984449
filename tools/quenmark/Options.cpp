#include "tools/quenmark/Options.h"

#include "tools/quenmark/ToolError.h"

#include <charconv>
#include <cmath>
#include <sstream>

namespace quenmark
{
namespace
{
[[noreturn]] void usageError(const std::string& message)
{
  throw ToolError(kExitUsage, message + " (quenmark --help shows the usage)");
}

double parseDb(const std::string& option, const std::string& text, double low, double high)
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
    message << option << " " << text << " is outside the plug-in's range " << low << " .. " << high << " dB";
    usageError(message.str());
  }
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
  usageError("unknown command \"" + name + "\"");
}
} // namespace

Options parseOptions(const std::vector<std::string>& arguments)
{
  Options options;
  if (arguments.empty())
    usageError("no command given");
  options.command = commandNamed(arguments[0]);
  if (options.command == Command::kHelp)
    return options;

  for (std::size_t i = 1; i < arguments.size(); ++i)
  {
    std::string argument = arguments[i];
    if (argument == "--help" || argument == "-h")
    {
      options.command = Command::kHelp;
      return options;
    }
    if (argument.size() < 2 || argument.compare(0, 2, "--") != 0 || argument == "--")
    {
      options.files.push_back(argument);
      continue;
    }
    // --name value or --name=value
    std::string name = argument;
    std::optional<std::string> value;
    if (const std::size_t equals = argument.find('='); equals != std::string::npos)
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
    const bool analyze = options.command == Command::kAnalyze;
    const bool normalize = options.command == Command::kNormalize;
    if (name == "--json" && !value && options.command != Command::kInfo)
      options.json = true;
    else if (name == "--plugin")
      options.pluginPath = takeValue();
    else if (name == "--measure" && (analyze || normalize))
    {
      const std::string text = takeValue();
      options.measure = findMeasure(text);
      if (!options.measure)
        usageError("unknown measure \"" + text + "\"; known: " + measureList());
    }
    else if (name == "--gate" && (analyze || normalize))
      options.gateDb = parseDb("--gate", takeValue(), kMinGateDb, kMaxGateDb);
    else if (name == "--target" && normalize)
      options.targetDb = parseDb("--target", takeValue(), kMinTargetDb, kMaxTargetDb);
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

  const std::size_t wanted = options.command == Command::kAnalyze     ? 1
                             : options.command == Command::kNormalize ? 2
                                                                      : 0;
  if (options.files.size() < wanted)
    usageError(arguments[0] + (wanted == 1 ? " needs a FILE" : " needs IN and OUT"));
  if (options.files.size() > wanted)
    usageError("unexpected argument \"" + options.files[wanted] + "\"");
  return options;
}

std::string usageText()
{
  return R"USAGE(quenmark: loudness analysis and normalization of audio files through the
TavrikQuenmark VST3 plug-in (the very binary a host loads).

usage:
  quenmark analyze FILE [--measure NAME] [--gate DB] [--json] [--plugin PATH]
      The level the plug-in measures over FILE (Standard mode, transport playing,
      Normalize off) for one measure or for each of the six, and the integrated
      loudness, loudness range and true peak measured by the tool itself.
  quenmark normalize IN OUT [--measure NAME] [--target DB] [--gate DB]
                            [--mode standard|continuous] [--json] [--plugin PATH]
      Writes OUT, in IN's format, through the plug-in's own workflow: Standard runs an
      analysis pass (transport playing, Analyze on), then a pass with Normalize on and
      Analyze off that applies the gain the analysis reached; Continuous runs one pass
      that follows the level. Reports the measured level, the applied gain and OUT's
      peak and integrated loudness, measured independently. OUT is never IN.
  quenmark info [--plugin PATH]
      The plug-in's classes, buses and parameters as a host sees them.

options:
  --measure NAME  dBFS (peak), "VU (-18)" (vu), RMS (rms), "LUFS Mom." (momentary),
                  "LUFS Int." (integrated), "LUFS Shrt." (shortterm); any case.
                  analyze: all six when not given; normalize: the plug-in's default.
  --target DB     -60 .. 30, in the measure's unit (default: the plug-in's, -12)
  --gate DB       -90 .. 0: levels below it are ignored (default: the plug-in's, -60)
  --mode MODE     standard (default) or continuous
  --json          print the result as one JSON object
  --plugin PATH   a .vst3 bundle or its .so; default: the bundle of the build tree,
                  then ~/.vst3/TavrikQuenmark.vst3

Mono and stereo files are supported; mono is measured as one channel played on both
speakers, as the plug-in hears it.
Exit codes: 0 done, 1 the plug-in or a file operation failed, 2 bad arguments or an
unusable input file (nothing written).
)USAGE";
}
} // namespace quenmark
