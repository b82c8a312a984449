#pragma once

// Basic types, result codes and constants of the AAX interface, as AAX hosts use them.

#include "AAX_SDK/Libs/AAXLibrary/source/ACFBase.h"

#include <cstdint>

using AAX_Result = int32_t;
using AAX_CBoolean = uint8_t;
using AAX_CTypeID = uint32_t;      // four-character codes, big-endian: 'Qnmk' = 0x516E6D6B
using AAX_CFieldIndex = int32_t;   // algorithm-context field: byte offset / 8
using AAX_CIndex = int32_t;
using AAX_CParamID = const char*;  // parameter identifiers are texts of at most 31 chars
using AAX_CSelector = uint32_t;
using AAX_CSampleRate = float;
using AAX_CPropertyValue = int32_t;
using AAX_CPropertyValue64 = int64_t;
using AAX_CTimestamp = int64_t;
using AAX_CTimeOfDay = int64_t;
using AAX_CTransportCounter = int64_t;
using AAX_EStemFormat = int32_t;
using AAX_EParameterType = int32_t;
using AAX_EUpdateSource = int32_t;
using AAX_EMIDINodeType = int32_t;
using AAX_EPlugInStrings = int32_t;
using AAX_EResourceType = int32_t;
using AAX_CProcPtrID = int32_t;
using AAX_EProperty = int32_t;

struct AAX_Point
{
  float vert = 0.0f;
  float horz = 0.0f;
};
static_assert(sizeof(AAX_Point) == 8);

struct AAX_Rect
{
  float top = 0.0f;
  float left = 0.0f;
  float width = 0.0f;
  float height = 0.0f;
};
static_assert(sizeof(AAX_Rect) == 16);

struct AAX_SPlugInIdentifierTriad
{
  uint32_t mManufacturerID;
  uint32_t mProductID;
  uint32_t mPlugInID;
};

// ---- Result codes: 0 is success, errors are small negatives ----
enum : AAX_Result
{
  AAX_SUCCESS = 0,
  AAX_ERROR_INVALID_PARAMETER_ID = -20001,
  AAX_ERROR_INVALID_STRING_CONVERSION = -20002,
  AAX_ERROR_NULL_OBJECT = -20004,
  AAX_ERROR_OLDER_VERSION = -20005,
  AAX_ERROR_INVALID_CHUNK_INDEX = -20006,
  AAX_ERROR_INVALID_CHUNK_ID = -20007,
  AAX_ERROR_INCORRECT_CHUNK_SIZE = -20008,
  AAX_ERROR_UNIMPLEMENTED = -20009,
  AAX_ERROR_INVALID_PARAMETER_INDEX = -20010,
  AAX_ERROR_NOT_INITIALIZED = -20011,
  AAX_ERROR_INVALID_FIELD_INDEX = -20025,
  AAX_ERROR_MALFORMED_CHUNK = -20026,
  AAX_ERROR_INVALID_VIEW_SIZE = -20032,
  AAX_ERROR_PROPERTY_UNDEFINED = -20039,
  AAX_ERROR_UNKNOWN_EXCEPTION = -20042,
  AAX_ERROR_INVALID_ARGUMENT = -20043,
  AAX_ERROR_NULL_ARGUMENT = -20044,
};

// ---- Stem formats: (layout index << 16) | channel count ----
enum : AAX_EStemFormat
{
  AAX_eStemFormat_Mono = 0x00000001,
  AAX_eStemFormat_Stereo = 0x00010002,
  AAX_eStemFormat_LCR = 0x00020003,
  AAX_eStemFormat_LCRS = 0x00030004,
  AAX_eStemFormat_Quad = 0x00040004,
  AAX_eStemFormat_5_0 = 0x00050005,
  AAX_eStemFormat_5_1 = 0x00060006,
  AAX_eStemFormat_6_0 = 0x00070006,
  AAX_eStemFormat_6_1 = 0x00080007,
  AAX_eStemFormat_7_0_SDDS = 0x00090007,
  AAX_eStemFormat_7_1_SDDS = 0x000A0008,
  AAX_eStemFormat_7_0_DTS = 0x000B0007,
  AAX_eStemFormat_7_1_DTS = 0x000C0008,
  AAX_eStemFormat_None = static_cast<int32_t>(0xFF9C0000u),
  AAX_eStemFormat_Any = static_cast<int32_t>(0xFFFF0000u),
};
constexpr int AAX_StemChannelCount(AAX_EStemFormat format) { return format & 0xFFFF; }

// ---- Property IDs (AddProperty) ----
enum : AAX_EProperty
{
  AAX_eProperty_ManufacturerID = 11,
  AAX_eProperty_ProductID = 12,
  AAX_eProperty_PlugInID_Native = 13,
  AAX_eProperty_PlugInID_AudioSuite = 14,
  AAX_eProperty_NativeProcessProc = 36,
  AAX_eProperty_NativeInstanceInitProc = 37,
  AAX_eProperty_NativeBackgroundProc = 38,
  AAX_eProperty_InputStemFormat = 51,
  AAX_eProperty_OutputStemFormat = 52,
  AAX_eProperty_LatencyContribution = 56,
  AAX_eProperty_SampleRate = 58,
  AAX_eProperty_CanBypass = 60,
  AAX_eProperty_UsesClientGUI = 151,
  AAX_eProperty_UsesTransport = 306,
};

// ---- Procedure, node and field-option values ----
enum : AAX_CProcPtrID
{
  kAAX_ProcPtrID_Create_EffectParameters = 0,
  kAAX_ProcPtrID_Create_EffectGUI = 1,
  kAAX_ProcPtrID_Create_HostProcessor = 3,
  kAAX_ProcPtrID_Create_EffectDirectData = 5,
  kAAX_ProcPtrID_Create_TaskAgent = 6,
  kAAX_ProcPtrID_Create_SessionDocumentClient = 7,
};

enum : AAX_EMIDINodeType
{
  AAX_eMIDINodeType_LocalInput = 0,
  AAX_eMIDINodeType_LocalOutput = 1,
  AAX_eMIDINodeType_Global = 2,
  AAX_eMIDINodeType_Transport = 3,
};

enum : uint32_t
{
  AAX_ePrivateDataOptions_DefaultOptions = 0,
  AAX_ePrivateDataOptions_KeepOnReset = 1,
  AAX_ePrivateDataOptions_External = 2,
  AAX_ePrivateDataOptions_Align8 = 4,
};

enum : int32_t
{
  AAX_eComponentInstanceInitAction_AddingNewInstance = 0,
  AAX_eComponentInstanceInitAction_RemovingInstance = 1,
  AAX_eComponentInstanceInitAction_ResetInstance = 2,
};

// ---- Parameters, updates, views ----
enum : AAX_EParameterType
{
  AAX_eParameterType_Discrete = 0,
  AAX_eParameterType_Continuous = 1,
};

// Where an UpdateParameterNormalizedValue comes from: 1 and 2 mark set requests the
// plug-in itself posted inside an update or inside SetChunk; 0 is everything else.
enum : AAX_EUpdateSource
{
  AAX_eUpdateSource_Unspecified = 0,
  AAX_eUpdateSource_Parameter = 1,
  AAX_eUpdateSource_Chunk = 2,
  AAX_eUpdateSource_Delay = 3,
};

enum AAX_EViewContainer_Type : int32_t
{
  AAX_eViewContainer_Type_NULL = 0,
  AAX_eViewContainer_Type_NSView = 1,
  AAX_eViewContainer_Type_UIView = 2,
  AAX_eViewContainer_Type_HWND = 3,
  // No AAX host runs on Linux; our own test host hands the editor an X11 window under
  // this private value, outside the range the interface defines.
  AAX_eViewContainer_Type_X11Private = 0x58313100, // 'X11\0'
};

enum : int32_t
{
  AAX_eNotificationEvent_TrackNameChanged = 0x4158746E,    // 'AXtn'
  AAX_eNotificationEvent_SessionBeingOpened = 0x4158736F,  // 'AXso'
  AAX_eNotificationEvent_PresetOpened = 0x4158706F,        // 'AXpo'
  AAX_eNotificationEvent_SignalLatencyChanged = 0x4158736C, // 'AXsl'
  AAX_eNotificationEvent_TransportStateChanged = 0x41587473, // 'AXts'
  AAX_eNotificationEvent_ParameterNameChanged = 0x4158706E, // 'AXpn'
};

// Trace priorities and assertion flags of the host services.
enum : int32_t
{
  AAX_eTracePriorityHost_Critical = 0x10000000,
  AAX_eTracePriorityHost_High = 0x08000000,
  AAX_eTracePriorityHost_Normal = 0x04000000,
  AAX_eAssertFlags_Log = 1,
  AAX_eAssertFlags_Dialog = 2,
};

// Ticks per quarter note of the transport's tick positions.
inline constexpr int64_t AAX_kTicksPerQuarter = 960000;
// A plug-in type ID that means "no such variant": 'none'.
inline constexpr AAX_CTypeID AAX_kNoTypeID = 0x6E6F6E65;
// The version ACFGetSDKVersion reports: interface version 2.9 in the high word, its
// revision number in the low word.
inline constexpr acfUInt64 AAX_kSDKVersion = 0x0000020901345D68ULL;
// Parameter identifiers hold at most this many bytes, the terminator included.
inline constexpr int kAAX_ParameterIdentifierMaxSize = 32;
