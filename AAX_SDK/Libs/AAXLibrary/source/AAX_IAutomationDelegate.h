#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

// The host's automation: a plug-in's own edits go out through it, and the host sends
// each value back later with UpdateParameterNormalizedValue.
class AAX_IAutomationDelegate
{
public:
  virtual ~AAX_IAutomationDelegate() = default;
  virtual AAX_Result TouchParameter(AAX_CParamID id) = 0;
  virtual AAX_Result PostSetValueRequest(AAX_CParamID id, double normalized) = 0;
  virtual AAX_Result ReleaseParameter(AAX_CParamID id) = 0;
};
