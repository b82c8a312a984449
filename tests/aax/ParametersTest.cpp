// Parameters as the AAX host sees and automates them, and the way values travel
// between host, framework and editor.

#include "AaxHarness.h"

#include "WDL/IPlug/IControl.h"
#include "WDL/IPlug/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace aaxtest;
using Event = aaxhost::AutomationDelegate::Event;

namespace
{
TEST(AaxParameters, MasterBypassThenOneToEightInFrameworkOrder)
{
  Plugin p;
  ASSERT_TRUE(p.plug);
  int32_t count = 0;
  ASSERT_EQ(p->GetNumberOfParameters(&count), AAX_SUCCESS);
  ASSERT_EQ(count, 9);
  AAX_CString id;
  AAX_CString name;
  // The master bypass carries the identifier hosts connect their bypass button to: an
  // empty one would read as "no master bypass".
  ASSERT_EQ(p->GetMasterBypassParameter(&id), AAX_SUCCESS);
  EXPECT_EQ(Text(id), kBypassId);
  ASSERT_EQ(p->GetParameterIDFromIndex(0, &id), AAX_SUCCESS);
  EXPECT_EQ(Text(id), kBypassId);
  ASSERT_EQ(p->GetParameterName(kBypassId, &name), AAX_SUCCESS);
  EXPECT_EQ(Text(name), "Master Bypass");
  EXPECT_EQ(p.instance->MasterBypassId(), kBypassId);
  std::vector<std::string> registered = {kBypassId};
  for (int i = 1; i <= 8; ++i)
    registered.push_back(std::to_string(i));
  EXPECT_EQ(p.instance->HostAutomation().Registered(), registered) << "every parameter announced to automation";

  const char* names[] = {"Gain", "Measure", "Target Value", "Mode", "Analyze", "Normalize", "Group", "Gate"};
  const int32_t steps[] = {128, 6, 128, 2, 2, 2, 9, 128};
  for (int i = 0; i < 8; ++i)
  {
    ASSERT_EQ(p->GetParameterIDFromIndex(i + 1, &id), AAX_SUCCESS);
    EXPECT_EQ(Text(id), std::to_string(i + 1));
    ASSERT_EQ(p->GetParameterName(id.Get(), &name), AAX_SUCCESS);
    EXPECT_EQ(Text(name), names[i]);
    int32_t n = 0;
    int32_t type = -1;
    ASSERT_EQ(p->GetParameterNumberOfSteps(id.Get(), &n), AAX_SUCCESS);
    ASSERT_EQ(p->GetParameterType(id.Get(), &type), AAX_SUCCESS);
    EXPECT_EQ(n, steps[i]) << names[i];
    EXPECT_EQ(type, n == 128 ? AAX_eParameterType_Continuous : AAX_eParameterType_Discrete) << names[i];
    // The host's value is the framework's, including shaped parameters.
    double value = -1.0;
    ASSERT_EQ(p->GetParameterNormalizedValue(id.Get(), &value), AAX_SUCCESS);
    EXPECT_NEAR(value, p.plug->ParamAt(i)->ToNormalized(), 1e-12) << names[i];
  }
  // Unknown identifiers: an empty name (what hosts are used to), errors elsewhere.
  EXPECT_EQ(p->GetParameterName("9", &name), AAX_SUCCESS);
  EXPECT_EQ(Text(name), "");
  EXPECT_EQ(p->GetParameterName(nullptr, &name), AAX_SUCCESS);
  EXPECT_EQ(p->GetParameterName("1", nullptr), AAX_ERROR_NULL_ARGUMENT);
  EXPECT_EQ(p->GetParameterIDFromIndex(9, &id), AAX_ERROR_INVALID_PARAMETER_ID);
  int32_t stepCount = 0;
  EXPECT_EQ(p->GetParameterNumberOfSteps("", &stepCount), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(p->GetParameterNumberOfSteps("1", nullptr), AAX_ERROR_NULL_ARGUMENT);
  AAX_CString abbreviated;
  ASSERT_EQ(p->GetParameterNameOfLength("3", &abbreviated, 6), AAX_SUCCESS);
  EXPECT_EQ(Text(abbreviated), "Target");
}

TEST(AaxParameters, TheHostShowsTheFrameworksTextsAndReadsThemBack)
{
  Plugin p;
  AAX_CString text;
  ASSERT_EQ(p->GetParameterStringFromValue("2", 1.0, &text, 32), AAX_SUCCESS);
  EXPECT_EQ(Text(text), "LUFS Shrt.");
  ASSERT_EQ(p->GetParameterStringFromValue("7", 1.0 / 8.0, &text, 32), AAX_SUCCESS);
  EXPECT_EQ(Text(text), "Group 1");
  ASSERT_EQ(p->GetParameterStringFromValue(kBypassId, 1.0, &text, 32), AAX_SUCCESS);
  EXPECT_EQ(Text(text), "on");
  ASSERT_EQ(p->GetParameterStringFromValue(kBypassId, 0.0, &text, 32), AAX_SUCCESS);
  EXPECT_EQ(Text(text), "bypass");
  ASSERT_EQ(p->GetParameterStringFromValue("1", 0.5, &text, 32), AAX_SUCCESS);
  EXPECT_EQ(Text(text), "0.00 dB");
  double value = -1.0;
  ASSERT_EQ(p->GetParameterValueFromString("3", &value, AAX_CString("-23.00")), AAX_SUCCESS);
  EXPECT_NEAR(value, p.plug->ParamAt(kTargetValue)->ToNormalized(-23.0), 1e-12);
  ASSERT_EQ(p->GetParameterValueFromString("4", &value, AAX_CString("Continuous")), AAX_SUCCESS);
  EXPECT_EQ(value, 1.0);
  EXPECT_EQ(p->GetParameterValueFromString("4", &value, AAX_CString("Sideways")),
            AAX_ERROR_INVALID_STRING_CONVERSION);
  ASSERT_EQ(p->GetParameterValueString("2", &text, 4), AAX_SUCCESS);
  EXPECT_EQ(Text(text), "dBFS");
  // The host's own string object is read and written through its v-table.
  aaxhost::HostString hostText("-12.00");
  ASSERT_EQ(p->GetParameterValueFromString("3", &value, reinterpret_cast<const AAX_IString&>(hostText)),
            AAX_SUCCESS);
  EXPECT_NEAR(value, p.plug->ParamAt(kTargetValue)->ToNormalized(-12.0), 1e-12);
  ASSERT_EQ(p->GetParameterStringFromValue("4", 1.0, reinterpret_cast<AAX_IString*>(&hostText), 32), AAX_SUCCESS);
  EXPECT_EQ(hostText.Text(), "Continuous");
}

TEST(AaxParameters, AHostUpdateReachesFrameworkEditorAndProductOnce)
{
  Plugin p;
  const double target = p.plug->ParamAt(kTargetValue)->ToNormalized(-23.0);
  int32_t changesBefore = 0;
  p->GetNumberOfChanges(&changesBefore);
  ASSERT_EQ(p->UpdateParameterNormalizedValue("3", target, AAX_eUpdateSource_Unspecified), AAX_SUCCESS);
  EXPECT_NEAR(p.plug->ParamAt(kTargetValue)->Value(), -23.0, 1e-9);
  double hostValue = 0.0;
  p->GetParameterNormalizedValue("3", &hostValue);
  EXPECT_EQ(hostValue, target);
  int32_t changes = 0;
  p->GetNumberOfChanges(&changes);
  EXPECT_EQ(changes, changesBefore + 1);
  // The same value again (hosts re-send values, also as 32-bit floats) changes nothing.
  p.instance->HostAutomation().TakeEvents();
  ASSERT_EQ(p->UpdateParameterNormalizedValue("3", static_cast<float>(target), 0), AAX_SUCCESS);
  p->GetNumberOfChanges(&changes);
  EXPECT_EQ(changes, changesBefore + 1);
  EXPECT_TRUE(p.instance->HostAutomation().TakeEvents().empty()) << "no current value posted again";
  // The editor shows it after its next timer tick.
  p.plug->GetGUI()->OnTimerTick();
  bool shown = false;
  for (int c = 0; c < p.plug->GetGUI()->ControlCount(); ++c)
    if (IControl* control = p.plug->GetGUI()->ControlAt(c); control->ParamIndex() == kTargetValue)
      shown = shown || std::fabs(control->Value() - target) < 1e-9;
  EXPECT_TRUE(shown);

  // Unknown identifiers and values that are not numbers change nothing.
  EXPECT_EQ(p->UpdateParameterNormalizedValue("9", 0.5, 0), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(p->UpdateParameterNormalizedValue("03x", 0.5, 0), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(p->UpdateParameterNormalizedValue(nullptr, 0.5, 0), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(p->UpdateParameterNormalizedValue("3", std::nan(""), 0), AAX_ERROR_INVALID_ARGUMENT);
  EXPECT_NEAR(p.plug->ParamAt(kTargetValue)->Value(), -23.0, 1e-9);
}

TEST(AaxParameters, TheMasterBypassChangesOnlyTheAudioPath)
{
  Plugin p;
  Buffers block(2, 256, 0.25f);
  p.plug->ParamAt(kGain)->SetValue(0.0);
  ASSERT_EQ(p.instance->Automate(kBypassId, 1.0), AAX_SUCCESS);
  for (int i = 0; i < p.plug->ParamCount(); ++i)
    EXPECT_EQ(p.plug->ParamAt(i)->Value(), p.plug->ParamAt(i)->Default()) << i;
  block.render(*p.instance);
  for (int c = 0; c < 2; ++c)
    EXPECT_EQ(block.out[static_cast<size_t>(c)][100], 0.25f) << "bypassed: the input as it came";
}

// A host without an automation delegate sets values directly: what it set is what it reads
// back and what the render plays, the bypass included, and unbypassing plays the gain again.
TEST(AaxParameters, AHostWithoutAutomationSetsValuesAndTheBypassDirectly)
{
  Plugin p(kStereoComponent, 48000.0, {.automation = false});
  ASSERT_NE(p.plug, nullptr);
  // The analysis off, so the gain is the host's alone.
  ASSERT_EQ(p->SetParameterNormalizedValue(std::to_string(kAnalyze + 1).c_str(), 0.0), AAX_SUCCESS);
  const std::string gainId = std::to_string(kGain + 1);
  const double plus6 = p.plug->ParamAt(kGain)->ToNormalized(6.0);
  ASSERT_EQ(p->SetParameterNormalizedValue(gainId.c_str(), plus6), AAX_SUCCESS);
  EXPECT_NEAR(p.instance->NormalizedValue(gainId).value_or(-1.0), plus6, 1e-9);
  Buffers block(2, 4096, 0.25f);
  block.render(*p.instance);
  const float gained = block.out[0][4000];
  EXPECT_NEAR(gained, 0.25f * std::pow(10.0f, 6.0f / 20.0f), 1e-3f) << "the gain the host set plays";

  ASSERT_EQ(p->SetParameterNormalizedValue(kBypassId, 1.0), AAX_SUCCESS);
  EXPECT_EQ(p.instance->NormalizedValue(kBypassId).value_or(-1.0), 1.0);
  block.render(*p.instance);
  for (int c = 0; c < 2; ++c)
    EXPECT_EQ(block.out[static_cast<size_t>(c)][4000], 0.25f) << "bypassed: the input as it came";

  ASSERT_EQ(p->SetParameterNormalizedValue(kBypassId, 0.0), AAX_SUCCESS);
  EXPECT_EQ(p.instance->NormalizedValue(kBypassId).value_or(-1.0), 0.0);
  block.render(*p.instance);
  block.render(*p.instance);
  EXPECT_NEAR(block.out[0][4000], gained, 1e-6f) << "back in: the gain again";
}

TEST(AaxParameters, EditorGesturesGoOutAsTouchSetReleaseAndComeBackLater)
{
  Plugin p;
  aaxhost::AutomationDelegate& automation = p.instance->HostAutomation();
  automation.TakeEvents();
  const double continuous = 1.0;
  p.plug->BeginInformHostOfParamChange(kMode);
  p.plug->SetParameterFromGUI(kMode, continuous);
  p.plug->EndInformHostOfParamChange(kMode);
  const std::vector<Event> events = automation.TakeEvents();
  // The gesture, and inside it the edit as its own touch, set request and release.
  const Event::Kind expected[] = {Event::Kind::kTouch, Event::Kind::kTouch, Event::Kind::kSet,
                                  Event::Kind::kRelease, Event::Kind::kRelease};
  ASSERT_EQ(events.size(), std::size(expected));
  for (size_t e = 0; e < events.size(); ++e)
  {
    EXPECT_EQ(events[e].kind, expected[e]) << e;
    EXPECT_STREQ(events[e].id, "4");
  }
  EXPECT_EQ(events[2].value, continuous);

  // The host reads the new value back at once; its echo later changes nothing more.
  double hostValue = -1.0;
  p->GetParameterNormalizedValue("4", &hostValue);
  EXPECT_EQ(hostValue, continuous);
  p.plug->SetParameterFromGUI(kMode, continuous);
  int32_t changesBefore = 0;
  p->GetNumberOfChanges(&changesBefore);
  EXPECT_GE(p.instance->DeliverAutomation(), 1);
  int32_t changes = 0;
  p->GetNumberOfChanges(&changes);
  EXPECT_EQ(changes, changesBefore);
  p->GetParameterNormalizedValue("4", &hostValue);
  EXPECT_EQ(hostValue, continuous);
  EXPECT_EQ(p.plug->ParamAt(kMode)->Value(), 1.0);
}

TEST(AaxParameters, ATransportStopReportsAnalyzeOffAfterTheBlockWithoutAGesture)
{
  Plugin p;
  aaxhost::AutomationDelegate& automation = p.instance->HostAutomation();
  Buffers block(2, 512, 0.1f);
  p.instance->HostTransport().playing = true;
  block.render(*p.instance);
  automation.TakeEvents();
  p.instance->HostTransport().playing = false;
  block.render(*p.instance);
  // "Analyze" goes off, and the gain the analysis settled on is reported with it.
  const std::vector<Event> events = automation.TakeEvents();
  ASSERT_EQ(events.size(), 2u);
  for (const Event& e : events)
    EXPECT_EQ(e.kind, Event::Kind::kSet);
  const auto analyze = std::find_if(events.begin(), events.end(), [](const Event& e) { return std::strcmp(e.id, "5") == 0; });
  ASSERT_NE(analyze, events.end());
  EXPECT_EQ(analyze->value, 0.0);
  const auto gain = std::find_if(events.begin(), events.end(), [](const Event& e) { return std::strcmp(e.id, "1") == 0; });
  ASSERT_NE(gain, events.end());
  EXPECT_EQ(gain->value, p.plug->ParamAt(kGain)->ToNormalized());
}
} // namespace
