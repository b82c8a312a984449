#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

// The host's place for the plug-in's editor: a native window (or none) and its size.
class AAX_IViewContainer
{
public:
  virtual ~AAX_IViewContainer() = default;
  virtual int32_t GetType() = 0; // AAX_EViewContainer_Type
  // The native parent window, or null when the host gives none.
  virtual void* GetPtr() = 0;
  virtual AAX_Result SetViewSize(AAX_Point& size) = 0;
};
