#pragma once

// The host's byte streams for state. Transfers may be partial: loop.

#include <cstdint>

extern "C" {

typedef struct clap_istream
{
  void* ctx;
  // Bytes read (> 0), 0 at the end, -1 on error.
  int64_t (*read)(const struct clap_istream* stream, void* buffer, uint64_t size);
} clap_istream_t;

typedef struct clap_ostream
{
  void* ctx;
  // Bytes written (possibly fewer than asked), -1 on error.
  int64_t (*write)(const struct clap_ostream* stream, const void* buffer, uint64_t size);
} clap_ostream_t;

} // extern "C"
