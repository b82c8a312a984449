#pragma once

// The interfaces of the AAX binary interface in v-table slot order, as the host sees
// them. The ACF interfaces have no destructor slot. The three plain C++ interfaces
// (strings, MIDI nodes, the plain transport) use the layout of Windows hosts on every
// platform: one placeholder where the destructor sits, assignments in that layout's
// order; nobody calls the placeholder.

#include "tools/aaxhost/AbiTypes.h"

namespace aaxhost::abi
{
struct IACFUnknown
{
  virtual ACFRESULT QueryInterface(const acfUID& iid, void** out) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;
};

struct IACFDefinition : IACFUnknown
{
  virtual ACFRESULT DefineAttribute(const acfUID& attributeID, const acfUID& typeID, const void* data,
                                    uint32_t size) = 0;
  virtual ACFRESULT GetAttributeInfo(const acfUID& attributeID, acfUID* typeID, uint32_t* size) = 0;
  virtual ACFRESULT CopyAttribute(const acfUID& attributeID, const acfUID& typeID, void* data, uint32_t size) = 0;
};

struct IACFPluginDefinition : IACFDefinition
{
  virtual ACFRESULT InitializePlugin(const acfUID& uid, uint32_t major, uint32_t minor, const acfWChar* name,
                                     const acfUID& vendorID, const acfWChar* vendorName, uint32_t componentCount,
                                     int32_t cache) = 0;
};

struct IACFComponentDefinition;
struct IACFEnumDefinitions;

struct IACFComponentFactory : IACFUnknown
{
  virtual ACFRESULT CreateComponent(const acfUID& componentID, IACFUnknown* outer, const acfUID& iid,
                                    void** out) = 0;
  virtual ACFRESULT CreateInstance(const acfUID& clsid, IACFUnknown* outer, const acfUID& iid, void** out) = 0;
  virtual ACFRESULT GetClassFactory(const acfUID& clsid, const acfUID& iid, void** out) = 0;
  virtual ACFRESULT FindDefinition(const acfUID& uid, const acfUID& iid, IACFDefinition** out) = 0;
  virtual ACFRESULT EnumDefinitions(const acfUID& typeID, IACFEnumDefinitions** out) = 0;
};

struct ICollection : IACFPluginDefinition
{
  virtual AAX_Result AddEffect(const char* effectID, IACFUnknown* effectDescriptor) = 0;
  virtual AAX_Result SetManufacturerName(const char* name) = 0;
  virtual AAX_Result AddPackageName(const char* name) = 0;
  virtual AAX_Result SetPackageVersion(uint32_t version) = 0;
  virtual AAX_Result SetProperties(IACFUnknown* propertyMap) = 0;
};

struct IEffectDescriptorV2 : IACFUnknown
{
  virtual AAX_Result AddComponent(IACFUnknown* componentDescriptor) = 0;
  virtual AAX_Result AddName(const char* name) = 0;
  virtual AAX_Result AddCategory(uint32_t categoryBits) = 0;
  virtual AAX_Result AddCategoryBypassParameter(uint32_t category, AAX_CParamID id) = 0;
  virtual AAX_Result AddProcPtr(void* proc, int32_t procID) = 0;
  virtual AAX_Result SetProperties(IACFUnknown* propertyMap) = 0;
  virtual AAX_Result AddResourceInfo(int32_t type, const char* info) = 0;
  virtual AAX_Result AddMeterDescription(AAX_CTypeID meterID, const char* name, IACFUnknown* propertyMap) = 0;
  // V2
  virtual AAX_Result AddControlMIDINode(AAX_CTypeID nodeID, int32_t type, const char* name, uint32_t mask) = 0;
};

struct IComponentDescriptorV3 : IACFUnknown
{
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
  virtual AAX_Result AddMIDINode(AAX_CFieldIndex field, int32_t nodeType, const char* name, uint32_t mask) = 0;
  virtual AAX_Result AddProcessProc_Native(AAX_CProcessProc render, IACFUnknown* propertyMap,
                                           AAX_CInstanceInitProc init, AAX_CBackgroundProc background,
                                           AAX_CSelector* outProcID) = 0;
  virtual AAX_Result AddProcessProc_TI(const char* dll, const char* procSymbol, IACFUnknown* propertyMap,
                                       const char* initSymbol, const char* backgroundSymbol,
                                       AAX_CSelector* outProcID) = 0;
  virtual AAX_Result AddMeters(AAX_CFieldIndex field, const AAX_CTypeID* ids, uint32_t count) = 0;
  // V2
  virtual AAX_Result AddTemporaryData(AAX_CFieldIndex field, uint32_t elementSize) = 0;
  // V3
  virtual AAX_Result AddProcessProc(IACFUnknown* propertyMap, AAX_CSelector* outProcIDs, int32_t capacity) = 0;
};

struct AAX_SPlugInIdentifierTriad
{
  uint32_t mManufacturerID;
  uint32_t mProductID;
  uint32_t mPlugInID;
};

struct IPropertyMapV3 : IACFUnknown
{
  virtual AAX_CBoolean GetProperty(int32_t id, AAX_CPropertyValue* out) = 0;
  virtual AAX_Result AddProperty(int32_t id, AAX_CPropertyValue value) = 0;
  virtual AAX_Result RemoveProperty(int32_t id) = 0;
  // V2
  virtual AAX_Result AddPropertyWithIDArray(int32_t id, const AAX_SPlugInIdentifierTriad* ids, uint32_t count) = 0;
  virtual AAX_CBoolean GetPropertyWithIDArray(int32_t id, const AAX_SPlugInIdentifierTriad** out,
                                              uint32_t* count) = 0;
  // V3
  virtual AAX_CBoolean GetProperty64(int32_t id, AAX_CPropertyValue64* out) = 0;
  virtual AAX_Result AddProperty64(int32_t id, AAX_CPropertyValue64 value) = 0;
};

// ---- plain C++ interfaces (layout of Windows hosts) ----

struct IString
{
  virtual void* PlaceholderDestructor(unsigned int flags) = 0;
  virtual uint32_t Length() const = 0;
  virtual uint32_t MaxLength() const = 0;
  virtual const char* Get() const = 0;
  virtual void Set(const char* text) = 0;
  virtual IString& AssignText(const char* text) = 0;
  virtual IString& AssignString(const IString& other) = 0;
};

struct ITransport
{
  virtual void* PlaceholderDestructor(unsigned int flags) = 0;
  virtual AAX_Result GetCurrentTempo(double* bpm) const = 0;
  virtual AAX_Result GetCurrentMeter(int32_t* numerator, int32_t* denominator) const = 0;
  virtual AAX_Result IsTransportPlaying(bool* playing) const = 0;
  virtual AAX_Result GetCurrentTickPosition(int64_t* ticks) const = 0;
  virtual AAX_Result GetCurrentLoopPosition(bool* looping, int64_t* startTicks, int64_t* endTicks) const = 0;
  virtual AAX_Result GetCurrentNativeSampleLocation(int64_t* sample) const = 0;
  virtual AAX_Result GetCustomTickPosition(int64_t* ticks, int64_t sample) const = 0;
  virtual AAX_Result GetBarBeatPosition(int32_t* bars, int32_t* beats, int64_t* displayTicks,
                                        int64_t sample) const = 0;
  virtual AAX_Result GetTicksPerQuarter(uint32_t* ticks) const = 0;
  virtual AAX_Result GetCurrentTicksPerBeat(uint32_t* ticks) const = 0;
  virtual AAX_Result GetTimelineSelectionStartPosition(int64_t* sample) const = 0;
  virtual AAX_Result GetTimeCodeInfo(int32_t* rate, int32_t* offset) const = 0;
  virtual AAX_Result GetFeetFramesInfo(int32_t* rate, int64_t* offset) const = 0;
  virtual AAX_Result IsMetronomeEnabled(int32_t* enabled) const = 0;
  virtual AAX_Result GetHDTimeCodeInfo(int32_t* rate, int64_t* offset) const = 0;
  virtual AAX_Result RequestTransportStart() = 0;
  virtual AAX_Result RequestTransportStop() = 0;
  virtual AAX_Result GetTimelineSelectionEndPosition(int64_t* sample) const = 0;
  virtual AAX_Result GetKeySignature(int64_t sample, uint32_t* signature) const = 0;
};

struct IMIDINode
{
  virtual void* PlaceholderDestructor(unsigned int flags) = 0;
  virtual AAX_CMidiStream* GetNodeBuffer() = 0;
  virtual AAX_Result PostMIDIPacket(AAX_CMidiPacket* packet) = 0;
  virtual ITransport* GetTransport() = 0;
};

// ---- the plug-in's objects ----

struct IEffectParametersV4 : IACFUnknown
{
  virtual AAX_Result Initialize(IACFUnknown* controller) = 0;
  virtual AAX_Result Uninitialize() = 0;
  virtual AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size) = 0;
  virtual AAX_Result GetNumberOfParameters(int32_t* count) const = 0;
  virtual AAX_Result GetMasterBypassParameter(IString* id) const = 0;
  virtual AAX_Result GetParameterIsAutomatable(AAX_CParamID id, AAX_CBoolean* automatable) const = 0;
  virtual AAX_Result GetParameterNumberOfSteps(AAX_CParamID id, int32_t* steps) const = 0;
  virtual AAX_Result GetParameterName(AAX_CParamID id, IString* name) const = 0;
  virtual AAX_Result GetParameterNameOfLength(AAX_CParamID id, IString* name, int32_t maxChars) const = 0;
  virtual AAX_Result GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value) const = 0;
  virtual AAX_Result SetParameterDefaultNormalizedValue(AAX_CParamID id, double value) = 0;
  virtual AAX_Result GetParameterType(AAX_CParamID id, int32_t* type) const = 0;
  virtual AAX_Result GetParameterOrientation(AAX_CParamID id, int32_t* orientation) const = 0;
  virtual AAX_Result GetParameter(AAX_CParamID id, void** parameter) = 0;
  virtual AAX_Result GetParameterIndex(AAX_CParamID id, int32_t* index) const = 0;
  virtual AAX_Result GetParameterIDFromIndex(int32_t index, IString* id) const = 0;
  virtual AAX_Result GetParameterValueInfo(AAX_CParamID id, int32_t selector, int32_t* value) const = 0;
  virtual AAX_Result GetParameterValueFromString(AAX_CParamID id, double* value, const IString& text) const = 0;
  virtual AAX_Result GetParameterStringFromValue(AAX_CParamID id, double value, IString* text,
                                                 int32_t maxChars) const = 0;
  virtual AAX_Result GetParameterValueString(AAX_CParamID id, IString* text, int32_t maxChars) const = 0;
  virtual AAX_Result GetParameterNormalizedValue(AAX_CParamID id, double* value) const = 0;
  virtual AAX_Result SetParameterNormalizedValue(AAX_CParamID id, double value) = 0;
  virtual AAX_Result SetParameterNormalizedRelative(AAX_CParamID id, double delta) = 0;
  virtual AAX_Result TouchParameter(AAX_CParamID id) = 0;
  virtual AAX_Result ReleaseParameter(AAX_CParamID id) = 0;
  virtual AAX_Result UpdateParameterTouch(AAX_CParamID id, AAX_CBoolean touched) = 0;
  virtual AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value, int32_t source) = 0;
  virtual AAX_Result UpdateParameterNormalizedRelative(AAX_CParamID id, double delta) = 0;
  virtual AAX_Result GenerateCoefficients() = 0;
  virtual AAX_Result ResetFieldData(AAX_CFieldIndex field, void* block, uint32_t size) const = 0;
  virtual AAX_Result GetNumberOfChunks(int32_t* count) const = 0;
  virtual AAX_Result GetChunkIDFromIndex(int32_t index, AAX_CTypeID* id) const = 0;
  virtual AAX_Result GetChunkSize(AAX_CTypeID id, uint32_t* dataBytes) const = 0;
  virtual AAX_Result GetChunk(AAX_CTypeID id, AAX_SPlugInChunk* chunk) const = 0;
  virtual AAX_Result SetChunk(AAX_CTypeID id, const AAX_SPlugInChunk* chunk) = 0;
  virtual AAX_Result CompareActiveChunk(const AAX_SPlugInChunk* chunk, AAX_CBoolean* equal) const = 0;
  virtual AAX_Result GetNumberOfChanges(int32_t* changes) const = 0;
  virtual AAX_Result TimerWakeup() = 0;
  virtual AAX_Result GetCurveData(AAX_CTypeID type, const float* in, uint32_t count, float* out) const = 0;
  virtual AAX_Result GetCustomData(AAX_CTypeID type, uint32_t size, void* data, uint32_t* written) const = 0;
  virtual AAX_Result SetCustomData(AAX_CTypeID type, uint32_t size, const void* data) = 0;
  virtual AAX_Result DoMIDITransfers() = 0;
  // V2
  virtual AAX_Result RenderAudio_Hybrid(void* renderInfo) = 0;
  virtual AAX_Result UpdateMIDINodes(AAX_CFieldIndex field, AAX_CMidiPacket& packet) = 0;
  virtual AAX_Result UpdateControlMIDINodes(AAX_CTypeID node, AAX_CMidiPacket& packet) = 0;
  // V3
  virtual AAX_Result GetCurveDataMeterIds(AAX_CTypeID type, uint32_t* x, uint32_t* y) const = 0;
  virtual AAX_Result GetCurveDataDisplayRange(AAX_CTypeID type, float* xMin, float* xMax, float* yMin,
                                              float* yMax) const = 0;
  // V4
  virtual AAX_Result UpdatePageTable(uint32_t type, int32_t pageSize, IACFUnknown* host, IACFUnknown* table) const = 0;
};

struct IEffectGUIV2 : IACFUnknown
{
  virtual AAX_Result Initialize(IACFUnknown* controller) = 0;
  virtual AAX_Result Uninitialize() = 0;
  virtual AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size) = 0;
  virtual AAX_Result SetViewContainer(IACFUnknown* container) = 0;
  virtual AAX_Result GetViewSize(AAX_Point* size) const = 0;
  virtual AAX_Result Draw(AAX_Rect* area) = 0;
  virtual AAX_Result TimerWakeup() = 0;
  virtual AAX_Result ParameterUpdated(AAX_CParamID id) = 0;
  virtual AAX_Result GetCustomLabel(int32_t selector, IString* label) const = 0;
  virtual AAX_Result SetControlHighlightInfo(AAX_CParamID id, AAX_CBoolean on, int32_t color) = 0;
  // V2
  virtual AAX_Result GetMinimumViewSize(AAX_Point* size) const = 0;
};

// ---- the host's objects ----

struct IControllerV5 : IACFUnknown
{
  virtual AAX_Result GetEffectID(IString* id) const = 0;
  virtual AAX_Result GetSampleRate(float* rate) const = 0;
  virtual AAX_Result GetInputStemFormat(int32_t* format) const = 0;
  virtual AAX_Result GetOutputStemFormat(int32_t* format) const = 0;
  virtual AAX_Result GetSignalLatency(int32_t* samples) const = 0;
  virtual AAX_Result GetCycleCount(int32_t property, AAX_CPropertyValue* value) const = 0;
  virtual AAX_Result GetTODLocation(int64_t* location) const = 0;
  virtual AAX_Result SetSignalLatency(int32_t samples) = 0;
  virtual AAX_Result SetCycleCount(int32_t* properties, AAX_CPropertyValue* values, int32_t count) = 0;
  virtual AAX_Result PostPacket(AAX_CFieldIndex field, const void* data, uint32_t size) = 0;
  virtual AAX_Result GetCurrentMeterValue(AAX_CTypeID id, float* value) const = 0;
  virtual AAX_Result GetMeterPeakValue(AAX_CTypeID id, float* value) const = 0;
  virtual AAX_Result ClearMeterPeakValue(AAX_CTypeID id) const = 0;
  virtual AAX_Result GetMeterClipped(AAX_CTypeID id, AAX_CBoolean* clipped) const = 0;
  virtual AAX_Result ClearMeterClipped(AAX_CTypeID id) const = 0;
  virtual AAX_Result GetMeterCount(uint32_t* count) const = 0;
  virtual AAX_Result GetNextMIDIPacket(AAX_CFieldIndex* field, AAX_CMidiPacket* packet) = 0;
  // V2
  virtual AAX_Result SendNotification(AAX_CTypeID type, const void* data, uint32_t size) = 0;
  virtual AAX_Result GetHybridSignalLatency(int32_t* samples) const = 0;
  virtual AAX_Result GetCurrentAutomationTimestamp(int64_t* timestamp) const = 0;
  virtual AAX_Result GetHostName(IString* name) const = 0;
  // V3
  virtual AAX_Result GetPlugInTargetPlatform(int32_t* platform) const = 0;
  virtual AAX_Result GetIsAudioSuite(AAX_CBoolean* offline) const = 0;
  // V4
  virtual AAX_Result GetInstanceGroupID(uint64_t* group) const = 0;
  // V5
  virtual AAX_Result RegisterForNotification(AAX_CTypeID type, const IACFUnknown* listener) = 0;
  virtual AAX_Result GetInstanceID(uint32_t* id) const = 0;
};

struct IAutomationDelegate : IACFUnknown
{
  virtual AAX_Result RegisterParameter(AAX_CParamID id) = 0;
  virtual AAX_Result UnregisterParameter(AAX_CParamID id) = 0;
  virtual AAX_Result PostSetValueRequest(AAX_CParamID id, double value) const = 0;
  virtual AAX_Result PostCurrentValue(AAX_CParamID id, double value) const = 0;
  virtual AAX_Result PostTouchRequest(AAX_CParamID id) = 0;
  virtual AAX_Result PostReleaseRequest(AAX_CParamID id) = 0;
  virtual AAX_Result GetTouchState(AAX_CParamID id, AAX_CBoolean* touched) = 0;
};

struct IViewContainerV3 : IACFUnknown
{
  virtual int32_t GetType() = 0;
  virtual void* GetPtr() = 0;
  virtual AAX_Result GetModifiers(uint32_t* modifiers) = 0;
  virtual AAX_Result SetViewSize(AAX_Point& size) = 0;
  virtual AAX_Result HandleParameterMouseDown(AAX_CParamID id, uint32_t modifiers) = 0;
  virtual AAX_Result HandleParameterMouseDrag(AAX_CParamID id, uint32_t modifiers) = 0;
  virtual AAX_Result HandleParameterMouseUp(AAX_CParamID id, uint32_t modifiers) = 0;
  // V2
  virtual AAX_Result HandleMultipleParametersMouseDown(const AAX_CParamID* ids, uint32_t count, uint32_t modifiers) = 0;
  virtual AAX_Result HandleMultipleParametersMouseDrag(const AAX_CParamID* ids, uint32_t count, uint32_t modifiers) = 0;
  virtual AAX_Result HandleMultipleParametersMouseUp(const AAX_CParamID* ids, uint32_t count, uint32_t modifiers) = 0;
  // V3
  virtual AAX_Result HandleParameterMouseEnter(AAX_CParamID id, uint32_t modifiers) = 0;
  virtual AAX_Result HandleParameterMouseExit(AAX_CParamID id, uint32_t modifiers) = 0;
};

struct IHostServicesV3 : IACFUnknown
{
  virtual AAX_Result Assert(const char* file, int32_t line, const char* note) = 0;
  virtual AAX_Result Trace(int32_t priority, const char* message) = 0;
  // V2
  virtual AAX_Result StackTrace(int32_t tracePriority, int32_t stackPriority, const char* message) = 0;
  // V3
  virtual AAX_Result HandleAssertFailure(const char* file, int32_t line, const char* note, int32_t flags) = 0;
};

struct ITransportV5 : IACFUnknown
{
  virtual AAX_Result GetCurrentTempo(double* bpm) = 0;
  virtual AAX_Result GetCurrentMeter(int32_t* numerator, int32_t* denominator) = 0;
  virtual AAX_Result IsTransportPlaying(bool* playing) = 0;
  virtual AAX_Result GetCurrentTickPosition(int64_t* ticks) = 0;
  virtual AAX_Result GetCurrentLoopPosition(bool* looping, int64_t* startTicks, int64_t* endTicks) = 0;
  virtual AAX_Result GetCurrentNativeSampleLocation(int64_t* sample) = 0;
  virtual AAX_Result GetCustomTickPosition(int64_t* ticks, int64_t sample) = 0;
  virtual AAX_Result GetBarBeatPosition(int32_t* bars, int32_t* beats, int64_t* displayTicks, int64_t sample) = 0;
  virtual AAX_Result GetTicksPerQuarter(uint32_t* ticks) = 0;
  virtual AAX_Result GetCurrentTicksPerBeat(uint32_t* ticks) = 0;
  // V2
  virtual AAX_Result GetTimelineSelectionStartPosition(int64_t* sample) = 0;
  virtual AAX_Result GetTimeCodeInfo(int32_t* rate, int32_t* offset) = 0;
  virtual AAX_Result GetFeetFramesInfo(int32_t* rate, int64_t* offset) = 0;
  virtual AAX_Result IsMetronomeEnabled(int32_t* enabled) = 0;
  // V3
  virtual AAX_Result GetHDTimeCodeInfo(int32_t* rate, int64_t* offset) = 0;
  // V4
  virtual AAX_Result GetTimelineSelectionEndPosition(int64_t* sample) = 0;
  // V5
  virtual AAX_Result GetKeySignature(int64_t sample, uint32_t* signature) = 0;
};

// The seven entry points.
using ACFRegisterPluginProc = ACFRESULT (*)(IACFUnknown* host, IACFPluginDefinition** outDefinition);
using ACFRegisterComponentProc = ACFRESULT (*)(IACFUnknown* host, uint32_t index,
                                               IACFComponentDefinition** outDefinition);
using ACFGetClassFactoryProc = ACFRESULT (*)(IACFUnknown* host, const acfUID& clsid, const acfUID& iid, void** out);
using ACFCanUnloadNowProc = ACFRESULT (*)(IACFUnknown* host);
using ACFStartupProc = ACFRESULT (*)(IACFUnknown* host);
using ACFShutdownProc = ACFRESULT (*)(IACFUnknown* host);
using ACFGetSDKVersionProc = ACFRESULT (*)(uint64_t* outVersion);
using CreateProc = IACFUnknown* (*)();
} // namespace aaxhost::abi
