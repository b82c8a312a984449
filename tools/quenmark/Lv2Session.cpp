#include "tools/quenmark/Lv2Session.h"

#include "tools/quenmark/ToolError.h"

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/state/state.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace quenmark
{
namespace
{
constexpr const char* kPluginUri = "https://tavrik.example/lv2/quenmark";
constexpr const char* kStateUri = "https://tavrik.example/lv2/quenmark#state";

// The URID map every session of the process shares (URIDs must not change under an
// instance).
struct UridMap
{
  std::mutex mutex;
  std::map<std::string, LV2_URID> ids;
  LV2_URID_Map feature{this, [](LV2_URID_Map_Handle handle, const char* uri) -> LV2_URID {
                         auto* self = static_cast<UridMap*>(handle);
                         const std::lock_guard<std::mutex> lock(self->mutex);
                         return self->ids.try_emplace(uri, static_cast<LV2_URID>(self->ids.size() + 1)).first->second;
                       }};
  LV2_URID operator()(const char* uri) { return feature.map(feature.handle, uri); }
};

UridMap& Map()
{
  static UridMap map;
  return map;
}

// lilv's world is not safe to use from two threads at once, and quenmark runs sessions on
// several: every call that reads the world takes this lock. Blocks run without it.
std::mutex& WorldLock()
{
  static std::mutex lock;
  return lock;
}

class Lv2Plugin;

class Lv2Session final : public PluginSession
{
public:
  Lv2Session(std::shared_ptr<const Lv2Plugin> plugin, int channels, int sampleRate);
  ~Lv2Session() override
  {
    const std::lock_guard<std::mutex> lock(WorldLock());
    lilv_instance_deactivate(mInstance);
    lilv_instance_free(mInstance);
  }
  const ProductParameterIds& ids() const noexcept override { return mIds; }
  void set(ParameterId id, double plain) override { mControls.at(id) = static_cast<float>(plain); }
  double plainValue(ParameterId id) override { return mControls.at(id); }
  double defaultPlain(ParameterId id) override { return mDefaults.at(id); }
  std::string measureText(int index) override;
  void setPlaying(bool playing) override
  {
    mPlaying = playing;
    mPositionOwed = true;
  }
  void rewindTransport() override
  {
    mFrame = 0;
    mPositionOwed = true;
  }
  void process(const double* const* in, double* const* out, int frames) override;
  void flush() override
  {
    const double zero[1] = {0.0};
    double sink[1] = {0.0};
    const double* in[2] = {zero, zero};
    double* out[2] = {sink, sink};
    runBlock(in, out, 0);
  }
  double measuredLevel() override;
  double gainDb() override { return mControls.at(mGainReadout); }

private:
  void runBlock(const double* const* in, double* const* out, int frames);
  uint32_t portOf(const char* symbol) const;

  std::shared_ptr<const Lv2Plugin> mPlugin;
  LilvInstance* mInstance = nullptr;
  int mChannels;
  ProductParameterIds mIds{};
  ParameterId mGainReadout = 0;
  std::vector<float> mControls, mDefaults;
  std::vector<float> mIn[2], mOut[2];
  alignas(8) uint8_t mControlAtoms[1024] = {};
  alignas(8) uint8_t mNotify[8192] = {};
  bool mPlaying = false;
  bool mPositionOwed = true;
  int64_t mFrame = 0;
  uint32_t mAudioPorts[2][2] = {}; // [input, output][channel]
};

class Lv2Plugin final : public Plugin, public std::enable_shared_from_this<Lv2Plugin>
{
public:
  explicit Lv2Plugin(const std::filesystem::path& bundle) : mBundle(bundle), mWorld(lilv_world_new())
  {
    std::string uri = "file://" + std::filesystem::absolute(bundle).string();
    if (uri.back() != '/')
      uri += '/';
    LilvNode* bundleNode = lilv_new_uri(mWorld, uri.c_str());
    lilv_world_load_bundle(mWorld, bundleNode);
    lilv_node_free(bundleNode);
    LilvNode* pluginUri = lilv_new_uri(mWorld, kPluginUri);
    mPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), pluginUri);
    lilv_node_free(pluginUri);
    if (mPlugin == nullptr)
    {
      lilv_world_free(mWorld);
      throw ToolError(kExitUsage, "no TavrikQuenmark LV2 plug-in in " + bundle.string());
    }
  }
  ~Lv2Plugin() override { lilv_world_free(mWorld); }
  std::filesystem::path binaryPath() const override
  {
    const std::lock_guard<std::mutex> lock(WorldLock());
    char* path = lilv_file_uri_parse(lilv_node_as_uri(lilv_plugin_get_library_uri(mPlugin)), nullptr);
    std::filesystem::path result = path != nullptr ? path : "";
    lilv_free(path);
    return result;
  }
  std::unique_ptr<PluginSession> openSession(int channels, int sampleRate) override
  {
    return std::make_unique<Lv2Session>(shared_from_this(), channels, sampleRate);
  }
  LilvWorld* world() const { return mWorld; }
  const LilvPlugin* plugin() const { return mPlugin; }

private:
  std::filesystem::path mBundle;
  LilvWorld* mWorld;
  const LilvPlugin* mPlugin = nullptr;
};

Lv2Session::Lv2Session(std::shared_ptr<const Lv2Plugin> plugin, int channels, int sampleRate)
    : mPlugin(std::move(plugin)), mChannels(channels)
{
  if (channels < 1 || channels > 2)
    throw ToolError(kExitUsage, "the LV2 plug-in takes 1 or 2 channels, not " + std::to_string(channels));
  const std::lock_guard<std::mutex> lock(WorldLock());
  const LilvPlugin* p = mPlugin->plugin();
  const uint32_t count = lilv_plugin_get_num_ports(p);
  mControls.assign(count, 0.0f);
  mDefaults.assign(count, 0.0f);
  std::vector<float> defaults(count, NAN);
  lilv_plugin_get_port_ranges_float(p, nullptr, nullptr, defaults.data());
  for (uint32_t i = 0; i < count; ++i)
    mControls[i] = mDefaults[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];

  const LV2_Feature mapFeature{LV2_URID__map, &Map().feature};
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  mInstance = lilv_plugin_instantiate(p, sampleRate, features);
  if (mInstance == nullptr)
    throw ToolError(kExitFailure, "the LV2 plug-in refused an instance at " + std::to_string(sampleRate) + " Hz");
  mIds = {portOf("gain"), portOf("measure"), portOf("target_value"), portOf("mode"),
          portOf("analyze"), portOf("normalize"), portOf("gate")};
  mGainReadout = portOf("applied_gain");
  LilvNode* control = lilv_new_uri(mPlugin->world(), LILV_URI_CONTROL_PORT);
  for (uint32_t i = 0; i < count; ++i)
    if (lilv_port_is_a(p, lilv_plugin_get_port_by_index(p, i), control))
      lilv_instance_connect_port(mInstance, i, &mControls[i]);
  lilv_node_free(control);
  lilv_instance_connect_port(mInstance, portOf("control"), mControlAtoms);
  lilv_instance_connect_port(mInstance, portOf("notify"), mNotify);
  mAudioPorts[0][0] = portOf("in_l");
  mAudioPorts[0][1] = portOf("in_r");
  mAudioPorts[1][0] = portOf("out_l");
  mAudioPorts[1][1] = portOf("out_r");
  lilv_instance_activate(mInstance);
}

uint32_t Lv2Session::portOf(const char* symbol) const
{
  LilvNode* node = lilv_new_string(mPlugin->world(), symbol);
  const LilvPort* port = lilv_plugin_get_port_by_symbol(mPlugin->plugin(), node);
  lilv_node_free(node);
  if (port == nullptr)
    throw ToolError(kExitFailure, std::string("the LV2 plug-in has no port ") + symbol);
  return lilv_port_get_index(mPlugin->plugin(), port);
}

std::string Lv2Session::measureText(int index)
{
  const std::lock_guard<std::mutex> lock(WorldLock());
  const LilvPort* port = lilv_plugin_get_port_by_index(mPlugin->plugin(), mIds.measure);
  std::string text;
  if (LilvScalePoints* points = lilv_port_get_scale_points(mPlugin->plugin(), port))
  {
    LILV_FOREACH(scale_points, i, points)
    {
      const LilvScalePoint* point = lilv_scale_points_get(points, i);
      if (std::lround(lilv_node_as_float(lilv_scale_point_get_value(point))) == index)
        text = lilv_node_as_string(lilv_scale_point_get_label(point));
    }
    lilv_scale_points_free(points);
  }
  return text;
}

void Lv2Session::runBlock(const double* const* in, double* const* out, int frames)
{
  UridMap& map = Map();
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, &map.feature);
  lv2_atom_forge_set_buffer(&forge, mControlAtoms, sizeof mControlAtoms);
  LV2_Atom_Forge_Frame sequence;
  lv2_atom_forge_sequence_head(&forge, &sequence, 0);
  if (mPositionOwed)
  {
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_frame_time(&forge, 0);
    lv2_atom_forge_object(&forge, &object, 0, map(LV2_TIME__Position));
    lv2_atom_forge_key(&forge, map(LV2_TIME__frame));
    lv2_atom_forge_long(&forge, mFrame);
    lv2_atom_forge_key(&forge, map(LV2_TIME__speed));
    lv2_atom_forge_float(&forge, mPlaying ? 1.0f : 0.0f);
    lv2_atom_forge_pop(&forge, &object);
    mPositionOwed = false;
  }
  lv2_atom_forge_pop(&forge, &sequence);
  reinterpret_cast<LV2_Atom*>(mNotify)->size = sizeof mNotify - sizeof(LV2_Atom);

  for (int c = 0; c < 2; ++c)
  {
    mIn[c].resize(static_cast<size_t>(std::max(frames, 1)));
    mOut[c].resize(static_cast<size_t>(std::max(frames, 1)));
    const double* source = in[std::min(c, mChannels - 1)];
    for (int i = 0; i < frames; ++i)
      mIn[c][static_cast<size_t>(i)] = static_cast<float>(source[i]);
    lilv_instance_connect_port(mInstance, mAudioPorts[0][c], mIn[c].data());
    lilv_instance_connect_port(mInstance, mAudioPorts[1][c], mOut[c].data());
  }
  lilv_instance_run(mInstance, static_cast<uint32_t>(frames));
  for (int c = 0; c < mChannels; ++c)
    for (int i = 0; i < frames; ++i)
      out[c][i] = mOut[c][static_cast<size_t>(i)];
  if (mPlaying)
    mFrame += frames;
}

void Lv2Session::process(const double* const* in, double* const* out, int frames)
{
  for (int at = 0; at < frames; at += kProcessBlockFrames)
  {
    const int n = std::min(kProcessBlockFrames, frames - at);
    const double* inAt[2] = {in[0] + at, in[mChannels - 1] + at};
    double* outAt[2] = {out[0] + at, out[mChannels - 1] + at};
    runBlock(inAt, outAt, n);
  }
}

double Lv2Session::measuredLevel()
{
  const auto* state = static_cast<const LV2_State_Interface*>(
      lilv_instance_get_extension_data(mInstance, LV2_STATE__interface));
  if (state == nullptr)
    throw ToolError(kExitFailure, "the LV2 plug-in has no state interface");
  struct Store
  {
    LV2_URID key;
    std::string text;
  } store{Map()(kStateUri), {}};
  const auto save = [](LV2_State_Handle handle, uint32_t key, const void* value, size_t size, uint32_t,
                       uint32_t) -> LV2_State_Status {
    auto* s = static_cast<Store*>(handle);
    if (key == s->key)
      s->text.assign(static_cast<const char*>(value), size);
    return LV2_STATE_SUCCESS;
  };
  if (state->save(lilv_instance_get_handle(mInstance), save, &store, 0, nullptr) != LV2_STATE_SUCCESS)
    throw ToolError(kExitFailure, "the LV2 plug-in could not save its state");
  while (!store.text.empty() && store.text.back() == '\0')
    store.text.pop_back();
  std::vector<std::uint8_t> chunk(4 + store.text.size());
  const auto length = static_cast<std::uint32_t>(store.text.size());
  for (int b = 0; b < 4; ++b)
    chunk[static_cast<size_t>(b)] = static_cast<std::uint8_t>(length >> (8 * b));
  std::memcpy(chunk.data() + 4, store.text.data(), store.text.size());
  const std::optional<double> level = maxPeakOf(chunk.data(), chunk.size());
  if (!level)
    throw ToolError(kExitFailure, "the LV2 plug-in's state holds no level");
  return *level;
}
} // namespace

bool isLv2Bundle(const std::filesystem::path& path)
{
  std::filesystem::path p = path;
  if (!p.has_filename())
    p = p.parent_path();
  return p.extension() == ".lv2";
}

std::shared_ptr<Plugin> loadLv2Plugin(const std::filesystem::path& path)
{
  if (!std::filesystem::is_directory(path))
    throw ToolError(kExitUsage, "no LV2 bundle at " + path.string());
  return std::make_shared<Lv2Plugin>(path);
}
} // namespace quenmark
