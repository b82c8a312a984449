#pragma once

#include "vst3/sdk/helpers/FUID.h"
#include "vst3/sdk/helpers/SingleComponentEffect.h"

#include <atomic>

namespace Steinberg::Vst
{
// A stereo gain effect built from the layer alone, loaded by the module tests as a host
// would load a real plug-in. Parameters: "Gain" (-60 .. +12 dB) and "Bypass".
class TestGain final : public SingleComponentEffect
{
public:
  static constexpr ParamID kGainId = 0;
  static constexpr ParamID kBypassId = 1;
  static constexpr double kMinGainDb = -60.;
  static constexpr double kMaxGainDb = 12.;
  static FUID classId() { return FUID(0x6B1E55A0, 0x7E574AB0, 0x9A1E0001, 0x54475331); }

  TestGain();
  ~TestGain() override;

  // Instances alive in the module, so the module exit can tell a host that leaked one.
  static int liveInstances() noexcept { return sLiveInstances.load(); }

  tresult PLUGIN_API initialize(FUnknown* context) override; // [UI thread] buses, parameters
  tresult PLUGIN_API setProcessing(TBool state) override;    // [any thread] kResultOk
  tresult PLUGIN_API process(ProcessData& data) override;    // [audio thread]
  // [UI thread] version (uint32), gain normalized (float64), bypass (int32), little-endian,
  // from the stream's current position. A short or unknown chunk changes nothing.
  tresult PLUGIN_API setState(IBStream* state) override;
  tresult PLUGIN_API getState(IBStream* state) override;

private:
  static inline std::atomic<int> sLiveInstances{0};
  static constexpr uint32 kStateVersion = 1;
  static constexpr int kStateBytes = 4 + 8 + 4;

  // Written by process and setState, read by process and getState: lock-free handover.
  std::atomic<double> mGainNormalized;
  std::atomic<bool> mBypassed{false};
};
} // namespace Steinberg::Vst
