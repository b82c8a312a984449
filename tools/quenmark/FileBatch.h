#pragma once

#include "tools/quenmark/Options.h"
#include "tools/quenmark/ProgressBar.h"
#include "tools/quenmark/Report.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// A command's files, worked on `jobs` at a time (each worker on its own thread with its
// own plug-in instances), reported in the order given; one failing file never stops the
// others.
namespace quenmark
{
struct BatchPlan
{
  std::string progressLabel;           // e.g. "normalizing"
  int passesPerFile = 1;               // for the progress bar: how often each file is read
  bool batch = false;                  // report as a batch even for one file (see Reporter)
  std::vector<std::string> csvColumns; // see Reporter
};

// Runs `work(index, progress)` for each of `inputs` and returns the exit code (see
// Reporter::finish). `work` fills the report of a file that succeeded and throws
// ToolError for one that failed.
int runBatch(const Options& options, const std::vector<std::string>& inputs, const BatchPlan& plan,
             const std::function<FileReport(std::size_t index, ProgressBar& progress)>& work, std::ostream& out,
             std::ostream& err);

// Runs task(0) .. task(count - 1) on up to `jobs` threads, each taking the next index
// when it is free. Tasks must not throw.
void runTasks(std::size_t count, int jobs, const std::function<void(std::size_t)>& task);
} // namespace quenmark
