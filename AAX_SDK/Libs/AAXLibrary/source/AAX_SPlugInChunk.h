#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

#include <cstddef>

// A chunk as host and plug-in exchange it: a 56-byte header and the data bytes behind it.
// The host allocates the header plus the data size GetChunkSize reported; fSize counts
// data bytes only (the host's for SetChunk, the bytes written for GetChunk).
struct AAX_SPlugInChunkHeader
{
  int32_t fSize;
  int32_t fVersion;
  AAX_CTypeID fManufacturerID;
  AAX_CTypeID fProductID;
  AAX_CTypeID fPlugInID;
  AAX_CTypeID fChunkID;
  unsigned char fName[32];
};

struct AAX_SPlugInChunk
{
  int32_t fSize;
  int32_t fVersion;
  AAX_CTypeID fManufacturerID;
  AAX_CTypeID fProductID;
  AAX_CTypeID fPlugInID;
  AAX_CTypeID fChunkID;
  unsigned char fName[32];
  char fData[1];
};
static_assert(sizeof(AAX_SPlugInChunkHeader) == 56 && offsetof(AAX_SPlugInChunk, fData) == 56);

inline constexpr size_t kAAX_ChunkHeaderBytes = offsetof(AAX_SPlugInChunk, fData);
