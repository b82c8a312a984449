// The Win32 editor of an in-process plug-in object, and the Windows objects its window
// layer makes: every bitmap, device context, font, window and timer is given back, counted
// by the layer itself (Wine's GetGuiResources answers 0 whatever is held).

#include "Vst3Host.h"

#include "WDL/IPlug/IControl.h"
#include "WDL/IPlug/IGraphics.h"
#include "WDL/IPlug/Win32/Win32Ledger.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>

namespace
{
using namespace std::chrono_literals;
using Steinberg::IPlugView;
using Steinberg::IPtr;

constexpr Win32Object kKinds[] = {Win32Object::kBitmap, Win32Object::kDeviceContext, Win32Object::kFont,
                                  Win32Object::kRegion, Win32Object::kWindow, Win32Object::kTimer};
const char* NameOf(Win32Object kind)
{
  switch (kind)
  {
  case Win32Object::kBitmap: return "bitmaps";
  case Win32Object::kDeviceContext: return "device contexts";
  case Win32Object::kFont: return "fonts";
  case Win32Object::kRegion: return "regions";
  case Win32Object::kWindow: return "windows";
  case Win32Object::kTimer: return "timers";
  default: return "?";
  }
}

void Pump(std::chrono::milliseconds span)
{
  const auto end = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < end)
  {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(5);
  }
}

HWND MakeHost()
{
  static const bool registered = [] {
    WNDCLASSA host{};
    host.lpfnWndProc = &DefWindowProcA;
    host.hInstance = GetModuleHandleA(nullptr);
    host.lpszClassName = "QuenmarkObjectsHost";
    return RegisterClassA(&host) != 0;
  }();
  EXPECT_TRUE(registered);
  return CreateWindowExA(0, "QuenmarkObjectsHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 500, nullptr,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

void ExpectNothingHeld(const char* when)
{
  for (Win32Object kind : kKinds)
    EXPECT_EQ(Win32ObjectsHeld(kind), 0) << NameOf(kind) << " " << when;
}

TEST(EditorWin32Objects, EveryObjectIsGivenBackWhenEditorsCloseAndPlugInsGo)
{
  ExpectNothingHeld("before any editor");
  HWND host = MakeHost();
  ASSERT_NE(host, nullptr);
  {
    vst3test::Instance plug;
    for (int round = 0; round < 5; ++round)
    {
      SCOPED_TRACE(round);
      auto view = IPtr<IPlugView>::adopt(plug->createView("editor"));
      ASSERT_TRUE(view);
      ASSERT_EQ(view->attached(host, Steinberg::kPlatformTypeHWND), Steinberg::kResultTrue);
      EXPECT_EQ(Win32ObjectsHeld(Win32Object::kWindow), 1);
      EXPECT_EQ(Win32ObjectsHeld(Win32Object::kTimer), 1);
      Pump(80ms); // a few timer ticks: the editor draws and presents
      // A text field, with its font, open while the editor closes.
      IGraphics* editor = plug->GetGUI();
      ASSERT_NE(editor, nullptr);
      ASSERT_GT(editor->ControlCount(), 0);
      editor->ShowTextEntry(*editor->ControlAt(0), TextStyle{}, EditorRect{10, 10, 80, 30}, "12", -1);
      EXPECT_EQ(Win32ObjectsHeld(Win32Object::kWindow), 2) << "the editor and its text field";
      EXPECT_EQ(Win32ObjectsHeld(Win32Object::kFont), 1);
      EXPECT_EQ(view->removed(), Steinberg::kResultOk);
      EXPECT_EQ(Win32ObjectsHeld(Win32Object::kWindow), 0);
      EXPECT_EQ(Win32ObjectsHeld(Win32Object::kTimer), 0);
      EXPECT_EQ(Win32ObjectsHeld(Win32Object::kFont), 0);
      // The back buffer lives with the editor object, one bitmap in one memory DC.
      EXPECT_EQ(Win32ObjectsHeld(Win32Object::kBitmap), 1);
      EXPECT_EQ(Win32ObjectsHeld(Win32Object::kDeviceContext), 1);
    }

    // A host that destroys its window with the editor still inside.
    HWND doomed = MakeHost();
    auto view = IPtr<IPlugView>::adopt(plug->createView("editor"));
    ASSERT_EQ(view->attached(doomed, Steinberg::kPlatformTypeHWND), Steinberg::kResultTrue);
    Pump(50ms);
    DestroyWindow(doomed);
    EXPECT_EQ(Win32ObjectsHeld(Win32Object::kWindow), 0);
    EXPECT_EQ(Win32ObjectsHeld(Win32Object::kTimer), 0);
    view->removed();
  }
  ExpectNothingHeld("after the plug-in object is gone");
  DestroyWindow(host);
}
} // namespace
