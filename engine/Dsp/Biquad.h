#pragma once

#include <array>
#include <complex>

namespace Dsp
{

// Up to two poles and two zeros that become one second-order section. A pair whose
// second pole and second zero are both 0 stands for a single real pole and zero.
// Analog zeros at infinity are stored as an infinite real part.
struct PoleZeroPair
{
  std::array<std::complex<double>, 2> poles{};
  std::array<std::complex<double>, 2> zeros{};

  bool isSinglePole() const { return poles[1] == 0.0 && zeros[1] == 0.0; }
};

// One second-order section, H(z) = (b0 + b1 z^-1 + b2 z^-2) / (a0 + a1 z^-1 + a2 z^-2),
// stored divided by a0 so that a0 is always 1.
struct Biquad
{
  double a0 = 1.0;
  double a1 = 0.0;
  double a2 = 0.0;
  double b1 = 0.0;
  double b2 = 0.0;
  double b0 = 1.0;

  static Biquad fromCoefficients(double a0, double a1, double a2, double b0, double b1, double b2);
  // A one-pole section for a single pair, a two-pole section otherwise.
  static Biquad fromPair(const PoleZeroPair& pair);

  // normalizedFrequency is a fraction of the sample rate (0 is DC, 0.5 Nyquist).
  std::complex<double> response(double normalizedFrequency) const;
  void scaleNumerator(double factor);
  bool isFinite() const;
};

} // namespace Dsp
