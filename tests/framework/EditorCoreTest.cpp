// The editor core without any drawing library: what gets drawn when, the idle ticks,
// who gets the pointer, and the back buffer's size rules.

#include "TestPlug.h"

#include "WDL/IPlug/IControl.h"
#include "WDL/IPlug/IGraphicsHeadless.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{
// Counts the editor's idle calls and the gestures it sends.
class EditorPlug : public TestPlug
{
public:
  void OnEditorIdle() override { ++idles; }
  void BeginInformHostOfParamChange(int index) override { log += "b" + std::to_string(index) + " "; }
  void EndInformHostOfParamChange(int index) override { log += "e" + std::to_string(index) + " "; }
  void ShowHostParameterMenu(int index, int, int) override { log += "m" + std::to_string(index) + " "; }

  int idles = 0;
  std::string log;
};

// Records what reaches it.
class Probe : public IControl
{
public:
  Probe(IPlugBase* plug, const EditorRect& rect, int paramIndex, std::string name, std::string& log)
      : IControl(plug, rect, paramIndex), mName(std::move(name)), mLog(log)
  {
  }
  bool Paint(IGraphics&) override
  {
    ++paints;
    return true;
  }
  void MouseDown(int x, int y, const MouseMods& mods) override
  {
    mLog += mName + ".down ";
    IControl::MouseDown(x, y, mods);
  }
  void Idle() override { ++idles; }
  void SetDoubleClickAsPress() { mDoubleClickAsPress = true; }

  int paints = 0;
  int idles = 0;

private:
  std::string mName;
  std::string& mLog;
};

// Stands for the drawing library: controls draw as long as a layer is attached.
class NullLayer : public IDrawingLayer
{
public:
  void AttachToBackBuffer(LICE_IBitmap&, double) override {}
  void BeginDrawPass(const EditorRect&) override {}
  void EndDrawPass() override {}
};

constexpr MouseMods kLeft{true, false, false, false, false};
constexpr MouseMods kRight{false, true, false, false, false};

struct Editor
{
  Editor()
  {
    plug.ParamAt(0)->InitContinuous("Level", 0.0, -10.0, 10.0, 0.1);
    editor = new IGraphicsHeadless(&plug, 100, 50, 0);
    back = new Probe(&plug, {0, 0, 100, 50}, -1, "back", plug.log);
    left = new Probe(&plug, {10, 10, 40, 40}, 0, "left", plug.log);
    overlap = new Probe(&plug, {30, 10, 60, 40}, -1, "overlap", plug.log);
    editor->AddControl(back);
    editor->AddControl(left);
    editor->AddControl(overlap);
    editor->SetDrawingLayer(std::make_unique<NullLayer>());
    plug.AttachEditor(editor);
    editor->OpenEditorWindow(nullptr);
  }

  EditorPlug plug;
  IGraphicsHeadless* editor;
  Probe* back;
  Probe* left;
  Probe* overlap;
};

TEST(EditorCore, AChangeIsDrawnInTwoPassesAndQuietTicksRunTheIdleHooksEverySecondTime)
{
  Editor e;
  EXPECT_EQ(e.editor->FPS(), 30) << "0 frames per second means the default";
  for (int tick = 0; tick < 2; ++tick)
    e.editor->Tick();
  EXPECT_EQ(e.left->paints, 2) << "drawn on opening, in two passes";
  EXPECT_EQ(e.editor->PresentedAreas().back(), (EditorRect{0, 0, 100, 50}));

  e.editor->ClearPresentedAreas();
  for (int tick = 0; tick < 6; ++tick)
    e.editor->Tick();
  EXPECT_TRUE(e.editor->PresentedAreas().empty());
  EXPECT_EQ(e.plug.idles, 3);
  EXPECT_EQ(e.left->idles, 3);

  // The value the plug-in shows arrives on the next tick and redraws the control twice;
  // the background is painted under it, the control beside it is not.
  e.editor->SetControlsFromParameter(0, 5.0, false);
  EXPECT_EQ(e.left->Value(), 0.5) << "the attach gave the first value";
  e.editor->Tick();
  EXPECT_DOUBLE_EQ(e.left->Value(), 0.75);
  e.editor->Tick();
  e.editor->Tick();
  EXPECT_EQ(e.left->paints, 4);
  EXPECT_EQ(e.back->paints, 4);
  EXPECT_EQ(e.editor->PresentedAreas(), (std::vector<EditorRect>{{10, 10, 40, 40}, {10, 10, 40, 40}}));
  EXPECT_EQ(e.overlap->paints, 4) << "it reaches into the area";

  // Hidden controls are not drawn.
  e.overlap->SetHidden(true);
  e.editor->Tick();
  e.editor->Tick();
  EXPECT_EQ(e.overlap->paints, 4);
}

TEST(EditorCore, MoreSeparateChangesThanAreasAreAllDrawnAndPresented)
{
  // Ten controls apart from each other, more than the areas one tick presents: the ones
  // beyond the last area join it, and every one of them is drawn and reaches the screen.
  EditorPlug plug;
  auto* editor = new IGraphicsHeadless(&plug, 200, 50, 0); // the plug-in owns it
  std::vector<Probe*> probes;
  for (int i = 0; i < 10; ++i)
  {
    probes.push_back(new Probe(&plug, {20 * i, 20, 20 * i + 10, 30}, -1, "p" + std::to_string(i), plug.log));
    editor->AddControl(probes.back());
  }
  editor->SetDrawingLayer(std::make_unique<NullLayer>());
  plug.AttachEditor(editor);
  editor->OpenEditorWindow(nullptr);
  editor->Tick();
  editor->Tick();
  editor->ClearPresentedAreas();

  for (Probe* probe : probes)
    probe->MarkDirty(false);
  editor->Tick();
  const std::vector<EditorRect>& presented = editor->PresentedAreas();
  EXPECT_LE(presented.size(), static_cast<std::size_t>(IGraphics::kMaxDirtyAreas));
  for (int i = 0; i < 10; ++i)
  {
    const Probe& probe = *probes[static_cast<std::size_t>(i)];
    EXPECT_EQ(probe.paints, 3) << "control " << i << " is drawn on opening, then once for its change";
    const bool shown = std::any_of(presented.begin(), presented.end(), [&](const EditorRect& area) {
      return area.Union(probe.Rect()) == area;
    });
    EXPECT_TRUE(shown) << "control " << i << " reaches the screen";
  }
}

TEST(EditorCore, ThePointerGoesToTheTopmostEligibleControl)
{
  Editor e;
  e.editor->PointerDown(35, 20, kLeft);
  e.editor->PointerUp(35, 20, kLeft);
  EXPECT_EQ(e.plug.log, "overlap.down ") << "the later control wins where they overlap";

  e.plug.log.clear();
  e.editor->PointerDown(15, 20, kLeft);
  e.editor->PointerUp(15, 20, kLeft);
  EXPECT_EQ(e.plug.log, "b0 left.down e0 ");

  // The right button on a bound control opens the VST3 host's menu, and the control is
  // not told; on an unbound one the control's own press runs.
  e.plug.log.clear();
  e.editor->PointerDown(15, 20, kRight);
  e.editor->PointerUp(15, 20, kRight);
  e.editor->PointerDown(50, 20, kRight);
  EXPECT_EQ(e.plug.log, "m0 overlap.down ");

  // Grayed: the press falls through to what lies below.
  e.plug.log.clear();
  e.left->SetGrayed(true);
  e.editor->PointerDown(15, 20, kLeft);
  EXPECT_EQ(e.plug.log, "back.down ");

  // A control whose double click acts as a press is pressed without a gesture.
  e.plug.log.clear();
  e.left->SetGrayed(false);
  e.left->SetDoubleClickAsPress();
  e.editor->DoubleClick(15, 20, kLeft);
  EXPECT_EQ(e.plug.log, "left.down ");
  EXPECT_EQ(e.editor->CapturedControl(), e.left->ListIndex());
}

TEST(EditorCore, TheBackBufferRoundsRowsUpToFourPixelsAndKeepsItsStorageWhenShrinking)
{
  LICE_MemBitmap bitmap(301, 280);
  EXPECT_EQ(bitmap.RowSpan(), 304);
  EXPECT_FALSE(bitmap.SetSize(301, 280)) << "the same size changes nothing";
  ASSERT_TRUE(bitmap.SetSize(300, 280));
  const std::uint32_t* storage = bitmap.PixelData();
  EXPECT_TRUE(bitmap.SetSize(200, 100));
  EXPECT_EQ(bitmap.PixelData(), storage);
  EXPECT_EQ(bitmap.RowSpan(), 304);
  EXPECT_EQ(bitmap.Width(), 200);
  EXPECT_TRUE(bitmap.SetSize(400, 300));
  EXPECT_EQ(bitmap.RowSpan(), 400);
  EXPECT_FALSE(bitmap.SetSize(0, 0)) << "no size, no storage";
  EXPECT_EQ(bitmap.PixelData(), nullptr);

  // The editor's buffer follows the display scale.
  Editor e;
  EXPECT_EQ(e.editor->BackBuffer()->Width(), 100);
  e.editor->SetDisplayScale(1.25);
  EXPECT_EQ(e.editor->BackBuffer()->Width(), 125);
  EXPECT_EQ(e.editor->BackBuffer()->Height(), 62);
}
} // namespace
