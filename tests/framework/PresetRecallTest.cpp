// Recalling a preset from the values stored with it, the way a binding does it on the
// audio thread: no state is read, nothing is allocated.

#include "TestPlug.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

namespace
{
void InitParams(TestPlug& plug)
{
  for (int i = 0; i < plug.ParamCount(); ++i)
    plug.ParamAt(i)->InitContinuous("p", 0.0, -10.0, 10.0, 0.1);
}
}

TEST(PresetRecall, AppliesTheValuesStoredWithThePresetAndAnnouncesThemAsRecall)
{
  TestPlug plug(3, "1-1", 3);
  InitParams(plug);
  plug.ParamAt(0)->SetValue(2.0);
  plug.ParamAt(2)->SetValue(-4.0);
  plug.CreateDefaultPresets("-", 1);
  plug.ParamAt(0)->SetValue(7.0);
  ASSERT_TRUE(plug.LoadPreset(1)); // a preset never stored takes the current values
  plug.ParamAt(0)->SetValue(9.0);
  plug.ParamAt(2)->SetValue(9.0);
  plug.calls.clear();
  plug.calls.reserve(16);

  // The recorder itself allocates (it probes the mutex from a thread), so the first
  // recall runs without it.
  plug.recordCalls = false;
  bool recalled = false;
  std::size_t allocations = 0;
  {
    AllocationScope scope;
    recalled = plug.RecallPresetValues(1);
    allocations = scope.count();
  }
  ASSERT_TRUE(recalled);
  EXPECT_EQ(allocations, 0u);
  EXPECT_EQ(plug.ParamAt(0)->Value(), 7.0);
  EXPECT_EQ(plug.CurrentPresetIndex(), 1);

  plug.ParamAt(0)->SetValue(9.0);
  plug.calls.clear();
  plug.recordCalls = true;
  ASSERT_TRUE(plug.RecallPresetValues(0));
  EXPECT_EQ(plug.ParamAt(0)->Value(), 2.0);
  EXPECT_EQ(plug.ParamAt(2)->Value(), -4.0);
  EXPECT_EQ(plug.CurrentPresetIndex(), 0);
  ASSERT_EQ(plug.calls.size(), 4u) << "three recalls, then the preset change";
  for (int i = 0; i < 3; ++i)
  {
    EXPECT_EQ(plug.calls[static_cast<size_t>(i)].index, i);
    EXPECT_EQ(plug.calls[static_cast<size_t>(i)].source, kSourceRecall);
    EXPECT_EQ(plug.calls[static_cast<size_t>(i)].value, plug.ParamAt(i)->Value()) << "all values set before any announcement";
  }
  EXPECT_EQ(plug.calls.back().what, TestPlug::Call::kPresetsChanged);
  EXPECT_TRUE(plug.calls.front().mutexHeld);
}

TEST(PresetRecall, RefusesPresetsItCannotRecallAndChangesNothing)
{
  TestPlug plug(2, "1-1", 2);
  InitParams(plug);
  plug.CreateDefaultPresets("-", 1);
  plug.ParamAt(0)->SetValue(5.0);
  plug.calls.clear();
  EXPECT_FALSE(plug.RecallPresetValues(1)) << "never initialised";
  EXPECT_FALSE(plug.RecallPresetValues(2));
  EXPECT_FALSE(plug.RecallPresetValues(-1));
  EXPECT_EQ(plug.ParamAt(0)->Value(), 5.0);
  EXPECT_EQ(plug.CurrentPresetIndex(), 0);
  EXPECT_TRUE(plug.calls.empty());
  EXPECT_FALSE(plug.PresetAt(1)->initialised) << "a refused recall stores nothing either";
}
