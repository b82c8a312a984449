#include "vst3/IPlugVST3View.h"

#include "vst3/IPlugVST3.h"

#include "WDL/IPlug/IControl.h"
#include "WDL/IPlug/IEditorEventSource.h"
#include "vst3/sdk/interfaces/ILinuxRunLoop.h"

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
  // A host that releases the view without removing it must not keep calling into it.
  if (mOwnsWindow)
  {
    mRunLoopLink.Disconnect();
    if (IGraphics* editor = mPlug.GetGUI())
      editor->CloseEditorWindow();
  }
  mPlug.ForgetView(this);
  mPlug.release(); // may be the last reference: nothing of the plug-in is used after it
}

bool IPlugVST3View::CanEmbedIn(FIDString type) const
{
  const IGraphics* editor = mPlug.GetGUI();
  const EWindowSystem system = WindowSystemOf(type);
  return editor != nullptr && system != kWindowSystemNone && editor->WindowSystem() == system;
}

IPlugVST3View* IPlugVST3View::WindowOwner() const
{
  for (int i = 0; i < mPlug.ViewCount(); ++i)
    if (IPlugVST3View* view = mPlug.ViewAt(i); view != nullptr && view->mOwnsWindow)
      return view;
  return nullptr;
}

void IPlugVST3View::TakeWindowFromOtherViews()
{
  for (int i = 0; i < mPlug.ViewCount(); ++i)
  {
    IPlugVST3View* other = mPlug.ViewAt(i);
    if (other != nullptr && other != this)
    {
      other->mRunLoopLink.Disconnect();
      other->mWindowTakenOver = other->mWindowTakenOver || other->mOwnsWindow;
      other->mOwnsWindow = false;
    }
  }
}

bool IPlugVST3View::OpenWindowIn(void* parent)
{
  IGraphics* editor = mPlug.GetGUI();
  auto* eventSource = dynamic_cast<IEditorEventSource*>(editor);
  IPtr<Linux::IRunLoop> runLoop;
  if (eventSource != nullptr)
  {
    // No loop of our own: without the host's run loop the window would never draw.
    runLoop = queryFrom<Linux::IRunLoop>(getFrame());
    if (!runLoop)
      return false;
  }
  // The editor has one window: opening it here closes it where it was. Its run-loop
  // handlers go with it, and come back with it should this opening fail.
  IPlugVST3View* owner = WindowOwner();
  if (owner != nullptr)
    owner->mRunLoopLink.Disconnect();
  bool opened = editor->OpenEditorWindow(parent) != nullptr;
  if (opened && eventSource != nullptr)
    opened = mRunLoopLink.Connect(runLoop.get(), *eventSource);
  if (!opened)
  {
    editor->CloseEditorWindow();
    if (owner != nullptr)
      owner->ReopenWindow();
    return false;
  }
  TakeWindowFromOtherViews();
  mOwnsWindow = true;
  mWindowTakenOver = false;
  mParent = parent;
  return true;
}

void IPlugVST3View::ReopenWindow()
{
  IGraphics* editor = mPlug.GetGUI();
  auto* eventSource = dynamic_cast<IEditorEventSource*>(editor);
  IPtr<Linux::IRunLoop> runLoop = eventSource != nullptr ? queryFrom<Linux::IRunLoop>(getFrame()) : nullptr;
  bool opened = editor != nullptr && editor->OpenEditorWindow(mParent) != nullptr;
  if (opened && eventSource != nullptr)
    opened = mRunLoopLink.Connect(runLoop.get(), *eventSource);
  if (!opened && editor != nullptr)
    editor->CloseEditorWindow();
  mOwnsWindow = opened;
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
  // A window that cannot be made, or served, is a refusal that changes nothing: another
  // view that shows the editor keeps showing it.
  if (CanEmbedIn(type) && !OpenWindowIn(parent))
    return kResultFalse;
  mPlug.EditorOpened();
  return kResultTrue;
}

tresult PLUGIN_API IPlugVST3View::removed()
{
  if (IGraphics* editor = mPlug.GetGUI())
  {
    mPlug.EditorClosed();
    mRunLoopLink.Disconnect();
    // A window another view shows stays: this one lost it, or never had it.
    if (!mWindowTakenOver && (mOwnsWindow || WindowOwner() == nullptr))
      editor->CloseEditorWindow();
    mOwnsWindow = mWindowTakenOver = false;
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

tresult PLUGIN_API IPlugVST3View::onKeyDown(char16 key, int16, int16)
{
  IGraphics* editor = mPlug.GetGUI();
  if (editor == nullptr || !editor->HasWindow())
    return kResultFalse;
  // The editor's key codes: space 0, digits 5..14, letters 15..40 (arrows come through
  // the window itself).
  int code = -1;
  if (key == u' ')
    code = 0;
  else if (key >= u'0' && key <= u'9')
    code = 5 + (key - u'0');
  else if (key >= u'a' && key <= u'z')
    code = 15 + (key - u'a');
  else if (key >= u'A' && key <= u'Z')
    code = 15 + (key - u'A');
  if (code < 0)
    return kResultFalse;
  // Offered where the pointer last was over the editor.
  const int hover = editor->HoverIndex();
  const IControl* control = hover >= 0 ? editor->ControlAt(hover) : nullptr;
  if (control == nullptr)
    return kResultFalse;
  const EditorRect& rect = control->Rect();
  return editor->HandleKeyDown((rect.L + rect.R) / 2, (rect.T + rect.B) / 2, code) ? kResultTrue : kResultFalse;
}
