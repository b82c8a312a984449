#include "WDL/IPlug/AAX/AAX_CIPlugParameters.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_VHost.h"

#include <cstring>

AAX_Result AAX_CIPlugParameters::ResetFieldData(AAX_CFieldIndex field, void* data, uint32_t sizeBytes) const
{
  if (data == nullptr)
    return sizeBytes == 0 ? AAX_SUCCESS : AAX_ERROR_NULL_ARGUMENT;
  if (field != kAAXField_PrivateData)
  {
    std::memset(data, 0, sizeBytes);
    return AAX_SUCCESS;
  }
  if (sizeBytes != sizeof(AAX_SIPlugPrivateData))
  {
    AAX_VHostServices::HandleAssertion("iDataSize == sizeof(AAX_SIPlugPrivateData)", "AAX_CIPlugParameters");
    if (sizeBytes < sizeof(AAX_SIPlugPrivateData))
      return AAX_ERROR_INVALID_ARGUMENT; // the address does not fit: nothing written past the block
  }
  AAX_SIPlugPrivateData privateData{const_cast<AAX_CIPlugParameters*>(this)};
  std::memcpy(data, &privateData, sizeof privateData);
  return AAX_SUCCESS;
}

AAX_CParamID AAX_CIPlugParameters::ParameterID(int index) const
{
  if (index < 0 || index >= static_cast<int>(mParamIDs.size()))
    return nullptr;
  return mParamIDs[static_cast<size_t>(index)].c_str();
}

void AAX_IPlugRenderCallback(void* const instancesBegin[], const void* instancesEnd)
{
  if (instancesBegin == nullptr)
    return;
  for (void* const* walk = instancesBegin; walk < instancesEnd; ++walk)
  {
    const auto* info = static_cast<const AAX_SIPlugRenderInfo*>(*walk);
    if (info != nullptr && info->privateData != nullptr && info->privateData->plugin != nullptr)
      info->privateData->plugin->RenderAudio(info);
  }
}
