#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IString.h"

// Turns a parameter's real value into the text a host shows, and text back into a value.
template <typename T>
class AAX_IDisplayDelegate
{
public:
  virtual ~AAX_IDisplayDelegate() = default;
  virtual AAX_IDisplayDelegate* Clone() const = 0;
  virtual bool ValueToString(T value, AAX_CString* text) const = 0;
  // False, value untouched, when text names no value.
  virtual bool StringToValue(const AAX_CString& text, T* value) const = 0;
};
