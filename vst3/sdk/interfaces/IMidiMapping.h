#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg::Vst
{
// Controller numbers beyond the 128 standard MIDI controllers.
enum ControllerNumbers
{
  kCtrlPan = 10,
  kCtrlVibratoDelay = 78,
  kAfterTouch = 128,
  kPitchBend = 129,
  kCountCtrlNumber = 130 // number of mappable controllers
};

// Maps MIDI controllers arriving on an event input bus to parameters.
class IMidiMapping : public FUnknown
{
public:
  // kResultTrue with id when mapped, kResultFalse otherwise.
  virtual tresult PLUGIN_API getMidiControllerAssignment(int32 busIndex, int16 channel,
                                                         CtrlNumber midiControllerNumber, ParamID& id) = 0;

  static constexpr const int8* iid = InterfaceIds::kIMidiMapping.data();
};

// Optional: live controller input while the user is learning an assignment.
class IMidiLearn : public FUnknown
{
public:
  virtual tresult PLUGIN_API onLiveMIDIControllerInput(int32 busIndex, int16 channel, CtrlNumber midiCC) = 0;

  static constexpr const int8* iid = InterfaceIds::kIMidiLearn.data();
};
} // namespace Steinberg::Vst
