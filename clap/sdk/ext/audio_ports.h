#pragma once

// Audio ports, and the two ways a host picks mono or stereo: a list of configurations to
// select from, or a requested layout. [main] everything; ports change only while inactive.

#include "clap/sdk/plugin.h"

extern "C" {

static const char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
static const char CLAP_EXT_AUDIO_PORTS_CONFIG[] = "clap.audio-ports-config";
static const char CLAP_EXT_CONFIGURABLE_AUDIO_PORTS[] = "clap.configurable-audio-ports/1";
static const char CLAP_EXT_CONFIGURABLE_AUDIO_PORTS_COMPAT[] = "clap.configurable-audio-ports.draft1";
static const char CLAP_PORT_MONO[] = "mono";
static const char CLAP_PORT_STEREO[] = "stereo";

enum
{
  CLAP_AUDIO_PORT_IS_MAIN = 1 << 0,
  CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1 << 1,
  CLAP_AUDIO_PORT_PREFERS_64BITS = 1 << 2,
  CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1 << 3
};

enum
{
  CLAP_AUDIO_PORTS_RESCAN_NAMES = 1 << 0,
  CLAP_AUDIO_PORTS_RESCAN_FLAGS = 1 << 1,
  CLAP_AUDIO_PORTS_RESCAN_CHANNEL_COUNT = 1 << 2,
  CLAP_AUDIO_PORTS_RESCAN_PORT_TYPE = 1 << 3,
  CLAP_AUDIO_PORTS_RESCAN_IN_PLACE_PAIR = 1 << 4,
  CLAP_AUDIO_PORTS_RESCAN_LIST = 1 << 5
};

typedef struct clap_audio_port_info
{
  clap_id id;
  char name[CLAP_NAME_SIZE];
  uint32_t flags;
  uint32_t channel_count;
  const char* port_type;  // CLAP_PORT_MONO, CLAP_PORT_STEREO, or null
  clap_id in_place_pair;  // CLAP_INVALID_ID: none
} clap_audio_port_info_t;

typedef struct clap_plugin_audio_ports
{
  uint32_t (*count)(const clap_plugin_t* plugin, bool is_input);
  bool (*get)(const clap_plugin_t* plugin, uint32_t index, bool is_input, clap_audio_port_info_t* info);
} clap_plugin_audio_ports_t;

typedef struct clap_host_audio_ports
{
  bool (*is_rescan_flag_supported)(const clap_host_t* host, uint32_t flag);
  void (*rescan)(const clap_host_t* host, uint32_t flags);
} clap_host_audio_ports_t;

typedef struct clap_audio_ports_config
{
  clap_id id;
  char name[CLAP_NAME_SIZE];
  uint32_t input_port_count;
  uint32_t output_port_count;
  bool has_main_input;
  uint32_t main_input_channel_count;
  const char* main_input_port_type;
  bool has_main_output;
  uint32_t main_output_channel_count;
  const char* main_output_port_type;
} clap_audio_ports_config_t;

typedef struct clap_plugin_audio_ports_config
{
  uint32_t (*count)(const clap_plugin_t* plugin);
  bool (*get)(const clap_plugin_t* plugin, uint32_t index, clap_audio_ports_config_t* config);
  bool (*select)(const clap_plugin_t* plugin, clap_id config_id); // inactive only
} clap_plugin_audio_ports_config_t;

typedef struct clap_host_audio_ports_config
{
  void (*rescan)(const clap_host_t* host);
} clap_host_audio_ports_config_t;

typedef struct clap_audio_port_configuration_request
{
  bool is_input;
  uint32_t port_index;
  uint32_t channel_count;
  const char* port_type;
  const void* port_details;
} clap_audio_port_configuration_request_t;

// All or nothing; both agree.
typedef struct clap_plugin_configurable_audio_ports
{
  bool (*can_apply_configuration)(const clap_plugin_t* plugin,
                                  const clap_audio_port_configuration_request_t* requests, uint32_t request_count);
  bool (*apply_configuration)(const clap_plugin_t* plugin, const clap_audio_port_configuration_request_t* requests,
                              uint32_t request_count);
} clap_plugin_configurable_audio_ports_t;

} // extern "C"
