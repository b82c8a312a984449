#pragma once

#include <complex>
#include <span>

namespace Dsp
{

// Polynomials are coefficient arrays, index = power: c[0] + c[1] x + ... + c[m] x^m.
inline constexpr int kMaxPolynomialDegree = 8;

// Refines x towards a root by Laguerre's method. Returns false when 80 iterations
// do not converge; x then holds the last estimate.
bool laguerreRoot(std::span<const std::complex<double>> coefficients, std::complex<double>& x);

// Finds the coefficients.size() - 1 roots (at most kMaxPolynomialDegree) into the
// front of roots: Laguerre from 0 on the deflated polynomial, then each root polished
// on the full one. Returns false, with roots partly written, when the degree is out of
// range, roots is too short or a root does not converge.
bool findPolynomialRoots(std::span<const std::complex<double>> coefficients,
                         std::span<std::complex<double>> roots);

} // namespace Dsp
