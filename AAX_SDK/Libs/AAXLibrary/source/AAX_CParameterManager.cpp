#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CParameterManager.h"

#include <cstring>

AAX_Result AAX_CParameterManager::AddParameter(AAX_IParameter* parameter)
{
  std::unique_ptr<AAX_IParameter> owned(parameter);
  if (!owned)
    return AAX_ERROR_NULL_OBJECT;
  if (GetParameterIndex(owned->Identifier()) >= 0)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  mParameters.push_back(std::move(owned));
  return AAX_SUCCESS;
}

AAX_IParameter* AAX_CParameterManager::GetParameter(int32_t index) const
{
  if (index < 0 || index >= NumParameters())
    return nullptr;
  return mParameters[static_cast<size_t>(index)].get();
}

AAX_IParameter* AAX_CParameterManager::GetParameterByID(AAX_CParamID identifier) const
{
  return GetParameter(GetParameterIndex(identifier));
}

int32_t AAX_CParameterManager::GetParameterIndex(AAX_CParamID identifier) const
{
  if (identifier == nullptr)
    return -1;
  for (size_t i = 0; i < mParameters.size(); ++i)
    if (std::strcmp(mParameters[i]->Identifier(), identifier) == 0)
      return static_cast<int32_t>(i);
  return -1;
}

void AAX_CParameterManager::SetAutomationDelegate(AAX_VAutomationDelegate* delegate)
{
  for (const auto& parameter : mParameters)
    parameter->SetAutomationDelegate(delegate);
}
