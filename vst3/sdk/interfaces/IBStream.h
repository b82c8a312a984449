#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg
{
// A byte stream given by the host for state. A short read is not an error code: the
// count read comes back through numBytesRead (0 at the end).
class IBStream : public FUnknown
{
public:
  enum IStreamSeekMode
  {
    kIBSeekSet = 0, // absolute
    kIBSeekCur,     // relative to the current position
    kIBSeekEnd      // relative to the end
  };

  virtual tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) = 0;
  virtual tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten) = 0;
  virtual tresult PLUGIN_API seek(int64 pos, int32 mode, int64* result) = 0;
  virtual tresult PLUGIN_API tell(int64* pos) = 0;

  static constexpr const int8* iid = InterfaceIds::kIBStream.data();
};

// Optional extra interface of a stream, queried from the IBStream.
class ISizeableStream : public FUnknown
{
public:
  virtual tresult PLUGIN_API getStreamSize(int64& size) = 0;
  virtual tresult PLUGIN_API setStreamSize(int64 size) = 0;

  static constexpr const int8* iid = InterfaceIds::kISizeableStream.data();
};
} // namespace Steinberg
