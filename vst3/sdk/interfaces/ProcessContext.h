#pragma once

#include "vst3/sdk/interfaces/Types.h"

#include <cstddef>

namespace Steinberg::Vst
{
struct FrameRate
{
  enum FrameRateFlags
  {
    kPullDownRate = 1 << 0,
    kDropRate = 1 << 1
  };

  uint32 framesPerSecond;
  uint32 flags;
};

struct Chord
{
  enum Masks
  {
    kChordMask = 0x0FFF,
    kReservedMask = 0xF000
  };

  uint8 keyNote;
  uint8 rootNote;
  int16 chordMask;
};

// Transport and timing of one block. Only sampleRate and projectTimeSamples are always
// valid; every other field only when its bit in state is set.
struct ProcessContext
{
  enum StatesAndFlags
  {
    kPlaying = 1 << 1,
    kCycleActive = 1 << 2,
    kRecording = 1 << 3,
    kSystemTimeValid = 1 << 8,
    kProjectTimeMusicValid = 1 << 9,
    kTempoValid = 1 << 10,
    kBarPositionValid = 1 << 11,
    kCycleValid = 1 << 12, // cycleStartMusic and cycleEndMusic
    kTimeSigValid = 1 << 13,
    kSmpteValid = 1 << 14,
    kClockValid = 1 << 15,
    kContTimeValid = 1 << 17,
    kChordValid = 1 << 18
  };

  uint32 state;
  SampleRate sampleRate;
  TSamples projectTimeSamples;
  int64 systemTime; // nanoseconds
  TSamples continousTimeSamples;
  TQuarterNotes projectTimeMusic;
  TQuarterNotes barPositionMusic; // start of the last bar
  TQuarterNotes cycleStartMusic;
  TQuarterNotes cycleEndMusic;
  double tempo; // beats per minute
  int32 timeSigNumerator;
  int32 timeSigDenominator;
  Chord chord;
  int32 smpteOffsetSubframes; // 1/80 frame units
  FrameRate frameRate;
  int32 samplesToNextClock; // MIDI clock (24 ppq) distance, may be negative
};

static_assert(sizeof(FrameRate) == 8 && alignof(FrameRate) == 4);
static_assert(sizeof(Chord) == 4 && alignof(Chord) == 2);
static_assert(sizeof(ProcessContext) == 112 && alignof(ProcessContext) == 8);
static_assert(offsetof(ProcessContext, sampleRate) == 8 && offsetof(ProcessContext, systemTime) == 24);
static_assert(offsetof(ProcessContext, continousTimeSamples) == 32);
static_assert(offsetof(ProcessContext, projectTimeMusic) == 40 && offsetof(ProcessContext, barPositionMusic) == 48);
static_assert(offsetof(ProcessContext, cycleStartMusic) == 56 && offsetof(ProcessContext, cycleEndMusic) == 64);
static_assert(offsetof(ProcessContext, tempo) == 72 && offsetof(ProcessContext, timeSigNumerator) == 80);
static_assert(offsetof(ProcessContext, timeSigDenominator) == 84 && offsetof(ProcessContext, chord) == 88);
static_assert(offsetof(ProcessContext, smpteOffsetSubframes) == 92 && offsetof(ProcessContext, frameRate) == 96);
static_assert(offsetof(ProcessContext, samplesToNextClock) == 104);
} // namespace Steinberg::Vst
