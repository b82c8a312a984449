#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

namespace Steinberg::Vst
{
// Host side: the automation points of one parameter in one block, sorted by sample offset.
class IParamValueQueue : public FUnknown
{
public:
  virtual ParamID PLUGIN_API getParameterId() = 0;
  virtual int32 PLUGIN_API getPointCount() = 0;
  virtual tresult PLUGIN_API getPoint(int32 index, int32& sampleOffset, ParamValue& value) = 0;
  virtual tresult PLUGIN_API addPoint(int32 sampleOffset, ParamValue value, int32& index) = 0;

  static constexpr const int8* iid = InterfaceIds::kIParamValueQueue.data();
};

// Host side: one queue per changed parameter. Queues are not addRef'ed and live for the
// current process call only.
class IParameterChanges : public FUnknown
{
public:
  virtual int32 PLUGIN_API getParameterCount() = 0;
  virtual IParamValueQueue* PLUGIN_API getParameterData(int32 index) = 0;
  virtual IParamValueQueue* PLUGIN_API addParameterData(const ParamID& id, int32& index) = 0;

  static constexpr const int8* iid = InterfaceIds::kIParameterChanges.data();
};
} // namespace Steinberg::Vst
