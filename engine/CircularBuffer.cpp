#include "engine/CircularBuffer.h"

#include "engine/AutoGainBase.h"

#include <algorithm>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define QUENMARK_RMS_SSE2 1
#endif

void CircularBuffer::allocate(int32_t length)
{
  const int32_t wanted = length > 0 ? length : 0;
  if (mAllocated && wanted == mLength)
    std::fill(mData.get(), mData.get() + mLength, 0.0); // a restart on the audio thread allocates nothing
  else
    mData = std::make_unique<double[]>(wanted > 0 ? wanted : 1); // zero-initialised
  mLength = wanted;
  mWriteIndex = 0;
  mAllocated = true;
}

void RMSBuffer::clear(int32_t length)
{
  allocate(length);
  mSum = 0.0;
  mCompensation = 0.0;
  mNonZero = 0;
}

double RMSBuffer::fullSumOfSquares() const
{
  const double* values = data();
  double sum = 0.0;
  for (int32_t i = 0; i < length(); ++i)
    sum += values[i] * values[i];
  return sum;
}

void RMSBuffer::resum()
{
  const CompensatedSum total = compensatedSumOfSquares(data(), length());
  mSum = total.sum;
  mCompensation = total.compensation;
}

RMSBuffer::CompensatedSum RMSBuffer::compensatedSumOfSquares(const double* values, int count)
{
  // Four independent lanes (two SSE2 registers on x86-64) of Knuth's two-sum, combined
  // exactly at the end.
  int i = 0;
  double sums[4] = {0.0, 0.0, 0.0, 0.0};
  double errors[4] = {0.0, 0.0, 0.0, 0.0};
  int32_t zeros = 0;
#ifdef QUENMARK_RMS_SSE2
  __m128d sumA = _mm_setzero_pd(), sumB = _mm_setzero_pd();
  __m128d errA = _mm_setzero_pd(), errB = _mm_setzero_pd();
  const __m128d zero = _mm_setzero_pd();
  static constexpr int32_t kBitsSet[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};
  auto lane = [](__m128d& sum, __m128d& err, __m128d x) {
    const __m128d square = _mm_mul_pd(x, x);
    const __m128d next = _mm_add_pd(sum, square);
    const __m128d virtualSquare = _mm_sub_pd(next, sum);
    err = _mm_add_pd(err, _mm_add_pd(_mm_sub_pd(sum, _mm_sub_pd(next, virtualSquare)),
                                     _mm_sub_pd(square, virtualSquare)));
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
    const double square = values[i] * values[i];
    const double next = sums[0] + square;
    errors[0] += twoSumError(sums[0], square, next);
    sums[0] = next;
    zeros += values[i] == 0.0;
  }
  double sum = sums[0];
  double compensation = errors[0];
  for (int l = 1; l < 4; ++l)
  {
    const double next = sum + sums[l];
    compensation += twoSumError(sum, sums[l], next) + errors[l];
    sum = next;
  }
  return {sum, compensation, count - zeros};
}

void RMSBuffer::writeStereoPeaks(double* slot, const double* left, const double* right, int count)
{
  int i = 0;
#ifdef QUENMARK_RMS_SSE2
  const __m128d magnitudeMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
  const __m128d largest = _mm_set1_pd(1.7976931348623157e308);
  auto measured = [&](__m128d x) {
    const __m128d magnitude = _mm_and_pd(x, magnitudeMask);
    return _mm_and_pd(magnitude, _mm_cmple_pd(magnitude, largest)); // NaN and infinity give 0
  };
  for (; i + 2 <= count; i += 2)
    _mm_storeu_pd(slot + i, _mm_max_pd(measured(_mm_loadu_pd(left + i)), measured(_mm_loadu_pd(right + i))));
#endif
  for (; i < count; ++i)
    slot[i] = std::max(measuredMagnitude(left[i]), measuredMagnitude(right[i]));
}
