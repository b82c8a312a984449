#include "vst3/IPlugVST3View.h"

#include "vst3/IPlugVST3.h"

#include <cstring>

using namespace Steinberg;

namespace
{
// The window system a VST3 platform type names; none for types we know no layer for.
EWindowSystem WindowSystemOf(FIDString type)
{
  if (type == nullptr)
    return kWindowSystemNone;
  if (std::strcmp(type, kPlatformTypeHWND) == 0)
    return kWindowSystemWin32;
  if (std::strcmp(type, kPlatformTypeX11EmbedWindowID) == 0)
    return kWindowSystemX11;
  return kWindowSystemNone;
}
}

IPlugVST3View::IPlugVST3View(IPlugVST3& plug) : mPlug(plug)
{
  mPlug.addRef();
}

IPlugVST3View::~IPlugVST3View()
{
  mPlug.ForgetView(this);
  mPlug.release(); // may be the last reference: nothing of the plug-in is used after it
}

bool IPlugVST3View::CanEmbedIn(FIDString type) const
{
  const IGraphics* editor = mPlug.GetGUI();
  const EWindowSystem system = WindowSystemOf(type);
  return editor != nullptr && system != kWindowSystemNone && editor->WindowSystem() == system;
}

tresult PLUGIN_API IPlugVST3View::isPlatformTypeSupported(FIDString type)
{
  return CanEmbedIn(type) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API IPlugVST3View::attached(void* parent, FIDString type)
{
  IGraphics* editor = mPlug.GetGUI();
  if (editor == nullptr)
    return kResultFalse;
  if (parent == nullptr)
    return kInvalidArgument;
  if (CanEmbedIn(type))
    editor->OpenEditorWindow(parent); // a window that cannot be made leaves the view empty
  mPlug.EditorOpened();
  return kResultTrue;
}

tresult PLUGIN_API IPlugVST3View::removed()
{
  if (IGraphics* editor = mPlug.GetGUI())
  {
    mPlug.EditorClosed();
    editor->CloseEditorWindow();
  }
  return CPluginView::removed();
}

tresult PLUGIN_API IPlugVST3View::getSize(ViewRect* size)
{
  if (size == nullptr)
    return kInvalidArgument;
  const IGraphics* editor = mPlug.GetGUI();
  if (editor == nullptr)
    return kResultFalse;
  const double scale = editor->DisplayScale();
  *size = ViewRect{0, 0, static_cast<int32>(scale * editor->Width()), static_cast<int32>(scale * editor->Height())};
  return kResultTrue;
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
