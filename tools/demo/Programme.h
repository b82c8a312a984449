#pragma once

#include <vector>

// The embedded default programme: stereo pink noise whose level steps between -30 and
// -12 dBFS (sample peak) every two seconds, deterministic, at any sample rate.
struct Programme
{
  std::vector<double> left;
  std::vector<double> right;
  int sampleRate = 48000;

  int frames() const { return static_cast<int>(left.size()); }
};

Programme MakeDefaultProgramme(int sampleRate = 48000, double seconds = 20.0);
