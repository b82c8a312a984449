// The loudness detectors against libebur128, the measurement of record: the same audio,
// fed in the same blocks, must read the same within kReadingToleranceLu.
#include "ReferenceMeter.h"
#include "Signals.h"

#include "engine/AutoGainLUFS.h"
#include "engine/GatingHistogram.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>
#include <vector>

namespace
{
constexpr double kReadingToleranceLu = 0.01;
// Below this no gate of the plug-in reaches (its lowest is -90); there only the side of it
// matters, since the filters' decaying tails differ by rounding.
constexpr double kFloorLufs = -120.0;
constexpr double kInf = std::numeric_limits<double>::infinity();

// A programme of segments 0.3 .. 12 s long: noise, low-passed noise and sines at levels
// from -75 to -1 dBFS, with silences and level steps between them.
class Programme
{
public:
  Programme(double rate, uint64_t seed) : mRate(rate), mChoice(seed), mNoise(seed * 7 + 1) { startSegment(); }

  void fill(StereoBuffer& block)
  {
    for (int i = 0; i < block.frames(); ++i)
    {
      if (mLeft-- <= 0)
        startSegment();
      double l = 0.0, r = 0.0;
      switch (mKind)
      {
      case 0: // white noise, uncorrelated
        l = mNoise.next(), r = mNoise.next();
        break;
      case 1: // low-passed noise
        mLowL = 0.97 * mLowL + 0.03 * mNoise.next(), mLowR = 0.97 * mLowR + 0.03 * mNoise.next();
        l = 4.0 * mLowL, r = 4.0 * mLowR;
        break;
      case 2: // sine, right channel a little quieter
        l = std::sin(mPhase), r = 0.7 * l;
        mPhase += mPhaseStep;
        break;
      default: // silence
        break;
      }
      block.left[static_cast<size_t>(i)] = mAmplitude * l;
      block.right[static_cast<size_t>(i)] = mAmplitude * r;
    }
  }

private:
  void startSegment()
  {
    static constexpr double kLevelsDb[] = {-75.0, -60.0, -45.0, -33.0, -27.0, -23.0, -20.0, -14.0, -9.0, -1.0};
    const double u = 0.5 * (mChoice.next() + 1.0);
    mLeft = static_cast<int64_t>((0.3 + 11.7 * u * u) * mRate);
    mKind = static_cast<int>(0.5 * (mChoice.next() + 1.0) * 4.0) % 4;
    mAmplitude = dbToGain(kLevelsDb[static_cast<int>(0.5 * (mChoice.next() + 1.0) * 10.0) % 10]);
    mPhaseStep = 2.0 * 3.141592653589793 * (40.0 + 9000.0 * std::fabs(mChoice.next())) / mRate;
  }

  double mRate;
  Noise mChoice, mNoise;
  int64_t mLeft = 0;
  int mKind = 0;
  double mAmplitude = 0.0, mPhase = 0.0, mPhaseStep = 0.0, mLowL = 0.0, mLowR = 0.0;
};

// The difference of two readings in LU, with readings below the floor counted as equal to
// each other and as far from any reading above it.
double readingDifference(double ours, double reference)
{
  if (ours <= kFloorLufs && reference <= kFloorLufs)
    return 0.0;
  if (ours <= kFloorLufs || reference <= kFloorLufs)
    return kInf;
  return std::fabs(ours - reference);
}

struct Comparison
{
  int rate;
  int blockFrames;
  double seconds;
  double compareEverySeconds; // reading the library scans its windows, so not every block
};

double gLargestDifference = 0.0; // over every case, for the record

// Runs the three detectors and the library over one programme, block by block.
void compareWithReference(const Comparison& c)
{
  AutoGainLUFSMomentary momentary;
  AutoGainLUFSShortTerm shortTerm;
  AutoGainLUFSIntegrated integrated;
  for (AutoGainLUFS* d : {static_cast<AutoGainLUFS*>(&momentary), static_cast<AutoGainLUFS*>(&shortTerm),
                          static_cast<AutoGainLUFS*>(&integrated)})
    d->prepare(c.rate);
  ReferenceMeter reference(static_cast<unsigned long>(c.rate));
  Programme programme(c.rate, static_cast<uint64_t>(c.rate + c.blockFrames));
  StereoBuffer block(c.blockFrames);

  const int64_t blocks = static_cast<int64_t>(c.seconds * kDurationScale * c.rate / c.blockFrames);
  const int64_t compareEvery = std::max<int64_t>(1, static_cast<int64_t>(c.compareEverySeconds * c.rate / c.blockFrames));
  double largest[4] = {0.0, 0.0, 0.0, 0.0};
  for (int64_t b = 0; b < blocks; ++b)
  {
    programme.fill(block);
    reference.add(block);
    const double m = momentary.measure(block.channels(), c.blockFrames);
    const double s = shortTerm.measure(block.channels(), c.blockFrames);
    const double i = integrated.measure(block.channels(), c.blockFrames);
    if (b % compareEvery != 0 && b != blocks - 1)
      continue;

    const double refM = reference.momentary(), refS = reference.shortTerm(), refI = reference.global();
    // The integrated reading switches at 3 LU between the two; where the library's own
    // values sit at the switch, rounding may put ours on either side of it.
    const bool atTheSwitch = std::fabs(std::fabs(refS - refI) - 3.0) < 1e-6;
    const double refRule = std::fabs(refS - refI) > 3.0 ? refS : refI;
    const double differences[4] = {
        readingDifference(m, refM), readingDifference(s, refS), readingDifference(integrated.integratedLoudness(), refI),
        atTheSwitch ? std::min(readingDifference(i, refS), readingDifference(i, refI)) : readingDifference(i, refRule)};
    for (int k = 0; k < 4; ++k)
    {
      largest[k] = std::max(largest[k], differences[k]);
      ASSERT_LE(differences[k], kReadingToleranceLu)
          << "reading " << k << " (momentary, short-term, gated, rule) at " << c.rate << " Hz, block " << c.blockFrames
          << ", second " << static_cast<double>(b) * c.blockFrames / c.rate << ": ours " << (k == 0 ? m : k == 1 ? s : k == 2 ? integrated.integratedLoudness() : i)
          << ", library M " << refM << " S " << refS << " I " << refI;
    }
  }
  std::printf("%6d Hz, block %4d, %7.0f s: largest difference (LU) momentary %.2e, short-term %.2e, gated %.2e, rule %.2e\n",
              c.rate, c.blockFrames, c.seconds * kDurationScale, largest[0], largest[1], largest[2], largest[3]);
  for (double d : largest)
    gLargestDifference = std::max(gLargestDifference, d);
}
}

TEST(LoudnessReference, ReadingsFollowTheLibraryAtEveryRateAndBlockSize)
{
  for (int rate : {44100, 48000, 96000})
  {
    compareWithReference({rate, 1, 10.0, 0.25});
    for (int blockFrames : {32, 333, 4096})
      compareWithReference({rate, blockFrames, 120.0, 0.1});
  }
  compareWithReference({44100, 1001, 900.0, 0.1}); // past the blocks the histogram keeps exactly
  std::printf("largest difference over all cases: %.2e LU\n", gLargestDifference);
}

TEST(LoudnessReference, ReadingsFollowTheLibraryOverAnHour)
{
  // The gating history of an hour: its storage does not grow and its reading stays exact.
  compareWithReference({48000, 4096, 3600.0, 2.0});
}

namespace
{
// The gated mean computed from every block energy, for comparison with the histogram.
double gatedLoudnessOfEnergies(const std::vector<double>& energies)
{
  const double absoluteGate = std::pow(10.0, (-70.0 + 0.691) / 10.0);
  std::vector<double> kept;
  std::copy_if(energies.begin(), energies.end(), std::back_inserter(kept), [&](double e) { return e >= absoluteGate; });
  if (kept.empty())
    return -kInf;
  const double gate = std::accumulate(kept.begin(), kept.end(), 0.0) / static_cast<double>(kept.size()) * 0.1;
  double sum = 0.0;
  int count = 0;
  for (double e : kept)
    if (e >= gate)
      sum += e, ++count;
  return count ? 10.0 * std::log10(sum / count) - 0.691 : -kInf;
}
}

TEST(LoudnessReference, BlocksJustAboveOrBelowTheRelativeGateCountExactly)
{
  // n loud blocks at energy a and many blocks at an energy b chosen so that b sits a hair
  // above, then a hair below, the relative gate of the mixture: all in the gate's bin.
  // Counted or not, they move the mean by several LU, far beyond the tolerance.
  // More blocks than the histogram keeps exactly, so the bins decide.
  const double a = std::pow(10.0, (-20.0 + 0.691) / 10.0);
  const int n = 3000, m = 20000;
  for (double hair : {1e-9, -1e-9})
  {
    const double b = 0.1 * n * a * (1.0 + hair) / (n + m - 0.1 * m * (1.0 + hair));
    GatingHistogram histogram;
    std::vector<double> energies(static_cast<size_t>(n), a);
    energies.resize(static_cast<size_t>(n + m), b);
    for (double e : energies)
      histogram.add(e);
    const double expected = gatedLoudnessOfEnergies(energies);
    EXPECT_NEAR(histogram.gatedLoudness(), expected, 1e-9) << "hair " << hair;

    // Blocks spread over many bins around the gate read within the tolerance, and a
    // cleared histogram reads as a new one.
    Noise noise(static_cast<uint64_t>(hair > 0 ? 3 : 4));
    for (int i = 0; i < 5000; ++i)
    {
      const double e = a * std::pow(10.0, -1.3 * (noise.next() + 1.0)); // 0 .. 26 dB below a
      energies.push_back(e);
      histogram.add(e);
    }
    EXPECT_NEAR(histogram.gatedLoudness(), gatedLoudnessOfEnergies(energies), kReadingToleranceLu);
    histogram.clear();
    EXPECT_EQ(histogram.gatedLoudness(), -kInf);
    histogram.add(a);
    EXPECT_NEAR(histogram.gatedLoudness(), -20.0, 1e-9);
  }
}

TEST(LoudnessReference, ExactReadingsFollowTheGateAsItRisesAndFalls)
{
  // Up to the exact limit every reading is taken from the blocks themselves; the gate
  // climbs with each loud stretch and falls back with each quiet one, blocks of equal
  // energy sit on it, and a clear starts again. Every reading after every block must be
  // the gated mean of the blocks so far.
  Noise noise(11);
  GatingHistogram histogram;
  std::vector<double> energies;
  auto check = [&](int index) {
    ASSERT_NEAR(histogram.gatedLoudness(), gatedLoudnessOfEnergies(energies), 1e-9) << "after block " << index;
  };
  for (int i = 0; i < GatingHistogram::kExactBlocks; ++i)
  {
    const int stretch = (i / 150) % 4; // loud, quiet, very loud, silent-ish
    const double levelLufs = stretch == 0 ? -20.0 : stretch == 1 ? -38.0 : stretch == 2 ? -8.0 : -69.0;
    // Every seventh block repeats the last one exactly.
    const double e = i % 7 == 6 && !energies.empty()
                         ? energies.back()
                         : std::pow(10.0, (levelLufs + 3.0 * noise.next() + 0.691) / 10.0);
    histogram.add(e);
    if (e >= std::pow(10.0, (-70.0 + 0.691) / 10.0))
      energies.push_back(e);
    if (i % 25 == 0 || i > GatingHistogram::kExactBlocks - 30)
      check(i);
    if (i == 2000)
    {
      histogram.clear();
      energies.clear();
    }
  }
}
