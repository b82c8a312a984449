#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg::Vst
{
class IMessage;

// Message link between two plug-in objects; the host may put a proxy in between.
class IConnectionPoint : public FUnknown
{
public:
  virtual tresult PLUGIN_API connect(IConnectionPoint* other) = 0;
  virtual tresult PLUGIN_API disconnect(IConnectionPoint* other) = 0;
  virtual tresult PLUGIN_API notify(IMessage* message) = 0;

  static constexpr const int8* iid = InterfaceIds::kIConnectionPoint.data();
};
} // namespace Steinberg::Vst
