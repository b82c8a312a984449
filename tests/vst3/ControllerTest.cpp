// The controller side as a host scans and uses it: the exported parameters and their
// conversions, units, the program list, MIDI mapping, edits reported to the host and the
// host's context menu.

#include "Vst3Host.h"

#include <limits>

using namespace vst3test;

namespace
{
ParameterInfo infoAt(IEditController& controller, int32 index)
{
  ParameterInfo info{};
  EXPECT_EQ(controller.getParameterInfo(index, info), kResultTrue) << index;
  return info;
}

std::string textFor(IEditController& controller, ParamID id, double normalized)
{
  String128 text{};
  if (controller.getParamStringByValue(id, normalized, text) != kResultOk)
    return "<refused>";
  return narrow(text);
}

TEST(Vst3Parameters, PresetBypassThenTheEightInIndexOrder)
{
  Instance i;
  ASSERT_EQ(i->getParameterCount(), 10);
  const ParameterInfo preset = infoAt(*i.plug, 0);
  EXPECT_EQ(preset.id, IPlugVST3::kPresetParamId);
  EXPECT_EQ(narrow(preset.title), "Preset");
  EXPECT_EQ(preset.flags, ParameterInfo::kIsProgramChange | ParameterInfo::kIsList);
  EXPECT_EQ(preset.stepCount, 0) << "a list of the one preset's name";
  const ParameterInfo bypass = infoAt(*i.plug, 1);
  EXPECT_EQ(bypass.id, IPlugVST3::kBypassParamId);
  EXPECT_EQ(narrow(bypass.title), "Bypass");
  EXPECT_EQ(bypass.flags, 0x10009);
  EXPECT_EQ(bypass.stepCount, 1);

  struct Expected
  {
    const char* title;
    const char* units;
    int32 stepCount;
    int32 flags;
  };
  const Expected expected[kParamCount] = {
      {"Gain", "dB", 0, ParameterInfo::kCanAutomate},
      {"Measure", "", 5, ParameterInfo::kCanAutomate | ParameterInfo::kIsList},
      // Its unit follows the measure, so the unit exported before any measure was set
      // (the first initialize) is empty rather than one that turns wrong.
      {"Target Value", "", 0, ParameterInfo::kCanAutomate},
      {"Mode", "", 1, ParameterInfo::kCanAutomate | ParameterInfo::kIsList},
      {"Analyze", "", 1, ParameterInfo::kCanAutomate | ParameterInfo::kIsList},
      {"Normalize", "", 1, ParameterInfo::kCanAutomate | ParameterInfo::kIsList},
      {"Group", "", 8, ParameterInfo::kCanAutomate | ParameterInfo::kIsList},
      {"Gate", "", 0, ParameterInfo::kCanAutomate}};
  for (int p = 0; p < kParamCount; ++p)
  {
    const ParameterInfo info = infoAt(*i.plug, p + 2);
    EXPECT_EQ(info.id, ParamID(p));
    EXPECT_EQ(narrow(info.title), expected[p].title);
    EXPECT_EQ(narrow(info.units), expected[p].units) << expected[p].title;
    EXPECT_EQ(info.stepCount, expected[p].stepCount) << expected[p].title;
    EXPECT_EQ(info.flags, expected[p].flags) << expected[p].title;
    EXPECT_EQ(info.unitId, kRootUnitId);
    const IPlugParam& param = *i->ParamAt(p);
    EXPECT_DOUBLE_EQ(info.defaultNormalizedValue, param.ToNormalized(param.Default())) << expected[p].title;
  }
  ParameterInfo none{};
  EXPECT_EQ(i->getParameterInfo(10, none), kResultFalse);
  EXPECT_EQ(i->getParameterInfo(-1, none), kResultFalse);
}

TEST(Vst3Parameters, TextsAndConversionsUseTheFrameworkParameters)
{
  Instance i;
  EXPECT_EQ(textFor(*i.plug, kMeasure, 0.2), "VU (-18)");
  EXPECT_EQ(textFor(*i.plug, kMode, 1.0), "Continuous");
  EXPECT_EQ(textFor(*i.plug, kAnalyze, 0.0), "off");
  EXPECT_EQ(textFor(*i.plug, kGain, 0.55), "6.0");
  EXPECT_EQ(textFor(*i.plug, IPlugVST3::kBypassParamId, 1.0), "<refused>");
  EXPECT_EQ(textFor(*i.plug, IPlugVST3::kPresetParamId, 0.0), "<refused>");
  EXPECT_EQ(textFor(*i.plug, 4711, 0.5), "<refused>");
  EXPECT_EQ(i->getParamStringByValue(kGain, 0.5, nullptr), kInvalidArgument);

  EXPECT_DOUBLE_EQ(i->normalizedParamToPlain(kTargetValue, 0.5), -15.0);
  EXPECT_DOUBLE_EQ(i->plainParamToNormalized(kTargetValue, -15.0), 0.5);
  EXPECT_DOUBLE_EQ(i->plainParamToNormalized(kTargetValue, 1000.0), 1.0) << "clamped";
  EXPECT_DOUBLE_EQ(i->normalizedParamToPlain(kGroup, 1.0), 8.0);
  EXPECT_DOUBLE_EQ(i->normalizedParamToPlain(4711, 0.25), 0.25) << "unknown IDs pass through";
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double current = i->getParamNormalized(kTargetValue);
  EXPECT_DOUBLE_EQ(i->plainParamToNormalized(kTargetValue, nan), current) << "NaN converts the current value";
  EXPECT_DOUBLE_EQ(i->normalizedParamToPlain(kTargetValue, nan), i->ParamAt(kTargetValue)->Value());
  EXPECT_EQ(i->plainParamToNormalized(4711, nan), 0.0);
}

TEST(Vst3Parameters, TheControllerReadsBackWhatTheHostSetsAndTheProcessingTakesIt)
{
  Instance i;
  Block<double> block(2, 64, 0.25);
  ASSERT_EQ(block.change(kAnalyze, 0.0).change(kNormalize, 0.0).run(*i.plug), kResultOk);
  const double gain = i->ParamAt(kGain)->Value();

  // Every exported parameter reads back exactly what the host set at the controller.
  const ParamID ids[] = {kGain, kMeasure, kTargetValue, kMode, kAnalyze, kNormalize, kGroup, kGate,
                         IPlugVST3::kBypassParamId, IPlugVST3::kPresetParamId};
  for (const ParamID id : ids)
    for (const double value : {0.0, 0.37, 1.0})
    {
      ASSERT_EQ(i->setParamNormalized(id, value), kResultOk) << id;
      EXPECT_EQ(i->getParamNormalized(id), value) << id;
    }
  EXPECT_EQ(i->setParamNormalized(4711, 0.5), kInvalidArgument);
  EXPECT_EQ(i->setParamNormalized(kGain, std::numeric_limits<double>::quiet_NaN()), kInvalidArgument);
  EXPECT_EQ(i->getParamNormalized(kGain), 1.0);

  // What the host set at the controller is what the plug-in plays and saves, processed or
  // not: the last values set are bypass on and "Gain" +60 dB.
  EXPECT_TRUE(i->IsBypassed());
  EXPECT_EQ(i->ParamAt(kGain)->Value(), 60.0);
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  EXPECT_EQ(block.outAt(0, 10), 0.25) << "bypassed";
  (void)gain;
  ASSERT_EQ(i->setParamNormalized(IPlugVST3::kBypassParamId, 0.0), kResultOk);
  ASSERT_EQ(i->setParamNormalized(kMode, 0.0), kResultOk);
  EXPECT_FALSE(i->IsBypassed());

  // The value the host then sends through process is the one read back; a change the
  // plug-in makes itself (a transport stop ends the analysis) replaces it.
  ProcessContext playing{};
  playing.state = ProcessContext::kPlaying;
  block.data.processContext = &playing;
  ASSERT_EQ(block.change(kTargetValue, 0.3).change(kAnalyze, 1.0).run(*i.plug), kResultOk);
  EXPECT_EQ(i->getParamNormalized(kTargetValue), 0.3);
  EXPECT_EQ(i->getParamNormalized(kAnalyze), 1.0);
  playing.state = 0;
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  EXPECT_EQ(i->getParamNormalized(kAnalyze), 0.0);
  ASSERT_EQ(block.change(IPlugVST3::kBypassParamId, 0.7).run(*i.plug), kResultOk);
  EXPECT_EQ(i->getParamNormalized(IPlugVST3::kBypassParamId), 0.7);
  EXPECT_TRUE(i->IsBypassed());
}

TEST(Vst3Units, OneRootUnitAndTheFactoryPresetsList)
{
  Instance i;
  auto units = queryFrom<IUnitInfo>(static_cast<IComponent*>(i.plug));
  ASSERT_TRUE(units);
  ASSERT_EQ(units->getUnitCount(), 1);
  UnitInfo unit{};
  ASSERT_EQ(units->getUnitInfo(0, unit), kResultOk);
  EXPECT_EQ(unit.id, kRootUnitId);
  EXPECT_EQ(unit.parentUnitId, kNoParentUnitId);
  EXPECT_EQ(unit.programListId, kNoProgramListId);
  EXPECT_EQ(narrow(unit.name), "Root Unit");
  EXPECT_EQ(units->getUnitInfo(1, unit), kResultFalse);
  EXPECT_EQ(units->getUnitInfo(-1, unit), kResultFalse);

  EXPECT_EQ(units->getProgramListCount(), 0);
  ProgramListInfo list{};
  ASSERT_EQ(units->getProgramListInfo(0, list), kResultOk);
  EXPECT_EQ(list.id, int32(IPlugVST3::kPresetListId));
  EXPECT_EQ(narrow(list.name), "Factory Presets");
  EXPECT_EQ(list.programCount, 1);
  EXPECT_EQ(units->getProgramListInfo(1, list), kResultFalse);
  String128 name{};
  ASSERT_EQ(units->getProgramName(IPlugVST3::kPresetListId, 0, name), kResultOk);
  EXPECT_EQ(narrow(name), "-");
  EXPECT_EQ(units->getProgramName(IPlugVST3::kPresetListId, 1, name), kResultFalse);
  EXPECT_EQ(units->getProgramName(7, 0, name), kResultFalse);
  EXPECT_EQ(units->getSelectedUnit(), kRootUnitId);
  EXPECT_EQ(units->selectUnit(0), kNotImplemented);

  auto midi = queryFrom<IMidiMapping>(static_cast<IComponent*>(i.plug));
  ASSERT_TRUE(midi);
  ParamID id = 99;
  EXPECT_EQ(midi->getMidiControllerAssignment(0, 0, 7, id), kResultFalse) << "the product takes no MIDI";
}

TEST(Vst3Interfaces, OneObjectAnswersEveryInterfaceWithOneIdentity)
{
  Instance i;
  FUnknown* identity = nullptr;
  ASSERT_EQ(static_cast<IAudioProcessor*>(i.plug)->queryInterface(FUnknown::iid, reinterpret_cast<void**>(&identity)),
            kResultOk);
  const uint32 references = i->refCount();
  for (const int8* iid : {IComponent::iid, IAudioProcessor::iid, IEditController::iid, IEditController2::iid,
                          IUnitInfo::iid, IMidiMapping::iid, IPluginBase::iid, IProcessContextRequirements::iid})
  {
    void* asked = nullptr;
    ASSERT_EQ(static_cast<IUnitInfo*>(i.plug)->queryInterface(iid, &asked), kResultOk) << interfaceName(iid);
    FUnknown* back = nullptr;
    static_cast<FUnknown*>(asked)->queryInterface(FUnknown::iid, reinterpret_cast<void**>(&back));
    EXPECT_EQ(back, identity) << interfaceName(iid);
    back->release();
    static_cast<FUnknown*>(asked)->release();
  }
  EXPECT_EQ(i->refCount(), references);
  void* none = nullptr;
  EXPECT_EQ(static_cast<IMidiMapping*>(i.plug)->queryInterface(IConnectionPoint::iid, &none), kNoInterface);
  EXPECT_EQ(none, nullptr);
  identity->release();
}

TEST(Vst3Edits, EditsReachTheHandlerFromTheEditorOnly)
{
  Instance i;
  i->BeginInformHostOfParamChange(kTargetValue); // no handler yet: nothing happens
  auto handler = IPtr<RecordingHandler>::adopt(new RecordingHandler);
  ASSERT_EQ(i->setComponentHandler(handler.get()), kResultTrue);
  i->BeginInformHostOfParamChange(kTargetValue);
  i->SetParameterFromGUI(kTargetValue, 0.5);
  i->EndInformHostOfParamChange(kTargetValue);
  EXPECT_EQ(handler->calls, (std::vector<std::string>{"begin 2", "perform 2 0.500000", "end 2"}));
  EXPECT_EQ(i->ParamAt(kTargetValue)->Value(), -15.0);

  i->ChangeLatency(32);
  EXPECT_EQ(i->getLatencySamples(), 32u);
  EXPECT_EQ(handler->calls.back(), "restart 8");
  i->ChangeLatency(0);

  // A group member's editor change arrives at this instance inside its next block; the
  // host hears nothing of it from the audio thread.
  Instance other;
  for (Instance* member : {&i, &other})
    ASSERT_EQ(flush(*member->plug, kGroup, 3.0 / 8.0), kResultOk); // "Group 3"
  handler->calls.clear();
  other->SetParameterFromGUI(kTargetValue, 0.2);
  Block<double> block(2, 64);
  ASSERT_EQ(block.run(*i.plug), kResultOk);
  EXPECT_DOUBLE_EQ(i->ParamAt(kTargetValue)->Value(), other->ParamAt(kTargetValue)->Value());
  EXPECT_TRUE(handler->calls.empty());
  for (Instance* member : {&i, &other})
    flush(*member->plug, kGroup, 0.0);
}

TEST(Vst3Edits, TheHostsContextMenuOpensOnlyWithAViewAndAHandlerThatOffersIt)
{
  Instance i;
  auto plain = IPtr<RecordingHandler>::adopt(new RecordingHandler(false));
  auto offering = IPtr<RecordingHandler>::adopt(new RecordingHandler(true));
  i->ShowHostParameterMenu(kGain, 10, 20); // no handler, no view
  auto view = IPtr<IPlugView>::adopt(i->createView("editor"));
  ASSERT_TRUE(view);

  i->setComponentHandler(plain.get());
  i->ShowHostParameterMenu(kGain, 10, 20);
  EXPECT_FALSE(plain->menu);

  i->setComponentHandler(offering.get());
  i->ShowHostParameterMenu(kTargetValue, 10, 20);
  ASSERT_TRUE(offering->menu);
  EXPECT_EQ(offering->menuView, view.get());
  EXPECT_EQ(offering->menuParam, kTargetValue);
  EXPECT_EQ(offering->menu->popups, (std::vector<std::pair<int32, int32>>{{10, 20}}));
  EXPECT_EQ(offering->menu->refCount(), 1u) << "the plug-in released its menu";

  view = {};
  offering->menu = {};
  i->ShowHostParameterMenu(kTargetValue, 1, 1);
  EXPECT_FALSE(offering->menu) << "no open view, no menu";
  i->setComponentHandler(nullptr);
}
} // namespace
