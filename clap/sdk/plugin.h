#pragma once

// The plug-in instance and the host object. Threads as the functions are tagged:
// [main] the host's main thread, [audio] the instance's audio thread, [thread-safe] any.

#include "clap/sdk/entry.h"
#include "clap/sdk/process.h"

extern "C" {

typedef struct clap_plugin
{
  const clap_plugin_descriptor_t* desc;
  void* plugin_data; // the plug-in's own

  bool (*init)(const struct clap_plugin* plugin);                   // [main] once, after create
  void (*destroy)(const struct clap_plugin* plugin);                // [main] inactive
  bool (*activate)(const struct clap_plugin* plugin, double sample_rate, uint32_t min_frames_count,
                   uint32_t max_frames_count);                       // [main] inactive
  void (*deactivate)(const struct clap_plugin* plugin);             // [main] active
  bool (*start_processing)(const struct clap_plugin* plugin);       // [audio] active, not processing
  void (*stop_processing)(const struct clap_plugin* plugin);        // [audio] processing
  void (*reset)(const struct clap_plugin* plugin);                  // [audio] active
  clap_process_status (*process)(const struct clap_plugin* plugin,
                                 const clap_process_t* process);    // [audio] processing
  const void* (*get_extension)(const struct clap_plugin* plugin, const char* id); // [thread-safe]
  void (*on_main_thread)(const struct clap_plugin* plugin);         // [main]
} clap_plugin_t;

typedef struct clap_host
{
  clap_version_t clap_version;
  void* host_data; // the host's own
  const char* name;
  const char* vendor;
  const char* url;
  const char* version;
  // All four [thread-safe].
  const void* (*get_extension)(const struct clap_host* host, const char* extension_id);
  void (*request_restart)(const struct clap_host* host);
  void (*request_process)(const struct clap_host* host);
  void (*request_callback)(const struct clap_host* host);
} clap_host_t;

} // extern "C"
