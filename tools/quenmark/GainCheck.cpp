#include "tools/quenmark/GainCheck.h"

#include <cmath>

namespace quenmark
{
namespace
{
// Far below anything a meter shows (1e-9 is 1e-8 dB), far above a multiply's rounding.
constexpr double kRelativeTolerance = 1e-9;
constexpr double kAbsoluteTolerance = 1e-15; // -300 dBFS
} // namespace

void GainCheck::add(const double* const* in, const double* const* out, int channels, std::size_t frames) noexcept
{
  for (int c = 0; c < channels && !mBroken; ++c)
  {
    const double* x = in[c];
    const double* y = out[c];
    std::size_t n = 0;
    if (!mHaveGain)
    {
      while (n < frames && x[n] == 0.)
      {
        if (std::fabs(y[n]) > kAbsoluteTolerance)
        {
          mBroken = true;
          return;
        }
        ++n;
      }
      if (n == frames)
        continue;
      mGain = y[n] / x[n];
      mHaveGain = std::isfinite(mGain) && mGain > 0.;
      mBroken = !mHaveGain;
    }
    // Branch-free, so that it vectorizes; a NaN anywhere breaks it too.
    bool holds = true;
    for (; n < frames; ++n)
    {
      const double expected = mGain * x[n];
      holds &= std::fabs(y[n] - expected) <= kRelativeTolerance * std::fabs(expected) + kAbsoluteTolerance;
    }
    mBroken = !holds;
  }
}

std::optional<double> GainCheck::gain() const noexcept
{
  if (mBroken || !mHaveGain)
    return std::nullopt;
  return mGain;
}
} // namespace quenmark
