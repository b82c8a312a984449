#include "vst3/sdk/helpers/Parameter.h"

#include "vst3/sdk/helpers/Utf16.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace Steinberg::Vst
{
namespace
{
constexpr int32 kMaxPrecision = 16;

ParamValue clampNormalized(ParamValue value) noexcept
{
  if (std::isnan(value))
    return 0.;
  return std::clamp(value, 0., 1.);
}

// Discrete index of a normalized value with s steps: every index owns an equal slice.
double stepIndex(ParamValue valueNormalized, int32 stepCount) noexcept
{
  const double index = std::floor(clampNormalized(valueNormalized) * (stepCount + 1));
  return std::min(static_cast<double>(stepCount), index);
}
} // namespace

Parameter::Parameter(const ParameterInfo& info) : mInfo(info)
{
  mInfo.defaultNormalizedValue = clampNormalized(mInfo.defaultNormalizedValue);
  mValueNormalized = mInfo.defaultNormalizedValue;
}

Parameter::Parameter(const TChar* title, ParamID id, const TChar* units, ParamValue defaultNormalized,
                     int32 stepCount, int32 flags, UnitID unitId, const TChar* shortTitle)
{
  mInfo.id = id;
  copyText16(title, mInfo.title);
  copyText16(shortTitle, mInfo.shortTitle);
  copyText16(units, mInfo.units);
  mInfo.stepCount = stepCount;
  mInfo.defaultNormalizedValue = clampNormalized(defaultNormalized);
  mInfo.unitId = unitId;
  mInfo.flags = flags;
  mValueNormalized = mInfo.defaultNormalizedValue;
}

bool Parameter::setNormalized(ParamValue valueNormalized) noexcept
{
  if (std::isnan(valueNormalized))
    return false;
  const ParamValue clamped = clampNormalized(valueNormalized);
  if (clamped == mValueNormalized)
    return false;
  mValueNormalized = clamped;
  return true;
}

ParamValue Parameter::toPlain(ParamValue valueNormalized) const noexcept
{
  return valueNormalized;
}

ParamValue Parameter::toNormalized(ParamValue plainValue) const noexcept
{
  return plainValue;
}

void Parameter::toString(ParamValue valueNormalized, String128 string) const
{
  formatValue(valueNormalized, mInfo.stepCount, mPrecision, string);
}

bool Parameter::fromString(const TChar* string, ParamValue& valueNormalized) const
{
  double value = 0.;
  if (!parseDouble(string, value))
    return false;
  valueNormalized = clampNormalized(value);
  return true;
}

void Parameter::setPrecision(int32 decimals) noexcept
{
  mPrecision = std::clamp(decimals, 0, kMaxPrecision);
}

void Parameter::formatValue(ParamValue value, int32 stepCount, int32 precision, String128 string)
{
  if (string == nullptr)
    return;
  char8 text[128] = {};
  if (stepCount == 1)
    copyText8(value > 0.5 ? "On" : "Off", text);
  else
    std::snprintf(text, sizeof(text), "%.*f", std::clamp(precision, 0, kMaxPrecision), value);
  widenText(text, string, 128);
}

bool Parameter::parseDouble(const TChar* string, double& value)
{
  char8 text[128] = {};
  narrowText(string, text);
  char8* end = nullptr;
  const double parsed = std::strtod(text, &end);
  if (end == text || !std::isfinite(parsed))
    return false;
  value = parsed;
  return true;
}

bool Parameter::parseInteger(const TChar* string, long long& value)
{
  char8 text[128] = {};
  narrowText(string, text);
  char8* end = nullptr;
  errno = 0;
  const long long parsed = std::strtoll(text, &end, 10);
  if (end == text || errno == ERANGE)
    return false;
  value = parsed;
  return true;
}

RangeParameter::RangeParameter(const TChar* title, ParamID id, const TChar* units, ParamValue minPlain,
                               ParamValue maxPlain, ParamValue defaultPlain, int32 stepCount, int32 flags,
                               UnitID unitId, const TChar* shortTitle)
  : Parameter(title, id, units, 0., stepCount, flags, unitId, shortTitle), mMinPlain(minPlain), mMaxPlain(maxPlain)
{
  getInfo().defaultNormalizedValue = toNormalized(defaultPlain);
  setNormalized(getInfo().defaultNormalizedValue);
}

ParamValue RangeParameter::toPlain(ParamValue valueNormalized) const noexcept
{
  const int32 steps = getInfo().stepCount;
  if (steps > 1)
    return mMinPlain + stepIndex(valueNormalized, steps);
  return mMinPlain + clampNormalized(valueNormalized) * (mMaxPlain - mMinPlain);
}

ParamValue RangeParameter::toNormalized(ParamValue plainValue) const noexcept
{
  const int32 steps = getInfo().stepCount;
  if (steps > 1)
    return clampNormalized((plainValue - mMinPlain) / steps);
  if (mMaxPlain == mMinPlain)
    return 0.;
  return clampNormalized((plainValue - mMinPlain) / (mMaxPlain - mMinPlain));
}

void RangeParameter::toString(ParamValue valueNormalized, String128 string) const
{
  if (string == nullptr)
    return;
  const int32 steps = getInfo().stepCount;
  if (steps > 1)
  {
    char8 text[32] = {};
    std::snprintf(text, sizeof(text), "%lld", static_cast<long long>(std::trunc(toPlain(valueNormalized))));
    widenText(text, string, 128);
    return;
  }
  formatValue(toPlain(valueNormalized), steps, getPrecision(), string);
}

bool RangeParameter::fromString(const TChar* string, ParamValue& valueNormalized) const
{
  if (getInfo().stepCount > 1)
  {
    long long index = 0;
    if (!parseInteger(string, index))
      return false;
    valueNormalized = toNormalized(static_cast<double>(index));
    return true;
  }
  double plain = 0.;
  if (!parseDouble(string, plain))
    return false;
  const double low = std::min(mMinPlain, mMaxPlain);
  const double high = std::max(mMinPlain, mMaxPlain);
  valueNormalized = toNormalized(std::clamp(plain, low, high));
  return true;
}

StringListParameter::StringListParameter(const TChar* title, ParamID id, const TChar* units, int32 flags,
                                         UnitID unitId, const TChar* shortTitle)
  : Parameter(title, id, units, 0., -1, flags, unitId, shortTitle)
{
}

void StringListParameter::appendString(const TChar* string)
{
  mStrings.emplace_back(string ? string : u"");
  getInfo().stepCount = static_cast<int32>(mStrings.size()) - 1;
}

bool StringListParameter::replaceString(int32 index, const TChar* string)
{
  if (index < 0 || index >= getStringCount())
    return false;
  mStrings[static_cast<std::size_t>(index)] = string ? string : u"";
  return true;
}

ParamValue StringListParameter::toPlain(ParamValue valueNormalized) const noexcept
{
  const int32 steps = getInfo().stepCount;
  if (steps <= 0)
    return 0.;
  return stepIndex(valueNormalized, steps);
}

ParamValue StringListParameter::toNormalized(ParamValue plainValue) const noexcept
{
  const int32 steps = getInfo().stepCount;
  if (steps <= 0)
    return 0.;
  return clampNormalized(plainValue / steps);
}

void StringListParameter::toString(ParamValue valueNormalized, String128 string) const
{
  if (string == nullptr)
    return;
  const auto index = static_cast<std::size_t>(toPlain(valueNormalized));
  copyText16(index < mStrings.size() ? mStrings[index].c_str() : u"", string, 128);
}

bool StringListParameter::fromString(const TChar* string, ParamValue& valueNormalized) const
{
  for (std::size_t i = 0; i < mStrings.size(); ++i)
  {
    if (text16Equal(mStrings[i].c_str(), string))
    {
      valueNormalized = toNormalized(static_cast<double>(i));
      return true;
    }
  }
  return false;
}
} // namespace Steinberg::Vst
