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
    mData = makeLargeArray<double>(static_cast<std::size_t>(wanted > 0 ? wanted : 1)); // zero-initialised
  mLength = wanted;
  mWriteIndex = 0;
  mAllocated = true;
}

void RMSBuffer::clear(int32_t length)
{
  if (isAllocated() && this->length() == std::max(length, 0))
    rewind();
  else
    allocate(length);
  mWrapped = false;
  mSquares = {};
}

double RMSBuffer::fullSumOfSquares() const
{
  const double* values = data();
  const int32_t written = mWrapped ? length() : writeIndex();
  double sum = 0.0;
  for (int32_t i = 0; i < written; ++i)
    sum += values[i] * values[i];
  return sum;
}

void RMSBuffer::resum()
{
  const CompensatedSum total = compensatedSumOfSquares(data(), length());
  mSquares.sum = total.sum;
  mSquares.compensation = total.compensation;
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
