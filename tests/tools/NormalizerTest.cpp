// quenmark as a loudness normalizer: exact file loudness, the true-peak ceiling, integer
// outputs, batches and parallel jobs, on generated programmes with dynamics, every
// result measured again in the files written.

#include "IdealPeak.h"
#include "QuenmarkFixture.h"

#include <numbers>

using namespace quenmarktest;

namespace
{
constexpr int kRate = 48000;
constexpr double kLoudnessToleranceLu = 0.1;
constexpr double kCeilingToleranceDb = 0.1;

struct Segment
{
  double levelDbfs;
  double seconds;
};

// A 1 kHz sine on both channels, segment after segment: in stereo its loudness in LUFS
// is its level in dBFS.
std::function<double(int, int)> sineSequence(const std::vector<Segment>& segments)
{
  return [segments](int n, int) {
    double start = 0.;
    const double t = double(n) / kRate;
    for (const Segment& segment : segments)
    {
      if (t < start + segment.seconds)
        return std::pow(10., segment.levelDbfs / 20.) * std::sin(2. * std::numbers::pi * 1000. * t);
      start += segment.seconds;
    }
    return 0.;
  };
}

int framesOf(const std::vector<Segment>& segments)
{
  double seconds = 0.;
  for (const Segment& segment : segments)
    seconds += segment.seconds;
  return static_cast<int>(seconds * kRate);
}

// Gated integrated loudness of a signal whose power is constant within segments: 400 ms
// blocks every 100 ms, each the time-weighted mean power of what it covers, an absolute
// gate at -70 LUFS and a relative gate 10 LU below the mean of the blocks above it.
double expectedIntegratedLufs(const std::vector<Segment>& segments)
{
  double total = 0.;
  for (const Segment& segment : segments)
    total += segment.seconds;
  std::vector<double> blocks;
  for (int k = 0; 0.1 * k + 0.4 <= total + 1e-9; ++k)
  {
    double start = 0., power = 0.;
    for (const Segment& segment : segments)
    {
      const double overlap = std::max(0., std::min(start + segment.seconds, 0.1 * k + 0.4) - std::max(start, 0.1 * k));
      power += overlap / 0.4 * std::pow(10., segment.levelDbfs / 10.);
      start += segment.seconds;
    }
    blocks.push_back(power);
  }
  auto gatedMean = [&](double gateLufs) {
    double sum = 0.;
    int count = 0;
    for (double power : blocks)
      if (10. * std::log10(power) > gateLufs)
      {
        sum += power;
        ++count;
      }
    return sum / count;
  };
  const double relativeGate = 10. * std::log10(gatedMean(-70.)) - 10.;
  return 10. * std::log10(gatedMean(relativeGate));
}

// Low-passed noise whose level swells over 4 s, steps down after 5 s and falls silent
// for a second: what a loudness normalizer meets in programme material.
std::function<double(int, int)> swellingProgramme(double baseDbfs)
{
  auto noise = std::make_shared<Noise>(1.);
  return [noise, baseDbfs](int n, int c) {
    const double t = double(n) / kRate;
    if (t >= 3. && t < 4.)
      return 0.;
    const double levelDb = baseDbfs + 8. * std::sin(std::numbers::pi * t / 4.) - (t >= 5. ? 9. : 0.);
    return std::pow(10., levelDb / 20.) * (*noise)(n, c);
  };
}

// A sine at a quarter of the rate, sampled 45 degrees off its crests: its true peak is
// 3 dB above its sample peak.
std::function<double(int, int)> interSamplePeaks(double amplitude)
{
  return [amplitude](int n, int) { return amplitude * std::sin(std::numbers::pi / 2. * n + std::numbers::pi / 4.); };
}

double lsbError(const Audio& in, const Audio& out, double gain, std::size_t i)
{
  return (out.interleaved[i] - in.interleaved[i] * gain) * 32768.;
}

class Normalizer : public Quenmark
{
};
} // namespace

TEST_F(Normalizer, AnalyzeMeasuresASineSequenceAsItsLevelsSay)
{
  const std::vector<Segment> segments = {{-18., 4.}, {-24., 3.}, {-28., 3.}, {-21., 3.}};
  writeAudio(at("sines.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, kRate, framesOf(segments), sineSequence(segments));
  const Outcome run = quenmark({"analyze", at("sines.wav"), "--measure", "integrated", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto loudness = nlohmann::json::parse(run.out)["loudness"];
  EXPECT_NEAR(loudness["integratedLufs"].get<double>(), expectedIntegratedLufs(segments), kLoudnessToleranceLu);
  // The loudest segment lasts longer than both windows.
  EXPECT_NEAR(loudness["momentaryMaxLufs"].get<double>(), -18., kLoudnessToleranceLu);
  EXPECT_NEAR(loudness["shortTermMaxLufs"].get<double>(), -18., kLoudnessToleranceLu);
  EXPECT_GT(loudness["loudnessRangeLu"].get<double>(), 3.);
}

TEST_F(Normalizer, FileLoudnessReachesItsTargetOnProgrammesWithDynamics)
{
  const std::vector<Segment> segments = {{-14., 2.}, {-30., 2.}, {-22., 2.}};
  struct Case
  {
    const char* name;
    int format;
    std::function<double(int, int)> signal;
    int frames;
    double targetLufs;
  };
  const Case cases[] = {
    {"sines.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, sineSequence(segments), framesOf(segments), -23.},
    {"swell.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, swellingProgramme(-30.), 7 * kRate, -16.},
    {"quiet.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, swellingProgramme(-40.), 7 * kRate, -18.},
  };
  for (const Case& file : cases)
  {
    SCOPED_TRACE(file.name);
    const std::string in = at(std::string("in-") + file.name);
    const std::string out = at(std::string("out-") + file.name);
    writeAudio(in, file.format, 2, kRate, file.frames, file.signal);
    const Outcome run =
      quenmark({"normalize", in, out, "--loudness", std::to_string(file.targetLufs), "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Audio input = readAudio(in);
    const Audio output = readAudio(out);
    EXPECT_NEAR(integratedLufs(output), file.targetLufs, kLoudnessToleranceLu);
    EXPECT_EQ(output.info.format, file.format);

    // The report shows the plug-in's own level and the file's loudness before and after.
    const auto report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["measure"], "LUFS Int.");
    EXPECT_TRUE(report["measuredLevel"].is_number());
    EXPECT_NEAR(report["inputLevel"]["integratedLufs"].get<double>(), integratedLufs(input), 1e-6);
    EXPECT_NEAR(report["outputLevel"]["integratedLufs"].get<double>(), integratedLufs(output), 1e-6);
    // The gain is the plug-in's: its Target Value minus the level it measured.
    EXPECT_NEAR(report["targetDb"].get<double>() - report["measuredLevel"].get<double>(),
                report["gainDb"].get<double>(), 0.01);
  }
}

TEST_F(Normalizer, TheTruePeakCeilingHoldsUnderEitherTargetAndTheMissIsReported)
{
  writeAudio(at("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, 3 * kRate, interSamplePeaks(0.25));
  const Outcome run =
    quenmark({"normalize", at("in.wav"), at("out.wav"), "--loudness", "0", "--true-peak", "-6", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const Audio output = readAudio(at("out.wav"));
  EXPECT_NEAR(truePeakDbtp(output), -6., kCeilingToleranceDb);
  EXPECT_LT(peakDb(output), -8.) << "the ceiling is on the true peak, 3 dB above the samples' peak";

  const auto report = nlohmann::json::parse(run.out);
  const double cut = report["ceilingCutDb"].get<double>();
  EXPECT_GT(cut, 1.);
  EXPECT_NEAR(integratedLufs(output), 0. - cut, kLoudnessToleranceLu) << "missed by what the report says";
  EXPECT_EQ(report["clippedSamples"], 0);

  const Outcome text =
    quenmark({"normalize", at("in.wav"), at("out2.wav"), "--loudness", "0", "--true-peak", "-6"});
  EXPECT_NE(text.out.find("missed"), std::string::npos) << text.out;

  // The same ceiling under the plug-in's own target: a -20 dBFS sine asked to peak at
  // -0.5 dBFS stops at -6 dBTP.
  writeAudio(at("sine.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, kRate, 2 * kRate, sineSequence({{-20., 2.}}));
  const Outcome peak = quenmark({"normalize", at("sine.wav"), at("sine-out.wav"), "--measure", "dbfs", "--target",
                                 "-0.5", "--true-peak", "-6", "--json"});
  ASSERT_EQ(peak.exitCode, 0) << peak.err;
  EXPECT_NEAR(truePeakDbtp(readAudio(at("sine-out.wav"))), -6., kCeilingToleranceDb);
  EXPECT_NEAR(nlohmann::json::parse(peak.out)["ceilingCutDb"].get<double>(), 5.5, kCeilingToleranceDb);
}

TEST_F(Normalizer, TheCeilingHoldsForAnIdealReconstructionOfTheOutput)
{
  // What a meter finer than four times oversampling reads: the output stays under the
  // ceiling by that measure too, where the four-times reading alone let it exceed it.
  struct Case
  {
    const char* name;
    std::function<double(int, int)> signal;
    double ceilingDbtp;
  };
  auto square = [](int n, int) { return std::sin(2. * std::numbers::pi * 997. * n / kRate) >= 0. ? 1. : -1.; };
  auto bright = std::make_shared<Noise>(1.);
  auto brightNoise = [bright](int n, int c) {
    // Noise differentiated: most of its energy high up, where crests fall between the
    // four-times outputs.
    static thread_local double last[2] = {0., 0.};
    const double now = (*bright)(n, c);
    const double out = now - last[c & 1];
    last[c & 1] = now;
    return 0.5 * std::sin(2. * std::numbers::pi * n / kRate) * out;
  };
  const Case cases[] = {{"swelling noise", swellingProgramme(-20.), -1.},
                        {"full-scale square", square, -4.},
                        {"bright swell", brightNoise, -2.}};
  for (const Case& test : cases)
  {
    SCOPED_TRACE(test.name);
    const std::string in = at(std::string(test.name) + ".wav");
    const std::string out = at(std::string(test.name) + "-out.wav");
    writeAudio(in, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, kRate, kRate / 2, test.signal);
    const Outcome run = quenmark({"normalize", in, out, "--loudness", "0", "--true-peak",
                                  std::to_string(test.ceilingDbtp), "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Audio output = readAudio(out);
    constexpr double kIdealMarginDb = 0.05;
    const double ideal = idealpeak::idealPeakDbtp(output.interleaved, 2, 192);
    EXPECT_LE(ideal, test.ceilingDbtp + kIdealMarginDb);
    // At the least cost: the gain is not lowered more than the reconstruction asks.
    ASSERT_GT(nlohmann::json::parse(run.out)["ceilingCutDb"].get<double>(), 0.);
    EXPECT_GT(ideal, test.ceilingDbtp - 0.1);
    // The true peak reported stays the four-times reading.
    EXPECT_NEAR(nlohmann::json::parse(run.out)["outputLevel"]["truePeakDbtp"].get<double>(), truePeakDbtp(output),
                0.01);
  }
}

TEST_F(Normalizer, TheReportedOutputLevelsAreThoseOfTheFileWritten)
{
  // Formats that hold the gained input (24 bits, float) with and without a ceiling, and
  // one that clips, whose levels are not the input's with the gain.
  struct Case
  {
    const char* name;
    int format;
    std::vector<std::string> options;
    bool clips;
  };
  const std::vector<Case> cases = {
    {"24-bit, ceiling", SF_FORMAT_WAV | SF_FORMAT_PCM_24, {"--loudness", "-16", "--true-peak", "-1"}, false},
    {"float", SF_FORMAT_WAV | SF_FORMAT_FLOAT, {"--loudness", "-30"}, false},
    {"24-bit, clipped", SF_FORMAT_WAV | SF_FORMAT_PCM_24, {"--loudness", "0"}, true},
  };
  // At 0 LUFS a 100 Hz sine (hardly weighted) peaks 3 dB over full scale; the peaks
  // between samples at a quarter of the rate stay below it.
  auto lowSine = [](int n, int) { return 0.5 * std::sin(2. * std::numbers::pi * 100. * n / kRate); };
  for (const Case& test : cases)
  {
    SCOPED_TRACE(test.name);
    writeAudio(at("in.wav"), test.format, 2, kRate, 4 * kRate,
               test.clips ? std::function<double(int, int)>(lowSine) : interSamplePeaks(0.25));
    std::vector<std::string> arguments = {"normalize", at("in.wav"), at("out.wav"), "--json"};
    arguments.insert(arguments.end(), test.options.begin(), test.options.end());
    const Outcome run = quenmark(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["clippedSamples"].get<long>() > 0, test.clips);
    const auto level = report["outputLevel"];
    const Audio output = readAudio(at("out.wav"));
    constexpr double kSameLevel = 0.001;
    EXPECT_NEAR(level["integratedLufs"].get<double>(), integratedLufs(output), kSameLevel);
    EXPECT_NEAR(level["samplePeakDbfs"].get<double>(), peakDb(output), kSameLevel);
    if (!level["truePeakDbtp"].is_null())
    {
      EXPECT_NEAR(level["truePeakDbtp"].get<double>(), truePeakDbtp(output), kCeilingToleranceDb);
    }
  }
}

TEST_F(Normalizer, IntegerOutputsNeverClipSilently)
{
  auto lowSine = [](double dbfs) {
    return [dbfs](int n, int) { return std::pow(10., dbfs / 20.) * std::sin(2. * std::numbers::pi * 100. * n / kRate); };
  };
  writeAudio(at("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, 2 * kRate, lowSine(-3.));

  // Without a ceiling the gain pushes the sine 3 dB over full scale: the clips are counted.
  const Outcome over = quenmark({"normalize", at("in.wav"), at("over.wav"), "--loudness", "0", "--json"});
  ASSERT_EQ(over.exitCode, 0) << over.err;
  const Audio clipped = readAudio(at("over.wav"));
  long atFullScale = 0;
  for (double x : clipped.interleaved)
    atFullScale += x >= 32767. / 32768. || x <= -1.;
  const auto reported = nlohmann::json::parse(over.out)["clippedSamples"].get<long>();
  EXPECT_GT(reported, clipped.interleaved.size() / 10);
  EXPECT_NEAR(double(reported), double(atFullScale), 0.02 * atFullScale);
  const Outcome overText = quenmark({"normalize", at("in.wav"), at("over2.wav"), "--loudness", "0"});
  EXPECT_NE(overText.out.find("clipped"), std::string::npos) << overText.out;

  // A ceiling at 0 dBTP leaves room for the dither: no sample reaches the largest code.
  const Outcome ceiling =
    quenmark({"normalize", at("in.wav"), at("ceiling.wav"), "--loudness", "0", "--true-peak", "0", "--json"});
  ASSERT_EQ(ceiling.exitCode, 0) << ceiling.err;
  EXPECT_EQ(nlohmann::json::parse(ceiling.out)["clippedSamples"], 0);
  const Audio clean = readAudio(at("ceiling.wav"));
  EXPECT_LT(peakDb(clean), 20. * std::log10(32767. / 32768.));
  EXPECT_GT(peakDb(clean), -0.1) << "the ceiling, not a wide margin, limits the gain";
}

TEST_F(Normalizer, SixteenBitOutputIsDitheredUnlessTurnedOff)
{
  Noise noise(0.1);
  writeAudio(at("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, 2 * kRate, [&](int n, int c) { return noise(n, c); });
  const Audio input = readAudio(at("in.wav"));
  for (const bool dither : {true, false})
  {
    SCOPED_TRACE(dither ? "dither" : "no dither");
    std::vector<std::string> arguments = {"normalize", at("in.wav"), at("out.wav"), "--loudness", "-27", "--json"};
    if (!dither)
      arguments.push_back("--no-dither");
    const Outcome run = quenmark(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["dither"], dither);
    const double gain = std::pow(10., report["gainDb"].get<double>() / 20.);
    const Audio output = readAudio(at("out.wav"));
    double sumSquares = 0., largest = 0.;
    for (std::size_t i = 0; i < output.interleaved.size(); ++i)
    {
      const double error = lsbError(input, output, gain, i);
      sumSquares += error * error;
      largest = std::max(largest, std::fabs(error));
    }
    const double rms = std::sqrt(sumSquares / double(output.interleaved.size()));
    // Rounding alone errs by at most half a code (RMS 0.29); triangular dither of +-1 code
    // on top gives an RMS of 0.5 code.
    if (dither)
    {
      EXPECT_NEAR(rms, 0.5, 0.03);
      EXPECT_GT(largest, 1.);
    }
    else
    {
      EXPECT_NEAR(rms, std::sqrt(1. / 12.), 0.03);
      EXPECT_LE(largest, 0.5 + 1e-6);
    }
  }
}

TEST_F(Normalizer, ABatchReportsEveryFileAndGoesOnPastABadOne)
{
  Noise noise(0.05);
  writeAudio(at("a.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, kRate, 3 * kRate, swellingProgramme(-30.));
  std::ofstream(at("bad.wav")) << "no audio in here";
  writeAudio(at("c.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, 44100, 3 * 44100, [&](int n, int c) { return noise(n, c); });
  const std::vector<std::string> inputs = {at("a.wav"), at("bad.wav"), at("c.flac")};
  auto normalize = [&](std::vector<std::string> options) {
    std::vector<std::string> arguments = {"normalize"};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    arguments.insert(arguments.end(), options.begin(), options.end());
    return quenmark(arguments);
  };

  const Outcome json = normalize({"--output-dir", at("out"), "--loudness", "-23", "--true-peak", "-1", "--json"});
  EXPECT_EQ(json.exitCode, 1);
  EXPECT_NE(json.err.find("bad.wav"), std::string::npos) << json.err;
  const auto reports = nlohmann::json::parse(json.out);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_TRUE(reports[1].contains("error"));
  for (const char* name : {"a.wav", "c.flac"})
  {
    SCOPED_TRACE(name);
    const Audio output = readAudio(folder / "out" / name);
    EXPECT_NEAR(integratedLufs(output), -23., kLoudnessToleranceLu);
    EXPECT_LE(truePeakDbtp(output), -1. + kCeilingToleranceDb);
  }
  EXPECT_FALSE(fs::exists(folder / "out" / "bad.wav"));

  // Text: one line per file that worked, in order; the failure on standard error.
  const Outcome text = normalize({"--output-dir", at("text"), "--loudness", "-23"});
  EXPECT_EQ(text.exitCode, 1);
  std::istringstream lines(text.out);
  std::string first, second, third;
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_NE(first.find("a.wav"), std::string::npos) << text.out;
  EXPECT_NE(second.find("c.flac"), std::string::npos) << text.out;
  EXPECT_FALSE(std::getline(lines, third)) << text.out;

  // CSV, dry run: a header and a row per file, and nothing written.
  const Outcome csv = normalize({"--output-dir", at("dry"), "--loudness", "-23", "--csv", "--dry-run"});
  EXPECT_EQ(csv.exitCode, 1);
  EXPECT_FALSE(fs::exists(folder / "dry"));
  std::istringstream rows(csv.out);
  std::vector<std::string> row;
  for (std::string line; std::getline(rows, line);)
    row.push_back(line);
  ASSERT_EQ(row.size(), 4u) << csv.out;
  EXPECT_EQ(row[0].rfind("input,output,", 0), 0u) << row[0];
  EXPECT_NE(row[2].find("bad.wav"), std::string::npos);
}

TEST_F(Normalizer, ParallelJobsWriteTheSameBytesAsOneJob)
{
  std::vector<std::string> inputs;
  for (int i = 0; i < 3; ++i)
  {
    const std::string name = at("in" + std::to_string(i) + ".wav");
    writeAudio(name, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, 2 * kRate, swellingProgramme(-25. - 5. * i));
    inputs.push_back(name);
  }
  for (const char* jobs : {"1", "2"})
  {
    std::vector<std::string> arguments = {"normalize"};
    arguments.insert(arguments.end(), inputs.begin(), inputs.end());
    for (const char* option : {"--loudness", "-20", "--output-dir"})
      arguments.emplace_back(option);
    arguments.push_back(at(std::string("jobs") + jobs));
    arguments.insert(arguments.end(), {"--jobs", jobs, "-q"});
    const Outcome run = quenmark(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.out.empty()) << "-q prints no report: " << run.out;
  }
  // The same file alone, under another name, is dithered the same way too.
  ASSERT_EQ(quenmark({"normalize", inputs[1], at("alone.wav"), "--loudness", "-20"}).exitCode, 0);
  for (int i = 0; i < 3; ++i)
  {
    const std::string name = "in" + std::to_string(i) + ".wav";
    const std::string one = slurp(folder / "jobs1" / name);
    EXPECT_FALSE(one.empty());
    EXPECT_EQ(one, slurp(folder / "jobs2" / name)) << name;
  }
  EXPECT_EQ(slurp(folder / "jobs1" / "in1.wav"), slurp(at("alone.wav")));
}

TEST_F(Normalizer, LoudnessOutOfReachIsRefusedWithAReason)
{
  Noise noise(1.);
  writeAudio(at("silence.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, kRate, [](int, int) { return 0.; });
  writeAudio(at("faint.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, kRate, 2 * kRate,
             [&](int n, int c) { return 2e-3 * noise(n, c); });
  writeAudio(at("empty.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, kRate, 0, [](int, int) { return 0.; });
  const std::pair<const char*, const char*> cases[] = {
    {"silence.wav", "silent"}, {"faint.wav", "+30 dB"}, {"empty.wav", "no audio frames"}};
  for (const auto& [name, reason] : cases)
  {
    SCOPED_TRACE(name);
    const Outcome run = quenmark({"normalize", at(name), at("out.wav"), "--loudness", "-23"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find(name), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(at("out.wav")));
  }
}
