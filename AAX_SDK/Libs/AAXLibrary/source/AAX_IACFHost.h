#pragma once

// The host's ACF interfaces a plug-in calls: registration objects (collection, effect and
// component descriptors, property map), the controller and automation delegate of an
// instance, the view container, host services and the transport. Each version derives
// from the one before and appends its methods; the host answers every version's IID
// (AAX_UIDs.h) it implements.

#include "AAX_SDK/Libs/AAXLibrary/source/AAX.h"

class AAX_IString;
struct AAX_CMidiPacket;

using AAX_CProcessProc = void (*)(void* const contextsBegin[], const void* contextsEnd);
using AAX_CInstanceInitProc = int32_t (*)(const void* context, int32_t action);
using AAX_CBackgroundProc = int32_t (*)();
using AAX_CCreateObjectProc = IACFUnknown* (*)();

// ---- Registration ----

class AAX_IACFCollection : public IACFPluginDefinition
{
public:
  virtual AAX_Result AddEffect(const char* effectID, IACFUnknown* effectDescriptor) = 0;
  virtual AAX_Result SetManufacturerName(const char* name) = 0;
  virtual AAX_Result AddPackageName(const char* name) = 0;
  virtual AAX_Result SetPackageVersion(uint32_t version) = 0;
  virtual AAX_Result SetProperties(IACFUnknown* propertyMap) = 0;

protected:
  ~AAX_IACFCollection() = default;
};

class AAX_IACFEffectDescriptor : public IACFUnknown
{
public:
  virtual AAX_Result AddComponent(IACFUnknown* componentDescriptor) = 0;
  virtual AAX_Result AddName(const char* name) = 0;
  virtual AAX_Result AddCategory(uint32_t categoryBits) = 0;
  virtual AAX_Result AddCategoryBypassParameter(uint32_t category, AAX_CParamID id) = 0;
  virtual AAX_Result AddProcPtr(void* proc, AAX_CProcPtrID id) = 0;
  virtual AAX_Result SetProperties(IACFUnknown* propertyMap) = 0;
  virtual AAX_Result AddResourceInfo(AAX_EResourceType type, const char* info) = 0;
  virtual AAX_Result AddMeterDescription(AAX_CTypeID meterID, const char* name, IACFUnknown* propertyMap) = 0;

protected:
  ~AAX_IACFEffectDescriptor() = default;
};

class AAX_IACFEffectDescriptor_V2 : public AAX_IACFEffectDescriptor
{
public:
  virtual AAX_Result AddControlMIDINode(AAX_CTypeID nodeID, AAX_EMIDINodeType type, const char* name,
                                        uint32_t channelMask) = 0;

protected:
  ~AAX_IACFEffectDescriptor_V2() = default;
};

class AAX_IACFComponentDescriptor : public IACFUnknown
{
public:
  virtual AAX_Result Clear() = 0;
  virtual AAX_Result AddReservedField(AAX_CFieldIndex field, uint32_t type) = 0;
  virtual AAX_Result AddAudioIn(AAX_CFieldIndex field) = 0;
  virtual AAX_Result AddAudioOut(AAX_CFieldIndex field) = 0;
  virtual AAX_Result AddAudioBufferLength(AAX_CFieldIndex field) = 0;
  virtual AAX_Result AddSampleRate(AAX_CFieldIndex field) = 0;
  virtual AAX_Result AddClock(AAX_CFieldIndex field) = 0;
  virtual AAX_Result AddSideChainIn(AAX_CFieldIndex field) = 0;
  virtual AAX_Result AddDataInPort(AAX_CFieldIndex field, uint32_t packetSize, int32_t portType) = 0;
  virtual AAX_Result AddAuxOutputStem(AAX_CFieldIndex field, int32_t stemFormat, const char* name) = 0;
  virtual AAX_Result AddPrivateData(AAX_CFieldIndex field, int32_t sizeBytes, uint32_t options) = 0;
  virtual AAX_Result AddDmaInstance(AAX_CFieldIndex field, int32_t mode) = 0;
  virtual AAX_Result AddMIDINode(AAX_CFieldIndex field, AAX_EMIDINodeType type, const char* name,
                                 uint32_t channelMask) = 0;
  virtual AAX_Result AddProcessProc_Native(AAX_CProcessProc render, IACFUnknown* propertyMap,
                                           AAX_CInstanceInitProc init, AAX_CBackgroundProc background,
                                           AAX_CSelector* outProcID) = 0;
  virtual AAX_Result AddProcessProc_TI(const char* dll, const char* procSymbol, IACFUnknown* propertyMap,
                                       const char* initSymbol, const char* backgroundSymbol,
                                       AAX_CSelector* outProcID) = 0;
  virtual AAX_Result AddMeters(AAX_CFieldIndex field, const AAX_CTypeID* meterIDs, uint32_t count) = 0;

protected:
  ~AAX_IACFComponentDescriptor() = default;
};

class AAX_IACFComponentDescriptor_V2 : public AAX_IACFComponentDescriptor
{
public:
  virtual AAX_Result AddTemporaryData(AAX_CFieldIndex field, uint32_t elementSize) = 0;

protected:
  ~AAX_IACFComponentDescriptor_V2() = default;
};

class AAX_IACFComponentDescriptor_V3 : public AAX_IACFComponentDescriptor_V2
{
public:
  virtual AAX_Result AddProcessProc(IACFUnknown* propertyMap, AAX_CSelector* outProcIDs, int32_t capacity) = 0;

protected:
  ~AAX_IACFComponentDescriptor_V3() = default;
};

class AAX_IACFPropertyMap : public IACFUnknown
{
public:
  virtual AAX_CBoolean GetProperty(AAX_EProperty id, AAX_CPropertyValue* out) const = 0;
  virtual AAX_Result AddProperty(AAX_EProperty id, AAX_CPropertyValue value) = 0;
  virtual AAX_Result RemoveProperty(AAX_EProperty id) = 0;

protected:
  ~AAX_IACFPropertyMap() = default;
};

class AAX_IACFPropertyMap_V2 : public AAX_IACFPropertyMap
{
public:
  virtual AAX_Result AddPropertyWithIDArray(AAX_EProperty id, const AAX_SPlugInIdentifierTriad* ids,
                                            uint32_t count) = 0;
  virtual AAX_CBoolean GetPropertyWithIDArray(AAX_EProperty id, const AAX_SPlugInIdentifierTriad** out,
                                              uint32_t* count) const = 0;

protected:
  ~AAX_IACFPropertyMap_V2() = default;
};

class AAX_IACFPropertyMap_V3 : public AAX_IACFPropertyMap_V2
{
public:
  virtual AAX_CBoolean GetProperty64(AAX_EProperty id, AAX_CPropertyValue64* out) const = 0;
  virtual AAX_Result AddProperty64(AAX_EProperty id, AAX_CPropertyValue64 value) = 0;

protected:
  ~AAX_IACFPropertyMap_V3() = default;
};

// ---- One instance ----

class AAX_IACFController : public IACFUnknown
{
public:
  virtual AAX_Result GetEffectID(AAX_IString* effectID) const = 0;
  virtual AAX_Result GetSampleRate(AAX_CSampleRate* sampleRate) const = 0;
  virtual AAX_Result GetInputStemFormat(AAX_EStemFormat* format) const = 0;
  virtual AAX_Result GetOutputStemFormat(AAX_EStemFormat* format) const = 0;
  virtual AAX_Result GetSignalLatency(int32_t* samples) const = 0;
  virtual AAX_Result GetCycleCount(AAX_EProperty which, AAX_CPropertyValue* out) const = 0;
  virtual AAX_Result GetTODLocation(AAX_CTimeOfDay* out) const = 0;
  virtual AAX_Result SetSignalLatency(int32_t samples) = 0;
  virtual AAX_Result SetCycleCount(AAX_EProperty* which, AAX_CPropertyValue* values, int32_t count) = 0;
  virtual AAX_Result PostPacket(AAX_CFieldIndex field, const void* payload, uint32_t size) = 0;
  virtual AAX_Result GetCurrentMeterValue(AAX_CTypeID meterID, float* value) const = 0;
  virtual AAX_Result GetMeterPeakValue(AAX_CTypeID meterID, float* value) const = 0;
  virtual AAX_Result ClearMeterPeakValue(AAX_CTypeID meterID) const = 0;
  virtual AAX_Result GetMeterClipped(AAX_CTypeID meterID, AAX_CBoolean* clipped) const = 0;
  virtual AAX_Result ClearMeterClipped(AAX_CTypeID meterID) const = 0;
  virtual AAX_Result GetMeterCount(uint32_t* count) const = 0;
  virtual AAX_Result GetNextMIDIPacket(AAX_CFieldIndex* field, AAX_CMidiPacket* packet) = 0;

protected:
  ~AAX_IACFController() = default;
};

class AAX_IACFController_V2 : public AAX_IACFController
{
public:
  virtual AAX_Result SendNotification(AAX_CTypeID type, const void* data, uint32_t size) = 0;
  virtual AAX_Result GetHybridSignalLatency(int32_t* samples) const = 0;
  virtual AAX_Result GetCurrentAutomationTimestamp(AAX_CTransportCounter* timestamp) const = 0;
  virtual AAX_Result GetHostName(AAX_IString* name) const = 0;

protected:
  ~AAX_IACFController_V2() = default;
};

class AAX_IACFController_V3 : public AAX_IACFController_V2
{
public:
  virtual AAX_Result GetPlugInTargetPlatform(int32_t* platform) const = 0;
  virtual AAX_Result GetIsAudioSuite(AAX_CBoolean* offline) const = 0;

protected:
  ~AAX_IACFController_V3() = default;
};

class AAX_IACFAutomationDelegate : public IACFUnknown
{
public:
  virtual AAX_Result RegisterParameter(AAX_CParamID id) = 0;
  virtual AAX_Result UnregisterParameter(AAX_CParamID id) = 0;
  virtual AAX_Result PostSetValueRequest(AAX_CParamID id, double normalized) const = 0;
  virtual AAX_Result PostCurrentValue(AAX_CParamID id, double normalized) const = 0;
  virtual AAX_Result PostTouchRequest(AAX_CParamID id) = 0;
  virtual AAX_Result PostReleaseRequest(AAX_CParamID id) = 0;
  virtual AAX_Result GetTouchState(AAX_CParamID id, AAX_CBoolean* touched) = 0;

protected:
  ~AAX_IACFAutomationDelegate() = default;
};

class AAX_IACFViewContainer : public IACFUnknown
{
public:
  virtual int32_t GetType() = 0;
  virtual void* GetPtr() = 0;
  virtual AAX_Result GetModifiers(uint32_t* modifiers) = 0;
  virtual AAX_Result SetViewSize(AAX_Point& size) = 0;
  virtual AAX_Result HandleParameterMouseDown(AAX_CParamID id, uint32_t modifiers) = 0;
  virtual AAX_Result HandleParameterMouseDrag(AAX_CParamID id, uint32_t modifiers) = 0;
  virtual AAX_Result HandleParameterMouseUp(AAX_CParamID id, uint32_t modifiers) = 0;

protected:
  ~AAX_IACFViewContainer() = default;
};

class AAX_IACFHostServices : public IACFUnknown
{
public:
  virtual AAX_Result Assert(const char* file, int32_t line, const char* note) = 0;
  virtual AAX_Result Trace(int32_t priority, const char* message) = 0;

protected:
  ~AAX_IACFHostServices() = default;
};

class AAX_IACFHostServices_V2 : public AAX_IACFHostServices
{
public:
  virtual AAX_Result StackTrace(int32_t tracePriority, int32_t stackPriority, const char* message) = 0;

protected:
  ~AAX_IACFHostServices_V2() = default;
};

class AAX_IACFHostServices_V3 : public AAX_IACFHostServices_V2
{
public:
  virtual AAX_Result HandleAssertFailure(const char* file, int32_t line, const char* note, int32_t flags) = 0;

protected:
  ~AAX_IACFHostServices_V3() = default;
};
