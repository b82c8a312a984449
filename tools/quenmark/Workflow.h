#pragma once

#include "tools/quenmark/PluginSession.h"
#include "tools/quenmark/SoundFile.h"

#include <optional>
#include <string>
#include <vector>

// The steps of the plug-in's Standard workflow as a host's user takes them, shared by
// analyze and normalize.
namespace quenmark
{
// Throws ToolError (kExitUsage) naming the file when the plug-in cannot take it: more
// than two channels, or no frames at all.
void checkInput(const SoundFileReader& reader, const std::string& path);

// What a user should know about a file that is not an error: a header that promises
// more audio than the file holds.
std::vector<std::string> inputWarnings(const SoundFileReader& reader, const std::string& path);

// Standard mode, the transport playing, "Analyze" on, "Normalize" off: the plug-in
// measures and leaves the audio as it is. Unset values keep the plug-in's.
void startAnalysis(PluginSession& session, std::optional<int> measure, std::optional<double> targetDb,
                   std::optional<double> gateDb);

// Stopping the transport ends the analysis (the plug-in switches "Analyze" off itself);
// with `normalize`, "Normalize" goes on and the gain the analysis reached applies.
void endAnalysis(PluginSession& session, bool normalize);

// The plug-in's own text for a measure, e.g. "LUFS Int.".
std::string measureDisplay(PluginSession& session, int index);
} // namespace quenmark
