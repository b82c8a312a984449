#pragma once

#include "vst3/sdk/interfaces/Types.h"

// Class categories, sub-categories and version strings that go into the class descriptions.

namespace Steinberg
{
// Platform names.
inline constexpr const char8* kPlatformStringWin = "WIN";
inline constexpr const char8* kPlatformStringMac = "MAC";
inline constexpr const char8* kPlatformStringIOS = "IOS";
inline constexpr const char8* kPlatformStringLinux = "Linux";

namespace Vst
{
// Category of the processor class (the one hosts list) and of a separate controller class.
inline constexpr const char8* kVstAudioEffectClass = "Audio Module Class";
inline constexpr const char8* kVstComponentControllerClass = "Component Controller Class";

// The interface version a class reports in sdkVersion. Reporting 3.7 or newer obliges the
// component to answer IProcessContextRequirements.
inline constexpr const char8* kVstVersionString = "VST 3.7.14";
inline constexpr int32 kVstVersionMajor = 3;
inline constexpr int32 kVstVersionMinor = 7;
inline constexpr int32 kVstVersionSub = 14;

// Sub-categories: one string, items separated by '|', e.g. "Fx|Dynamics".
namespace PlugType
{
inline constexpr const char8* kFx = "Fx";
inline constexpr const char8* kFxAnalyzer = "Fx|Analyzer";
inline constexpr const char8* kFxDelay = "Fx|Delay";
inline constexpr const char8* kFxDistortion = "Fx|Distortion";
inline constexpr const char8* kFxDynamics = "Fx|Dynamics";
inline constexpr const char8* kFxEQ = "Fx|EQ";
inline constexpr const char8* kFxFilter = "Fx|Filter";
inline constexpr const char8* kFxMastering = "Fx|Mastering";
inline constexpr const char8* kFxReverb = "Fx|Reverb";
inline constexpr const char8* kFxTools = "Fx|Tools";
inline constexpr const char8* kInstrument = "Instrument";
inline constexpr const char8* kMono = "Mono";
inline constexpr const char8* kStereo = "Stereo";
inline constexpr const char8* kSurround = "Surround";
inline constexpr const char8* kOnlyRealTime = "OnlyRT";
inline constexpr const char8* kNoOfflineProcess = "NoOfflineProcess";
} // namespace PlugType

// The only view name passed to IEditController::createView.
namespace ViewType
{
inline constexpr const char8* kEditor = "editor";
}
} // namespace Vst
} // namespace Steinberg
