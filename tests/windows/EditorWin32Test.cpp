// The bundle's editor inside a Win32 window, opened by our host through the Windows DLL
// the way a Windows host opens it, and driven with window messages. Runs under Wine.
#include "BundleFixture.h"

#include "product/TavrikQuenmark.h"
#include "tools/vst3host/HostApplication.h"
#include "vst3/sdk/interfaces/IPlugView.h"

#include "WDL/IPlug/IControl.h"
#include "WDL/IPlug/IGraphicsHeadless.h"
#include "WDL/IPlug/Win32/IGraphicsWin.h"
#include "TestPlug.h"
#include "WindowPixels.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cairo.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using Steinberg::IPtr;
using Steinberg::IPlugView;

namespace
{
constexpr const char* kEditorClass = "IPlugWndClass";

// The display scale the run expects (QUENMARK_EXPECT_SCALE, set where the prefix runs at
// another DPI); 1.0 by default.
double ExpectedScale()
{
  const char* text = std::getenv("QUENMARK_EXPECT_SCALE");
  return text != nullptr ? std::atof(text) : 1.0;
}

// A host that declares itself DPI-aware sees the screen's real DPI, as DAWs do.
class DpiAwareHost : public ::testing::Environment
{
public:
  void SetUp() override { SetProcessDPIAware(); }
};
const auto* const gDpiAware = ::testing::AddGlobalTestEnvironment(new DpiAwareHost);

// Runs the thread's messages (the editor's timer, paints) for duration, or until done.
bool Pump(std::chrono::milliseconds duration, const std::function<bool()>& done = {})
{
  const auto end = std::chrono::steady_clock::now() + duration;
  do
  {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (done && done())
      return true;
    Sleep(5);
  } while (std::chrono::steady_clock::now() < end);
  return done && done();
}

// The host's top-level window: records the key presses that reach it.
std::vector<MSG> gHostKeys;
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_KEYDOWN)
    gHostKeys.push_back(MSG{window, message, wParam, lParam, 0, {}});
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeHostWindow(int width, int height)
{
  static const bool registered = [] {
    WNDCLASSA host{};
    host.lpfnWndProc = &HostWindowProc;
    host.hInstance = GetModuleHandleA(nullptr);
    host.lpszClassName = "QuenmarkTestHost";
    return RegisterClassA(&host) != 0;
  }();
  EXPECT_TRUE(registered);
  RECT frame{0, 0, width, height};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  HWND window = CreateWindowExA(0, "QuenmarkTestHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  SetForegroundWindow(window);
  return window;
}

// Whether the module that made the editor windows has its window class now.
bool EditorClassRegistered()
{
  WNDCLASSA found{};
  HMODULE module = GetModuleHandleA("TavrikQuenmark.vst3");
  return module != nullptr && GetClassInfoA(module, kEditorClass, &found) != 0;
}

// The plug-in's editor as a host holds it: the view attached to a window of the host's.
struct EditorUnderTest
{
  EditorUnderTest() : plugin(bundletest::newInstance())
  {
    if (!plugin)
      return;
    view = IPtr<IPlugView>::adopt(plugin->controller()->createView("editor"));
    if (!view)
      return;
    Steinberg::ViewRect size{};
    EXPECT_EQ(view->getSize(&size), Steinberg::kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported(Steinberg::kPlatformTypeHWND), Steinberg::kResultTrue);
    host = MakeHostWindow((size.right - size.left), (size.bottom - size.top));
    EXPECT_EQ(view->attached(host, Steinberg::kPlatformTypeHWND), Steinberg::kResultTrue);
    editor = GetWindow(host, GW_CHILD);
    // The first picture is drawn on the first timer tick.
    Pump(300ms);
  }
  ~EditorUnderTest()
  {
    if (view)
    {
      view->removed();
      view = nullptr;
    }
    if (host != nullptr)
      DestroyWindow(host);
  }
  bool ready() const { return plugin && view && editor != nullptr; }
  double scale() const { return ExpectedScale(); }
  // Editor units to the window's device pixels, packed for a mouse message.
  LPARAM at(int x, int y) const
  {
    return MAKELPARAM(static_cast<int>(x * scale()), static_cast<int>(y * scale()));
  }
  void click(int x, int y)
  {
    SendMessageA(editor, WM_MOUSEMOVE, 0, at(x, y));
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(x, y));
    SendMessageA(editor, WM_LBUTTONUP, 0, at(x, y));
  }
  // A press alone: what the editor sees of a click whose release a menu's loop takes.
  void press(int x, int y)
  {
    SendMessageA(editor, WM_MOUSEMOVE, 0, at(x, y));
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at(x, y));
  }
  bool sawEdits(Steinberg::Vst::ParamID id) const { return bundletest::sawWholeGesture(*plugin, id); }
  std::string trace(Steinberg::Vst::ParamID id) const { return bundletest::gestureTrace(*plugin, id); }
  Steinberg::Vst::ParamID idOf(const char* title) const { return plugin->parameterTitled(title).value().id; }
  double plain(const char* title) const
  {
    const auto id = idOf(title);
    return plugin->toPlain(id, plugin->normalizedValue(id));
  }

  std::unique_ptr<vst3host::PluginInstance> plugin;
  IPtr<IPlugView> view;
  HWND host = nullptr;
  HWND editor = nullptr;
};

bool WritePng(const std::string& path, std::vector<std::uint32_t> pixels, int width, int height)
{
  cairo_surface_t* surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                                 CAIRO_FORMAT_RGB24, width, height, width * 4);
  const bool written = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return written;
}
} // namespace

TEST(EditorWin32, OpensAsAChildOfTheHostWindowAtTheDisplayScale)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.ready());
  char className[64] = {};
  GetClassNameA(editor.editor, className, sizeof className);
  EXPECT_STREQ(className, kEditorClass);
  EXPECT_TRUE(GetWindowLongA(editor.editor, GWL_STYLE) & WS_CHILD);
  RECT client{};
  GetClientRect(editor.editor, &client);
  EXPECT_EQ(client.right, static_cast<int>(300 * ExpectedScale()));
  EXPECT_EQ(client.bottom, static_cast<int>(280 * ExpectedScale()));
  Steinberg::ViewRect size{};
  ASSERT_EQ(editor.view->getSize(&size), Steinberg::kResultTrue);
  EXPECT_EQ((size.right - size.left), client.right);
  EXPECT_EQ((size.bottom - size.top), client.bottom);
  // Another platform's window is refused.
  EXPECT_EQ(editor.view->isPlatformTypeSupported(Steinberg::kPlatformTypeX11EmbedWindowID), Steinberg::kResultFalse);
}

TEST(EditorWin32, TheWindowShowsTheHeadlessPictureOfTheSameStatePixelForPixel)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.ready());
  int width = 0, height = 0;
  const std::vector<std::uint32_t> shown = ReadBack(editor.editor, width, height);
  const std::string picture = std::string(QUENMARK_PICTURE_FOLDER) + "/editor-win32@" +
                              std::to_string(static_cast<int>(ExpectedScale() * 100)) + ".png";
  EXPECT_TRUE(WritePng(picture, shown, width, height)) << picture;

  // The same product, fresh, drawn into memory in this process.
  using namespace Steinberg;
  auto context = IPtr<Vst::HostApplication>::adopt(new Vst::HostApplication(u"test"));
  auto plug = IPtr<TavrikQuenmark>::adopt(new TavrikQuenmark);
  ASSERT_EQ(plug->initialize(context->unknown()), kResultOk);
  auto* memory = dynamic_cast<IGraphicsHeadless*>(plug->GetGUI());
  ASSERT_NE(memory, nullptr);
  memory->SetDisplayScale(ExpectedScale());
  memory->OpenEditorWindow(nullptr);
  memory->Tick();
  const LICE_IBitmap& screen = memory->Screen();
  ASSERT_EQ(screen.Width(), width);
  ASSERT_EQ(screen.Height(), height);
  int differing = 0, black = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
    {
      const std::uint32_t p = shown[static_cast<std::size_t>(y * width + x)];
      const std::uint32_t expected = screen.PixelAt(x, y) & 0xffffffu;
      if (p != expected && differing++ < 5)
        ADD_FAILURE() << "at (" << x << ", " << y << ") the window shows " << std::hex << p << ", not " << expected
                      << std::dec;
      black += p == 0;
    }
  EXPECT_EQ(differing, 0);
  EXPECT_LT(black, width * height / 50); // the picture, not an empty window
  memory->CloseEditorWindow();
  plug->terminate();
}

TEST(EditorWin32, OpeningAndClosingRepeatedlyLeavesNoWindowClassOrObjects)
{
  auto plugin = bundletest::newInstance();
  ASSERT_TRUE(plugin);
  HWND host = MakeHostWindow(400, 400);
  const auto once = [&] {
    auto view = IPtr<IPlugView>::adopt(plugin->controller()->createView("editor"));
    ASSERT_TRUE(view);
    ASSERT_EQ(view->attached(host, Steinberg::kPlatformTypeHWND), Steinberg::kResultTrue);
    HWND child = GetWindow(host, GW_CHILD);
    EXPECT_NE(child, nullptr);
    EXPECT_TRUE(EditorClassRegistered());
    Pump(70ms); // a couple of timer ticks: the editor draws
    EXPECT_EQ(view->removed(), Steinberg::kResultOk);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);
    EXPECT_FALSE(EditorClassRegistered());
  };
  once(); // the first opening loads the font, which stays
  const DWORD gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  for (int i = 0; i < 20; ++i)
    once();
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiObjects);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userObjects);
  DestroyWindow(host);
}

TEST(EditorWin32, TwoEditorsShareOneWindowClassUntilTheLastCloses)
{
  auto first = std::make_unique<EditorUnderTest>();
  auto second = std::make_unique<EditorUnderTest>();
  ASSERT_TRUE(first->ready() && second->ready());
  EXPECT_TRUE(EditorClassRegistered());
  first.reset();
  EXPECT_TRUE(EditorClassRegistered());
  // The remaining editor still works: its clicks reach the host.
  second->click(97, 33);
  EXPECT_TRUE(second->sawEdits(second->idOf("Analyze")));
  second.reset();
  EXPECT_FALSE(EditorClassRegistered());
}

TEST(EditorWin32, ClicksAndDragsReachTheHostAsWholeGestures)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.ready());
  editor.click(97, 33); // "ANALYZE"
  EXPECT_TRUE(editor.sawEdits(editor.idOf("Analyze")));

  // A drag upwards on the target raises it.
  const double before = editor.plain("Target Value");
  SendMessageA(editor.editor, WM_LBUTTONDOWN, MK_LBUTTON, editor.at(103, 213));
  for (int step = 1; step <= 10; ++step)
    SendMessageA(editor.editor, WM_MOUSEMOVE, MK_LBUTTON, editor.at(103, 213 - 4 * step));
  SendMessageA(editor.editor, WM_LBUTTONUP, 0, editor.at(103, 173));
  EXPECT_TRUE(editor.sawEdits(editor.idOf("Target Value")));
  EXPECT_GT(editor.plain("Target Value"), before);
}

TEST(EditorWin32, WheelNotchesCountWholeStepsOnly)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.ready());
  POINT over{static_cast<LONG>(103 * editor.scale()), static_cast<LONG>(213 * editor.scale())};
  ClientToScreen(editor.editor, &over); // wheel messages carry screen positions
  const auto wheel = [&](int delta) {
    SendMessageA(editor.editor, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<SHORT>(delta))),
                 MAKELPARAM(over.x, over.y));
  };
  const double start = editor.plain("Target Value");
  wheel(60); // half a notch
  EXPECT_EQ(editor.plain("Target Value"), start);
  wheel(-120);
  const double oneDown = editor.plain("Target Value");
  EXPECT_LT(oneDown, start);
  wheel(-240);
  EXPECT_NEAR(oneDown - editor.plain("Target Value"), 2 * (start - oneDown), 1e-9);
}

// The menu runs its own loop inside the press: a timer of this thread acts in it, the
// user choosing item `choose` by keys (-1: dismissing the menu).
void WhenTheMenuOpens(long choose)
{
  static long presses = 0;
  presses = choose + 1; // Down goes from no item to the first
  const UINT_PTR timer = SetTimer(nullptr, 0, 150, [](HWND, UINT, UINT_PTR self, DWORD) {
    KillTimer(nullptr, self);
    if (presses <= 0)
    {
      EndMenu();
      return;
    }
    HWND menu = FindWindowA("#32768", nullptr);
    for (long i = 0; i < presses; ++i)
      PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
  });
  EXPECT_NE(timer, 0u);
}

TEST(EditorWin32, AMenuChoiceIsOneWholeGestureAndADismissedMenuLeavesNoneOpen)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.ready());
  const auto measure = editor.idOf("Measure");
  const long before = std::lround(editor.plain("Measure"));
  // The menu's loop takes the release of the press that opened it, as Windows' does:
  // the editor sees the press only, and still ends the gesture.
  for (const long wanted : {before == 4 ? 2L : 4L, before == 4 ? 3L : 1L})
  {
    editor.plugin->handler().clear();
    WhenTheMenuOpens(wanted);
    editor.press(243, 41); // the measure's drop-down
    EXPECT_TRUE(Pump(2s, [&] { return std::lround(editor.plain("Measure")) == wanted; })) << editor.plain("Measure");
    EXPECT_EQ(editor.trace(measure), "begin perform end");
    // A release that reaches the window after all ends nothing a second time.
    SendMessageA(editor.editor, WM_LBUTTONUP, 0, editor.at(243, 41));
    EXPECT_EQ(editor.trace(measure), "begin perform end");
  }

  editor.plugin->handler().clear();
  const long chosen = std::lround(editor.plain("Measure"));
  WhenTheMenuOpens(-1);
  editor.press(243, 41);
  Pump(200ms);
  EXPECT_EQ(std::lround(editor.plain("Measure")), chosen);
  EXPECT_EQ(editor.trace(measure), "begin end");
}

TEST(EditorWin32, AHostThatClosesTheEditorDuringAPressHearsItsEnd)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.ready());
  const auto target = editor.idOf("Target Value");
  editor.plugin->handler().clear();
  editor.press(103, 213);
  SendMessageA(editor.editor, WM_MOUSEMOVE, MK_LBUTTON, editor.at(103, 190));
  editor.view->removed();
  editor.view = nullptr;
  EXPECT_EQ(editor.trace(target), "begin perform end");
}

TEST(EditorWin32, TheTextFieldCommitsOnReturnCancelsOnEscapeAndFiltersLetters)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.ready());
  const auto openField = [&] {
    SendMessageA(editor.editor, WM_LBUTTONDBLCLK, MK_LBUTTON, editor.at(105, 213));
    HWND field = FindWindowExA(editor.editor, nullptr, "Edit", nullptr);
    EXPECT_NE(field, nullptr);
    return field;
  };
  HWND field = openField();
  ASSERT_NE(field, nullptr);
  for (char c : std::string("-1x8.5"))
    SendMessageA(field, WM_CHAR, static_cast<WPARAM>(c), 0);
  char typed[32] = {};
  GetWindowTextA(field, typed, sizeof typed);
  EXPECT_STREQ(typed, "-18.5"); // the letter was swallowed
  SendMessageA(field, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(Pump(2s, [&] { return std::abs(editor.plain("Target Value") + 18.5) < 1e-6; }))
    << editor.plain("Target Value");
  EXPECT_FALSE(IsWindow(field)); // the tick closed it
  const auto target = editor.idOf("Target Value");
  EXPECT_EQ(editor.trace(target), "begin perform end");

  field = openField();
  ASSERT_NE(field, nullptr);
  SendMessageA(field, WM_CHAR, '3', 0);
  SendMessageA(field, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(Pump(2s, [&] { return !IsWindow(field); }));
  EXPECT_NEAR(editor.plain("Target Value"), -18.5, 1e-6);
  EXPECT_EQ(editor.trace(target), "begin perform end") << "a cancelled entry tells the host nothing";

  // While the field has the focus, a click elsewhere in the editor cancels it too.
  field = openField();
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(GetFocus(), field);
  SendMessageA(field, WM_CHAR, '7', 0);
  editor.click(20, 270);
  EXPECT_TRUE(Pump(2s, [&] { return !IsWindow(field); }));
  EXPECT_NEAR(editor.plain("Target Value"), -18.5, 1e-6);
}

TEST(EditorWin32, KeysNoControlTakesReachTheHostWindowUnchanged)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.ready());
  gHostKeys.clear();
  const LPARAM flags = 0x00100001; // repeat 1, scan code 16
  SendMessageA(editor.editor, WM_KEYDOWN, 'Q', flags);
  ASSERT_EQ(gHostKeys.size(), 1u);
  EXPECT_EQ(gHostKeys[0].hwnd, editor.host);
  EXPECT_EQ(gHostKeys[0].wParam, static_cast<WPARAM>('Q'));
  EXPECT_EQ(gHostKeys[0].lParam, flags);
}

TEST(EditorWin32, AHostThatDestroysItsWindowBeforeRemovingTheViewSurvives)
{
  EditorUnderTest editor;
  ASSERT_TRUE(editor.ready());
  DestroyWindow(editor.host); // takes the editor's child window with it
  editor.host = nullptr;
  EXPECT_FALSE(IsWindow(editor.editor));
  EXPECT_EQ(editor.view->removed(), Steinberg::kResultOk);
  // The editor opens again in a new window.
  HWND host = MakeHostWindow(400, 400);
  EXPECT_EQ(editor.view->attached(host, Steinberg::kPlatformTypeHWND), Steinberg::kResultTrue);
  EXPECT_NE(GetWindow(host, GW_CHILD), nullptr);
  EXPECT_TRUE(EditorClassRegistered());
  editor.view->removed();
  editor.view = nullptr;
  DestroyWindow(host);
  EXPECT_FALSE(EditorClassRegistered());
}

namespace
{
// A plug-in of a binding other than VST3 (a right click asks for a value itself) that
// records the gestures its editor begins and ends.
class GesturePlug final : public TestPlug
{
public:
  GesturePlug()
  {
    ParamAt(0)->InitContinuous("Level", 0.0, -10.0, 10.0, 0.1);
  }
  int HostApiCode() override { return 2; }
  void BeginInformHostOfParamChange(int index) override { gestures += "begin " + std::to_string(index) + " "; }
  void EndInformHostOfParamChange(int index) override { gestures += "end " + std::to_string(index) + " "; }
  std::string gestures;
};

// A box bound to parameter 0 whose right click opens the text field.
class PromptBox final : public IControl
{
public:
  PromptBox(IPlugBase* plug, const EditorRect& rect) : IControl(plug, rect, 0) { SetPromptDisabled(false); }
  bool Paint(IGraphics&) override { return true; }
};
} // namespace

TEST(EditorWin32, ATextFieldOpenedByAPressStillEndsThatPressesGesture)
{
  GesturePlug plug;
  auto* editor = new IGraphicsWin(&plug, 200, 100, 0);
  plug.AttachEditor(editor);
  editor->AddControl(new PromptBox(&plug, {20, 20, 120, 60}));
  HWND host = MakeHostWindow(200, 100);
  auto* window = static_cast<HWND>(editor->OpenEditorWindow(host));
  ASSERT_NE(window, nullptr);
  const double scale = editor->DisplayScale();
  const LPARAM at = MAKELPARAM(static_cast<int>(50 * scale), static_cast<int>(40 * scale));
  SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, at);
  ASSERT_NE(editor->TextEntryWindow(), nullptr);
  EXPECT_EQ(editor->EntryState(), IGraphicsWin::kEntryEditing) << "the field has the focus";
  SendMessageA(window, WM_RBUTTONUP, 0, at);
  EXPECT_EQ(plug.gestures, "begin 0 end 0 ");
  // Escape, and the field is gone with nothing more said.
  SendMessageA(static_cast<HWND>(editor->TextEntryWindow()), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(Pump(2s, [&] { return editor->TextEntryWindow() == nullptr; }));
  EXPECT_EQ(plug.gestures, "begin 0 end 0 ");
  editor->CloseEditorWindow();
  DestroyWindow(host);
}
