#include "product/Readouts.h"

#include <cstdio>

namespace
{
std::string format(const char* pattern, double value)
{
  char text[32];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}
}

std::string Readouts::LevelText(double level)
{
  return level > kInfinityThresholdDb ? format("%+2.1f", level) : "-INF";
}

std::string Readouts::UnitText(int measure, double level)
{
  if (!(level > kInfinityThresholdDb))
    return "";
  switch (measure)
  {
  case 0: return "dBFS";
  case 1: return "VU";
  case 2: return "RMS";
  default: return "LUFS";
  }
}

std::string Readouts::GainText(double gainDb)
{
  return gainDb > kInfinityThresholdDb ? format("%+2.1f dB", gainDb) : "-INF";
}
