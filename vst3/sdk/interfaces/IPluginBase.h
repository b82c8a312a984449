#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg
{
// First and last call of a component's or controller's working life.
class IPluginBase : public FUnknown
{
public:
  // context is the host object (normally answers IHostApplication). Anything but
  // kResultOk makes the host release the object without calling terminate.
  virtual tresult PLUGIN_API initialize(FUnknown* context) = 0;
  // Releases every host interface kept since initialize.
  virtual tresult PLUGIN_API terminate() = 0;

  static constexpr const int8* iid = InterfaceIds::kIPluginBase.data();
};
} // namespace Steinberg
