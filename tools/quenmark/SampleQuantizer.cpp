#include "tools/quenmark/SampleQuantizer.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define QUENMARK_QUANTIZE_SSE2 1
#endif

namespace quenmark
{
namespace
{
constexpr int kMaxDitheredBits = 16;

int integerBits(int subformat)
{
  switch (subformat)
  {
  case SF_FORMAT_PCM_S8:
  case SF_FORMAT_PCM_U8: return 8;
  case SF_FORMAT_PCM_16:
  case SF_FORMAT_ALAC_16: return 16;
  case SF_FORMAT_ALAC_20: return 20;
  case SF_FORMAT_PCM_24:
  case SF_FORMAT_ALAC_24: return 24;
  case SF_FORMAT_PCM_32:
  case SF_FORMAT_ALAC_32: return 32;
  default: return 0;
  }
}

// splitmix64: small, fast and good enough for dither.
std::uint64_t nextRandom(std::uint64_t& state) noexcept
{
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}
} // namespace

SampleQuantizer::SampleQuantizer(int format, bool dither)
{
  const int subformat = format & SF_FORMAT_SUBMASK;
  mBits = integerBits(subformat);
  mFloat = subformat == SF_FORMAT_FLOAT;
  mDouble = subformat == SF_FORMAT_DOUBLE;
  if (mFloat || mDouble)
  {
    mMaxClean = std::numeric_limits<double>::infinity();
    return;
  }
  if (mBits == 0)
    return; // clamped to +-1.0
  mDither = dither && mBits <= kMaxDitheredBits;
  mScale = std::ldexp(1., mBits - 1);
  mMaxCode = mScale - 1.;
  mMinCode = -mScale;
  // Rounding to nearest keeps a value below maxCode + 0.5; dither adds up to one code.
  mMaxClean = (mMaxCode - 0.5 - (mDither ? 1. : 0.)) / mScale;
}

double SampleQuantizer::nextTriangular() noexcept
{
  // Two uniform values in [0, 1) from one draw; their difference is triangular in (-1, 1).
  const std::uint64_t bits = nextRandom(mRandom);
  constexpr double kUnit = 1. / 4294967296.;
  return static_cast<double>(bits >> 32) * kUnit - static_cast<double>(bits & 0xFFFFFFFFull) * kUnit;
}

bool SampleQuantizer::keepsValuesNear(double peak) const noexcept
{
  constexpr double kFinestShare = 1e-4;
  if (mFloat || mDouble)
    return true;
  return mBits > 0 && !mDither && 0.5 / mScale < kFinestShare * peak;
}

std::int64_t SampleQuantizer::quantize(double* values, std::int32_t* codes, std::size_t count) noexcept
{
  std::int64_t clipped = 0;
  if (mDouble)
    return 0;
  if (mFloat)
  {
    for (std::size_t i = 0; i < count; ++i)
      values[i] = static_cast<float>(values[i]);
    return 0;
  }
  if (mBits == 0)
  {
    for (std::size_t i = 0; i < count; ++i)
    {
      if (std::fabs(values[i]) > 1.)
      {
        ++clipped;
        values[i] = std::clamp(values[i], -1., 1.);
      }
    }
    return clipped;
  }
  return mDither ? quantizeToCodes<true>(values, codes, count) : quantizeToCodes<false>(values, codes, count);
}

template <bool kDither>
std::int64_t SampleQuantizer::quantizeToCodes(double* values, std::int32_t* codes, std::size_t count) noexcept
{
  // The members in locals: stores to `values` could otherwise alias them, and each
  // sample would wait to load them again.
  const int shift = 32 - mBits;
  const double scale = mScale, minCode = mMinCode, maxCode = mMaxCode;
  // scale is a power of two: multiplying by its inverse divides exactly.
  const double step = 1. / scale;
  std::int64_t clipped = 0;
  auto one = [&](std::size_t i) {
    double code = values[i] * scale;
    if constexpr (kDither)
      code += nextTriangular();
    const double half = code + 0.5;
    // Rounds half up. Inside the codes' range the integer conversion floors exactly
    // (and fast, where std::floor is a library call); outside it, clip.
    if (half >= minCode && half < maxCode + 1.)
    {
      // Without a branch: negative halves are truncated up as often as not.
      const auto truncated = static_cast<std::int64_t>(half);
      code = static_cast<double>(truncated - static_cast<std::int64_t>(static_cast<double>(truncated) > half));
    }
    else
    {
      code = std::floor(half);
      if (code > maxCode || code < minCode)
      {
        ++clipped;
        code = std::clamp(code, minCode, maxCode);
      }
    }
    values[i] = code * step;
    // Left-justified, as libsndfile takes 32-bit integers for every integer width.
    codes[i] = static_cast<std::int32_t>(static_cast<std::int64_t>(code) * (std::int64_t{1} << shift));
  };
  std::size_t i = 0;
#ifdef QUENMARK_QUANTIZE_SSE2
  if constexpr (!kDither)
  {
    // The same steps two at a time. Every code of every width fits 32 bits, so the
    // packed 32-bit conversions give what the scalar 64-bit ones give; a pair with a
    // value out of range goes the scalar way.
    const __m128d vScale = _mm_set1_pd(scale), vHalf = _mm_set1_pd(0.5), vMin = _mm_set1_pd(minCode);
    const __m128d vLimit = _mm_set1_pd(maxCode + 1.), vStep = _mm_set1_pd(step), vOne = _mm_set1_pd(1.);
    const __m128i vShift = _mm_cvtsi32_si128(shift);
    for (; i + 2 <= count; i += 2)
    {
      const __m128d half = _mm_add_pd(_mm_mul_pd(_mm_loadu_pd(values + i), vScale), vHalf);
      if (_mm_movemask_pd(_mm_and_pd(_mm_cmpge_pd(half, vMin), _mm_cmplt_pd(half, vLimit))) != 3)
      {
        one(i);
        one(i + 1);
        continue;
      }
      const __m128d truncated = _mm_cvtepi32_pd(_mm_cvttpd_epi32(half));
      const __m128d code = _mm_sub_pd(truncated, _mm_and_pd(_mm_cmpgt_pd(truncated, half), vOne));
      _mm_storeu_pd(values + i, _mm_mul_pd(code, vStep));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(codes + i), _mm_sll_epi32(_mm_cvttpd_epi32(code), vShift));
    }
  }
#endif
  for (; i < count; ++i)
    one(i);
  return clipped;
}

std::uint64_t seedFromAudio(const double* interleaved, std::size_t count, std::uint64_t salt) noexcept
{
  // FNV-1a over the samples' bytes.
  std::uint64_t hash = 0xCBF29CE484222325ull ^ salt;
  for (std::size_t i = 0; i < count; ++i)
  {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &interleaved[i], sizeof(bits));
    for (int b = 0; b < 8; ++b)
    {
      hash ^= (bits >> (8 * b)) & 0xFFu;
      hash *= 0x100000001B3ull;
    }
  }
  return hash;
}
} // namespace quenmark
