#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IString.h"

class AAX_VAutomationDelegate;

// One parameter as the host sees it: an identifier, a name, a normalized value 0 .. 1,
// steps, a type and texts for values.
class AAX_IParameter
{
public:
  virtual ~AAX_IParameter() = default;
  virtual AAX_CParamID Identifier() const = 0;
  virtual const char* Name() const = 0;
  virtual bool Automatable() const = 0;
  virtual double GetNormalizedValue() const = 0;
  // [any thread] An edit: a touch, a set request and a release to the automation
  // delegate when one is set (the value comes back through
  // UpdateParameterNormalizedValue), else stored at once.
  virtual void SetNormalizedValue(double normalized) = 0;
  // Stores a value the host sent, clamped into 0 .. 1; not finite: ignored. True when
  // the value changed at the parameter's resolution (its step for whole-number and
  // boolean values, 32-bit float precision for real ones: hosts keep values as floats).
  virtual bool UpdateNormalizedValue(double normalized) = 0;
  virtual double GetNormalizedDefaultValue() const = 0;
  virtual void SetToDefaultValue() = 0;
  virtual int32_t GetNumberOfSteps() const = 0;
  virtual void SetNumberOfSteps(int32_t steps) = 0;
  virtual int32_t GetType() const = 0; // AAX_EParameterType
  virtual void SetType(int32_t type) = 0;
  // The value read as a boolean (its normalized value at 0.5 or more).
  virtual bool GetValueAsBool(bool* value) const = 0;
  virtual bool GetNormalizedValueAsString(double normalized, AAX_CString* text) const = 0;
  virtual bool GetNormalizedValueFromString(const AAX_CString& text, double* normalized) const = 0;
  virtual void SetAutomationDelegate(AAX_VAutomationDelegate* delegate) = 0;
  virtual void Touch() = 0;
  virtual void Release() = 0;
};
