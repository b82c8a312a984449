#pragma once

#include "tools/quenmark/LoudnessMeter.h"
#include "tools/quenmark/PluginSession.h"
#include "tools/quenmark/SoundFile.h"

#include <functional>
#include <string>
#include <vector>

// One pass over an audio file: read in blocks, played through plug-in sessions, measured
// and written as asked. Memory stays at a few blocks whatever the file's length.
namespace quenmark
{
inline constexpr int kFileBlockFrames = 4096;

struct PassTargets
{
  std::vector<PluginSession*> sessions; // each gets the file's audio
  LoudnessMeter* inputMeter = nullptr;  // measures the file as read
  SoundFileWriter* writer = nullptr;    // receives the output of sessions[0]
  // Called after each block with the frames done so far.
  std::function<void(std::int64_t)> afterBlock;
};

// Reads `reader` from its start to its end.
void runPass(SoundFileReader& reader, const std::string& label, const PassTargets& targets);

// Measures a whole file independently.
LoudnessReading measureFile(const std::filesystem::path& path);
} // namespace quenmark
