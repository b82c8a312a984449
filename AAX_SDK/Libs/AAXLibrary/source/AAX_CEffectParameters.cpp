#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CEffectParameters.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IString.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_SPlugInChunk.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_UIDs.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_VHost.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

namespace
{
constexpr const char* kMasterBypassID = "MasterBypassID";

// Answers a query about parameter id into *out: a null out, AAX_ERROR_NULL_ARGUMENT; an
// unknown id, AAX_ERROR_INVALID_PARAMETER_ID; else read(parameter, *out).
template <typename Out, typename Read>
AAX_Result Query(const AAX_CParameterManager& manager, AAX_CParamID id, Out* out, Read&& read)
{
  if (out == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  const AAX_IParameter* parameter = manager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  read(*parameter, *out);
  return AAX_SUCCESS;
}

// text cut to maxChars characters when maxChars is positive.
void SetCut(AAX_IString& out, const std::string& text, int32_t maxChars)
{
  if (maxChars > 0 && text.size() > static_cast<size_t>(maxChars))
    out.Set(text.substr(0, static_cast<size_t>(maxChars)).c_str());
  else
    out.Set(text.c_str());
}
} // namespace

AAX_CEffectParameters::AAX_CEffectParameters() = default;

AAX_CEffectParameters::~AAX_CEffectParameters() = default;

ACFRESULT AAX_CEffectParameters::QueryInterface(const acfIID& iid, void** out)
{
  if (out != nullptr && iid == IID_AAXLibraryEffectParameters)
  {
    AddRef();
    *out = this;
    return ACF_OK;
  }
  return ACFAnswer(this, Unknown(), iid, out,
                   {&IID_IACFUnknown, &IID_IAAXEffectParametersV1, &IID_IAAXEffectParametersV2,
                    &IID_IAAXEffectParametersV3, &IID_IAAXEffectParametersV4});
}

acfUInt32 AAX_CEffectParameters::AddRef() { return mReferences.Add(); }

acfUInt32 AAX_CEffectParameters::Release()
{
  const acfUInt32 left = mReferences.Drop();
  if (left == 0)
    delete this;
  return left;
}

AAX_Result AAX_CEffectParameters::Initialize(IACFUnknown* controller)
{
  if (controller == nullptr)
    return AAX_ERROR_NOT_INITIALIZED;
  if (mController != nullptr)
    return AAX_ERROR_INVALID_ARGUMENT;
  try
  {
    auto proxy = std::make_unique<AAX_VController>(controller);
    if (!proxy->Valid())
      return AAX_ERROR_NOT_INITIALIZED;
    auto automation = std::make_unique<AAX_VAutomationDelegate>(controller);
    mController = std::move(proxy);
    if (automation->Valid())
      mAutomation = std::move(automation);
    return EffectInit();
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}

AAX_Result AAX_CEffectParameters::Uninitialize()
{
  for (int32_t i = 0; i < mParameterManager.NumParameters(); ++i)
  {
    AAX_IParameter* parameter = mParameterManager.GetParameter(i);
    parameter->SetAutomationDelegate(nullptr);
    if (mAutomation)
      mAutomation->UnregisterParameter(parameter->Identifier());
  }
  mParameterManager.RemoveAllParameters();
  mAutomation.reset();
  mController.reset();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::AddParameter(AAX_IParameter* parameter)
{
  if (parameter == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  const std::string identifier = parameter->Identifier();
  parameter->SetAutomationDelegate(mAutomation.get());
  const AAX_Result result = mParameterManager.AddParameter(parameter);
  if (result == AAX_SUCCESS && mAutomation)
    mAutomation->RegisterParameter(identifier.c_str());
  return result;
}

AAX_Result AAX_CEffectParameters::NotificationReceived(AAX_CTypeID, const void*, uint32_t) { return AAX_SUCCESS; }

AAX_Result AAX_CEffectParameters::GetNumberOfParameters(int32_t* count) const
{
  if (count == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *count = mParameterManager.NumParameters();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetMasterBypassParameter(AAX_IString* id) const
{
  if (id == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  id->Set(mParameterManager.GetParameterByID(kMasterBypassID) != nullptr ? kMasterBypassID : "");
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterIsAutomatable(AAX_CParamID id, AAX_CBoolean* automatable) const
{
  return Query(mParameterManager, id, automatable,
               [](const AAX_IParameter& p, AAX_CBoolean& out) { out = p.Automatable() ? 1 : 0; });
}

AAX_Result AAX_CEffectParameters::GetParameterNumberOfSteps(AAX_CParamID id, int32_t* steps) const
{
  return Query(mParameterManager, id, steps,
               [](const AAX_IParameter& p, int32_t& out) { out = p.GetNumberOfSteps(); });
}

AAX_Result AAX_CEffectParameters::GetParameterName(AAX_CParamID id, AAX_IString* name) const
{
  return GetParameterNameOfLength(id, name, 0);
}

AAX_Result AAX_CEffectParameters::GetParameterNameOfLength(AAX_CParamID id, AAX_IString* name, int32_t maxChars) const
{
  if (name == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  const AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  try
  {
    SetCut(*name, parameter != nullptr ? parameter->Name() : "", maxChars);
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value) const
{
  return Query(mParameterManager, id, value,
               [](const AAX_IParameter& p, double& out) { out = p.GetNormalizedDefaultValue(); });
}

AAX_Result AAX_CEffectParameters::SetParameterDefaultNormalizedValue(AAX_CParamID id, double)
{
  // Defaults are the plug-in's; hosts do not set them.
  return mParameterManager.GetParameterByID(id) != nullptr ? AAX_SUCCESS : AAX_ERROR_INVALID_PARAMETER_ID;
}

AAX_Result AAX_CEffectParameters::GetParameterType(AAX_CParamID id, AAX_EParameterType* type) const
{
  return Query(mParameterManager, id, type,
               [](const AAX_IParameter& p, AAX_EParameterType& out) { out = p.GetType(); });
}

AAX_Result AAX_CEffectParameters::GetParameterOrientation(AAX_CParamID id, int32_t* orientation) const
{
  return Query(mParameterManager, id, orientation, [](const AAX_IParameter&, int32_t& out) { out = 0; });
}

AAX_Result AAX_CEffectParameters::GetParameter(AAX_CParamID id, AAX_IParameter** parameter)
{
  if (parameter == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *parameter = mParameterManager.GetParameterByID(id);
  return *parameter != nullptr ? AAX_SUCCESS : AAX_ERROR_INVALID_PARAMETER_ID;
}

AAX_Result AAX_CEffectParameters::GetParameterIndex(AAX_CParamID id, int32_t* index) const
{
  if (index == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *index = mParameterManager.GetParameterIndex(id);
  return *index >= 0 ? AAX_SUCCESS : AAX_ERROR_INVALID_PARAMETER_ID;
}

AAX_Result AAX_CEffectParameters::GetParameterIDFromIndex(int32_t index, AAX_IString* id) const
{
  if (id == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  const AAX_IParameter* parameter = mParameterManager.GetParameter(index);
  id->Set(parameter != nullptr ? parameter->Identifier() : "");
  return parameter != nullptr ? AAX_SUCCESS : AAX_ERROR_INVALID_PARAMETER_ID;
}

AAX_Result AAX_CEffectParameters::GetParameterValueInfo(AAX_CParamID, int32_t, int32_t* value) const
{
  if (value != nullptr)
    *value = 0;
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result AAX_CEffectParameters::GetParameterValueFromString(AAX_CParamID id, double* value,
                                                              const AAX_IString& text) const
{
  if (value == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  const AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  try
  {
    return parameter->GetNormalizedValueFromString(AAX_CString(AAX_TextOf(&text)), value)
               ? AAX_SUCCESS
               : AAX_ERROR_INVALID_STRING_CONVERSION;
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
}

AAX_Result AAX_CEffectParameters::GetParameterStringFromValue(AAX_CParamID id, double value, AAX_IString* text,
                                                              int32_t maxChars) const
{
  if (text == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  const AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  if (!std::isfinite(value))
    return AAX_ERROR_INVALID_ARGUMENT;
  try
  {
    AAX_CString shown;
    if (!parameter->GetNormalizedValueAsString(std::clamp(value, 0.0, 1.0), &shown))
      return AAX_ERROR_INVALID_STRING_CONVERSION;
    SetCut(*text, shown.Text(), maxChars);
  }
  catch (...)
  {
    return AAX_ERROR_UNKNOWN_EXCEPTION;
  }
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterValueString(AAX_CParamID id, AAX_IString* text, int32_t maxChars) const
{
  const AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (text != nullptr && parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  return GetParameterStringFromValue(id, parameter != nullptr ? parameter->GetNormalizedValue() : 0.0, text,
                                     maxChars);
}

AAX_Result AAX_CEffectParameters::GetParameterNormalizedValue(AAX_CParamID id, double* value) const
{
  return Query(mParameterManager, id, value,
               [](const AAX_IParameter& p, double& out) { out = p.GetNormalizedValue(); });
}

AAX_Result AAX_CEffectParameters::SetParameterNormalizedValue(AAX_CParamID id, double value)
{
  AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  if (!std::isfinite(value))
    return AAX_ERROR_INVALID_ARGUMENT;
  parameter->SetNormalizedValue(value);
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::RequestParameterValue(AAX_CParamID id, double normalized)
{
  AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  if (!std::isfinite(normalized))
    return AAX_ERROR_INVALID_ARGUMENT;
  if (!mAutomation)
  {
    parameter->UpdateNormalizedValue(normalized);
    return AAX_SUCCESS;
  }
  return mAutomation->PostSetValueRequest(id, std::clamp(normalized, 0.0, 1.0));
}

AAX_Result AAX_CEffectParameters::SetParameterNormalizedRelative(AAX_CParamID id, double delta)
{
  const AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  return SetParameterNormalizedValue(id, std::clamp(parameter->GetNormalizedValue() + delta, 0.0, 1.0));
}

AAX_Result AAX_CEffectParameters::TouchParameter(AAX_CParamID id)
{
  AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  parameter->Touch();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::ReleaseParameter(AAX_CParamID id)
{
  AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  parameter->Release();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::UpdateParameterTouch(AAX_CParamID, AAX_CBoolean) { return AAX_SUCCESS; }

AAX_Result AAX_CEffectParameters::UpdateParameterNormalizedValue(AAX_CParamID id, double value, AAX_EUpdateSource)
{
  AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  if (!std::isfinite(value))
    return AAX_ERROR_INVALID_ARGUMENT;
  if (!parameter->UpdateNormalizedValue(value))
    return AAX_SUCCESS; // a value sent again changes nothing
  ParameterValueChanged(id, parameter->GetNormalizedValue());
  if (mAutomation)
    mAutomation->PostCurrentValue(id, parameter->GetNormalizedValue());
  CountChange();
  return mPacketDispatcher.SetDirty(id);
}

AAX_Result AAX_CEffectParameters::UpdateParameterNormalizedRelative(AAX_CParamID id, double delta)
{
  const AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  if (!std::isfinite(delta))
    return AAX_ERROR_INVALID_ARGUMENT;
  return UpdateParameterNormalizedValue(id, std::clamp(parameter->GetNormalizedValue() + delta, 0.0, 1.0),
                                        AAX_eUpdateSource_Unspecified);
}

AAX_Result AAX_CEffectParameters::GenerateCoefficients() { return AAX_SUCCESS; }

AAX_Result AAX_CEffectParameters::ResetFieldData(AAX_CFieldIndex, void* data, uint32_t size) const
{
  if (data == nullptr)
    return size == 0 ? AAX_SUCCESS : AAX_ERROR_NULL_ARGUMENT;
  std::memset(data, 0, size);
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetNumberOfChunks(int32_t* count) const
{
  if (count == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *count = 0;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetChunkIDFromIndex(int32_t, AAX_CTypeID* id) const
{
  if (id != nullptr)
    *id = 0;
  return AAX_ERROR_INVALID_CHUNK_INDEX;
}

AAX_Result AAX_CEffectParameters::GetChunkSize(AAX_CTypeID, uint32_t* size) const
{
  if (size != nullptr)
    *size = 0;
  return AAX_ERROR_INVALID_CHUNK_ID;
}

AAX_Result AAX_CEffectParameters::GetChunk(AAX_CTypeID, AAX_SPlugInChunk*) const { return AAX_ERROR_INVALID_CHUNK_ID; }

AAX_Result AAX_CEffectParameters::SetChunk(AAX_CTypeID, const AAX_SPlugInChunk*) { return AAX_ERROR_INVALID_CHUNK_ID; }

AAX_Result AAX_CEffectParameters::CompareActiveChunk(const AAX_SPlugInChunk*, AAX_CBoolean* equal) const
{
  if (equal == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *equal = 1;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetNumberOfChanges(int32_t* changes) const
{
  if (changes == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *changes = mChanges.load(std::memory_order_relaxed);
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::TimerWakeup() { return AAX_SUCCESS; }

AAX_Result AAX_CEffectParameters::GetCurveData(AAX_CTypeID, const float*, uint32_t, float*) const
{
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result AAX_CEffectParameters::GetCustomData(AAX_CTypeID, uint32_t, void*, uint32_t* written) const
{
  if (written != nullptr)
    *written = 0;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::SetCustomData(AAX_CTypeID, uint32_t, const void*) { return AAX_SUCCESS; }

AAX_Result AAX_CEffectParameters::DoMIDITransfers() { return AAX_SUCCESS; }

AAX_Result AAX_CEffectParameters::RenderAudio_Hybrid(AAX_SHybridRenderInfo*) { return AAX_ERROR_UNIMPLEMENTED; }

AAX_Result AAX_CEffectParameters::UpdateMIDINodes(AAX_CFieldIndex, AAX_CMidiPacket&) { return AAX_SUCCESS; }

AAX_Result AAX_CEffectParameters::UpdateControlMIDINodes(AAX_CTypeID, AAX_CMidiPacket&) { return AAX_SUCCESS; }

AAX_Result AAX_CEffectParameters::GetCurveDataMeterIds(AAX_CTypeID, uint32_t*, uint32_t*) const
{
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result AAX_CEffectParameters::GetCurveDataDisplayRange(AAX_CTypeID, float*, float*, float*, float*) const
{
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result AAX_CEffectParameters::UpdatePageTable(uint32_t, int32_t, IACFUnknown*, IACFUnknown*) const
{
  return AAX_SUCCESS;
}
