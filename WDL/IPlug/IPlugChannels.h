#pragma once

#include "WDL/IPlug/IPlugStructs.h"

#include <vector>

// The framework's record of one input or output channel: whether the host connected
// it, the host buffer bound to it for the current block, and a scratch buffer of
// block-size samples. The scratch stands in wherever the plug-in needs 64-bit samples
// the host does not provide: a 32-bit host buffer (converted chunk by chunk) or a
// disconnected or unbound channel (silence in, output discarded).
//
// A chunk is at most block-size frames; callers check NeedsScratch() and the block size
// before asking for one, so the scratch is never overrun.

struct InputChannelSlot
{
  bool connected = false;
  int slotIndex = 0; // its entry in the input pointer array
  std::vector<double> scratch;
  char label[kParamTextBytes] = "";

  // Bound host buffer for the current block; at most one of the two is set.
  double* host64 = nullptr;
  const float* host32 = nullptr;
  int host32Frames = 0; // samples the 32-bit host buffer holds

  // [audio thread] False only when the plug-in can read the host's 64-bit buffer itself.
  bool NeedsScratch() const { return !(connected && host64 != nullptr); }
  // [audio thread] The samples offsetFrames .. offsetFrames + frames - 1 as the plug-in
  // reads them: the host buffer advanced, the converted 32-bit samples, or zeros.
  double* PrepareChunk(int offsetFrames, int frames)
  {
    return connected && host64 != nullptr ? host64 + offsetFrames : ConvertChunk(offsetFrames, frames);
  }
  // [audio thread] Forgets the host buffer, so a stale pointer is never read again.
  void Unbind()
  {
    host64 = nullptr;
    host32 = nullptr;
    host32Frames = 0;
  }

private:
  double* ConvertChunk(int offsetFrames, int frames);
};

struct OutputChannelSlot
{
  bool connected = false;
  int slotIndex = 0; // its entry in the output pointer array
  std::vector<double> scratch;
  char label[kParamTextBytes] = "";

  double* host64 = nullptr;
  float* destination32 = nullptr; // where the scratch is converted back to, 32-bit hosts

  // [audio thread]
  bool NeedsScratch() const { return !(connected && host64 != nullptr); }
  // [audio thread] True when the plug-in writes the chunk into the scratch and it then
  // goes to a 32-bit host buffer.
  bool Converts() const { return connected && host64 == nullptr && destination32 != nullptr; }
  // [audio thread] Where the plug-in writes the chunk: the host buffer advanced or the
  // scratch.
  double* PrepareChunk(int offsetFrames) { return connected && host64 != nullptr ? host64 + offsetFrames : scratch.data(); }
  // [audio thread] Converts the chunk written into the scratch to the 32-bit destination.
  void FinishChunk(int offsetFrames, int frames)
  {
    if (Converts())
      ConvertChunk(offsetFrames, frames);
  }
  // [audio thread] Zeroes frames samples of whatever host buffer is bound.
  void WriteSilence(int frames);
  // [audio thread]
  void Unbind()
  {
    host64 = nullptr;
    destination32 = nullptr;
  }

private:
  void ConvertChunk(int offsetFrames, int frames);
};
