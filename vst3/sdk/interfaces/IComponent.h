#pragma once

#include "vst3/sdk/interfaces/IPluginBase.h"

#include <cstddef>

namespace Steinberg
{
class IBStream;

namespace Vst
{
enum MediaTypes
{
  kAudio = 0,
  kEvent,
  kNumMediaTypes
};

enum BusDirections
{
  kInput = 0,
  kOutput
};

enum BusTypes
{
  kMain = 0, // main buses come before aux buses in each direction
  kAux       // side-chain
};

enum IoModes
{
  kSimple = 0,
  kAdvanced,
  kOfflineProcessing
};

// PClassInfo2::classFlags of an audio module class.
enum ComponentFlags
{
  kDistributable = 1 << 0, // processor and controller may run apart; never for one object
  kSimpleModeSupported = 1 << 1
};

struct BusInfo
{
  enum BusFlags
  {
    kDefaultActive = 1 << 0, // a wish to the host; buses start inactive
    kIsControlVoltage = 1 << 1
  };

  MediaType mediaType;
  BusDirection direction;
  int32 channelCount; // audio: channels of the current arrangement
  String128 name;    // must not be empty
  BusType busType;
  uint32 flags; // BusFlags
};

struct RoutingInfo
{
  MediaType mediaType;
  int32 busIndex;
  int32 channel; // -1 = all channels
};

// The processing part of a plug-in, as the host creates and configures it.
class IComponent : public IPluginBase
{
public:
  // Writes the 16 bytes of the separate controller's class ID.
  virtual tresult PLUGIN_API getControllerClassId(TUID classId) = 0;
  virtual tresult PLUGIN_API setIoMode(IoMode mode) = 0;
  virtual int32 PLUGIN_API getBusCount(MediaType type, BusDirection dir) = 0;
  virtual tresult PLUGIN_API getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) = 0;
  virtual tresult PLUGIN_API getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
  virtual tresult PLUGIN_API activateBus(MediaType type, BusDirection dir, int32 index, TBool state) = 0;
  virtual tresult PLUGIN_API setActive(TBool state) = 0;
  // The processor state: read from / written at the stream's current position.
  virtual tresult PLUGIN_API setState(IBStream* state) = 0;
  virtual tresult PLUGIN_API getState(IBStream* state) = 0;

  static constexpr const int8* iid = InterfaceIds::kIComponent.data();
};

static_assert(sizeof(BusInfo) == 276 && alignof(BusInfo) == 4);
static_assert(offsetof(BusInfo, channelCount) == 8 && offsetof(BusInfo, name) == 12);
static_assert(offsetof(BusInfo, busType) == 268 && offsetof(BusInfo, flags) == 272);
static_assert(sizeof(RoutingInfo) == 12 && alignof(RoutingInfo) == 4);
} // namespace Vst
} // namespace Steinberg
