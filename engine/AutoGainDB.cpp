#include "engine/AutoGainDB.h"

#include "engine/Decibels.h"

#include <algorithm>

double AutoGainDB::measure(const double* const* channels, int frames)
{
  double peak = 0.0;
  for (int c = 0; c < channelCount; ++c)
  {
    const double* samples = channels[c];
    for (int i = 0; i < frames; ++i)
      peak = std::max(peak, measuredMagnitude(samples[i]));
  }
  return Decibels::fromLinear(peak);
}
