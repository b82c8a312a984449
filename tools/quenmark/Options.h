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
  kVersion,
  kAnalyze,
  kNormalize,
  kInfo
};

enum class NormalizeMode
{
  kStandard,  // an analysis pass, then a pass that applies the gain it reached
  kContinuous // one pass that follows the level block by block
};

enum class ReportFormat
{
  kText, // one block per file, or one line per file in a batch
  kJson, // one object for one file, an array for several
  kCsv   // a header, then one row per file
};

// The plug-in's ranges for the two levels the tool sets.
inline constexpr double kMinTargetDb = -60.;
inline constexpr double kMaxTargetDb = 30.;
inline constexpr double kMinGateDb = -90.;
inline constexpr double kMaxGateDb = 0.;
// What the tool accepts for a file's integrated loudness and a true-peak ceiling.
inline constexpr double kMinLoudnessLufs = -60.;
inline constexpr double kMaxLoudnessLufs = 0.;
inline constexpr double kMinCeilingDbtp = -60.;
inline constexpr double kMaxCeilingDbtp = 0.;
inline constexpr int kMaxJobs = 64;

struct Options
{
  Command command = Command::kHelp;
  // analyze: FILE...; normalize: IN OUT, or IN... with outputDir (IN alone with dryRun)
  std::vector<std::string> files;
  std::optional<std::string> outputDir;
  std::optional<MeasureName> measure;
  // Unset: the plug-in's own default stays.
  std::optional<double> targetDb;
  std::optional<double> gateDb;
  // Normalize the whole file's integrated loudness to this, instead of the plug-in's
  // measured level to targetDb.
  std::optional<double> loudnessLufs;
  std::optional<double> truePeakCeilingDbtp;
  std::optional<NormalizeMode> mode;
  std::optional<std::string> pluginPath;
  ReportFormat format = ReportFormat::kText;
  // Write a loudness picture of each file into this folder.
  std::optional<std::string> plotDir;
  int plotScale = 1;
  bool dither = true;
  bool dryRun = false;
  bool quiet = false;
  int jobs = 1;

  // The input/output pairs of normalize (output empty on a dry run without one).
  struct FilePair
  {
    std::string input;
    std::string output;
  };
  std::vector<FilePair> normalizePairs() const;
};

// Throws ToolError with kExitUsage for an unknown command or option, a missing or extra
// file, an unknown measure, a number that does not parse, a level outside its range and
// options that contradict each other.
Options parseOptions(const std::vector<std::string>& arguments);

// The text of --help and of --version.
std::string usageText();
std::string versionText();
} // namespace quenmark
