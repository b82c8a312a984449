// Parameter value mapping, text conversion and the container's ordering and lookup.

#include "vst3/sdk/helpers/ParameterContainer.h"
#include "vst3/sdk/helpers/Utf16.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
constexpr double kTolerance = 1e-12;

std::u16string textOf(const Parameter& parameter, ParamValue normalized)
{
  String128 text;
  parameter.toString(normalized, text);
  return text;
}
} // namespace

TEST(Parameter, ValuesAreClampedAndChangesReported)
{
  Parameter parameter(u"Mix", 3, u"%", 0.25);
  EXPECT_EQ(parameter.getNormalized(), 0.25);
  EXPECT_FALSE(parameter.setNormalized(0.25));
  EXPECT_TRUE(parameter.setNormalized(1.7));
  EXPECT_EQ(parameter.getNormalized(), 1.);
  EXPECT_TRUE(parameter.setNormalized(-3.));
  EXPECT_EQ(parameter.getNormalized(), 0.);
  EXPECT_FALSE(parameter.setNormalized(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_EQ(parameter.getNormalized(), 0.);

  Parameter badDefault(u"X", 4, nullptr, 2.5);
  EXPECT_EQ(badDefault.getInfo().defaultNormalizedValue, 1.);
}

TEST(Parameter, TextUsesPrecisionOrOnOff)
{
  Parameter continuous(u"Mix", 1);
  EXPECT_EQ(textOf(continuous, 0.5), u"0.5000");
  continuous.setPrecision(1);
  EXPECT_EQ(textOf(continuous, 0.25), u"0.2"); // printf rounding of the binary value
  continuous.setPrecision(-4);
  EXPECT_EQ(textOf(continuous, 0.7), u"1");

  Parameter toggle(u"Enable", 2, nullptr, 0., 1);
  EXPECT_EQ(textOf(toggle, 0.5), u"Off");
  EXPECT_EQ(textOf(toggle, 0.51), u"On");
}

TEST(Parameter, ParsingRefusesNonNumbersAndClamps)
{
  Parameter parameter(u"Mix", 1);
  ParamValue value = 0.123;
  EXPECT_FALSE(parameter.fromString(u"loud", value));
  EXPECT_FALSE(parameter.fromString(u"", value));
  EXPECT_FALSE(parameter.fromString(u"nan", value));
  EXPECT_EQ(value, 0.123);
  EXPECT_TRUE(parameter.fromString(u" 0.75 units", value));
  EXPECT_EQ(value, 0.75);
  EXPECT_TRUE(parameter.fromString(u"4", value));
  EXPECT_EQ(value, 1.);
}

TEST(RangeParameter, ContinuousMapsLinearlyAndRoundTrips)
{
  RangeParameter gain(u"Gain", 0, u"dB", -60., 12., 0.);
  EXPECT_NEAR(gain.getInfo().defaultNormalizedValue, 60. / 72., kTolerance);
  EXPECT_NEAR(gain.getNormalized(), 60. / 72., kTolerance);
  EXPECT_EQ(gain.toPlain(0.), -60.);
  EXPECT_EQ(gain.toPlain(1.), 12.);
  for (double plain : {-60., -23.5, 0., 11.99})
    EXPECT_NEAR(gain.toPlain(gain.toNormalized(plain)), plain, 1e-9);
  EXPECT_EQ(gain.toNormalized(100.), 1.);
  EXPECT_EQ(gain.toNormalized(-100.), 0.);

  RangeParameter empty(u"Fixed", 1, nullptr, 5., 5., 5.);
  EXPECT_EQ(empty.toNormalized(5.), 0.);
  EXPECT_EQ(empty.toPlain(0.7), 5.);
}

TEST(RangeParameter, TextOfThePlainValue)
{
  RangeParameter gain(u"Gain", 0, u"dB", -60., 12., 0.);
  gain.setPrecision(2);
  EXPECT_EQ(textOf(gain, 0.), u"-60.00");
  ParamValue value = 0.;
  EXPECT_TRUE(gain.fromString(u"-6", value));
  EXPECT_NEAR(gain.toPlain(value), -6., 1e-9);
  EXPECT_TRUE(gain.fromString(u"40", value)); // beyond the range: clamped to its end
  EXPECT_EQ(value, 1.);

  // A toggle's On/Off decision is taken on the plain value.
  RangeParameter toggle(u"Switch", 1, nullptr, 0., 10., 0., 1);
  EXPECT_EQ(textOf(toggle, 0.03), u"Off"); // plain 0.3
  EXPECT_EQ(textOf(toggle, 0.06), u"On");  // plain 0.6
}

TEST(RangeParameter, DiscreteStepsOwnEqualSlices)
{
  RangeParameter mode(u"Mode", 2, nullptr, 1., 5., 3., 4); // plain 1 .. 5
  EXPECT_EQ(mode.getInfo().defaultNormalizedValue, 0.5);
  // normalized = index / 4; every index i maps back from i / 4 and owns [i/5, (i+1)/5).
  for (int index = 0; index <= 4; ++index)
  {
    EXPECT_EQ(mode.toNormalized(1. + index), index / 4.);
    EXPECT_EQ(mode.toPlain(index / 4.), 1. + index);
    EXPECT_EQ(mode.toPlain(index / 5. + 1e-9), 1. + index);
  }
  EXPECT_EQ(mode.toPlain(1.), 5.);
  EXPECT_EQ(textOf(mode, 0.74), u"4");

  ParamValue value = 0.;
  EXPECT_TRUE(mode.fromString(u"2", value));
  EXPECT_EQ(value, 0.25);
  EXPECT_TRUE(mode.fromString(u"99", value));
  EXPECT_EQ(value, 1.);
  EXPECT_FALSE(mode.fromString(u"two", value));
}

TEST(StringListParameter, StepCountFollowsTheEntries)
{
  StringListParameter list(u"Measure", 5);
  EXPECT_EQ(list.getInfo().stepCount, -1);
  EXPECT_EQ(list.getInfo().flags, ParameterInfo::kCanAutomate | ParameterInfo::kIsList);
  EXPECT_EQ(textOf(list, 0.5), u""); // an empty list has no text, and no crash
  ParamValue value = 0.;
  EXPECT_FALSE(list.fromString(u"dBFS", value));

  list.appendString(u"dBFS");
  EXPECT_EQ(list.getInfo().stepCount, 0);
  EXPECT_EQ(textOf(list, 0.9), u"dBFS");
  list.appendString(u"VU");
  list.appendString(u"RMS");
  EXPECT_EQ(list.getInfo().stepCount, 2);
}

TEST(StringListParameter, IndexMappingAndExactText)
{
  StringListParameter list(u"Measure", 5);
  for (const char16* entry : {u"dBFS", u"VU", u"RMS"})
    list.appendString(entry);
  EXPECT_EQ(textOf(list, 0.), u"dBFS");
  EXPECT_EQ(textOf(list, 0.34), u"VU"); // slices of one third
  EXPECT_EQ(textOf(list, 0.5), u"VU");
  EXPECT_EQ(textOf(list, 1.), u"RMS");
  EXPECT_EQ(list.toPlain(0.66), 1.);
  EXPECT_EQ(list.toPlain(0.67), 2.);
  EXPECT_EQ(list.toNormalized(1.), 0.5);

  ParamValue value = 0.;
  EXPECT_TRUE(list.fromString(u"RMS", value));
  EXPECT_EQ(value, 1.);
  EXPECT_FALSE(list.fromString(u"rms", value));
  EXPECT_FALSE(list.fromString(u"RMS ", value));

  EXPECT_TRUE(list.replaceString(1, u"VU (-18)"));
  EXPECT_EQ(textOf(list, 0.5), u"VU (-18)");
  EXPECT_FALSE(list.replaceString(3, u"x"));
}

TEST(ParameterContainer, KeepsInsertionOrderAndRefusesTakenIds)
{
  ParameterContainer container;
  ASSERT_NE(container.addParameter(u"Preset", nullptr, 1, 0., ParameterInfo::kIsProgramChange, 0x70727374), nullptr);
  ASSERT_NE(container.addParameter(u"Gain", u"dB", 0, 0.5, ParameterInfo::kCanAutomate, 0), nullptr);
  EXPECT_EQ(container.getParameterCount(), 2);
  EXPECT_EQ(container.getParameterByIndex(0)->getID(), 0x70727374u);
  EXPECT_EQ(container.getParameterByIndex(1)->getID(), 0u);
  EXPECT_EQ(container.getParameter(0)->getNormalized(), 0.5);

  EXPECT_EQ(container.addParameter(u"Again", nullptr, 0, 0., 0, 0), nullptr);
  EXPECT_EQ(container.addParameter(std::make_unique<Parameter>(u"Invalid", 0x80000000u)), nullptr);
  EXPECT_EQ(container.addParameter(std::unique_ptr<Parameter>()), nullptr);
  EXPECT_EQ(container.getParameterCount(), 2);

  // kNoParamId numbers the parameter with the current count, if that ID is free.
  Parameter* automatic = container.addParameter(u"Auto");
  ASSERT_NE(automatic, nullptr);
  EXPECT_EQ(automatic->getID(), 2u);

  EXPECT_EQ(container.getParameter(99), nullptr);
  EXPECT_EQ(container.getParameterByIndex(3), nullptr);
  EXPECT_EQ(container.getParameterByIndex(-1), nullptr);
}

TEST(ParameterContainer, RemovingMovesLaterParametersDown)
{
  ParameterContainer container;
  for (ParamID id : {10u, 20u, 30u})
    container.addParameter(std::make_unique<Parameter>(u"P", id));
  EXPECT_TRUE(container.removeParameter(20));
  EXPECT_FALSE(container.removeParameter(20));
  ASSERT_EQ(container.getParameterCount(), 2);
  EXPECT_EQ(container.getParameterByIndex(1)->getID(), 30u);
  EXPECT_EQ(container.getParameter(30), container.getParameterByIndex(1));
  ASSERT_NE(container.addParameter(std::make_unique<Parameter>(u"P", 20)), nullptr);
  EXPECT_EQ(container.getParameter(20), container.getParameterByIndex(2));
  container.removeAll();
  EXPECT_EQ(container.getParameterCount(), 0);
  EXPECT_EQ(container.getParameter(10), nullptr);
}
