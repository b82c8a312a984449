// quenmark end to end: the executable on generated files, with the built bundle, and
// every result checked by an independent measurement of the files it wrote.

#include "tools/demo/Programme.h"

#include "engine/AudioPlugin.h"

#include "ChildProcess.h"

#include <ebur128.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sndfile.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#include <process.h>
#endif

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace
{
namespace fs = std::filesystem;

constexpr double kPeakToleranceDb = 0.1;
constexpr double kLoudnessToleranceLu = 0.2;
// quenmark's analysis and the engine run directly on the same samples.
constexpr double kAgreementDb = 0.01;

struct Outcome
{
  int exitCode;
  std::string out;
  std::string err;
};

std::string slurp(const fs::path& path)
{
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Runs quenmark with `arguments`, standard output and error into files; with `terminal`
// standard error is a pseudo-terminal instead and its text is returned (not on Windows).
Outcome runQuenmark(const std::vector<std::string>& arguments, const fs::path& folder, bool terminal = false)
{
  const fs::path outPath = folder / "stdout.txt";
  const fs::path errPath = folder / "stderr.txt";
  if (!terminal)
  {
    const int exitCode = testsupport::runProgram(QUENMARK_EXECUTABLE, arguments, outPath, errPath);
    return {exitCode, slurp(outPath), slurp(errPath)};
  }
#if defined(_WIN32)
  return {-1, "", "no pseudo-terminals on Windows"};
#else
  int master = -1, slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
    return {-1, "", "openpty failed"};
  const pid_t child = fork();
  if (child == 0)
  {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, STDOUT_FILENO);
    dup2(slave, STDERR_FILENO);
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
  close(slave);
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(master, buffer, sizeof(buffer))) > 0) // EIO once the child is gone
    terminalText.append(buffer, static_cast<std::size_t>(got));
  close(master);
  int status = 0;
  waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(outPath), terminalText};
#endif
}

int processId()
{
#if defined(_WIN32)
  return _getpid();
#else
  return getpid();
#endif
}

// Whether this build of the sound file library writes `format` (its major type).
bool formatAvailable(int format)
{
  int count = 0;
  sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof(int));
  for (int index = 0; index < count; ++index)
  {
    SF_FORMAT_INFO info{};
    info.format = index;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof(info));
    if (info.format == (format & SF_FORMAT_TYPEMASK))
      return true;
  }
  return false;
}

// Writes `frames` frames of signal(frame, channel) in `format`.
void writeAudio(const fs::path& path, int format, int channels, int rate, int frames,
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

Audio readAudio(const fs::path& path)
{
  Audio audio;
  SNDFILE* file = sf_open(path.string().c_str(), SFM_READ, &audio.info);
  EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
  if (file == nullptr)
    return audio;
  audio.interleaved.resize(static_cast<std::size_t>(audio.info.frames * audio.info.channels));
  sf_readf_double(file, audio.interleaved.data(), audio.info.frames);
  sf_close(file);
  return audio;
}

double peakDb(const Audio& audio)
{
  double peak = 0.;
  for (double x : audio.interleaved)
    peak = std::max(peak, std::fabs(x));
  return 20. * std::log10(peak);
}

// BS.1770 integrated loudness; a mono file counts as dual mono.
double integratedLufs(const Audio& audio)
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
  void TearDown() override { fs::remove_all(folder); }

  Outcome quenmark(std::vector<std::string> arguments, bool terminal = false)
  {
    arguments.push_back("--plugin");
    arguments.push_back(QUENMARK_TEST_BUNDLE);
    return runQuenmark(arguments, folder, terminal);
  }
  std::string at(const std::string& name) const { return (folder / name).string(); }

  fs::path folder;
};
} // namespace

TEST_F(Quenmark, PeakNormalizationReachesItsTargetInTheInputsFormat)
{
  const int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  Noise noise(0.2);
  writeAudio(at("in.wav"), format, 2, 48000, 6 * 48000, [&](int n, int c) { return noise(n, c); });
  const Outcome run = quenmark({"normalize", at("in.wav"), at("out.wav"), "--measure", "peak", "--target", "-1"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("applied gain"), std::string::npos) << run.out;

  const Audio in = readAudio(at("in.wav"));
  const Audio out = readAudio(at("out.wav"));
  EXPECT_NEAR(peakDb(out), -1., kPeakToleranceDb);
  EXPECT_EQ(out.info.format, format);
  EXPECT_EQ(out.info.samplerate, 48000);
  EXPECT_EQ(out.info.channels, 2);
  EXPECT_EQ(out.info.frames, in.info.frames);
}

TEST_F(Quenmark, LoudnessNormalizationReachesItsTargetForStereoAndMono)
{
  struct Case
  {
    const char* name;
    int format;
    int channels;
    int rate;
    double targetLufs;
  };
  for (const Case& file : {Case{"stereo.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, -23.},
                           Case{"mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 48000, -16.},
                           Case{"stereo.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 48000, -18.}})
  {
    SCOPED_TRACE(file.name);
    if (!formatAvailable(file.format))
      continue; // a build of the sound file library without FLAC
    Noise noise(0.05);
    const std::string in = at(std::string("in-") + file.name);
    const std::string out = at(std::string("out-") + file.name);
    writeAudio(in, file.format, file.channels, file.rate, 8 * file.rate, [&](int n, int c) { return noise(n, c); });
    const Outcome run = quenmark({"normalize", in, out, "--measure", "LUFS Int.", "--target",
                              std::to_string(file.targetLufs), "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Audio result = readAudio(out);
    EXPECT_NEAR(integratedLufs(result), file.targetLufs, kLoudnessToleranceLu);
    EXPECT_EQ(result.info.format, file.format);
    EXPECT_EQ(result.info.channels, file.channels);
    EXPECT_EQ(result.info.samplerate, file.rate);

    const auto report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["measure"], "LUFS Int.");
    EXPECT_NEAR(report["outputLevel"]["integratedLufs"].get<double>(), integratedLufs(result), 1e-6);
    EXPECT_NEAR(report["measuredLevel"].get<double>() + report["gainDb"].get<double>(), file.targetLufs, 0.01);
  }
}

TEST_F(Quenmark, ContinuousModeFollowsTheLevelInOnePass)
{
  Noise noise(0.05);
  writeAudio(at("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, 6 * 48000,
             [&](int n, int c) { return (n < 3 * 48000 ? 1. : 0.25) * noise(n, c); });
  const Outcome run = quenmark({"normalize", at("in.wav"), at("out.wav"), "--mode", "continuous", "--measure",
                            "shortterm", "--target", "-20", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto report = nlohmann::json::parse(run.out);
  EXPECT_EQ(report["mode"], "continuous");
  ASSERT_TRUE(report["gainRangeDb"].is_array());
  EXPECT_LT(report["gainRangeDb"][0].get<double>(), report["gainRangeDb"][1].get<double>())
    << "the gain moved with the level";
  EXPECT_EQ(readAudio(at("out.wav")).info.frames, 6 * 48000);
}

TEST_F(Quenmark, TheInputIsNeverOverwritten)
{
  Noise noise(0.1);
  writeAudio(at("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 48000, 48000, [&](int n, int c) { return noise(n, c); });
  const std::string original = slurp(at("in.wav"));
  fs::create_directories(folder / "sub");
  std::vector<std::string> outputs = {at("in.wav"), at("sub/../in.wav")};
  // Links where the file system makes them (not every Windows file system does).
  std::error_code linkError;
  fs::create_symlink(at("in.wav"), at("link.wav"), linkError);
  if (!linkError)
    outputs.push_back(at("link.wav"));
  fs::create_hard_link(at("in.wav"), at("hard.wav"), linkError);
  if (!linkError)
    outputs.push_back(at("hard.wav"));
  for (const std::string& out : outputs)
  {
    SCOPED_TRACE(out);
    const Outcome run = quenmark({"normalize", at("in.wav"), out, "--target", "-3"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("overwrite"), std::string::npos) << run.err;
  }
  EXPECT_EQ(slurp(at("in.wav")), original);
  for (const auto& entry : fs::directory_iterator(folder))
    EXPECT_EQ(entry.path().string().find("partial"), std::string::npos) << entry.path();
}

TEST_F(Quenmark, AnalysisAgreesWithTheEngineRunDirectly)
{
  constexpr int kRate = 48000;
  constexpr int kBlock = 512;
  Programme programme = MakeDefaultProgramme(kRate, 10.);
  // The file holds 32-bit floats: the engine gets the same samples.
  for (auto* channel : {&programme.left, &programme.right})
    for (double& x : *channel)
      x = static_cast<float>(x);
  writeAudio(at("programme.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, kRate, programme.frames(),
             [&](int n, int c) { return (c == 0 ? programme.left : programme.right)[static_cast<std::size_t>(n)]; });
  const Outcome run = quenmark({"analyze", at("programme.wav"), "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto report = nlohmann::json::parse(run.out);
  ASSERT_EQ(report["measures"].size(), 6u);

  for (int measure = 0; measure < AudioPlugin::kMeasureCount; ++measure)
  {
    AudioPlugin engine;
    engine.setBlockSize(kBlock);
    engine.setSampleRate(kRate);
    engine.setOversampling(1);
    engine.setTargetLevel(-12.);
    engine.setGate(-60.);
    engine.setMeasure(measure);
    engine.setApplyGain(false);
    engine.setAnalyze(true);
    Programme work = programme;
    for (int start = 0; start < work.frames(); start += kBlock)
    {
      double* channels[2] = {work.left.data() + start, work.right.data() + start};
      engine.processBlock(channels, std::min(kBlock, work.frames() - start));
    }
    const auto& reported = report["measures"][static_cast<std::size_t>(measure)];
    SCOPED_TRACE(reported.dump());
    EXPECT_NEAR(reported["level"].get<double>(), engine.maxLevel(), kAgreementDb);
  }
  Audio file = readAudio(at("programme.wav"));
  EXPECT_NEAR(report["loudness"]["integratedLufs"].get<double>(), integratedLufs(file), 1e-9);
  EXPECT_NEAR(report["loudness"]["samplePeakDbfs"].get<double>(), peakDb(file), 1e-9);
  EXPECT_GT(report["loudness"]["loudnessRangeLu"].get<double>(), 1.) << "the programme steps in level";
  EXPECT_GE(report["loudness"]["truePeakDbtp"].get<double>(), peakDb(file) - 1e-9);
}

TEST_F(Quenmark, BadRequestsExitWithTwoAndSayWhy)
{
  Noise noise(0.1);
  writeAudio(at("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 48000, 4800, [&](int n, int c) { return noise(n, c); });
  writeAudio(at("three.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3, 48000, 4800, [&](int n, int c) { return noise(n, c); });
  std::ofstream(at("text.wav")) << "this is no audio file";
  struct Case
  {
    std::vector<std::string> arguments;
    std::string mentioned;
  };
  const std::vector<Case> cases = {
    {{"analyze", at("in.wav"), "--measure", "loudest"}, "unknown measure"},
    {{"normalize", at("in.wav"), at("out.wav"), "--target", "31"}, "--target"},
    {{"normalize", at("in.wav"), at("out.wav"), "--target", "-60.5"}, "--target"},
    {{"normalize", at("in.wav"), at("out.wav"), "--gate", "-91"}, "--gate"},
    {{"analyze", at("missing.wav")}, "missing.wav"},
    {{"normalize", at("text.wav"), at("out.wav")}, "text.wav"},
    {{"normalize", at("three.wav"), at("out.wav")}, "3 channels"},
    {{"normalize", at("in.wav"), folder.string()}, "folder"},
    {{"compress", at("in.wav")}, "unknown command"},
  };
  for (const Case& bad : cases)
  {
    SCOPED_TRACE(bad.arguments[0] + " " + bad.mentioned);
    const Outcome run = quenmark(bad.arguments);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find(bad.mentioned), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
  EXPECT_FALSE(fs::exists(at("out.wav")));
  const Outcome noPlugin = runQuenmark({"info", "--plugin", at("Nowhere.vst3")}, folder);
  EXPECT_EQ(noPlugin.exitCode, 2);
  EXPECT_NE(noPlugin.err.find("Nowhere.vst3"), std::string::npos) << noPlugin.err;
}

TEST_F(Quenmark, InfoShowsThePluginAsAHostSeesIt)
{
  const Outcome run = quenmark({"info"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* part : {"\"TavrikQuenmark\"", "Audio Module Class", "parameters (10)", "\"Preset\"", "\"Bypass\"",
                           "\"Target Value\"", "\"LUFS Shrt.\"", "\"Group 8\"", "\"Main Input\"", "64-bit"})
    EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;
  const Outcome help = runQuenmark({"--help"}, folder);
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("quenmark normalize IN OUT"), std::string::npos);
}

TEST_F(Quenmark, TheProgressBarAppearsOnATerminalOnly)
{
#if defined(_WIN32)
  GTEST_SKIP() << "no pseudo-terminals on Windows";
#endif
  Noise noise(0.1);
  writeAudio(at("long.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 48000, 6 * 48000,
             [&](int n, int c) { return noise(n, c); });
  writeAudio(at("short.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 48000, 2 * 48000,
             [&](int n, int c) { return noise(n, c); });
  const Outcome piped = quenmark({"analyze", at("long.wav"), "--measure", "rms"});
  ASSERT_EQ(piped.exitCode, 0);
  EXPECT_TRUE(piped.err.empty()) << piped.err;
  const Outcome onTerminal = quenmark({"analyze", at("long.wav"), "--measure", "rms"}, true);
  ASSERT_EQ(onTerminal.exitCode, 0);
  EXPECT_NE(onTerminal.err.find("100%"), std::string::npos) << onTerminal.err;
  const Outcome shortFile = quenmark({"analyze", at("short.wav"), "--measure", "rms"}, true);
  EXPECT_EQ(shortFile.err.find('%'), std::string::npos) << shortFile.err;
}
