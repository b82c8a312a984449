#include "tools/quenmark/GainCheck.h"

#include <cmath>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define QUENMARK_GAIN_CHECK_SSE2 1
#endif

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
    // Branch-free; a NaN anywhere breaks it too.
    bool holds = true;
#ifdef QUENMARK_GAIN_CHECK_SSE2
    {
      // The scalar test below, two frames at a time.
      const __m128d gain = _mm_set1_pd(mGain), relative = _mm_set1_pd(kRelativeTolerance);
      const __m128d absolute = _mm_set1_pd(kAbsoluteTolerance), sign = _mm_set1_pd(-0.);
      __m128d all = _mm_cmpeq_pd(gain, gain);
      for (; n + 2 <= frames; n += 2)
      {
        const __m128d expected = _mm_mul_pd(gain, _mm_loadu_pd(x + n));
        const __m128d error = _mm_andnot_pd(sign, _mm_sub_pd(_mm_loadu_pd(y + n), expected));
        const __m128d bound = _mm_add_pd(_mm_mul_pd(relative, _mm_andnot_pd(sign, expected)), absolute);
        all = _mm_and_pd(all, _mm_cmple_pd(error, bound));
      }
      holds = _mm_movemask_pd(all) == 3;
    }
#endif
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
