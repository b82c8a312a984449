#pragma once

#include "tools/quenmark/Options.h"

#include <ostream>

// The three commands; each returns the exit code. A failure that concerns the whole
// command (no plug-in) throws ToolError; a failed file is reported on `err` and in the
// exit code, and the other files go on.
namespace quenmark
{
int runAnalyze(const Options& options, std::ostream& out, std::ostream& err);
int runNormalize(const Options& options, std::ostream& out, std::ostream& err);
int runInfo(const Options& options, std::ostream& out);
} // namespace quenmark
