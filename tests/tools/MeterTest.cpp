// quenmark's own meter against libebur128 on signals chosen to trouble it: peaks between
// samples, blocks at the gates, levels that step and swell; and the shortcuts the tool
// takes with it (a reading with a gain, the check that an output is its input times one).
#include "tools/quenmark/GainCheck.h"
#include "tools/quenmark/LoudnessMeter.h"
#include "tools/quenmark/TruePeakMeter.h"

#include "IdealPeak.h"
#include "engine/ProcessorFeatures.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

namespace
{
using quenmark::LoudnessMeter;
using quenmark::LoudnessReading;
using quenmark::MeterParts;
using quenmark::TruePeakMeter;

constexpr double kTruePeakToleranceDb = 0.05;
constexpr double kLoudnessToleranceLu = 0.001;

struct Signal
{
  int channels;
  int rate;
  std::vector<double> interleaved;
  std::int64_t frames() const { return static_cast<std::int64_t>(interleaved.size()) / channels; }
};

Signal make(int channels, int rate, double seconds, const std::function<double(double t, int channel)>& value)
{
  Signal signal{channels, rate, {}};
  const auto frames = static_cast<std::int64_t>(seconds * rate);
  for (std::int64_t n = 0; n < frames; ++n)
    for (int c = 0; c < channels; ++c)
      signal.interleaved.push_back(value(static_cast<double>(n) / rate, c));
  return signal;
}

double toDb(double linear) { return 20. * std::log10(linear); }

// libebur128's reading of the whole signal, in one call.
struct Reference
{
  explicit Reference(const Signal& signal, int mode)
  {
    state = ebur128_init(static_cast<unsigned>(signal.channels), static_cast<unsigned long>(signal.rate), mode);
    if (signal.channels == 1)
      ebur128_set_channel(state, 0, EBUR128_DUAL_MONO);
    ebur128_add_frames_double(state, signal.interleaved.data(), static_cast<std::size_t>(signal.frames()));
  }
  ~Reference() { ebur128_destroy(&state); }
  Reference(const Reference&) = delete;
  Reference& operator=(const Reference&) = delete;

  double truePeakDbtp(int channels) const
  {
    double peak = 0.;
    for (int c = 0; c < channels; ++c)
    {
      double value = 0.;
      ebur128_true_peak(state, static_cast<unsigned>(c), &value);
      peak = std::max(peak, value);
    }
    return toDb(peak);
  }

  ebur128_state* state;
};

double truePeakDbtp(const Signal& signal, std::int64_t blockFrames)
{
  TruePeakMeter meter(signal.channels, signal.rate);
  for (std::int64_t done = 0; done < signal.frames(); done += blockFrames)
    meter.add(signal.interleaved.data() + done * signal.channels, std::min(blockFrames, signal.frames() - done));
  return toDb(meter.peak());
}

LoudnessReading measure(const Signal& signal, MeterParts parts, std::int64_t blockFrames = 4096)
{
  LoudnessMeter meter(signal.channels, signal.rate, parts);
  for (std::int64_t done = 0; done < signal.frames(); done += blockFrames)
    meter.add(signal.interleaved.data() + done * signal.channels, std::min(blockFrames, signal.frames() - done));
  return meter.reading();
}

TEST(Meter, TruePeakAgreesWithLibebur128BetweenSamplesAtEveryRate)
{
  const double pi = std::numbers::pi;
  struct Case
  {
    const char* name;
    Signal signal;
  };
  std::vector<Case> cases;
  for (int rate : {44100, 48000, 96000, 192000})
  {
    // A quarter of the rate, sampled 45 degrees off its crests: every sample is 3 dB
    // below the peak.
    cases.push_back({"quarter-rate sine", make(2, rate, 1., [&](double t, int) {
                       return 0.7 * std::sin(2. * pi * rate / 4. * t + pi / 4.);
                     })});
    // Close to Nyquist the samples miss the crests by varying amounts.
    cases.push_back({"near-Nyquist sine on the right", make(2, rate, 1., [&](double t, int c) {
                       return c == 1 ? 0.5 * std::sin(2. * pi * 0.45 * rate * t + 0.3) : 0.01;
                     })});
    // A square wave overshoots between its samples.
    cases.push_back({"square", make(1, rate, 0.5, [&](double t, int) {
                       return std::sin(2. * pi * 1001. * t) >= 0. ? 0.9 : -0.9;
                     })});
    // One loud doublet late in a long quiet stretch: found after the bound has skipped
    // everything before it.
    cases.push_back({"late doublet", make(2, rate, 2., [&](double t, int c) {
                       const auto n = static_cast<std::int64_t>(std::lround(t * rate));
                       const std::int64_t at = rate + 17;
                       if (n == at || n == at + 1)
                         return c == 0 ? 0.8 : -0.8;
                       return 0.05 * std::sin(2. * pi * 300. * t);
                     })});
  }
  for (const Case& test : cases)
  {
    SCOPED_TRACE(std::string(test.name) + " at " + std::to_string(test.signal.rate) + " Hz");
    const Reference reference(test.signal, EBUR128_MODE_TRUE_PEAK);
    const double whole = truePeakDbtp(test.signal, test.signal.frames());
    EXPECT_NEAR(whole, reference.truePeakDbtp(test.signal.channels), kTruePeakToleranceDb);
    // Blocks of any size give the same reading: the history carries across them.
    constexpr double kRoundingDb = 1e-9;
    EXPECT_NEAR(truePeakDbtp(test.signal, 1), whole, kRoundingDb);
    const double blocks = truePeakDbtp(test.signal, 1000);
    EXPECT_NEAR(blocks, whole, kRoundingDb);
    // Processors without AVX interpolate in narrower registers, to the same bits.
    processor::ExtensionCap sse2(processor::Extension::sse2);
    EXPECT_EQ(truePeakDbtp(test.signal, 1000), blocks) << "without AVX";
  }
  // The quarter-rate sine's crests lie 3 dB above its samples, and are found.
  EXPECT_GT(truePeakDbtp(cases[0].signal, 4096), toDb(0.7 * std::sqrt(0.5)) + 2.9);
}

// Noise whose level steps, swells and falls silent, with a stretch of blocks just below
// the absolute gate.
Signal programme(int channels, int rate)
{
  std::uint64_t state = 99;
  return make(channels, rate, 40., [&](double t, int) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const double white = static_cast<double>(state >> 11) * (2. / 9007199254740992.) - 1.;
    if (t >= 30. && t < 32.)
      return 0.;
    const double levelDb = t < 10. ? -20. : t < 20. ? -34. + 8. * std::sin(t) : t < 30. ? -72. : -12.;
    return std::pow(10., levelDb / 20.) * white;
  });
}

TEST(Meter, LoudnessAgreesWithLibebur128ForStereoAndDualMono)
{
  for (int channels : {1, 2})
  {
    SCOPED_TRACE(std::to_string(channels) + " channels");
    const Signal signal = programme(channels, 44100);
    const Reference reference(signal, EBUR128_MODE_I | EBUR128_MODE_LRA);
    double integrated = 0., range = 0.;
    ebur128_loudness_global(reference.state, &integrated);
    ebur128_loudness_range(reference.state, &range);
    // Blocks of a few frames, across hop boundaries, read as one block.
    for (std::int64_t block : {std::int64_t{4096}, std::int64_t{333}})
    {
      const LoudnessReading reading = measure(signal, {.loudnessRange = true}, block);
      EXPECT_NEAR(reading.integratedLufs, integrated, kLoudnessToleranceLu);
      EXPECT_NEAR(reading.loudnessRangeLu, range, kLoudnessToleranceLu);
    }
    EXPECT_GT(range, 5.); // the programme has a range to get wrong
  }
}

TEST(Meter, MaximaAreTheLoudestWindowsLibebur128ShowsEveryHundredMilliseconds)
{
  const Signal signal = programme(2, 48000);
  ebur128_state* state = ebur128_init(2, 48000, EBUR128_MODE_S);
  double momentaryMax = -HUGE_VAL, shortTermMax = -HUGE_VAL;
  for (std::int64_t done = 0; done + 4800 <= signal.frames(); done += 4800)
  {
    ebur128_add_frames_double(state, signal.interleaved.data() + done * 2, 4800);
    double value = 0.;
    ebur128_loudness_momentary(state, &value);
    momentaryMax = std::max(momentaryMax, value);
    ebur128_loudness_shortterm(state, &value);
    shortTermMax = std::max(shortTermMax, value);
  }
  ebur128_destroy(&state);
  const LoudnessReading reading = measure(signal, {.maxima = true});
  EXPECT_NEAR(reading.momentaryMaxLufs, momentaryMax, kLoudnessToleranceLu);
  EXPECT_NEAR(reading.shortTermMaxLufs, shortTermMax, kLoudnessToleranceLu);
}

TEST(Meter, AReadingWithAGainIsTheReadingOfTheAudioWithTheGain)
{
  // A 1 kHz sine at -66 LUFS, then at -73, below the absolute gate: +6 dB lifts the
  // second half over it, and with its blocks counted the integrated loudness rises by
  // well under 6 dB.
  const Signal quiet = make(2, 48000, 20., [](double t, int) {
    return std::pow(10., (t < 10. ? -66. : -73.) / 20.) * std::sin(2. * std::numbers::pi * 1000. * t);
  });
  constexpr double kGainDb = 6.;
  const double gain = std::pow(10., kGainDb / 20.);
  Signal louder = quiet;
  for (double& x : louder.interleaved)
    x *= gain;
  const MeterParts all{.loudnessRange = true, .truePeak = true, .maxima = true};
  LoudnessMeter meter(2, 48000, all);
  meter.add(quiet.interleaved.data(), quiet.frames());
  const LoudnessReading derived = meter.readingWithGain(gain);
  const LoudnessReading measured = measure(louder, all);
  constexpr double kRounding = 1e-9;
  EXPECT_NEAR(derived.integratedLufs, measured.integratedLufs, kRounding);
  EXPECT_NEAR(derived.loudnessRangeLu, measured.loudnessRangeLu, kRounding);
  EXPECT_NEAR(derived.truePeakDbtp, measured.truePeakDbtp, kRounding);
  EXPECT_NEAR(derived.samplePeakDbfs, measured.samplePeakDbfs, kRounding);
  EXPECT_NEAR(derived.momentaryMaxLufs, measured.momentaryMaxLufs, kRounding);
  EXPECT_NEAR(derived.shortTermMaxLufs, measured.shortTermMaxLufs, kRounding);
  const double rise = derived.integratedLufs - meter.reading().integratedLufs;
  EXPECT_GT(rise, 2.);
  EXPECT_LT(rise, kGainDb - 1.);
}

TEST(Meter, TheGainCheckHoldsOnlyWhileEverySampleIsTheInputTimesOneGain)
{
  std::vector<double> left = {0., 0.5, -0.25, 0.125}, right = {0., 0., 0.3, -0.9};
  std::vector<double> outLeft, outRight;
  for (double x : left)
    outLeft.push_back(0.5 * x);
  for (double x : right)
    outRight.push_back(0.5 * x);
  const double* in[2] = {left.data(), right.data()};
  const double* out[2] = {outLeft.data(), outRight.data()};

  quenmark::GainCheck silent;
  silent.add(in, in, 2, 1); // only the zeros
  EXPECT_FALSE(silent.gain().has_value());

  quenmark::GainCheck constant;
  constant.add(in, out, 2, 2);
  constant.add(in, out, 2, 4); // again, in a second call
  ASSERT_TRUE(constant.gain().has_value());
  EXPECT_DOUBLE_EQ(*constant.gain(), 0.5);

  outRight[3] *= 1. + 1e-6; // a gain that moved, or a limiter touching one sample
  quenmark::GainCheck moved;
  moved.add(in, out, 2, 4);
  EXPECT_FALSE(moved.gain().has_value());

  outRight[3] = 0.5 * right[3];
  outLeft[0] = 1e-9; // something out of silence
  quenmark::GainCheck added;
  added.add(in, out, 2, 4);
  EXPECT_FALSE(added.gain().has_value());
}
} // namespace

double idealPeakDbtp(const Signal& signal)
{
  return idealpeak::idealPeakDbtp(signal.interleaved, signal.channels);
}

double reconstructedPeakDbtp(const Signal& signal, std::int64_t blockFrames)
{
  TruePeakMeter meter(signal.channels, signal.rate, true);
  for (std::int64_t done = 0; done < signal.frames(); done += blockFrames)
    meter.add(signal.interleaved.data() + done * signal.channels, std::min(blockFrames, signal.frames() - done));
  return toDb(meter.reconstructedPeak());
}

TEST(Meter, TheReconstructedPeakIsThatOfAnIdealReconstruction)
{
  const double pi = std::numbers::pi;
  std::uint64_t state = 7;
  auto white = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) * (2. / 9007199254740992.) - 1.;
  };
  struct Case
  {
    const char* name;
    Signal signal;
  };
  std::vector<Case> cases;
  // Crests midway between the four-times outputs, where 0.45 of the rate reads low; faded
  // in and out, as a programme's content that high is.
  cases.push_back({"sine at 0.45 of the rate", make(1, 48000, 0.05, [&](double t, int) {
                     return 0.5 * std::sin(pi * t / 0.05) * std::sin(2. * pi * 0.45 * 48000. * t + 0.3);
                   })});
  cases.push_back({"full-scale square", make(2, 44100, 0.1, [&](double t, int) {
                     return std::sin(2. * pi * 997. * t) >= 0. ? 1. : -1.;
                   })});
  double lowPassed[2] = {0., 0.};
  cases.push_back({"swelling noise", make(2, 48000, 0.2, [&](double t, int c) {
                     lowPassed[c] = 0.7 * lowPassed[c] + 0.3 * white();
                     return (0.5 + 2. * std::sin(pi * t / 0.2)) * lowPassed[c];
                   })});
  cases.push_back({"a crest at the very end", make(1, 48000, 0.01, [&](double t, int) {
                     return t > 0.0099 ? 0.9 : 0.01 * std::sin(2. * pi * 1000. * t);
                   })});
  for (const Case& test : cases)
  {
    SCOPED_TRACE(test.name);
    const double ideal = idealPeakDbtp(test.signal);
    const double reconstructed = reconstructedPeakDbtp(test.signal, 4096);
    constexpr double kReconstructionToleranceDb = 0.02;
    EXPECT_NEAR(reconstructed, ideal, kReconstructionToleranceDb);
    EXPECT_GE(reconstructed, truePeakDbtp(test.signal, 4096)) << "never below the four-times reading";
    EXPECT_NEAR(reconstructedPeakDbtp(test.signal, 7), reconstructed, 1e-9) << "the same in any blocks";
  }
}
