#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg
{
// Optional on a view: the host tells the display scale, at any time while the view lives.
class IPlugViewContentScaleSupport : public FUnknown
{
public:
  using ScaleFactor = float;

  // kResultTrue when handled; then request the scaled size through IPlugFrame::resizeView.
  virtual tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) = 0;

  static constexpr const int8* iid = InterfaceIds::kIPlugViewContentScaleSupport.data();
};
} // namespace Steinberg
