#include "engine/AutoGainDB.h"

#include "engine/Decibels.h"

#include <algorithm>
#include <cfloat>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define QUENMARK_PEAK_SSE2 1
#endif

double AutoGainDB::measure(const double* const* channels, int frames)
{
  // Four running maxima, so the comparisons do not form one serial chain. The maximum is
  // exact whatever the order, so the lanes change nothing in the reading.
  double peak[4] = {0.0, 0.0, 0.0, 0.0};
  for (int c = 0; c < channelCount; ++c)
  {
    const double* samples = channels[c];
    int i = 0;
#ifdef QUENMARK_PEAK_SSE2
    // measuredMagnitude four at a time: the sign cleared, and a non-finite value read as 0.
    const __m128d signBit = _mm_set1_pd(-0.0);
    const __m128d largest = _mm_set1_pd(DBL_MAX);
    __m128d peakA = _mm_loadu_pd(peak), peakB = _mm_loadu_pd(peak + 2);
    auto magnitude = [&](__m128d x) {
      const __m128d m = _mm_andnot_pd(signBit, x);
      return _mm_and_pd(m, _mm_cmple_pd(m, largest));
    };
    for (; i + 4 <= frames; i += 4)
    {
      peakA = _mm_max_pd(magnitude(_mm_loadu_pd(samples + i)), peakA);
      peakB = _mm_max_pd(magnitude(_mm_loadu_pd(samples + i + 2)), peakB);
    }
    _mm_storeu_pd(peak, peakA);
    _mm_storeu_pd(peak + 2, peakB);
#else
    for (; i + 4 <= frames; i += 4)
      for (int lane = 0; lane < 4; ++lane)
        peak[lane] = std::max(peak[lane], measuredMagnitude(samples[i + lane]));
#endif
    for (; i < frames; ++i)
      peak[0] = std::max(peak[0], measuredMagnitude(samples[i]));
  }
  return Decibels::fromLinear(std::max(std::max(peak[0], peak[1]), std::max(peak[2], peak[3])));
}
