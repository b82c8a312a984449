#pragma once

#include "vst3/sdk/helpers/FObject.h"
#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/interfaces/IParameterChanges.h"

#include <vector>

namespace Steinberg::Vst
{
// Host-side automation points of one parameter for one block.
class ParamValueQueue : public FObject, public IParamValueQueue
{
public:
  explicit ParamValueQueue(ParamID id) : mId(id) {}

  ParamID PLUGIN_API getParameterId() override { return mId; }
  int32 PLUGIN_API getPointCount() override { return static_cast<int32>(mPoints.size()); }
  tresult PLUGIN_API getPoint(int32 index, int32& sampleOffset, ParamValue& value) override;
  // Keeps the points sorted by offset; a point at an existing offset replaces it.
  tresult PLUGIN_API addPoint(int32 sampleOffset, ParamValue value, int32& index) override;

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  VST3SDK_REFCOUNT_METHODS(FObject)

private:
  struct Point
  {
    int32 offset;
    ParamValue value;
  };
  ParamID mId;
  std::vector<Point> mPoints;
};

// Host-side parameter changes of one block: one queue per parameter.
class ParameterChanges : public FObject, public IParameterChanges
{
public:
  int32 PLUGIN_API getParameterCount() override { return static_cast<int32>(mQueues.size()); }
  IParamValueQueue* PLUGIN_API getParameterData(int32 index) override;
  // The existing queue for id, or a new one.
  IParamValueQueue* PLUGIN_API addParameterData(const ParamID& id, int32& index) override;

  // Convenience for tests: one point on id's queue.
  void addChange(ParamID id, int32 sampleOffset, ParamValue value);
  void clear() { mQueues.clear(); }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  VST3SDK_REFCOUNT_METHODS(FObject)

private:
  std::vector<IPtr<ParamValueQueue>> mQueues;
};
} // namespace Steinberg::Vst
