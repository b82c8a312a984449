#include "engine/Dsp/Biquad.h"

#include <cmath>
#include <numbers>

namespace Dsp
{
namespace
{
// The two denominator (or numerator) terms of a conjugate or real pair of roots.
struct SecondOrderTerms
{
  double first;
  double second;
};

SecondOrderTerms termsOf(std::complex<double> root1, std::complex<double> root2)
{
  if (root1.imag() != 0.0)
    return {-2.0 * root1.real(), std::norm(root1)};
  return {-(root1 + root2).real(), (root1 * root2).real()};
}
} // namespace

Biquad Biquad::fromCoefficients(double a0, double a1, double a2, double b0, double b1, double b2)
{
  Biquad stage;
  stage.a0 = 1.0;
  stage.a1 = a1 / a0;
  stage.a2 = a2 / a0;
  stage.b0 = b0 / a0;
  stage.b1 = b1 / a0;
  stage.b2 = b2 / a0;
  return stage;
}

Biquad Biquad::fromPair(const PoleZeroPair& pair)
{
  if (pair.isSinglePole())
    return fromCoefficients(1.0, -pair.poles[0].real(), 0.0, -pair.zeros[0].real(), 1.0, 0.0);

  const SecondOrderTerms poles = termsOf(pair.poles[0], pair.poles[1]);
  const SecondOrderTerms zeros = termsOf(pair.zeros[0], pair.zeros[1]);
  return fromCoefficients(1.0, poles.first, poles.second, 1.0, zeros.first, zeros.second);
}

std::complex<double> Biquad::response(double normalizedFrequency) const
{
  const double w = 2.0 * std::numbers::pi * normalizedFrequency;
  const std::complex<double> z1 = std::polar(1.0, -w);
  const std::complex<double> z2 = std::polar(1.0, -2.0 * w);
  return (b0 + b1 * z1 + b2 * z2) / (a0 + a1 * z1 + a2 * z2);
}

void Biquad::scaleNumerator(double factor)
{
  b0 *= factor;
  b1 *= factor;
  b2 *= factor;
}

bool Biquad::isFinite() const
{
  return std::isfinite(a1) && std::isfinite(a2) && std::isfinite(b0) && std::isfinite(b1)
         && std::isfinite(b2);
}

} // namespace Dsp
