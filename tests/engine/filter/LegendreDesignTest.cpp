#include "engine/Dsp/Legendre.h"
#include "engine/Dsp/RootFinder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <numbers>

namespace
{
using Complex = std::complex<double>;
using LowPass = Dsp::FilterDesign<Dsp::Legendre::Design::LowPass<4>, 2, Dsp::DirectFormII>;

constexpr double kPolynomialTolerance = 1e-12;
constexpr double kPoleTolerance = 1e-9;
constexpr double kCoefficientTolerance = 1e-9;
constexpr double kGainTolerance = 1e-12;
constexpr double kDbTolerance = 0.005;
constexpr double kHalfPowerDb = -3.0103;

// The order-4 analog poles, upper half of each conjugate pair.
constexpr std::array<Complex, 2> kOrder4Poles = {Complex(-0.2316887227, 0.9455106639),
                                                 Complex(-0.5497434238, 0.3585718162)};

double powerDb(Complex h) { return 10.0 * std::log10(std::norm(h)); }

// Analog all-pole response normalised to 1 at DC, from the prototype's poles alone.
Complex analogResponse(const Dsp::Legendre::Layout& prototype, double w)
{
  Complex h = 1.0;
  for (const Dsp::PoleZeroPair& pair : prototype.view())
  {
    const int poles = pair.isSinglePole() ? 1 : 2;
    for (int i = 0; i < poles; ++i)
      h *= -pair.poles[i] / (Complex(0.0, w) - pair.poles[i]);
  }
  return h;
}

void expectNear(Complex actual, Complex expected, double tolerance)
{
  EXPECT_NEAR(actual.real(), expected.real(), tolerance);
  EXPECT_NEAR(actual.imag(), expected.imag(), tolerance);
}

TEST(LegendrePrototype, OptimumLPolynomialsOfOrdersOneToFour)
{
  const std::array<Dsp::Legendre::Polynomial, 4> expected = {{
    {0, 1, 0, 0, 0},
    {0, 0, 1, 0, 0},
    {0, 1, -3, 3, 0},
    {0, 0, 3, -8, 6},
  }};
  for (int order = 1; order <= 4; ++order)
  {
    const Dsp::Legendre::Polynomial l = Dsp::Legendre::optimumLPolynomial(order);
    for (int j = 0; j <= 4; ++j)
      EXPECT_NEAR(l[j], expected[order - 1][j], kPolynomialTolerance) << "order " << order << " x^" << j;
  }
}

TEST(LegendrePrototype, OrderFourPolesArePairedUpperFirst)
{
  Dsp::Legendre::Layout prototype;
  ASSERT_TRUE(Dsp::Legendre::designAnalogPrototype(4, prototype));
  ASSERT_EQ(prototype.pairCount, 2);
  for (int i = 0; i < 2; ++i)
  {
    expectNear(prototype.pairs[i].poles[0], kOrder4Poles[i], kPoleTolerance);
    expectNear(prototype.pairs[i].poles[1], std::conj(kOrder4Poles[i]), kPoleTolerance);
    EXPECT_TRUE(std::isinf(prototype.pairs[i].zeros[0].real()));
  }
}

TEST(LegendrePrototype, EveryOrderHasTheOptimumLMagnitude)
{
  for (int order = 1; order <= 4; ++order)
  {
    Dsp::Legendre::Layout prototype;
    ASSERT_TRUE(Dsp::Legendre::designAnalogPrototype(order, prototype)) << order;
    EXPECT_EQ(prototype.pairCount, (order + 1) / 2);
    EXPECT_EQ(prototype.pairs[prototype.pairCount - 1].isSinglePole(), order % 2 == 1);
    EXPECT_NEAR(powerDb(analogResponse(prototype, 1.0)), kHalfPowerDb, kDbTolerance) << order;
    const Dsp::Legendre::Polynomial l = Dsp::Legendre::optimumLPolynomial(order);
    for (double w : {0.3, 0.8, 1.7, 4.0})
    {
      const double x = w * w;
      const double lOfX = l[1] * x + l[2] * x * x + l[3] * x * x * x + l[4] * x * x * x * x;
      EXPECT_NEAR(std::norm(analogResponse(prototype, w)), 1.0 / (1.0 + lOfX), 1e-9) << order << " w " << w;
    }
  }
}

TEST(LaguerreRoots, FindsKnownRootsAndReportsNonConvergence)
{
  // (x - 2)(x + 1)(x^2 + 4) = x^4 - x^3 + 2x^2 - 4x - 8
  const std::array<Complex, 5> quartic = {-8.0, -4.0, 2.0, -1.0, 1.0};
  std::array<Complex, 4> roots{};
  ASSERT_TRUE(Dsp::findPolynomialRoots(quartic, roots));
  for (Complex expected : {Complex(2.0), Complex(-1.0), Complex(0.0, 2.0), Complex(0.0, -2.0)})
  {
    int matches = 0;
    for (Complex root : roots)
      matches += std::abs(root - expected) < 1e-12;
    EXPECT_EQ(matches, 1) << expected;
  }

  const std::array<Complex, 3> broken = {1.0, std::nan(""), 1.0};
  std::array<Complex, 2> brokenRoots{};
  EXPECT_FALSE(Dsp::findPolynomialRoots(broken, brokenRoots));
  EXPECT_FALSE(Dsp::findPolynomialRoots(quartic, std::span(roots).first(3)));
}

TEST(LegendreDesign, OrderFourAtPrewarpedUnitFrequency)
{
  LowPass filter;
  ASSERT_TRUE(filter.assignParams(Dsp::Legendre::lowPassParams(88200.0, 4, 22050.0)));
  EXPECT_TRUE(filter.lastError().empty());
  const auto stages = filter.design().stages();
  ASSERT_EQ(stages.size(), 2u);
  EXPECT_NEAR(stages[0].b0, 0.0669191307, kCoefficientTolerance);
  EXPECT_NEAR(stages[0].b1, 0.1338382615, kCoefficientTolerance);
  EXPECT_NEAR(stages[0].b2, 0.0669191307, kCoefficientTolerance);
  EXPECT_NEAR(stages[0].a1, -0.0434084519, kCoefficientTolerance);
  EXPECT_NEAR(stages[0].a2, 0.6156214753, kCoefficientTolerance);
  EXPECT_NEAR(stages[1].b0, 1.0, kCoefficientTolerance);
  EXPECT_NEAR(stages[1].b1, 2.0, kCoefficientTolerance);
  EXPECT_NEAR(stages[1].b2, 1.0, kCoefficientTolerance);
  EXPECT_NEAR(stages[1].a1, -0.4499176174, kCoefficientTolerance);
  EXPECT_NEAR(stages[1].a2, 0.1309360773, kCoefficientTolerance);
  EXPECT_NEAR(std::abs(filter.frequencyResponse(0.0)), 1.0, kGainTolerance);
  EXPECT_NEAR(powerDb(filter.frequencyResponse(0.25)), kHalfPowerDb, kDbTolerance);
}

TEST(LegendreDesign, RedesignReusesThePrototypeWithTheNewCutoff)
{
  LowPass filter;
  ASSERT_TRUE(filter.assignParams(Dsp::Legendre::lowPassParams(48000.0, 4, 12000.0)));
  ASSERT_TRUE(filter.assignParams(Dsp::Legendre::lowPassParams(48000.0, 4, 3000.0)));
  EXPECT_EQ(filter.design().prototypeDesignCount(), 1);

  const double f = std::tan(std::numbers::pi * 3000.0 / 48000.0);
  const auto pairs = filter.poleZeroPairs();
  ASSERT_EQ(pairs.size(), 2u);
  for (int i = 0; i < 2; ++i)
  {
    const Complex s = kOrder4Poles[i];
    expectNear(pairs[i].poles[0], (1.0 + f * s) / (1.0 - f * s), kPoleTolerance);
    expectNear(pairs[i].poles[1], std::conj(pairs[i].poles[0]), kPoleTolerance);
    expectNear(pairs[i].zeros[0], -1.0, kPoleTolerance);
    expectNear(pairs[i].zeros[1], -1.0, kPoleTolerance);
  }
  EXPECT_NEAR(powerDb(filter.frequencyResponse(3000.0 / 48000.0)), kHalfPowerDb, kDbTolerance);

  ASSERT_TRUE(filter.assignParams(Dsp::Legendre::lowPassParams(48000.0, 3, 3000.0)));
  EXPECT_EQ(filter.design().prototypeDesignCount(), 2);
  EXPECT_EQ(filter.design().prototypeOrder(), 3);
  EXPECT_NEAR(std::abs(filter.frequencyResponse(0.0)), 1.0, kGainTolerance);
  EXPECT_NEAR(powerDb(filter.frequencyResponse(3000.0 / 48000.0)), kHalfPowerDb, kDbTolerance);
}

} // namespace
