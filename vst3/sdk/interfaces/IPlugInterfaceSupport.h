#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg::Vst
{
// Host side, optional on the host context: which plug-in interfaces the host uses.
class IPlugInterfaceSupport : public FUnknown
{
public:
  virtual tresult PLUGIN_API isPlugInterfaceSupported(const TUID iid) = 0;

  static constexpr const int8* iid = InterfaceIds::kIPlugInterfaceSupport.data();
};
} // namespace Steinberg::Vst
