#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

// The host's transport, read on the audio thread during a render. Positions in ticks
// count AAX_kTicksPerQuarter per quarter note.
class AAX_ITransport
{
public:
  virtual ~AAX_ITransport() = default;
  virtual AAX_Result GetCurrentTempo(double* bpm) const = 0;
  virtual AAX_Result GetCurrentMeter(int32_t* numerator, int32_t* denominator) const = 0;
  virtual AAX_Result IsTransportPlaying(bool* playing) const = 0;
  virtual AAX_Result GetCurrentNativeSampleLocation(int64_t* sample) const = 0;
  virtual AAX_Result GetCurrentTickPosition(int64_t* ticks) const = 0;
  virtual AAX_Result GetCurrentLoopPosition(bool* looping, int64_t* startTicks, int64_t* endTicks) const = 0;
};
