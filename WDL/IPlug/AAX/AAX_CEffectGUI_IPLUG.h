#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CEffectGUI.h"

class IGraphics;
class IPlugAAX;

// The AAX host's handle on the plug-in's editor. It draws nothing itself: it finds the
// editor the plug-in object owns, opens the editor's window inside the view container's
// native window (none opens when the container gives no window) and reports the
// editor's size. The framework's EditorOpened / EditorClosed hooks are not called here.
// All calls come on the host's UI thread; it takes no lock.
class AAX_CEffectGUI_IPLUG final : public AAX_CEffectGUI
{
public:
  // [UI thread] The GUI creation procedure: a new object (no reference yet), or null.
  static IACFUnknown* Create();

  IGraphics* Editor() const { return mEditor; }

protected:
  // The editor of the plug-in whose effect-parameters object the library was given.
  void CreateViewContents() override;
  // With a native window of this platform's kind and an editor: the editor opens its
  // window in it (Windows: an HWND; Linux: an X11 window under a private type value,
  // any value outside the ones the interface gives other kinds).
  void CreateViewContainer() override;
  // With an editor: its window closes.
  void DeleteViewContainer() override;
  // The editor's size times its display scale; untouched without an editor. Success.
  AAX_Result GetViewSizeOf(AAX_Point& size) const override;

private:
  IPlugAAX* mPlug = nullptr;
  IGraphics* mEditor = nullptr; // owned by the plug-in object
};
