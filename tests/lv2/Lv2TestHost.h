#pragma once

// A host of the built LV2 module for tests: loaded with dlopen, instantiated with urid:map
// and a block bound, its ports connected to buffers of the test's own.

#include "lv2/Lv2Ports.h"
#include "AllocationCounter.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <dlfcn.h>
#include <map>
#include <string>
#include <vector>

namespace lv2test
{
constexpr double kPi = 3.14159265358979323846;
enum Param { kGain, kMeasure, kTarget, kMode, kAnalyze, kNormalize, kGroup, kGate, kParams };
constexpr int kMeasureRms = 2;

struct UridMap
{
  std::map<std::string, LV2_URID> ids;
  LV2_URID_Map feature{this, [](LV2_URID_Map_Handle h, const char* uri) -> LV2_URID {
                         auto& ids = static_cast<UridMap*>(h)->ids;
                         return ids.try_emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
                       }};
  LV2_URID operator()(const char* uri) { return feature.map(feature.handle, uri); }
};

inline const LV2_Descriptor* Descriptor()
{
  static void* module = dlopen(QUENMARK_LV2_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr)
    return nullptr;
  auto entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(module, "lv2_descriptor"));
  return entry != nullptr ? entry(0) : nullptr;
}

// One instance with its buffers. Control ports start at the defaults.
struct Instance
{
  UridMap& map;
  const LV2_Descriptor* d = Descriptor();
  LV2_Handle handle = nullptr;
  Lv2Ports ports{kParams};
  std::vector<float> in[2], out[2];
  float params[kParams] = {0.0f, 0.0f, -12.0f, 0.0f, 1.0f, 1.0f, 0.0f, -60.0f};
  float enabled = 1.0f;
  float readouts[2] = {};
  alignas(8) uint8_t control[4096] = {};
  alignas(8) uint8_t notify[4096] = {};
  int32_t maxBlock;

  Instance(UridMap& m, double rate = 48000.0, int32_t bound = 512) : map(m), maxBlock(bound)
  {
    const LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), map(LV2_ATOM__Int), &maxBlock},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    const LV2_Feature mapFeature{LV2_URID__map, &map.feature};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
    const LV2_Feature* features[] = {&mapFeature, &optionsFeature, nullptr};
    if (d == nullptr)
      return;
    handle = d->instantiate(d, rate, "", bound > 0 ? features : features + 2);
    if (handle == nullptr)
      return;
    for (uint32_t p = 0; p < kParams; ++p)
      d->connect_port(handle, ports.Param(p), &params[p]);
    d->connect_port(handle, ports.Enabled(), &enabled);
    d->connect_port(handle, ports.Readout(0), &readouts[0]);
    d->connect_port(handle, ports.Readout(1), &readouts[1]);
    d->connect_port(handle, Lv2Ports::Control(), control);
    d->connect_port(handle, Lv2Ports::Notify(), notify);
    d->activate(handle);
    ClearControl();
  }
  ~Instance()
  {
    if (handle != nullptr)
    {
      d->deactivate(handle);
      d->cleanup(handle);
    }
  }
  void ClearControl()
  {
    auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(control);
    seq->atom.type = map(LV2_ATOM__Sequence);
    seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
    seq->body.unit = 0;
  }
  // Puts one time:Position with this speed into the next block's control sequence.
  void SendSpeed(float speed)
  {
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, &map.feature);
    lv2_atom_forge_set_buffer(&forge, control, sizeof control);
    LV2_Atom_Forge_Frame seq, obj;
    lv2_atom_forge_sequence_head(&forge, &seq, 0);
    lv2_atom_forge_frame_time(&forge, 0);
    lv2_atom_forge_object(&forge, &obj, 0, map(LV2_TIME__Position));
    lv2_atom_forge_key(&forge, map(LV2_TIME__speed));
    lv2_atom_forge_float(&forge, speed);
    lv2_atom_forge_pop(&forge, &obj);
    lv2_atom_forge_pop(&forge, &seq);
  }
  // The ParamChange messages of the last block: index -> plain value.
  std::map<int, float> Notifications()
  {
    std::map<int, float> found;
    const auto* seq = reinterpret_cast<const LV2_Atom_Sequence*>(notify);
    LV2_ATOM_SEQUENCE_FOREACH(seq, ev)
    {
      const auto* obj = reinterpret_cast<const LV2_Atom_Object*>(&ev->body);
      if (obj->body.otype != map(QUENMARK_LV2_PARAM_CHANGE_URI))
        continue;
      const LV2_Atom *index = nullptr, *value = nullptr;
      lv2_atom_object_get(obj, map(QUENMARK_LV2_PARAM_INDEX_URI), &index, map(QUENMARK_LV2_PARAM_VALUE_URI), &value, 0);
      if (index != nullptr && value != nullptr)
        found[reinterpret_cast<const LV2_Atom_Int*>(index)->body] = reinterpret_cast<const LV2_Atom_Float*>(value)->body;
    }
    return found;
  }
  // Runs one block on buffers already connected, counting the heap calls.
  std::size_t RunCounted(int frames)
  {
    reinterpret_cast<LV2_Atom*>(notify)->size = sizeof notify - sizeof(LV2_Atom);
    const AllocationScope scope;
    d->run(handle, static_cast<uint32_t>(frames));
    return scope.count() + scope.releases();
  }
  // Runs `frames` of a sine at `amplitude` in blocks of `block`; the output is kept.
  void Play(int frames, int block, double amplitude, double rate = 48000.0)
  {
    for (int c = 0; c < 2; ++c)
    {
      in[c].resize(static_cast<size_t>(frames));
      out[c].assign(static_cast<size_t>(frames), 0.0f);
      for (int i = 0; i < frames; ++i)
        in[c][static_cast<size_t>(i)] = static_cast<float>(amplitude * std::sin(2.0 * kPi * 997.0 * i / rate));
    }
    for (int at = 0; at < frames; at += block)
    {
      const int n = std::min(block, frames - at);
      for (int c = 0; c < 2; ++c)
      {
        d->connect_port(handle, Lv2Ports::AudioIn(static_cast<uint32_t>(c)), in[c].data() + at);
        d->connect_port(handle, Lv2Ports::AudioOut(static_cast<uint32_t>(c)), out[c].data() + at);
      }
      reinterpret_cast<LV2_Atom*>(notify)->size = sizeof notify - sizeof(LV2_Atom);
      d->run(handle, static_cast<uint32_t>(n));
      ClearControl();
    }
  }
  double OutputRmsDb(int fromFrame) const
  {
    double sum = 0.0;
    for (size_t i = static_cast<size_t>(fromFrame); i < out[0].size(); ++i)
      sum += out[0][i] * out[0][i];
    return 10.0 * std::log10(sum / static_cast<double>(out[0].size() - static_cast<size_t>(fromFrame)));
  }
};

struct StateStore
{
  std::map<uint32_t, std::pair<std::string, uint32_t>> props;
  static LV2_State_Status Store(LV2_State_Handle h, uint32_t key, const void* value, size_t size, uint32_t type,
                                uint32_t)
  {
    static_cast<StateStore*>(h)->props[key] = {std::string(static_cast<const char*>(value), size), type};
    return LV2_STATE_SUCCESS;
  }
  static const void* Retrieve(LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags)
  {
    auto& props = static_cast<StateStore*>(h)->props;
    const auto found = props.find(key);
    if (found == props.end())
      return nullptr;
    *size = found->second.first.size();
    *type = found->second.second;
    *flags = LV2_STATE_IS_POD;
    return found->second.first.data();
  }
};

inline const LV2_State_Interface* StateOf(const Instance& instance)
{
  return static_cast<const LV2_State_Interface*>(instance.d->extension_data(LV2_STATE__interface));
}

inline std::string SavedDocument(Instance& instance, UridMap& map)
{
  StateStore store;
  EXPECT_EQ(StateOf(instance)->save(instance.handle, &StateStore::Store, &store, 0, nullptr), LV2_STATE_SUCCESS);
  const auto& prop = store.props[map(QUENMARK_LV2_STATE_URI)];
  EXPECT_EQ(prop.second, map(LV2_ATOM__String));
  return prop.first;
}

// The document as JSON (numbers compare by value).
inline nlohmann::json Saved(Instance& instance, UridMap& map)
{
  std::string text = SavedDocument(instance, map);
  while (!text.empty() && text.back() == '\0')
    text.pop_back();
  return nlohmann::json::parse(text);
}
} // namespace lv2test