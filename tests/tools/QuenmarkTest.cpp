// quenmark end to end: the executable on generated files, with the built bundle, and
// every result checked by an independent measurement of the files it wrote.

#include "QuenmarkFixture.h"

#include "tools/demo/Programme.h"

#include <csignal>

#include "engine/AudioPlugin.h"
#include "tools/quenmark/PluginSession.h"

using namespace quenmarktest;

namespace
{
constexpr double kPeakToleranceDb = 0.1;
constexpr double kLoudnessToleranceLu = 0.2;
// quenmark's analysis and the engine run directly on the same samples.
constexpr double kAgreementDb = 0.01;
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
    // Every platform's build has FLAC (on Windows through the codec libraries linked in).
    ASSERT_TRUE(formatAvailable(file.format)) << "this build's libsndfile has no such format";
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

// The lossy formats are read and written on every platform; the codec moves the loudness
// of what it encodes a little, so the output lands near the target, not on it.
TEST_F(Quenmark, OggVorbisAndMp3AreReadAndWrittenInTheirFormat)
{
  for (const int format : {SF_FORMAT_OGG | SF_FORMAT_VORBIS, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III})
  {
    const std::string extension = (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG ? ".ogg" : ".mp3";
    SCOPED_TRACE(extension);
    ASSERT_TRUE(formatAvailable(format)) << "this build's libsndfile has no such format";
    Noise noise(0.05);
    writeAudio(at("in" + extension), format, 2, 44100, 6 * 44100, [&](int n, int c) { return noise(n, c); });
    const Outcome run = quenmark({"normalize", at("in" + extension), at("out" + extension), "--measure",
                                  "LUFS Int.", "--target", "-20", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Audio result = readAudio(at("out" + extension));
    EXPECT_EQ(result.info.format, format);
    EXPECT_EQ(result.info.channels, 2);
    const double written = integratedLufs(result);
    EXPECT_NEAR(written, -20., 1.);
    // The codec moves the level a little: the report gives what the file reads back.
    const auto report = nlohmann::json::parse(run.out);
    EXPECT_NEAR(report["outputLevel"]["integratedLufs"].get<double>(), written, 0.05);
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
  std::vector<std::string> outputs = {at("in.wav"), at("sub/../in.wav"), at("hard.wav")};
  fs::create_hard_link(at("in.wav"), at("hard.wav"));
#ifdef _WIN32
  // Symbolic links need a privilege on Windows (and Wine has none): tried where they exist.
  std::error_code noLinks;
  fs::create_symlink(at("in.wav"), at("link.wav"), noLinks);
  if (!noLinks)
    outputs.push_back(at("link.wav"));
#else
  fs::create_symlink(at("in.wav"), at("link.wav"));
  outputs.push_back(at("link.wav"));
#endif
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
  // The engine gets the blocks the tool's host hands the plug-in.
  constexpr int kBlock = quenmark::kProcessBlockFrames;
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
  if (!kHasTerminals)
    GTEST_SKIP() << "needs a pseudo-terminal";
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

  // A batch has one bar for all its files and passes, which -q hides.
  const Outcome batch = quenmark({"normalize", at("short.wav"), at("long.wav"), "--output-dir", at("out")}, true);
  ASSERT_EQ(batch.exitCode, 0) << batch.err;
  EXPECT_NE(batch.err.find("2/2 files"), std::string::npos) << batch.err;
  EXPECT_NE(batch.err.find("100%"), std::string::npos) << batch.err;
  const Outcome quiet =
    quenmark({"normalize", at("short.wav"), at("long.wav"), "--output-dir", at("quiet"), "-q"}, true);
  EXPECT_EQ(quiet.err.find('%'), std::string::npos) << quiet.err;
}

TEST_F(Quenmark, InputsAreReportedForWhatTheyAre)
{
  const int floatWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  Noise noise(0.1);
  // A float file with one sample that is not a level at 0.5 s: refused, nothing written.
  for (const double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL})
  {
    SCOPED_TRACE(bad);
    writeAudio(at("bad.wav"), floatWav, 2, 48000, 48000,
               [&](int n, int c) { return n == 24000 && c == 1 ? bad : noise(n, c); });
    const Outcome run = quenmark({"normalize", at("bad.wav"), at("out.wav"), "--loudness", "-23"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("bad.wav"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("0:00.500"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(at("out.wav")));
    EXPECT_EQ(quenmark({"analyze", at("bad.wav"), "--measure", "peak"}).exitCode, 2);
  }

  // One huge sample: the gain applied is reported, not the readout's -60 dB.
  writeAudio(at("huge.wav"), floatWav, 2, 48000, 48000, [&](int n, int c) { return n == 100 ? 1e30 : noise(n, c); });
  const Outcome huge = quenmark({"normalize", at("huge.wav"), at("huge-out.wav"), "--measure", "peak", "--target", "-1", "--json"});
  ASSERT_EQ(huge.exitCode, 0) << huge.err;
  const double reported = nlohmann::json::parse(huge.out)["gainDb"].get<double>();
  EXPECT_NEAR(reported, -601., 0.01);
  EXPECT_NEAR(peakDb(readAudio(at("huge-out.wav"))), -1., 0.01) << "the gain that was applied";

  // A clip shorter than one 400 ms block is too short to gate, not silent.
  writeAudio(at("clip.wav"), floatWav, 2, 48000, 9600, [&](int n, int c) { return noise(n, c); });
  const Outcome clip = quenmark({"normalize", at("clip.wav"), at("clip-out.wav"), "--loudness", "-23"});
  EXPECT_EQ(clip.exitCode, 1);
  EXPECT_NE(clip.err.find("too short"), std::string::npos) << clip.err;
  EXPECT_EQ(clip.err.find("silent"), std::string::npos) << clip.err;

  // A WAV cut short: processed as far as it goes, with a warning giving both lengths.
  writeAudio(at("whole.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 48000, 4 * 48000,
             [&](int n, int c) { return noise(n, c); });
  const std::string whole = slurp(at("whole.wav"));
  std::ofstream(at("cut.wav"), std::ios::binary) << whole.substr(0, whole.size() / 4);
  const Outcome cut = quenmark({"analyze", at("cut.wav"), "--measure", "peak"});
  EXPECT_EQ(cut.exitCode, 0) << cut.err;
  EXPECT_NE(cut.err.find("cut.wav"), std::string::npos) << cut.err;
  EXPECT_NE(cut.err.find("4.00 s"), std::string::npos) << cut.err;
  EXPECT_NE(cut.err.find("1.00 s"), std::string::npos) << cut.err;
  EXPECT_TRUE(quenmark({"analyze", at("whole.wav"), "--measure", "peak"}).err.empty());
}

#ifndef _WIN32
TEST_F(Quenmark, AnInterruptedRunLeavesNothingBehind)
{
  Noise noise(0.1);
  writeAudio(at("long.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 48000, 120 * 48000,
             [&](int n, int c) { return noise(n, c); });
  for (const int signal : {SIGINT, SIGTERM})
  {
    SCOPED_TRACE(signal);
    const fs::path partial = folder / ".out.wav.quenmark-partial";
    const pid_t child = fork();
    if (child == 0)
    {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
      execl(QUENMARK_EXECUTABLE, QUENMARK_EXECUTABLE, "normalize", at("long.wav").c_str(), at("out.wav").c_str(),
            "--plugin", QUENMARK_TEST_BUNDLE, static_cast<char*>(nullptr));
      _exit(127);
    }
    // Interrupted while it writes.
    for (int waited = 0; waited < 20000 && !fs::exists(partial); ++waited)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(fs::exists(partial)) << "the output was never begun";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "ended before the signal came: the file is too short for this test";
    EXPECT_EQ(WTERMSIG(status), signal);
    EXPECT_FALSE(fs::exists(partial));
    EXPECT_FALSE(fs::exists(at("out.wav")));
  }
}
#endif
