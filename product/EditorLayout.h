#pragma once

#include "product/Readouts.h"

class ICairoLabel;
class IGraphics;
class IPlugBase;

// The three live labels of the editor (measured level, its unit, applied gain) and how
// the editor's timer fills them from the numbers the audio thread stored.
class EditorReadouts
{
public:
  // [UI thread] Formats the stored numbers when they changed since the last call, and
  // marks a label dirty only when its text changed.
  void Refresh(const Readouts& readouts);

  int LevelIndex() const { return mLevelIndex; }
  int UnitIndex() const { return mUnitIndex; }
  int GainIndex() const { return mGainIndex; }

private:
  friend IGraphics* BuildEditor(IPlugBase& plug, const char* versionText, EditorReadouts& readouts);
  static void Show(ICairoLabel* label, const std::string& text);

  int mLevelIndex = -1;
  int mUnitIndex = -1;
  int mGainIndex = -1;
  ICairoLabel* mLevel = nullptr;
  ICairoLabel* mUnit = nullptr;
  ICairoLabel* mGain = nullptr;
  unsigned mLevelVersion = 0;
  unsigned mGainVersion = 0;
};

// The product's editor: 300 x 280 units at 30 frames per second on the platform's
// window layer, its cairo layer and its 21 controls (background, title, version, credit,
// the left column "ANALYZE" -> "IN" level -> "NORMALIZE" -> "TO" target, the right
// column of captioned drop-downs and the gain readout). The readout labels are bound to
// readouts. The caller attaches the editor.
IGraphics* BuildEditor(IPlugBase& plug, const char* versionText, EditorReadouts& readouts);
