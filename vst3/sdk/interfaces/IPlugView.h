#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

#include <cstddef>

namespace Steinberg
{
// Physical pixels on Windows and Linux, logical points on macOS.
struct ViewRect
{
  int32 left;
  int32 top;
  int32 right;  // width = right - left
  int32 bottom; // height = bottom - top
};

// Window system of the parent handle passed to IPlugView::attached.
inline constexpr FIDString kPlatformTypeHWND = "HWND";                         // a Windows HWND
inline constexpr FIDString kPlatformTypeHIView = "HIView";                     // legacy macOS
inline constexpr FIDString kPlatformTypeNSView = "NSView";                     // macOS NSView
inline constexpr FIDString kPlatformTypeUIView = "UIView";                     // iOS
inline constexpr FIDString kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID"; // an X11 window ID

class IPlugFrame;

// The plug-in's editor as the host embeds it. UI thread only.
class IPlugView : public FUnknown
{
public:
  virtual tresult PLUGIN_API isPlatformTypeSupported(FIDString type) = 0;
  // Creates the native child window inside parent.
  virtual tresult PLUGIN_API attached(void* parent, FIDString type) = 0;
  virtual tresult PLUGIN_API removed() = 0;
  virtual tresult PLUGIN_API onWheel(float distance) = 0;
  // kResultTrue only for keys really handled, or host shortcuts stop working.
  virtual tresult PLUGIN_API onKeyDown(char16 key, int16 keyCode, int16 modifiers) = 0;
  virtual tresult PLUGIN_API onKeyUp(char16 key, int16 keyCode, int16 modifiers) = 0;
  virtual tresult PLUGIN_API getSize(ViewRect* size) = 0;
  virtual tresult PLUGIN_API onSize(ViewRect* newSize) = 0;
  virtual tresult PLUGIN_API onFocus(TBool state) = 0;
  virtual tresult PLUGIN_API setFrame(IPlugFrame* frame) = 0; // may be null
  virtual tresult PLUGIN_API canResize() = 0;
  virtual tresult PLUGIN_API checkSizeConstraint(ViewRect* rect) = 0;

  static constexpr const int8* iid = InterfaceIds::kIPlugView.data();
};

// Host side: the window that holds a view.
class IPlugFrame : public FUnknown
{
public:
  // The host resizes its window and calls view->onSize in the same call stack.
  virtual tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) = 0;

  static constexpr const int8* iid = InterfaceIds::kIPlugFrame.data();
};

static_assert(sizeof(ViewRect) == 16 && alignof(ViewRect) == 4);
static_assert(offsetof(ViewRect, right) == 8 && offsetof(ViewRect, bottom) == 12);
} // namespace Steinberg
