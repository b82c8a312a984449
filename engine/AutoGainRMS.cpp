#include "engine/AutoGainRMS.h"

#include "engine/Decibels.h"

#include <algorithm>
#include <cmath>

void AutoGainRMS::setSampleRate(int32_t rate)
{
  mRate = rate;
  mLastRms = 0.0;
}

void AutoGainRMS::reset()
{
  // rate x 600 as a 32-bit integer, the division in double: 26460 at 44100 Hz.
  const int32_t scaled = static_cast<int32_t>(static_cast<int64_t>(mRate) * kWindowMilliseconds);
  mWindow.clear(static_cast<int32_t>(scaled / 1000.0));
  mLastRms = 0.0;
}

double AutoGainRMS::measure(const double* const* channels, int frames)
{
  if (channelCount == 2)
  {
    mWindow.pushStereoPeaks(channels[0], channels[1], frames);
  }
  else
  {
    const int count = channelCount;
    mWindow.push(frames, [channels, count](int i) {
      double peak = 0.0;
      for (int c = 0; c < count; ++c)
        peak = std::max(peak, measuredMagnitude(channels[c][i]));
      return peak;
    });
  }
  const int32_t length = mWindow.length();
  mLastRms = length > 0 ? std::sqrt(mWindow.sumOfSquares() / length) : 0.0;
  return Decibels::fromLinear(std::fabs(mLastRms));
}
