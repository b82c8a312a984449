#include "tools/quenmark/Report.h"

#include <cmath>
#include <cstdio>

namespace quenmark
{
namespace
{
std::string csvField(const std::string& value)
{
  if (value.find_first_of(",\"\r\n") == std::string::npos)
    return value;
  std::string quoted = "\"";
  for (char c : value)
  {
    if (c == '"')
      quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string csvRow(const std::vector<std::string>& values)
{
  std::string row;
  for (std::size_t i = 0; i < values.size(); ++i)
    row += (i ? "," : "") + csvField(values[i]);
  return row + "\n";
}

// A JSON value pretty-printed one level in, for an element of an array.
std::string indented(const nlohmann::json& value)
{
  const std::string text = value.dump(2);
  std::string result = "  ";
  for (char c : text)
  {
    result += c;
    if (c == '\n')
      result += "  ";
  }
  return result;
}

// The error's message, naming the file when it does not already.
std::string messageNaming(const std::string& input, const ToolError& error)
{
  const std::string message = error.what();
  return message.find(input) != std::string::npos ? message : input + ": " + message;
}
} // namespace

namespace
{
// The value in `format`, or `none` at or below `floor` or when not finite.
std::string formattedLevel(double value, double floor, const char* format, const char* none)
{
  if (!std::isfinite(value) || value <= floor)
    return none;
  char text[32];
  std::snprintf(text, sizeof(text), format, value);
  return text;
}
} // namespace

std::string levelText(double value, double floor)
{
  return formattedLevel(value, floor, "%+.2f", "-inf");
}

nlohmann::json levelJson(double value, double floor)
{
  if (!std::isfinite(value) || value <= floor)
    return nullptr;
  return value;
}

std::string csvNumber(double value, double floor)
{
  return formattedLevel(value, floor, "%.2f", "");
}

Reporter::Reporter(const Options& options, std::size_t files, bool batch, std::vector<std::string> csvColumns,
                   std::ostream& out, std::ostream& err, ProgressBar& progress)
  : mOptions(options),
    mBatch(batch),
    mColumns(std::move(csvColumns)),
    mOut(out),
    mErr(err),
    mProgress(progress),
    mPending(files)
{
  if (mOptions.format == ReportFormat::kCsv)
    mOut << csvRow(mColumns);
  else if (mOptions.format == ReportFormat::kJson && mBatch)
    mOut << "[";
}

void Reporter::deliver(std::size_t index, FileReport report)
{
  std::lock_guard<std::mutex> lock(mMutex);
  mPending[index] = std::move(report);
  mProgress.printAbove([&] {
    while (mNext < mPending.size() && mPending[mNext])
    {
      print(*mPending[mNext]);
      mPending[mNext].reset();
      ++mNext;
    }
  });
}

void Reporter::print(const FileReport& report)
{
  for (const std::string& warning : report.warnings)
    mErr << "quenmark: warning: " << warning << "\n";
  mErr.flush();
  if (report.error)
  {
    const std::string message = messageNaming(report.input, *report.error);
    mErr << "quenmark: " << message << "\n";
    mErr.flush();
    mExitCode = mBatch ? kExitFailure : report.error->code();
    if (mOptions.format == ReportFormat::kJson)
    {
      const nlohmann::json entry = {{"input", report.input}, {"error", message}};
      mOut << (mBatch ? (mNext ? ",\n" : "\n") + indented(entry) : entry.dump(2) + "\n");
    }
    else if (mOptions.format == ReportFormat::kCsv)
    {
      std::vector<std::string> row(mColumns.size());
      row.front() = report.input;
      row.back() = message;
      mOut << csvRow(row);
    }
    mOut.flush();
    return;
  }
  switch (mOptions.format)
  {
  case ReportFormat::kJson:
  {
    nlohmann::json entry = report.json;
    if (!report.warnings.empty())
      entry["warnings"] = report.warnings;
    mOut << (mBatch ? (mNext ? ",\n" : "\n") + indented(entry) : entry.dump(2) + "\n");
  }
    break;
  case ReportFormat::kCsv: mOut << csvRow(report.csv); break;
  case ReportFormat::kText:
    if (!mOptions.quiet)
      mOut << (mBatch ? report.line + "\n" : report.detail);
    break;
  }
  mOut.flush();
}

int Reporter::finish()
{
  std::lock_guard<std::mutex> lock(mMutex);
  if (mOptions.format == ReportFormat::kJson && mBatch)
    mOut << "\n]\n";
  mOut.flush();
  return mExitCode;
}
} // namespace quenmark
