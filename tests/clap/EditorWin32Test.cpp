// The editor of the Windows TavrikQuenmark.clap embedded by our host into a Win32 window,
// as a Windows host embeds it: the whole gui call sequence, the host's message loop and
// timer serving it, the picture read back from the window, opened and closed twice.
// Runs under Wine.

#include "tools/claphost/ClapHost.h"

#include "WindowPixels.h"

#include <gtest/gtest.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <set>
#include <vector>

namespace
{
constexpr const char* kEditorClass = "IPlugWndClass";
constexpr const char* kHostClass = "QuenmarkClapTestHost";

// The host's loop for duration: window messages, then the plug-in's timers and descriptors.
void Pump(claphost::Instance& instance, std::chrono::milliseconds duration)
{
  const auto end = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < end)
  {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    instance.idle();
    Sleep(5);
  }
}

std::vector<HWND> EditorWindowsIn(HWND parent)
{
  std::vector<HWND> found;
  for (HWND child = FindWindowExA(parent, nullptr, kEditorClass, nullptr); child != nullptr;
       child = FindWindowExA(parent, child, kEditorClass, nullptr))
    found.push_back(child);
  return found;
}

// The colours the window's client area shows.
std::set<std::uint32_t> ColoursOf(HWND window)
{
  int width = 0, height = 0;
  const std::vector<std::uint32_t> pixels = ReadBack(window, width, height);
  return {pixels.begin(), pixels.end()};
}

HWND MakeHostWindow()
{
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kHostClass;
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, kHostClass, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 500, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

TEST(ClapEditorWin32, OpensInTheHostsWindowPaintsAndClosesCleanlyTwice)
{
  const HWND host = MakeHostWindow();
  ASSERT_NE(host, nullptr);
  {
    claphost::Module module(QUENMARK_CLAP_MODULE_PATH);
    {
      claphost::Instance instance(module);
      for (int round = 0; round < 2; ++round)
      {
        uint32_t width = 0, height = 0;
        ASSERT_TRUE(instance.openEditor(host, &width, &height)) << "round " << round;
        EXPECT_EQ(width, 300u);
        EXPECT_EQ(height, 280u);
        Pump(instance, std::chrono::milliseconds(300));
        const std::vector<HWND> editors = EditorWindowsIn(host);
        ASSERT_EQ(editors.size(), 1u) << "the editor's window inside the host's";
        RECT client{};
        GetClientRect(editors[0], &client);
        EXPECT_EQ(client.right, 300);
        EXPECT_EQ(client.bottom, 280);
        EXPECT_TRUE(IsWindowVisible(editors[0]));
        // Panel, frames, text: a drawn editor shows many colours, an unpainted one a few.
        EXPECT_GT(ColoursOf(editors[0]).size(), 20u) << "round " << round;
        instance.closeEditor();
        Pump(instance, std::chrono::milliseconds(20));
        EXPECT_TRUE(EditorWindowsIn(host).empty()) << "round " << round;
      }
      // A host that forgets to close the editor: destroy cleans up.
      ASSERT_TRUE(instance.openEditor(host));
      Pump(instance, std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(EditorWindowsIn(host).empty()) << "destroyed with the instance";
    EXPECT_TRUE(module.problems().empty()) << testing::PrintToString(module.problems());
  }
  DestroyWindow(host);
}

// The editor's readouts follow the audio: after a block of a loud programme through the
// instance, the window's picture changes at the host's next timer ticks.
TEST(ClapEditorWin32, TheOpenEditorRedrawsWhatTheBlocksMeasured)
{
  const HWND host = MakeHostWindow();
  ASSERT_NE(host, nullptr);
  {
    claphost::Module module(QUENMARK_CLAP_MODULE_PATH);
    {
      claphost::Instance instance(module);
      ASSERT_TRUE(instance.activate(48000.0, 4800));
      ASSERT_TRUE(instance.openEditor(host));
      Pump(instance, std::chrono::milliseconds(200));
      const std::vector<HWND> editors = EditorWindowsIn(host);
      ASSERT_EQ(editors.size(), 1u);
      const std::set<std::uint32_t> quiet = ColoursOf(editors[0]);

      instance.set(instance.paramId("Analyze"), 1.0);
      instance.setPlaying(true);
      std::vector<double> left(4800, 0.5), right(4800, 0.5), outLeft(4800), outRight(4800);
      const double* in[] = {left.data(), right.data()};
      double* out[] = {outLeft.data(), outRight.data()};
      for (int block = 0; block < 20; ++block)
        ASSERT_TRUE(instance.process(in, out, 4800));
      Pump(instance, std::chrono::milliseconds(300));
      EXPECT_NE(ColoursOf(editors[0]), quiet) << "the readouts show the measured level";
      instance.closeEditor();
      instance.deactivate();
    }
    EXPECT_TRUE(module.problems().empty()) << testing::PrintToString(module.problems());
  }
  DestroyWindow(host);
}
} // namespace
