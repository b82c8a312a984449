#include "WDL/IPlug/IPlugStructs.h"

#include <cstring>

namespace
{
// True when sizeBytes bytes can be read at position of a chunk of chunkBytes bytes.
bool Readable(int position, int sizeBytes, int chunkBytes)
{
  return position >= 0 && sizeBytes >= 0 &&
         static_cast<long long>(position) + sizeBytes <= chunkBytes;
}
}

int ChunkBuffer::PutInt32(std::int32_t value)
{
  return PutBytes(&value, static_cast<int>(sizeof value));
}

int ChunkBuffer::PutFloat64(double value)
{
  return PutBytes(&value, static_cast<int>(sizeof value));
}

int ChunkBuffer::PutBytes(const void* bytes, int sizeBytes)
{
  if (bytes == nullptr || sizeBytes <= 0)
    return Size();
  const auto* first = static_cast<const std::uint8_t*>(bytes);
  const bool fromSelf = !mBytes.empty() && first >= mBytes.data() && first < mBytes.data() + mBytes.size();
  if (fromSelf)
  {
    // The insert may reallocate under the source; copy it out first.
    const std::vector<std::uint8_t> copy(first, first + sizeBytes);
    mBytes.insert(mBytes.end(), copy.begin(), copy.end());
  }
  else
  {
    mBytes.insert(mBytes.end(), first, first + sizeBytes);
  }
  return Size();
}

int ChunkBuffer::PutChunk(const ChunkBuffer& other)
{
  return PutBytes(other.Data(), other.Size());
}

int ChunkBuffer::GetInt32(std::int32_t* value, int position) const
{
  return GetBytes(value, static_cast<int>(sizeof *value), position);
}

int ChunkBuffer::GetFloat64(double* value, int position) const
{
  return GetBytes(value, static_cast<int>(sizeof *value), position);
}

int ChunkBuffer::GetBytes(void* bytes, int sizeBytes, int position) const
{
  if (bytes == nullptr || !Readable(position, sizeBytes, Size()))
    return -1;
  if (sizeBytes > 0)
    std::memcpy(bytes, mBytes.data() + position, static_cast<std::size_t>(sizeBytes));
  return position + sizeBytes;
}

void ChunkBuffer::Resize(int sizeBytes)
{
  mBytes.resize(sizeBytes > 0 ? static_cast<std::size_t>(sizeBytes) : 0u, 0u);
}
