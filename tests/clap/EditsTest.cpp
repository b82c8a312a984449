// Edits made in the editor reach the host as gestures: the binding and product linked
// into the test, driven through our host, the editor worked through its headless window.

#include "clap/IPlugCLAP.h"
#include "tools/claphost/ClapHost.h"

#include "WDL/IPlug/IControl.h"
#include "WDL/IPlug/IGraphicsHeadless.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

extern "C" const claphost::abi::Entry clap_entry;

namespace
{
constexpr int kModeParam = 3;

// The centre of the first control bound to the parameter.
bool CentreOf(IGraphics& editor, int param, int* x, int* y)
{
  for (int i = 0; i < editor.ControlCount(); ++i)
    if (const IControl* control = editor.ControlAt(i); control != nullptr && control->ParamIndex() == param)
    {
      *x = (control->Rect().L + control->Rect().R) / 2;
      *y = (control->Rect().T + control->Rect().B) / 2;
      return true;
    }
  return false;
}

void ChooseFromMenu(claphost::Instance& instance, int param, int item)
{
  auto* plug = static_cast<IPlugCLAP*>(instance.plugin().data);
  auto* editor = dynamic_cast<IGraphicsHeadless*>(plug->GetGUI());
  ASSERT_NE(editor, nullptr);
  int x = 0, y = 0;
  ASSERT_TRUE(CentreOf(*editor, param, &x, &y));
  editor->ScriptMenuChoice(item);
  MouseMods mods;
  mods.L = true;
  editor->HandleMouseDown(x, y, mods);
  editor->HandleMouseUp(x, y, mods);
}

TEST(ClapEdits, AMenuChoiceReachesTheHostAsOneWholeGestureInProcessAndInFlush)
{
  claphost::Module module(&clap_entry, "in-process");
  {
    claphost::Instance instance(module);
    const int flushesBefore = instance.flushRequests;
    ChooseFromMenu(instance, kModeParam, 1);
    EXPECT_GT(instance.flushRequests, flushesBefore) << "the host is asked for a flush";
    instance.flush(); // inactive: on the main thread
    const std::vector<claphost::OutputEvent>& events = instance.outputEvents();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, claphost::abi::kGestureBegin);
    EXPECT_EQ(events[1].type, claphost::abi::kParamValue);
    EXPECT_EQ(events[1].value, 1.0);
    EXPECT_EQ(events[2].type, claphost::abi::kGestureEnd);
    for (const auto& event : events)
      EXPECT_EQ(event.id, static_cast<uint32_t>(kModeParam));
    EXPECT_EQ(instance.value(kModeParam), 1.0);

    // Active and processing: the next block carries the edit.
    instance.outputEvents().clear();
    ASSERT_TRUE(instance.activate(48000.0, 256));
    ChooseFromMenu(instance, kModeParam, 0);
    std::vector<double> left(256, 0.0), right(256, 0.0), outLeft(256), outRight(256);
    const double* in[2] = {left.data(), right.data()};
    double* out[2] = {outLeft.data(), outRight.data()};
    ASSERT_TRUE(instance.process(in, out, 256));
    int begins = 0, ends = 0;
    for (const auto& event : instance.outputEvents())
      if (event.id == static_cast<uint32_t>(kModeParam))
      {
        begins += event.type == claphost::abi::kGestureBegin;
        ends += event.type == claphost::abi::kGestureEnd;
      }
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
  }
  EXPECT_TRUE(module.problems().empty()) << testing::PrintToString(module.problems());
}
} // namespace
