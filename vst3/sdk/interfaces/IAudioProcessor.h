#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

#include <cstddef>

namespace Steinberg::Vst
{
class IParameterChanges;
class IEventList;
struct ProcessContext;

enum SymbolicSampleSizes
{
  kSample32 = 0,
  kSample64
};

enum ProcessModes
{
  kRealtime = 0,
  kPrefetch, // switched to and from kRealtime without a new setupProcessing
  kOffline   // always reached through setupProcessing
};

inline constexpr uint32 kNoTail = 0;
inline constexpr uint32 kInfiniteTail = kMaxInt32u;

struct ProcessSetup
{
  int32 processMode;
  int32 symbolicSampleSize;
  int32 maxSamplesPerBlock; // the largest numSamples process() will see
  SampleRate sampleRate;    // Hz
};

// The channels of one bus for one block. The pointer array always has numChannels entries;
// for an inactive bus the channel pointers may be null. Input and output channel pointers
// may be the same memory (in-place processing).
struct AudioBusBuffers
{
  int32 numChannels;
  uint64 silenceFlags; // bit n set: channel n is all zeros
  union
  {
    Sample32** channelBuffers32; // valid when symbolicSampleSize is kSample32
    Sample64** channelBuffers64; // valid when it is kSample64
  };
};

// One process call. Any pointer may be null; numSamples may be 0 (a parameter flush).
struct ProcessData
{
  int32 processMode;
  int32 symbolicSampleSize;
  int32 numSamples;
  int32 numInputs;  // entries in inputs, one per audio input bus
  int32 numOutputs; // entries in outputs
  AudioBusBuffers* inputs;
  AudioBusBuffers* outputs;
  IParameterChanges* inputParameterChanges;
  IParameterChanges* outputParameterChanges;
  IEventList* inputEvents;
  IEventList* outputEvents;
  ProcessContext* processContext;
};

class IAudioProcessor : public FUnknown
{
public:
  // kResultTrue: accepted and now current; kResultFalse: refused.
  virtual tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                SpeakerArrangement* outputs, int32 numOuts) = 0;
  virtual tresult PLUGIN_API getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) = 0;
  virtual tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) = 0;
  virtual uint32 PLUGIN_API getLatencySamples() = 0;
  virtual tresult PLUGIN_API setupProcessing(ProcessSetup& setup) = 0;
  virtual tresult PLUGIN_API setProcessing(TBool state) = 0;
  virtual tresult PLUGIN_API process(ProcessData& data) = 0;
  virtual uint32 PLUGIN_API getTailSamples() = 0;

  static constexpr const int8* iid = InterfaceIds::kIAudioProcessor.data();
};

// Optional: the plug-in tells the host the latency the host itself adds after it.
class IAudioPresentationLatency : public FUnknown
{
public:
  virtual tresult PLUGIN_API setAudioPresentationLatencySamples(BusDirection dir, int32 busIndex,
                                                                uint32 latencyInSamples) = 0;

  static constexpr const int8* iid = InterfaceIds::kIAudioPresentationLatency.data();
};

static_assert(sizeof(ProcessSetup) == 24 && alignof(ProcessSetup) == 8);
static_assert(offsetof(ProcessSetup, maxSamplesPerBlock) == 8 && offsetof(ProcessSetup, sampleRate) == 16);
static_assert(sizeof(AudioBusBuffers) == 24 && alignof(AudioBusBuffers) == 8);
static_assert(offsetof(AudioBusBuffers, silenceFlags) == 8);
static_assert(offsetof(AudioBusBuffers, channelBuffers32) == 16 && offsetof(AudioBusBuffers, channelBuffers64) == 16);
static_assert(sizeof(ProcessData) == 80 && alignof(ProcessData) == 8);
static_assert(offsetof(ProcessData, numOutputs) == 16 && offsetof(ProcessData, inputs) == 24);
static_assert(offsetof(ProcessData, outputs) == 32 && offsetof(ProcessData, inputParameterChanges) == 40);
static_assert(offsetof(ProcessData, outputParameterChanges) == 48 && offsetof(ProcessData, inputEvents) == 56);
static_assert(offsetof(ProcessData, outputEvents) == 64 && offsetof(ProcessData, processContext) == 72);
} // namespace Steinberg::Vst
