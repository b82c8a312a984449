#include "engine/CompensatedSum.h"

#include "engine/ProcessorFeatures.h"

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define QUENMARK_SUM_SSE2 1
#endif
#ifdef QUENMARK_X86_FEATURES
#include <immintrin.h>
#endif

namespace
{
// Four independent lanes of two-sum (lane j takes the values j, j + 4, j + 8, ...),
// combined exactly at the end; with kSquares each value is squared first. The zero count
// is of the values. `done` is where the lanes stopped: the rest goes to lane 0.
struct Lanes
{
  double sums[4] = {0.0, 0.0, 0.0, 0.0};
  double errors[4] = {0.0, 0.0, 0.0, 0.0};
  int32_t zeros = 0;
  int done = 0;
};

constexpr int32_t kBitsSet[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

#ifdef QUENMARK_SUM_SSE2
// The four lanes in two SSE2 registers.
template <bool kSquares> void sumLanesSse2(const double* values, int count, Lanes& lanes)
{
  __m128d sumA = _mm_setzero_pd(), sumB = _mm_setzero_pd();
  __m128d errA = _mm_setzero_pd(), errB = _mm_setzero_pd();
  const __m128d zero = _mm_setzero_pd();
  auto lane = [](__m128d& sum, __m128d& err, __m128d x) {
    const __m128d term = kSquares ? _mm_mul_pd(x, x) : x;
    const __m128d next = _mm_add_pd(sum, term);
    const __m128d virtualTerm = _mm_sub_pd(next, sum);
    err = _mm_add_pd(err, _mm_add_pd(_mm_sub_pd(sum, _mm_sub_pd(next, virtualTerm)),
                                     _mm_sub_pd(term, virtualTerm)));
    sum = next;
  };
  int i = 0;
  for (; i + 4 <= count; i += 4)
  {
    const __m128d a = _mm_loadu_pd(values + i);
    const __m128d b = _mm_loadu_pd(values + i + 2);
    lane(sumA, errA, a);
    lane(sumB, errB, b);
    const int zeroMask = _mm_movemask_pd(_mm_cmpeq_pd(a, zero)) | (_mm_movemask_pd(_mm_cmpeq_pd(b, zero)) << 2);
    lanes.zeros += kBitsSet[zeroMask];
  }
  _mm_storeu_pd(lanes.sums, sumA);
  _mm_storeu_pd(lanes.sums + 2, sumB);
  _mm_storeu_pd(lanes.errors, errA);
  _mm_storeu_pd(lanes.errors + 2, errB);
  lanes.done = i;
}
#endif

#ifdef QUENMARK_X86_FEATURES
// The same four lanes in one AVX register, on processors that have it: the same
// operations on the same values, so the same sums to the bit, in half the instructions.
template <bool kSquares> __attribute__((target("avx"))) void sumLanesAvx(const double* values, int count, Lanes& lanes)
{
  __m256d sum = _mm256_setzero_pd(), err = _mm256_setzero_pd();
  const __m256d zero = _mm256_setzero_pd();
  int i = 0;
  for (; i + 4 <= count; i += 4)
  {
    const __m256d x = _mm256_loadu_pd(values + i);
    const __m256d term = kSquares ? _mm256_mul_pd(x, x) : x;
    const __m256d next = _mm256_add_pd(sum, term);
    const __m256d virtualTerm = _mm256_sub_pd(next, sum);
    err = _mm256_add_pd(err, _mm256_add_pd(_mm256_sub_pd(sum, _mm256_sub_pd(next, virtualTerm)),
                                           _mm256_sub_pd(term, virtualTerm)));
    sum = next;
    lanes.zeros += kBitsSet[_mm256_movemask_pd(_mm256_cmp_pd(x, zero, _CMP_EQ_OQ))];
  }
  _mm256_storeu_pd(lanes.sums, sum);
  _mm256_storeu_pd(lanes.errors, err);
  lanes.done = i;
}
#endif

template <bool kSquares> CompensatedSum compensatedSumOfTerms(const double* values, int count)
{
  Lanes lanes;
#ifdef QUENMARK_X86_FEATURES
  if (processor::uses(processor::Extension::avx))
    sumLanesAvx<kSquares>(values, count, lanes);
  else
#endif
  {
#ifdef QUENMARK_SUM_SSE2
    sumLanesSse2<kSquares>(values, count, lanes);
#endif
  }
  for (int i = lanes.done; i < count; ++i)
  {
    const double term = kSquares ? values[i] * values[i] : values[i];
    const double next = lanes.sums[0] + term;
    lanes.errors[0] += CompensatedSum::twoSumError(lanes.sums[0], term, next);
    lanes.sums[0] = next;
    lanes.zeros += values[i] == 0.0;
  }
  double sum = lanes.sums[0];
  double compensation = lanes.errors[0];
  for (int l = 1; l < 4; ++l)
  {
    const double next = sum + lanes.sums[l];
    compensation += CompensatedSum::twoSumError(sum, lanes.sums[l], next) + lanes.errors[l];
    sum = next;
  }
  return {sum, compensation, count - lanes.zeros};
}
} // namespace

CompensatedSum compensatedSumOf(const double* values, int count) { return compensatedSumOfTerms<false>(values, count); }

CompensatedSum compensatedSumOfSquares(const double* values, int count)
{
  return compensatedSumOfTerms<true>(values, count);
}
