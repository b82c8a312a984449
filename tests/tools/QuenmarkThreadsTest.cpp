// quenmark's parallel jobs in one process: two files normalized or analysed at once, each
// through its own plug-in instances, with the measuring and writing threads of each pass
// (an analysis plays its six instances on threads of their own); run under the thread
// sanitizer.

#include "tools/quenmark/Commands.h"
#include "tools/quenmark/Options.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace
{
// Two short stereo files of different levels in a fresh folder.
std::vector<std::string> writeInputs(const fs::path& folder)
{
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::vector<std::string> inputs;
  for (int file = 0; file < 2; ++file)
  {
    const fs::path path = folder / ("in" + std::to_string(file) + ".wav");
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* out = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(out, nullptr);
    std::vector<double> samples(2 * 48000);
    for (std::size_t n = 0; n < samples.size(); ++n)
      samples[n] = (0.1 + 0.1 * file) * std::sin(0.05 * double(n / 2)) * (n % 2 ? 0.5 : 1.);
    sf_writef_double(out, samples.data(), 48000);
    sf_close(out);
    inputs.push_back(path.string());
  }
  return inputs;
}
} // namespace

TEST(QuenmarkJobs, TwoFilesAtOnceGiveWhatOneAtATimeGives)
{
  const fs::path folder = fs::temp_directory_path() / ("quenmark-jobs-" + std::to_string(getpid()));
  const std::vector<std::string> inputs = writeInputs(folder);
  std::vector<std::string> reports;
  for (const char* jobs : {"2", "1"})
  {
    std::vector<std::string> arguments = {"normalize"};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    arguments.insert(arguments.end(), {"--output-dir", (folder / jobs).string(), "--loudness", "-20", "--true-peak",
                                       "-1", "--csv", "--jobs", jobs, "--plugin", QUENMARK_TEST_BUNDLE});
    std::ostringstream out, err;
    EXPECT_EQ(quenmark::runNormalize(quenmark::parseOptions(arguments), out, err), 0) << err.str();
    // The outputs' names differ; the measured columns do not.
    std::string report = out.str();
    for (std::size_t at; (at = report.find((folder / jobs).string())) != std::string::npos;)
      report.erase(at, (folder / jobs).string().size());
    reports.push_back(report);
  }
  EXPECT_EQ(reports[0], reports[1]);
  fs::remove_all(folder);
}

TEST(QuenmarkJobs, AnAnalysisOfAllSixMeasuresReadsTheSameInParallel)
{
  const fs::path folder = fs::temp_directory_path() / ("quenmark-analysis-" + std::to_string(getpid()));
  const std::vector<std::string> inputs = writeInputs(folder);
  std::vector<std::string> reports;
  for (const char* jobs : {"2", "1"})
  {
    std::vector<std::string> arguments = {"analyze"};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    arguments.insert(arguments.end(), {"--csv", "--jobs", jobs, "--plugin", QUENMARK_TEST_BUNDLE});
    std::ostringstream out, err;
    EXPECT_EQ(quenmark::runAnalyze(quenmark::parseOptions(arguments), out, err), 0) << err.str();
    reports.push_back(out.str());
  }
  EXPECT_EQ(reports[0], reports[1]);
  EXPECT_NE(reports[0].find("in1.wav"), std::string::npos);
  fs::remove_all(folder);
}

TEST(QuenmarkJobs, TheAaxBundleOnTwoThreadsGivesWhatTheVst3BundleGives)
{
  const fs::path folder = fs::temp_directory_path() / ("quenmark-aax-jobs-" + std::to_string(getpid()));
  const std::vector<std::string> inputs = writeInputs(folder);
  std::vector<std::string> reports;
  for (const auto& [bundle, jobs] : {std::pair{QUENMARK_TEST_BUNDLE, "1"}, std::pair{QUENMARK_TEST_AAX_BUNDLE, "2"}})
  {
    const std::string outputs = (folder / ("out" + std::string(jobs))).string();
    std::vector<std::string> arguments = {"normalize"};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    arguments.insert(arguments.end(), {"--output-dir", outputs, "--loudness", "-20", "--true-peak", "-1", "--csv",
                                       "--jobs", jobs, "--plugin", bundle});
    std::ostringstream out, err;
    EXPECT_EQ(quenmark::runNormalize(quenmark::parseOptions(arguments), out, err), 0) << err.str();
    std::string report = out.str();
    for (std::size_t at; (at = report.find(outputs)) != std::string::npos;)
      report.erase(at, outputs.size());
    reports.push_back(report);
  }
  EXPECT_EQ(reports[0], reports[1]);
  EXPECT_NE(reports[0].find("in1.wav"), std::string::npos);
  fs::remove_all(folder);
}
