// Cost of run() through the descriptor of the built TavrikQuenmark.lv2 module (loaded
// with dlopen, 32-bit float ports as LV2 hosts give them) against the engine's own
// processBlock on the same frames, in the same run: what the binding, the framework's
// conversion and the product add per frame, against the same target as VST3.
#include "BenchReport.h"
#include "EngineRun.h"

#include "lv2/Lv2Ports.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <cstdio>
#include <dlfcn.h>
#include <map>
#include <string>
#include <vector>

namespace
{
using namespace EngineRun;

// Block 4096 is what file renderers and large-buffer sessions hand an LV2 plug-in.
constexpr int kBlockSizes[] = {32, 64, 512, 4096};

// The control ports in parameter order: Gain, Measure, Target Value, Mode, Analyze,
// Normalize, Group, Gate.
enum Param : std::uint32_t { kGain, kMeasure, kTarget, kMode, kAnalyze, kNormalize, kGroup, kGate, kParamCount };

const LV2_Descriptor* descriptor()
{
  static const LV2_Descriptor* found = [] {
    void* module = dlopen(QUENMARK_BENCH_LV2, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr)
    {
      std::fprintf(stderr, "bench_lv2: %s\n", dlerror());
      return static_cast<const LV2_Descriptor*>(nullptr);
    }
    auto entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(module, "lv2_descriptor"));
    return entry != nullptr ? entry(0) : nullptr;
  }();
  return found;
}

// The host's URID map; filled while the instance is created, never on the audio path.
struct UridMap
{
  std::map<std::string, LV2_URID> ids;
  LV2_URID_Map feature{this, [](LV2_URID_Map_Handle handle, const char* uri) -> LV2_URID {
                         auto& ids = static_cast<UridMap*>(handle)->ids;
                         return ids.try_emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
                       }};
  LV2_URID operator()(const char* uri) { return feature.map(feature.handle, uri); }
};

// A host's engine: urid:map and the block bound at instantiation, every port connected,
// a playing transport sent once, then the whole iteration's buffers handed to run()
// block by block with an empty control sequence, as a host does between transport
// changes. The audio ports are connected before each block (the host's buffers move).
void runLv2(benchmark::State& state, int blockFrames, int measure)
{
  const LV2_Descriptor* d = descriptor();
  if (d == nullptr)
  {
    state.SkipWithError("no LV2 descriptor");
    return;
  }
  UridMap map;
  std::int32_t bound = blockFrames;
  const LV2_Options_Option options[] = {
      {LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__maxBlockLength), sizeof bound, map(LV2_ATOM__Int), &bound},
      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  const LV2_Feature mapFeature{LV2_URID__map, &map.feature};
  const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
  const LV2_Feature* features[] = {&mapFeature, &optionsFeature, nullptr};
  LV2_Handle handle = d->instantiate(d, kRate, "", features);
  if (handle == nullptr)
  {
    state.SkipWithError("instantiate refused");
    return;
  }

  const Lv2Ports ports{kParamCount};
  float params[kParamCount] = {};
  params[kMeasure] = static_cast<float>(measure);
  params[kTarget] = static_cast<float>(kTargetDb);
  params[kMode] = 0.0f; // Standard
  params[kAnalyze] = 1.0f;
  params[kNormalize] = 1.0f;
  params[kGate] = static_cast<float>(kGateDb);
  float enabled = 1.0f;
  float readouts[Lv2Ports::kReadoutCount] = {};
  alignas(8) std::uint8_t control[256] = {};
  alignas(8) std::uint8_t notify[4096] = {};
  for (std::uint32_t p = 0; p < kParamCount; ++p)
    d->connect_port(handle, ports.Param(p), &params[p]);
  d->connect_port(handle, ports.Enabled(), &enabled);
  for (std::uint32_t k = 0; k < Lv2Ports::kReadoutCount; ++k)
    d->connect_port(handle, ports.Readout(k), &readouts[k]);
  d->connect_port(handle, Lv2Ports::Control(), control);
  d->connect_port(handle, Lv2Ports::Notify(), notify);
  d->activate(handle);

  // The first block carries the transport start; later ones an empty sequence.
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, &map.feature);
  lv2_atom_forge_set_buffer(&forge, control, sizeof control);
  LV2_Atom_Forge_Frame sequence, object;
  lv2_atom_forge_sequence_head(&forge, &sequence, 0);
  lv2_atom_forge_frame_time(&forge, 0);
  lv2_atom_forge_object(&forge, &object, 0, map(LV2_TIME__Position));
  lv2_atom_forge_key(&forge, map(LV2_TIME__speed));
  lv2_atom_forge_float(&forge, 1.0f);
  lv2_atom_forge_key(&forge, map(LV2_TIME__beatsPerMinute));
  lv2_atom_forge_float(&forge, 120.0f);
  lv2_atom_forge_pop(&forge, &object);
  lv2_atom_forge_pop(&forge, &sequence);
  auto* controlSequence = reinterpret_cast<LV2_Atom_Sequence*>(control);
  auto* notifyAtom = reinterpret_cast<LV2_Atom*>(notify);
  const LV2_URID sequenceType = map(LV2_ATOM__Sequence);
  auto emptyControl = [&] {
    controlSequence->atom.type = sequenceType;
    controlSequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
  };
  {
    std::vector<float> silence(static_cast<std::size_t>(blockFrames)), out0(silence), out1(silence);
    d->connect_port(handle, Lv2Ports::AudioIn(0), silence.data());
    d->connect_port(handle, Lv2Ports::AudioIn(1), silence.data());
    d->connect_port(handle, Lv2Ports::AudioOut(0), out0.data());
    d->connect_port(handle, Lv2Ports::AudioOut(1), out1.data());
    notifyAtom->size = sizeof notify - sizeof(LV2_Atom);
    d->run(handle, static_cast<std::uint32_t>(blockFrames)); // takes the ports and the transport
    emptyControl();
  }

  runHostBlocks<float>(state, blockFrames, [&](float** inputs, float** outputs) {
    for (std::uint32_t c = 0; c < Lv2Ports::kAudioChannels; ++c)
    {
      d->connect_port(handle, Lv2Ports::AudioIn(c), inputs[c]);
      d->connect_port(handle, Lv2Ports::AudioOut(c), outputs[c]);
    }
    notifyAtom->size = sizeof notify - sizeof(LV2_Atom); // the host hands the capacity again
    d->run(handle, static_cast<std::uint32_t>(blockFrames));
  });
  d->deactivate(handle);
  d->cleanup(handle);
}
} // namespace

int main(int argc, char** argv)
{
  std::vector<RatioTarget> targets;
  for (int block : kBlockSizes)
    for (const Measure& measure : kMeasures)
    {
      const std::string engine = caseName("Engine", measure.name, block);
      const std::string lv2 = caseName("Lv2-32bit", measure.name, block);
      const int m = measure.index;
      registerCase(engine, [=](benchmark::State& s) { runAnalysingEngine(s, block, m); });
      registerCase(lv2, [=](benchmark::State& s) { runLv2(s, block, m); });
      // Block 32 is reported without a target: the binding's fixed cost per block
      // weighs most there.
      targets.push_back({lv2, engine, block >= 64 ? 1.2 : 0.0});
    }
  return runWithRatios(argc, argv, targets);
}
