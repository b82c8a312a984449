#pragma once

#include "WDL/IPlug/IPlugBase.h"
#include "WDL/IPlug/IGraphicsHeadless.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

// A plug-in with the binding operations filled in by recorders, for the framework's
// tests. It keeps the base's ProcessAudio unless a test installs its own.
class TestPlug : public IPlugBase
{
public:
  struct Call
  {
    enum What { kInform, kParamChanged, kPresetsChanged } what;
    int index;
    double value;
    int source;
    bool mutexHeld;
  };

  explicit TestPlug(int paramCount = 8, const char* channelIO = "1-1 2-2", int presetCount = 1)
    : IPlugBase(paramCount, channelIO, presetCount, "Effect", "Product", "Maker", 0x00010302,
                0x516E6D6B, 0x5476726B, 0, false, true, false, 1)
  {
  }

  // True when another thread cannot take the plug-in mutex right now.
  bool MutexHeld()
  {
    bool taken = false;
    std::thread probe([&] {
      if (Mutex().try_lock())
      {
        taken = true;
        Mutex().unlock();
      }
    });
    probe.join();
    return !taken;
  }

  void ParamChanged(int index, int source) override
  {
    IPlugBase::ParamChanged(index, source);
    if (recordCalls)
      calls.push_back({Call::kParamChanged, index, ParamAt(index)->Value(), source, MutexHeld()});
  }
  void InformHostOfParamChange(int index, double normalized) override
  {
    calls.push_back({Call::kInform, index, normalized, 0, MutexHeld()});
  }
  void HostChangedPresets() override { calls.push_back({Call::kPresetsChanged, -1, 0.0, 0, false}); }

  void BeginInformHostOfParamChange(int) override {}
  void EndInformHostOfParamChange(int) override {}
  void NotifyHostOfPresetChange() override {}
  int SamplePosition() override { return 0; }
  double HostTempo() override { return 120.0; }
  void HostTimeSignature(int* numerator, int* denominator) override { *numerator = *denominator = 4; }
  void FetchTransportInfo(TransportInfo* info) override { *info = TransportInfo(); }
  void ResizeEditor(int, int) override {}
  bool QueueMidiOut(const MidiMessage&) override { return false; }

  bool recordCalls = true;
  std::vector<Call> calls;
};

// An editor that records what the framework shows in it.
class FakeEditor : public IGraphicsHeadless
{
public:
  struct Shown
  {
    int index;
    double value;
    bool normalized;
  };

  explicit FakeEditor(bool* destroyed = nullptr) : IGraphicsHeadless(nullptr, 10, 10, 0), mDestroyed(destroyed) {}
  ~FakeEditor() override
  {
    if (mDestroyed != nullptr)
      *mDestroyed = true;
  }

  void PrepareBackBuffer() override { preparedBeforeValues = shown.empty(); ++prepared; }
  void SetParameterFromPlug(int index, double normalized) override { shown.push_back({index, normalized, true}); }
  void SetControlsFromParameter(int index, double value, bool normalized) override
  {
    shown.push_back({index, value, normalized});
  }
  void GrayOutParameterControls(int, bool) override {}

  int prepared = 0;
  bool preparedBeforeValues = false;
  std::vector<Shown> shown;

private:
  bool* mDestroyed;
};
