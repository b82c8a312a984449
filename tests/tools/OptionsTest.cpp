// quenmark's command line: measure names, ranges and the shape of each command.

#include "tools/quenmark/Measures.h"
#include "tools/quenmark/Options.h"
#include "tools/quenmark/ToolError.h"

#include <gtest/gtest.h>

using namespace quenmark;

namespace
{
// The exit code and message parseOptions fails with; kExitOk when it succeeds.
std::pair<int, std::string> failureOf(const std::vector<std::string>& arguments)
{
  try
  {
    (void)parseOptions(arguments);
    return {kExitOk, ""};
  }
  catch (const ToolError& error)
  {
    return {error.code(), error.what()};
  }
}
} // namespace

TEST(Measures, DisplayTextsAndAliasesInAnyCase)
{
  const std::pair<const char*, int> names[] = {
    {"dBFS", 0},      {"peak", 0},       {"DBFS", 0},      {"VU (-18)", 1},  {"vu", 1},
    {"rms", 2},       {"LUFS Mom.", 3},  {"Momentary", 3}, {"lufs int.", 4}, {" integrated ", 4},
    {"LUFS Shrt.", 5}, {"SHORTTERM", 5},
  };
  for (const auto& [name, index] : names)
  {
    const auto measure = findMeasure(name);
    ASSERT_TRUE(measure.has_value()) << name;
    EXPECT_EQ(measure->index, index) << name;
  }
  for (const char* unknown : {"", "lufs", "LUFS Int", "short-term", "6", "dBFS peak"})
    EXPECT_FALSE(findMeasure(unknown).has_value()) << unknown;
}

TEST(Options, EachCommandTakesItsFilesAndOptions)
{
  const Options analyze = parseOptions({"analyze", "in.wav", "--measure", "integrated", "--json"});
  EXPECT_EQ(analyze.command, Command::kAnalyze);
  EXPECT_EQ(analyze.files, std::vector<std::string>{"in.wav"});
  ASSERT_TRUE(analyze.measure);
  EXPECT_EQ(analyze.measure->index, 4);
  EXPECT_EQ(analyze.format, ReportFormat::kJson);

  const Options normalize =
    parseOptions({"normalize", "--target=-23", "in.wav", "out.wav", "--gate", "-70.5", "--mode", "continuous",
                  "--plugin", "x.vst3"});
  EXPECT_EQ(normalize.files, (std::vector<std::string>{"in.wav", "out.wav"}));
  EXPECT_EQ(normalize.targetDb, -23.);
  EXPECT_EQ(normalize.gateDb, -70.5);
  EXPECT_EQ(normalize.mode, NormalizeMode::kContinuous);
  EXPECT_EQ(normalize.pluginPath, "x.vst3");
  EXPECT_FALSE(normalize.measure) << "unset: the plug-in's default stays";

  EXPECT_EQ(parseOptions({"normalize", "a", "b", "--target", "+30"}).targetDb, 30.);
  EXPECT_EQ(parseOptions({"normalize", "a", "b", "--target", "-60"}).targetDb, -60.);
  EXPECT_EQ(parseOptions({"info"}).command, Command::kInfo);
  EXPECT_EQ(parseOptions({"--help"}).command, Command::kHelp);
  EXPECT_EQ(parseOptions({"normalize", "--help"}).command, Command::kHelp);
}

TEST(Options, BadCommandLinesAreUsageErrors)
{
  const std::vector<std::vector<std::string>> bad = {
    {},
    {"normalise", "a", "b"},
    {"analyze"},
    {"normalize", "a"},
    {"normalize", "a", "b", "--target", "30.01"},
    {"normalize", "a", "b", "--target", "-61"},
    {"normalize", "a", "b", "--target", "loud"},
    {"normalize", "a", "b", "--target", "-12dB"},
    {"normalize", "a", "b", "--target", "nan"},
    {"normalize", "a", "b", "--target"},
    {"normalize", "a", "b", "--gate", "0.5"},
    {"normalize", "a", "b", "--gate", "-90.1"},
    {"normalize", "a", "b", "--mode", "Standard"},
    {"normalize", "a", "b", "--measure", "loudness"},
    {"analyze", "a", "--target", "-23"}, // analysis has no target
    {"info", "--measure", "rms"},
    {"analyze", "a", "--verbose"},
  };
  for (const auto& arguments : bad)
  {
    const auto [code, message] = failureOf(arguments);
    std::string line;
    for (const auto& argument : arguments)
      line += argument + " ";
    EXPECT_EQ(code, kExitUsage) << line;
    EXPECT_FALSE(message.empty()) << line;
  }
  EXPECT_NE(failureOf({"analyze", "a", "--measure", "x"}).second.find("unknown measure \"x\""), std::string::npos);
  EXPECT_NE(failureOf({"normalize", "a", "b", "--target", "31"}).second.find("-60 .. 30"), std::string::npos);
}

TEST(Options, BatchesAndEverydayOptions)
{
  const Options batch = parseOptions({"normalize", "a/x.wav", "b/y.flac", "--output-dir", "out", "-j", "2", "-q",
                                      "--loudness", "-23", "--true-peak=-1", "--csv", "--no-dither"});
  const std::vector<Options::FilePair> pairs = batch.normalizePairs();
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[1].input, "b/y.flac");
  EXPECT_EQ(pairs[1].output, "out/y.flac") << "outputs are named after their inputs";
  EXPECT_EQ(batch.jobs, 2);
  EXPECT_TRUE(batch.quiet);
  EXPECT_FALSE(batch.dither);
  EXPECT_EQ(batch.format, ReportFormat::kCsv);
  EXPECT_EQ(batch.truePeakCeilingDbtp, -1.);

  const Options ended = parseOptions({"analyze", "--", "-q", "--json"});
  EXPECT_EQ(ended.files, (std::vector<std::string>{"-q", "--json"})) << "-- ends the options";
  EXPECT_FALSE(ended.quiet);

  const Options dry = parseOptions({"normalize", "in.wav", "--dry-run", "--loudness", "-16"});
  ASSERT_EQ(dry.normalizePairs().size(), 1u);
  EXPECT_TRUE(dry.normalizePairs()[0].output.empty());
  EXPECT_EQ(parseOptions({"--version"}).command, Command::kVersion);

  const std::vector<std::vector<std::string>> contradictions = {
    {"normalize", "a", "b", "c"},
    {"normalize", "a", "b", "--loudness", "-23", "--target", "-23"},
    {"normalize", "a", "b", "--loudness", "-23", "--mode", "continuous"},
    {"normalize", "a", "b", "--true-peak", "-1", "--mode", "continuous"},
    {"normalize", "a", "b", "--loudness", "1"},
    {"normalize", "a", "b", "--true-peak", "0.5"},
    {"normalize", "a", "b", "--jobs", "0"},
    {"normalize", "a", "b", "--dry-run=yes"},
    {"analyze", "a", "--loudness", "-23"},
  };
  for (const auto& arguments : contradictions)
    EXPECT_EQ(failureOf(arguments).first, kExitUsage) << arguments[3];
}
