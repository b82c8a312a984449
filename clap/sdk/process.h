#pragma once

// One process call: the audio buffers, the event lists and the transport.

#include <cstdint>

extern "C" {

typedef int64_t clap_beattime; // beats * CLAP_BEATTIME_FACTOR
typedef int64_t clap_sectime;  // seconds * CLAP_SECTIME_FACTOR
static const int64_t CLAP_BEATTIME_FACTOR = 1LL << 31;
static const int64_t CLAP_SECTIME_FACTOR = 1LL << 31;

enum
{
  CLAP_CORE_EVENT_SPACE_ID = 0
};

typedef struct clap_event_header
{
  uint32_t size; // of the whole event, header included
  uint32_t time; // frame offset inside the block
  uint16_t space_id;
  uint16_t type;
  uint32_t flags;
} clap_event_header_t;

enum
{
  CLAP_EVENT_IS_LIVE = 1 << 0,
  CLAP_EVENT_DONT_RECORD = 1 << 1
};

enum
{
  CLAP_EVENT_NOTE_ON = 0,
  CLAP_EVENT_NOTE_OFF = 1,
  CLAP_EVENT_NOTE_CHOKE = 2,
  CLAP_EVENT_NOTE_END = 3,
  CLAP_EVENT_NOTE_EXPRESSION = 4,
  CLAP_EVENT_PARAM_VALUE = 5,
  CLAP_EVENT_PARAM_MOD = 6,
  CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
  CLAP_EVENT_PARAM_GESTURE_END = 8,
  CLAP_EVENT_TRANSPORT = 9,
  CLAP_EVENT_MIDI = 10,
  CLAP_EVENT_MIDI_SYSEX = 11,
  CLAP_EVENT_MIDI2 = 12
};

typedef struct clap_event_note
{
  clap_event_header_t header;
  int32_t note_id;
  int16_t port_index;
  int16_t channel;
  int16_t key;
  double velocity;
} clap_event_note_t;

typedef struct clap_event_param_value
{
  clap_event_header_t header;
  clap_id param_id;
  void* cookie; // may be null
  int32_t note_id; // -1: not per voice
  int16_t port_index;
  int16_t channel;
  int16_t key;
  double value; // plain, within the parameter's range
} clap_event_param_value_t;

typedef struct clap_event_param_mod
{
  clap_event_header_t header;
  clap_id param_id;
  void* cookie;
  int32_t note_id;
  int16_t port_index;
  int16_t channel;
  int16_t key;
  double amount;
} clap_event_param_mod_t;

typedef struct clap_event_param_gesture
{
  clap_event_header_t header;
  clap_id param_id;
} clap_event_param_gesture_t;

enum
{
  CLAP_TRANSPORT_HAS_TEMPO = 1 << 0,
  CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 1 << 1,
  CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 1 << 2,
  CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 1 << 3,
  CLAP_TRANSPORT_IS_PLAYING = 1 << 4,
  CLAP_TRANSPORT_IS_RECORDING = 1 << 5,
  CLAP_TRANSPORT_IS_LOOP_ACTIVE = 1 << 6,
  CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL = 1 << 7
};

typedef struct clap_event_transport
{
  clap_event_header_t header;
  uint32_t flags;
  clap_beattime song_pos_beats;
  clap_sectime song_pos_seconds;
  double tempo;
  double tempo_inc;
  clap_beattime loop_start_beats;
  clap_beattime loop_end_beats;
  clap_sectime loop_start_seconds;
  clap_sectime loop_end_seconds;
  clap_beattime bar_start;
  int32_t bar_number;
  uint16_t tsig_num;
  uint16_t tsig_denom;
} clap_event_transport_t;

typedef struct clap_event_midi
{
  clap_event_header_t header;
  uint16_t port_index;
  uint8_t data[3];
} clap_event_midi_t;

typedef struct clap_input_events
{
  void* ctx;
  uint32_t (*size)(const struct clap_input_events* list);
  const clap_event_header_t* (*get)(const struct clap_input_events* list, uint32_t index);
} clap_input_events_t;

typedef struct clap_output_events
{
  void* ctx;
  // The host copies header->size bytes; false: not queued.
  bool (*try_push)(const struct clap_output_events* list, const clap_event_header_t* event);
} clap_output_events_t;

typedef struct clap_audio_buffer
{
  float** data32;  // exactly one of data32 / data64 is set
  double** data64;
  uint32_t channel_count;
  uint32_t latency;
  uint64_t constant_mask; // bit i: every sample of channel i equals sample 0
} clap_audio_buffer_t;

typedef int32_t clap_process_status;
enum
{
  CLAP_PROCESS_ERROR = 0,
  CLAP_PROCESS_CONTINUE = 1,
  CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
  CLAP_PROCESS_TAIL = 3,
  CLAP_PROCESS_SLEEP = 4
};

typedef struct clap_process
{
  int64_t steady_time; // -1 when unknown
  uint32_t frames_count;
  const clap_event_transport_t* transport; // state at frame 0; null: no transport
  const clap_audio_buffer_t* audio_inputs;
  clap_audio_buffer_t* audio_outputs;
  uint32_t audio_inputs_count;
  uint32_t audio_outputs_count;
  const clap_input_events_t* in_events; // sorted by time
  const clap_output_events_t* out_events;
} clap_process_t;

} // extern "C"
