#include "BenchReport.h"

#include <cstdio>
#include <map>

namespace
{
// Keeps every run's nanoseconds per frame while the console reporter prints as usual.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
  void ReportRuns(const std::vector<Run>& runs) override
  {
    // With repetitions the median is taken; a single run stands for itself.
    for (const Run& run : runs)
    {
      const auto counter = run.counters.find("frames/s");
      if (counter == run.counters.end() || counter->second.value <= 0.0)
        continue;
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (single || median)
        nsPerFrame[run.run_name.function_name] = 1e9 / counter->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  std::map<std::string, double> nsPerFrame;
};
}

int runWithRatios(int argc, char** argv, const std::vector<RatioTarget>& targets, bool failOnMiss)
{
  return runWithRatios(argc, argv, targets, {}, failOnMiss);
}

int runWithRatios(int argc, char** argv, const std::vector<RatioTarget>& targets,
                  const std::vector<TimeBudget>& budgets, bool failOnMiss)
{
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  int missed = 0;
  std::printf("\n%-44s %12s %12s %8s %8s\n", "case", "ns/frame", "floor", "ratio", "target");
  for (const RatioTarget& t : targets)
  {
    const auto c = reporter.nsPerFrame.find(t.caseName);
    const auto f = reporter.nsPerFrame.find(t.floorName);
    if (c == reporter.nsPerFrame.end() || f == reporter.nsPerFrame.end())
      continue; // filtered out of this run
    const double ratio = c->second / f->second;
    const bool ok = t.maxRatio <= 0.0 || ratio <= t.maxRatio;
    missed += ok ? 0 : 1;
    if (t.maxRatio > 0.0)
      std::printf("%-44s %12.3f %12.3f %8.2f %7.2fx%s\n", t.caseName.c_str(), c->second, f->second, ratio, t.maxRatio,
                  ok ? "" : "  MISSED");
    else
      std::printf("%-44s %12.3f %12.3f %8.2f %8s\n", t.caseName.c_str(), c->second, f->second, ratio, "-");
  }
  std::printf("%d of %zu ratios missed their target\n", missed, targets.size());
  if (!budgets.empty())
  {
    int over = 0;
    std::printf("\n%-44s %12s %12s  %s\n", "case", "ns/frame", "budget", "meaning");
    for (const TimeBudget& b : budgets)
    {
      const auto c = reporter.nsPerFrame.find(b.caseName);
      if (c == reporter.nsPerFrame.end())
        continue;
      const bool ok = c->second <= b.maxNsPerFrame;
      over += ok ? 0 : 1;
      std::printf("%-44s %12.1f %12.1f  %s%s\n", b.caseName.c_str(), c->second, b.maxNsPerFrame, b.meaning.c_str(),
                  ok ? "" : "  MISSED");
    }
    std::printf("%d of %zu budgets missed\n", over, budgets.size());
    missed += over;
  }
  benchmark::Shutdown();
  return failOnMiss && missed ? 1 : 0;
}
