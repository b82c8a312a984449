// The editor drawing on its thread while the audio thread processes blocks of 32 frames,
// automates parameters, switches the mode and ends analyses: under the thread sanitizer
// any data race between the readouts, the recorded control changes and the draw pass
// fails the test.

#include "Harness.h"

#include "WDL/IPlug/IControl.h"
#include "WDL/IPlug/IGraphicsHeadless.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(EditorThreads, TheAudioThreadRecordsWhileTheEditorDraws)
{
  Harness h(32);
  auto& editor = *dynamic_cast<IGraphicsHeadless*>(h->GetGUI());
  editor.OpenEditorWindow(nullptr);
  std::atomic<bool> done{false};

  std::thread audio([&] {
    for (int block = 0; block < 6000; ++block)
    {
      h.setTransport(block % 700 < 600); // stops end the analysis
      if (block % 500 == 0)
        h.hostSets(kMode, (block / 500) % 2); // grays and restores the buttons
      if (block % 50 == 0)
        h.hostSets(kGate, -60.0 + block % 30);
      h.sine(-30.0 + (block % 400) / 20.0, 1, 32);
    }
    done = true;
  });

  const MouseMods left{true, false, false, false, false};
  for (int i = 0; !done.load(); ++i)
  {
    editor.Tick();
    if (i % 7 == 0)
    {
      editor.PointerDown(100, 220, left);
      editor.PointerMove(100, 215 - i % 5, left);
      editor.PointerUp(100, 215 - i % 5, left);
    }
    if (i % 11 == 0)
    {
      editor.ScriptMenuChoice(i % 6);
      editor.PointerDown(240, 40, left);
      editor.PointerUp(240, 40, left);
    }
    std::this_thread::yield();
  }
  audio.join();
  editor.Tick();
  editor.Tick();
  EXPECT_FALSE(editor.PresentedAreas().empty());
  EXPECT_EQ(editor.ControlAt(h->ReadoutLabels().LevelIndex())->NeedsRedraw(), false);
}
