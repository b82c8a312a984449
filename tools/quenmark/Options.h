#pragma once

#include "tools/quenmark/Measures.h"

#include <optional>
#include <string>
#include <vector>

// The command line of quenmark, parsed and checked before anything is loaded.
namespace quenmark
{
enum class Command
{
  kHelp,
  kAnalyze,
  kNormalize,
  kInfo
};

enum class NormalizeMode
{
  kStandard,  // an analysis pass, then a pass that applies the gain it reached
  kContinuous // one pass that follows the level block by block
};

// The plug-in's ranges for the two levels the tool sets.
inline constexpr double kMinTargetDb = -60.;
inline constexpr double kMaxTargetDb = 30.;
inline constexpr double kMinGateDb = -90.;
inline constexpr double kMaxGateDb = 0.;

struct Options
{
  Command command = Command::kHelp;
  std::vector<std::string> files; // analyze: FILE; normalize: IN OUT
  std::optional<MeasureName> measure;
  // Unset: the plug-in's own default stays.
  std::optional<double> targetDb;
  std::optional<double> gateDb;
  std::optional<NormalizeMode> mode;
  std::optional<std::string> pluginPath;
  bool json = false;
};

// Throws ToolError with kExitUsage for an unknown command or option, a missing or extra
// file, an unknown measure, a number that does not parse, and a target or gate outside
// the plug-in's range.
Options parseOptions(const std::vector<std::string>& arguments);

// The text of --help.
std::string usageText();
} // namespace quenmark
