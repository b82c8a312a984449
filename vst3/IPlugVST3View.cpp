#include "vst3/IPlugVST3View.h"

#include "vst3/IPlugVST3.h"

using namespace Steinberg;

IPlugVST3View::IPlugVST3View(IPlugVST3& plug) : mPlug(plug)
{
  mPlug.addRef();
}

IPlugVST3View::~IPlugVST3View()
{
  mPlug.ForgetView(this);
  mPlug.release(); // may be the last reference: nothing of the plug-in is used after it
}

tresult PLUGIN_API IPlugVST3View::isPlatformTypeSupported(FIDString)
{
  return kResultFalse;
}

tresult PLUGIN_API IPlugVST3View::attached(void* parent, FIDString)
{
  if (mPlug.GetGUI() == nullptr)
    return kResultFalse;
  if (parent == nullptr)
    return kInvalidArgument;
  mPlug.EditorOpened();
  return kResultTrue;
}

tresult PLUGIN_API IPlugVST3View::removed()
{
  if (mPlug.GetGUI() != nullptr)
    mPlug.EditorClosed();
  return CPluginView::removed();
}

tresult PLUGIN_API IPlugVST3View::getSize(ViewRect* size)
{
  if (size == nullptr)
    return kInvalidArgument;
  // The editor core reports no size yet; until it does, no size is a size the host
  // could use.
  return kResultFalse;
}

tresult PLUGIN_API IPlugVST3View::onSize(ViewRect* newSize)
{
  if (newSize == nullptr)
    return kResultTrue;
  setRect(*newSize);
  if (mExpectingNewSize)
  {
    mExpectingNewSize = false;
    mPlug.EditorResized();
  }
  return kResultTrue;
}

tresult PLUGIN_API IPlugVST3View::canResize()
{
  return kResultFalse;
}
