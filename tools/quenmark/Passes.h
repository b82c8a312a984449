#pragma once

#include "tools/quenmark/LoudnessMeter.h"
#include "tools/quenmark/OutputFile.h"
#include "tools/quenmark/PluginSession.h"
#include "tools/quenmark/ProgressBar.h"
#include "tools/quenmark/SoundFile.h"

#include <functional>
#include <vector>

// One pass over an audio file: read once in large blocks, played through plug-in
// sessions, measured and written as asked. Memory stays at a few blocks whatever the
// file's length.
namespace quenmark
{
inline constexpr int kFileBlockFrames = kProcessBlockFrames;

struct PassTargets
{
  std::vector<PluginSession*> sessions; // each gets the file's audio
  LoudnessMeter* inputMeter = nullptr;  // measures the file as read
  OutputFile* output = nullptr;         // receives the output of sessions[0]
  ProgressBar* progress = nullptr;      // told the frames done
  // Called after each block with the frames done so far.
  std::function<void(std::int64_t)> afterBlock;
};

// Reads `reader` from its start to its end.
void runPass(SoundFileReader& reader, const PassTargets& targets);
} // namespace quenmark
