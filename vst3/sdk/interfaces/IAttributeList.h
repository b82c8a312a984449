#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg::Vst
{
// Host side: typed values by name, carried by a message or a stream.
class IAttributeList : public FUnknown
{
public:
  using AttrID = const char*;

  virtual tresult PLUGIN_API setInt(AttrID id, int64 value) = 0;
  virtual tresult PLUGIN_API getInt(AttrID id, int64& value) = 0;
  virtual tresult PLUGIN_API setFloat(AttrID id, double value) = 0;
  virtual tresult PLUGIN_API getFloat(AttrID id, double& value) = 0;
  virtual tresult PLUGIN_API setString(AttrID id, const TChar* string) = 0; // zero-terminated
  virtual tresult PLUGIN_API getString(AttrID id, TChar* string, uint32 sizeInBytes) = 0;
  virtual tresult PLUGIN_API setBinary(AttrID id, const void* data, uint32 sizeInBytes) = 0; // copied
  // The data stays owned by the list.
  virtual tresult PLUGIN_API getBinary(AttrID id, const void*& data, uint32& sizeInBytes) = 0;

  static constexpr const int8* iid = InterfaceIds::kIAttributeList.data();
};
} // namespace Steinberg::Vst
