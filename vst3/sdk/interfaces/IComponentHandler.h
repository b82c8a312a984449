#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg::Vst
{
// restartComponent flags: what the host has to re-read.
enum RestartFlags
{
  kReloadComponent = 1 << 0,
  kIoChanged = 1 << 1, // deactivate, re-read buses, reactivate
  kParamValuesChanged = 1 << 2,
  kLatencyChanged = 1 << 3, // deactivate, reactivate, re-read getLatencySamples
  kParamTitlesChanged = 1 << 4,
  kMidiCCAssignmentChanged = 1 << 5,
  kNoteExpressionChanged = 1 << 6,
  kIoTitlesChanged = 1 << 7,
  kPrefetchableSupportChanged = 1 << 8,
  kRoutingInfoChanged = 1 << 9,
  kKeyswitchChanged = 1 << 10,
  kParamIDMappingChanged = 1 << 11
};

// Host side. Every call is made from the UI thread.
class IComponentHandler : public FUnknown
{
public:
  virtual tresult PLUGIN_API beginEdit(ParamID id) = 0;
  virtual tresult PLUGIN_API performEdit(ParamID id, ParamValue valueNormalized) = 0;
  virtual tresult PLUGIN_API endEdit(ParamID id) = 0;
  virtual tresult PLUGIN_API restartComponent(int32 flags) = 0; // RestartFlags

  static constexpr const int8* iid = InterfaceIds::kIComponentHandler.data();
};

// Host side, queried from the component handler.
class IComponentHandler2 : public FUnknown
{
public:
  virtual tresult PLUGIN_API setDirty(TBool state) = 0;
  virtual tresult PLUGIN_API requestOpenEditor(FIDString name) = 0;
  virtual tresult PLUGIN_API startGroupEdit() = 0;
  virtual tresult PLUGIN_API finishGroupEdit() = 0;

  static constexpr const int8* iid = InterfaceIds::kIComponentHandler2.data();
};

// Host side, optional.
class IComponentHandlerBusActivation : public FUnknown
{
public:
  virtual tresult PLUGIN_API requestBusActivation(MediaType type, BusDirection dir, int32 index, TBool state) = 0;

  static constexpr const int8* iid = InterfaceIds::kIComponentHandlerBusActivation.data();
};
} // namespace Steinberg::Vst
