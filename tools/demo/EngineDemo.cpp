// Runs the loudness engine over the embedded programme with each of the six measures:
// an analysis pass in Standard mode (target -23, gate -60), then a pass with "Normalize"
// on and "Analyze" off, and measures the output independently.
#include "tools/demo/Programme.h"

#include "engine/AudioPlugin.h"
#include "engine/Decibels.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
constexpr int kBlockFrames = 512;
constexpr double kTargetLevel = -23.0;
constexpr double kGateLevel = -60.0;
const char* const kMeasureNames[] = {"dBFS", "VU (-18)", "RMS", "LUFS Mom.", "LUFS Int.", "LUFS Shrt."};

void runPass(AudioPlugin& engine, Programme& audio)
{
  for (int start = 0; start < audio.frames(); start += kBlockFrames)
  {
    double* channels[2] = {audio.left.data() + start, audio.right.data() + start};
    engine.processBlock(channels, std::min(kBlockFrames, audio.frames() - start));
  }
}

struct Measured
{
  double peakDbfs;
  double integratedLufs;
};

Measured measureIndependently(const Programme& audio)
{
  double peak = 0.0;
  ebur128_state* state = ebur128_init(2, static_cast<unsigned long>(audio.sampleRate), EBUR128_MODE_I);
  std::vector<double> frame(2 * static_cast<size_t>(audio.frames()));
  for (int i = 0; i < audio.frames(); ++i)
  {
    frame[2 * static_cast<size_t>(i)] = audio.left[static_cast<size_t>(i)];
    frame[2 * static_cast<size_t>(i) + 1] = audio.right[static_cast<size_t>(i)];
    peak = std::max({peak, std::fabs(audio.left[static_cast<size_t>(i)]), std::fabs(audio.right[static_cast<size_t>(i)])});
  }
  ebur128_add_frames_double(state, frame.data(), static_cast<size_t>(audio.frames()));
  double integrated = 0.0;
  ebur128_loudness_global(state, &integrated);
  ebur128_destroy(&state);
  return {Decibels::fromLinear(peak), integrated};
}
}

int main()
{
  const Programme source = MakeDefaultProgramme();
  const Measured input = measureIndependently(source);
  std::printf("Programme: %.0f s of stereo pink noise stepping between -30 and -12 dBFS peak, %d Hz\n",
              source.frames() / static_cast<double>(source.sampleRate), source.sampleRate);
  std::printf("Input: peak %+.2f dBFS, integrated %+.2f LUFS\n", input.peakDbfs, input.integratedLufs);
  std::printf("Standard mode, target %.0f, gate %.0f: analysis pass, then Normalize on and Analyze off\n\n",
              kTargetLevel, kGateLevel);
  std::printf("%-11s %15s %12s %18s %20s\n", "measure", "measured level", "gain (dB)", "output peak (dBFS)",
              "output integ. (LUFS)");
  for (int measure = 0; measure < AudioPlugin::kMeasureCount; ++measure)
  {
    AudioPlugin engine;
    engine.prepare(source.sampleRate, kBlockFrames, 1);
    engine.setTargetLevel(kTargetLevel);
    engine.setGate(kGateLevel);
    engine.setMeasure(measure);
    engine.setApplyGain(false);
    engine.setAnalyze(true);

    Programme analysis = source;
    runPass(engine, analysis);
    const double level = engine.maxLevel();
    engine.setAnalyze(false);
    engine.setApplyGain(true);

    Programme output = source;
    runPass(engine, output);
    const Measured out = measureIndependently(output);
    std::printf("%-11s %15.2f %+12.2f %18.2f %20.2f\n", kMeasureNames[measure], level,
                Decibels::fromLinear(engine.gain()), out.peakDbfs, out.integratedLufs);
  }
  return 0;
}
