#include "product/EditorLayout.h"

#include "product/TavrikQuenmark.h"

#include "ycairo/ICairoControls.h"
#include "ycairo/ycairo_resources.h"

#include "WDL/IPlug/IGraphicsPlatform.h"

#include <memory>

namespace
{
constexpr int kEditorWidth = 300;
constexpr int kEditorHeight = 280;
constexpr int kEditorFps = 0; // the editor's default, 30

constexpr EditorColor kGold{178, 255, 205, 67};
constexpr EditorColor kLightGrey{255, 185, 185, 185};
constexpr EditorColor kDarkGrey{255, 46, 46, 46};
constexpr EditorColor kBackgroundTop{255, 64, 64, 64};
constexpr EditorColor kBackgroundBottom{255, 49, 49, 49};

constexpr const char* kFontPath = "resources/TitilliumWeb-Regular.ttf";
constexpr const char* kCreditLine = "by Tavrik";

struct Builder
{
  IPlugBase& plug;
  IGraphics& editor;
  ycairo_gui& gui;

  ICairoLabel* Label(const EditorRect& rect, const EditorColor& color, const char* text, int* index = nullptr)
  {
    auto* label = new ICairoLabel(&plug, gui, rect, color, text, kFontResourceForLabels, kFontPath, 1.0);
    const int at = editor.AddControl(label);
    if (index != nullptr)
      *index = at;
    return label;
  }
  void Button(const EditorRect& rect, int paramIndex, const char* caption)
  {
    auto* button = new ICairoButton(&plug, gui, rect, paramIndex);
    button->SetCaption(caption);
    editor.AddControl(button);
  }
  void Dropdown(const EditorRect& rect, int paramIndex)
  {
    editor.AddControl(new ICairoDropdown(&plug, gui, rect, paramIndex, kGold, 2.0, 5.0, true));
  }
};
}

IGraphics* BuildEditor(IPlugBase& plug, const char* versionText, EditorReadouts& readouts)
{
  IGraphics* editor = MakePlatformGraphics(&plug, kEditorWidth, kEditorHeight, kEditorFps);
  auto gui = std::make_unique<ycairo_gui>(&plug);
  Builder b{plug, *editor, *gui};

  auto* background = new ICairoGradientBkg(&plug, *gui, {0, 0, 300, 280});
  background->SetColors(kBackgroundBottom, kBackgroundTop);
  editor->AddControl(background);

  // Footer: title, version, credit.
  b.Label({5, 245, 213, 269}, kDarkGrey, "QUENMARK");
  b.Label({218, 248, 248, 258}, kDarkGrey, versionText);
  b.Label({218, 258, 278, 268}, kDarkGrey, kCreditLine);

  // Left column: what is measured, then where it goes.
  b.Label({40, 83, 64, 103}, kLightGrey, "IN");
  readouts.mLevel = b.Label({60, 83, 110, 103}, kGold, "-INF", &readouts.mLevelIndex);
  readouts.mUnit = b.Label({110, 83, 170, 103}, kGold, "", &readouts.mUnitIndex);
  b.Button({46, 17, 150, 49}, kAnalyze, "ANALYZE");
  b.Button({46, 137, 150, 169}, kNormalize, "NORMALIZE");
  b.Label({40, 206, 64, 221}, kLightGrey, "TO");
  b.Dropdown({62, 198, 149, 229}, kTargetValue);

  // Right column: the settings, each under its caption, and the applied gain.
  b.Label({200, 12, 286, 27}, kLightGrey, "Measure");
  b.Dropdown({200, 29, 286, 54}, kMeasure);
  b.Label({200, 60, 286, 75}, kLightGrey, "Group");
  b.Dropdown({200, 79, 286, 104}, kGroup);
  b.Label({200, 110, 286, 125}, kLightGrey, "Mode");
  b.Dropdown({200, 128, 286, 153}, kMode);
  b.Label({200, 158, 286, 173}, kLightGrey, "Gate");
  b.Dropdown({200, 178, 286, 203}, kGate);
  b.Label({200, 214, 238, 229}, kLightGrey, "Gain");
  readouts.mGain = b.Label({230, 214, 287, 229}, kGold, "-INF", &readouts.mGainIndex);

  editor->SetDrawingLayer(std::move(gui));
  return editor;
}

void EditorReadouts::Show(ICairoLabel* label, const std::string& text)
{
  if (label == nullptr || label->Text() == text)
    return;
  label->SetText(text);
  label->MarkDirty(false);
}

void EditorReadouts::Refresh(const Readouts& readouts)
{
  const unsigned levelVersion = readouts.levelVersion();
  if (levelVersion != mLevelVersion)
  {
    mLevelVersion = levelVersion;
    const double level = readouts.level();
    Show(mLevel, Readouts::LevelText(level));
    Show(mUnit, Readouts::UnitText(readouts.measure(), level));
  }
  const unsigned gainVersion = readouts.gainVersion();
  if (gainVersion != mGainVersion)
  {
    mGainVersion = gainVersion;
    Show(mGain, Readouts::GainText(readouts.gainDb()));
  }
}
