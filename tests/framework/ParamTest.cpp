#include "WDL/IPlug/IPlugParam.h"
#include "WDL/IPlug/IPlugText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace
{
constexpr double kNormalizedTolerance = 1e-12;
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string Format(const IPlugParam& param, double value, bool normalized = false, bool texts = true)
{
  char out[kParamTextBytes];
  param.FormatForHost(value, normalized, out, sizeof out, texts);
  return out;
}
}

TEST(IPlugParam, InitialisersSetRangeStepAndPrecision)
{
  IPlugParam measure;
  measure.InitEnumerated("Measure", 0, 6);
  EXPECT_EQ(measure.Kind(), kKindEnum);
  EXPECT_EQ(measure.Min(), 0.0);
  EXPECT_EQ(measure.Max(), 5.0);
  EXPECT_EQ(measure.Step(), 0.1);
  EXPECT_EQ(measure.DisplayPrecision(), 1);

  IPlugParam empty;
  empty.InitContinuous("Empty", 0.0, 0.0, 0.0, 0.1);
  EXPECT_EQ(empty.Max(), 0.1) << "the range is never narrower than one step";

  const double steps[] = {1.0, 0.25, 0.001, 1e-9};
  const int precisions[] = {0, 2, 3, 6};
  for (int i = 0; i < 4; ++i)
  {
    IPlugParam param;
    param.InitContinuous("p", 0.0, 0.0, 10.0, steps[i]);
    EXPECT_EQ(param.DisplayPrecision(), precisions[i]) << "step " << steps[i];
  }

  IPlugParam outside;
  outside.InitContinuous("Outside", 50.0, -1.0, 1.0, 0.1);
  EXPECT_EQ(outside.Value(), 1.0) << "a default outside the range starts clamped";
}

TEST(IPlugParam, SecondInitialiserKeepsFirstKindAndShapeZeroKeepsShape)
{
  IPlugParam param;
  param.InitBoolean("Analyze", true);
  param.InitContinuous("Analyze", 0.0, 0.0, 1.0, 0.1, "", "", 0.0);
  EXPECT_EQ(param.Kind(), kKindBool);
  EXPECT_EQ(param.Shape(), 1.0);

  param.InitContinuous("Curve", 0.0, 0.0, 1.0, 0.1, "", "", 3.0);
  param.InitContinuous("Curve", 0.0, 0.0, 1.0, 0.1, "", "", 0.0);
  EXPECT_EQ(param.Shape(), 3.0);
}

TEST(IPlugParam, NormalizationFollowsShapeAndRoundTrips)
{
  IPlugParam curved;
  curved.InitContinuous("Curve", 0.0, 0.0, 1.0, 0.01, "", "", 2.0);
  EXPECT_NEAR(curved.ToNormalized(0.25), 0.5, kNormalizedTolerance);
  EXPECT_EQ(curved.ToNormalized(-3.0), 0.0);
  EXPECT_EQ(curved.ToNormalized(7.0), 1.0);

  IPlugParam gain;
  gain.InitContinuous("Gain", 0.0, -60.0, 60.0, 0.1, "dB");
  for (double value = -60.0; value <= 60.0; value += 7.3)
  {
    gain.SetFromNormalized(gain.ToNormalized(value));
    EXPECT_NEAR(gain.Value(), value, 1e-9);
  }
}

TEST(IPlugParam, SetFromNormalizedSnapsByKind)
{
  IPlugParam flag;
  flag.InitBoolean("Normalize", false);
  flag.SetFromNormalized(0.5);
  EXPECT_EQ(flag.Value(), 0.5) << "booleans snap to tenths, not to 0 or 1";
  EXPECT_EQ(Format(flag, flag.Value()), "off");

  IPlugParam measure;
  measure.InitEnumerated("Measure", 0, 6);
  measure.SetFromNormalized(0.6);
  EXPECT_EQ(measure.Value(), 3.0) << "the snap removes the floating error of 0.6 * 5";

  IPlugParam whole;
  whole.InitContinuous("Whole", 0.0, 0.0, 5.0, 1.0);
  whole.SetFromNormalized(0.5); // lands on 2.5
  EXPECT_EQ(whole.Value(), 3.0);
  IPlugParam negative;
  negative.InitContinuous("Negative", 0.0, -5.0, 0.0, 1.0);
  negative.SetFromNormalized(0.5); // lands on -2.5
  EXPECT_EQ(negative.Value(), -3.0) << "halves round away from zero";

  IPlugParam fine;
  fine.InitContinuous("Fine", 0.0, 0.0, 1.0, 0.1);
  fine.SetFromNormalized(0.123);
  EXPECT_NEAR(fine.Value(), 0.123, kNormalizedTolerance) << "other continuous values are not quantised";

  // An enumeration re-initialised with a min that is no multiple of its step: the snap
  // would land below the range.
  IPlugParam offGrid;
  offGrid.InitEnumerated("OffGrid", 0, 3);
  offGrid.InitContinuous("OffGrid", 0.0, -0.06, 1.0, 0.1);
  offGrid.SetFromNormalized(0.0);
  EXPECT_GE(offGrid.Value(), offGrid.Min());
}

TEST(IPlugParam, BadValuesNeverLeaveTheRange)
{
  IPlugParam gate;
  gate.InitContinuous("Gate", -60.0, -90.0, 0.0, 0.1);
  gate.SetFromNormalized(1.5);
  EXPECT_EQ(gate.Value(), 0.0);
  gate.SetFromNormalized(-0.5);
  EXPECT_EQ(gate.Value(), -90.0);
  gate.SetValue(-30.0);
  gate.SetFromNormalized(std::nan(""));
  gate.SetValue(std::nan(""));
  EXPECT_EQ(gate.Value(), -30.0) << "NaN is ignored";
  gate.SetValue(kInf);
  EXPECT_EQ(gate.Value(), 0.0);
  gate.SetValue(-kInf);
  EXPECT_EQ(gate.Value(), -90.0);
  gate.SetValue(12.0);
  EXPECT_EQ(gate.Value(), 0.0);

  IPlugParam broken;
  broken.InitContinuous("Broken", kInf, std::nan(""), kInf, std::nan(""));
  EXPECT_TRUE(std::isfinite(broken.Min()) && std::isfinite(broken.Max()) && std::isfinite(broken.Value()));
  broken.SetFromNormalized(0.7);
  EXPECT_TRUE(std::isfinite(broken.Value()));
  EXPECT_EQ(broken.ToNormalized(), 0.0) << "an empty range normalizes to 0, not NaN";
}

TEST(IPlugParam, FormatForHostUsesTextsPrecisionAndNegation)
{
  IPlugParam group;
  group.InitEnumerated("Group", 0, 3);
  group.AddDisplayText(0, "No Group");
  group.AddDisplayText(1, "");
  group.AddDisplayText(2, "Group 2");
  group.AddDisplayText(2, "Duplicate");
  EXPECT_EQ(Format(group, 0.0), "No Group");
  EXPECT_EQ(Format(group, 1.0), "1.0") << "an empty text is skipped for the number";
  EXPECT_EQ(Format(group, 2.7), "Group 2") << "the first entry for a value wins";
  EXPECT_EQ(Format(group, 1.0, true), "Group 2") << "normalized 1.0 is the maximum, 2";
  EXPECT_EQ(Format(group, 2.0, false, false), "2.0");
  EXPECT_EQ(group.DisplayTextCount(), 4);
  EXPECT_STREQ(group.DisplayTextFor(2.0), "Group 2");
  EXPECT_STREQ(group.DisplayTextFor(9.0), "");

  IPlugParam whole;
  whole.InitContinuous("Whole", 0.0, -10.0, 10.0, 1.0);
  EXPECT_EQ(Format(whole, 2.9), "2");
  EXPECT_EQ(Format(whole, -2.9), "-2") << "precision 0 truncates";
  EXPECT_EQ(Format(whole, 1e300), "2147483647") << "huge values saturate instead of overflowing";

  IPlugParam gain;
  gain.InitContinuous("Gain", 0.0, -60.0, 60.0, 0.1, "dB");
  EXPECT_EQ(Format(gain, -12.04), "-12.0");
  char tiny[4];
  gain.FormatForHost(-12.04, false, tiny, sizeof tiny);
  EXPECT_STREQ(tiny, "-12") << "output is cut to its buffer";
}

TEST(IPlugParam, LabelIsHiddenWhileADisplayTextShows)
{
  IPlugParam flag;
  flag.InitBoolean("Analyze", true, "unit");
  EXPECT_STREQ(flag.LabelForHost(), "");
  IPlugParam measure;
  measure.InitEnumerated("Measure", 3, 6, "unit");
  measure.AddDisplayText(0, "dBFS");
  EXPECT_STREQ(measure.LabelForHost(), "unit") << "value 3 has no display text";
  measure.AddDisplayText(3, "");
  EXPECT_STREQ(measure.LabelForHost(), "unit") << "an empty display text does not hide the label";
  IPlugParam gain;
  gain.InitContinuous("Gain", 0.0, -60.0, 60.0, 0.1, "dB", "Levels");
  EXPECT_STREQ(gain.LabelForHost(), "dB");
  EXPECT_STREQ(gain.GroupForHost(), "Levels");
  EXPECT_STREQ(gain.NameForHost(), "Gain");
}

TEST(IPlugParam, TextsAreCutSafely)
{
  IPlugParam param;
  const std::string longName(40, 'n');
  param.InitContinuous(longName.c_str(), 0.0, 0.0, 1.0, 0.1, nullptr, nullptr);
  EXPECT_EQ(std::string(param.Name()), longName.substr(0, 31));
  EXPECT_STREQ(param.Label(), "");

  // 30 ASCII bytes and a two-byte character: the character does not fit whole.
  const std::string accented = std::string(30, 'a') + "\xC3\xA9";
  param.AddDisplayText(0, accented.c_str());
  EXPECT_EQ(std::string(param.DisplayTextFor(0.0)), std::string(30, 'a'));

  char buffer[8];
  CopyText(buffer, "abcde\xE2\x82\xAC"); // 5 + 3 bytes: one more than fits
  EXPECT_STREQ(buffer, "abcde");
  CopyText(buffer, "ab\xE2\x82\xAC"); // exactly fits
  CopyText(buffer, buffer); // copying onto itself is harmless
  EXPECT_STREQ(buffer, "ab\xE2\x82\xAC");
}
