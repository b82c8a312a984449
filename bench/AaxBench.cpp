// Cost of the render callback of the built TavrikQuenmark.aaxplugin (loaded by our AAX
// host, 32-bit as AAX hosts render) against the engine's own processBlock on the same
// frames, in the same run: what the binding, the framework's conversion and the product
// add per frame. Both analyse with the measure given and apply the gain.
#include "BenchReport.h"
#include "EngineRun.h"

#include "engine/AudioPlugin.h"
#include "tools/aaxhost/Instance.h"
#include "tools/aaxhost/Module.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
using namespace EngineRun;

constexpr int kBlockSizes[] = {64, 512};


aaxhost::Module* bundle()
{
  static std::unique_ptr<aaxhost::Module> module = [] {
    std::string error;
    auto loaded = aaxhost::Module::Load(QUENMARK_BENCH_BUNDLE, error);
    if (!loaded)
      std::fprintf(stderr, "bench_aax: %s\n", error.c_str());
    return loaded;
  }();
  return module.get();
}

// A host's engine: the whole iteration's buffers, handed to the render callback block
// by block with a playing transport.
void runBundle(benchmark::State& state, int blockFrames, int measure)
{
  aaxhost::Module* module = bundle();
  const aaxhost::EffectDescriptor* effect =
      module != nullptr ? module->Effect("com.Tavrik.aax.TavrikQuenmark") : nullptr;
  std::string error = "no bundle";
  auto instance = effect != nullptr ? aaxhost::Instance::Create(*effect, 1, kRate, error) : nullptr;
  if (!instance)
  {
    state.SkipWithError(error.c_str());
    return;
  }
  auto set = [&](const char* id, const std::string& text) {
    double normalized = 0.0;
    instance->Parameters().GetParameterValueFromString(id, &normalized, aaxhost::HostString(text));
    instance->Automate(id, normalized);
  };
  set("4", "Standard");
  instance->Automate("2", measure / 5.0);
  set("3", std::to_string(kTargetDb));
  set("8", std::to_string(kGateDb));
  instance->Automate("6", 1.0);
  instance->Automate("5", 1.0);
  instance->HostTransport().playing = true;

  runHostBlocks<float>(state, blockFrames, [&](float** inputs, float** outputs) {
    instance->Render(inputs, outputs, blockFrames);
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
      const std::string aax = caseName("Aax-32bit", measure.name, block);
      const int m = measure.index;
      registerCase(engine, [=](benchmark::State& s) { runAnalysingEngine(s, block, m); });
      registerCase(aax, [=](benchmark::State& s) { runBundle(s, block, m); });
      targets.push_back({aax, engine, 1.2});
    }
  return runWithRatios(argc, argv, targets);
}
