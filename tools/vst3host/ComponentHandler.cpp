#include "tools/vst3host/ComponentHandler.h"

#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/interfaces/IEditController.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace vst3host
{
std::vector<HandlerEvent> RecordingComponentHandler::events() const
{
  std::lock_guard lock(mMutex);
  return mEvents;
}

void RecordingComponentHandler::clear()
{
  std::lock_guard lock(mMutex);
  mEvents.clear();
}

tresult PLUGIN_API RecordingComponentHandler::beginEdit(ParamID id)
{
  return record({HandlerEvent::kBeginEdit, id});
}

tresult PLUGIN_API RecordingComponentHandler::performEdit(ParamID id, ParamValue value)
{
  return record({HandlerEvent::kPerformEdit, id, value});
}

tresult PLUGIN_API RecordingComponentHandler::endEdit(ParamID id)
{
  return record({HandlerEvent::kEndEdit, id});
}

tresult PLUGIN_API RecordingComponentHandler::restartComponent(int32 flags)
{
  return record({HandlerEvent::kRestartComponent, 0, 0., flags});
}

tresult PLUGIN_API RecordingComponentHandler::setDirty(TBool state)
{
  return record({HandlerEvent::kSetDirty, 0, 0., state ? 1 : 0});
}

tresult PLUGIN_API RecordingComponentHandler::requestOpenEditor(FIDString)
{
  return record({HandlerEvent::kRequestOpenEditor});
}

tresult PLUGIN_API RecordingComponentHandler::startGroupEdit()
{
  return record({HandlerEvent::kStartGroupEdit});
}

tresult PLUGIN_API RecordingComponentHandler::finishGroupEdit()
{
  return record({HandlerEvent::kFinishGroupEdit});
}

IContextMenu* PLUGIN_API RecordingComponentHandler::createContextMenu(IPlugView*, const ParamID* id)
{
  record({HandlerEvent::kCreateContextMenu, id != nullptr ? *id : kNoParamId});
  return nullptr;
}

tresult RecordingComponentHandler::record(const HandlerEvent& event) noexcept
{
  try
  {
    std::lock_guard lock(mMutex);
    mEvents.push_back(event);
  }
  catch (...)
  {
    // The host's own bookkeeping failed; the plug-in's call still succeeded.
  }
  return kResultOk;
}

tresult PLUGIN_API RecordingComponentHandler::queryInterface(const TUID iid, void** obj)
{
  if (answerAs<IComponentHandler>(this, iid, obj) || answerAs<IComponentHandler2>(this, iid, obj) ||
      answerAs<IComponentHandler3>(this, iid, obj))
    return kResultOk;
  return FObject::queryInterface(iid, obj);
}
} // namespace vst3host
