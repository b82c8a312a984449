#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg::Vst
{
// Which ProcessContext fields the plug-in reads. A host may fill only those for a plug-in
// that answers this interface, so every field read in process must be asked for here.
class IProcessContextRequirements : public FUnknown
{
public:
  enum Flags
  {
    kNeedSystemTime = 1 << 0,
    kNeedContinousTimeSamples = 1 << 1,
    kNeedProjectTimeMusic = 1 << 2,
    kNeedBarPositionMusic = 1 << 3,
    kNeedCycleMusic = 1 << 4,
    kNeedSamplesToNextClock = 1 << 5,
    kNeedTempo = 1 << 6,
    kNeedTimeSignature = 1 << 7,
    kNeedChord = 1 << 8,
    kNeedFrameRate = 1 << 9,
    kNeedTransportState = 1 << 10 // playing, cycle active, recording
  };

  // Asked once, between initialize and the first activation.
  virtual uint32 PLUGIN_API getProcessContextRequirements() = 0;

  static constexpr const int8* iid = InterfaceIds::kIProcessContextRequirements.data();
};
} // namespace Steinberg::Vst
