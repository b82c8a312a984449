// quenmark through the AAX bundle: the same jobs as through the VST3 bundle, checked
// against them on the same files.

#include "QuenmarkFixture.h"

using namespace quenmarktest;

namespace
{
// The AAX render is 32-bit: output samples agree with the VST3 path to float rounding.
constexpr double kSampleTolerance = 2e-7;

// A programme whose level swells over a few seconds; its length is no multiple of the
// tool's block, so the last block is a short one.
double Swell(int n, int channel)
{
  const double t = n / 48000.;
  const double level = 0.05 + 0.2 * std::fabs(std::sin(0.9 * t));
  return level * std::sin(2. * 3.141592653589793 * (channel == 0 ? 440. : 660.) * t);
}

class QuenmarkAax : public Quenmark
{
protected:
  Outcome through(const std::string& bundle, std::vector<std::string> arguments)
  {
    arguments.push_back("--plugin");
    arguments.push_back(bundle);
    return runQuenmark(arguments, folder);
  }
};

TEST_F(QuenmarkAax, BothBundlesMeasureTheSameLevelsAndWriteTheSameSamples)
{
  writeAudio(at("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, 5 * 48000 + 1234, Swell);
  writeAudio(at("mono.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 48000, 3 * 48000 + 77, Swell);

  const Outcome vst3Analysis = through(QUENMARK_TEST_BUNDLE, {"analyze", at("in.wav"), at("mono.wav")});
  const Outcome aaxAnalysis = through(QUENMARK_TEST_AAX_BUNDLE, {"analyze", at("in.wav"), at("mono.wav")});
  ASSERT_EQ(vst3Analysis.exitCode, 0) << vst3Analysis.err;
  ASSERT_EQ(aaxAnalysis.exitCode, 0) << aaxAnalysis.err;
  // The whole printed table, every measure to its printed precision, less the module line.
  auto levels = [](const std::string& text) {
    std::string kept;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
      if (line.find("TavrikQuenmark") == std::string::npos)
        kept += line + "\n";
    return kept;
  };
  EXPECT_EQ(levels(aaxAnalysis.out), levels(vst3Analysis.out));
  EXPECT_NE(aaxAnalysis.out.find("LUFS Int."), std::string::npos) << aaxAnalysis.out;

  struct Job
  {
    std::string name;
    std::vector<std::string> options;
  };
  const std::vector<Job> jobs = {
    {"standard", {"--measure", "rms", "--target", "-20"}},
    {"continuous", {"--mode", "continuous", "--measure", "shortterm", "--target", "-22"}},
    {"loudness", {"--loudness", "-18", "--true-peak", "-1"}},
  };
  for (const Job& job : jobs)
  {
    SCOPED_TRACE(job.name);
    for (const char* input : {"in.wav", "mono.wav"})
    {
      std::vector<std::string> vst3 = {"normalize", at(input), at("vst3-" + std::string(input)), "--json"};
      std::vector<std::string> aax = {"normalize", at(input), at("aax-" + std::string(input)), "--json"};
      vst3.insert(vst3.end(), job.options.begin(), job.options.end());
      aax.insert(aax.end(), job.options.begin(), job.options.end());
      const Outcome byVst3 = through(QUENMARK_TEST_BUNDLE, vst3);
      const Outcome byAax = through(QUENMARK_TEST_AAX_BUNDLE, aax);
      ASSERT_EQ(byVst3.exitCode, 0) << byVst3.err;
      ASSERT_EQ(byAax.exitCode, 0) << byAax.err;
      const auto reportVst3 = nlohmann::json::parse(byVst3.out);
      const auto reportAax = nlohmann::json::parse(byAax.out);
      EXPECT_NEAR(reportAax["measuredLevel"].get<double>(), reportVst3["measuredLevel"].get<double>(), 1e-6);
      EXPECT_NEAR(reportAax["gainDb"].get<double>(), reportVst3["gainDb"].get<double>(), 1e-4);
      EXPECT_NE(reportAax["plugin"].get<std::string>().find(".aaxplugin"), std::string::npos);

      const Audio fromVst3 = readAudio(at("vst3-" + std::string(input)));
      const Audio fromAax = readAudio(at("aax-" + std::string(input)));
      ASSERT_EQ(fromAax.interleaved.size(), fromVst3.interleaved.size());
      double worst = 0.;
      for (std::size_t i = 0; i < fromAax.interleaved.size(); ++i)
        worst = std::max(worst, std::fabs(fromAax.interleaved[i] - fromVst3.interleaved[i]));
      EXPECT_LE(worst, kSampleTolerance);
      EXPECT_GT(std::fabs(peakDb(fromAax) - peakDb(readAudio(at(input)))), 1.) << "the gain was applied";
    }
  }
}

TEST_F(QuenmarkAax, InfoShowsTheParametersAsTheAaxHostSeesThem)
{
  const Outcome run = through(QUENMARK_TEST_AAX_BUNDLE, {"info"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* part : {"(AAX)", "2 components", "\"Master Bypass\"", "\"Target Value\": continuous",
                           "-60 to 30", "\"LUFS Shrt.\"", "\"Group 8\"", "chunks 1"})
    EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;
}

TEST_F(QuenmarkAax, APathThatIsNeitherBundleIsAClearError)
{
  writeAudio(at("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, 4800, Swell);
  fs::create_directories(at("Empty.aaxplugin"));
  fs::create_directories(at("Folder"));
  for (const std::string& bad : {at("Empty.aaxplugin"), at("Folder"), at("in.wav")})
  {
    SCOPED_TRACE(bad);
    const Outcome run = through(bad, {"analyze", at("in.wav")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find(bad), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
  const Outcome screenshot = runQuenmark({"screenshot", at("x.png"), "--plugin", QUENMARK_TEST_AAX_BUNDLE}, folder);
  EXPECT_NE(screenshot.exitCode, 0);
  EXPECT_FALSE(fs::exists(at("x.png")));
}
} // namespace
