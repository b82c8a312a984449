#pragma once

// The saved state. [main] both, in any state, processing included.

#include "clap/sdk/plugin.h"
#include "clap/sdk/stream.h"

extern "C" {

static const char CLAP_EXT_STATE[] = "clap.state";

typedef struct clap_plugin_state
{
  bool (*save)(const clap_plugin_t* plugin, const clap_ostream_t* stream);
  bool (*load)(const clap_plugin_t* plugin, const clap_istream_t* stream);
} clap_plugin_state_t;

typedef struct clap_host_state
{
  void (*mark_dirty)(const clap_host_t* host); // [main]
} clap_host_state_t;

} // extern "C"
