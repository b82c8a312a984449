// Cost of the engine's block processing per stereo frame at 48 kHz, against floors
// measured in the same run: an in-place multiply of both channels by a constant, and
// libebur128's own cost of adding the same frames in whole blocks, without reading.
#include "BenchReport.h"
#include "EngineRun.h"

#include "engine/AudioPlugin.h"

#include <ebur128.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace
{
using namespace EngineRun;

constexpr int kBlockSizes[] = {32, 64, 512, 4096};

const char* const kMeasureNames[] = {"peak", "vu", "rms", "momentary", "integrated", "shortterm"};

void BM_Multiply(benchmark::State& state, int blockFrames)
{
  Programme work(kFramesPerIteration);
  double gain = 0.999999;
  for (auto _ : state)
  {
    timeIteration(state, [&] {
      for (int start = 0; start + blockFrames <= kFramesPerIteration; start += blockFrames)
      {
        double* left = work.left.data() + start;
        double* right = work.right.data() + start;
        for (int i = 0; i < blockFrames; ++i)
          left[i] *= gain;
        for (int i = 0; i < blockFrames; ++i)
          right[i] *= gain;
        benchmark::ClobberMemory();
      }
    });
    gain = 2.0 - gain; // keeps the samples bounded over many iterations
  }
  setFramesPerIteration(state, kFramesPerIteration / blockFrames * blockFrames);
}

void BM_FixedGain(benchmark::State& state, int blockFrames)
{
  AudioPlugin engine;
  setUpEngine(engine, blockFrames, AudioPlugin::kPeak, false);
  engine.setGainDb(-0.0001);
  runEngine(state, engine, blockFrames);
}

void BM_Analyse(benchmark::State& state, int blockFrames, int measure)
{
  AudioPlugin engine;
  setUpEngine(engine, blockFrames, measure, true);
  runEngine(state, engine, blockFrames);
}

// libebur128 alone: the same frames interleaved and added in one call per block to a
// state of the measure's mode, with no reading: the least a meter built on it costs.
void BM_LibraryAddOnly(benchmark::State& state, int blockFrames, int measure)
{
  const int mode = measure == AudioPlugin::kMomentary ? EBUR128_MODE_M
                   : measure == AudioPlugin::kShortTerm ? EBUR128_MODE_S
                                                        : EBUR128_MODE_I;
  ebur128_state* meter = ebur128_init(2, kRate, mode);
  Programme source(kFramesPerIteration);
  std::vector<double> interleaved(static_cast<size_t>(2 * blockFrames));
  for (auto _ : state)
  {
    timeIteration(state, [&] {
      for (int start = 0; start + blockFrames <= kFramesPerIteration; start += blockFrames)
      {
        for (int i = 0; i < blockFrames; ++i)
        {
          interleaved[static_cast<size_t>(2 * i)] = source.left[static_cast<size_t>(start + i)];
          interleaved[static_cast<size_t>(2 * i + 1)] = source.right[static_cast<size_t>(start + i)];
        }
        ebur128_add_frames_double(meter, interleaved.data(), static_cast<size_t>(blockFrames));
      }
    });
  }
  ebur128_destroy(&meter);
  setFramesPerIteration(state, kFramesPerIteration / blockFrames * blockFrames);
}

// The integrated measure after `seconds` of audio have passed through it since the
// analysis started: its cost per frame must not grow with the length of the history.
void BM_IntegratedAfter(benchmark::State& state, int seconds)
{
  constexpr int kBlock = 512;
  AudioPlugin engine;
  setUpEngine(engine, kBlock, AudioPlugin::kIntegrated, true);
  engine.setApplyGain(false);
  Programme history(kRate);
  for (int s = 0; s < seconds; ++s)
    for (int start = 0; start + kBlock <= kRate; start += kBlock)
    {
      double* channels[2] = {history.left.data() + start, history.right.data() + start};
      engine.processBlock(channels, kBlock);
    }
  runEngine(state, engine, kBlock);
}

std::string caseName(const std::string& family, int block) { return family + "/" + std::to_string(block); }
}

int main(int argc, char** argv)
{
  std::vector<RatioTarget> targets;
  for (int block : kBlockSizes)
  {
    registerCase(caseName("Floor/multiply", block), [block](benchmark::State& s) { BM_Multiply(s, block); });
    registerCase(caseName("Engine/fixedgain", block), [block](benchmark::State& s) { BM_FixedGain(s, block); });
    targets.push_back({caseName("Engine/fixedgain", block), caseName("Floor/multiply", block), 2.0});
    for (int m = 0; m < AudioPlugin::kMeasureCount; ++m)
    {
      const std::string name = caseName(std::string("Engine/") + kMeasureNames[m], block);
      registerCase(name, [block, m](benchmark::State& s) { BM_Analyse(s, block, m); });
      if (m <= AudioPlugin::kRMS)
        targets.push_back({name, caseName("Floor/multiply", block), m == AudioPlugin::kPeak ? 6.0 : 8.0});
      else
      {
        const std::string floor = caseName(std::string("Floor/ebur128-add-") + kMeasureNames[m], block);
        registerCase(floor, [block, m](benchmark::State& s) { BM_LibraryAddOnly(s, block, m); });
        targets.push_back({name, floor, 2.0});
      }
    }
  }
  registerCase("Engine/integrated-after-1min/512", [](benchmark::State& s) { BM_IntegratedAfter(s, 60); })->Iterations(200);
  registerCase("Engine/integrated-after-1h/512", [](benchmark::State& s) { BM_IntegratedAfter(s, 3600); })->Iterations(200);
  targets.push_back({"Engine/integrated-after-1h/512", "Floor/ebur128-add-integrated/512", 2.0});
  targets.push_back({"Engine/integrated-after-1h/512", "Engine/integrated-after-1min/512", 1.5});
  return runWithRatios(argc, argv, targets);
}
