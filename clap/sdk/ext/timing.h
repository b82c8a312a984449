#pragma once

// Latency, tail and render mode: what the host reads to place the plug-in in time.

#include "clap/sdk/plugin.h"

extern "C" {

static const char CLAP_EXT_LATENCY[] = "clap.latency";
static const char CLAP_EXT_TAIL[] = "clap.tail";
static const char CLAP_EXT_RENDER[] = "clap.render";

typedef struct clap_plugin_latency
{
  uint32_t (*get)(const clap_plugin_t* plugin); // [main] while activating or active
} clap_plugin_latency_t;

typedef struct clap_host_latency
{
  void (*changed)(const clap_host_t* host); // [main] inside activate only
} clap_host_latency_t;

typedef struct clap_plugin_tail
{
  uint32_t (*get)(const clap_plugin_t* plugin); // [main, audio]; >= INT32_MAX: infinite
} clap_plugin_tail_t;

typedef struct clap_host_tail
{
  void (*changed)(const clap_host_t* host); // [audio]
} clap_host_tail_t;

typedef int32_t clap_plugin_render_mode;
enum
{
  CLAP_RENDER_REALTIME = 0,
  CLAP_RENDER_OFFLINE = 1
};

typedef struct clap_plugin_render
{
  bool (*has_hard_realtime_requirement)(const clap_plugin_t* plugin); // [main]
  bool (*set)(const clap_plugin_t* plugin, clap_plugin_render_mode mode); // [main]
} clap_plugin_render_t;

} // extern "C"
