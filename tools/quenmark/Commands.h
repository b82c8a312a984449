#pragma once

#include "tools/quenmark/Options.h"

#include <ostream>

// The three commands; each returns the exit code or throws ToolError.
namespace quenmark
{
int runAnalyze(const Options& options, std::ostream& out);
int runNormalize(const Options& options, std::ostream& out);
int runInfo(const Options& options, std::ostream& out);
} // namespace quenmark
