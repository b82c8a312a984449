// The library entry of TavrikQuenmark.clap: the exported clap_entry, the plug-in factory
// with its one descriptor, and the instance creation for each host request.

#include "QuenmarkVersion.h"
#include "clap/IPlugCLAP.h"
#include "clap/sdk/entry.h"
#include "product/TavrikQuenmark.h"

#if QUENMARK_MODULE_LINKS_CAIRO
#include "ycairo/ycairo_startup.h"
#endif

#include <cstring>
#include <mutex>

#if defined(_WIN32)
#define QUENMARK_CLAP_EXPORT __declspec(dllexport)
#else
#define QUENMARK_CLAP_EXPORT __attribute__((visibility("default")))
#endif

namespace
{
// Hosts keep this ID in their sessions: it never changes.
constexpr const char* kPluginId = "com.tavrik.quenmark";

const char* const kFeatures[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_UTILITY,
                                 CLAP_PLUGIN_FEATURE_ANALYZER, CLAP_PLUGIN_FEATURE_STEREO, CLAP_PLUGIN_FEATURE_MONO,
                                 nullptr};

const clap_plugin_descriptor_t kDescriptor{
    CLAP_VERSION_INIT,
    kPluginId,
    "TavrikQuenmark",
    "Tavrik",
    "https://tavrik.example",
    "",
    "mailto:support@tavrik.example",
    QUENMARK_VERSION_TEXT,
    "Measures the level of a signal and applies the gain that brings it to a target",
    kFeatures};

// init and deinit are counted: a host and a wrapper in one process may each call them.
std::mutex gEntryMutex;
int gInitCount = 0;

// Serializes instance construction: the product's constructor takes a slot in the
// process-wide group tables.
std::mutex gCreationMutex;

uint32_t GetPluginCount(const clap_plugin_factory_t* factory)
{
  return factory != nullptr ? 1 : 0;
}

const clap_plugin_descriptor_t* GetPluginDescriptor(const clap_plugin_factory_t* factory, uint32_t index)
{
  return factory != nullptr && index == 0 ? &kDescriptor : nullptr;
}

// [thread-safe] A new instance, or null for another ID, an incompatible host or a failed
// construction. Nothing of the host is called here.
const clap_plugin_t* CreatePlugin(const clap_plugin_factory_t* factory, const clap_host_t* host,
                                  const char* pluginId)
{
  if (factory == nullptr || host == nullptr || pluginId == nullptr || std::strcmp(pluginId, kPluginId) != 0 ||
      !clap_version_is_compatible(host->clap_version) || host->get_extension == nullptr ||
      host->request_callback == nullptr)
    return nullptr;
  const std::lock_guard<std::mutex> lock(gCreationMutex);
  try
  {
    auto* plugin = new TavrikQuenmark;
    return plugin->ClapPlugin(host, &kDescriptor);
  }
  catch (...)
  {
    return nullptr;
  }
}

const clap_plugin_factory_t kFactory{GetPluginCount, GetPluginDescriptor, CreatePlugin};

bool EntryInit(const char* path)
{
  (void)path;
  const std::lock_guard<std::mutex> lock(gEntryMutex);
#if QUENMARK_MODULE_LINKS_CAIRO
  if (gInitCount == 0)
    ycairo_prepare_module();
#endif
  ++gInitCount;
  return true;
}

void EntryDeinit()
{
  const std::lock_guard<std::mutex> lock(gEntryMutex);
  if (gInitCount > 0)
    --gInitCount;
}

const void* EntryGetFactory(const char* id)
{
  return id != nullptr && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
}
} // namespace

// A data symbol with C linkage; the declaration with `extern` gives the const object
// external linkage (a const definition alone would be internal in C++).
extern "C" QUENMARK_CLAP_EXPORT const clap_plugin_entry_t clap_entry = {CLAP_VERSION_INIT, EntryInit, EntryDeinit,
                                                                         EntryGetFactory};
