#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

// Runs the registered benchmarks and prints, after Google Benchmark's own table, each
// case's cost per frame as a ratio to a floor measured in the same run, with its target.
// Ratios hold on a noisy machine where absolute times do not.
struct RatioTarget
{
  std::string caseName;   // benchmark name, e.g. "Engine/peak/512"
  std::string floorName;  // the floor it is compared with
  double maxRatio;        // target; 0 prints the ratio without a target
};

// An absolute limit for targets stated in time (a frame budget, a latency): checked on
// the same run's nanoseconds per frame.
struct TimeBudget
{
  std::string caseName;
  double maxNsPerFrame;
  std::string meaning; // e.g. "30 passes a second within 1 % of a core"
};

// Returns the process exit code: 0, or 1 when a ratio misses its target and
// `failOnMiss` is set.
int runWithRatios(int argc, char** argv, const std::vector<RatioTarget>& targets, bool failOnMiss = false);
// The same, then each budget with the measured time against its limit.
int runWithRatios(int argc, char** argv, const std::vector<RatioTarget>& targets,
                  const std::vector<TimeBudget>& budgets, bool failOnMiss = false);

// The counter every benchmark sets: stereo frames per iteration, reported as frames per
// second; the ratios are taken on its inverse, nanoseconds per frame.
inline void setFramesPerIteration(benchmark::State& state, double frames)
{
  state.counters["frames/s"] = benchmark::Counter(frames, benchmark::Counter::kIsIterationInvariantRate);
}
