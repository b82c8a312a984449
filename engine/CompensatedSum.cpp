#include "engine/CompensatedSum.h"

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define QUENMARK_SUM_SSE2 1
#endif

namespace
{
// Four independent lanes (two SSE2 registers on x86-64) of two-sum, combined exactly at
// the end; with kSquares each value is squared first. The zero count is of the values.
template <bool kSquares> CompensatedSum compensatedSumOfTerms(const double* values, int count)
{
  int i = 0;
  double sums[4] = {0.0, 0.0, 0.0, 0.0};
  double errors[4] = {0.0, 0.0, 0.0, 0.0};
  int32_t zeros = 0;
#ifdef QUENMARK_SUM_SSE2
  __m128d sumA = _mm_setzero_pd(), sumB = _mm_setzero_pd();
  __m128d errA = _mm_setzero_pd(), errB = _mm_setzero_pd();
  const __m128d zero = _mm_setzero_pd();
  static constexpr int32_t kBitsSet[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};
  auto lane = [](__m128d& sum, __m128d& err, __m128d x) {
    const __m128d term = kSquares ? _mm_mul_pd(x, x) : x;
    const __m128d next = _mm_add_pd(sum, term);
    const __m128d virtualTerm = _mm_sub_pd(next, sum);
    err = _mm_add_pd(err, _mm_add_pd(_mm_sub_pd(sum, _mm_sub_pd(next, virtualTerm)),
                                     _mm_sub_pd(term, virtualTerm)));
    sum = next;
  };
  for (; i + 4 <= count; i += 4)
  {
    const __m128d a = _mm_loadu_pd(values + i);
    const __m128d b = _mm_loadu_pd(values + i + 2);
    lane(sumA, errA, a);
    lane(sumB, errB, b);
    const int zeroMask = _mm_movemask_pd(_mm_cmpeq_pd(a, zero)) | (_mm_movemask_pd(_mm_cmpeq_pd(b, zero)) << 2);
    zeros += kBitsSet[zeroMask];
  }
  _mm_storeu_pd(sums, sumA);
  _mm_storeu_pd(sums + 2, sumB);
  _mm_storeu_pd(errors, errA);
  _mm_storeu_pd(errors + 2, errB);
#endif
  for (; i < count; ++i)
  {
    const double term = kSquares ? values[i] * values[i] : values[i];
    const double next = sums[0] + term;
    errors[0] += CompensatedSum::twoSumError(sums[0], term, next);
    sums[0] = next;
    zeros += values[i] == 0.0;
  }
  double sum = sums[0];
  double compensation = errors[0];
  for (int l = 1; l < 4; ++l)
  {
    const double next = sum + sums[l];
    compensation += CompensatedSum::twoSumError(sum, sums[l], next) + errors[l];
    sum = next;
  }
  return {sum, compensation, count - zeros};
}
}

CompensatedSum compensatedSumOf(const double* values, int count) { return compensatedSumOfTerms<false>(values, count); }

CompensatedSum compensatedSumOfSquares(const double* values, int count)
{
  return compensatedSumOfTerms<true>(values, count);
}
