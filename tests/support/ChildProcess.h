#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Runs another programme of the build the way a user's shell would, with its standard
// output and error written to files, and waits for it. One implementation per platform.
namespace testsupport
{
// The programme's exit code, or -1 when it could not be started or did not exit normally.
int runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& outFile, const std::filesystem::path& errFile);
} // namespace testsupport
