#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IDisplayDelegate.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

// A text for each value of a map; values not in it show as their number.
template <typename T>
class AAX_CStringDisplayDelegate final : public AAX_IDisplayDelegate<T>
{
public:
  explicit AAX_CStringDisplayDelegate(std::map<T, std::string> texts) : mTexts(std::move(texts)) {}
  AAX_IDisplayDelegate<T>* Clone() const override { return new AAX_CStringDisplayDelegate(*this); }
  bool ValueToString(T value, AAX_CString* text) const override
  {
    const auto found = mTexts.find(value);
    text->Set(found != mTexts.end() ? found->second.c_str() : std::to_string(value).c_str());
    return found != mTexts.end();
  }
  bool StringToValue(const AAX_CString& text, T* value) const override
  {
    for (const auto& [key, name] : mTexts)
      if (name == text.Text())
      {
        *value = key;
        return true;
      }
    return false;
  }

private:
  std::map<T, std::string> mTexts;
};

// The value as a decimal number with a fixed count of decimals.
template <typename T>
class AAX_CNumberDisplayDelegate final : public AAX_IDisplayDelegate<T>
{
public:
  explicit AAX_CNumberDisplayDelegate(int precision = 2) : mPrecision(precision) {}
  AAX_IDisplayDelegate<T>* Clone() const override { return new AAX_CNumberDisplayDelegate(*this); }
  bool ValueToString(T value, AAX_CString* text) const override
  {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", mPrecision, static_cast<double>(value));
    text->Set(buffer);
    return true;
  }
  bool StringToValue(const AAX_CString& text, T* value) const override
  {
    char* end = nullptr;
    const double parsed = std::strtod(text.Get(), &end);
    if (end == text.Get())
      return false;
    *value = static_cast<T>(parsed);
    return true;
  }

private:
  int mPrecision;
};

// Another display delegate's text followed by a blank and a unit ("-12.00 dB"); an
// empty unit adds nothing.
template <typename T>
class AAX_CUnitDisplayDelegateDecorator final : public AAX_IDisplayDelegate<T>
{
public:
  AAX_CUnitDisplayDelegateDecorator(const AAX_IDisplayDelegate<T>& inner, const char* unit)
      : mInner(inner.Clone()), mUnit(unit != nullptr ? unit : "")
  {
  }
  AAX_CUnitDisplayDelegateDecorator(const AAX_CUnitDisplayDelegateDecorator& other)
      : mInner(other.mInner->Clone()), mUnit(other.mUnit)
  {
  }
  AAX_IDisplayDelegate<T>* Clone() const override { return new AAX_CUnitDisplayDelegateDecorator(*this); }
  bool ValueToString(T value, AAX_CString* text) const override
  {
    const bool ok = mInner->ValueToString(value, text);
    if (!mUnit.empty())
      text->Set((text->Text() + " " + mUnit).c_str());
    return ok;
  }
  bool StringToValue(const AAX_CString& text, T* value) const override
  {
    std::string bare = text.Text();
    if (!mUnit.empty() && bare.size() >= mUnit.size() && bare.compare(bare.size() - mUnit.size(), mUnit.size(), mUnit) == 0)
      bare.erase(bare.size() - mUnit.size());
    return mInner->StringToValue(AAX_CString(bare.c_str()), value);
  }

private:
  std::unique_ptr<AAX_IDisplayDelegate<T>> mInner;
  std::string mUnit;
};

// Two texts: one for false, one for true.
class AAX_CBinaryDisplayDelegate final : public AAX_IDisplayDelegate<bool>
{
public:
  AAX_CBinaryDisplayDelegate(const char* falseText, const char* trueText) : mFalse(falseText), mTrue(trueText) {}
  AAX_IDisplayDelegate<bool>* Clone() const override { return new AAX_CBinaryDisplayDelegate(*this); }
  bool ValueToString(bool value, AAX_CString* text) const override
  {
    text->Set(value ? mTrue.c_str() : mFalse.c_str());
    return true;
  }
  bool StringToValue(const AAX_CString& text, bool* value) const override
  {
    if (text.Text() != mFalse && text.Text() != mTrue)
      return false;
    *value = text.Text() == mTrue;
    return true;
  }

private:
  std::string mFalse;
  std::string mTrue;
};
