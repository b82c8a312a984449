#pragma once

// The built TavrikQuenmark bundle as the integration tests load it: through our host,
// from the bundle folder, the way a host finds it. One module per test program (hosts
// keep a module loaded while they make and drop instances).

#include "tools/vst3host/Module.h"
#include "tools/vst3host/PluginInstance.h"
#include "tools/vst3host/ProcessRunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace bundletest
{
inline std::shared_ptr<vst3host::Module> bundleModule()
{
  static std::shared_ptr<vst3host::Module> module = [] {
    auto loaded = vst3host::Module::load(QUENMARK_TEST_BUNDLE);
    EXPECT_TRUE(loaded.ok()) << loaded.message();
    return loaded.ok() ? loaded.take() : nullptr;
  }();
  return module;
}

inline std::unique_ptr<vst3host::PluginInstance> newInstance()
{
  std::shared_ptr<vst3host::Module> module = bundleModule();
  if (!module)
    return nullptr;
  auto effect = module->firstAudioEffect();
  EXPECT_TRUE(effect.ok()) << effect.message();
  if (!effect)
    return nullptr;
  auto instance = vst3host::PluginInstance::create(module, effect.value());
  EXPECT_TRUE(instance.ok()) << instance.message();
  return instance.ok() ? instance.take() : nullptr;
}

// Whether the host saw a whole gesture on parameter id: beginEdit, then performEdit, then
// endEdit, as an editor sends them for one user edit.
inline bool sawWholeGesture(const vst3host::PluginInstance& plugin, Steinberg::Vst::ParamID id)
{
  bool begin = false, perform = false, end = false;
  for (const vst3host::HandlerEvent& event : plugin.handler().events())
    if (event.id == id)
    {
      begin = begin || event.kind == vst3host::HandlerEvent::kBeginEdit;
      perform = perform || (begin && event.kind == vst3host::HandlerEvent::kPerformEdit);
      end = end || (perform && event.kind == vst3host::HandlerEvent::kEndEdit);
    }
  return begin && perform && end;
}

// What the host heard about parameter id, in order: "begin", "perform", "end" and "menu"
// (its context menu asked for), separated by spaces. A host in touch mode writes
// automation from a begin to its end, so every begin needs exactly one end.
inline std::string gestureTrace(const vst3host::PluginInstance& plugin, Steinberg::Vst::ParamID id)
{
  std::string trace;
  for (const vst3host::HandlerEvent& event : plugin.handler().events())
  {
    if (event.id != id)
      continue;
    const char* word = event.kind == vst3host::HandlerEvent::kBeginEdit           ? "begin"
                       : event.kind == vst3host::HandlerEvent::kPerformEdit       ? "perform"
                       : event.kind == vst3host::HandlerEvent::kEndEdit           ? "end"
                       : event.kind == vst3host::HandlerEvent::kCreateContextMenu ? "menu"
                                                                                   : nullptr;
    if (word != nullptr)
      trace += (trace.empty() ? "" : " ") + std::string(word);
  }
  return trace;
}

// The product's parameter IDs as the host finds them by title.
struct Ids
{
  explicit Ids(vst3host::PluginInstance& plugin)
  {
    for (const vst3host::ParameterDescription& parameter : plugin.parameters())
    {
      const std::string& t = parameter.title;
      auto& slot = t == "Gain"           ? gain
                   : t == "Measure"      ? measure
                   : t == "Target Value" ? target
                   : t == "Mode"         ? mode
                   : t == "Analyze"      ? analyze
                   : t == "Normalize"    ? normalize
                   : t == "Group"        ? group
                   : t == "Gate"         ? gate
                   : t == "Bypass"       ? bypass
                   : t == "Preset"       ? preset
                                         : unknown;
      slot = parameter.id;
    }
  }
  Steinberg::Vst::ParamID gain = ~0u, measure = ~0u, target = ~0u, mode = ~0u, analyze = ~0u, normalize = ~0u,
                          group = ~0u, gate = ~0u, bypass = ~0u, preset = ~0u, unknown = ~0u;
};

// Planar 64-bit audio.
struct Planar
{
  Planar(int channelCount, int frameCount)
    : channels(static_cast<std::size_t>(channelCount), std::vector<double>(static_cast<std::size_t>(frameCount)))
  {
  }
  int frames() const { return static_cast<int>(channels[0].size()); }
  std::vector<const double*> in() const
  {
    std::vector<const double*> pointers;
    for (const auto& channel : channels)
      pointers.push_back(channel.data());
    return pointers;
  }
  std::vector<double*> out()
  {
    std::vector<double*> pointers;
    for (auto& channel : channels)
      pointers.push_back(channel.data());
    return pointers;
  }
  double peak() const
  {
    double peak = 0.;
    for (const auto& channel : channels)
      for (double x : channel)
        peak = std::max(peak, std::fabs(x));
    return peak;
  }
  std::vector<std::vector<double>> channels;
};

// A sine of `amplitude` (linear peak) at `hz`; channel c is shifted by a quarter turn per
// channel so the channels differ.
inline Planar sine(int channelCount, int frames, double rate, double hz, double amplitude)
{
  Planar audio(channelCount, frames);
  for (int c = 0; c < channelCount; ++c)
    for (int n = 0; n < frames; ++n)
      audio.channels[static_cast<std::size_t>(c)][static_cast<std::size_t>(n)] =
        amplitude * std::sin(2. * M_PI * hz * n / rate + c * M_PI / 2.);
  return audio;
}

inline double dbToLinear(double db)
{
  return std::pow(10., db / 20.);
}

// The largest |out - in * gain| over all samples.
inline double errorAgainst(const Planar& in, const Planar& out, double gain)
{
  double worst = 0.;
  for (std::size_t c = 0; c < in.channels.size(); ++c)
    for (std::size_t n = 0; n < in.channels[c].size(); ++n)
      worst = std::max(worst, std::fabs(out.channels[c][n] - in.channels[c][n] * gain));
  return worst;
}

inline const char* sampleSizeName(const ::testing::TestParamInfo<Steinberg::int32>& info)
{
  return info.param == Steinberg::Vst::kSample64 ? "Bits64" : "Bits32";
}
} // namespace bundletest

namespace bundletest
{
// One process call's buffers in either sample size, for tests that build ProcessData
// themselves (flushes, odd sizes, silence flags).
class RawBlock
{
public:
  RawBlock(Steinberg::int32 sampleSize, int channelCount, int frameCount)
    : mSampleSize(sampleSize), mChannels(channelCount), mFrames(frameCount)
  {
    const auto channels = static_cast<std::size_t>(channelCount);
    const auto frames = static_cast<std::size_t>(frameCount);
    in32.assign(channels, std::vector<float>(frames));
    out32.assign(channels, std::vector<float>(frames));
    in64.assign(channels, std::vector<double>(frames));
    out64.assign(channels, std::vector<double>(frames));
    for (std::size_t c = 0; c < channels; ++c)
    {
      inPointers32.push_back(in32[c].data());
      outPointers32.push_back(out32[c].data());
      inPointers64.push_back(in64[c].data());
      outPointers64.push_back(out64[c].data());
    }
    inBus.numChannels = outBus.numChannels = channelCount;
    if (sampleSize == Steinberg::Vst::kSample64)
    {
      inBus.channelBuffers64 = inPointers64.data();
      outBus.channelBuffers64 = outPointers64.data();
    }
    else
    {
      inBus.channelBuffers32 = inPointers32.data();
      outBus.channelBuffers32 = outPointers32.data();
    }
    data.processMode = Steinberg::Vst::kRealtime;
    data.symbolicSampleSize = sampleSize;
    data.numSamples = frameCount;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
  }
  RawBlock(const RawBlock&) = delete; // the buses point into the block itself
  RawBlock& operator=(const RawBlock&) = delete;

  // Copies `frames` frames of `audio` from `offset` into the input, zeros after them.
  void load(const Planar& audio, int offset = 0)
  {
    for (std::size_t c = 0; c < static_cast<std::size_t>(mChannels); ++c)
      for (std::size_t n = 0; n < static_cast<std::size_t>(mFrames); ++n)
      {
        const std::size_t at = static_cast<std::size_t>(offset) + n;
        const double x = at < audio.channels[c].size() ? audio.channels[c][at] : 0.;
        in32[c][n] = static_cast<float>(x);
        in64[c][n] = x;
      }
  }
  // The first `frames` output frames (all when negative) in 64 bits.
  Planar output(int frames = -1) const
  {
    const int count = frames < 0 ? mFrames : frames;
    Planar result(mChannels, count);
    for (std::size_t c = 0; c < static_cast<std::size_t>(mChannels); ++c)
      for (std::size_t n = 0; n < static_cast<std::size_t>(count); ++n)
        result.channels[c][n] = mSampleSize == Steinberg::Vst::kSample64 ? out64[c][n] : double(out32[c][n]);
    return result;
  }
  // The input as the plug-in sees it (after the cut to 32 bits).
  Planar input() const
  {
    Planar result(mChannels, mFrames);
    for (std::size_t c = 0; c < static_cast<std::size_t>(mChannels); ++c)
      for (std::size_t n = 0; n < static_cast<std::size_t>(mFrames); ++n)
        result.channels[c][n] = mSampleSize == Steinberg::Vst::kSample64 ? in64[c][n] : double(in32[c][n]);
    return result;
  }

  std::vector<std::vector<float>> in32, out32;
  std::vector<std::vector<double>> in64, out64;
  std::vector<float*> inPointers32, outPointers32;
  std::vector<double*> inPointers64, outPointers64;
  Steinberg::Vst::AudioBusBuffers inBus{};
  Steinberg::Vst::AudioBusBuffers outBus{};
  Steinberg::Vst::ProcessData data{};

private:
  Steinberg::int32 mSampleSize;
  int mChannels;
  int mFrames;
};

// Arranges stereo (or mono), sets up processing at `rate` for blocks up to `maxFrames`
// and starts processing.
inline std::unique_ptr<vst3host::ProcessRunner> startRunner(vst3host::PluginInstance& plugin,
                                                            Steinberg::int32 sampleSize, int channels = 2,
                                                            int maxFrames = 512, double rate = 48000.)
{
  vst3host::RunnerConfig config;
  config.symbolicSampleSize = sampleSize;
  config.channels = channels;
  config.maxBlockFrames = maxFrames;
  config.sampleRate = rate;
  auto runner = vst3host::ProcessRunner::start(plugin, config);
  EXPECT_TRUE(runner.ok()) << runner.message();
  return runner.ok() ? runner.take() : nullptr;
}
} // namespace bundletest
