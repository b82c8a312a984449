#pragma once

// The editor window, and the host services that drive it: timers and (POSIX hosts)
// file-descriptor watching. [main] every function.

#include "clap/sdk/plugin.h"

extern "C" {

static const char CLAP_EXT_GUI[] = "clap.gui";
static const char CLAP_EXT_TIMER_SUPPORT[] = "clap.timer-support";
static const char CLAP_EXT_POSIX_FD_SUPPORT[] = "clap.posix-fd-support";

static const char CLAP_WINDOW_API_WIN32[] = "win32";
static const char CLAP_WINDOW_API_COCOA[] = "cocoa";
static const char CLAP_WINDOW_API_X11[] = "x11";
static const char CLAP_WINDOW_API_WAYLAND[] = "wayland";

typedef void* clap_hwnd;
typedef void* clap_nsview;
typedef unsigned long clap_xwnd; // 8 bytes on Linux, 4 on Windows

typedef struct clap_window
{
  const char* api;
  union {
    clap_nsview cocoa;
    void* uikit;
    clap_xwnd x11;
    clap_hwnd win32;
    void* ptr;
  };
} clap_window_t;

typedef struct clap_gui_resize_hints
{
  bool can_resize_horizontally;
  bool can_resize_vertically;
  bool preserve_aspect_ratio;
  uint32_t aspect_ratio_width;
  uint32_t aspect_ratio_height;
} clap_gui_resize_hints_t;

typedef struct clap_plugin_gui
{
  bool (*is_api_supported)(const clap_plugin_t* plugin, const char* api, bool is_floating);
  bool (*get_preferred_api)(const clap_plugin_t* plugin, const char** api, bool* is_floating);
  bool (*create)(const clap_plugin_t* plugin, const char* api, bool is_floating);
  void (*destroy)(const clap_plugin_t* plugin);
  bool (*set_scale)(const clap_plugin_t* plugin, double scale);
  bool (*get_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);
  bool (*can_resize)(const clap_plugin_t* plugin);
  bool (*get_resize_hints)(const clap_plugin_t* plugin, clap_gui_resize_hints_t* hints);
  bool (*adjust_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);
  bool (*set_size)(const clap_plugin_t* plugin, uint32_t width, uint32_t height);
  bool (*set_parent)(const clap_plugin_t* plugin, const clap_window_t* window);
  bool (*set_transient)(const clap_plugin_t* plugin, const clap_window_t* window);
  void (*suggest_title)(const clap_plugin_t* plugin, const char* title);
  bool (*show)(const clap_plugin_t* plugin);
  bool (*hide)(const clap_plugin_t* plugin);
} clap_plugin_gui_t;

typedef struct clap_host_gui
{
  void (*resize_hints_changed)(const clap_host_t* host);
  bool (*request_resize)(const clap_host_t* host, uint32_t width, uint32_t height);
  bool (*request_show)(const clap_host_t* host);
  bool (*request_hide)(const clap_host_t* host);
  void (*closed)(const clap_host_t* host, bool was_destroyed);
} clap_host_gui_t;

typedef struct clap_plugin_timer_support
{
  void (*on_timer)(const clap_plugin_t* plugin, clap_id timer_id);
} clap_plugin_timer_support_t;

typedef struct clap_host_timer_support
{
  bool (*register_timer)(const clap_host_t* host, uint32_t period_ms, clap_id* timer_id);
  bool (*unregister_timer)(const clap_host_t* host, clap_id timer_id);
} clap_host_timer_support_t;

typedef uint32_t clap_posix_fd_flags_t;
enum
{
  CLAP_POSIX_FD_READ = 1 << 0,
  CLAP_POSIX_FD_WRITE = 1 << 1,
  CLAP_POSIX_FD_ERROR = 1 << 2
};

typedef struct clap_plugin_posix_fd_support
{
  void (*on_fd)(const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t flags); // level-triggered
} clap_plugin_posix_fd_support_t;

typedef struct clap_host_posix_fd_support
{
  bool (*register_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
  bool (*modify_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
  bool (*unregister_fd)(const clap_host_t* host, int fd);
} clap_host_posix_fd_support_t;

} // extern "C"
