#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

// A component's properties (AAX_EProperty IDs and their values). The host owns it.
class AAX_IPropertyMap
{
public:
  virtual ~AAX_IPropertyMap() = default;
  virtual AAX_Result AddProperty(int32_t property, AAX_CPropertyValue value) = 0;
  // False when the property is not in the map.
  virtual bool GetProperty(int32_t property, AAX_CPropertyValue* value) const = 0;
};
