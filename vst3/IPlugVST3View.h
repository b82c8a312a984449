#pragma once

#include "vst3/EditorRunLoopLink.h"
#include "vst3/sdk/helpers/CPluginView.h"

class IPlugVST3;

// The host's handle on the plug-in's editor: it places the editor's window into the
// host's window and reports the editor's fixed size. It supports exactly the platform
// type of the editor's window layer, so an editor that only draws into memory supports
// none and hosts fall back to their own generic parameter editor. It holds one reference
// on its plug-in and keeps itself in the plug-in's views list while it lives. All calls
// come on the host's UI thread; the view takes no lock.
class IPlugVST3View final : public Steinberg::CPluginView
{
public:
  // Adds a reference to plug; the caller (createView) puts the view in the views list.
  explicit IPlugVST3View(IPlugVST3& plug);
  // Leaves the views list, then drops the reference on the plug-in.
  ~IPlugVST3View() override;

  // [UI thread] kResultTrue only for the type of the editor's window layer.
  Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
  // [UI thread] No editor: kResultFalse; null parent: kInvalidArgument. For a supported
  // type the editor opens its window inside parent; then, for any type, the framework's
  // EditorOpened hook runs and the answer is kResultTrue. An editor served by the host's
  // run loop (X11) needs the IRunLoop of the frame given by setFrame. When the window
  // cannot be made, or the run loop is missing or refuses the editor's handlers, the
  // answer is kResultFalse and the window stays where it was (in another view).
  Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
  // [UI thread] EditorClosed, the run loop's handlers are unregistered and the window
  // closes, when there is an editor and this view owns its window; kResultOk.
  Steinberg::tresult PLUGIN_API removed() override;
  // [UI thread] The editor's size times its display scale, from (0, 0). kResultFalse
  // without an editor. Null size: kInvalidArgument.
  Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
  // [UI thread] Stores the rectangle; after a size the plug-in asked for, EditorResized
  // runs. Null: kResultTrue, nothing done.
  Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
  // [UI thread] kResultFalse: the editor's size is fixed.
  Steinberg::tresult PLUGIN_API canResize() override;
  // [UI thread] A key the host passes on while the view has the focus: taken when a
  // control under the pointer handles it (kResultTrue), else kResultFalse so the host's
  // shortcuts work.
  Steinberg::tresult PLUGIN_API onKeyDown(Steinberg::char16 key, Steinberg::int16 keyCode,
                                          Steinberg::int16 modifiers) override;

  // True between a size request of the plug-in to the host frame and the next onSize.
  bool ExpectingNewSize() const { return mExpectingNewSize; }

private:
  friend class IPlugVST3;
  bool CanEmbedIn(Steinberg::FIDString type) const;
  // The view that shows the editor's window now, this one included; null for none.
  IPlugVST3View* WindowOwner() const;
  // The other views of the plug-in let go of the editor window (it has moved here).
  void TakeWindowFromOtherViews();
  // Opens the editor's window inside parent and connects it to the frame's run loop when
  // the editor needs one. On failure the window goes back to the view that had it.
  bool OpenWindowIn(void* parent);
  // Opens the window again in this view's parent, after another view failed to take it.
  void ReopenWindow();

  IPlugVST3& mPlug;
  bool mExpectingNewSize = false;
  EditorRunLoopLink mRunLoopLink;
  // The plug-in has one editor window: the view that opened it last owns it. A view
  // attached after it takes the window over; the earlier view then closes nothing.
  bool mOwnsWindow = false;
  bool mWindowTakenOver = false; // removed() then leaves the window to the other view
  void* mParent = nullptr;        // the host's window the editor window was opened in
};
