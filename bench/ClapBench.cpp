// Cost of process through the CLAP interface of the built TavrikQuenmark.clap (loaded by
// our host, called on its audio thread, 64- and 32-bit) against the engine's own
// processBlock on the same frames, in the same run: what the binding, the framework's
// buffer handling and the product add per frame, against the same target as VST3.
#include "BenchReport.h"
#include "EngineRun.h"

#include "tools/claphost/ClapHost.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{
using namespace EngineRun;

constexpr int kBlockSizes[] = {32, 64, 512};

template <class Sample>
void runClap(benchmark::State& state, int blockFrames, int measure)
{
  std::unique_ptr<claphost::Module> module;
  std::unique_ptr<claphost::Instance> instance;
  try
  {
    module = std::make_unique<claphost::Module>(QUENMARK_BENCH_CLAP);
    instance = std::make_unique<claphost::Instance>(*module);
  }
  catch (const std::exception& error)
  {
    state.SkipWithError(error.what());
    return;
  }
  if (!instance->activate(kRate, static_cast<uint32_t>(blockFrames)))
  {
    state.SkipWithError("activate refused");
    return;
  }
  instance->set(instance->paramId("Mode"), 0.);
  instance->set(instance->paramId("Measure"), measure);
  instance->set(instance->paramId("Target Value"), kTargetDb);
  instance->set(instance->paramId("Gate"), kGateDb);
  instance->set(instance->paramId("Normalize"), 1.);
  instance->set(instance->paramId("Analyze"), 1.);
  instance->setPlaying(true);
  {
    std::vector<double> silence(static_cast<std::size_t>(blockFrames)), out0(silence), out1(silence);
    const double* in[2] = {silence.data(), silence.data()};
    double* out[2] = {out0.data(), out1.data()};
    instance->process(in, out, static_cast<uint32_t>(blockFrames)); // takes the changes, starts processing
  }

  // A host's process struct, its lists empty, its transport playing.
  claphost::abi::TransportEvent transport{};
  transport.header = {sizeof transport, 0, 0, claphost::abi::kTransport, 0};
  transport.flags = claphost::abi::kTransportPlaying | claphost::abi::kTransportHasTempo;
  transport.tempo = 120.;
  claphost::abi::InputEvents in{nullptr, [](const claphost::abi::InputEvents*) -> uint32_t { return 0; },
                                [](const claphost::abi::InputEvents*, uint32_t) -> const claphost::abi::EventHeader* {
                                  return nullptr;
                                }};
  claphost::abi::OutputEvents out{nullptr, [](const claphost::abi::OutputEvents*, const claphost::abi::EventHeader*) {
                                    return true;
                                  }};
  Sample* inPointers[2] = {};
  Sample* outPointers[2] = {};
  claphost::abi::AudioBuffer inBuffer{}, outBuffer{};
  inBuffer.channels = outBuffer.channels = 2;
  if constexpr (sizeof(Sample) == sizeof(double))
  {
    inBuffer.data64 = reinterpret_cast<double**>(inPointers);
    outBuffer.data64 = reinterpret_cast<double**>(outPointers);
  }
  else
  {
    inBuffer.data32 = reinterpret_cast<float**>(inPointers);
    outBuffer.data32 = reinterpret_cast<float**>(outPointers);
  }
  claphost::abi::Process process{};
  process.frames = static_cast<uint32_t>(blockFrames);
  process.transport = &transport;
  process.inputs = &inBuffer;
  process.outputs = &outBuffer;
  process.inputCount = process.outputCount = 1;
  process.in = &in;
  process.out = &out;
  const claphost::abi::Plugin& plugin = instance->plugin();
  // The whole run on the host's audio thread, as a host's engine calls process.
  instance->runOnAudio([&] {
    runHostBlocks<Sample>(state, blockFrames, [&](Sample** inputs, Sample** outputs) {
      for (std::size_t c = 0; c < 2; ++c)
      {
        inPointers[c] = inputs[c];
        outPointers[c] = outputs[c];
      }
      plugin.process(&plugin, &process);
      process.steadyTime += blockFrames;
    });
  });
  instance.reset();
  module.reset();
}
} // namespace

int main(int argc, char** argv)
{
  std::vector<RatioTarget> targets;
  for (int block : kBlockSizes)
    for (const Measure& measure : kMeasures)
    {
      const std::string engine = caseName("Engine", measure.name, block);
      const std::string wide = caseName("Clap-64bit", measure.name, block);
      const std::string narrow = caseName("Clap-32bit", measure.name, block);
      const int m = measure.index;
      registerCase(engine, [=](benchmark::State& s) { runAnalysingEngine(s, block, m); });
      registerCase(wide, [=](benchmark::State& s) { runClap<double>(s, block, m); });
      registerCase(narrow, [=](benchmark::State& s) { runClap<float>(s, block, m); });
      targets.push_back({wide, engine, 1.2});
      targets.push_back({narrow, engine, 1.2});
    }
  return runWithRatios(argc, argv, targets);
}
