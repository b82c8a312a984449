// The built bundle as an LV2 host's discovery reads it, through Debian's lilv in-process.

#include "lv2/Lv2Ports.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{
struct World
{
  LilvWorld* world = lilv_world_new();
  const LilvPlugin* plugin = nullptr;
  World()
  {
    LilvNode* bundle = lilv_new_file_uri(world, nullptr, QUENMARK_LV2_BUNDLE_PATH "/");
    lilv_world_load_bundle(world, bundle);
    lilv_node_free(bundle);
    LilvNode* uri = lilv_new_uri(world, QUENMARK_LV2_URI);
    plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    lilv_node_free(uri);
  }
  ~World() { lilv_world_free(world); }
  World(const World&) = delete;
  World& operator=(const World&) = delete;
};

std::vector<std::string> Uris(LilvNodes* nodes)
{
  std::vector<std::string> uris;
  LILV_FOREACH(nodes, i, nodes)
    uris.emplace_back(lilv_node_as_uri(lilv_nodes_get(nodes, i)));
  lilv_nodes_free(nodes);
  return uris;
}
} // namespace

// Hosts refuse a plug-in that requires a feature they do not hand in (Ardour does, for
// every required feature it does not know). The plug-in runs with no feature at all, so it
// requires none; what it can use, and what it promises (hard real-time), is optional.
TEST(Lv2Bundle, RequiresNoFeatureAHostMustOffer)
{
  World lilv;
  ASSERT_NE(lilv.plugin, nullptr) << "the bundle does not describe " QUENMARK_LV2_URI;
  const std::vector<std::string> required = Uris(lilv_plugin_get_required_features(lilv.plugin));
  EXPECT_TRUE(required.empty()) << "required: " << (required.empty() ? "" : required.front());
  const std::vector<std::string> optional = Uris(lilv_plugin_get_optional_features(lilv.plugin));
  for (const char* feature : {LV2_CORE__hardRTCapable, "http://lv2plug.in/ns/ext/urid#map",
                              "http://lv2plug.in/ns/ext/options#options"})
    EXPECT_NE(std::find(optional.begin(), optional.end(), feature), optional.end()) << feature;
}
