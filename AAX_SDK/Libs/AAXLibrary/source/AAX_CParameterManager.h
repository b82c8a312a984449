#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IParameter.h"

#include <memory>
#include <vector>

// The parameters of one instance, in the order they were added, owned here. Lookups by
// identifier allocate nothing, so the render may use them.
class AAX_CParameterManager
{
public:
  // Takes ownership. Null, or an identifier already present: AAX_ERROR_NULL_OBJECT /
  // AAX_ERROR_INVALID_PARAMETER_ID, and the parameter is deleted.
  AAX_Result AddParameter(AAX_IParameter* parameter);
  int32_t NumParameters() const { return static_cast<int32_t>(mParameters.size()); }
  // nullptr for an index outside the list or an unknown (or null) identifier.
  AAX_IParameter* GetParameter(int32_t index) const;
  AAX_IParameter* GetParameterByID(AAX_CParamID identifier) const;
  int32_t GetParameterIndex(AAX_CParamID identifier) const; // -1 when unknown
  void SetAutomationDelegate(AAX_VAutomationDelegate* delegate);
  void RemoveAllParameters() { mParameters.clear(); }

private:
  std::vector<std::unique_ptr<AAX_IParameter>> mParameters;
};
