#pragma once

// The plug-in's ACF interfaces: the effect-parameters object of an instance (V1..V4) and
// its editor object (V1, V2). Each version derives from the one before and appends its
// methods at the end of the v-table.

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

class AAX_IString;
class AAX_IParameter;
struct AAX_SPlugInChunk;
struct AAX_CMidiPacket;
struct AAX_SHybridRenderInfo;

class AAX_IACFEffectParameters : public IACFUnknown
{
public:
  virtual AAX_Result Initialize(IACFUnknown* controller) = 0;
  virtual AAX_Result Uninitialize() = 0;
  virtual AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size) = 0;
  virtual AAX_Result GetNumberOfParameters(int32_t* count) const = 0;
  virtual AAX_Result GetMasterBypassParameter(AAX_IString* id) const = 0;
  virtual AAX_Result GetParameterIsAutomatable(AAX_CParamID id, AAX_CBoolean* automatable) const = 0;
  virtual AAX_Result GetParameterNumberOfSteps(AAX_CParamID id, int32_t* steps) const = 0;
  virtual AAX_Result GetParameterName(AAX_CParamID id, AAX_IString* name) const = 0;
  virtual AAX_Result GetParameterNameOfLength(AAX_CParamID id, AAX_IString* name, int32_t maxChars) const = 0;
  virtual AAX_Result GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value) const = 0;
  virtual AAX_Result SetParameterDefaultNormalizedValue(AAX_CParamID id, double value) = 0;
  virtual AAX_Result GetParameterType(AAX_CParamID id, AAX_EParameterType* type) const = 0;
  virtual AAX_Result GetParameterOrientation(AAX_CParamID id, int32_t* orientation) const = 0;
  virtual AAX_Result GetParameter(AAX_CParamID id, AAX_IParameter** parameter) = 0;
  virtual AAX_Result GetParameterIndex(AAX_CParamID id, int32_t* index) const = 0;
  virtual AAX_Result GetParameterIDFromIndex(int32_t index, AAX_IString* id) const = 0;
  virtual AAX_Result GetParameterValueInfo(AAX_CParamID id, int32_t selector, int32_t* value) const = 0;
  virtual AAX_Result GetParameterValueFromString(AAX_CParamID id, double* value, const AAX_IString& text) const = 0;
  virtual AAX_Result GetParameterStringFromValue(AAX_CParamID id, double value, AAX_IString* text,
                                                 int32_t maxChars) const = 0;
  virtual AAX_Result GetParameterValueString(AAX_CParamID id, AAX_IString* text, int32_t maxChars) const = 0;
  virtual AAX_Result GetParameterNormalizedValue(AAX_CParamID id, double* value) const = 0;
  virtual AAX_Result SetParameterNormalizedValue(AAX_CParamID id, double value) = 0;
  virtual AAX_Result SetParameterNormalizedRelative(AAX_CParamID id, double delta) = 0;
  virtual AAX_Result TouchParameter(AAX_CParamID id) = 0;
  virtual AAX_Result ReleaseParameter(AAX_CParamID id) = 0;
  virtual AAX_Result UpdateParameterTouch(AAX_CParamID id, AAX_CBoolean touched) = 0;
  virtual AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value, AAX_EUpdateSource source) = 0;
  virtual AAX_Result UpdateParameterNormalizedRelative(AAX_CParamID id, double delta) = 0;
  virtual AAX_Result GenerateCoefficients() = 0;
  virtual AAX_Result ResetFieldData(AAX_CFieldIndex field, void* data, uint32_t size) const = 0;
  virtual AAX_Result GetNumberOfChunks(int32_t* count) const = 0;
  virtual AAX_Result GetChunkIDFromIndex(int32_t index, AAX_CTypeID* id) const = 0;
  virtual AAX_Result GetChunkSize(AAX_CTypeID id, uint32_t* size) const = 0;
  virtual AAX_Result GetChunk(AAX_CTypeID id, AAX_SPlugInChunk* chunk) const = 0;
  virtual AAX_Result SetChunk(AAX_CTypeID id, const AAX_SPlugInChunk* chunk) = 0;
  virtual AAX_Result CompareActiveChunk(const AAX_SPlugInChunk* chunk, AAX_CBoolean* equal) const = 0;
  virtual AAX_Result GetNumberOfChanges(int32_t* changes) const = 0;
  virtual AAX_Result TimerWakeup() = 0;
  virtual AAX_Result GetCurveData(AAX_CTypeID curve, const float* in, uint32_t count, float* out) const = 0;
  virtual AAX_Result GetCustomData(AAX_CTypeID type, uint32_t size, void* data, uint32_t* written) const = 0;
  virtual AAX_Result SetCustomData(AAX_CTypeID type, uint32_t size, const void* data) = 0;
  virtual AAX_Result DoMIDITransfers() = 0;

protected:
  ~AAX_IACFEffectParameters() = default;
};

class AAX_IACFEffectParameters_V2 : public AAX_IACFEffectParameters
{
public:
  virtual AAX_Result RenderAudio_Hybrid(AAX_SHybridRenderInfo* info) = 0;
  virtual AAX_Result UpdateMIDINodes(AAX_CFieldIndex field, AAX_CMidiPacket& packet) = 0;
  virtual AAX_Result UpdateControlMIDINodes(AAX_CTypeID node, AAX_CMidiPacket& packet) = 0;

protected:
  ~AAX_IACFEffectParameters_V2() = default;
};

class AAX_IACFEffectParameters_V3 : public AAX_IACFEffectParameters_V2
{
public:
  virtual AAX_Result GetCurveDataMeterIds(AAX_CTypeID curve, uint32_t* xMeter, uint32_t* yMeter) const = 0;
  virtual AAX_Result GetCurveDataDisplayRange(AAX_CTypeID curve, float* xMin, float* xMax, float* yMin,
                                              float* yMax) const = 0;

protected:
  ~AAX_IACFEffectParameters_V3() = default;
};

class AAX_IACFEffectParameters_V4 : public AAX_IACFEffectParameters_V3
{
public:
  virtual AAX_Result UpdatePageTable(uint32_t type, int32_t pageSize, IACFUnknown* host, IACFUnknown* table) const = 0;

protected:
  ~AAX_IACFEffectParameters_V4() = default;
};

class AAX_IACFEffectGUI : public IACFUnknown
{
public:
  virtual AAX_Result Initialize(IACFUnknown* controller) = 0;
  virtual AAX_Result Uninitialize() = 0;
  virtual AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size) = 0;
  virtual AAX_Result SetViewContainer(IACFUnknown* container) = 0;
  virtual AAX_Result GetViewSize(AAX_Point* size) const = 0;
  virtual AAX_Result Draw(AAX_Rect* area) = 0;
  virtual AAX_Result TimerWakeup() = 0;
  virtual AAX_Result ParameterUpdated(AAX_CParamID id) = 0;
  virtual AAX_Result GetCustomLabel(AAX_EPlugInStrings selector, AAX_IString* label) const = 0;
  virtual AAX_Result SetControlHighlightInfo(AAX_CParamID id, AAX_CBoolean highlighted, int32_t color) = 0;

protected:
  ~AAX_IACFEffectGUI() = default;
};

class AAX_IACFEffectGUI_V2 : public AAX_IACFEffectGUI
{
public:
  virtual AAX_Result GetMinimumViewSize(AAX_Point* size) const = 0;

protected:
  ~AAX_IACFEffectGUI_V2() = default;
};
