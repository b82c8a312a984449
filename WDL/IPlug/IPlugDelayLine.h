#pragma once

#include <vector>

// Delays each channel by a fixed number of frames; used on the bypass path of a
// plug-in whose processing has latency, so bypassed audio stays aligned with processed
// audio. Sized outside the audio thread; Push never allocates.
class BypassDelayLine
{
public:
  // channels < 0 and delayFrames < 0 count as 0.
  BypassDelayLine(int channels, int delayFrames);

  // Replaces the delay and clears the stored samples. Allocates.
  void Resize(int delayFrames);
  void Clear();

  int Channels() const { return mChannels; }
  int DelayFrames() const { return mDelayFrames; }

  // [audio thread] Stores input for channel and returns the sample stored delayFrames
  // pushes ago on that channel (zeros until the line is full). With delay 0, or a
  // channel outside the line, returns input unchanged.
  double Push(int channel, double input);

private:
  int mChannels = 0;
  int mDelayFrames = 0;
  std::vector<double> mSamples;  // mChannels rings of mDelayFrames samples each
  std::vector<int> mPositions;   // next read-and-write index of each ring
};
