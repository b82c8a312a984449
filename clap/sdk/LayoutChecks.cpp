// The declarations' layout as hosts built on either target lay it out: sizes, alignments
// and offsets measured with gcc (Linux x86-64) and mingw-w64 (Windows x64). A misplaced
// field or a wrong type stops the build here, on the platform it is wrong for.

#include "clap/sdk/entry.h"
#include "clap/sdk/ext/audio_ports.h"
#include "clap/sdk/ext/gui.h"
#include "clap/sdk/ext/host_services.h"
#include "clap/sdk/ext/params.h"
#include "clap/sdk/ext/state.h"
#include "clap/sdk/ext/timing.h"
#include "clap/sdk/plugin.h"
#include "clap/sdk/process.h"
#include "clap/sdk/stream.h"

#include <cstddef>

// The one type whose size differs between the targets; its union stays 8 bytes at 8.
#if defined(_WIN32)
static_assert(sizeof(clap_xwnd) == 4);
#else
static_assert(sizeof(clap_xwnd) == 8);
#endif
static_assert(sizeof(bool) == 1 && sizeof(clap_id) == 4 && sizeof(clap_beattime) == 8 && sizeof(void*) == 8);
static_assert(sizeof(clap_process_status) == 4 && sizeof(clap_log_severity) == 4 &&
              sizeof(clap_plugin_render_mode) == 4 && sizeof(clap_posix_fd_flags_t) == 4);

// Numbers hosts compare with.
static_assert(CLAP_INVALID_ID == 4294967295u && CLAP_BEATTIME_FACTOR == 2147483648LL);
static_assert(CLAP_EVENT_PARAM_VALUE == 5 && CLAP_EVENT_PARAM_GESTURE_BEGIN == 7 &&
              CLAP_EVENT_PARAM_GESTURE_END == 8 && CLAP_EVENT_TRANSPORT == 9);
static_assert(CLAP_TRANSPORT_IS_PLAYING == 16 && CLAP_PARAM_IS_BYPASS == 16 && CLAP_PARAM_IS_AUTOMATABLE == 32 &&
              CLAP_PARAM_IS_ENUM == 65536 && CLAP_PARAM_IS_READONLY == 8);

// clap_version_t
static_assert(sizeof(clap_version_t) == 12 && alignof(clap_version_t) == 4);
static_assert(offsetof(clap_version_t, major) == 0);
static_assert(offsetof(clap_version_t, minor) == 4);
static_assert(offsetof(clap_version_t, revision) == 8);
// clap_plugin_entry_t
static_assert(sizeof(clap_plugin_entry_t) == 40 && alignof(clap_plugin_entry_t) == 8);
static_assert(offsetof(clap_plugin_entry_t, clap_version) == 0);
static_assert(offsetof(clap_plugin_entry_t, init) == 16);
static_assert(offsetof(clap_plugin_entry_t, deinit) == 24);
static_assert(offsetof(clap_plugin_entry_t, get_factory) == 32);
// clap_plugin_factory_t
static_assert(sizeof(clap_plugin_factory_t) == 24 && alignof(clap_plugin_factory_t) == 8);
static_assert(offsetof(clap_plugin_factory_t, get_plugin_count) == 0);
static_assert(offsetof(clap_plugin_factory_t, get_plugin_descriptor) == 8);
static_assert(offsetof(clap_plugin_factory_t, create_plugin) == 16);
// clap_plugin_descriptor_t
static_assert(sizeof(clap_plugin_descriptor_t) == 88 && alignof(clap_plugin_descriptor_t) == 8);
static_assert(offsetof(clap_plugin_descriptor_t, clap_version) == 0);
static_assert(offsetof(clap_plugin_descriptor_t, id) == 16);
static_assert(offsetof(clap_plugin_descriptor_t, name) == 24);
static_assert(offsetof(clap_plugin_descriptor_t, vendor) == 32);
static_assert(offsetof(clap_plugin_descriptor_t, url) == 40);
static_assert(offsetof(clap_plugin_descriptor_t, manual_url) == 48);
static_assert(offsetof(clap_plugin_descriptor_t, support_url) == 56);
static_assert(offsetof(clap_plugin_descriptor_t, version) == 64);
static_assert(offsetof(clap_plugin_descriptor_t, description) == 72);
static_assert(offsetof(clap_plugin_descriptor_t, features) == 80);
// clap_plugin_t
static_assert(sizeof(clap_plugin_t) == 96 && alignof(clap_plugin_t) == 8);
static_assert(offsetof(clap_plugin_t, desc) == 0);
static_assert(offsetof(clap_plugin_t, plugin_data) == 8);
static_assert(offsetof(clap_plugin_t, init) == 16);
static_assert(offsetof(clap_plugin_t, destroy) == 24);
static_assert(offsetof(clap_plugin_t, activate) == 32);
static_assert(offsetof(clap_plugin_t, deactivate) == 40);
static_assert(offsetof(clap_plugin_t, start_processing) == 48);
static_assert(offsetof(clap_plugin_t, stop_processing) == 56);
static_assert(offsetof(clap_plugin_t, reset) == 64);
static_assert(offsetof(clap_plugin_t, process) == 72);
static_assert(offsetof(clap_plugin_t, get_extension) == 80);
static_assert(offsetof(clap_plugin_t, on_main_thread) == 88);
// clap_host_t
static_assert(sizeof(clap_host_t) == 88 && alignof(clap_host_t) == 8);
static_assert(offsetof(clap_host_t, clap_version) == 0);
static_assert(offsetof(clap_host_t, host_data) == 16);
static_assert(offsetof(clap_host_t, name) == 24);
static_assert(offsetof(clap_host_t, vendor) == 32);
static_assert(offsetof(clap_host_t, url) == 40);
static_assert(offsetof(clap_host_t, version) == 48);
static_assert(offsetof(clap_host_t, get_extension) == 56);
static_assert(offsetof(clap_host_t, request_restart) == 64);
static_assert(offsetof(clap_host_t, request_process) == 72);
static_assert(offsetof(clap_host_t, request_callback) == 80);
// clap_process_t
static_assert(sizeof(clap_process_t) == 64 && alignof(clap_process_t) == 8);
static_assert(offsetof(clap_process_t, steady_time) == 0);
static_assert(offsetof(clap_process_t, frames_count) == 8);
static_assert(offsetof(clap_process_t, transport) == 16);
static_assert(offsetof(clap_process_t, audio_inputs) == 24);
static_assert(offsetof(clap_process_t, audio_outputs) == 32);
static_assert(offsetof(clap_process_t, audio_inputs_count) == 40);
static_assert(offsetof(clap_process_t, audio_outputs_count) == 44);
static_assert(offsetof(clap_process_t, in_events) == 48);
static_assert(offsetof(clap_process_t, out_events) == 56);
// clap_audio_buffer_t
static_assert(sizeof(clap_audio_buffer_t) == 32 && alignof(clap_audio_buffer_t) == 8);
static_assert(offsetof(clap_audio_buffer_t, data32) == 0);
static_assert(offsetof(clap_audio_buffer_t, data64) == 8);
static_assert(offsetof(clap_audio_buffer_t, channel_count) == 16);
static_assert(offsetof(clap_audio_buffer_t, latency) == 20);
static_assert(offsetof(clap_audio_buffer_t, constant_mask) == 24);
// clap_event_header_t
static_assert(sizeof(clap_event_header_t) == 16 && alignof(clap_event_header_t) == 4);
static_assert(offsetof(clap_event_header_t, size) == 0);
static_assert(offsetof(clap_event_header_t, time) == 4);
static_assert(offsetof(clap_event_header_t, space_id) == 8);
static_assert(offsetof(clap_event_header_t, type) == 10);
static_assert(offsetof(clap_event_header_t, flags) == 12);
// clap_event_note_t
static_assert(sizeof(clap_event_note_t) == 40 && alignof(clap_event_note_t) == 8);
static_assert(offsetof(clap_event_note_t, header) == 0);
static_assert(offsetof(clap_event_note_t, note_id) == 16);
static_assert(offsetof(clap_event_note_t, port_index) == 20);
static_assert(offsetof(clap_event_note_t, channel) == 22);
static_assert(offsetof(clap_event_note_t, key) == 24);
static_assert(offsetof(clap_event_note_t, velocity) == 32);
// clap_event_param_value_t
static_assert(sizeof(clap_event_param_value_t) == 56 && alignof(clap_event_param_value_t) == 8);
static_assert(offsetof(clap_event_param_value_t, header) == 0);
static_assert(offsetof(clap_event_param_value_t, param_id) == 16);
static_assert(offsetof(clap_event_param_value_t, cookie) == 24);
static_assert(offsetof(clap_event_param_value_t, note_id) == 32);
static_assert(offsetof(clap_event_param_value_t, port_index) == 36);
static_assert(offsetof(clap_event_param_value_t, channel) == 38);
static_assert(offsetof(clap_event_param_value_t, key) == 40);
static_assert(offsetof(clap_event_param_value_t, value) == 48);
// clap_event_param_mod_t
static_assert(sizeof(clap_event_param_mod_t) == 56 && alignof(clap_event_param_mod_t) == 8);
static_assert(offsetof(clap_event_param_mod_t, header) == 0);
static_assert(offsetof(clap_event_param_mod_t, param_id) == 16);
static_assert(offsetof(clap_event_param_mod_t, cookie) == 24);
static_assert(offsetof(clap_event_param_mod_t, note_id) == 32);
static_assert(offsetof(clap_event_param_mod_t, port_index) == 36);
static_assert(offsetof(clap_event_param_mod_t, channel) == 38);
static_assert(offsetof(clap_event_param_mod_t, key) == 40);
static_assert(offsetof(clap_event_param_mod_t, amount) == 48);
// clap_event_param_gesture_t
static_assert(sizeof(clap_event_param_gesture_t) == 20 && alignof(clap_event_param_gesture_t) == 4);
static_assert(offsetof(clap_event_param_gesture_t, header) == 0);
static_assert(offsetof(clap_event_param_gesture_t, param_id) == 16);
// clap_event_transport_t
static_assert(sizeof(clap_event_transport_t) == 104 && alignof(clap_event_transport_t) == 8);
static_assert(offsetof(clap_event_transport_t, header) == 0);
static_assert(offsetof(clap_event_transport_t, flags) == 16);
static_assert(offsetof(clap_event_transport_t, song_pos_beats) == 24);
static_assert(offsetof(clap_event_transport_t, song_pos_seconds) == 32);
static_assert(offsetof(clap_event_transport_t, tempo) == 40);
static_assert(offsetof(clap_event_transport_t, tempo_inc) == 48);
static_assert(offsetof(clap_event_transport_t, loop_start_beats) == 56);
static_assert(offsetof(clap_event_transport_t, loop_end_beats) == 64);
static_assert(offsetof(clap_event_transport_t, loop_start_seconds) == 72);
static_assert(offsetof(clap_event_transport_t, loop_end_seconds) == 80);
static_assert(offsetof(clap_event_transport_t, bar_start) == 88);
static_assert(offsetof(clap_event_transport_t, bar_number) == 96);
static_assert(offsetof(clap_event_transport_t, tsig_num) == 100);
static_assert(offsetof(clap_event_transport_t, tsig_denom) == 102);
// clap_event_midi_t
static_assert(sizeof(clap_event_midi_t) == 24 && alignof(clap_event_midi_t) == 4);
static_assert(offsetof(clap_event_midi_t, header) == 0);
static_assert(offsetof(clap_event_midi_t, port_index) == 16);
static_assert(offsetof(clap_event_midi_t, data) == 18);
// clap_input_events_t
static_assert(sizeof(clap_input_events_t) == 24 && alignof(clap_input_events_t) == 8);
static_assert(offsetof(clap_input_events_t, ctx) == 0);
static_assert(offsetof(clap_input_events_t, size) == 8);
static_assert(offsetof(clap_input_events_t, get) == 16);
// clap_output_events_t
static_assert(sizeof(clap_output_events_t) == 16 && alignof(clap_output_events_t) == 8);
static_assert(offsetof(clap_output_events_t, ctx) == 0);
static_assert(offsetof(clap_output_events_t, try_push) == 8);
// clap_istream_t
static_assert(sizeof(clap_istream_t) == 16 && alignof(clap_istream_t) == 8);
static_assert(offsetof(clap_istream_t, ctx) == 0);
static_assert(offsetof(clap_istream_t, read) == 8);
// clap_ostream_t
static_assert(sizeof(clap_ostream_t) == 16 && alignof(clap_ostream_t) == 8);
static_assert(offsetof(clap_ostream_t, ctx) == 0);
static_assert(offsetof(clap_ostream_t, write) == 8);
// clap_audio_port_info_t
static_assert(sizeof(clap_audio_port_info_t) == 288 && alignof(clap_audio_port_info_t) == 8);
static_assert(offsetof(clap_audio_port_info_t, id) == 0);
static_assert(offsetof(clap_audio_port_info_t, name) == 4);
static_assert(offsetof(clap_audio_port_info_t, flags) == 260);
static_assert(offsetof(clap_audio_port_info_t, channel_count) == 264);
static_assert(offsetof(clap_audio_port_info_t, port_type) == 272);
static_assert(offsetof(clap_audio_port_info_t, in_place_pair) == 280);
// clap_plugin_audio_ports_t
static_assert(sizeof(clap_plugin_audio_ports_t) == 16 && alignof(clap_plugin_audio_ports_t) == 8);
static_assert(offsetof(clap_plugin_audio_ports_t, count) == 0);
static_assert(offsetof(clap_plugin_audio_ports_t, get) == 8);
// clap_host_audio_ports_t
static_assert(sizeof(clap_host_audio_ports_t) == 16 && alignof(clap_host_audio_ports_t) == 8);
static_assert(offsetof(clap_host_audio_ports_t, is_rescan_flag_supported) == 0);
static_assert(offsetof(clap_host_audio_ports_t, rescan) == 8);
// clap_audio_ports_config_t
static_assert(sizeof(clap_audio_ports_config_t) == 304 && alignof(clap_audio_ports_config_t) == 8);
static_assert(offsetof(clap_audio_ports_config_t, id) == 0);
static_assert(offsetof(clap_audio_ports_config_t, name) == 4);
static_assert(offsetof(clap_audio_ports_config_t, input_port_count) == 260);
static_assert(offsetof(clap_audio_ports_config_t, output_port_count) == 264);
static_assert(offsetof(clap_audio_ports_config_t, has_main_input) == 268);
static_assert(offsetof(clap_audio_ports_config_t, main_input_channel_count) == 272);
static_assert(offsetof(clap_audio_ports_config_t, main_input_port_type) == 280);
static_assert(offsetof(clap_audio_ports_config_t, has_main_output) == 288);
static_assert(offsetof(clap_audio_ports_config_t, main_output_channel_count) == 292);
static_assert(offsetof(clap_audio_ports_config_t, main_output_port_type) == 296);
// clap_plugin_audio_ports_config_t
static_assert(sizeof(clap_plugin_audio_ports_config_t) == 24 && alignof(clap_plugin_audio_ports_config_t) == 8);
static_assert(offsetof(clap_plugin_audio_ports_config_t, count) == 0);
static_assert(offsetof(clap_plugin_audio_ports_config_t, get) == 8);
static_assert(offsetof(clap_plugin_audio_ports_config_t, select) == 16);
// clap_audio_port_configuration_request_t
static_assert(sizeof(clap_audio_port_configuration_request_t) == 32 && alignof(clap_audio_port_configuration_request_t) == 8);
static_assert(offsetof(clap_audio_port_configuration_request_t, is_input) == 0);
static_assert(offsetof(clap_audio_port_configuration_request_t, port_index) == 4);
static_assert(offsetof(clap_audio_port_configuration_request_t, channel_count) == 8);
static_assert(offsetof(clap_audio_port_configuration_request_t, port_type) == 16);
static_assert(offsetof(clap_audio_port_configuration_request_t, port_details) == 24);
// clap_plugin_configurable_audio_ports_t
static_assert(sizeof(clap_plugin_configurable_audio_ports_t) == 16 && alignof(clap_plugin_configurable_audio_ports_t) == 8);
static_assert(offsetof(clap_plugin_configurable_audio_ports_t, can_apply_configuration) == 0);
static_assert(offsetof(clap_plugin_configurable_audio_ports_t, apply_configuration) == 8);
// clap_host_audio_ports_config_t
static_assert(sizeof(clap_host_audio_ports_config_t) == 8 && alignof(clap_host_audio_ports_config_t) == 8);
static_assert(offsetof(clap_host_audio_ports_config_t, rescan) == 0);
// clap_param_info_t
static_assert(sizeof(clap_param_info_t) == 1320 && alignof(clap_param_info_t) == 8);
static_assert(offsetof(clap_param_info_t, id) == 0);
static_assert(offsetof(clap_param_info_t, flags) == 4);
static_assert(offsetof(clap_param_info_t, cookie) == 8);
static_assert(offsetof(clap_param_info_t, name) == 16);
static_assert(offsetof(clap_param_info_t, module) == 272);
static_assert(offsetof(clap_param_info_t, min_value) == 1296);
static_assert(offsetof(clap_param_info_t, max_value) == 1304);
static_assert(offsetof(clap_param_info_t, default_value) == 1312);
// clap_plugin_params_t
static_assert(sizeof(clap_plugin_params_t) == 48 && alignof(clap_plugin_params_t) == 8);
static_assert(offsetof(clap_plugin_params_t, count) == 0);
static_assert(offsetof(clap_plugin_params_t, get_info) == 8);
static_assert(offsetof(clap_plugin_params_t, get_value) == 16);
static_assert(offsetof(clap_plugin_params_t, value_to_text) == 24);
static_assert(offsetof(clap_plugin_params_t, text_to_value) == 32);
static_assert(offsetof(clap_plugin_params_t, flush) == 40);
// clap_host_params_t
static_assert(sizeof(clap_host_params_t) == 24 && alignof(clap_host_params_t) == 8);
static_assert(offsetof(clap_host_params_t, rescan) == 0);
static_assert(offsetof(clap_host_params_t, clear) == 8);
static_assert(offsetof(clap_host_params_t, request_flush) == 16);
// clap_plugin_state_t
static_assert(sizeof(clap_plugin_state_t) == 16 && alignof(clap_plugin_state_t) == 8);
static_assert(offsetof(clap_plugin_state_t, save) == 0);
static_assert(offsetof(clap_plugin_state_t, load) == 8);
// clap_host_state_t
static_assert(sizeof(clap_host_state_t) == 8 && alignof(clap_host_state_t) == 8);
static_assert(offsetof(clap_host_state_t, mark_dirty) == 0);
// clap_plugin_latency_t
static_assert(sizeof(clap_plugin_latency_t) == 8 && alignof(clap_plugin_latency_t) == 8);
static_assert(offsetof(clap_plugin_latency_t, get) == 0);
// clap_host_latency_t
static_assert(sizeof(clap_host_latency_t) == 8 && alignof(clap_host_latency_t) == 8);
static_assert(offsetof(clap_host_latency_t, changed) == 0);
// clap_plugin_tail_t
static_assert(sizeof(clap_plugin_tail_t) == 8 && alignof(clap_plugin_tail_t) == 8);
static_assert(offsetof(clap_plugin_tail_t, get) == 0);
// clap_host_tail_t
static_assert(sizeof(clap_host_tail_t) == 8 && alignof(clap_host_tail_t) == 8);
static_assert(offsetof(clap_host_tail_t, changed) == 0);
// clap_plugin_render_t
static_assert(sizeof(clap_plugin_render_t) == 16 && alignof(clap_plugin_render_t) == 8);
static_assert(offsetof(clap_plugin_render_t, has_hard_realtime_requirement) == 0);
static_assert(offsetof(clap_plugin_render_t, set) == 8);
// clap_window_t
static_assert(sizeof(clap_window_t) == 16 && alignof(clap_window_t) == 8);
static_assert(offsetof(clap_window_t, api) == 0);
static_assert(offsetof(clap_window_t, cocoa) == 8);
static_assert(offsetof(clap_window_t, uikit) == 8);
static_assert(offsetof(clap_window_t, x11) == 8);
static_assert(offsetof(clap_window_t, win32) == 8);
static_assert(offsetof(clap_window_t, ptr) == 8);
// clap_gui_resize_hints_t
static_assert(sizeof(clap_gui_resize_hints_t) == 12 && alignof(clap_gui_resize_hints_t) == 4);
static_assert(offsetof(clap_gui_resize_hints_t, can_resize_horizontally) == 0);
static_assert(offsetof(clap_gui_resize_hints_t, can_resize_vertically) == 1);
static_assert(offsetof(clap_gui_resize_hints_t, preserve_aspect_ratio) == 2);
static_assert(offsetof(clap_gui_resize_hints_t, aspect_ratio_width) == 4);
static_assert(offsetof(clap_gui_resize_hints_t, aspect_ratio_height) == 8);
// clap_plugin_gui_t
static_assert(sizeof(clap_plugin_gui_t) == 120 && alignof(clap_plugin_gui_t) == 8);
static_assert(offsetof(clap_plugin_gui_t, is_api_supported) == 0);
static_assert(offsetof(clap_plugin_gui_t, get_preferred_api) == 8);
static_assert(offsetof(clap_plugin_gui_t, create) == 16);
static_assert(offsetof(clap_plugin_gui_t, destroy) == 24);
static_assert(offsetof(clap_plugin_gui_t, set_scale) == 32);
static_assert(offsetof(clap_plugin_gui_t, get_size) == 40);
static_assert(offsetof(clap_plugin_gui_t, can_resize) == 48);
static_assert(offsetof(clap_plugin_gui_t, get_resize_hints) == 56);
static_assert(offsetof(clap_plugin_gui_t, adjust_size) == 64);
static_assert(offsetof(clap_plugin_gui_t, set_size) == 72);
static_assert(offsetof(clap_plugin_gui_t, set_parent) == 80);
static_assert(offsetof(clap_plugin_gui_t, set_transient) == 88);
static_assert(offsetof(clap_plugin_gui_t, suggest_title) == 96);
static_assert(offsetof(clap_plugin_gui_t, show) == 104);
static_assert(offsetof(clap_plugin_gui_t, hide) == 112);
// clap_host_gui_t
static_assert(sizeof(clap_host_gui_t) == 40 && alignof(clap_host_gui_t) == 8);
static_assert(offsetof(clap_host_gui_t, resize_hints_changed) == 0);
static_assert(offsetof(clap_host_gui_t, request_resize) == 8);
static_assert(offsetof(clap_host_gui_t, request_show) == 16);
static_assert(offsetof(clap_host_gui_t, request_hide) == 24);
static_assert(offsetof(clap_host_gui_t, closed) == 32);
// clap_plugin_timer_support_t
static_assert(sizeof(clap_plugin_timer_support_t) == 8 && alignof(clap_plugin_timer_support_t) == 8);
static_assert(offsetof(clap_plugin_timer_support_t, on_timer) == 0);
// clap_host_timer_support_t
static_assert(sizeof(clap_host_timer_support_t) == 16 && alignof(clap_host_timer_support_t) == 8);
static_assert(offsetof(clap_host_timer_support_t, register_timer) == 0);
static_assert(offsetof(clap_host_timer_support_t, unregister_timer) == 8);
// clap_plugin_posix_fd_support_t
static_assert(sizeof(clap_plugin_posix_fd_support_t) == 8 && alignof(clap_plugin_posix_fd_support_t) == 8);
static_assert(offsetof(clap_plugin_posix_fd_support_t, on_fd) == 0);
// clap_host_posix_fd_support_t
static_assert(sizeof(clap_host_posix_fd_support_t) == 24 && alignof(clap_host_posix_fd_support_t) == 8);
static_assert(offsetof(clap_host_posix_fd_support_t, register_fd) == 0);
static_assert(offsetof(clap_host_posix_fd_support_t, modify_fd) == 8);
static_assert(offsetof(clap_host_posix_fd_support_t, unregister_fd) == 16);
// clap_host_thread_check_t
static_assert(sizeof(clap_host_thread_check_t) == 16 && alignof(clap_host_thread_check_t) == 8);
static_assert(offsetof(clap_host_thread_check_t, is_main_thread) == 0);
static_assert(offsetof(clap_host_thread_check_t, is_audio_thread) == 8);
// clap_host_log_t
static_assert(sizeof(clap_host_log_t) == 8 && alignof(clap_host_log_t) == 8);
static_assert(offsetof(clap_host_log_t, log) == 0);
