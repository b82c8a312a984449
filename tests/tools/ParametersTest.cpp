// The plug-in's parameters as a host sees them through the controller of the built
// bundle: the list, the flags, the lists' entries, and the conversions.

#include "BundleFixture.h"

#include "vst3/sdk/interfaces/IEditController.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace bundletest;

namespace
{
constexpr double kConversionTolerance = 1e-9;

std::vector<std::string> entriesOf(vst3host::PluginInstance& plugin, const vst3host::ParameterDescription& parameter)
{
  std::vector<std::string> entries;
  for (int32 step = 0; step <= parameter.stepCount; ++step)
  {
    auto text = plugin.valueText(parameter.id, static_cast<double>(step) / parameter.stepCount);
    entries.push_back(text ? text.value() : "<" + text.message() + ">");
  }
  return entries;
}
} // namespace

TEST(Parameters, TheHostSeesPresetBypassThenTheEightInIdOrder)
{
  auto plugin = newInstance();
  ASSERT_TRUE(plugin);
  const std::vector<vst3host::ParameterDescription> parameters = plugin->parameters();
  ASSERT_EQ(plugin->parameterCount(), 10);
  ASSERT_EQ(parameters.size(), 10u);

  EXPECT_EQ(parameters[0].title, "Preset");
  EXPECT_EQ(parameters[0].id, 0x70727374u);
  EXPECT_TRUE(parameters[0].hasFlag(ParameterInfo::kIsProgramChange));
  EXPECT_FALSE(parameters[0].hasFlag(ParameterInfo::kCanAutomate));
  EXPECT_EQ(parameters[1].title, "Bypass");
  EXPECT_EQ(parameters[1].id, 0x62706173u);
  EXPECT_EQ(parameters[1].flags, ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass);
  EXPECT_EQ(parameters[1].stepCount, 1);

  const char* titles[] = {"Gain", "Measure", "Target Value", "Mode", "Analyze", "Normalize", "Group", "Gate"};
  const int32 steps[] = {0, 5, 0, 1, 1, 1, 8, 0};
  for (uint32 id = 0; id < 8; ++id)
  {
    const vst3host::ParameterDescription& parameter = parameters[2 + id];
    SCOPED_TRACE(titles[id]);
    EXPECT_EQ(parameter.id, id);
    EXPECT_EQ(parameter.title, titles[id]);
    EXPECT_EQ(parameter.stepCount, steps[id]);
    EXPECT_TRUE(parameter.hasFlag(ParameterInfo::kCanAutomate));
    EXPECT_EQ(parameter.hasFlag(ParameterInfo::kIsList), steps[id] > 0);
    EXPECT_EQ(parameter.unitId, kRootUnitId);
    EXPECT_GE(parameter.defaultNormalized, 0.);
    EXPECT_LE(parameter.defaultNormalized, 1.);
  }
  EXPECT_EQ(parameters[2].units, "dB");

  // One root unit, no program list counted.
  const auto units = plugin->units();
  ASSERT_EQ(units.size(), 1u);
  EXPECT_EQ(units[0].name, "Root Unit");
  EXPECT_TRUE(plugin->programLists().empty());
}

TEST(Parameters, ListsShowTheirEntriesAndDefaults)
{
  auto plugin = newInstance();
  ASSERT_TRUE(plugin);
  Ids id(*plugin);
  auto entries = [&](ParamID wanted) {
    for (const auto& parameter : plugin->parameters())
      if (parameter.id == wanted)
        return entriesOf(*plugin, parameter);
    return std::vector<std::string>{};
  };
  EXPECT_EQ(entries(id.measure),
            (std::vector<std::string>{"dBFS", "VU (-18)", "RMS", "LUFS Mom.", "LUFS Int.", "LUFS Shrt."}));
  EXPECT_EQ(entries(id.mode), (std::vector<std::string>{"Standard", "Continuous"}));
  EXPECT_EQ(entries(id.analyze), (std::vector<std::string>{"off", "on"}));
  EXPECT_EQ(entries(id.normalize), (std::vector<std::string>{"off", "on"}));
  const auto groups = entries(id.group);
  ASSERT_EQ(groups.size(), 9u);
  EXPECT_EQ(groups.front(), "No Group");
  EXPECT_EQ(groups.back(), "Group 8");

  // A fresh instance: Standard mode, analysing, normalizing, target -12, gate -60.
  EXPECT_NEAR(plugin->toPlain(id.target, plugin->normalizedValue(id.target)), -12., kConversionTolerance);
  EXPECT_NEAR(plugin->toPlain(id.gate, plugin->normalizedValue(id.gate)), -60., kConversionTolerance);
  EXPECT_EQ(plugin->normalizedValue(id.analyze), 1.);
  EXPECT_EQ(plugin->normalizedValue(id.normalize), 1.);
  EXPECT_EQ(plugin->normalizedValue(id.mode), 0.);
  EXPECT_EQ(plugin->normalizedValue(id.bypass), 0.);
}

TEST(Parameters, ConversionsRoundTripAndTextsFollowTheValue)
{
  auto plugin = newInstance();
  ASSERT_TRUE(plugin);
  Ids id(*plugin);
  struct Range
  {
    ParamID id;
    double min, max;
  };
  for (const Range& range : {Range{id.gain, -60., 60.}, Range{id.target, -60., 30.}, Range{id.gate, -90., 0.}})
  {
    EXPECT_NEAR(plugin->toPlain(range.id, 0.), range.min, kConversionTolerance);
    EXPECT_NEAR(plugin->toPlain(range.id, 1.), range.max, kConversionTolerance);
    for (double plain : {range.min, (range.min + range.max) / 2., -23.4, range.max})
    {
      if (plain < range.min || plain > range.max)
        continue;
      EXPECT_NEAR(plugin->toPlain(range.id, plugin->toNormalized(range.id, plain)), plain, kConversionTolerance);
    }
  }
  // Each measure index maps to its own entry.
  for (int index = 0; index < 6; ++index)
    EXPECT_NEAR(plugin->toNormalized(id.measure, index), index / 5., kConversionTolerance);

  auto gainText = plugin->valueText(id.gain, plugin->toNormalized(id.gain, 6.));
  ASSERT_TRUE(gainText.ok()) << gainText.message();
  EXPECT_EQ(gainText.value(), "6.0");
  auto fromText = plugin->valueFromText(id.gain, "-12.5");
  ASSERT_TRUE(fromText.ok()) << fromText.message();
  EXPECT_NEAR(plugin->toPlain(id.gain, fromText.value()), -12.5, 1e-6);

  // Texts exist for the product's parameters only.
  EXPECT_FALSE(plugin->valueText(id.bypass, 1.).ok());
  EXPECT_FALSE(plugin->valueText(0x7FFFFFF0u, 0.5).ok());
  EXPECT_EQ(plugin->toNormalized(0x7FFFFFF0u, 0.25), 0.25) << "an unknown ID passes the value through";
  EXPECT_EQ(plugin->normalizedValue(0x7FFFFFF0u), 0.);
}

TEST(Parameters, TheControllerReadsBackWhatTheHostSets)
{
  // The controller keeps the host's value (the processing takes host values through
  // process only); unknown IDs are refused.
  auto plugin = newInstance();
  ASSERT_TRUE(plugin);
  Ids id(*plugin);
  EXPECT_TRUE(plugin->setNormalizedValue(id.target, 0.9).ok());
  EXPECT_EQ(plugin->normalizedValue(id.target), 0.9);
  EXPECT_TRUE(plugin->setNormalizedValue(id.bypass, 1.0).ok());
  EXPECT_EQ(plugin->normalizedValue(id.bypass), 1.0);
  EXPECT_FALSE(plugin->setNormalizedValue(0x7FFFFFF0u, 0.5).ok());
}
