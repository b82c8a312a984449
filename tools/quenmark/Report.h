#pragma once

#include "tools/quenmark/Options.h"
#include "tools/quenmark/ProgressBar.h"
#include "tools/quenmark/ToolError.h"

#include <nlohmann/json.hpp>

#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// The results of a command over its files, printed in the order the files were given
// whatever order they finish in: text (a block for a lone file, a line per file in a
// batch), one JSON object (an array for several files), or CSV rows under a header.
// A failed file is printed on standard error, always, and as an entry with its "error"
// in JSON and CSV.
namespace quenmark
{
struct FileReport
{
  std::string input;
  std::optional<ToolError> error;
  std::vector<std::string> warnings; // printed on standard error, and in the JSON entry
  std::string detail;           // the text report of a lone file
  std::string line;             // the text report in a batch: one line, no newline
  nlohmann::json json;          // an object
  std::vector<std::string> csv; // one value per column
};

class Reporter
{
public:
  // `csvColumns` names the CSV columns, the first being the input and the last the error.
  // A batch reports a line per file in text and an array in JSON, even of one file.
  Reporter(const Options& options, std::size_t files, bool batch, std::vector<std::string> csvColumns,
           std::ostream& out, std::ostream& err, ProgressBar& progress);
  Reporter(const Reporter&) = delete;
  Reporter& operator=(const Reporter&) = delete;

  // [any thread] Takes the report of file `index`; prints it and every later one that
  // is ready once all before them were printed.
  void deliver(std::size_t index, FileReport report);
  // Ends the output (closes a JSON array). Returns the exit code: the failed file's own
  // code for a lone file, 1 when any file of a batch failed, else 0.
  int finish();

private:
  void print(const FileReport& report);

  const Options& mOptions;
  const bool mBatch;
  const std::vector<std::string> mColumns;
  std::ostream& mOut;
  std::ostream& mErr;
  ProgressBar& mProgress;
  std::mutex mMutex;
  std::vector<std::optional<FileReport>> mPending; // guarded by mMutex
  std::size_t mNext = 0;                           // guarded by mMutex
  int mExitCode = kExitOk;                         // guarded by mMutex
};

// Text for levels: "+1.23", "-inf" at or below `floor` or when not finite.
std::string levelText(double value, double floor = -1e300);
// JSON for levels: the number, or null at or below `floor` or when not finite.
nlohmann::json levelJson(double value, double floor = -1e300);
} // namespace quenmark

namespace quenmark
{
// CSV for levels: "-23.00", empty at or below `floor` or when not finite.
std::string csvNumber(double value, double floor = -1e300);
} // namespace quenmark
