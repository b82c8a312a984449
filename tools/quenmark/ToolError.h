#pragma once

#include <stdexcept>
#include <string>

// A failure that ends a quenmark command: its message goes to standard error and its
// exit code to the shell. Thrown and caught inside the tool only (never across a call
// into the plug-in).
namespace quenmark
{
enum ExitCode
{
  kExitOk = 0,
  kExitFailure = 1, // the plug-in or a file operation failed
  kExitUsage = 2    // bad arguments or unusable input: nothing was done
};

class ToolError : public std::runtime_error
{
public:
  ToolError(ExitCode code, const std::string& message) : std::runtime_error(message), mCode(code) {}
  ExitCode code() const noexcept { return mCode; }

private:
  ExitCode mCode;
};
} // namespace quenmark
