#include "engine/Dsp/RootFinder.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace Dsp
{
namespace
{
constexpr int kMaxIterations = 80;
// Every tenth iteration moves by a fraction of the step, which breaks limit cycles.
constexpr int kCycleBreakInterval = 10;
constexpr std::array<double, 9> kCycleBreakFractions = {0.0, 0.5, 0.25, 0.75, 0.13, 0.38, 0.62, 0.88, 1.0};
constexpr double kMachineEpsilon = 2.220446049250313e-16;
// A root whose imaginary part is this small relative to its real part is taken as real.
constexpr double kRealRootThreshold = 1e-30;
} // namespace

bool laguerreRoot(std::span<const std::complex<double>> coefficients, std::complex<double>& x)
{
  if (coefficients.size() < 2)
    return false;
  const int m = static_cast<int>(coefficients.size()) - 1;
  for (int iteration = 1; iteration <= kMaxIterations; ++iteration)
  {
    // Value b, first derivative d and half the second derivative f by Horner's
    // scheme, with a bound on the rounding error of b.
    std::complex<double> b = coefficients[m];
    std::complex<double> d = 0.0;
    std::complex<double> f = 0.0;
    double error = std::abs(b);
    const double absX = std::abs(x);
    for (int j = m - 1; j >= 0; --j)
    {
      f = x * f + d;
      d = x * d + b;
      b = x * b + coefficients[j];
      error = std::abs(b) + absX * error;
    }
    if (std::abs(b) <= error * kMachineEpsilon)
      return true;

    const std::complex<double> g = d / b;
    const std::complex<double> g2 = g * g;
    const std::complex<double> h = g2 - 2.0 * f / b;
    const std::complex<double> q = std::sqrt(double(m - 1) * (double(m) * h - g2));
    const std::complex<double> plus = g + q;
    const std::complex<double> minus = g - q;
    const double absPlus = std::abs(plus);
    const double absMinus = std::abs(minus);
    const std::complex<double> dx = std::max(absPlus, absMinus) > 0.0
                                      ? double(m) / (absPlus < absMinus ? minus : plus)
                                      : (1.0 + absX) * std::polar(1.0, double(iteration));
    const std::complex<double> next = x - dx;
    if (next == x)
      return true;
    if (iteration % kCycleBreakInterval != 0)
      x = next;
    else
      x -= kCycleBreakFractions[iteration / kCycleBreakInterval] * dx;
  }
  return false;
}

bool findPolynomialRoots(std::span<const std::complex<double>> coefficients,
                         std::span<std::complex<double>> roots)
{
  const int degree = static_cast<int>(coefficients.size()) - 1;
  if (degree < 1 || degree > kMaxPolynomialDegree || static_cast<int>(roots.size()) < degree)
    return false;

  std::array<std::complex<double>, kMaxPolynomialDegree + 1> deflated{};
  std::copy(coefficients.begin(), coefficients.end(), deflated.begin());

  for (int j = degree - 1; j >= 0; --j)
  {
    std::complex<double> root = 0.0;
    if (!laguerreRoot(std::span(deflated).first(j + 2), root))
      return false;
    if (std::abs(root.imag()) <= 2.0 * kRealRootThreshold * std::abs(root.real()))
      root = root.real();
    roots[j] = root;

    // Synthetic division by (x - root) leaves the quotient in deflated[0 .. j].
    std::complex<double> carry = deflated[j + 1];
    for (int k = j; k >= 0; --k)
    {
      const std::complex<double> coefficient = deflated[k];
      deflated[k] = carry;
      carry = root * carry + coefficient;
    }
  }

  for (int j = 0; j < degree; ++j)
    if (!laguerreRoot(coefficients, roots[j]))
      return false;
  return true;
}

} // namespace Dsp
