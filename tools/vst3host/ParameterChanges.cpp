#include "tools/vst3host/ParameterChanges.h"

#include "vst3/sdk/interfaces/IEditController.h"

#include <algorithm>

namespace Steinberg::Vst
{
tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value)
{
  if (index < 0 || index >= getPointCount())
    return kInvalidArgument;
  sampleOffset = mPoints[static_cast<std::size_t>(index)].offset;
  value = mPoints[static_cast<std::size_t>(index)].value;
  return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index)
{
  auto at = std::lower_bound(mPoints.begin(), mPoints.end(), sampleOffset,
                             [](const Point& point, int32 offset) { return point.offset < offset; });
  try
  {
    if (at != mPoints.end() && at->offset == sampleOffset)
      at->value = value;
    else
      at = mPoints.insert(at, Point{sampleOffset, value});
  }
  catch (...)
  {
    return kOutOfMemory;
  }
  index = static_cast<int32>(at - mPoints.begin());
  return kResultOk;
}

void ParamValueQueue::reuseFor(ParamID id) noexcept
{
  mId = id;
  mPoints.clear();
}

tresult PLUGIN_API ParamValueQueue::queryInterface(const TUID iid, void** obj)
{
  if (answerAs<IParamValueQueue>(this, iid, obj))
    return kResultOk;
  return FObject::queryInterface(iid, obj);
}

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index)
{
  if (index < 0 || index >= mUsed)
    return nullptr;
  return mQueues[static_cast<std::size_t>(index)].get();
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& id, int32& index)
{
  for (int32 i = 0; i < mUsed; ++i)
  {
    if (mQueues[static_cast<std::size_t>(i)]->getParameterId() == id)
    {
      index = i;
      return mQueues[static_cast<std::size_t>(i)].get();
    }
  }
  try
  {
    if (static_cast<std::size_t>(mUsed) == mQueues.size())
    {
      auto queue = IPtr<ParamValueQueue>::adopt(new ParamValueQueue(id));
      queue->reservePoints(mPointsPerQueue);
      mQueues.push_back(std::move(queue));
    }
  }
  catch (...)
  {
    return nullptr;
  }
  ParamValueQueue* queue = mQueues[static_cast<std::size_t>(mUsed)].get();
  queue->reuseFor(id);
  index = mUsed++;
  return queue;
}

void ParameterChanges::addChange(ParamID id, int32 sampleOffset, ParamValue value)
{
  int32 index = 0;
  if (IParamValueQueue* queue = addParameterData(id, index))
    queue->addPoint(sampleOffset, value, index);
}

void ParameterChanges::reserve(int32 queues, int32 pointsPerQueue)
{
  mPointsPerQueue = static_cast<std::size_t>(std::max(pointsPerQueue, 1));
  for (auto& queue : mQueues)
    queue->reservePoints(mPointsPerQueue);
  while (mQueues.size() < static_cast<std::size_t>(std::max(queues, 0)))
  {
    auto queue = IPtr<ParamValueQueue>::adopt(new ParamValueQueue(kNoParamId));
    queue->reservePoints(mPointsPerQueue);
    mQueues.push_back(std::move(queue));
  }
}

tresult PLUGIN_API ParameterChanges::queryInterface(const TUID iid, void** obj)
{
  if (answerAs<IParameterChanges>(this, iid, obj))
    return kResultOk;
  return FObject::queryInterface(iid, obj);
}
} // namespace Steinberg::Vst
