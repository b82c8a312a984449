#include "engine/Dsp/Legendre.h"

#include "engine/Dsp/RootFinder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace Dsp::Legendre
{
namespace
{
using Complex = std::complex<double>;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

constexpr std::array<ParamInfo, LowPassBase::kParamCount> kParamInfos = {{
  {ParamId::kSampleRate, "Fs", "Sample Rate", 11025.0, 192000.0, 44100.0},
  {ParamId::kOrder, "Order", "Order", 1.0, 4.0, 2.0},
  {ParamId::kFrequency, "Fc", "Cutoff Frequency", 10.0, 22040.0, 2000.0},
}};

// Multiplies a polynomial in t by (a t + c) in place; the top coefficient falls off,
// which the callers' degrees never reach.
void multiplyByLinear(Polynomial& p, double a, double c)
{
  for (int j = kMaxOrder; j >= 0; --j)
    p[j] = c * p[j] + (j > 0 ? a * p[j - 1] : 0.0);
}

double evaluate(const Polynomial& p, double t)
{
  double value = 0.0;
  for (int j = kMaxOrder; j >= 0; --j)
    value = value * t + p[j];
  return value;
}

void sortByDescendingImaginary(std::span<Complex> roots)
{
  std::sort(roots.begin(), roots.end(), [](Complex a, Complex b) { return a.imag() > b.imag(); });
}
} // namespace

Polynomial optimumLPolynomial(int order)
{
  Polynomial result{};
  if (order < 1 || order > kMaxOrder)
    return result;

  // Weighted sum of Legendre polynomials P_0 .. P_k; its square integrates to L_n.
  const int k = (order - 1) / 2;
  const bool even = order % 2 == 0;
  Polynomial sum{};
  Polynomial previous{};
  Polynomial current{};
  current[0] = 1.0;
  for (int i = 0; i <= k; ++i)
  {
    const double weight = !even          ? (2.0 * i + 1.0) / (std::numbers::sqrt2 * (k + 1.0))
                          : i % 2 == k % 2 ? (2.0 * i + 1.0) / std::sqrt((k + 1.0) * (k + 2.0))
                                           : 0.0;
    for (int j = 0; j <= kMaxOrder; ++j)
      sum[j] += weight * current[j];

    // (i + 1) P_(i+1) = (2i + 1) t P_i - i P_(i-1)
    Polynomial next = current;
    multiplyByLinear(next, 2.0 * i + 1.0, 0.0);
    for (int j = 0; j <= kMaxOrder; ++j)
      next[j] = (next[j] - i * previous[j]) / (i + 1.0);
    previous = current;
    current = next;
  }

  Polynomial v{};
  for (int a = 0; a <= kMaxOrder; ++a)
    for (int b = 0; a + b <= kMaxOrder; ++b)
      v[a + b] += sum[a] * sum[b];
  if (even)
    multiplyByLinear(v, 1.0, 1.0);

  // V(t) = integral of v; L_n(x) = V(2x - 1) - V(-1).
  Polynomial integral{};
  for (int j = 0; j < kMaxOrder; ++j)
    integral[j + 1] = v[j] / (j + 1.0);
  for (int j = kMaxOrder; j >= 0; --j)
  {
    multiplyByLinear(result, 2.0, -1.0);
    result[0] += integral[j];
  }
  result[0] -= evaluate(integral, -1.0);
  return result;
}

bool designAnalogPrototype(int order, Layout& prototype)
{
  if (order < 1 || order > kMaxOrder)
    return false;

  // 1 + L_n(-s^2): only even powers of s.
  const Polynomial l = optimumLPolynomial(order);
  std::array<Complex, 2 * kMaxOrder + 1> characteristic{};
  for (int m = 0; m <= order; ++m)
    characteristic[2 * m] = m % 2 == 0 ? l[m] : -l[m];
  characteristic[0] += 1.0;

  std::array<Complex, 2 * kMaxOrder> roots{};
  const int rootCount = 2 * order;
  if (!findPolynomialRoots(std::span(characteristic).first(rootCount + 1), roots))
    return false;
  sortByDescendingImaginary(std::span(roots).first(rootCount));

  std::array<Complex, kMaxOrder> stable{};
  int stableCount = 0;
  for (int i = 0; i < rootCount && stableCount < order; ++i)
    if (roots[i].real() <= 0.0)
      stable[stableCount++] = roots[i];
  if (stableCount != order)
    return false;
  sortByDescendingImaginary(std::span(stable).first(order));

  prototype = Layout{};
  for (int i = 0; i < order / 2; ++i)
    prototype.pairs[prototype.pairCount++] = {{stable[i], std::conj(stable[i])}, {kInfinity, kInfinity}};
  if (order % 2 == 1)
    prototype.pairs[prototype.pairCount++] = {{stable[order / 2].real(), 0.0}, {kInfinity, 0.0}};
  return true;
}

ParamInfo LowPassBase::paramInfo(int index)
{
  if (index < 0 || index >= kParamCount)
    return {};
  return kParamInfos[index];
}

Params lowPassParams(double sampleRateHz, int order, double cutoffHz)
{
  Params params{};
  params[LowPassBase::kSampleRateSlot] = sampleRateHz;
  params[LowPassBase::kOrderSlot] = order;
  params[LowPassBase::kCutoffSlot] = cutoffHz;
  return params;
}

std::complex<double> LowPassBase::response(double normalizedFrequency) const
{
  Complex product = 1.0;
  for (const Biquad& stage : stages())
    product *= stage.response(normalizedFrequency);
  return product;
}

std::string_view LowPassBase::setup(const Params& params, int maxOrder)
{
  const double orderValue = params[kOrderSlot];
  if (!(orderValue >= 1.0 && orderValue < maxOrder + 1.0))
    return kErrorOrder;
  const int order = static_cast<int>(orderValue);
  if (order != mAnalogOrder)
  {
    Layout prototype;
    if (!designAnalogPrototype(order, prototype))
      return kErrorLaguerre;
    mAnalog = prototype;
    mAnalogOrder = order;
    ++mAnalogDesignCount;
  }

  // At or above half the rate the prewarped frequency tan(pi fc / fs) is infinite
  // or folds over; the engine asks for exactly that when it does not oversample.
  const double rateHz = params[kSampleRateSlot];
  const double cutoffHz = params[kCutoffSlot];
  if (!(rateHz > 0.0 && cutoffHz > 0.0 && std::isfinite(rateHz)))
    return kErrorRate;
  if (!(cutoffHz < 0.5 * rateHz))
    return kErrorNyquist;

  // Bilinear transform: s -> z = (1 + f s) / (1 - f s); a zero at infinity goes to -1.
  const double f = std::tan(std::numbers::pi * cutoffHz / rateHz);
  const auto toDigital = [f](Complex s) {
    return std::isinf(s.real()) ? Complex(-1.0) : (1.0 + f * s) / (1.0 - f * s);
  };
  Layout digital;
  digital.pairCount = mAnalog.pairCount;
  digital.normalW = mAnalog.normalW;
  digital.normalGain = mAnalog.normalGain;
  std::array<Biquad, kMaxPairs> stages{};
  Complex normalResponse = 1.0;
  for (int i = 0; i < digital.pairCount; ++i)
  {
    const PoleZeroPair& analog = mAnalog.pairs[i];
    PoleZeroPair& pair = digital.pairs[i];
    // A single-pole pair keeps its unused second pole and zero at 0.
    const int used = analog.isSinglePole() ? 1 : 2;
    for (int j = 0; j < used; ++j)
    {
      pair.poles[j] = toDigital(analog.poles[j]);
      pair.zeros[j] = toDigital(analog.zeros[j]);
    }
    stages[i] = Biquad::fromPair(pair);
    normalResponse *= stages[i].response(digital.normalW / (2.0 * std::numbers::pi));
  }
  stages[0].scaleNumerator(digital.normalGain / std::abs(normalResponse));

  for (int i = 0; i < digital.pairCount; ++i)
    if (!stages[i].isFinite())
      return kErrorNotFinite;
  mDigital = digital;
  mStages = stages;
  return {};
}

} // namespace Dsp::Legendre
