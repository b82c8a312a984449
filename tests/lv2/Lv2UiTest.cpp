// The built UI module as a host loads it, in an X server of the test's own (xvfb-run):
// it embeds its window in the host's, asks for its size, and keeps the host's ports in
// step with the changes the plug-in reports.

#include "lv2/Lv2Ports.h"

#include <lv2/atom/forge.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <dlfcn.h>
#include <map>
#include <string>
#include <vector>

namespace
{
constexpr int kParams = 8;
constexpr int kTarget = 2, kAnalyze = 4;

struct Host
{
  std::map<std::string, LV2_URID> ids;
  LV2_URID_Map map{this, [](LV2_URID_Map_Handle h, const char* uri) -> LV2_URID {
                     auto& ids = static_cast<Host*>(h)->ids;
                     return ids.try_emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
                   }};
  std::vector<std::pair<uint32_t, float>> written;
  int width = 0, height = 0;
  LV2UI_Resize resize{this, [](LV2UI_Feature_Handle h, int w, int hgt) {
                        static_cast<Host*>(h)->width = w;
                        static_cast<Host*>(h)->height = hgt;
                        return 0;
                      }};
  static void Write(LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
  {
    if (format == 0 && size == sizeof(float))
      static_cast<Host*>(c)->written.emplace_back(port, *static_cast<const float*>(buffer));
  }
};
} // namespace

TEST(Lv2Ui, EmbedsItsEditorAndFollowsThePlugin)
{
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr) << "run under xvfb-run";
  const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 800, 600, 0, 0, 0);
  XSync(display, False);

  void* module = dlopen(QUENMARK_LV2_UI_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(module, "lv2ui_descriptor"));
  ASSERT_NE(entry, nullptr);
  const LV2UI_Descriptor* d = entry(0);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->URI, QUENMARK_LV2_UI_URI);
  const auto* idle = static_cast<const LV2UI_Idle_Interface*>(d->extension_data(LV2_UI__idleInterface));
  ASSERT_NE(idle, nullptr);

  Host host;
  const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
  const LV2_Feature mapFeature{LV2_URID__map, &host.map};
  const LV2_Feature resizeFeature{LV2_UI__resize, &host.resize};
  const LV2_Feature* features[] = {&parentFeature, &mapFeature, &resizeFeature, nullptr};
  LV2UI_Widget widget = nullptr;
  // Another plug-in's URI, or no parent window: no UI.
  EXPECT_EQ(d->instantiate(d, "urn:other", "", &Host::Write, &host, &widget, features), nullptr);
  const LV2_Feature* noParent[] = {&mapFeature, nullptr};
  EXPECT_EQ(d->instantiate(d, QUENMARK_LV2_URI, "", &Host::Write, &host, &widget, noParent), nullptr);

  LV2UI_Handle ui = d->instantiate(d, QUENMARK_LV2_URI, "", &Host::Write, &host, &widget, features);
  ASSERT_NE(ui, nullptr);
  ASSERT_NE(widget, nullptr);
  Window root = 0, parentOfWidget = 0;
  Window* children = nullptr;
  unsigned count = 0;
  XQueryTree(display, reinterpret_cast<Window>(widget), &root, &parentOfWidget, &children, &count);
  if (children != nullptr)
    XFree(children);
  EXPECT_EQ(parentOfWidget, parent) << "the editor's window is a child of the host's";
  EXPECT_GT(host.width, 100);
  EXPECT_GT(host.height, 100);

  const Lv2Ports ports{kParams};
  // The host shows the UI the port values: nothing goes back.
  const float target = -30.0f;
  d->port_event(ui, ports.Param(kTarget), sizeof target, 0, &target);
  const float level = -25.0f;
  d->port_event(ui, ports.Readout(0), sizeof level, 0, &level);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(idle->idle(ui), 0);
  EXPECT_TRUE(host.written.empty());

  // The plug-in switched "Analyze" off itself: the host's port follows.
  alignas(8) uint8_t buffer[256];
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, &host.map);
  lv2_atom_forge_set_buffer(&forge, buffer, sizeof buffer);
  LV2_Atom_Forge_Frame frame;
  lv2_atom_forge_object(&forge, &frame, 0, host.map.map(host.map.handle, QUENMARK_LV2_PARAM_CHANGE_URI));
  lv2_atom_forge_key(&forge, host.map.map(host.map.handle, QUENMARK_LV2_PARAM_INDEX_URI));
  lv2_atom_forge_int(&forge, kAnalyze);
  lv2_atom_forge_key(&forge, host.map.map(host.map.handle, QUENMARK_LV2_PARAM_VALUE_URI));
  lv2_atom_forge_float(&forge, 0.0f);
  lv2_atom_forge_pop(&forge, &frame);
  const auto* atom = reinterpret_cast<const LV2_Atom*>(buffer);
  d->port_event(ui, Lv2Ports::Notify(), static_cast<uint32_t>(sizeof(LV2_Atom) + atom->size),
                host.map.map(host.map.handle, LV2_ATOM__eventTransfer), buffer);
  ASSERT_EQ(host.written.size(), 1u);
  EXPECT_EQ(host.written[0].first, ports.Param(kAnalyze));
  EXPECT_EQ(host.written[0].second, 0.0f);
  // A truncated message is ignored.
  d->port_event(ui, Lv2Ports::Notify(), 4, host.map.map(host.map.handle, LV2_ATOM__eventTransfer), buffer);
  EXPECT_EQ(host.written.size(), 1u);

  d->cleanup(ui);
  XDestroyWindow(display, parent);
  XCloseDisplay(display);
}
