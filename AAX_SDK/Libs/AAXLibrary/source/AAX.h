#pragma once

// Basic types, result codes and constant values of our AAX interface library, in one
// place. Values marked "fixed" are the ones the binding and hosts agree on by contract;
// the others are this library's own choice, kept here so the host and the plug-in sides
// read them from one header.

#include <cstdint>

using AAX_Result = int32_t;
using AAX_CTypeID = uint32_t;      // four-character codes, big-endian: 'Qnmk' = 0x516E6D6B
using AAX_CFieldIndex = int32_t;   // position of a field in the algorithm context
using AAX_CParamID = const char*;  // parameter identifiers are texts
using AAX_CPropertyValue = int32_t;
using AAX_EStemFormat = int32_t;
using AAX_CTimestamp = int64_t;

struct AAX_Point
{
  float vert = 0.0f;
  float horz = 0.0f;
};

// ---- Result codes ----
// Success is 0, errors are negative (fixed).
enum : AAX_Result
{
  AAX_SUCCESS = 0,
  AAX_ERROR_INVALID_PARAMETER_ID = -20001, // fixed
  AAX_ERROR_NULL_OBJECT = -20004,          // fixed
  AAX_ERROR_INVALID_CHUNK_INDEX = -20006,  // fixed
  AAX_ERROR_INVALID_CHUNK_ID = -20007,     // fixed
  // This library's own codes.
  AAX_ERROR_NULL_ARGUMENT = -20101,        // a pointer the call needs is null
  AAX_ERROR_INVALID_ARGUMENT = -20102,     // a count, size or value out of its range
  AAX_ERROR_NOT_INITIALIZED = -20103,      // the object was not initialised yet
  AAX_ERROR_ALREADY_INITIALIZED = -20104,  // Initialize called twice
  AAX_ERROR_INVALID_FIELD_INDEX = -20105,  // a field index the description does not use
  AAX_ERROR_UNIMPLEMENTED = -20106,        // the call is not supported
  AAX_ERROR_BUFFER_TOO_SMALL = -20107,     // the caller's buffer cannot hold the answer
  AAX_ERROR_INVALID_CHUNK_DATA = -20108,   // chunk data the plug-in cannot read
  AAX_ERROR_DUPLICATE_ID = -20109,         // an identifier that is already registered
  AAX_ERROR_INVALID_BLOCK_LENGTH = -20110, // a render block length that is negative
};

// ---- Stem formats: (layout index << 16) + channel count (fixed) ----
enum : AAX_EStemFormat
{
  AAX_eStemFormat_Mono = 0x00000001,
  AAX_eStemFormat_Stereo = 0x00010002,
  AAX_eStemFormat_LCR = 0x00020003,
  AAX_eStemFormat_Quad = 0x00040004,
  AAX_eStemFormat_5_0 = 0x00050005,
  AAX_eStemFormat_5_1 = 0x00060006,
  AAX_eStemFormat_6_1 = 0x00080007,
  AAX_eStemFormat_7_1 = 0x000C0008,
  AAX_eStemFormat_None = static_cast<int32_t>(0xFF9C0000),
};
// The channel count a stem format carries.
constexpr int AAX_StemChannelCount(AAX_EStemFormat format) { return format & 0xFFFF; }

// ---- Property IDs of a component's property map (fixed) ----
enum AAX_EProperty : int32_t
{
  AAX_eProperty_ManufacturerID = 11,
  AAX_eProperty_ProductID = 12,
  AAX_eProperty_PlugInID_Native = 13,
  AAX_eProperty_PlugInID_AudioSuite = 14,
  AAX_eProperty_InputStemFormat = 51,
  AAX_eProperty_OutputStemFormat = 52,
  AAX_eProperty_LatencyContribution = 56,
  AAX_eProperty_CanBypass = 60,
  AAX_eProperty_UsesClientGUI = 151,
};

// ---- MIDI node kinds (fixed) ----
enum AAX_EMIDINodeType : int32_t
{
  AAX_eMIDINodeType_LocalInput = 0,
  AAX_eMIDINodeType_LocalOutput = 1,
  AAX_eMIDINodeType_Global = 2,
  AAX_eMIDINodeType_Transport = 3,
};

// ---- Procedure IDs given to AddProcPtr (fixed) ----
enum : int32_t
{
  kAAX_ProcPtrID_Create_EffectParameters = 0,
  kAAX_ProcPtrID_Create_EffectGUI = 1,
};

// ---- Parameter types (fixed) ----
enum AAX_EParameterType : int32_t
{
  AAX_eParameterType_Discrete = 0,
  AAX_eParameterType_Continuous = 1,
};

// Where a parameter update comes from; hosts pass it with UpdateParameterNormalizedValue
// (this library's choice).
enum AAX_EUpdateSource : int32_t
{
  AAX_eUpdateSource_Unspecified = 0,
  AAX_eUpdateSource_Automation = 1,
  AAX_eUpdateSource_Chunk = 2,
};

// The view container's kind of native window (this library's choice).
enum AAX_EViewContainer_Type : int32_t
{
  AAX_eViewContainer_Type_NULL = 0,
  AAX_eViewContainer_Type_HWND = 1,   // Windows: an HWND
  AAX_eViewContainer_Type_X11 = 2,    // Linux: an X11 Window id
};

// Ticks per quarter note of the transport's tick positions (fixed).
inline constexpr int64_t AAX_kTicksPerQuarter = 960000;
// A plug-in type ID that means "no such variant" (fixed): 'none'.
inline constexpr AAX_CTypeID AAX_kNoTypeID = 0x6E6F6E65;
// The version ACFGetSDKVersion reports (this library's: 1.0.0.1).
inline constexpr uint64_t AAX_kSDKVersion = 0x0001000000000001ULL;
// ACFCanUnloadNow: 0 when no object of the module is alive, 1 otherwise (this library's).
inline constexpr AAX_Result AAX_kCanUnload = 0;
inline constexpr AAX_Result AAX_kCannotUnload = 1;
// Longest parameter identifier or chunk name, terminator included (this library's).
inline constexpr int AAX_kMaxNameBytes = 32;

#if defined(_WIN32)
#define AAX_EXPORT extern "C" __declspec(dllexport)
#else
#define AAX_EXPORT extern "C" __attribute__((visibility("default")))
#endif
