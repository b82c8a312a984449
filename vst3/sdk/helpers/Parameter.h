#pragma once

#include "vst3/sdk/interfaces/IEditController.h"
#include "vst3/sdk/interfaces/IUnitInfo.h"

#include <string>
#include <vector>

namespace Steinberg::Vst
{
// One exported parameter: its description and its current normalized value (initially the
// default). Values outside [0, 1] are clamped; text conversions never write past the
// 128-unit buffer.
class Parameter
{
public:
  explicit Parameter(const ParameterInfo& info);
  Parameter(const TChar* title, ParamID id, const TChar* units = nullptr, ParamValue defaultNormalized = 0.,
            int32 stepCount = 0, int32 flags = ParameterInfo::kCanAutomate, UnitID unitId = kRootUnitId,
            const TChar* shortTitle = nullptr);
  virtual ~Parameter() = default;
  Parameter(const Parameter&) = delete;
  Parameter& operator=(const Parameter&) = delete;

  const ParameterInfo& getInfo() const noexcept { return mInfo; }
  ParameterInfo& getInfo() noexcept { return mInfo; }
  ParamID getID() const noexcept { return mInfo.id; }

  ParamValue getNormalized() const noexcept { return mValueNormalized; }
  // Clamps to [0, 1] and stores; true when the stored value changed. NaN is refused.
  virtual bool setNormalized(ParamValue valueNormalized) noexcept;

  // Identity mapping here; subclasses map to their plain range.
  virtual ParamValue toPlain(ParamValue valueNormalized) const noexcept;
  virtual ParamValue toNormalized(ParamValue plainValue) const noexcept;

  // Text of a normalized value: "On"/"Off" for a toggle (stepCount 1, On above 0.5), else
  // fixed notation with getPrecision() decimals in the process's C locale.
  virtual void toString(ParamValue valueNormalized, String128 string) const;
  // Parses the text into a normalized value clamped to [0, 1]; false (value untouched)
  // when the text does not start with a finite number.
  virtual bool fromString(const TChar* string, ParamValue& valueNormalized) const;

  int32 getPrecision() const noexcept { return mPrecision; }
  void setPrecision(int32 decimals) noexcept; // 0 .. 16

protected:
  // The shared text forms, applied to whatever value a subclass shows.
  static void formatValue(ParamValue value, int32 stepCount, int32 precision, String128 string);
  static bool parseDouble(const TChar* string, double& value);
  static bool parseInteger(const TChar* string, long long& value);

private:
  ParameterInfo mInfo{};
  ParamValue mValueNormalized = 0.;
  int32 mPrecision = 4;
};

// A parameter with a plain range [min, max]. Continuous (stepCount 0) and toggles
// (stepCount 1) map linearly. With stepCount s > 1 the plain values are the integers
// min .. min + s, each owning an equal slice of [0, 1]: normalized = (plain - min) / s and
// plain = min + min(s, floor(normalized * (s + 1))); max is then not used, so it should be
// min + s.
class RangeParameter : public Parameter
{
public:
  RangeParameter(const TChar* title, ParamID id, const TChar* units = nullptr, ParamValue minPlain = 0.,
                 ParamValue maxPlain = 1., ParamValue defaultPlain = 0., int32 stepCount = 0,
                 int32 flags = ParameterInfo::kCanAutomate, UnitID unitId = kRootUnitId,
                 const TChar* shortTitle = nullptr);

  ParamValue getMin() const noexcept { return mMinPlain; }
  ParamValue getMax() const noexcept { return mMaxPlain; }

  ParamValue toPlain(ParamValue valueNormalized) const noexcept override;
  // Clamped to [0, 1]; 0 for an empty range.
  ParamValue toNormalized(ParamValue plainValue) const noexcept override;
  // Discrete: the plain integer. Otherwise the shared text form of the plain value.
  void toString(ParamValue valueNormalized, String128 string) const override;
  // Discrete: an integer; otherwise a number clamped to the plain range.
  bool fromString(const TChar* string, ParamValue& valueNormalized) const override;

private:
  ParamValue mMinPlain;
  ParamValue mMaxPlain;
};

// A list of texts; the plain value is the index. stepCount is the entry count - 1 (so an
// empty list reports -1 and a one-entry list 0, which hosts read as continuous: give a list
// at least two entries).
class StringListParameter : public Parameter
{
public:
  StringListParameter(const TChar* title, ParamID id, const TChar* units = nullptr,
                      int32 flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsList,
                      UnitID unitId = kRootUnitId, const TChar* shortTitle = nullptr);

  void appendString(const TChar* string);
  // False for an index out of range.
  bool replaceString(int32 index, const TChar* string);
  int32 getStringCount() const noexcept { return static_cast<int32>(mStrings.size()); }

  // Index of a normalized value: 0 when stepCount <= 0, else min(s, floor(n * (s + 1))).
  ParamValue toPlain(ParamValue valueNormalized) const noexcept override;
  // index / stepCount, clamped to [0, 1]; 0 when stepCount <= 0.
  ParamValue toNormalized(ParamValue plainValue) const noexcept override;
  // The entry of the mapped index; empty text for an empty list.
  void toString(ParamValue valueNormalized, String128 string) const override;
  // Exact comparison with each entry.
  bool fromString(const TChar* string, ParamValue& valueNormalized) const override;

private:
  std::vector<std::u16string> mStrings;
};
} // namespace Steinberg::Vst
