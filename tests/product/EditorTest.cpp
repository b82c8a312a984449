// The product's editor as a user meets it: drawn by the memory window layer at display
// scales 1 and 2, probed pixel by pixel, and worked with the pointer, menus and typed
// text, with the host's view of each edit recorded by the test binding.

#include "Harness.h"

#include "WDL/IPlug/IControl.h"
#include "WDL/IPlug/IGraphicsHeadless.h"
#include "ycairo/ICairoControls.h"
#include "ycairo/ycairo_resources.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
// A copy of what the screen showed.
struct Picture
{
  int width;
  std::vector<std::uint32_t> pixels;
  std::uint32_t PixelAt(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

struct Rgb
{
  int r, g, b;
};

constexpr MouseMods kLeft{true, false, false, false, false};
constexpr MouseMods kRight{false, true, false, false, false};
constexpr MouseMods kShiftLeft{true, false, true, false, false};
constexpr MouseMods kNone{};

// Places of the layout, in editor units.
constexpr EditorRect kAnalyzeButton{46, 17, 150, 49};
constexpr EditorRect kNormalizeButton{46, 137, 150, 169};
constexpr EditorRect kMeasureBox{200, 29, 286, 54};
constexpr EditorRect kGateBox{200, 178, 286, 203};
constexpr EditorRect kLevelReadout{60, 83, 110, 103};
constexpr EditorRect kUnitReadout{110, 83, 170, 103};
constexpr EditorRect kGainReadout{230, 214, 287, 229};

// The product on the test binding with its editor's window open, at a display scale.
struct EditorUnderTest
{
  explicit EditorUnderTest(double scale = 1.0) : editor(*dynamic_cast<IGraphicsHeadless*>(h->GetGUI()))
  {
    editor.SetDisplayScale(scale);
    editor.OpenEditorWindow(nullptr);
    editor.Tick();
    editor.Tick(); // everything is drawn in two passes
    h->gestures.clear();
  }

  // A host's change as the VST3 binding delivers it: shown in the editor, then applied.
  void hostSets(int index, double plain)
  {
    editor.SetControlsFromParameter(index, plain, false);
    h.hostSets(index, plain);
  }
  double scale() const { return editor.DisplayScale(); }
  int device(double units) const { return static_cast<int>(units * scale()); }
  // The screen pixel at the centre of the unit square whose top-left is (x, y).
  Rgb at(double x, double y) const
  {
    const std::uint32_t p = editor.Screen().PixelAt(device(x + 0.5), device(y + 0.5));
    return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
  }
  void press(const EditorRect& r, const MouseMods& mods = kLeft)
  {
    editor.PointerDown(device((r.L + r.R) / 2.0), device((r.T + r.B) / 2.0), mods);
    editor.PointerUp(device((r.L + r.R) / 2.0), device((r.T + r.B) / 2.0), mods);
  }
  std::string gestures() const
  {
    std::string text;
    for (const auto& g : h.plug->gestures)
      text += std::string(1, g.what) + std::to_string(g.index) + " ";
    return text;
  }
  IControl& controlFor(int paramIndex) const
  {
    for (int i = 0; i < editor.ControlCount(); ++i)
      if (editor.ControlAt(i)->ParamIndex() == paramIndex)
        return *editor.ControlAt(i);
    throw std::runtime_error("no control for the parameter");
  }
  // Screen pixels (device) inside r that differ from `before`.
  int changedPixels(const Picture& before, const EditorRect& r) const
  {
    int changed = 0;
    for (int y = device(r.T); y < device(r.B); ++y)
      for (int x = device(r.L); x < device(r.R); ++x)
        changed += before.PixelAt(x, y) != editor.Screen().PixelAt(x, y);
    return changed;
  }
  Picture snapshot() const
  {
    Picture copy{editor.Screen().Width(), {}};
    for (int y = 0; y < editor.Screen().Height(); ++y)
      for (int x = 0; x < copy.width; ++x)
        copy.pixels.push_back(editor.Screen().PixelAt(x, y));
    return copy;
  }

  Harness h;
  IGraphicsHeadless& editor;
};

int Brightness(const Rgb& c)
{
  return (c.r + c.g + c.b) / 3;
}
// How gold a pixel is: red well above blue.
int Gold(const Rgb& c)
{
  return c.r - c.b;
}

class EditorAtScale : public ::testing::TestWithParam<double>
{
};

TEST_P(EditorAtScale, ThePictureHasItsBackgroundArrowsSeparatorFooterAndButtons)
{
  EditorUnderTest e(GetParam());
  ASSERT_EQ(e.editor.Screen().Width(), e.device(300));
  ASSERT_EQ(e.editor.Screen().Height(), e.device(280));

  // A vertical gradient from grey 64 at the top edge to 49 at the bottom edge.
  EXPECT_NEAR(Brightness(e.at(2, 0)), 64, 1);
  EXPECT_NEAR(Brightness(e.at(2, 279)), 49, 1);
  EXPECT_EQ(e.at(2, 0).r, e.at(2, 0).b) << "the background is neutral grey";

  // The pale footer band runs from y = 240 to 275, over the gradient.
  EXPECT_GT(Brightness(e.at(295, 241)), Brightness(e.at(295, 238)) + 40);
  EXPECT_GT(Brightness(e.at(295, 274)), Brightness(e.at(295, 276)) + 40);

  // Three pale arrows point down between the steps of the left column.
  for (const double tipY : {70.0, 130.0, 191.0})
  {
    EXPECT_GT(Brightness(e.at(98, tipY - 10)), Brightness(e.at(80, tipY - 10)) + 40) << "arrow above y " << tipY;
    EXPECT_NEAR(Brightness(e.at(98, tipY + 2)), Brightness(e.at(80, tipY + 2)), 1) << "nothing below its tip";
    EXPECT_NEAR(Brightness(e.at(92, tipY - 3)), Brightness(e.at(80, tipY - 3)), 1) << "it narrows to the tip";
  }

  // The separator at x = 182 from y = 13 to 233, faint against the gradient.
  EXPECT_GT(Brightness(e.at(181, 120)), Brightness(e.at(176, 120)) + 5);
  EXPECT_NEAR(Brightness(e.at(181, 6)), Brightness(e.at(176, 6)), 1) << "it starts at y = 13";

  // "ANALYZE" is on (its default): a gold outline and a gold fill.
  EXPECT_GT(Gold(e.at(47, 33)), 100) << "outline";
  EXPECT_GT(Gold(e.at(55, 25)), 100) << "fill";
  EXPECT_LT(Gold(e.at(50, 25)), 10) << "the gap between outline and fill";
}

TEST_P(EditorAtScale, ButtonsShowOnOffAndGrayedStates)
{
  EditorUnderTest e(GetParam());
  const int outlineOn = Gold(e.at(47, 153));
  ASSERT_GT(Gold(e.at(55, 145)), 100) << "NORMALIZE starts on";

  e.press(kNormalizeButton);
  e.editor.Tick();
  EXPECT_EQ(e.h.value(kNormalize), 0.0);
  EXPECT_LT(Gold(e.at(55, 145)), 5) << "released: no fill";
  EXPECT_EQ(Gold(e.at(47, 153)), outlineOn) << "the outline stays";

  // "Continuous" grays both buttons: the outline at 40 % of its alpha.
  e.hostSets(kMode, 1);
  e.editor.Tick();
  EXPECT_TRUE(e.controlFor(kAnalyze).IsGrayed());
  EXPECT_TRUE(e.controlFor(kNormalize).IsGrayed());
  const double background = Gold(e.at(40, 153)); // the grey beside it has no gold
  EXPECT_NEAR((Gold(e.at(47, 153)) - background) / (outlineOn - background), 0.4, 0.03);

  // A grayed button takes no pointer input.
  e.h->gestures.clear();
  e.press(kNormalizeButton);
  e.press(kAnalyzeButton);
  e.editor.Tick();
  EXPECT_EQ(e.gestures(), "");
  EXPECT_EQ(e.h.value(kNormalize), 0.0);

  e.hostSets(kMode, 0);
  e.editor.Tick();
  EXPECT_FALSE(e.controlFor(kAnalyze).IsGrayed());
  EXPECT_EQ(Gold(e.at(47, 153)), outlineOn);
}

TEST_P(EditorAtScale, ReadoutsDrawTheMeasuredLevelItsUnitAndTheGain)
{
  EditorUnderTest e(GetParam());
  e.hostSets(kNormalize, 0);
  e.editor.Tick();
  e.editor.Tick();
  const Picture silent = e.snapshot(); // "-INF", no unit, "-INF"

  // A sine peaking at +1.96 dBFS in "dBFS": "+2.0" and "dBFS".
  e.h.sine(1.96, 20);
  auto& level = static_cast<ICairoLabel&>(*e.editor.ControlAt(e.h->ReadoutLabels().LevelIndex()));
  auto& unit = static_cast<ICairoLabel&>(*e.editor.ControlAt(e.h->ReadoutLabels().UnitIndex()));
  auto& gain = static_cast<ICairoLabel&>(*e.editor.ControlAt(e.h->ReadoutLabels().GainIndex()));
  e.editor.ClearPresentedAreas();
  e.editor.Tick();
  EXPECT_EQ(level.Text(), "+2.0");
  EXPECT_EQ(unit.Text(), "dBFS");
  EXPECT_EQ(gain.Text(), Readouts::GainText(e.h->ReadoutValues().gainDb()));
  EXPECT_EQ(e.editor.PresentedAreas(), (std::vector<EditorRect>{{60, 83, 170, 103}, {230, 214, 287, 229}}))
      << "only the readouts are redrawn, level and unit together";

  EXPECT_GT(e.changedPixels(silent, kLevelReadout), 20) << "+2.0 inks other pixels than -INF";
  EXPECT_GT(e.changedPixels(silent, kUnitReadout), 20) << "the unit appears";
  EXPECT_GT(e.changedPixels(silent, kGainReadout), 20);
  const int elsewhere = e.changedPixels(silent, {0, 0, 300, 280}) - e.changedPixels(silent, kLevelReadout) -
                        e.changedPixels(silent, kUnitReadout) - e.changedPixels(silent, kGainReadout);
  EXPECT_EQ(elsewhere, 0) << "nothing outside the readouts changes";

  // In a loudness measure the unit reads "LUFS": other ink than "dBFS", still gold.
  const Picture dbfs = e.snapshot();
  e.hostSets(kMeasure, 3);
  e.h.sine(-20.0, 40);
  e.editor.Tick();
  EXPECT_EQ(unit.Text(), "LUFS");
  EXPECT_EQ(static_cast<ICairoDropdown&>(e.controlFor(kTargetValue)).DisplayText(), "-12.0 LUFS")
      << "the target's unit follows a measure the host changed";
  EXPECT_GT(e.changedPixels(dbfs, kUnitReadout), 20);
  int goldInk = 0;
  for (int x = 110; x < 170; ++x)
    goldInk += Gold(e.at(x, 93)) > 60;
  EXPECT_GT(goldInk, 5);

  // With no new numbers nothing is drawn again, and the idle hooks take over.
  e.editor.Tick(); // the second pass of the change
  e.editor.ClearPresentedAreas();
  e.editor.Tick();
  e.editor.Tick();
  EXPECT_TRUE(e.editor.PresentedAreas().empty());
}

TEST_P(EditorAtScale, IncrementalDrawingPresentsTheSamePixelsAsAFullRedraw)
{
  EditorUnderTest e(GetParam());
  e.h.setTransport(true);
  for (int round = 0; round < 6; ++round)
  {
    e.h.sine(-30.0 + 4 * round, 8);
    if (round == 2)
      e.press(kNormalizeButton);
    if (round == 3)
      e.editor.Wheel(e.device(100), e.device(210), kNone, 3);
    if (round == 4)
      e.hostSets(kMode, 1);
    e.editor.Tick();
  }
  e.editor.Tick();
  const Picture incremental = e.snapshot();
  e.editor.MarkAllDirty();
  e.editor.Tick();
  EXPECT_EQ(e.editor.LastDrawArea(), (EditorRect{0, 0, 300, 280}));
  EXPECT_EQ(e.changedPixels(incremental, {0, 0, 300, 280}), 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, EditorAtScale, ::testing::Values(1.0, 2.0));

TEST(EditorInput, ButtonPressesReachTheHostAsOneGestureEach)
{
  EditorUnderTest e;
  e.press(kAnalyzeButton);
  EXPECT_EQ(e.gestures(), "b4 i4 e4 ");
  EXPECT_EQ(e.h.value(kAnalyze), 0.0);
  e.press(kAnalyzeButton);
  EXPECT_EQ(e.h.value(kAnalyze), 1.0);

  // Under VST3 the right button opens the host's menu for the parameter instead.
  e.h->gestures.clear();
  e.press(kNormalizeButton, kRight);
  EXPECT_EQ(e.gestures(), "m5 ");
  EXPECT_EQ(e.h.value(kNormalize), 1.0);

  // Pressing where no control takes input (a label, the background) tells the host nothing.
  e.h->gestures.clear();
  e.press({200, 12, 286, 27});
  e.press({5, 100, 20, 120});
  EXPECT_EQ(e.gestures(), "");
}

TEST(EditorInput, DragAndWheelMoveTheTargetValueByTheKnobAmounts)
{
  EditorUnderTest e(2.0);
  const double range = 90.0; // -60 .. 30
  const int x = e.device(100);
  // 10 units up over the 31-unit box with gearing 4.
  e.editor.PointerDown(x, e.device(220), kLeft);
  e.editor.PointerMove(x, e.device(210), kLeft);
  e.editor.PointerUp(x, e.device(210), kLeft);
  EXPECT_NEAR(e.h.value(kTargetValue), -12.0 + range * 10.0 / 31.0 / 4.0, 1e-9);
  EXPECT_EQ(e.gestures(), "b2 i2 e2 ");

  // Shift makes it ten times finer; down lowers it.
  const double before = e.h.value(kTargetValue);
  e.editor.PointerDown(x, e.device(210), kShiftLeft);
  e.editor.PointerMove(x, e.device(220), kShiftLeft);
  e.editor.PointerUp(x, e.device(220), kShiftLeft);
  EXPECT_NEAR(e.h.value(kTargetValue), before - range * 10.0 / 31.0 / 40.0, 1e-9);

  // A wheel notch is 0.01 of the range, 0.001 with shift; no gesture is sent.
  e.h->gestures.clear();
  const double beforeWheel = e.h.value(kTargetValue);
  e.editor.Wheel(x, e.device(210), kNone, 2);
  EXPECT_NEAR(e.h.value(kTargetValue), beforeWheel + 0.02 * range, 1e-9);
  e.editor.Wheel(x, e.device(210), kShiftLeft, -1);
  EXPECT_NEAR(e.h.value(kTargetValue), beforeWheel + 0.019 * range, 1e-9);
  EXPECT_EQ(e.gestures(), "i2 i2 ");

  // The top of the range holds.
  e.editor.Wheel(x, e.device(210), kNone, 500);
  EXPECT_EQ(e.h.value(kTargetValue), 30.0);
  e.editor.Tick();
  EXPECT_EQ(static_cast<ICairoDropdown&>(e.controlFor(kTargetValue)).DisplayText(), "30.0 dBFS");
}

TEST(EditorInput, ADoubleClickTypesAValueAndAPressPicksFromAMenu)
{
  EditorUnderTest e;
  const int tx = e.device(100), ty = e.device(213);
  e.editor.PointerMove(tx, ty, kNone);
  EXPECT_EQ(e.editor.CursorShape(), kCursorSizeNS) << "a numeric box shows it can be dragged";
  e.editor.ScriptTypedText("-20.5");
  e.editor.DoubleClick(tx, ty, kLeft);
  EXPECT_EQ(e.editor.CursorShape(), kCursorIBeam);
  ASSERT_TRUE(e.editor.TextEntry().open);
  EXPECT_EQ(e.editor.TextEntry().text, "-12.0");
  EXPECT_EQ(e.editor.TextEntry().paramIndex, kTargetValue);
  e.editor.Tick(); // the field commits what was typed
  EXPECT_EQ(e.h.value(kTargetValue), -20.5);
  EXPECT_EQ(static_cast<ICairoDropdown&>(e.controlFor(kTargetValue)).DisplayText(), "-20.5 dBFS");

  // Text that is no number gives 0 (here clamped into the range).
  e.editor.ScriptTypedText("loud");
  e.editor.DoubleClick(tx, ty, kLeft);
  e.editor.Tick();
  EXPECT_EQ(e.h.value(kTargetValue), 0.0);

  // "Measure" opens the menu of its six texts, the current one checked.
  e.h->gestures.clear();
  e.editor.ScriptMenuChoice(4);
  e.press(kMeasureBox);
  ASSERT_EQ(e.editor.MenusShown().size(), 1u);
  const auto& menu = e.editor.MenusShown()[0];
  EXPECT_EQ(menu.items, (std::vector<std::string>{"dBFS", "VU (-18)", "RMS", "LUFS Mom.", "LUFS Int.", "LUFS Shrt."}));
  EXPECT_EQ(menu.checked, 0);
  EXPECT_EQ(e.h.value(kMeasure), 4.0);
  EXPECT_EQ(e.gestures(), "b1 i1 e1 ");
  e.editor.Tick();
  EXPECT_EQ(static_cast<ICairoDropdown&>(e.controlFor(kMeasure)).DisplayText(), "LUFS Int. ");
  EXPECT_EQ(static_cast<ICairoDropdown&>(e.controlFor(kTargetValue)).DisplayText(), "0.0 LUFS")
      << "the target shows the new measure's unit";

  // A dismissed menu changes nothing.
  e.press(kMeasureBox);
  EXPECT_EQ(e.h.value(kMeasure), 4.0);
}

TEST(EditorInput, AHiddenControlIsNeitherDrawnNorWorked)
{
  EditorUnderTest e;
  IControl& gate = e.controlFor(kGate);
  const int goldBefore = Gold(e.at(200, 190));
  ASSERT_GT(goldBefore, 60);
  gate.SetHidden(true);
  e.editor.Tick();
  EXPECT_LT(Gold(e.at(200, 190)), 5) << "the background shows where the box was";
  e.editor.Wheel(e.device(240), e.device(190), kNone, 5);
  e.press(kGateBox);
  EXPECT_EQ(e.h.value(kGate), -60.0);
  EXPECT_EQ(e.gestures(), "");
}

TEST(EditorFeedback, HostChangesAndTheAnalysisEndReachTheControlsOnTheTimer)
{
  EditorUnderTest e;
  e.h.setTransport(true);
  e.h.sine(-20.0, 4);
  e.editor.Tick();
  ASSERT_EQ(e.controlFor(kAnalyze).Value(), 1.0);
  ASSERT_GT(Gold(e.at(55, 25)), 100);

  // The transport stops: the analysis ends and "ANALYZE" is drawn released without a
  // user action, on the next tick (the audio thread only recorded it).
  e.h.setTransport(false);
  e.h.sine(-20.0, 1);
  EXPECT_EQ(e.h.value(kAnalyze), 0.0);
  EXPECT_EQ(e.controlFor(kAnalyze).Value(), 1.0) << "no control is touched on the audio thread";
  e.editor.Tick();
  EXPECT_EQ(e.controlFor(kAnalyze).Value(), 0.0);
  EXPECT_LT(Gold(e.at(55, 25)), 5);

  // Host automation of a parameter the product does not push itself shows as well;
  // while the window is closed nothing is drawn, and the value waits for the next tick.
  e.editor.CloseEditorWindow();
  e.hostSets(kGroup, 3);
  e.editor.Tick();
  EXPECT_EQ(static_cast<ICairoDropdown&>(e.controlFor(kGroup)).DisplayText(), "No Group ");
  e.editor.OpenEditorWindow(nullptr);
  e.editor.Tick();
  EXPECT_EQ(static_cast<ICairoDropdown&>(e.controlFor(kGroup)).DisplayText(), "Group 3 ");
  e.hostSets(kGroup, 0);
}
} // namespace

namespace
{
// A label alone in an editor of its own, drawn once; the ink it left (pixels not black).
int InkOfLabel(int fontResourceId, bool* fontLoaded)
{
  IGraphicsHeadless editor(nullptr, 120, 30, 0);
  auto gui = std::make_unique<ycairo_gui>(nullptr);
  auto* label = new ICairoLabel(nullptr, *gui, {0, 0, 120, 30}, {255, 255, 255, 255}, "QUENMARK", fontResourceId,
                                "", 1.0);
  *fontLoaded = label->FontLoaded();
  editor.AddControl(label);
  editor.SetDrawingLayer(std::move(gui));
  editor.PrepareBackBuffer();
  editor.OpenEditorWindow(nullptr);
  editor.Tick();
  int ink = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x)
      ink += (editor.Screen().PixelAt(x, y) & 0xFFFFFF) != 0x313131; // the surface's fill
  return ink;
}

// cairo keeps the faces it resolved through the system's font configuration in static
// caches for the life of the process; they are emptied at the end so the leak checker
// sees only what the editor itself left behind.
class CairoStaticData : public ::testing::Environment
{
public:
  void TearDown() override
  {
    cairo_debug_reset_static_data();
    FcFini();
  }
};
const auto* const kCairoStaticData = ::testing::AddGlobalTestEnvironment(new CairoStaticData);

TEST(EditorText, AMissingFontResourceFallsBackToTheDefaultFaceAndTextStillDraws)
{
  bool loaded = false;
  const int embedded = InkOfLabel(kFontResourceForLabels, &loaded);
  EXPECT_TRUE(loaded);
  EXPECT_GT(embedded, 100);
  const int fallback = InkOfLabel(999, &loaded);
  EXPECT_FALSE(loaded);
  EXPECT_GT(fallback, 100);
  EXPECT_NE(fallback, embedded) << "another face, other ink";
}
} // namespace
