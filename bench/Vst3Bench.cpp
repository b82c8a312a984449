// Cost of process through the VST3 interface of the built bundle (loaded by our host,
// 64- and 32-bit) against the engine's own processBlock on the same frames, in the same
// run: what the binding, the framework's buffer handling and the product add per frame.
// Both analyse with the measure given and apply the gain ("Normalize" on).
#include "BenchReport.h"
#include "EngineRun.h"

#include "engine/AudioPlugin.h"
#include "tools/vst3host/Module.h"
#include "tools/vst3host/ParameterChanges.h"
#include "tools/vst3host/PluginInstance.h"
#include "tools/vst3host/ProcessRunner.h"

#include "vst3/sdk/interfaces/ProcessContext.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
using namespace EngineRun;

// Block 32 shows what a small-buffer session costs per instance.
constexpr int kBlockSizes[] = {32, 64, 512};


std::shared_ptr<vst3host::Module> bundle()
{
  static std::shared_ptr<vst3host::Module> module = [] {
    auto loaded = vst3host::Module::load(QUENMARK_BENCH_BUNDLE);
    if (!loaded)
      std::fprintf(stderr, "bench_vst3: %s\n", loaded.message().c_str());
    return loaded ? loaded.take() : nullptr;
  }();
  return module;
}

// A host's engine: its own input and output buffers for the whole iteration, handed to
// process block by block, with a playing transport and an empty change list.
template <class Sample>
void runBundle(benchmark::State& state, int32 sampleSize, int blockFrames, int measure)
{
  std::shared_ptr<vst3host::Module> module = bundle();
  auto effect = module ? module->firstAudioEffect() : vst3host::Result<vst3host::ClassDescription>(
                                                        vst3host::Status::failure("no bundle"));
  auto created = effect ? vst3host::PluginInstance::create(module, effect.value())
                        : vst3host::Result<std::unique_ptr<vst3host::PluginInstance>>(effect.status());
  if (!created)
  {
    state.SkipWithError(created.message().c_str());
    return;
  }
  vst3host::PluginInstance& plugin = *created.value();
  auto id = [&](const char* title) { return plugin.parameterTitled(title).value().id; };
  vst3host::RunnerConfig config;
  config.symbolicSampleSize = sampleSize;
  config.sampleRate = kRate;
  config.maxBlockFrames = blockFrames;
  auto started = vst3host::ProcessRunner::start(plugin, config);
  if (!started)
  {
    state.SkipWithError(started.message().c_str());
    return;
  }
  vst3host::ProcessRunner& runner = *started.value();
  runner.queueChange(id("Mode"), 0.);
  runner.queueChange(id("Measure"), plugin.toNormalized(id("Measure"), measure));
  runner.queueChange(id("Target Value"), plugin.toNormalized(id("Target Value"), kTargetDb));
  runner.queueChange(id("Gate"), plugin.toNormalized(id("Gate"), kGateDb));
  runner.queueChange(id("Normalize"), 1.);
  runner.queueChange(id("Analyze"), 1.);
  runner.setPlaying(true);
  (void)runner.flush();

  auto changes = IPtr<ParameterChanges>::adopt(new ParameterChanges);
  ProcessContext context{};
  context.state = ProcessContext::kPlaying | ProcessContext::kTempoValid;
  context.sampleRate = kRate;
  context.tempo = 120.;
  Sample* inPointers[2] = {};
  Sample* outPointers[2] = {};
  AudioBusBuffers inBus{}, outBus{};
  inBus.numChannels = outBus.numChannels = 2;
  ProcessData data{};
  data.symbolicSampleSize = sampleSize;
  data.numSamples = blockFrames;
  data.numInputs = data.numOutputs = 1;
  data.inputs = &inBus;
  data.outputs = &outBus;
  data.inputParameterChanges = changes.get();
  data.processContext = &context;
  auto bind = [&](Sample** pointers, AudioBusBuffers& bus) {
    if constexpr (sizeof(Sample) == sizeof(double))
      bus.channelBuffers64 = reinterpret_cast<Sample64**>(pointers);
    else
      bus.channelBuffers32 = reinterpret_cast<Sample32**>(pointers);
  };
  bind(inPointers, inBus);
  bind(outPointers, outBus);

  runHostBlocks<Sample>(state, blockFrames, [&](Sample** inputs, Sample** outputs) {
    for (std::size_t c = 0; c < 2; ++c)
    {
      inPointers[c] = inputs[c];
      outPointers[c] = outputs[c];
    }
    plugin.process(data);
    context.projectTimeSamples += blockFrames;
  });
}

// The engine reading a host's input buffers and writing its output buffers.
void runEngineOnHostBuffers(benchmark::State& state, int blockFrames, int measure)
{
  AudioPlugin engine;
  setUpEngine(engine, blockFrames, measure, true);
  runHostBlocks<double>(state, blockFrames, [&](double** inputs, double** outputs) {
    engine.processBlock(inputs, outputs, blockFrames);
  });
}
} // namespace

int main(int argc, char** argv)
{
  std::vector<RatioTarget> targets;
  for (int block : kBlockSizes)
    for (const Measure& measure : kMeasures)
    {
      const std::string engine = caseName("Engine", measure.name, block);
      const std::string wide = caseName("Vst3-64bit", measure.name, block);
      const std::string narrow = caseName("Vst3-32bit", measure.name, block);
      const int m = measure.index;
      // The engine on a host's separate input and output buffers, beside the in-place
      // floor: shows that the floor's layout is not what the ratios measure.
      const std::string hostBuffers = caseName("Engine-host-buffers", measure.name, block);
      registerCase(engine, [=](benchmark::State& s) { runAnalysingEngine(s, block, m); });
      registerCase(hostBuffers, [=](benchmark::State& s) { runEngineOnHostBuffers(s, block, m); });
      registerCase(wide, [=](benchmark::State& s) { runBundle<double>(s, kSample64, block, m); });
      registerCase(narrow, [=](benchmark::State& s) { runBundle<float>(s, kSample32, block, m); });
      targets.push_back({hostBuffers, engine, 0.0});
      targets.push_back({wide, engine, 1.2});
      targets.push_back({narrow, engine, 1.2});
    }
  return runWithRatios(argc, argv, targets);
}
