#pragma once

#include "tools/quenmark/GainCheck.h"
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
// Frames read at once and handed to the threads of a pass: several process calls' worth,
// so that the threads meet seldom. The plug-in still gets kProcessBlockFrames per call.
inline constexpr int kFileBlockFrames = 4 * kProcessBlockFrames;

struct PassTargets
{
  // Each gets the file's audio. sessions[0] runs on the calling thread; the others only
  // measure (their output is dropped) and run on threads of their own.
  std::vector<PluginSession*> sessions;
  LoudnessMeter* inputMeter = nullptr;  // measures the file as read
  OutputFile* output = nullptr;         // receives the output of sessions[0]
  ProgressBar* progress = nullptr;      // told the frames done
  GainCheck* gainCheck = nullptr;       // told sessions[0]'s input and output
  // Called after each process call of sessions[0] with the frames done so far.
  std::function<void(std::int64_t)> afterBlock;
};

// Reads `reader` from its start to its end.
void runPass(SoundFileReader& reader, const PassTargets& targets);
} // namespace quenmark
