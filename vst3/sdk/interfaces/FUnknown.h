#pragma once

#include "vst3/sdk/interfaces/InterfaceIds.h"

namespace Steinberg
{
// Root of every interface: identity by queryInterface, lifetime by reference counting.
// Slots 0-2 of every v-table. No destructor is declared on purpose: a virtual one would
// add v-table slots and shift every method of every derived interface.
class FUnknown
{
public:
  // On success stores the interface pointer (already addRef'ed) and returns kResultOk;
  // otherwise stores null and returns kNoInterface.
  virtual tresult PLUGIN_API queryInterface(const TUID iid, void** obj) = 0;
  virtual uint32 PLUGIN_API addRef() = 0;  // the new count
  virtual uint32 PLUGIN_API release() = 0; // the new count; the object is gone at 0

  static constexpr const int8* iid = InterfaceIds::kFUnknown.data();
};
} // namespace Steinberg
