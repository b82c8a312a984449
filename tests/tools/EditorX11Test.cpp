// The bundle's editor inside an X11 window, opened by our host the way a Linux host opens
// it, on an X server of the test's own, and driven with synthetic input.
#include "BundleFixture.h"

#include "product/TavrikQuenmark.h"
#include "tools/vst3host/EditorHost.h"
#include "tools/vst3host/HostApplication.h"

#include "WDL/IPlug/IGraphicsHeadless.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace
{
// Starts Xvfb on a display number the server picks itself (-displayfd: a number chosen
// here could be taken by another server between the check and the start) and points
// DISPLAY at it; stops it afterwards. The server dies with the test, also when a
// time-out kills the test.
class XvfbEnvironment : public ::testing::Environment
{
public:
  void SetUp() override
  {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t parent = getpid();
    mPid = fork();
    ASSERT_GE(mPid, 0);
    if (mPid == 0)
    {
      close(pipeFds[0]);
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent)
        _exit(127);
      const int null = open("/dev/null", O_RDWR);
      if (null >= 0)
      {
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
      }
      const std::string fd = std::to_string(pipeFds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             "-noreset", nullptr);
      _exit(127);
    }
    close(pipeFds[1]);
    // The server writes its display number once it accepts clients; up to 20 s for that,
    // generous on a loaded machine.
    std::string number;
    pollfd ready{pipeFds[0], POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline)
    {
      if (poll(&ready, 1, 100) <= 0)
        continue;
      char c = 0;
      if (read(pipeFds[0], &c, 1) != 1 || c == '\n')
        break;
      number += c;
    }
    close(pipeFds[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start (apt-get install xvfb)";
    const std::string display = ":" + number;
    setenv("DISPLAY", display.c_str(), 1);
    Display* probe = XOpenDisplay(nullptr);
    ASSERT_NE(probe, nullptr) << "Xvfb on " << display << " accepts no client";
    XCloseDisplay(probe);
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
  void button(bool down, unsigned number = 1)
  {
    XTestFakeButtonEvent(mDisplay, number, down ? True : False, CurrentTime);
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

// The root position of the first mapped override-redirect window (an open menu).
bool FindMenu(Display* display, int& x, int& y)
{
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  bool found = false;
  if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0)
    return false;
  for (unsigned i = 0; i < count && !found; ++i)
  {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, children[i], &attributes) && attributes.override_redirect &&
        attributes.map_state == IsViewable)
    {
      x = attributes.x;
      y = attributes.y;
      found = true;
    }
  }
  if (children != nullptr)
    XFree(children);
  return found;
}

// A menu takes over the UI thread until it closes, as on every platform: the user's
// side runs on a thread of its own, waits for the menu to appear, then acts on it.
template <class Act>
std::thread WhenMenuOpens(std::atomic<bool>& acted, Act act)
{
  return std::thread([&acted, act] {
    Pointer user;
    int x = 0, y = 0;
    for (int tries = 0; tries < 1000 && !FindMenu(user.display(), x, y); ++tries)
      std::this_thread::sleep_for(10ms);
    if (FindMenu(user.display(), x, y))
    {
      std::this_thread::sleep_for(100ms); // the menu has grabbed the keyboard by now
      act(user, x, y);
      acted = true;
    }
  });
}

struct EditorUnderTest
{
  EditorUnderTest() : plugin(bundletest::newInstance())
  {
    std::string error;
    if (plugin)
      host = vst3host::EditorHost::open(*plugin->controller(), error);
    EXPECT_TRUE(host) << error;
    // The first picture is drawn on the first timer tick; a loaded machine may be slow.
    if (host)
    {
      EXPECT_TRUE(host->runUntil([this] { return pictureShown(); }, 20s));
    }
  }
  bool pictureShown() const
  {
    std::vector<std::uint32_t> pixels;
    return host->capturePixels(pixels) && pixels[pixels.size() / 2] != 0u;
  }
  bool sawEdits(Steinberg::Vst::ParamID id) const { return bundletest::sawWholeGesture(*plugin, id); }
  std::string trace(Steinberg::Vst::ParamID id) const { return bundletest::gestureTrace(*plugin, id); }
  Steinberg::Vst::ParamID idOf(const char* title) const { return plugin->parameterTitled(title).value().id; }
  long plain(Steinberg::Vst::ParamID id) const { return std::lround(plugin->toPlain(id, plugin->normalizedValue(id))); }

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
  EXPECT_EQ(type, info);
  EXPECT_EQ(format, 32);
  ASSERT_EQ(count, 2u);
  ASSERT_NE(data, nullptr);
  // Version 0, and XEMBED_MAPPED: an embedder that follows the flag shows the child.
  const auto* words = reinterpret_cast<const long*>(data);
  EXPECT_EQ(words[0], 0);
  EXPECT_EQ(words[1], 1);
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

TEST(EditorX11, TheServerShowsTheHeadlessPictureOfTheSameStatePixelForPixel)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.host);
  std::vector<std::uint32_t> shown;
  ASSERT_TRUE(editor.host->capturePixels(shown));

  // The same product, fresh, drawn into memory in this process.
  using namespace Steinberg;
  auto context = IPtr<Vst::HostApplication>::adopt(new Vst::HostApplication(u"test"));
  auto plug = IPtr<TavrikQuenmark>::adopt(new TavrikQuenmark);
  ASSERT_EQ(plug->initialize(context->unknown()), kResultOk);
  auto* memory = dynamic_cast<IGraphicsHeadless*>(plug->GetGUI());
  ASSERT_NE(memory, nullptr);
  memory->OpenEditorWindow(nullptr);
  memory->Tick();
  auto& screen = const_cast<LICE_IBitmap&>(memory->Screen());
  ASSERT_EQ(screen.Width(), editor.host->width());
  ASSERT_EQ(screen.Height(), editor.host->height());
  int differing = 0;
  for (int y = 0; y < screen.Height(); ++y)
    for (int x = 0; x < screen.Width(); ++x)
    {
      const std::uint32_t expected = screen.PixelData()[y * screen.RowSpan() + x] & 0xffffffu;
      differing += shown[static_cast<std::size_t>(y * screen.Width() + x)] != expected;
    }
  EXPECT_EQ(differing, 0);
  memory->CloseEditorWindow();
  plug->terminate();
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

  // A host that closes the editor while the button is still down hears the end too.
  editor.plugin->handler().clear();
  pointer.moveTo(103, 213);
  editor.host->run(500ms); // not a double click with the drag's press
  pointer.button(true);
  editor.host->run(50ms);
  pointer.moveTo(103, 190);
  editor.host->run(50ms);
  editor.host.reset();
  pointer.button(false);
  EXPECT_EQ(editor.trace(target), "begin perform end");
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

TEST(EditorX11, TheMenuChoosesByKeyboardAndByPointer)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.host);
  const auto measure = editor.idOf("Measure");
  const auto plainMeasure = [&] {
    return std::lround(editor.plugin->toPlain(measure, editor.plugin->normalizedValue(measure)));
  };
  const long before = plainMeasure();
  const long byKeys = before == 1 ? 2 : 1;
  Pointer pointer;
  editor.plugin->handler().clear();

  // Down moves from no item to the first, so byKeys + 1 presses reach item byKeys.
  std::atomic<bool> acted{false};
  std::thread user = WhenMenuOpens(acted, [byKeys](Pointer& keys, int, int) {
    for (long i = 0; i <= byKeys; ++i)
      keys.key(XK_Down);
    keys.key(XK_Return);
  });
  pointer.moveTo(243, 41);
  editor.host->run(50ms);
  pointer.button(true);
  pointer.button(false);
  editor.host->run(100ms); // the menu runs inside this call until the choice
  user.join();
  ASSERT_TRUE(acted);
  EXPECT_TRUE(editor.host->runUntil([&] { return plainMeasure() == byKeys; }, 5s)) << plainMeasure();
  // The menu swallowed the release of the press that opened it: the gesture ends anyway.
  EXPECT_EQ(editor.trace(measure), "begin perform end");

  // The pointer: a click on the fifth item ("LUFS Int.").
  editor.plugin->handler().clear();
  acted = false;
  user = WhenMenuOpens(acted, [](Pointer& hand, int x, int y) {
    hand.moveTo(x + 30, y + 1 + 4 * 20 + 10);
    std::this_thread::sleep_for(50ms);
    hand.button(true);
    hand.button(false);
  });
  pointer.button(true);
  pointer.button(false);
  editor.host->run(100ms);
  user.join();
  ASSERT_TRUE(acted);
  EXPECT_TRUE(editor.host->runUntil([&] { return plainMeasure() == 4; }, 5s)) << plainMeasure();
  editor.host->run(50ms);
  EXPECT_EQ(editor.trace(measure), "begin perform end");

  // Escape chooses nothing, and leaves no gesture open.
  editor.plugin->handler().clear();
  acted = false;
  user = WhenMenuOpens(acted, [](Pointer& keys, int, int) { keys.key(XK_Escape); });
  pointer.moveTo(243, 41); // back from the item the hand chose
  editor.host->run(50ms);
  pointer.button(true);
  pointer.button(false);
  editor.host->run(100ms);
  user.join();
  ASSERT_TRUE(acted);
  editor.host->run(100ms);
  EXPECT_EQ(plainMeasure(), 4);
  EXPECT_EQ(editor.trace(measure), "begin end");
}

TEST(EditorX11, ARightClickAsksTheHostForItsMenuAndAMiddleClickDoesNothing)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.host);
  const auto analyze = editor.idOf("Analyze");
  const auto measure = editor.idOf("Measure");
  const long analyzeBefore = editor.plain(analyze), measureBefore = editor.plain(measure);
  Pointer pointer;
  const auto clickAt = [&](int x, int y, unsigned button) {
    pointer.moveTo(x, y);
    editor.host->run(50ms);
    pointer.button(true, button);
    editor.host->run(50ms);
    pointer.button(false, button);
    editor.host->run(100ms);
  };
  // Over a button and over a drop-down: the host's menu for the parameter, and neither
  // an edit nor a menu of the editor's own.
  clickAt(97, 33, 3);
  clickAt(243, 41, 3);
  int x = 0, y = 0;
  EXPECT_FALSE(FindMenu(pointer.display(), x, y));
  EXPECT_EQ(editor.trace(analyze), "menu");
  EXPECT_EQ(editor.trace(measure), "menu");
  editor.plugin->handler().clear();
  clickAt(97, 33, 2);
  clickAt(243, 41, 2);
  EXPECT_EQ(editor.plugin->handler().events().size(), 0u);
  EXPECT_EQ(editor.plain(analyze), analyzeBefore);
  EXPECT_EQ(editor.plain(measure), measureBefore);
}

TEST(EditorX11, TheTextFieldTakesATypedValueOnReturnAndFiltersLetters)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.host);
  const auto target = editor.idOf("Target Value");
  Pointer pointer;
  // The keyboard focus follows the pointer, as on a fresh desktop: the first click takes
  // it for the editor while the field is already opening.
  XSetInputFocus(pointer.display(), PointerRoot, RevertToPointerRoot, CurrentTime);
  // A double click on the target opens its text field.
  pointer.moveTo(105, 213);
  editor.host->run(50ms);
  for (int click = 0; click < 2; ++click)
  {
    pointer.button(true);
    pointer.button(false);
  }
  editor.host->run(200ms);
  for (KeySym key : std::initializer_list<KeySym>{XK_minus, XK_1, XK_x, XK_8, XK_period, XK_5, XK_Return})
  {
    pointer.key(key);
    editor.host->run(20ms);
  }
  EXPECT_TRUE(editor.host->runUntil(
      [&] { return std::abs(editor.plugin->toPlain(target, editor.plugin->normalizedValue(target)) + 18.5) < 1e-6; },
      5s))
      << editor.plugin->toPlain(target, editor.plugin->normalizedValue(target));
  // The first click's press and release, then the typed value as one edit.
  EXPECT_EQ(editor.trace(target), "begin end begin perform end");

  // Escape drops what was typed, and no gesture stays open.
  editor.plugin->handler().clear();
  for (int click = 0; click < 2; ++click)
  {
    pointer.button(true);
    pointer.button(false);
  }
  editor.host->run(200ms);
  for (KeySym key : std::initializer_list<KeySym>{XK_3, XK_Escape})
  {
    pointer.key(key);
    editor.host->run(20ms);
  }
  editor.host->run(100ms);
  EXPECT_NEAR(editor.plugin->toPlain(target, editor.plugin->normalizedValue(target)), -18.5, 1e-6);
  EXPECT_EQ(editor.trace(target), "begin end");
}

TEST(EditorX11, TwoViewsOfOneInstanceAndTwoInstancesAtOnce)
{
  EditorUnderTest first;
  EditorUnderTest second;
  ASSERT_TRUE(first.host && second.host);
  std::string error;
  // A second view of the first instance takes its editor window over.
  auto again = vst3host::EditorHost::open(*first.plugin->controller(), error);
  ASSERT_TRUE(again) << error;
  again->run(200ms);
  EXPECT_NE(again->pluginWindow(), 0u);
  EXPECT_EQ(first.host->registeredHandlers(), 0);
  EXPECT_EQ(again->registeredHandlers(), 1);
  // The first view's removal leaves the window it no longer owns.
  first.host.reset();
  again->run(100ms);
  EXPECT_NE(again->pluginWindow(), 0u);
  // The host windows lie on top of each other: the topmost one is read.
  std::vector<std::uint32_t> pixels;
  ASSERT_TRUE(again->capturePixels(pixels));
  EXPECT_NE(pixels[pixels.size() / 2], 0u);
  EXPECT_NE(second.host->pluginWindow(), 0u);
  EXPECT_EQ(second.host->registeredHandlers(), 1);
}

TEST(EditorX11, AHostThatDestroysItsWindowFirstSurvives)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.host);
  editor.host->destroyTopLevelWindow();
  editor.host->run(200ms); // the editor's connection sees its window go
  editor.host.reset();     // removed() destroys a window that is gone: an ignored X error
  std::string error;
  auto reopened = vst3host::EditorHost::open(*editor.plugin->controller(), error);
  EXPECT_TRUE(reopened) << error;
}
