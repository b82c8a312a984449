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
  // Keeps the points sorted by offset; a point at an existing offset replaces it. Growing
  // past the reserved room allocates; when that fails: kOutOfMemory.
  tresult PLUGIN_API addPoint(int32 sampleOffset, ParamValue value, int32& index) override;

  // Empties the queue for another parameter, keeping its room for points.
  void reuseFor(ParamID id) noexcept;
  void reservePoints(std::size_t count) { mPoints.reserve(count); }

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

// Host-side parameter changes of one block: one queue per parameter. clear() keeps the
// queue objects for the next block, so a host that reserved enough room exchanges
// changes with the plug-in without allocating on the audio thread.
// [audio thread] during process (the plug-in reads the input changes and adds to the
// output changes); [UI thread] otherwise. One thread at a time.
class ParameterChanges : public FObject, public IParameterChanges
{
public:
  int32 PLUGIN_API getParameterCount() override { return mUsed; }
  IParamValueQueue* PLUGIN_API getParameterData(int32 index) override;
  // The existing queue for id, or a new one; null when no room could be made.
  IParamValueQueue* PLUGIN_API addParameterData(const ParamID& id, int32& index) override;

  // One point on id's queue.
  void addChange(ParamID id, int32 sampleOffset, ParamValue value);
  // Forgets every queue of the block (the queue objects stay for reuse).
  void clear() noexcept { mUsed = 0; }
  // Room for `queues` queues of `pointsPerQueue` points each.
  void reserve(int32 queues, int32 pointsPerQueue);

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  VST3SDK_REFCOUNT_METHODS(FObject)

private:
  std::vector<IPtr<ParamValueQueue>> mQueues; // the first mUsed are this block's
  int32 mUsed = 0;
  std::size_t mPointsPerQueue = 8;
};
} // namespace Steinberg::Vst
