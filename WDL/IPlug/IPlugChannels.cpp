#include "WDL/IPlug/IPlugChannels.h"

#include <algorithm>

double* InputChannelSlot::PrepareChunk(int offsetFrames, int frames)
{
  if (connected && host64 != nullptr)
    return host64 + offsetFrames;

  double* samples = scratch.data();
  int converted = 0;
  if (connected && host32 != nullptr)
  {
    // Never read past what the host said its buffer holds.
    converted = std::clamp(host32Frames - offsetFrames, 0, frames);
    const float* source = host32 + offsetFrames;
    for (int i = 0; i < converted; ++i)
      samples[i] = static_cast<double>(source[i]);
  }
  // A disconnected channel reads silence every block, even after the plug-in processed
  // its previous input in place.
  std::fill(samples + converted, samples + frames, 0.0);
  return samples;
}

void InputChannelSlot::Unbind()
{
  host64 = nullptr;
  host32 = nullptr;
  host32Frames = 0;
}

double* OutputChannelSlot::PrepareChunk(int offsetFrames, int frames)
{
  (void)frames;
  if (connected && host64 != nullptr)
    return host64 + offsetFrames;
  return scratch.data();
}

void OutputChannelSlot::FinishChunk(int offsetFrames, int frames)
{
  if (!connected || host64 != nullptr || destination32 == nullptr)
    return;
  float* destination = destination32 + offsetFrames;
  const double* samples = scratch.data();
  for (int i = 0; i < frames; ++i)
    destination[i] = static_cast<float>(samples[i]);
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

void OutputChannelSlot::Unbind()
{
  host64 = nullptr;
  destination32 = nullptr;
}
