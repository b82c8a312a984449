#pragma once

// The library's entry: the version record, the exported entry object and the plug-in
// factory with its descriptors. Plain C data, laid out as every host expects (see
// LayoutChecks.cpp).

#include <cstdint>

extern "C" {

typedef uint32_t clap_id;
static const clap_id CLAP_INVALID_ID = UINT32_MAX;
enum
{
  CLAP_NAME_SIZE = 256,
  CLAP_PATH_SIZE = 1024
};

typedef struct clap_version
{
  uint32_t major; // 1 for every release-stage interface; 0 is never compatible
  uint32_t minor;
  uint32_t revision;
} clap_version_t;

// The interface level these declarations match.
#define CLAP_VERSION_MAJOR 1u
#define CLAP_VERSION_MINOR 2u
#define CLAP_VERSION_REVISION 10u
#define CLAP_VERSION_INIT {CLAP_VERSION_MAJOR, CLAP_VERSION_MINOR, CLAP_VERSION_REVISION}

// A version is compatible when its major generation is at least 1; nothing else counts.
static inline bool clap_version_is_compatible(const clap_version_t v)
{
  return v.major >= 1;
}

// [any thread, never concurrently with anything else in the library] init / deinit;
// [thread-safe] get_factory.
typedef struct clap_plugin_entry
{
  clap_version_t clap_version;
  bool (*init)(const char* plugin_path); // the .clap file; true also when already initialised
  void (*deinit)(void);
  const void* (*get_factory)(const char* factory_id); // null for factories not provided
} clap_plugin_entry_t;

struct clap_host;
struct clap_plugin;

typedef struct clap_plugin_descriptor
{
  clap_version_t clap_version;
  const char* id;   // mandatory: reverse-domain, stable forever
  const char* name; // mandatory
  const char* vendor;
  const char* url;
  const char* manual_url;
  const char* support_url;
  const char* version;
  const char* description;
  const char* const* features; // null-terminated array
} clap_plugin_descriptor_t;

static const char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

// Every function [thread-safe].
typedef struct clap_plugin_factory
{
  uint32_t (*get_plugin_count)(const struct clap_plugin_factory* factory);
  const clap_plugin_descriptor_t* (*get_plugin_descriptor)(const struct clap_plugin_factory* factory,
                                                           uint32_t index);
  // The host pointer stays valid until after the instance's destroy; the plug-in calls
  // nothing of the host from here.
  const struct clap_plugin* (*create_plugin)(const struct clap_plugin_factory* factory,
                                             const struct clap_host* host, const char* plugin_id);
} clap_plugin_factory_t;

// Standard feature strings.
static const char CLAP_PLUGIN_FEATURE_AUDIO_EFFECT[] = "audio-effect";
static const char CLAP_PLUGIN_FEATURE_ANALYZER[] = "analyzer";
static const char CLAP_PLUGIN_FEATURE_UTILITY[] = "utility";
static const char CLAP_PLUGIN_FEATURE_MIXING[] = "mixing";
static const char CLAP_PLUGIN_FEATURE_MASTERING[] = "mastering";
static const char CLAP_PLUGIN_FEATURE_MONO[] = "mono";
static const char CLAP_PLUGIN_FEATURE_STEREO[] = "stereo";

} // extern "C"
