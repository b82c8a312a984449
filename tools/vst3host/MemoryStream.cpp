#include "tools/vst3host/MemoryStream.h"

#include "vst3/sdk/helpers/InterfacePtr.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Steinberg
{
tresult PLUGIN_API MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead)
{
  if (numBytesRead)
    *numBytesRead = 0;
  if (numBytes < 0 || (numBytes > 0 && buffer == nullptr))
    return kInvalidArgument;
  const int64 available = static_cast<int64>(mBytes.size()) - mPosition;
  const int32 count = static_cast<int32>(std::clamp<int64>(available, 0, numBytes));
  if (count > 0)
    std::memcpy(buffer, mBytes.data() + mPosition, static_cast<std::size_t>(count));
  mPosition += count;
  if (numBytesRead)
    *numBytesRead = count;
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten)
{
  if (numBytesWritten)
    *numBytesWritten = 0;
  if (numBytes < 0 || (numBytes > 0 && buffer == nullptr))
    return kInvalidArgument;
  const auto end = static_cast<std::size_t>(mPosition + numBytes);
  try
  {
    if (end > mBytes.size())
      mBytes.resize(end);
  }
  catch (...)
  {
    return kOutOfMemory;
  }
  if (numBytes > 0)
    std::memcpy(mBytes.data() + mPosition, buffer, static_cast<std::size_t>(numBytes));
  mPosition += numBytes;
  if (numBytesWritten)
    *numBytesWritten = numBytes;
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::seek(int64 pos, int32 mode, int64* result)
{
  int64 target = pos;
  if (mode == kIBSeekCur)
    target = mPosition + pos;
  else if (mode == kIBSeekEnd)
    target = static_cast<int64>(mBytes.size()) + pos;
  else if (mode != kIBSeekSet)
    return kInvalidArgument;
  if (target < 0 || target > static_cast<int64>(mBytes.size()))
    return kInvalidArgument;
  mPosition = target;
  if (result)
    *result = mPosition;
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::tell(int64* pos)
{
  if (pos == nullptr)
    return kInvalidArgument;
  *pos = mPosition;
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::getStreamSize(int64& size)
{
  size = static_cast<int64>(mBytes.size());
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::setStreamSize(int64 size)
{
  if (size < 0)
    return kInvalidArgument;
  try
  {
    mBytes.resize(static_cast<std::size_t>(size));
  }
  catch (...)
  {
    return kOutOfMemory;
  }
  mPosition = std::min(mPosition, size);
  return kResultOk;
}

tresult PLUGIN_API MemoryStream::queryInterface(const TUID iid, void** obj)
{
  if (answerAs<IBStream>(this, iid, obj) || answerAs<ISizeableStream>(this, iid, obj))
    return kResultOk;
  return FObject::queryInterface(iid, obj);
}
} // namespace Steinberg
