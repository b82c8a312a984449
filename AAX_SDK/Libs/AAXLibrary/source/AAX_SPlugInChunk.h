#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

#include <cstddef>

// A chunk as host and plug-in exchange it: a header and the data bytes behind it. The
// host allocates AAX_ChunkBytes(size) bytes. Before GetChunk, fSize holds how many data
// bytes the host made room for; the plug-in sets it to the bytes it wrote. For SetChunk,
// fSize is the count of data bytes.
struct AAX_SPlugInChunk
{
  int32_t fSize;
  int32_t fVersion;
  AAX_CTypeID fManufacturerID;
  AAX_CTypeID fProductID;
  AAX_CTypeID fPlugInID;
  AAX_CTypeID fChunkID;
  char fName[AAX_kMaxNameBytes];
  char fData[1];
};

// Bytes to allocate for a chunk record holding dataBytes of data.
constexpr size_t AAX_ChunkBytes(size_t dataBytes)
{
  return offsetof(AAX_SPlugInChunk, fData) + (dataBytes > 0 ? dataBytes : 1);
}
