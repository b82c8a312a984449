#pragma once

#include "engine/Dsp/DirectFormII.h"
#include "engine/Dsp/FilterDesign.h"

#include <array>
#include <complex>
#include <span>
#include <string_view>

// Legendre (Optimum-L) low-pass: the steepest fall at the cutoff that a monotonic
// response of its order allows.
// The analog prototype has |H(jw)|^2 = 1 / (1 + L_n(w^2)), -3.01 dB at w = 1; the
// digital filter follows by the bilinear transform prewarped to the cutoff, as a
// cascade of biquads normalised to unity gain at DC.
namespace Dsp::Legendre
{

inline constexpr int kMaxOrder = 4;
inline constexpr int kMaxPairs = (kMaxOrder + 1) / 2;

// L_n as coefficients of x = w^2, index = power; all zero for an order outside 1 .. 4.
using Polynomial = std::array<double, kMaxOrder + 1>;
Polynomial optimumLPolynomial(int order);

// Poles and zeros as pairs, with the frequency (radians per sample, or rad/s for
// the analog prototype) and the gain there to which the cascade is normalised.
struct Layout
{
  std::array<PoleZeroPair, kMaxPairs> pairs{};
  int pairCount = 0;
  double normalW = 0.0;
  double normalGain = 1.0;

  std::span<const PoleZeroPair> view() const { return std::span(pairs).first(pairCount); }
};

// Fills prototype with the left-half-plane roots of 1 + L_n(-s^2), conjugate pairs
// first (by descending imaginary part), then the real pole of an odd order; all
// zeros at infinity. Returns false when the order is out of range or a root does
// not converge, leaving prototype unchanged.
bool designAnalogPrototype(int order, Layout& prototype);

// Why a design is refused; Filter::lastError() returns one of these.
inline constexpr std::string_view kErrorLaguerre = "laguerre failed";
inline constexpr std::string_view kErrorOrder = "order outside 1 to the design's maximum";
inline constexpr std::string_view kErrorRate = "sample rate or cutoff not positive";
inline constexpr std::string_view kErrorNyquist = "cutoff not below half the sample rate";
inline constexpr std::string_view kErrorNotFinite = "no finite design at this rate and cutoff";

// The parameter set of a Legendre low-pass design.
Params lowPassParams(double sampleRateHz, int order, double cutoffHz);

// The design state for every maximum order; Design::LowPass fixes the maximum.
class LowPassBase
{
public:
  static constexpr Kind kKind = Kind::kLowPass;
  static constexpr std::string_view kName = "Legendre Low Pass";
  static constexpr int kParamCount = 3;
  static constexpr int kSampleRateSlot = 0;
  static constexpr int kOrderSlot = 1;
  static constexpr int kCutoffSlot = 2;

  static ParamInfo paramInfo(int index);

  std::span<const PoleZeroPair> digitalPairs() const { return mDigital.view(); }
  std::span<const Biquad> stages() const { return std::span(mStages).first(mDigital.pairCount); }
  std::complex<double> response(double normalizedFrequency) const;

  const Layout& analogPrototype() const { return mAnalog; }
  // 0 before the first design; the prototype is recomputed only when the order changes.
  int prototypeOrder() const { return mAnalogOrder; }
  int prototypeDesignCount() const { return mAnalogDesignCount; }

protected:
  // The order is the integer part of its slot. A refused design keeps the stages
  // in use; the analog prototype is still updated to a new order when only the
  // rate and cutoff are unusable (cutoff at or above half the rate).
  std::string_view setup(const Params& params, int maxOrder);

private:
  Layout mAnalog;
  int mAnalogOrder = 0;
  int mAnalogDesignCount = 0;
  Layout mDigital;
  std::array<Biquad, kMaxPairs> mStages{};
};

namespace Design
{

// The design of FilterDesign<Design::LowPass<MaxOrder>, Channels, DirectFormII>, reading
// slots 0 sample rate (Hz), 1 order (1 .. MaxOrder), 2 cutoff (Hz, below half the rate).
template <int MaxOrder>
class LowPass : public LowPassBase
{
  static_assert(MaxOrder >= 1 && MaxOrder <= Legendre::kMaxOrder, "Legendre designs go up to order 4");

public:
  static constexpr int kMaxStages = (MaxOrder + 1) / 2;

  std::string_view setup(const Params& params) { return LowPassBase::setup(params, MaxOrder); }
};

} // namespace Design
} // namespace Dsp::Legendre
