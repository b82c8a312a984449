#include "tools/vst3host/ProcessRunner.h"

#include "vst3/sdk/interfaces/SpeakerArrangement.h"

#include <algorithm>
#include <chrono>
#include <tuple>
#include <type_traits>
#include <cmath>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace vst3host
{
namespace
{
constexpr int32 kReservedQueues = 16;
constexpr int32 kReservedPoints = 16;

template <class Sample>
bool allZero(const Sample* samples, int32 frames) noexcept
{
  for (int32 n = 0; n < frames; ++n)
    if (samples[n] != 0)
      return false;
  return true;
}

template <class From, class To>
void convert(const From* from, To* to, int32 frames) noexcept
{
  for (int32 n = 0; n < frames; ++n)
    to[n] = static_cast<To>(from[n]);
}
} // namespace

ProcessRunner::ProcessRunner(PluginInstance& plugin, const RunnerConfig& config)
  : mPlugin(plugin),
    mConfig(config),
    mInputChanges(IPtr<ParameterChanges>::adopt(new ParameterChanges)),
    mOutputChanges(IPtr<ParameterChanges>::adopt(new ParameterChanges))
{
  mInputChanges->reserve(kReservedQueues, kReservedPoints);
  mOutputChanges->reserve(kReservedQueues, kReservedPoints);
}

Result<std::unique_ptr<ProcessRunner>> ProcessRunner::start(PluginInstance& plugin, const RunnerConfig& config)
{
  if (config.channels < 1 || config.maxBlockFrames < 1 || !(config.sampleRate > 0.))
    return Status::failure("a runner needs at least one channel, a block of at least one frame and a positive rate");
  if (config.symbolicSampleSize != kSample32 && config.symbolicSampleSize != kSample64)
    return Status::failure("a runner processes 32- or 64-bit samples");
  std::unique_ptr<ProcessRunner> runner(new ProcessRunner(plugin, config));

  const int32 inputBuses = plugin.busCount(kAudio, kInput);
  const int32 outputBuses = plugin.busCount(kAudio, kOutput);
  if (outputBuses < 1)
    return Status::failure("the plug-in has no audio output bus");
  const SpeakerArrangement wanted = arrangementFor(config.channels);
  if (wanted == SpeakerArr::kEmpty)
    return Status::failure(std::to_string(config.channels) + " channels: only mono and stereo are arranged");
  std::vector<SpeakerArrangement> inputs(static_cast<std::size_t>(std::max(inputBuses, 0)));
  std::vector<SpeakerArrangement> outputs(static_cast<std::size_t>(outputBuses));
  for (int32 bus = 0; bus < inputBuses; ++bus)
  {
    Result<SpeakerArrangement> current = plugin.busArrangement(kInput, bus);
    inputs[static_cast<std::size_t>(bus)] = bus == 0 ? wanted : current ? current.value() : SpeakerArr::kEmpty;
  }
  for (int32 bus = 0; bus < outputBuses; ++bus)
  {
    Result<SpeakerArrangement> current = plugin.busArrangement(kOutput, bus);
    outputs[static_cast<std::size_t>(bus)] = bus == 0 ? wanted : current ? current.value() : SpeakerArr::kEmpty;
  }
  if (Status arranged = plugin.setBusArrangements(inputs, outputs); !arranged)
    return Status::failure(std::to_string(config.channels) + " in / " + std::to_string(config.channels) +
                           " out: " + arranged.message());

  // Buffers for every bus, with the channel counts the plug-in reports now.
  std::vector<int32> inputChannels, outputChannels;
  for (auto [direction, count, channels] :
       {std::tuple{kInput, inputBuses, &inputChannels}, std::tuple{kOutput, outputBuses, &outputChannels}})
  {
    for (int32 bus = 0; bus < count; ++bus)
    {
      Result<BusDescription> info = plugin.busInfo(kAudio, direction, bus);
      if (!info)
        return info.status();
      channels->push_back(std::max(info.value().channelCount, 0));
    }
  }
  if ((inputBuses > 0 && inputChannels[0] != config.channels) || outputChannels[0] != config.channels)
    return Status::failure("after the bus arrangement the main buses do not have " +
                           std::to_string(config.channels) + " channels");
  if (inputBuses > 0)
    if (Status activated = plugin.activateBus(kAudio, kInput, 0, true); !activated)
      return activated;
  if (Status activated = plugin.activateBus(kAudio, kOutput, 0, true); !activated)
    return activated;

  std::size_t totalChannels = 0;
  for (int32 channels : inputChannels)
    totalChannels += static_cast<std::size_t>(channels);
  runner->mFirstOutputChannel = totalChannels;
  for (int32 channels : outputChannels)
    totalChannels += static_cast<std::size_t>(channels);
  const auto frames = static_cast<std::size_t>(config.maxBlockFrames);
  if (config.symbolicSampleSize == kSample32)
  {
    runner->mSamples32.assign(totalChannels, std::vector<float>(frames));
    for (auto& channel : runner->mSamples32)
      runner->mPointers32.push_back(channel.data());
  }
  else
  {
    runner->mSamples64.assign(totalChannels, std::vector<double>(frames));
    for (auto& channel : runner->mSamples64)
      runner->mPointers64.push_back(channel.data());
  }
  std::size_t first = 0;
  auto makeBuses = [&](const std::vector<int32>& counts, std::vector<AudioBusBuffers>& buses) {
    for (int32 channels : counts)
    {
      AudioBusBuffers bus{};
      bus.numChannels = channels;
      if (config.symbolicSampleSize == kSample32)
        bus.channelBuffers32 = runner->mPointers32.data() + first;
      else
        bus.channelBuffers64 = runner->mPointers64.data() + first;
      first += static_cast<std::size_t>(channels);
      buses.push_back(bus);
    }
  };
  makeBuses(inputChannels, runner->mInputBuses);
  makeBuses(outputChannels, runner->mOutputBuses);

  if (!plugin.canProcessSampleSize(config.symbolicSampleSize))
    return Status::failure(std::string("the plug-in does not process ") +
                           (config.symbolicSampleSize == kSample64 ? "64" : "32") + "-bit samples");
  const ProcessSetup setup{config.processMode, config.symbolicSampleSize, config.maxBlockFrames, config.sampleRate};
  if (Status set = plugin.setupProcessing(setup); !set)
    return set;
  if (Status activated = plugin.setActive(true); !activated)
    return activated;
  runner->mRunning = true;
  if (Status started = plugin.setProcessing(true); !started)
    return started;
  return runner;
}

ProcessRunner::~ProcessRunner()
{
  (void)stop();
}

Status ProcessRunner::stop()
{
  if (!mRunning)
    return Status::success();
  mRunning = false;
  Status result = Status::success();
  if (mPlugin.stage() == PluginInstance::Stage::kProcessing)
    result = mPlugin.setProcessing(false);
  if (mPlugin.stage() == PluginInstance::Stage::kActive)
  {
    Status deactivated = mPlugin.setActive(false);
    if (result.ok())
      result = std::move(deactivated);
  }
  return result;
}

const ProcessContext& ProcessRunner::nextContext() noexcept
{
  ProcessContext& context = mContext;
  context = ProcessContext{};
  context.state = ProcessContext::kTempoValid | ProcessContext::kTimeSigValid |
                  ProcessContext::kProjectTimeMusicValid | ProcessContext::kBarPositionValid |
                  ProcessContext::kContTimeValid | ProcessContext::kSystemTimeValid;
  if (mPlaying)
    context.state |= ProcessContext::kPlaying;
  context.sampleRate = mConfig.sampleRate;
  context.projectTimeSamples = mProjectTime;
  context.continousTimeSamples = mContinuousTime;
  context.systemTime = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
  context.tempo = mConfig.tempoBpm;
  context.timeSigNumerator = 4;
  context.timeSigDenominator = 4;
  context.projectTimeMusic = static_cast<double>(mProjectTime) / mConfig.sampleRate * mConfig.tempoBpm / 60.;
  context.barPositionMusic = std::floor(context.projectTimeMusic / 4.) * 4.;
  return context;
}

void ProcessRunner::queueChange(ParamID id, ParamValue normalized, int32 sampleOffset) noexcept
{
  mInputChanges->addChange(id, sampleOffset, normalized);
}

Status ProcessRunner::process(const double* const* in, double* const* out, int32 frames)
{
  return processSplit(in, out, frames);
}

Status ProcessRunner::process(const float* const* in, float* const* out, int32 frames)
{
  return processSplit(in, out, frames);
}

Status ProcessRunner::flush()
{
  return runCall(0, false);
}

template <class Sample>
Status ProcessRunner::processSplit(const Sample* const* in, Sample* const* out, int32 frames)
{
  if (!mRunning)
    return Status::failure("process: the runner was stopped");
  if (frames < 0 || (frames > 0 && (in == nullptr || out == nullptr)))
    return Status::failure("process: no buffers or a negative frame count");
  if (frames == 0)
    return runCall(0, true);
  // Runners carry one or two channels (start() arranges only mono and stereo).
  const int32 channels = std::min(mConfig.channels, 2);
  for (int32 done = 0; done < frames;)
  {
    const int32 piece = std::min(frames - done, mConfig.maxBlockFrames);
    const Sample* pieceIn[2] = {};
    Sample* pieceOut[2] = {};
    for (int32 c = 0; c < channels; ++c)
    {
      pieceIn[c] = in[c] + done;
      pieceOut[c] = out[c] + done;
    }
    if (Status status = processBlock(pieceIn, pieceOut, piece); !status)
      return status;
    done += piece;
  }
  return Status::success();
}

template <class Sample>
Status ProcessRunner::processBlock(const Sample* const* in, Sample* const* out, int32 frames)
{
  const bool wide = mConfig.symbolicSampleSize == kSample64;
  const auto channels = static_cast<std::size_t>(mConfig.channels);
  // When the caller's samples are the set-up's size, bus 0 is handed the caller's arrays
  // themselves, as a host's engine hands over its own buffers (possibly in place); only a
  // size that differs is converted through the runner's buffers.
  std::vector<Sample*>* pointers = nullptr;
  std::vector<std::vector<Sample>>* samples = nullptr;
  if constexpr (std::is_same_v<Sample, double>)
    pointers = &mPointers64, samples = &mSamples64;
  else
    pointers = &mPointers32, samples = &mSamples32;
  const bool direct = wide == std::is_same_v<Sample, double>;
  const std::size_t firstInput = mInputBuses.empty() ? channels : 0; // no input bus: nothing to hand over

  // Bus 0 of each direction takes the caller's channels; other buses stay silent.
  if (!mInputBuses.empty())
  {
    mInputBuses[0].silenceFlags = 0;
    for (std::size_t c = 0; c < channels; ++c)
    {
      if (direct)
        (*pointers)[c] = const_cast<Sample*>(in[c]); // a plug-in only reads its inputs
      else if (wide)
        convert(in[c], mSamples64[c].data(), frames);
      else
        convert(in[c], mSamples32[c].data(), frames);
      if (allZero(in[c], frames))
        mInputBuses[0].silenceFlags |= 1ull << c;
    }
    for (std::size_t bus = 1; bus < mInputBuses.size(); ++bus)
      mInputBuses[bus].silenceFlags = mInputBuses[bus].numChannels >= 64 ? ~0ull : (1ull << mInputBuses[bus].numChannels) - 1;
  }
  if (direct)
  {
    for (std::size_t c = 0; c < channels; ++c)
      (*pointers)[mFirstOutputChannel + c] = out[c];
    const Status status = runCall(frames, true);
    // Back to the runner's own buffers, for flushes.
    for (std::size_t c = firstInput; c < channels; ++c)
      (*pointers)[c] = (*samples)[c].data();
    for (std::size_t c = 0; c < channels; ++c)
      (*pointers)[mFirstOutputChannel + c] = (*samples)[mFirstOutputChannel + c].data();
    return status;
  }
  if (Status status = runCall(frames, true); !status)
    return status;
  for (std::size_t c = 0; c < channels; ++c)
  {
    if (wide)
      convert(mSamples64[mFirstOutputChannel + c].data(), out[c], frames);
    else
      convert(mSamples32[mFirstOutputChannel + c].data(), out[c], frames);
  }
  return Status::success();
}

Status ProcessRunner::runCall(int32 frames, bool withBuffers)
{
  mOutputChanges->clear();
  mData = ProcessData{};
  mData.processMode = mConfig.processMode;
  mData.symbolicSampleSize = mConfig.symbolicSampleSize;
  mData.numSamples = frames;
  if (withBuffers)
  {
    mData.numInputs = static_cast<int32>(mInputBuses.size());
    mData.numOutputs = static_cast<int32>(mOutputBuses.size());
    mData.inputs = mInputBuses.empty() ? nullptr : mInputBuses.data();
    mData.outputs = mOutputBuses.data();
    for (AudioBusBuffers& bus : mOutputBuses)
      bus.silenceFlags = 0;
  }
  mData.inputParameterChanges = mInputChanges.get();
  mData.outputParameterChanges = mOutputChanges.get();
  mData.processContext = const_cast<ProcessContext*>(&nextContext());
  const tresult result = mPlugin.process(mData);
  mInputChanges->clear();
  if (result != kResultOk)
    return checkResult(result, "process of " + std::to_string(frames) + " frames");
  if (mPlaying)
    mProjectTime += frames;
  mContinuousTime += frames;
  return Status::success();
}
} // namespace vst3host
