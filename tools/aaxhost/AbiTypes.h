#pragma once

// The host's own declaration of the AAX binary interface: scalar types, result codes,
// IDs, constants and the structs that cross the boundary. Kept in aaxhost::abi so that a
// test program can link a module's own declarations next to these without a clash.

#include <cstdint>
#include <cstring>

namespace aaxhost::abi
{
using ACFRESULT = int32_t;
using AAX_Result = int32_t;
using AAX_CTypeID = uint32_t;
using AAX_CParamID = const char*;
using AAX_CFieldIndex = int32_t;
using AAX_CSelector = uint32_t;
using AAX_CPropertyValue = int32_t;
using AAX_CPropertyValue64 = int64_t;
using AAX_CBoolean = uint8_t;
using acfWChar = wchar_t;

// 16 bytes in the Windows GUID layout: the same bytes on every little-endian platform.
struct acfUID
{
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
static_assert(sizeof(acfUID) == 16);
inline bool operator==(const acfUID& a, const acfUID& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// ACF results (interfaces of the component framework).
inline constexpr ACFRESULT ACF_OK = 0;
inline constexpr ACFRESULT ACF_FALSE = 1;
inline constexpr ACFRESULT ACF_E_NOTIMPL = static_cast<int32_t>(0x80000001u);
inline constexpr ACFRESULT ACF_E_OUTOFMEMORY = static_cast<int32_t>(0x80000002u);
inline constexpr ACFRESULT ACF_E_INVALIDARG = static_cast<int32_t>(0x80000003u);
inline constexpr ACFRESULT ACF_E_NOINTERFACE = static_cast<int32_t>(0x80000004u);
inline constexpr ACFRESULT ACF_E_POINTER = static_cast<int32_t>(0x80000005u);
inline constexpr ACFRESULT ACF_E_FAIL = static_cast<int32_t>(0x80000008u);
inline constexpr ACFRESULT ACF_E_UNEXPECTED = static_cast<int32_t>(0x8000FFFFu);
inline constexpr ACFRESULT ACF_E_CLASSNOTREG = static_cast<int32_t>(0x80040154u);
inline constexpr ACFRESULT ACF_CLASS_E_CLASSNOTAVAILABLE = static_cast<int32_t>(0x80040111u);

// AAX results.
inline constexpr AAX_Result AAX_SUCCESS = 0;
inline constexpr AAX_Result AAX_ERROR_INVALID_PARAMETER_ID = -20001;
inline constexpr AAX_Result AAX_ERROR_INVALID_STRING_CONVERSION = -20002;
inline constexpr AAX_Result AAX_ERROR_NULL_OBJECT = -20004;
inline constexpr AAX_Result AAX_ERROR_OLDER_VERSION = -20005;
inline constexpr AAX_Result AAX_ERROR_INVALID_CHUNK_INDEX = -20006;
inline constexpr AAX_Result AAX_ERROR_INVALID_CHUNK_ID = -20007;
inline constexpr AAX_Result AAX_ERROR_INCORRECT_CHUNK_SIZE = -20008;
inline constexpr AAX_Result AAX_ERROR_UNIMPLEMENTED = -20009;
inline constexpr AAX_Result AAX_ERROR_INVALID_PARAMETER_INDEX = -20010;
inline constexpr AAX_Result AAX_ERROR_NOT_INITIALIZED = -20011;
inline constexpr AAX_Result AAX_ERROR_INVALID_FIELD_INDEX = -20025;
inline constexpr AAX_Result AAX_ERROR_MALFORMED_CHUNK = -20026;
inline constexpr AAX_Result AAX_ERROR_INVALID_VIEW_SIZE = -20032;
inline constexpr AAX_Result AAX_ERROR_PROPERTY_UNDEFINED = -20039;
inline constexpr AAX_Result AAX_ERROR_UNKNOWN_EXCEPTION = -20042;
inline constexpr AAX_Result AAX_ERROR_INVALID_ARGUMENT = -20043;
inline constexpr AAX_Result AAX_ERROR_NULL_ARGUMENT = -20044;

// The version ACFGetSDKVersion reports: SDK 2.9 in the high word, its revision below.
inline constexpr uint64_t kSdkVersion = 0x0000020901345D68ull;

// Creation procedures (AddProcPtr).
inline constexpr int32_t kProcCreateEffectParameters = 0;
inline constexpr int32_t kProcCreateEffectGUI = 1;

// Properties (AddProperty).
inline constexpr int32_t kPropertyManufacturerID = 11;
inline constexpr int32_t kPropertyProductID = 12;
inline constexpr int32_t kPropertyPlugInIDNative = 13;
inline constexpr int32_t kPropertyPlugInIDAudioSuite = 14;
inline constexpr int32_t kPropertyInputStemFormat = 51;
inline constexpr int32_t kPropertyOutputStemFormat = 52;
inline constexpr int32_t kPropertyLatencyContribution = 56;
inline constexpr int32_t kPropertyCanBypass = 60;
inline constexpr int32_t kPropertyUsesClientGUI = 151;

// Stem formats: (layout index << 16) | channel count.
inline constexpr int32_t kStemMono = 0x00000001;
inline constexpr int32_t kStemStereo = 0x00010002;
inline constexpr int32_t kStemNone = static_cast<int32_t>(0xFF9C0000u);
inline constexpr int StemChannelCount(int32_t stem) { return static_cast<int>(static_cast<uint32_t>(stem) & 0xFFFFu); }

// MIDI node types, instance-init actions, update sources.
inline constexpr int32_t kMIDINodeLocalInput = 0;
inline constexpr int32_t kMIDINodeTransport = 3;
inline constexpr int32_t kInstanceAdding = 0;
inline constexpr int32_t kInstanceRemoving = 1;
inline constexpr int32_t kUpdateUnspecified = 0;
inline constexpr int32_t kUpdateInsideUpdate = 1;
inline constexpr int32_t kUpdateInsideSetChunk = 2;

// View container kinds. No value exists for X11; our Linux host uses a private one
// outside the defined range, and the module's Linux build must agree on it.
inline constexpr int32_t kViewTypeNone = 0;
inline constexpr int32_t kViewTypeHWND = 3;
inline constexpr int32_t kViewTypeX11 = 0x58313120; // 'X11 '

inline constexpr int64_t kTicksPerQuarter = 960000;
inline constexpr int kParameterIdBytes = 32;

struct AAX_Point
{
  float vert;
  float horz;
};
static_assert(sizeof(AAX_Point) == 8);

struct AAX_Rect
{
  float top, left, width, height;
};

struct AAX_CMidiPacket
{
  uint32_t mTimestamp;
  uint32_t mLength;
  uint8_t mData[4];
  uint8_t mIsImmediate;
};
static_assert(sizeof(AAX_CMidiPacket) == 16);

struct AAX_CMidiStream
{
  uint32_t mBufferSize;
  AAX_CMidiPacket* mBuffer;
};
static_assert(sizeof(AAX_CMidiStream) == 16);

// A chunk record: the 56-byte header, then fSize data bytes.
struct AAX_SPlugInChunkHeader
{
  int32_t fSize;
  int32_t fVersion;
  uint32_t fManufacturerID;
  uint32_t fProductID;
  uint32_t fPlugInID;
  uint32_t fChunkID;
  unsigned char fName[32];
};
static_assert(sizeof(AAX_SPlugInChunkHeader) == 56);

struct AAX_SPlugInChunk : AAX_SPlugInChunkHeader
{
  char fData[1];
};
inline constexpr size_t kChunkHeaderBytes = sizeof(AAX_SPlugInChunkHeader);

// Process procedures.
using AAX_CProcessProc = void (*)(void* const contextsBegin[], const void* contextsEnd);
using AAX_CInstanceInitProc = int32_t (*)(const void* context, int32_t action);
using AAX_CBackgroundProc = int32_t (*)();
} // namespace aaxhost::abi
