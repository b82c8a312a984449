#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg::Vst
{
class IAttributeList;

// Host side: created through IHostApplication::createInstance with IMessage's ID as class
// and interface ID; the creator releases it.
class IMessage : public FUnknown
{
public:
  virtual FIDString PLUGIN_API getMessageID() = 0;
  virtual void PLUGIN_API setMessageID(FIDString id) = 0;
  // Not addRef'ed: valid while the message lives.
  virtual IAttributeList* PLUGIN_API getAttributes() = 0;

  static constexpr const int8* iid = InterfaceIds::kIMessage.data();
};
} // namespace Steinberg::Vst
