#pragma once

#include <filesystem>

// Partial outputs are removed when the tool is interrupted (SIGINT or SIGTERM; Ctrl-C or
// a console close on Windows), and the tool then ends as the signal asks, with the
// status a shell expects (130 for SIGINT, 143 for SIGTERM). Normal ends and failures
// remove them through OutputFile itself.
namespace quenmark
{
// Call first in main(), before any thread starts: on POSIX the two signals are then
// blocked in every thread and taken by one thread that waits for them.
void handleInterruptions();

// [any thread] A file to remove on an interruption, until it is forgotten.
void removeOnInterruption(const std::filesystem::path& path);
void forgetOnInterruption(const std::filesystem::path& path);
} // namespace quenmark
