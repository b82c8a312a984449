#include "WDL/IPlug/IPlugChannels.h"

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define IPLUG_CONVERT_SSE2 1
#endif

#include <algorithm>

namespace
{
// 32-bit host samples to and from the 64-bit samples the plug-in processes; two samples
// per instruction on x86-64, where these conversions are a whole pass over every block.
void ConvertToDouble(const float* source, double* destination, int count)
{
  int i = 0;
#ifdef IPLUG_CONVERT_SSE2
  for (; i + 4 <= count; i += 4)
  {
    const __m128 four = _mm_loadu_ps(source + i);
    _mm_storeu_pd(destination + i, _mm_cvtps_pd(four));
    _mm_storeu_pd(destination + i + 2, _mm_cvtps_pd(_mm_movehl_ps(four, four)));
  }
#endif
  for (; i < count; ++i)
    destination[i] = static_cast<double>(source[i]);
}

void ConvertToFloat(const double* source, float* destination, int count)
{
  int i = 0;
#ifdef IPLUG_CONVERT_SSE2
  for (; i + 4 <= count; i += 4)
  {
    const __m128 low = _mm_cvtpd_ps(_mm_loadu_pd(source + i));
    const __m128 high = _mm_cvtpd_ps(_mm_loadu_pd(source + i + 2));
    _mm_storeu_ps(destination + i, _mm_movelh_ps(low, high));
  }
#endif
  for (; i < count; ++i)
    destination[i] = static_cast<float>(source[i]);
}
}

double* InputChannelSlot::ConvertChunk(int offsetFrames, int frames)
{
  double* samples = scratch.data();
  int converted = 0;
  if (connected && host32 != nullptr)
  {
    // Never read past what the host said its buffer holds.
    converted = std::clamp(host32Frames - offsetFrames, 0, frames);
    ConvertToDouble(host32 + offsetFrames, samples, converted);
  }
  // A disconnected channel reads silence every block, even after the plug-in processed
  // its previous input in place.
  std::fill(samples + converted, samples + frames, 0.0);
  return samples;
}

void OutputChannelSlot::ConvertChunk(int offsetFrames, int frames)
{
  ConvertToFloat(scratch.data(), destination32 + offsetFrames, frames);
}

void OutputChannelSlot::WriteSilence(int frames)
{
  if (!connected || frames <= 0)
    return;
  if (host64 != nullptr)
    std::fill(host64, host64 + frames, 0.0);
  else if (destination32 != nullptr)
    std::fill(destination32, destination32 + frames, 0.0f);
}
