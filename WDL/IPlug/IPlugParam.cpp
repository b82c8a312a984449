#include "WDL/IPlug/IPlugParam.h"

#include "WDL/IPlug/IPlugText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
constexpr int kMaxDisplayPrecision = 6;
}

void IPlugParam::InitContinuous(const char* name, double defaultValue, double minValue, double maxValue,
                                double step, const char* label, const char* group, double shape)
{
  if (mKind == kKindNone)
    mKind = kKindDouble;
  CopyText(mName, name);
  CopyText(mLabel, label);
  CopyText(mGroup, group);

  // Non-finite arguments fall back to values that keep the parameter usable, so no NaN
  // or infinity can reach the stored value through the range.
  mMin = std::isfinite(minValue) ? minValue : 0.0;
  mStep = std::isfinite(step) ? std::fabs(step) : 0.0;
  mMax = std::isfinite(maxValue) ? maxValue : mMin;
  mMax = std::max(mMin + mStep, mMax); // never narrower than one step
  if (!std::isfinite(mMax))
    mMax = mMin;

  // The default is clamped into the final range so the value starts inside it.
  mDefault = std::isfinite(defaultValue) ? std::clamp(defaultValue, mMin, mMax) : mMin;
  mValue = mDefault;

  mDisplayPrecision = 0;
  for (double d = mStep; d != std::floor(d) && mDisplayPrecision < kMaxDisplayPrecision; d *= 10.0)
    ++mDisplayPrecision;

  if (std::isfinite(shape) && shape > 0.0)
    mShape = shape;
}

void IPlugParam::InitBoolean(const char* name, bool defaultValue, const char* label, const char* group)
{
  if (mKind == kKindNone)
    mKind = kKindBool;
  // Step 0.1, not 1: set from a normalized value, a boolean snaps to tenths and its users
  // compare it with 0.5.
  InitContinuous(name, defaultValue ? 1.0 : 0.0, 0.0, 1.0, 0.1, label, group, 1.0);
  AddDisplayText(0, "off");
  AddDisplayText(1, "on");
}

void IPlugParam::InitEnumerated(const char* name, int defaultValue, int count, const char* label,
                                const char* group)
{
  if (mKind == kKindNone)
    mKind = kKindEnum;
  InitContinuous(name, defaultValue, 0.0, static_cast<double>(count) - 1.0, 0.1, label, group, 1.0);
}

void IPlugParam::AddDisplayText(int value, const char* text)
{
  DisplayText entry;
  entry.value = value;
  CopyText(entry.text, text);
  mDisplayTexts.push_back(entry);
}

void IPlugParam::SetValue(double value)
{
  if (std::isnan(value))
    return;
  mValue = std::clamp(value, mMin, mMax);
}

double IPlugParam::FromNormalized(double normalized) const
{
  return std::pow(normalized, mShape) * (mMax - mMin) + mMin;
}

void IPlugParam::SetFromNormalized(double normalized)
{
  if (std::isnan(normalized))
    return;
  double value = FromNormalized(std::clamp(normalized, 0.0, 1.0));
  if (mKind != kKindDouble)
  {
    if (mStep > 0.0)
      value = std::floor(value / mStep + 0.5) * mStep;
  }
  else if (mStep == 1.0)
  {
    value = std::round(value); // halves away from zero
  }
  // The snap can land half a step outside the range when min is no multiple of the
  // step; both bounds are enforced so the stored value stays inside it.
  if (!std::isnan(value))
    mValue = std::clamp(value, mMin, mMax);
}

double IPlugParam::ToNormalized(double value) const
{
  const double range = mMax - mMin;
  if (!(range > 0.0) || std::isnan(value))
    return 0.0;
  const double linear = (std::clamp(value, mMin, mMax) - mMin) / range;
  const double normalized = std::pow(linear, 1.0 / mShape);
  return std::isnan(normalized) ? 0.0 : std::clamp(normalized, 0.0, 1.0);
}

bool IPlugParam::SameValue(double a, double b) const
{
  constexpr double kResolutionPerStep = 1e-3;
  return a == b || std::fabs(a - b) <= std::fabs(mStep) * kResolutionPerStep;
}

const IPlugParam::DisplayText* IPlugParam::FindDisplayText(double value) const
{
  const int key = TruncateToInt(value);
  for (const DisplayText& entry : mDisplayTexts)
    if (entry.value == key)
      return &entry;
  return nullptr;
}

const char* IPlugParam::LabelForHost() const
{
  const DisplayText* entry = FindDisplayText(mValue);
  return (entry != nullptr && entry->text[0] != '\0') ? "" : mLabel;
}

void IPlugParam::FormatForHost(double value, bool normalized, char* out, std::size_t outBytes,
                               bool withDisplayTexts) const
{
  if (out == nullptr || outBytes == 0)
    return;
  if (normalized)
    value = FromNormalized(std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0));

  if (withDisplayTexts)
  {
    const DisplayText* entry = FindDisplayText(value);
    if (entry != nullptr && entry->text[0] != '\0')
    {
      CopyText(out, outBytes, entry->text);
      return;
    }
  }

  if (mNegateDisplay)
    value = -value;
  if (mDisplayPrecision == 0)
    std::snprintf(out, outBytes, "%d", TruncateToInt(value));
  else
    std::snprintf(out, outBytes, "%.*f", mDisplayPrecision, value);
}

const char* IPlugParam::DisplayTextFor(double value) const
{
  const DisplayText* entry = FindDisplayText(value);
  return entry != nullptr ? entry->text : "";
}

const char* IPlugParam::DisplayTextAt(int position, int* value) const
{
  if (position < 0 || position >= DisplayTextCount())
    return nullptr;
  const DisplayText& entry = mDisplayTexts[static_cast<std::size_t>(position)];
  if (value != nullptr)
    *value = entry.value;
  return entry.text;
}
