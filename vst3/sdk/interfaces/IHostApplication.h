#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg::Vst
{
// Host side: answered by the context given to initialize.
class IHostApplication : public FUnknown
{
public:
  virtual tresult PLUGIN_API getName(String128 name) = 0;
  // Host objects such as IMessage / IAttributeList: pass the interface's ID as cid and
  // iid. The caller owns the returned reference.
  virtual tresult PLUGIN_API createInstance(TUID cid, TUID iid, void** obj) = 0;

  static constexpr const int8* iid = InterfaceIds::kIHostApplication.data();
};
} // namespace Steinberg::Vst
