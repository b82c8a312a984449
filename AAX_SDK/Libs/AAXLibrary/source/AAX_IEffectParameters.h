#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IString.h"

class AAX_IAutomationDelegate;
class AAX_IController;
struct AAX_SPlugInChunk;

// The host's handle on one instance's parameters and state. Reference counted: the
// creation procedure hands out one reference, Release drops it. Every call answers
// AAX_SUCCESS or an error code; null out-pointers answer AAX_ERROR_NULL_ARGUMENT.
class AAX_IEffectParameters
{
public:
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

  // [UI thread] Keeps controller and automation (neither owned; automation may be null)
  // and sets the instance up; before it the instance renders nothing. Null controller:
  // AAX_ERROR_NULL_ARGUMENT; a second call: AAX_ERROR_ALREADY_INITIALIZED.
  virtual AAX_Result Initialize(AAX_IController* controller, AAX_IAutomationDelegate* automation) = 0;
  virtual AAX_Result Uninitialize() = 0;

  // ---- Parameters; unknown identifiers answer AAX_ERROR_INVALID_PARAMETER_ID ----
  virtual AAX_Result GetNumberOfParameters(int32_t* count) const = 0;
  virtual AAX_Result GetMasterBypassParameter(AAX_IString* identifier) const = 0;
  virtual AAX_Result GetParameterIDFromIndex(int32_t index, AAX_IString* identifier) const = 0;
  virtual AAX_Result GetParameterName(AAX_CParamID id, AAX_IString* name) const = 0;
  virtual AAX_Result GetParameterNormalizedValue(AAX_CParamID id, double* value) const = 0;
  virtual AAX_Result GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value) const = 0;
  virtual AAX_Result GetParameterNumberOfSteps(AAX_CParamID id, int32_t* steps) const = 0;
  virtual AAX_Result GetParameterType(AAX_CParamID id, int32_t* type) const = 0;
  virtual AAX_Result GetParameterStringFromValue(AAX_CParamID id, double value, AAX_IString* text) const = 0;
  virtual AAX_Result GetParameterValueFromString(AAX_CParamID id, double* value, const AAX_IString& text) const = 0;
  // An edit by the plug-in: to the host's automation (and back through
  // UpdateParameterNormalizedValue), or stored at once without automation.
  virtual AAX_Result SetParameterNormalizedValue(AAX_CParamID id, double value) = 0;
  virtual AAX_Result TouchParameter(AAX_CParamID id) = 0;
  virtual AAX_Result ReleaseParameter(AAX_CParamID id) = 0;
  // A value from the host (automation playback, its own controls, an edit coming back).
  virtual AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value, int32_t source) = 0;
  // How often the plug-in's state changed: the host compares it to show a modified state.
  virtual AAX_Result GetNumberOfChanges(int32_t* changes) const = 0;

  // ---- Algorithm context ----
  // The host fills a private block (field, sizeBytes) of a new context through this.
  virtual AAX_Result ResetFieldData(AAX_CFieldIndex field, void* data, uint32_t sizeBytes) const = 0;

  // ---- Chunks ----
  virtual AAX_Result GetNumberOfChunks(int32_t* count) const = 0;
  virtual AAX_Result GetChunkIDFromIndex(int32_t index, AAX_CTypeID* chunkId) const = 0;
  virtual AAX_Result GetChunkSize(AAX_CTypeID chunkId, uint32_t* sizeBytes) const = 0;
  virtual AAX_Result GetChunk(AAX_CTypeID chunkId, AAX_SPlugInChunk* chunk) const = 0;
  virtual AAX_Result SetChunk(AAX_CTypeID chunkId, const AAX_SPlugInChunk* chunk) = 0;
  virtual AAX_Result CompareActiveChunk(const AAX_SPlugInChunk* chunk, bool* equal) const = 0;

  // ---- Notifications ----
  virtual AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t sizeBytes) = 0;
  virtual AAX_Result TimerWakeup() = 0;

protected:
  virtual ~AAX_IEffectParameters() = default;
};
