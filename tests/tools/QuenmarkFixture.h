#pragma once

// quenmark end to end: the executable run on generated files with the built bundle, and
// what the tests measure independently in the files it wrote.

#include <ebur128.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sndfile.h>

#ifdef _WIN32
#include "ChildProcess.h"
#include <process.h>
#else
#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

namespace quenmarktest
{
namespace fs = std::filesystem;

struct Outcome
{
  int exitCode;
  std::string out;
  std::string err;
};

inline std::string slurp(const fs::path& path)
{
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Whether runQuenmark can give the tool a terminal (a pseudo-terminal, POSIX only).
#ifdef _WIN32
constexpr bool kHasTerminals = false;
inline int processId()
{
  return _getpid();
}
#else
constexpr bool kHasTerminals = true;
inline int processId()
{
  return static_cast<int>(getpid());
}
#endif

// Runs quenmark with `arguments`, standard output and error into files; with `terminal`
// standard error is a pseudo-terminal instead and its text is returned (where there are
// none, the run fails with exit code -1).
inline Outcome runQuenmark(const std::vector<std::string>& arguments, const fs::path& folder, bool terminal = false)
{
  const fs::path outPath = folder / "stdout.txt";
  const fs::path errPath = folder / "stderr.txt";
#ifdef _WIN32
  if (terminal)
    return {-1, "", "no pseudo-terminals on this platform"};
  const int exitCode = testsupport::runProgram(QUENMARK_EXECUTABLE, arguments, outPath, errPath);
  return {exitCode, slurp(outPath), slurp(errPath)};
#else
  int master = -1, slave = -1;
  if (terminal && openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
    return {-1, "", "openpty failed"};
  const pid_t child = fork();
  if (child == 0)
  {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = terminal ? slave : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    if (terminal)
      close(master);
    std::vector<std::string> all = {QUENMARK_EXECUTABLE};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all)
      argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  std::string terminalText;
  if (terminal)
  {
    close(slave);
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(master, buffer, sizeof(buffer))) > 0) // EIO once the child is gone
      terminalText.append(buffer, static_cast<std::size_t>(got));
    close(master);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(outPath), terminal ? terminalText : slurp(errPath)};
#endif
}

// Whether this libsndfile has the major format of `format`.
inline bool formatAvailable(int format)
{
  int count = 0;
  sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
  for (int i = 0; i < count; ++i)
  {
    SF_FORMAT_INFO info{};
    info.format = i;
    if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info) == 0 &&
        info.format == (format & SF_FORMAT_TYPEMASK))
      return true;
  }
  return false;
}

// Writes `frames` frames of signal(frame, channel) in `format`.
inline void writeAudio(const fs::path& path, int format, int channels, int rate, int frames,
                const std::function<double(int, int)>& signal)
{
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.string().c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  std::vector<double> interleaved(static_cast<std::size_t>(frames * channels));
  for (int n = 0; n < frames; ++n)
    for (int c = 0; c < channels; ++c)
      interleaved[static_cast<std::size_t>(n * channels + c)] = signal(n, c);
  EXPECT_EQ(sf_writef_double(file, interleaved.data(), frames), frames);
  sf_close(file);
}

struct Audio
{
  SF_INFO info{};
  std::vector<double> interleaved;
};

// A file that cannot be read whole ends the test that asked (GoogleTest reports the
// exception, and the fixture still removes the test's folder): empty audio handed on
// would crash the measurement, and every later test with it.
inline Audio readAudio(const fs::path& path)
{
  Audio audio;
  SNDFILE* file = sf_open(path.string().c_str(), SFM_READ, &audio.info);
  if (file == nullptr)
    throw std::runtime_error("cannot read " + path.string() + ": " + sf_strerror(nullptr));
  audio.interleaved.resize(static_cast<std::size_t>(audio.info.frames * audio.info.channels));
  const sf_count_t read = sf_readf_double(file, audio.interleaved.data(), audio.info.frames);
  sf_close(file);
  if (read != audio.info.frames || audio.info.channels < 1)
    throw std::runtime_error(path.string() + ": read " + std::to_string(read) + " of " +
                             std::to_string(audio.info.frames) + " frames");
  return audio;
}

inline double peakDb(const Audio& audio)
{
  double peak = 0.;
  for (double x : audio.interleaved)
    peak = std::max(peak, std::fabs(x));
  return 20. * std::log10(peak);
}

// BS.1770 integrated loudness; a mono file counts as dual mono.
inline double integratedLufs(const Audio& audio)
{
  ebur128_state* state = ebur128_init(static_cast<unsigned>(audio.info.channels),
                                      static_cast<unsigned long>(audio.info.samplerate), EBUR128_MODE_I);
  if (audio.info.channels == 1)
    ebur128_set_channel(state, 0, EBUR128_DUAL_MONO);
  ebur128_add_frames_double(state, audio.interleaved.data(), static_cast<std::size_t>(audio.info.frames));
  double loudness = 0.;
  ebur128_loudness_global(state, &loudness);
  ebur128_destroy(&state);
  return loudness;
}

// The true peak (dBTP) as libebur128 measures it, over all channels.
inline double truePeakDbtp(const Audio& audio)
{
  ebur128_state* state = ebur128_init(static_cast<unsigned>(audio.info.channels),
                                      static_cast<unsigned long>(audio.info.samplerate), EBUR128_MODE_TRUE_PEAK);
  ebur128_add_frames_double(state, audio.interleaved.data(), static_cast<std::size_t>(audio.info.frames));
  double peak = 0.;
  for (int c = 0; c < audio.info.channels; ++c)
  {
    double value = 0.;
    ebur128_true_peak(state, static_cast<unsigned>(c), &value);
    peak = std::max(peak, value);
  }
  ebur128_destroy(&state);
  return 20. * std::log10(peak);
}

// Deterministic noise through a one-pole low-pass: a steady, broadband programme.
class Noise
{
public:
  explicit Noise(double gain) : mGain(gain) {}
  double operator()(int, int channel)
  {
    mState = mState * 6364136223846793005ULL + 1442695040888963407ULL;
    const double white = static_cast<double>(mState >> 11) * (2. / 9007199254740992.) - 1.;
    double& lp = mLowPass[channel & 1];
    lp = 0.8 * lp + 0.2 * white;
    return mGain * lp;
  }

private:
  double mGain;
  std::uint64_t mState = 99;
  double mLowPass[2] = {0., 0.};
};

class Quenmark : public ::testing::Test
{
protected:
  void SetUp() override
  {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    // One folder per process and test: builds may run the same tests side by side.
    folder = fs::temp_directory_path() /
             ("quenmark-test-" + std::to_string(processId()) + "-" + std::string(test->name()));
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  // Windows may hold a finished child's files open for a while (Wine, on a loaded machine,
  // has been seen to for more than 5 s): the folder is retried for up to 30 s. A folder
  // that still cannot go is left in the temporary folder with a warning there, since the
  // next test works in a folder of its own; elsewhere it is a failure of the test.
  void TearDown() override
  {
    std::error_code error;
    for (int tries = 0; tries < 120; ++tries)
    {
      fs::remove_all(folder, error);
      if (!error)
        return;
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
#ifdef _WIN32
    std::cerr << "warning: left " << folder.string() << " behind: " << error.message() << "\n";
#else
    ADD_FAILURE() << "cannot remove " << folder << ": " << error.message();
#endif
  }

  Outcome quenmark(std::vector<std::string> arguments, bool terminal = false)
  {
    arguments.push_back("--plugin");
    arguments.push_back(QUENMARK_TEST_BUNDLE);
    return runQuenmark(arguments, folder, terminal);
  }
  std::string at(const std::string& name) const { return (folder / name).string(); }

  fs::path folder;
};
} // namespace quenmarktest
