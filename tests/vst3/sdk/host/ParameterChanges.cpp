#include "ParameterChanges.h"

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
  if (at != mPoints.end() && at->offset == sampleOffset)
    at->value = value;
  else
    at = mPoints.insert(at, Point{sampleOffset, value});
  index = static_cast<int32>(at - mPoints.begin());
  return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::queryInterface(const TUID iid, void** obj)
{
  if (answerAs<IParamValueQueue>(this, iid, obj))
    return kResultOk;
  return FObject::queryInterface(iid, obj);
}

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index)
{
  if (index < 0 || index >= getParameterCount())
    return nullptr;
  return mQueues[static_cast<std::size_t>(index)].get();
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& id, int32& index)
{
  for (std::size_t i = 0; i < mQueues.size(); ++i)
  {
    if (mQueues[i]->getParameterId() == id)
    {
      index = static_cast<int32>(i);
      return mQueues[i].get();
    }
  }
  mQueues.push_back(IPtr<ParamValueQueue>::adopt(new ParamValueQueue(id)));
  index = static_cast<int32>(mQueues.size() - 1);
  return mQueues.back().get();
}

void ParameterChanges::addChange(ParamID id, int32 sampleOffset, ParamValue value)
{
  int32 index = 0;
  addParameterData(id, index)->addPoint(sampleOffset, value, index);
}

tresult PLUGIN_API ParameterChanges::queryInterface(const TUID iid, void** obj)
{
  if (answerAs<IParameterChanges>(this, iid, obj))
    return kResultOk;
  return FObject::queryInterface(iid, obj);
}
} // namespace Steinberg::Vst
