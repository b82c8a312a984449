#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg::Vst
{
// Optional on a view: the parameter under a point of the editor.
class IParameterFinder : public FUnknown
{
public:
  virtual tresult PLUGIN_API findParameter(int32 xPos, int32 yPos, ParamID& resultTag) = 0;

  static constexpr const int8* iid = InterfaceIds::kIParameterFinder.data();
};
} // namespace Steinberg::Vst
