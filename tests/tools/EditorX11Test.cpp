// The bundle's editor inside an X11 window, opened by our host the way a Linux host opens
// it, on an X server of the test's own, and driven with synthetic input.
#include "BundleFixture.h"

#include "tools/vst3host/EditorHost.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

using namespace std::chrono_literals;
using vst3host::HandlerEvent;

namespace
{
// Starts Xvfb on a display number it picks itself and points DISPLAY at it.
class XvfbEnvironment : public ::testing::Environment
{
public:
  void SetUp() override
  {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    mPid = fork();
    ASSERT_GE(mPid, 0);
    if (mPid == 0)
    {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset", nullptr);
      _exit(127);
    }
    close(fds[1]);
    char number[16] = {};
    // Xvfb writes the display number once it accepts clients; generous on a loaded machine.
    const ssize_t got = read(fds[0], number, sizeof number - 1);
    close(fds[0]);
    ASSERT_GT(got, 0) << "Xvfb did not start (apt-get install xvfb)";
    const std::string display = ":" + std::string(number, static_cast<std::size_t>(got - 1));
    setenv("DISPLAY", display.c_str(), 1);
  }
  void TearDown() override
  {
    if (mPid > 0)
    {
      kill(mPid, SIGTERM);
      waitpid(mPid, nullptr, 0);
    }
  }

private:
  pid_t mPid = -1;
};
const auto* const gXvfb = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

int OpenDescriptors()
{
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd"))
  {
    while (readdir(dir) != nullptr)
      ++count;
    closedir(dir);
  }
  return count;
}

// Synthetic input through XTest on a connection of its own.
class Pointer
{
public:
  Pointer() : mDisplay(XOpenDisplay(nullptr)) {}
  ~Pointer()
  {
    if (mDisplay != nullptr)
      XCloseDisplay(mDisplay);
  }
  void moveTo(int x, int y)
  {
    XTestFakeMotionEvent(mDisplay, 0, x, y, CurrentTime);
    XFlush(mDisplay);
  }
  void button(bool down)
  {
    XTestFakeButtonEvent(mDisplay, 1, down ? True : False, CurrentTime);
    XFlush(mDisplay);
  }
  void key(KeySym sym)
  {
    const KeyCode code = XKeysymToKeycode(mDisplay, sym);
    XTestFakeKeyEvent(mDisplay, code, True, CurrentTime);
    XTestFakeKeyEvent(mDisplay, code, False, CurrentTime);
    XFlush(mDisplay);
  }
  Display* display() const { return mDisplay; }

private:
  Display* mDisplay;
};

struct EditorUnderTest
{
  EditorUnderTest() : plugin(bundletest::newInstance())
  {
    std::string error;
    if (plugin)
      host = vst3host::EditorHost::open(*plugin->controller(), error);
    EXPECT_TRUE(host) << error;
    if (host) // the first picture is drawn on the first timer ticks
      host->run(300ms);
  }
  bool sawEdits(Steinberg::Vst::ParamID id) const
  {
    bool begin = false, perform = false, end = false;
    for (const HandlerEvent& event : plugin->handler().events())
      if (event.id == id)
      {
        begin = begin || event.kind == HandlerEvent::kBeginEdit;
        perform = perform || (begin && event.kind == HandlerEvent::kPerformEdit);
        end = end || (perform && event.kind == HandlerEvent::kEndEdit);
      }
    return begin && perform && end;
  }
  Steinberg::Vst::ParamID idOf(const char* title) const { return plugin->parameterTitled(title).value().id; }

  std::unique_ptr<vst3host::PluginInstance> plugin;
  std::unique_ptr<vst3host::EditorHost> host;
};
} // namespace

TEST(EditorX11, EmbedsAChildWithXEmbedInfoAndShowsTheEditor)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.host);
  EXPECT_EQ(editor.host->width(), 300);
  EXPECT_EQ(editor.host->height(), 280);
  ASSERT_NE(editor.host->pluginWindow(), 0u);

  Pointer x;
  const Atom info = XInternAtom(x.display(), "_XEMBED_INFO", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(x.display(), editor.host->pluginWindow(), info, 0, 2, False, AnyPropertyType, &type,
                               &format, &count, &after, &data),
            Success);
  EXPECT_EQ(format, 32);
  EXPECT_EQ(count, 2u);
  if (data != nullptr)
    XFree(data);

  // The X server shows the drawn editor: the gold "ANALYZE" frame on the grey background,
  // not the host window's black.
  std::vector<std::uint32_t> pixels;
  ASSERT_TRUE(editor.host->capturePixels(pixels));
  int black = 0, gold = 0;
  for (std::uint32_t p : pixels)
  {
    black += p == 0;
    const int r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
    gold += r > 150 && g > 120 && b < 100;
  }
  EXPECT_LT(black, static_cast<int>(pixels.size()) / 50);
  EXPECT_GT(gold, 300);
}

TEST(EditorX11, PointerEditsReachTheHostAsWholeGestures)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.host);
  Pointer pointer;
  // A click on "ANALYZE".
  pointer.moveTo(97, 33);
  editor.host->run(50ms);
  pointer.button(true);
  editor.host->run(50ms);
  pointer.button(false);
  const auto analyze = editor.idOf("Analyze");
  EXPECT_TRUE(editor.host->runUntil([&] { return editor.sawEdits(analyze); }, 5s));

  // A drag upwards on the target raises it.
  const auto target = editor.idOf("Target Value");
  const double before = editor.plugin->normalizedValue(target);
  pointer.moveTo(103, 213);
  editor.host->run(50ms);
  pointer.button(true);
  for (int step = 1; step <= 10; ++step)
  {
    pointer.moveTo(103, 213 - 4 * step);
    editor.host->run(20ms);
  }
  pointer.button(false);
  EXPECT_TRUE(editor.host->runUntil([&] { return editor.sawEdits(target); }, 5s));
  EXPECT_GT(editor.plugin->normalizedValue(target), before);
}

TEST(EditorX11, OpeningAndClosingFiftyTimesLeaksNothing)
{
  auto plugin = bundletest::newInstance();
  ASSERT_TRUE(plugin);
  const auto once = [&] {
    std::string error;
    auto host = vst3host::EditorHost::open(*plugin->controller(), error);
    ASSERT_TRUE(host) << error;
    EXPECT_EQ(host->registeredHandlers(), 1);
    EXPECT_EQ(host->registeredTimers(), 1);
    host->run(40ms);
  };
  once(); // the first opening loads fonts and caches that stay
  const int descriptors = OpenDescriptors();
  for (int i = 0; i < 50; ++i)
    once();
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST(EditorX11, AHostWithoutARunLoopGetsACleanRefusal)
{
  auto plugin = bundletest::newInstance();
  ASSERT_TRUE(plugin);
  std::string error;
  vst3host::EditorHost::Options options;
  options.offerRunLoop = false;
  EXPECT_EQ(vst3host::EditorHost::open(*plugin->controller(), error, options), nullptr);
  EXPECT_NE(error.find("refused"), std::string::npos) << error;
  // And the editor still opens for a host that has one.
  EXPECT_NE(vst3host::EditorHost::open(*plugin->controller(), error), nullptr) << error;
}
