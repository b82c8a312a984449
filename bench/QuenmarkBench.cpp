// quenmark against ffmpeg on one generated 10-minute stereo 48 kHz programme, in one run:
// `quenmark analyze` (all six measures) followed by `quenmark normalize --loudness -23
// --true-peak -1`, against `ffmpeg -af ebur128` analysing the same file. Each case is
// the wall time of the whole command, process start included, as a user waits for it.
#include "BenchReport.h"

#include <sndfile.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace
{
namespace fs = std::filesystem;

constexpr int kRate = 48000;
constexpr int kSeconds = 600;
constexpr double kFrames = double(kRate) * kSeconds;

// A programme with dynamics, written once per run: low-passed noise whose level swells
// over a minute, steps every 20 s and falls silent for 2 s every 50 s; 24-bit PCM.
const fs::path& programme()
{
  static const fs::path path = [] {
    const fs::path file = fs::temp_directory_path() / ("quenmark-bench-" + std::to_string(getpid()) + ".wav");
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
    if (out == nullptr)
    {
      std::fprintf(stderr, "bench_quenmark: cannot write %s\n", file.c_str());
      return fs::path();
    }
    std::uint64_t state = 12345;
    double lowPass[2] = {0., 0.};
    std::vector<double> block(2 * 4800);
    for (int start = 0; start < kRate * kSeconds; start += 4800)
    {
      for (int n = 0; n < 4800; ++n)
      {
        const double t = double(start + n) / kRate;
        const bool silent = std::fmod(t, 50.) >= 48.;
        const double stepDb = (static_cast<int>(t / 20.) % 3) * -6.;
        const double swellDb = 6. * std::sin(2. * M_PI * t / 60.);
        const double gain = silent ? 0. : 0.3 * std::pow(10., (stepDb + swellDb) / 20.);
        for (int c = 0; c < 2; ++c)
        {
          state = state * 6364136223846793005ULL + 1442695040888963407ULL;
          const double white = double(state >> 11) * (2. / 9007199254740992.) - 1.;
          lowPass[c] = 0.7 * lowPass[c] + 0.3 * white;
          block[static_cast<std::size_t>(2 * n + c)] = gain * lowPass[c];
        }
      }
      sf_writef_double(out, block.data(), 4800);
    }
    sf_close(out);
    return file;
  }();
  return path;
}

fs::path scratchOutput()
{
  return fs::temp_directory_path() / ("quenmark-bench-out-" + std::to_string(getpid()) + ".wav");
}

// Runs a command with its output thrown away; false when it could not run or failed.
bool run(std::vector<std::string> arguments)
{
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (std::string& argument : arguments)
    argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0)
    return false;
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> analyzeCommand()
{
  return {QUENMARK_EXECUTABLE, "analyze", programme().string(), "-q", "--plugin", QUENMARK_BENCH_BUNDLE};
}

std::vector<std::string> normalizeCommand()
{
  return {QUENMARK_EXECUTABLE, "normalize", programme().string(), scratchOutput().string(), "--loudness", "-23",
          "--true-peak", "-1", "-q", "--plugin", QUENMARK_BENCH_BUNDLE};
}

void runCommands(benchmark::State& state, const std::vector<std::vector<std::string>>& commands)
{
  if (programme().empty())
  {
    state.SkipWithError("no programme file");
    return;
  }
  for (auto _ : state)
  {
    // Every repetition writes its output as the first does, without the last one's
    // output in the way (replacing it would add the time to free that file).
    state.PauseTiming();
    std::error_code error;
    fs::remove(scratchOutput(), error);
    state.ResumeTiming();
    for (const std::vector<std::string>& command : commands)
      if (!run(command))
      {
        state.SkipWithError((command[0] + " failed or is not installed").c_str());
        return;
      }
  }
  setFramesPerIteration(state, kFrames);
}

void QuenmarkAnalyzeAndNormalize(benchmark::State& state)
{
  runCommands(state, {analyzeCommand(), normalizeCommand()});
}
void QuenmarkAnalyze(benchmark::State& state) { runCommands(state, {analyzeCommand()}); }
// The same analysis drawing its loudness picture: what --plot adds.
void QuenmarkAnalyzePlot(benchmark::State& state)
{
  std::vector<std::string> command = analyzeCommand();
  command.push_back("--plot");
  command.push_back((fs::temp_directory_path() / "quenmark-bench-plot").string());
  runCommands(state, {command});
}
void QuenmarkNormalize(benchmark::State& state) { runCommands(state, {normalizeCommand()}); }
void FfmpegEbur128(benchmark::State& state)
{
  runCommands(state, {{"ffmpeg", "-nostdin", "-hide_banner", "-nostats", "-i", programme().string(), "-af", "ebur128",
                       "-f", "null", "-"}});
}
} // namespace

BENCHMARK(FfmpegEbur128)->Name("ffmpeg/ebur128")->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(QuenmarkAnalyzeAndNormalize)
  ->Name("quenmark/analyze+normalize")
  ->UseRealTime()
  ->Unit(benchmark::kMillisecond)
  ->Iterations(1)
  ->Repetitions(3);
BENCHMARK(QuenmarkAnalyze)
  ->Name("quenmark/analyze")
  ->UseRealTime()
  ->Unit(benchmark::kMillisecond)
  ->Iterations(1)
  ->Repetitions(3);
BENCHMARK(QuenmarkAnalyzePlot)
  ->Name("quenmark/analyze --plot")
  ->UseRealTime()
  ->Unit(benchmark::kMillisecond)
  ->Iterations(1)
  ->Repetitions(3);
BENCHMARK(QuenmarkNormalize)->Name("quenmark/normalize")->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
  const std::vector<RatioTarget> targets = {
    {"quenmark/analyze+normalize", "ffmpeg/ebur128", 1.0},
    {"quenmark/analyze", "ffmpeg/ebur128", 0.},
    {"quenmark/analyze --plot", "quenmark/analyze", 1.10},
    {"quenmark/normalize", "ffmpeg/ebur128", 0.},
  };
  const int result = runWithRatios(argc, argv, targets);
  std::error_code error;
  fs::remove(programme(), error);
  fs::remove(scratchOutput(), error);
  fs::remove_all(fs::temp_directory_path() / "quenmark-bench-plot", error);
  return result;
}
