#include "vst3/sdk/helpers/CPluginView.h"

namespace Steinberg
{
CPluginView::CPluginView(const ViewRect* rect)
{
  if (rect != nullptr)
    mRect = *rect;
}

CPluginView::~CPluginView() = default;

tresult PLUGIN_API CPluginView::isPlatformTypeSupported(FIDString)
{
  return kResultFalse;
}

tresult PLUGIN_API CPluginView::attached(void* parent, FIDString type)
{
  if (parent == nullptr)
    return kInvalidArgument;
  if (isPlatformTypeSupported(type) != kResultTrue)
    return kResultFalse;
  mSystemWindow = parent;
  attachedToParent();
  return kResultOk;
}

tresult PLUGIN_API CPluginView::removed()
{
  removedFromParent();
  mSystemWindow = nullptr;
  return kResultOk;
}

tresult PLUGIN_API CPluginView::onWheel(float)
{
  return kResultFalse;
}

tresult PLUGIN_API CPluginView::onKeyDown(char16, int16, int16)
{
  return kResultFalse;
}

tresult PLUGIN_API CPluginView::onKeyUp(char16, int16, int16)
{
  return kResultFalse;
}

tresult PLUGIN_API CPluginView::getSize(ViewRect* size)
{
  if (size == nullptr)
    return kInvalidArgument;
  *size = mRect;
  return kResultTrue;
}

tresult PLUGIN_API CPluginView::onSize(ViewRect* newSize)
{
  if (newSize == nullptr)
    return kInvalidArgument;
  mRect = *newSize;
  return kResultTrue;
}

tresult PLUGIN_API CPluginView::onFocus(TBool)
{
  return kResultFalse;
}

tresult PLUGIN_API CPluginView::setFrame(IPlugFrame* frame)
{
  mFrame.reset(frame);
  return kResultTrue;
}

tresult PLUGIN_API CPluginView::canResize()
{
  return kResultFalse;
}

tresult PLUGIN_API CPluginView::checkSizeConstraint(ViewRect*)
{
  return kResultFalse;
}

tresult PLUGIN_API CPluginView::queryInterface(const TUID iid, void** obj)
{
  if (answerAs<IPlugView>(this, iid, obj))
    return kResultOk;
  return FObject::queryInterface(iid, obj);
}
} // namespace Steinberg
