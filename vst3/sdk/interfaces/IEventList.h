#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

#include <cstddef>

namespace Steinberg::Vst
{
// An event of an event bus. Only the common header is declared; the data of each kind
// (note on, note off, data, ...) stays opaque in payload.
struct Event
{
  enum EventFlags
  {
    kIsLive = 1 << 0,
    kUserReserved1 = 1 << 14,
    kUserReserved2 = 1 << 15
  };
  enum EventTypes
  {
    kNoteOnEvent = 0,
    kNoteOffEvent = 1,
    kDataEvent = 2,
    kPolyPressureEvent = 3,
    kNoteExpressionValueEvent = 4,
    kNoteExpressionTextEvent = 5,
    kChordEvent = 6,
    kScaleEvent = 7,
    kLegacyMIDICCOutEvent = 65535
  };

  int32 busIndex;
  int32 sampleOffset;
  TQuarterNotes ppqPosition;
  uint16 flags;
  uint16 type;
  alignas(8) uint8 payload[24];
};

// Host side: the events of one block.
class IEventList : public FUnknown
{
public:
  virtual int32 PLUGIN_API getEventCount() = 0;
  virtual tresult PLUGIN_API getEvent(int32 index, Event& e) = 0;
  virtual tresult PLUGIN_API addEvent(Event& e) = 0;

  static constexpr const int8* iid = InterfaceIds::kIEventList.data();
};

static_assert(sizeof(Event) == 48 && alignof(Event) == 8);
static_assert(offsetof(Event, ppqPosition) == 8 && offsetof(Event, flags) == 16);
static_assert(offsetof(Event, type) == 18 && offsetof(Event, payload) == 24);
} // namespace Steinberg::Vst
