#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_ITaperDelegate.h"

#include <algorithm>
#include <cmath>

// The framework's own mapping of a shaped continuous parameter: normalized n reads as
// minimum + n^shape * (maximum - minimum), so host and framework agree on every value.
class AAX_CIPlugTaperDelegate final : public AAX_ITaperDelegate<double>
{
public:
  AAX_CIPlugTaperDelegate(double minimum, double maximum, double shape)
      : mMinimum(minimum), mMaximum(maximum), mShape(shape > 0.0 && std::isfinite(shape) ? shape : 1.0)
  {
  }
  AAX_ITaperDelegate<double>* Clone() const override { return new AAX_CIPlugTaperDelegate(*this); }
  double GetMaximumValue() const override { return mMaximum; }
  double GetMinimumValue() const override { return mMinimum; }
  double ConstrainRealValue(double value) const override { return std::clamp(value, mMinimum, mMaximum); }
  double NormalizedToReal(double normalized) const override
  {
    const double n = std::isfinite(normalized) ? std::clamp(normalized, 0.0, 1.0) : 0.0;
    return ConstrainRealValue(mMinimum + std::pow(n, mShape) * (mMaximum - mMinimum));
  }
  double RealToNormalized(double value) const override
  {
    if (mMaximum <= mMinimum || !std::isfinite(value))
      return 0.0;
    const double linear = (ConstrainRealValue(value) - mMinimum) / (mMaximum - mMinimum);
    return std::clamp(std::pow(linear, 1.0 / mShape), 0.0, 1.0);
  }

private:
  double mMinimum;
  double mMaximum;
  double mShape;
};
