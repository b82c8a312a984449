#pragma once

// Host services a plug-in may use from any thread: the thread check and the log.

#include "clap/sdk/plugin.h"

extern "C" {

static const char CLAP_EXT_THREAD_CHECK[] = "clap.thread-check";
static const char CLAP_EXT_LOG[] = "clap.log";

typedef struct clap_host_thread_check
{
  bool (*is_main_thread)(const clap_host_t* host);
  bool (*is_audio_thread)(const clap_host_t* host);
} clap_host_thread_check_t;

typedef int32_t clap_log_severity;
enum
{
  CLAP_LOG_DEBUG = 0,
  CLAP_LOG_INFO = 1,
  CLAP_LOG_WARNING = 2,
  CLAP_LOG_ERROR = 3,
  CLAP_LOG_FATAL = 4,
  CLAP_LOG_HOST_MISBEHAVING = 5,
  CLAP_LOG_PLUGIN_MISBEHAVING = 6
};

typedef struct clap_host_log
{
  void (*log)(const clap_host_t* host, clap_log_severity severity, const char* msg);
} clap_host_log_t;

} // extern "C"
