#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_ITaperDelegate.h"

#include <algorithm>
#include <cmath>

// A straight line from minimum (0) to maximum (1); integer values round to the nearest.
template <typename T>
class AAX_CLinearTaperDelegate final : public AAX_ITaperDelegate<T>
{
public:
  AAX_CLinearTaperDelegate(T minimum, T maximum) : mMinimum(std::min(minimum, maximum)), mMaximum(std::max(minimum, maximum)) {}
  AAX_ITaperDelegate<T>* Clone() const override { return new AAX_CLinearTaperDelegate(*this); }
  T GetMaximumValue() const override { return mMaximum; }
  T GetMinimumValue() const override { return mMinimum; }
  T ConstrainRealValue(T value) const override { return std::clamp(value, mMinimum, mMaximum); }
  T NormalizedToReal(double normalized) const override
  {
    const double n = std::isfinite(normalized) ? std::clamp(normalized, 0.0, 1.0) : 0.0;
    const double real = static_cast<double>(mMinimum) + n * (static_cast<double>(mMaximum) - mMinimum);
    if constexpr (std::is_integral_v<T>)
      return ConstrainRealValue(static_cast<T>(std::lround(real)));
    else
      return ConstrainRealValue(static_cast<T>(real));
  }
  double RealToNormalized(T value) const override
  {
    if (mMaximum == mMinimum)
      return 0.0;
    return (static_cast<double>(ConstrainRealValue(value)) - mMinimum) / (static_cast<double>(mMaximum) - mMinimum);
  }

private:
  T mMinimum;
  T mMaximum;
};

// Off (false) below 0.5, on (true) from 0.5.
class AAX_CBinaryTaperDelegate final : public AAX_ITaperDelegate<bool>
{
public:
  AAX_ITaperDelegate<bool>* Clone() const override { return new AAX_CBinaryTaperDelegate(*this); }
  bool GetMaximumValue() const override { return true; }
  bool GetMinimumValue() const override { return false; }
  bool ConstrainRealValue(bool value) const override { return value; }
  bool NormalizedToReal(double normalized) const override { return normalized >= 0.5; }
  double RealToNormalized(bool value) const override { return value ? 1.0 : 0.0; }
};
