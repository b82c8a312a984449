#include "WDL/IPlug/IPlugDelayLine.h"

#include <algorithm>
#include <cstddef>

BypassDelayLine::BypassDelayLine(int channels, int delayFrames)
  : mChannels(std::max(channels, 0))
{
  Resize(delayFrames);
}

void BypassDelayLine::Resize(int delayFrames)
{
  mDelayFrames = std::max(delayFrames, 0);
  mSamples.assign(static_cast<std::size_t>(mChannels) * static_cast<std::size_t>(mDelayFrames), 0.0);
  mPositions.assign(static_cast<std::size_t>(mChannels), 0);
}

void BypassDelayLine::Clear()
{
  std::fill(mSamples.begin(), mSamples.end(), 0.0);
  std::fill(mPositions.begin(), mPositions.end(), 0);
}

double BypassDelayLine::Push(int channel, double input)
{
  if (mDelayFrames == 0 || channel < 0 || channel >= mChannels)
    return input;
  int& position = mPositions[static_cast<std::size_t>(channel)];
  double& slot = mSamples[static_cast<std::size_t>(channel) * static_cast<std::size_t>(mDelayFrames) +
                          static_cast<std::size_t>(position)];
  const double delayed = slot;
  slot = input;
  if (++position == mDelayFrames)
    position = 0;
  return delayed;
}
