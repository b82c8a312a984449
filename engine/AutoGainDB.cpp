#include "engine/AutoGainDB.h"

#include "engine/Decibels.h"

#include <algorithm>

double AutoGainDB::measure(const double* const* channels, int frames)
{
  // Four running maxima, so the comparisons do not form one serial chain.
  double peak[4] = {0.0, 0.0, 0.0, 0.0};
  for (int c = 0; c < channelCount; ++c)
  {
    const double* samples = channels[c];
    int i = 0;
    for (; i + 4 <= frames; i += 4)
      for (int lane = 0; lane < 4; ++lane)
        peak[lane] = std::max(peak[lane], measuredMagnitude(samples[i + lane]));
    for (; i < frames; ++i)
      peak[0] = std::max(peak[0], measuredMagnitude(samples[i]));
  }
  return Decibels::fromLinear(std::max(std::max(peak[0], peak[1]), std::max(peak[2], peak[3])));
}
