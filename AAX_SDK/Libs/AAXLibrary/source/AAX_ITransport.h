#pragma once

// The host's transport as the transport node hands it to the render: a plain C++
// interface in the Windows hosts' layout (see AAX_IString.h). Only the first ten methods
// exist in every host; the later ones are declared for the v-table's sake.

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

class AAX_ITransport
{
public:
  virtual void* DestructorSlot(unsigned int flags) = 0; // slot 0: never called
  virtual AAX_Result GetCurrentTempo(double* bpm) const = 0;
  virtual AAX_Result GetCurrentMeter(int32_t* numerator, int32_t* denominator) const = 0;
  virtual AAX_Result IsTransportPlaying(bool* playing) const = 0;
  virtual AAX_Result GetCurrentTickPosition(int64_t* ticks) const = 0;
  virtual AAX_Result GetCurrentLoopPosition(bool* looping, int64_t* startTicks, int64_t* endTicks) const = 0;
  virtual AAX_Result GetCurrentNativeSampleLocation(int64_t* sample) const = 0;
  virtual AAX_Result GetCustomTickPosition(int64_t* ticks, int64_t sample) const = 0;
  virtual AAX_Result GetBarBeatPosition(int32_t* bars, int32_t* beats, int64_t* displayTicks,
                                        int64_t sample) const = 0;
  virtual AAX_Result GetTicksPerQuarter(uint32_t* ticks) const = 0;
  virtual AAX_Result GetCurrentTicksPerBeat(uint32_t* ticks) const = 0;
  // Newer hosts only: never called by this library.
  virtual AAX_Result GetTimelineSelectionStartPosition(int64_t* ticks) const = 0;
  virtual AAX_Result GetTimeCodeInfo(int32_t* rate, int32_t* offset) const = 0;
  virtual AAX_Result GetFeetFramesInfo(int32_t* rate, int64_t* offset) const = 0;
  virtual AAX_Result IsMetronomeEnabled(int32_t* enabled) const = 0;
  virtual AAX_Result GetHDTimeCodeInfo(int32_t* rate, int64_t* offset) const = 0;
  virtual AAX_Result RequestTransportStart() = 0;
  virtual AAX_Result RequestTransportStop() = 0;
  virtual AAX_Result GetTimelineSelectionEndPosition(int64_t* ticks) const = 0;
  virtual AAX_Result GetKeySignature(int64_t sample, uint32_t* key) const = 0;

protected:
  ~AAX_ITransport() = default;
};
