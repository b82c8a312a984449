#pragma once

#include <cstdint>

// Scalar types, result codes and the calling convention shared by every interface
// declaration. Sizes are fixed by the binary interface; the asserts below guard them.
// The interface structs are plain data with natural alignment (no packing): value-
// initialize them (BusInfo info{};) to start from all zeros.

#if defined(_WIN32)
#define PLUGIN_API __stdcall
#define VST3SDK_COM_COMPATIBLE 1
#else
#define PLUGIN_API
#define VST3SDK_COM_COMPATIBLE 0
#endif

namespace Steinberg
{
using int8 = char;
using char8 = char;
using uint8 = std::uint8_t;
using uchar = unsigned char;
using int16 = std::int16_t;
using uint16 = std::uint16_t;
using int32 = std::int32_t;
using uint32 = std::uint32_t;
using int64 = std::int64_t;
using uint64 = std::uint64_t;
using TSize = int64;
using tresult = int32;
using TBool = uint8;            // 0 = false; hosts pass 0 or 1
using char16 = char16_t;        // one UTF-16 code unit, native byte order, on every platform
using tchar = char16;
using TUID = int8[16];          // interface and class IDs: 16 raw bytes, compared byte-wise
using FIDString = const char8*; // identifier text, or (createInstance) a pointer to 16 raw bytes
using UCoord = int32;

// True where result codes and IDs follow the COM conventions (Windows only).
inline constexpr bool kComCompatible = VST3SDK_COM_COMPATIBLE != 0;

// Result codes. kResultTrue equals kResultOk everywhere; on Linux the errors are small
// positive numbers, so failure is never tested with "< 0".
#if VST3SDK_COM_COMPATIBLE
inline constexpr tresult kNoInterface = static_cast<tresult>(0x80004002u);
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = kResultOk;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057u);
inline constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001u);
inline constexpr tresult kInternalError = static_cast<tresult>(0x80004005u);
inline constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFu);
inline constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000Eu);
#else
inline constexpr tresult kNoInterface = -1;
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = kResultOk;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = 2;
inline constexpr tresult kNotImplemented = 3;
inline constexpr tresult kInternalError = 4;
inline constexpr tresult kNotInitialized = 5;
inline constexpr tresult kOutOfMemory = 6;
#endif

inline constexpr uint32 kMaxInt32u = 0xFFFFFFFFu;

namespace Vst
{
using TChar = char16;
using String128 = TChar[128]; // 128 UTF-16 units including the terminating zero
using CString = const char8*; // 8-bit text (the interfaces here never take UTF-16 CStrings)
using MediaType = int32;
using BusDirection = int32;
using BusType = int32;
using IoMode = int32;
using UnitID = int32;
using ProgramListID = int32;
using KnobMode = int32;
using CtrlNumber = int16;
using ParamID = uint32;    // valid range 0 .. 0x7FFFFFFF
using ParamValue = double; // normalized, 0 .. 1
using TSamples = int64;
using TQuarterNotes = double;
using Sample32 = float;
using Sample64 = double;
using SampleRate = double;
using SpeakerArrangement = uint64; // bit set of speakers
using Speaker = uint64;
} // namespace Vst

// The struct layouts of these declarations are those of the 64-bit targets.
static_assert(sizeof(void*) == 8, "only 64-bit targets are laid out here");
static_assert(sizeof(char16) == 2 && sizeof(TBool) == 1 && sizeof(int64) == 8);
static_assert(sizeof(TUID) == 16);
static_assert(sizeof(Vst::String128) == 256);
static_assert(sizeof(Vst::ParamValue) == 8 && sizeof(Vst::SpeakerArrangement) == 8);
} // namespace Steinberg
