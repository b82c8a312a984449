#pragma once

#include "tools/vst3host/ParameterChanges.h"
#include "tools/vst3host/PluginInstance.h"
#include "tools/vst3host/Status.h"

#include "vst3/sdk/interfaces/ProcessContext.h"

#include <memory>
#include <vector>

namespace vst3host
{
struct RunnerConfig
{
  Steinberg::int32 symbolicSampleSize = Steinberg::Vst::kSample64;
  Steinberg::Vst::SampleRate sampleRate = 48000.;
  Steinberg::int32 maxBlockFrames = 512;
  Steinberg::int32 channels = 2; // of the main input and output bus: 1 mono, 2 stereo
  Steinberg::int32 processMode = Steinberg::Vst::kRealtime;
  double tempoBpm = 120.;
};

// Drives one instance's audio the way a host's engine does: negotiates the main buses
// for the channel count, activates them, sets up processing, activates the component and
// starts processing; then runs blocks with a transport (playing flag, tempo, project time
// in samples advancing while it plays) and the parameter changes queued for the block.
// stop() or the destructor stop processing and deactivate, in reverse order.
//
// Buffers are made at start; process allocates nothing as long as the queued changes fit
// the room reserved for them (16 parameters of 16 points).
class ProcessRunner
{
public:
  // [UI thread] Failures say which step the plug-in refused.
  static Result<std::unique_ptr<ProcessRunner>> start(PluginInstance& plugin, const RunnerConfig& config);
  ~ProcessRunner();
  ProcessRunner(const ProcessRunner&) = delete;
  ProcessRunner& operator=(const ProcessRunner&) = delete;

  // [UI thread] setProcessing(false), setActive(false). Idempotent.
  Status stop();

  const RunnerConfig& config() const noexcept { return mConfig; }
  PluginInstance& plugin() const noexcept { return mPlugin; }

  // Transport. Starting and stopping does not move the position; relocate does.
  void setPlaying(bool playing) noexcept { mPlaying = playing; }
  bool playing() const noexcept { return mPlaying; }
  void relocate(Steinberg::Vst::TSamples projectTimeSamples) noexcept { mProjectTime = projectTimeSamples; }
  Steinberg::Vst::TSamples projectTimeSamples() const noexcept { return mProjectTime; }
  // The context the next block carries.
  const Steinberg::Vst::ProcessContext& nextContext() noexcept;

  // Changes for the next process call, cleared after it; what the plug-in reported in
  // the last call.
  Steinberg::Vst::ParameterChanges& inputChanges() noexcept { return *mInputChanges.get(); }
  Steinberg::Vst::ParameterChanges& outputChanges() noexcept { return *mOutputChanges.get(); }
  void queueChange(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue normalized,
                   Steinberg::int32 sampleOffset = 0) noexcept;

  // [audio thread] Processes `frames` frames of config().channels planar channels; in and
  // out may be the same arrays. Longer runs are split into blocks of maxBlockFrames, the
  // queued changes going with the first. The plug-in gets the caller's arrays when the
  // set-up's sample size is the caller's, and converted copies otherwise. Input channels
  // that are all zeros are flagged silent.
  Status process(const double* const* in, double* const* out, Steinberg::int32 frames);
  Status process(const float* const* in, float* const* out, Steinberg::int32 frames);
  // [audio thread] A parameter flush: numSamples 0, no buffers, the queued changes.
  Status flush();

private:
  ProcessRunner(PluginInstance& plugin, const RunnerConfig& config);
  template <class Sample>
  Status processSplit(const Sample* const* in, Sample* const* out, Steinberg::int32 frames);
  template <class Sample>
  Status processBlock(const Sample* const* in, Sample* const* out, Steinberg::int32 frames);
  Status runCall(Steinberg::int32 frames, bool withBuffers);

  PluginInstance& mPlugin;
  RunnerConfig mConfig;
  bool mRunning = false;
  bool mPlaying = false;
  Steinberg::Vst::TSamples mProjectTime = 0;
  Steinberg::Vst::TSamples mContinuousTime = 0;
  Steinberg::Vst::ProcessContext mContext{};
  Steinberg::IPtr<Steinberg::Vst::ParameterChanges> mInputChanges;
  Steinberg::IPtr<Steinberg::Vst::ParameterChanges> mOutputChanges;

  // Every channel of every audio bus, inputs first, in the set-up's sample size; bus 0
  // of each direction carries the caller's audio, other buses silence.
  std::vector<std::vector<float>> mSamples32;
  std::vector<std::vector<double>> mSamples64;
  std::vector<float*> mPointers32;
  std::vector<double*> mPointers64;
  std::vector<Steinberg::Vst::AudioBusBuffers> mInputBuses;
  std::vector<Steinberg::Vst::AudioBusBuffers> mOutputBuses;
  std::size_t mFirstOutputChannel = 0;
  Steinberg::Vst::ProcessData mData{};
};
} // namespace vst3host
