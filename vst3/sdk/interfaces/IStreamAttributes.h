#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg::Vst
{
class IAttributeList;

// Host side, optional: queried from the stream given to setState / getState.
class IStreamAttributes : public FUnknown
{
public:
  virtual tresult PLUGIN_API getFileName(String128 name) = 0;
  virtual IAttributeList* PLUGIN_API getAttributes() = 0; // not addRef'ed

  static constexpr const int8* iid = InterfaceIds::kIStreamAttributes.data();
};
} // namespace Steinberg::Vst
