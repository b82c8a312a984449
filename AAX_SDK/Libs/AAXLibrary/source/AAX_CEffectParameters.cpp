#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CEffectParameters.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_SPlugInChunk.h"

#include <cstring>

namespace
{
std::atomic<int> gLiveObjects{0};
constexpr const char* kMasterBypassID = "MasterBypassID";
}

int AAX_CEffectParameters::LiveObjects() { return gLiveObjects.load(); }
void AAX_CEffectParameters::ObjectCreated() { gLiveObjects.fetch_add(1); }
void AAX_CEffectParameters::ObjectDestroyed() { gLiveObjects.fetch_sub(1); }

AAX_CEffectParameters::AAX_CEffectParameters() { ObjectCreated(); }

AAX_CEffectParameters::~AAX_CEffectParameters() { ObjectDestroyed(); }

uint32_t AAX_CEffectParameters::AddRef() { return mReferences.fetch_add(1) + 1; }

uint32_t AAX_CEffectParameters::Release()
{
  const uint32_t left = mReferences.fetch_sub(1) - 1;
  if (left == 0)
    delete this;
  return left;
}

AAX_Result AAX_CEffectParameters::Initialize(AAX_IController* controller, AAX_IAutomationDelegate* automation)
{
  if (controller == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  if (mController != nullptr)
    return AAX_ERROR_ALREADY_INITIALIZED;
  mController = controller;
  mAutomation = automation;
  const AAX_Result result = EffectInit();
  mParameterManager.SetAutomationDelegate(automation);
  return result;
}

AAX_Result AAX_CEffectParameters::Uninitialize()
{
  mParameterManager.SetAutomationDelegate(nullptr);
  mAutomation = nullptr;
  mController = nullptr;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetNumberOfParameters(int32_t* count) const
{
  if (count == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *count = mParameterManager.NumParameters();
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetMasterBypassParameter(AAX_IString* identifier) const
{
  if (identifier == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  identifier->Set(mParameterManager.GetParameterByID(kMasterBypassID) != nullptr ? kMasterBypassID : "");
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterIDFromIndex(int32_t index, AAX_IString* identifier) const
{
  if (identifier == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  const AAX_IParameter* parameter = mParameterManager.GetParameter(index);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  identifier->Set(parameter->Identifier());
  return AAX_SUCCESS;
}

namespace
{
// Answers a query about parameter id into *out: null out, AAX_ERROR_NULL_ARGUMENT; an
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
} // namespace

AAX_Result AAX_CEffectParameters::GetParameterName(AAX_CParamID id, AAX_IString* name) const
{
  return Query(mParameterManager, id, name, [](const AAX_IParameter& p, AAX_IString& out) { out.Set(p.Name()); });
}

AAX_Result AAX_CEffectParameters::GetParameterNormalizedValue(AAX_CParamID id, double* value) const
{
  return Query(mParameterManager, id, value,
               [](const AAX_IParameter& p, double& out) { out = p.GetNormalizedValue(); });
}

AAX_Result AAX_CEffectParameters::GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value) const
{
  return Query(mParameterManager, id, value,
               [](const AAX_IParameter& p, double& out) { out = p.GetNormalizedDefaultValue(); });
}

AAX_Result AAX_CEffectParameters::GetParameterNumberOfSteps(AAX_CParamID id, int32_t* steps) const
{
  return Query(mParameterManager, id, steps,
               [](const AAX_IParameter& p, int32_t& out) { out = p.GetNumberOfSteps(); });
}

AAX_Result AAX_CEffectParameters::GetParameterType(AAX_CParamID id, int32_t* type) const
{
  return Query(mParameterManager, id, type, [](const AAX_IParameter& p, int32_t& out) { out = p.GetType(); });
}

AAX_Result AAX_CEffectParameters::GetParameterStringFromValue(AAX_CParamID id, double value, AAX_IString* text) const
{
  if (text == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  const AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  AAX_CString shown;
  if (!parameter->GetNormalizedValueAsString(value, &shown))
    return AAX_ERROR_INVALID_ARGUMENT;
  text->Set(shown.Get());
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetParameterValueFromString(AAX_CParamID id, double* value,
                                                              const AAX_IString& text) const
{
  if (value == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  const AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  return parameter->GetNormalizedValueFromString(AAX_CString(text.Get()), value) ? AAX_SUCCESS
                                                                                 : AAX_ERROR_INVALID_ARGUMENT;
}

AAX_Result AAX_CEffectParameters::SetParameterNormalizedValue(AAX_CParamID id, double value)
{
  return Edit(id, [value](AAX_IParameter& p) { p.SetNormalizedValue(value); });
}

AAX_Result AAX_CEffectParameters::TouchParameter(AAX_CParamID id)
{
  return Edit(id, [](AAX_IParameter& p) { p.Touch(); });
}

AAX_Result AAX_CEffectParameters::ReleaseParameter(AAX_CParamID id)
{
  return Edit(id, [](AAX_IParameter& p) { p.Release(); });
}

AAX_Result AAX_CEffectParameters::UpdateParameterNormalizedValue(AAX_CParamID id, double value, int32_t /*source*/)
{
  AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
  if (parameter == nullptr)
    return AAX_ERROR_INVALID_PARAMETER_ID;
  parameter->UpdateNormalizedValue(value);
  CountChange();
  return mPacketDispatcher.SetDirty(id);
}

AAX_Result AAX_CEffectParameters::GetNumberOfChanges(int32_t* changes) const
{
  if (changes == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *changes = mChanges.load(std::memory_order_relaxed);
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::ResetFieldData(AAX_CFieldIndex /*field*/, void* data, uint32_t sizeBytes) const
{
  if (data == nullptr)
    return sizeBytes == 0 ? AAX_SUCCESS : AAX_ERROR_NULL_ARGUMENT;
  std::memset(data, 0, sizeBytes);
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetNumberOfChunks(int32_t* count) const
{
  if (count == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *count = 0;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetChunkIDFromIndex(int32_t /*index*/, AAX_CTypeID* chunkId) const
{
  if (chunkId != nullptr)
    *chunkId = 0;
  return AAX_ERROR_INVALID_CHUNK_INDEX;
}

AAX_Result AAX_CEffectParameters::GetChunkSize(AAX_CTypeID /*chunkId*/, uint32_t* sizeBytes) const
{
  if (sizeBytes != nullptr)
    *sizeBytes = 0;
  return AAX_ERROR_INVALID_CHUNK_ID;
}

AAX_Result AAX_CEffectParameters::GetChunk(AAX_CTypeID /*chunkId*/, AAX_SPlugInChunk* /*chunk*/) const
{
  return AAX_ERROR_INVALID_CHUNK_ID;
}

AAX_Result AAX_CEffectParameters::SetChunk(AAX_CTypeID /*chunkId*/, const AAX_SPlugInChunk* /*chunk*/)
{
  return AAX_ERROR_INVALID_CHUNK_ID;
}

AAX_Result AAX_CEffectParameters::CompareActiveChunk(const AAX_SPlugInChunk* /*chunk*/, bool* equal) const
{
  if (equal == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *equal = true;
  return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::NotificationReceived(AAX_CTypeID, const void*, uint32_t) { return AAX_SUCCESS; }

AAX_Result AAX_CEffectParameters::TimerWakeup() { return AAX_SUCCESS; }
