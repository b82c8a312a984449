#include "engine/Dsp/Legendre.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace
{
using LowPass = Dsp::FilterDesign<Dsp::Legendre::Design::LowPass<4>, 2, Dsp::DirectFormII>;
using Dsp::Legendre::lowPassParams;

constexpr double kSettledTolerance = 1e-7;
constexpr double kFloatSettledTolerance = 1e-6;
constexpr double kMeasuredDbTolerance = 0.02;
constexpr double kHalfPowerDb = -3.0103;
constexpr double kStopBandDb = -60.0;
constexpr double kOffsetBound = 1e-7;

// Runs left and right through the filter in place as one block.
template <class Sample>
void run(LowPass& filter, std::vector<Sample>& left, std::vector<Sample>& right)
{
  std::array<Sample*, 2> channels = {left.data(), right.data()};
  filter.process(static_cast<int>(left.size()), channels.data());
}

std::vector<double> sine(double frequencyHz, double rateHz, int frames)
{
  std::vector<double> samples(frames);
  for (int i = 0; i < frames; ++i)
    samples[i] = std::sin(2.0 * std::numbers::pi * frequencyHz * i / rateHz);
  return samples;
}

// Level in dB of the second half of one second of a unit-amplitude sine after filtering.
double filteredSineDb(double frequencyHz, double rateHz, double cutoffHz)
{
  LowPass filter;
  EXPECT_TRUE(filter.assignParams(lowPassParams(rateHz, 4, cutoffHz)));
  const int frames = static_cast<int>(rateHz);
  std::vector<double> left = sine(frequencyHz, rateHz, frames);
  std::vector<double> right = left;
  run(filter, left, right);
  double sumOfSquares = 0.0;
  for (int i = frames / 2; i < frames; ++i)
    sumOfSquares += left[i] * left[i];
  return 10.0 * std::log10(2.0 * sumOfSquares / (frames - frames / 2));
}

TEST(LegendreFilter, ConstantInputSettlesToUnity)
{
  LowPass filter;
  ASSERT_TRUE(filter.assignParams(lowPassParams(88200.0, 4, 22050.0)));
  std::vector<double> left(4096, 1.0);
  std::vector<double> right = left;
  run(filter, left, right);
  for (int i = 4000; i < 4096; ++i)
  {
    EXPECT_NEAR(left[i], 1.0, kSettledTolerance) << i;
    EXPECT_EQ(left[i], right[i]) << i;
  }

  LowPass floatFilter;
  ASSERT_TRUE(floatFilter.assignParams(lowPassParams(88200.0, 4, 22050.0)));
  std::vector<float> floatLeft(4096, 1.0f);
  std::vector<float> floatRight = floatLeft;
  run(floatFilter, floatLeft, floatRight);
  EXPECT_NEAR(floatLeft.back(), 1.0f, kFloatSettledTolerance);
  EXPECT_NEAR(floatRight.back(), 1.0f, kFloatSettledTolerance);
}

TEST(LegendreFilter, MeasuredSineLevelsFollowTheDesign)
{
  EXPECT_NEAR(filteredSineDb(6000.0, 48000.0, 6000.0), kHalfPowerDb, kMeasuredDbTolerance);
  EXPECT_LT(filteredSineDb(20000.0, 48000.0, 6000.0), kStopBandDb);
}

TEST(LegendreFilter, ChannelsAreFilteredApartAndNullChannelsSkipped)
{
  LowPass filter;
  ASSERT_TRUE(filter.assignParams(lowPassParams(48000.0, 4, 6000.0)));
  std::vector<double> step(256, 1.0);
  std::vector<double> silence(256, 0.0);
  run(filter, step, silence);
  EXPECT_NEAR(step.back(), 1.0, kSettledTolerance);
  for (double sample : silence)
    EXPECT_LT(std::abs(sample), kOffsetBound);

  std::vector<double> only(16, 0.5);
  std::array<double*, 2> withNull = {nullptr, only.data()};
  filter.process(16, withNull.data());
  filter.process(16, static_cast<double* const*>(nullptr));
  filter.process(-1, withNull.data());
  EXPECT_NE(only.front(), 0.5);
}

TEST(LegendreFilter, DelayStateSurvivesRedesignUntilReset)
{
  const Dsp::Params params = lowPassParams(48000.0, 4, 6000.0);
  const std::vector<double> input = sine(1000.0, 48000.0, 128);

  LowPass continuous;
  ASSERT_TRUE(continuous.assignParams(params));
  std::vector<double> whole = input;
  std::vector<double> wholeRight = input;
  run(continuous, whole, wholeRight);

  LowPass redesigned;
  ASSERT_TRUE(redesigned.assignParams(params));
  std::vector<double> first(input.begin(), input.begin() + 64);
  std::vector<double> firstRight = first;
  run(redesigned, first, firstRight);
  ASSERT_TRUE(redesigned.assignParams(params));
  std::vector<double> second(input.begin() + 64, input.end());
  std::vector<double> secondRight = second;
  run(redesigned, second, secondRight);
  for (int i = 0; i < 64; ++i)
    EXPECT_DOUBLE_EQ(second[i], whole[64 + i]) << i;

  // After a reset it behaves as a fresh filter (64 samples keep the offset's phase).
  redesigned.reset();
  LowPass fresh;
  ASSERT_TRUE(fresh.assignParams(params));
  std::vector<double> again = first;
  std::vector<double> againRight = first;
  std::vector<double> reference = first;
  std::vector<double> referenceRight = first;
  run(redesigned, again, againRight);
  run(fresh, reference, referenceRight);
  for (int i = 0; i < 64; ++i)
    EXPECT_DOUBLE_EQ(againRight[i], referenceRight[i]) << i;
}

TEST(LegendreFilter, RefusedDesignsKeepThePreviousStages)
{
  // Without oversampling the cutoff is half the rate: the prototype is made, no stages.
  LowPass filter;
  EXPECT_FALSE(filter.assignParams(lowPassParams(44100.0, 4, 22050.0)));
  EXPECT_EQ(filter.lastError(), Dsp::Legendre::kErrorNyquist);
  EXPECT_EQ(filter.design().prototypeOrder(), 4);
  EXPECT_TRUE(filter.poleZeroPairs().empty());
  std::vector<double> left(8, 0.25);
  std::vector<double> right = left;
  run(filter, left, right);
  EXPECT_EQ(left.back(), 0.25);

  ASSERT_TRUE(filter.assignParams(lowPassParams(88200.0, 4, 22050.0)));
  EXPECT_TRUE(filter.lastError().empty());
  const std::vector<Dsp::Biquad> designed(filter.design().stages().begin(), filter.design().stages().end());

  const std::array<Dsp::Params, 7> refused = {
    lowPassParams(44100.0, 4, 22050.0), lowPassParams(44100.0, 4, 30000.0), lowPassParams(-44100.0, 4, 1000.0),
    lowPassParams(44100.0, 4, std::nan("")), lowPassParams(44100.0, 0, 1000.0), lowPassParams(44100.0, 5, 1000.0),
    {44100.0, std::nan(""), 1000.0},
  };
  for (const Dsp::Params& params : refused)
  {
    EXPECT_FALSE(filter.assignParams(params)) << params[0] << " " << params[1] << " " << params[2];
    EXPECT_FALSE(filter.lastError().empty());
    const auto stages = filter.design().stages();
    ASSERT_EQ(stages.size(), designed.size());
    for (std::size_t i = 0; i < stages.size(); ++i)
    {
      EXPECT_TRUE(stages[i].isFinite());
      EXPECT_EQ(stages[i].a1, designed[i].a1);
      EXPECT_EQ(stages[i].a2, designed[i].a2);
      EXPECT_EQ(stages[i].b0, designed[i].b0);
    }
  }
  EXPECT_EQ(filter.design().prototypeDesignCount(), 1);
}

TEST(LegendreFilter, DesignAndProcessingAllocateNothing)
{
  LowPass filter;
  std::vector<double> left(512, 0.5);
  std::vector<double> right = left;
  std::vector<float> floatLeft(512, 0.5f);
  std::vector<float> floatRight = floatLeft;

  AllocationScope scope;
  EXPECT_TRUE(filter.assignParams(lowPassParams(96000.0, 3, 20000.0)));
  EXPECT_TRUE(filter.assignParams(lowPassParams(96000.0, 4, 24000.0)));
  EXPECT_FALSE(filter.assignParams(lowPassParams(48000.0, 4, 24000.0)));
  run(filter, left, right);
  run(filter, floatLeft, floatRight);
  filter.reset();
  EXPECT_EQ(scope.count(), 0u);
}

} // namespace
