#pragma once

#include "WDL/IPlug/BindingTraits.h"
#include "WDL/IPlug/IPlugBase.h"

#include <mutex>
#include <vector>

// Stands where a host binding stands: supplies the host operations and records what the
// plug-in tells the host, with a transport the test drives.
class TestBinding : public IPlugBase
{
public:
  // The VST3 deliverable's traits: the product's tests were written against them.
  static constexpr BindingTraits kTraits{0x00010302, "1.3.2", nullptr, false, true};

  struct Edit
  {
    int index;
    double normalized;
  };

  TestBinding(int paramCount, const char* channelIO, int presetCount, const char* effectName,
              const char* productName, const char* makerName, int vendorVersion, int uniqueID,
              int manufacturerID, int latency, bool doesMidi, bool doesChunks, bool isInstrument,
              int /*sideChainChannels*/)
      : IPlugBase(paramCount, channelIO, presetCount, effectName, productName, makerName, vendorVersion,
                  uniqueID, manufacturerID, latency, doesMidi, doesChunks, isInstrument, 1)
  {
    edits.reserve(1024);
    changes.reserve(4096);
    gestures.reserve(256);
    ConnectInputChannels(0, NInChannels(), true);
    ConnectOutputChannels(0, NOutChannels(), true);
  }

  // Records every change the product announces, with its source.
  void ParamChanged(int index, int source) override
  {
    IPlugBase::ParamChanged(index, source);
    std::lock_guard lock(recordMutex);
    if (changes.size() < changes.capacity())
      changes.push_back({index, source});
  }

  void BeginInformHostOfParamChange(int index) override { RecordGesture('b', index); }
  void InformHostOfParamChange(int index, double normalized) override
  {
    {
      std::lock_guard lock(recordMutex);
      if (edits.size() < edits.capacity()) // never grows on the audio thread
        edits.push_back({index, normalized});
    }
    RecordGesture('i', index);
  }
  void EndInformHostOfParamChange(int index) override { RecordGesture('e', index); }
  void ShowHostParameterMenu(int index, int, int) override { RecordGesture('m', index); }
  void NotifyHostOfPresetChange() override {}
  int SamplePosition() override { return static_cast<int>(transport.samplePosition); }
  double HostTempo() override { return transport.tempoBpm; }
  void HostTimeSignature(int* numerator, int* denominator) override
  {
    *numerator = transport.timeSigNumerator;
    *denominator = transport.timeSigDenominator;
  }
  void FetchTransportInfo(TransportInfo* info) override { *info = transport; }
  void ResizeEditor(int, int) override {}
  bool QueueMidiOut(const MidiMessage&) override { return false; }

  struct Change
  {
    int index;
    int source;
  };

  // What the editor told the host, in order: 'b' gesture begin, 'i' a value, 'e' gesture
  // end, 'm' the host's parameter menu.
  struct Gesture
  {
    char what;
    int index;
  };
  void RecordGesture(char what, int index)
  {
    std::lock_guard lock(recordMutex);
    if (gestures.size() < gestures.capacity())
      gestures.push_back({what, index});
  }

  // The audio thread (a transport stop, a group value) and the editor thread both report,
  // as they do to a real host; the recording itself must not race.
  std::mutex recordMutex;
  TransportInfo transport;
  std::vector<Edit> edits;
  std::vector<Change> changes;
  std::vector<Gesture> gestures;
};
