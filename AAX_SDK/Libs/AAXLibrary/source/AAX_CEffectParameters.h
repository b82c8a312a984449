#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CPacketDispatcher.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CParameterManager.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IEffectParameters.h"

#include <atomic>

class AAX_ITransport;

// The common behaviour of an effect-parameters object: reference counting, the
// parameter manager and packet dispatcher, the controller and automation proxies, and
// the parameter calls answered from the manager. A plug-in derives from it, creates its
// parameters in EffectInit and answers the chunk and field calls it supports (the
// defaults: no chunks, zero-filled fields).
class AAX_CEffectParameters : public AAX_IEffectParameters
{
public:
  AAX_CEffectParameters();
  AAX_CEffectParameters(const AAX_CEffectParameters&) = delete;
  AAX_CEffectParameters& operator=(const AAX_CEffectParameters&) = delete;

  uint32_t AddRef() override;
  uint32_t Release() override; // deletes the object when the count reaches 0

  AAX_Result Initialize(AAX_IController* controller, AAX_IAutomationDelegate* automation) override;
  AAX_Result Uninitialize() override;

  AAX_Result GetNumberOfParameters(int32_t* count) const override;
  // "MasterBypassID" while the manager holds a parameter with that identifier, else
  // the empty identifier.
  AAX_Result GetMasterBypassParameter(AAX_IString* identifier) const override;
  AAX_Result GetParameterIDFromIndex(int32_t index, AAX_IString* identifier) const override;
  AAX_Result GetParameterName(AAX_CParamID id, AAX_IString* name) const override;
  AAX_Result GetParameterNormalizedValue(AAX_CParamID id, double* value) const override;
  AAX_Result GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value) const override;
  AAX_Result GetParameterNumberOfSteps(AAX_CParamID id, int32_t* steps) const override;
  AAX_Result GetParameterType(AAX_CParamID id, int32_t* type) const override;
  AAX_Result GetParameterStringFromValue(AAX_CParamID id, double value, AAX_IString* text) const override;
  AAX_Result GetParameterValueFromString(AAX_CParamID id, double* value, const AAX_IString& text) const override;
  AAX_Result SetParameterNormalizedValue(AAX_CParamID id, double value) override;
  AAX_Result TouchParameter(AAX_CParamID id) override;
  AAX_Result ReleaseParameter(AAX_CParamID id) override;
  // Stores the value, marks its packet dirty and counts a change.
  AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value, int32_t source) override;
  AAX_Result GetNumberOfChanges(int32_t* changes) const override;

  AAX_Result ResetFieldData(AAX_CFieldIndex field, void* data, uint32_t sizeBytes) const override;

  AAX_Result GetNumberOfChunks(int32_t* count) const override;
  AAX_Result GetChunkIDFromIndex(int32_t index, AAX_CTypeID* chunkId) const override;
  AAX_Result GetChunkSize(AAX_CTypeID chunkId, uint32_t* sizeBytes) const override;
  AAX_Result GetChunk(AAX_CTypeID chunkId, AAX_SPlugInChunk* chunk) const override;
  AAX_Result SetChunk(AAX_CTypeID chunkId, const AAX_SPlugInChunk* chunk) override;
  AAX_Result CompareActiveChunk(const AAX_SPlugInChunk* chunk, bool* equal) const override;

  AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t sizeBytes) override;
  AAX_Result TimerWakeup() override;

  AAX_IController* Controller() const { return mController; }
  AAX_IAutomationDelegate* AutomationDelegate() const { return mAutomation; }
  bool IsInitialized() const { return mController != nullptr; }

  // Objects of the module alive now (effect-parameters and GUI objects): the module may
  // be unloaded at 0.
  static int LiveObjects();
  static void ObjectCreated();
  static void ObjectDestroyed();

protected:
  ~AAX_CEffectParameters() override;
  // Called once by Initialize, after the proxies are set.
  virtual AAX_Result EffectInit() { return AAX_SUCCESS; }
  void CountChange() { mChanges.fetch_add(1, std::memory_order_relaxed); }
  // edit(parameter) for a known id, else AAX_ERROR_INVALID_PARAMETER_ID.
  template <typename EditFn>
  AAX_Result Edit(AAX_CParamID id, EditFn&& edit)
  {
    AAX_IParameter* parameter = mParameterManager.GetParameterByID(id);
    if (parameter == nullptr)
      return AAX_ERROR_INVALID_PARAMETER_ID;
    edit(*parameter);
    return AAX_SUCCESS;
  }

  AAX_CParameterManager mParameterManager;
  AAX_CPacketDispatcher mPacketDispatcher;

private:
  std::atomic<uint32_t> mReferences{1};
  std::atomic<int32_t> mChanges{0};
  AAX_IController* mController = nullptr;
  AAX_IAutomationDelegate* mAutomation = nullptr;
};
