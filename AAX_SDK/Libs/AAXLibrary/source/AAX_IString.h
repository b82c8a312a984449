#pragma once

#include <string>

// A text handed across the interface: the callee sets it, the caller reads it.
class AAX_IString
{
public:
  virtual ~AAX_IString() = default;
  virtual const char* Get() const = 0;
  virtual void Set(const char* text) = 0; // null sets the empty text
};

// The library's text: a std::string behind AAX_IString.
class AAX_CString final : public AAX_IString
{
public:
  AAX_CString() = default;
  explicit AAX_CString(const char* text) { Set(text); }
  const char* Get() const override { return mText.c_str(); }
  void Set(const char* text) override { mText = text != nullptr ? text : ""; }
  const std::string& Text() const { return mText; }

private:
  std::string mText;
};
