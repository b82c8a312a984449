#pragma once

#include "vst3/sdk/helpers/FObject.h"
#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/interfaces/IPlugView.h"

namespace Steinberg
{
// View base: keeps the view rectangle, the parent window while attached and the host's
// frame. A plug-in overrides isPlatformTypeSupported and the attach hooks.
class CPluginView : public FObject, public IPlugView
{
public:
  explicit CPluginView(const ViewRect* rect = nullptr); // null: an empty rectangle
  ~CPluginView() override;

  // All [UI thread].
  // kResultFalse: no window system is supported until a subclass says otherwise.
  tresult PLUGIN_API isPlatformTypeSupported(FIDString type) override;
  // Stores parent and runs attachedToParent. Null parent: kInvalidArgument; a type
  // isPlatformTypeSupported refuses: kResultFalse, nothing stored.
  tresult PLUGIN_API attached(void* parent, FIDString type) override;
  // Runs removedFromParent, then forgets the parent; kResultOk.
  tresult PLUGIN_API removed() override;
  tresult PLUGIN_API onWheel(float distance) override;                              // kResultFalse
  tresult PLUGIN_API onKeyDown(char16 key, int16 keyCode, int16 modifiers) override; // kResultFalse
  tresult PLUGIN_API onKeyUp(char16 key, int16 keyCode, int16 modifiers) override;   // kResultFalse
  // Copies the stored rectangle; null: kInvalidArgument.
  tresult PLUGIN_API getSize(ViewRect* size) override;
  // Stores the rectangle; null: kInvalidArgument.
  tresult PLUGIN_API onSize(ViewRect* newSize) override;
  tresult PLUGIN_API onFocus(TBool state) override; // kResultFalse
  // Keeps frame with a reference (null drops it); kResultTrue.
  tresult PLUGIN_API setFrame(IPlugFrame* frame) override;
  tresult PLUGIN_API canResize() override;                      // kResultFalse
  tresult PLUGIN_API checkSizeConstraint(ViewRect* rect) override; // kResultFalse

  const ViewRect& getRect() const noexcept { return mRect; }
  void setRect(const ViewRect& rect) noexcept { mRect = rect; }
  void* getSystemWindow() const noexcept { return mSystemWindow; }
  bool isAttached() const noexcept { return mSystemWindow != nullptr; }
  IPlugFrame* getFrame() const noexcept { return mFrame.get(); }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  VST3SDK_REFCOUNT_METHODS(FObject)

protected:
  virtual void attachedToParent() {}
  virtual void removedFromParent() {}

private:
  ViewRect mRect{};
  void* mSystemWindow = nullptr;
  IPtr<IPlugFrame> mFrame;
};
} // namespace Steinberg
