#pragma once

#include "BenchReport.h"

#include "engine/AudioPlugin.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// What the engine benchmarks share: the programme they run and the engine as a host's
// analysis sets it up, run block by block over it.
namespace EngineRun
{
constexpr int kRate = 48000;
// Frames per iteration: enough audio per iteration that timer overhead is negligible.
constexpr int kFramesPerIteration = 8192;
constexpr double kTargetDb = -23.0;
constexpr double kGateDb = -60.0;

// Pink-ish programme: deterministic noise through a one-pole low-pass.
struct Programme
{
  explicit Programme(int frames = kFramesPerIteration)
      : left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames))
  {
    uint64_t state = 12345;
    double lpL = 0.0, lpR = 0.0;
    for (int i = 0; i < frames; ++i)
    {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      const double a = static_cast<double>(state >> 11) * (2.0 / 9007199254740992.0) - 1.0;
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      const double b = static_cast<double>(state >> 11) * (2.0 / 9007199254740992.0) - 1.0;
      lpL = 0.9 * lpL + 0.1 * a;
      lpR = 0.9 * lpR + 0.1 * b;
      left[static_cast<size_t>(i)] = 0.5 * lpL;
      right[static_cast<size_t>(i)] = 0.5 * lpR;
    }
  }
  std::vector<double> left, right;
};

// Every case times its own iterations (registered with registerCase): the blocks are
// timed, and what an iteration needs before the next one (the programme copied in again)
// is done outside that time without pausing the timer. A paused timer reads the thread's
// processor time, a system call each iteration, which on a virtual machine made the
// short cases' ratios wander from one run to the next.
template <class Work>
void timeIteration(benchmark::State& state, Work&& work)
{
  const auto started = std::chrono::steady_clock::now();
  work();
  benchmark::ClobberMemory();
  state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
}

template <class Case>
benchmark::internal::Benchmark* registerCase(const std::string& name, Case&& run)
{
  return benchmark::RegisterBenchmark(name.c_str(), std::forward<Case>(run))->UseManualTime();
}

inline void setUpEngine(AudioPlugin& engine, int blockFrames, int measure, bool analyse)
{
  engine.prepare(kRate, blockFrames, 1);
  engine.setTargetLevel(kTargetDb);
  engine.setGate(kGateDb);
  engine.setMeasure(measure);
  engine.setApplyGain(true);
  engine.setAnalyze(analyse);
}

// Runs the engine over the programme, block by block, in place. The programme is
// copied in again between iterations, outside the timing, so the measured work is the
// engine's.
inline void runEngine(benchmark::State& state, AudioPlugin& engine, int blockFrames)
{
  const Programme source;
  Programme work = source;
  for (auto _ : state)
  {
    timeIteration(state, [&] {
      for (int start = 0; start + blockFrames <= kFramesPerIteration; start += blockFrames)
      {
        double* channels[2] = {work.left.data() + start, work.right.data() + start};
        engine.processBlock(channels, blockFrames);
      }
    });
    work = source;
  }
  setFramesPerIteration(state, kFramesPerIteration / blockFrames * blockFrames);
}

// A host's engine: the whole iteration's stereo input and output buffers in the host's
// sample type, handed to block(inputs, outputs) block by block. The programme is copied
// in again between iterations, outside the timing.
template <class Sample, class Block>
void runHostBlocks(benchmark::State& state, int blockFrames, Block&& block)
{
  const Programme source;
  std::vector<std::vector<Sample>> in(2, std::vector<Sample>(kFramesPerIteration));
  std::vector<std::vector<Sample>> out(2, std::vector<Sample>(kFramesPerIteration));
  auto refill = [&] {
    for (std::size_t i = 0; i < source.left.size(); ++i)
    {
      in[0][i] = static_cast<Sample>(source.left[i]);
      in[1][i] = static_cast<Sample>(source.right[i]);
    }
  };
  refill();
  for (auto _ : state)
  {
    timeIteration(state, [&] {
      for (int start = 0; start + blockFrames <= kFramesPerIteration; start += blockFrames)
      {
        Sample* inputs[2] = {in[0].data() + start, in[1].data() + start};
        Sample* outputs[2] = {out[0].data() + start, out[1].data() + start};
        block(inputs, outputs);
      }
    });
    refill();
  }
  setFramesPerIteration(state, kFramesPerIteration / blockFrames * blockFrames);
}

// The bundle benchmarks' measures: the costliest and the cheapest detector.
struct Measure
{
  int index;
  const char* name;
};
constexpr Measure kMeasures[] = {{4, "integrated"}, {0, "peak"}};

// The engine alone, analysing with measure and applying the gain: the floor the bundle
// benchmarks are compared with.
inline void runAnalysingEngine(benchmark::State& state, int blockFrames, int measure)
{
  AudioPlugin engine;
  setUpEngine(engine, blockFrames, measure, true);
  runEngine(state, engine, blockFrames);
}

// "<family>/<measure>/<block>"
inline std::string caseName(const std::string& family, const char* measure, int block)
{
  return family + "/" + measure + "/" + std::to_string(block);
}
}
