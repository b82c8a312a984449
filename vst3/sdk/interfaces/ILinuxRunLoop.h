#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg::Linux
{
using FileDescriptor = int;
using TimerInterval = uint64; // milliseconds

// Plug-in side: called on the host's UI thread when a registered descriptor is readable.
class IEventHandler : public FUnknown
{
public:
  virtual void PLUGIN_API onFDIsSet(FileDescriptor fd) = 0;

  static constexpr const int8* iid = InterfaceIds::kIEventHandler.data();
};

// Plug-in side: called repeatedly on the host's UI thread until unregistered.
class ITimerHandler : public FUnknown
{
public:
  virtual void PLUGIN_API onTimer() = 0;

  static constexpr const int8* iid = InterfaceIds::kITimerHandler.data();
};

// Host side: Linux has no global event loop; plug-ins register with the host's. Queried
// from the IPlugFrame or from the factory's host context. A host may refuse every call.
class IRunLoop : public FUnknown
{
public:
  virtual tresult PLUGIN_API registerEventHandler(IEventHandler* handler, FileDescriptor fd) = 0;
  virtual tresult PLUGIN_API unregisterEventHandler(IEventHandler* handler) = 0;
  virtual tresult PLUGIN_API registerTimer(ITimerHandler* handler, TimerInterval milliseconds) = 0;
  virtual tresult PLUGIN_API unregisterTimer(ITimerHandler* handler) = 0;

  static constexpr const int8* iid = InterfaceIds::kIRunLoop.data();
};
} // namespace Steinberg::Linux
