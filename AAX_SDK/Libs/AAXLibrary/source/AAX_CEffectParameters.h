#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CPacketDispatcher.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CParameterManager.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IACFEffectParameters.h"
#include "AAX_SDK/Libs/AAXLibrary/source/ACFObject.h"

#include <atomic>
#include <memory>

class AAX_VAutomationDelegate;
class AAX_VController;

// A private interface ID under which the library's effect-parameters object answers with
// its own address: how the editor object finds the instance it belongs to from the
// unknown the host hands it, without trusting a cast on a pointer it did not make.
inline constexpr acfIID IID_AAXLibraryEffectParameters = {
    0x6A1C0E52, 0x93D4, 0x4B7E, {0x8F, 0x21, 0x5C, 0x0B, 0x7A, 0x44, 0xE9, 0x13}};

// The effect-parameters object of one instance, as the host sees it through
// AAX_IACFEffectParameters V1..V4: reference counting, the parameter manager and the
// packet dispatcher, the controller and automation proxies, and every call of the
// interface answered from them. A plug-in derives from it, creates its parameters in
// EffectInit (AddParameter) and answers the chunk and field calls it supports.
//
// Calls the product does not use answer what hosts are used to: success for
// notifications, touch updates, coefficients, custom data and MIDI transfers,
// AAX_ERROR_UNIMPLEMENTED for curves, value infos and hybrid rendering.
class AAX_CEffectParameters : public AAX_IACFEffectParameters_V4
{
public:
  AAX_CEffectParameters();
  AAX_CEffectParameters(const AAX_CEffectParameters&) = delete;
  AAX_CEffectParameters& operator=(const AAX_CEffectParameters&) = delete;

  // ---- IACFUnknown: IACFUnknown and V1..V4 give this object ----
  ACFRESULT QueryInterface(const acfIID& iid, void** out) override;
  acfUInt32 AddRef() override;
  acfUInt32 Release() override; // deletes the object when the count reaches 0

  // ---- V1 ----
  // Queries the controller and automation delegate from controller, then EffectInit.
  // Null controller or no controller interface: AAX_ERROR_NOT_INITIALIZED; a second call
  // before Uninitialize: AAX_ERROR_INVALID_ARGUMENT.
  AAX_Result Initialize(IACFUnknown* controller) override;
  // Unregisters and removes the parameters, releases the host's objects. Repeatable.
  AAX_Result Uninitialize() override;
  AAX_Result NotificationReceived(AAX_CTypeID type, const void* data, uint32_t size) override;
  AAX_Result GetNumberOfParameters(int32_t* count) const override;
  // "MasterBypassID" while the manager holds a parameter with that identifier, else the
  // empty identifier (= no master bypass).
  AAX_Result GetMasterBypassParameter(AAX_IString* id) const override;
  AAX_Result GetParameterIsAutomatable(AAX_CParamID id, AAX_CBoolean* automatable) const override;
  AAX_Result GetParameterNumberOfSteps(AAX_CParamID id, int32_t* steps) const override;
  // An unknown id: the empty name and success, as hosts are used to.
  AAX_Result GetParameterName(AAX_CParamID id, AAX_IString* name) const override;
  AAX_Result GetParameterNameOfLength(AAX_CParamID id, AAX_IString* name, int32_t maxChars) const override;
  AAX_Result GetParameterDefaultNormalizedValue(AAX_CParamID id, double* value) const override;
  AAX_Result SetParameterDefaultNormalizedValue(AAX_CParamID id, double value) override;
  AAX_Result GetParameterType(AAX_CParamID id, AAX_EParameterType* type) const override;
  AAX_Result GetParameterOrientation(AAX_CParamID id, int32_t* orientation) const override;
  AAX_Result GetParameter(AAX_CParamID id, AAX_IParameter** parameter) override;
  AAX_Result GetParameterIndex(AAX_CParamID id, int32_t* index) const override;
  // Out of range: the empty identifier and AAX_ERROR_INVALID_PARAMETER_ID.
  AAX_Result GetParameterIDFromIndex(int32_t index, AAX_IString* id) const override;
  AAX_Result GetParameterValueInfo(AAX_CParamID id, int32_t selector, int32_t* value) const override;
  // Text no value reads from: AAX_ERROR_INVALID_STRING_CONVERSION.
  AAX_Result GetParameterValueFromString(AAX_CParamID id, double* value, const AAX_IString& text) const override;
  AAX_Result GetParameterStringFromValue(AAX_CParamID id, double value, AAX_IString* text,
                                         int32_t maxChars) const override;
  AAX_Result GetParameterValueString(AAX_CParamID id, AAX_IString* text, int32_t maxChars) const override;
  AAX_Result GetParameterNormalizedValue(AAX_CParamID id, double* value) const override;
  // An edit: touch, set request and release to the host's automation; the value changes
  // when the host sends it back through UpdateParameterNormalizedValue.
  AAX_Result SetParameterNormalizedValue(AAX_CParamID id, double value) override;
  AAX_Result SetParameterNormalizedRelative(AAX_CParamID id, double delta) override;
  AAX_Result TouchParameter(AAX_CParamID id) override;
  AAX_Result ReleaseParameter(AAX_CParamID id) override;
  AAX_Result UpdateParameterTouch(AAX_CParamID id, AAX_CBoolean touched) override;
  // Stores the value; when it changed at the parameter's resolution, posts it as the
  // current value, marks its packet dirty and counts a change.
  AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value, AAX_EUpdateSource source) override;
  AAX_Result UpdateParameterNormalizedRelative(AAX_CParamID id, double delta) override;
  AAX_Result GenerateCoefficients() override;
  // Zero-fills the block. Null data with a size: AAX_ERROR_NULL_ARGUMENT.
  AAX_Result ResetFieldData(AAX_CFieldIndex field, void* data, uint32_t size) const override;
  // No chunks of the library's own.
  AAX_Result GetNumberOfChunks(int32_t* count) const override;
  AAX_Result GetChunkIDFromIndex(int32_t index, AAX_CTypeID* id) const override;
  AAX_Result GetChunkSize(AAX_CTypeID id, uint32_t* size) const override;
  AAX_Result GetChunk(AAX_CTypeID id, AAX_SPlugInChunk* chunk) const override;
  AAX_Result SetChunk(AAX_CTypeID id, const AAX_SPlugInChunk* chunk) override;
  AAX_Result CompareActiveChunk(const AAX_SPlugInChunk* chunk, AAX_CBoolean* equal) const override;
  AAX_Result GetNumberOfChanges(int32_t* changes) const override;
  AAX_Result TimerWakeup() override;
  AAX_Result GetCurveData(AAX_CTypeID curve, const float* in, uint32_t count, float* out) const override;
  AAX_Result GetCustomData(AAX_CTypeID type, uint32_t size, void* data, uint32_t* written) const override;
  AAX_Result SetCustomData(AAX_CTypeID type, uint32_t size, const void* data) override;
  AAX_Result DoMIDITransfers() override;
  // ---- V2 ----
  AAX_Result RenderAudio_Hybrid(AAX_SHybridRenderInfo* info) override;
  AAX_Result UpdateMIDINodes(AAX_CFieldIndex field, AAX_CMidiPacket& packet) override;
  AAX_Result UpdateControlMIDINodes(AAX_CTypeID node, AAX_CMidiPacket& packet) override;
  // ---- V3 ----
  AAX_Result GetCurveDataMeterIds(AAX_CTypeID curve, uint32_t* xMeter, uint32_t* yMeter) const override;
  AAX_Result GetCurveDataDisplayRange(AAX_CTypeID curve, float* xMin, float* xMax, float* yMin,
                                      float* yMax) const override;
  // ---- V4 ----
  AAX_Result UpdatePageTable(uint32_t type, int32_t pageSize, IACFUnknown* host, IACFUnknown* table) const override;

  // ---- For the plug-in ----
  AAX_VController* Controller() const { return mController.get(); }
  AAX_VAutomationDelegate* AutomationDelegate() const { return mAutomation.get(); }
  bool IsInitialized() const { return mController != nullptr; }
  // The interface pointer hosts hold: the one the creation procedure returns.
  IACFUnknown* Unknown() { return static_cast<AAX_IACFEffectParameters_V4*>(this); }

protected:
  virtual ~AAX_CEffectParameters();
  // Called once by Initialize, after the proxies are set.
  virtual AAX_Result EffectInit() { return AAX_SUCCESS; }
  // [host's thread] UpdateParameterNormalizedValue changed parameter id to normalized (at
  // the parameter's resolution); the plug-in applies it here. A value sent again does not
  // come here.
  virtual void ParameterValueChanged(AAX_CParamID /*id*/, double /*normalized*/) {}
  // [any thread] A value the plug-in changed itself, outside any gesture: only the set
  // request goes to the host's automation (stored at once without one). Allocates nothing.
  AAX_Result RequestParameterValue(AAX_CParamID id, double normalized);
  // Adds a parameter (owned from now on) and announces it to the host's automation.
  AAX_Result AddParameter(AAX_IParameter* parameter);
  void CountChange() { mChanges.fetch_add(1, std::memory_order_relaxed); }

  AAX_CParameterManager mParameterManager;
  AAX_CPacketDispatcher mPacketDispatcher;

private:
  ACFObjectCount mObjectCount;
  ACFReferenceCount mReferences;
  std::atomic<int32_t> mChanges{0};
  std::unique_ptr<AAX_VController> mController;
  std::unique_ptr<AAX_VAutomationDelegate> mAutomation;
};
