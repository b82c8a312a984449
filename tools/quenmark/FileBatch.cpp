#include "tools/quenmark/FileBatch.h"

#include "tools/quenmark/SoundFile.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

namespace quenmark
{
void runTasks(std::size_t count, int jobs, const std::function<void(std::size_t)>& task)
{
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    for (std::size_t index = next++; index < count; index = next++)
      task(index);
  };
  const std::size_t threads = std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), count);
  if (threads <= 1)
  {
    worker();
    return;
  }
  std::vector<std::thread> pool;
  for (std::size_t t = 0; t < threads; ++t)
    pool.emplace_back(worker);
  for (std::thread& thread : pool)
    thread.join();
}

int runBatch(const Options& options, const std::vector<std::string>& inputs, const BatchPlan& plan,
             const std::function<FileReport(std::size_t index, ProgressBar& progress)>& work, std::ostream& out,
             std::ostream& err)
{
  // The bar's total comes from the files' headers; a file that cannot be opened counts
  // nothing here and fails in its turn.
  std::int64_t totalFrames = 0;
  double totalSeconds = 0.;
  for (const std::string& input : inputs)
  {
    try
    {
      SoundFileReader reader(input);
      totalFrames += reader.frames() * plan.passesPerFile;
      totalSeconds += reader.seconds() * plan.passesPerFile;
    }
    catch (const ToolError&)
    {
    }
  }
  ProgressBar progress(plan.progressLabel, totalFrames, totalSeconds, static_cast<int>(inputs.size()),
                       !options.quiet);
  Reporter reporter(options, inputs.size(), plan.batch || inputs.size() > 1, plan.csvColumns, out, err, progress);
  runTasks(inputs.size(), options.jobs, [&](std::size_t index) {
    FileReport report;
    try
    {
      report = work(index, progress);
    }
    catch (const ToolError& error)
    {
      report.error = error;
    }
    catch (const std::exception& error)
    {
      report.error = ToolError(kExitFailure, error.what());
    }
    report.input = inputs[index];
    progress.fileDone();
    reporter.deliver(index, std::move(report));
  });
  return reporter.finish();
}
} // namespace quenmark
