#pragma once

#include "vst3/sdk/helpers/FObject.h"
#include "vst3/sdk/interfaces/IBStream.h"

#include <vector>

namespace Steinberg
{
// Host-side growable byte stream, as hosts hand to getState / setState. Reads past the end
// are short reads (kResultOk with fewer bytes), as hosts do it. Plug-ins call every
// method: none of them throws (a failed growth answers kOutOfMemory).
// [UI thread] One thread at a time.
class MemoryStream : public FObject, public IBStream, public ISizeableStream
{
public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<uint8> bytes) : mBytes(std::move(bytes)) {}

  tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override;
  tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten) override;
  // Positions outside 0 .. size: kInvalidArgument, position unchanged.
  tresult PLUGIN_API seek(int64 pos, int32 mode, int64* result) override;
  tresult PLUGIN_API tell(int64* pos) override;
  tresult PLUGIN_API getStreamSize(int64& size) override;
  tresult PLUGIN_API setStreamSize(int64 size) override;

  const std::vector<uint8>& bytes() const noexcept { return mBytes; }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  VST3SDK_REFCOUNT_METHODS(FObject)

private:
  std::vector<uint8> mBytes;
  int64 mPosition = 0;
};
} // namespace Steinberg
