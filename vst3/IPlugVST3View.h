#pragma once

#include "vst3/sdk/helpers/CPluginView.h"

class IPlugVST3;

// The host's handle on the plug-in's editor. It places no window yet: until a window
// layer exists it supports no platform type, so hosts fall back to their own generic
// parameter editor. It holds one reference on its plug-in and keeps itself in the
// plug-in's views list while it lives. All calls come on the host's UI thread; the view
// takes no lock.
class IPlugVST3View final : public Steinberg::CPluginView
{
public:
  // Adds a reference to plug; the caller (createView) puts the view in the views list.
  explicit IPlugVST3View(IPlugVST3& plug);
  // Leaves the views list, then drops the reference on the plug-in.
  ~IPlugVST3View() override;

  // [UI thread] kResultFalse for every type: there is no window layer to place.
  Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
  // [UI thread] No editor: kResultFalse. Otherwise the framework's EditorOpened hook
  // runs and the answer is kResultTrue (no window is opened).
  Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
  // [UI thread] EditorClosed when there is an editor; kResultOk.
  Steinberg::tresult PLUGIN_API removed() override;
  // [UI thread] kResultFalse while there is no editor, and while the editor reports no
  // size of its own. Null size: kInvalidArgument.
  Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
  // [UI thread] Stores the rectangle; after a size the plug-in asked for, EditorResized
  // runs. Null: kResultTrue, nothing done.
  Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
  // [UI thread] kResultFalse: the editor's size is fixed.
  Steinberg::tresult PLUGIN_API canResize() override;

  // True between a size request of the plug-in to the host frame and the next onSize.
  bool ExpectingNewSize() const { return mExpectingNewSize; }

private:
  friend class IPlugVST3;

  IPlugVST3& mPlug;
  bool mExpectingNewSize = false;
};
