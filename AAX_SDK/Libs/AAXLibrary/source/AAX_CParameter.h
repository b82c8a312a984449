#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IDisplayDelegate.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IParameter.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_ITaperDelegate.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_VHost.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <string>
#include <type_traits>

// A parameter of real type T, mapped by a taper and shown by a display delegate (both
// copied). The normalized value is atomic: the host sets it on its threads and the
// render reads it.
template <typename T>
class AAX_CParameter final : public AAX_IParameter
{
public:
  AAX_CParameter(const char* identifier, const char* name, T defaultValue, const AAX_ITaperDelegate<T>& taper,
                 const AAX_IDisplayDelegate<T>& display, bool automatable)
      : mIdentifier(identifier != nullptr ? identifier : ""), mName(name != nullptr ? name : ""),
        mTaper(taper.Clone()), mDisplay(display.Clone()), mAutomatable(automatable),
        mDefault(mTaper->RealToNormalized(defaultValue)), mValue(mDefault)
  {
  }
  AAX_CParameter(const AAX_CParameter&) = delete;
  AAX_CParameter& operator=(const AAX_CParameter&) = delete;

  AAX_CParamID Identifier() const override { return mIdentifier.c_str(); }
  const char* Name() const override { return mName.c_str(); }
  bool Automatable() const override { return mAutomatable; }
  double GetNormalizedValue() const override { return mValue.load(std::memory_order_relaxed); }
  void SetNormalizedValue(double normalized) override
  {
    if (!std::isfinite(normalized))
      return;
    normalized = std::clamp(normalized, 0.0, 1.0);
    if (mAutomation != nullptr)
    {
      mAutomation->PostTouchRequest(Identifier());
      mAutomation->PostSetValueRequest(Identifier(), normalized);
      mAutomation->PostReleaseRequest(Identifier());
    }
    else
      UpdateNormalizedValue(normalized);
  }
  bool UpdateNormalizedValue(double normalized) override
  {
    if (!std::isfinite(normalized))
      return false;
    normalized = std::clamp(normalized, 0.0, 1.0);
    const double before = mValue.exchange(normalized, std::memory_order_relaxed);
    if constexpr (std::is_floating_point_v<T>)
      return static_cast<float>(before) != static_cast<float>(normalized);
    else
      return mTaper->NormalizedToReal(before) != mTaper->NormalizedToReal(normalized);
  }
  double GetNormalizedDefaultValue() const override { return mDefault; }
  void SetToDefaultValue() override { SetNormalizedValue(mDefault); }
  int32_t GetNumberOfSteps() const override { return mSteps; }
  void SetNumberOfSteps(int32_t steps) override { mSteps = std::max<int32_t>(steps, 1); }
  int32_t GetType() const override { return mType; }
  void SetType(int32_t type) override { mType = type; }
  bool GetValueAsBool(bool* value) const override
  {
    if (value == nullptr)
      return false;
    *value = GetNormalizedValue() >= 0.5;
    return true;
  }
  bool GetNormalizedValueAsString(double normalized, AAX_CString* text) const override
  {
    return text != nullptr && mDisplay->ValueToString(mTaper->NormalizedToReal(normalized), text);
  }
  bool GetNormalizedValueFromString(const AAX_CString& text, double* normalized) const override
  {
    T value{};
    if (normalized == nullptr || !mDisplay->StringToValue(text, &value))
      return false;
    *normalized = mTaper->RealToNormalized(value);
    return true;
  }
  void SetAutomationDelegate(AAX_VAutomationDelegate* delegate) override { mAutomation = delegate; }
  void Touch() override
  {
    if (mAutomation != nullptr)
      mAutomation->PostTouchRequest(Identifier());
  }
  void Release() override
  {
    if (mAutomation != nullptr)
      mAutomation->PostReleaseRequest(Identifier());
  }

private:
  std::string mIdentifier;
  std::string mName;
  std::unique_ptr<AAX_ITaperDelegate<T>> mTaper;
  std::unique_ptr<AAX_IDisplayDelegate<T>> mDisplay;
  bool mAutomatable;
  double mDefault;
  std::atomic<double> mValue;
  int32_t mSteps = 128;
  int32_t mType = AAX_eParameterType_Continuous;
  AAX_VAutomationDelegate* mAutomation = nullptr;
};
