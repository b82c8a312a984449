#pragma once

// Proxies over the host's ACF objects. Each holds the references it queried or created
// and releases them when it is destroyed, answers AAX_ERROR_NULL_OBJECT when the host
// did not supply the interface, and converts nothing but what the interface asks.

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IACFHost.h"

#include <atomic>
#include <memory>
#include <vector>

// Releases an ACF reference it owns.
template <typename T>
class ACFPtr
{
public:
  ACFPtr() = default;
  explicit ACFPtr(T* owned) : mPtr(owned) {}
  ACFPtr(const ACFPtr&) = delete;
  ACFPtr& operator=(const ACFPtr&) = delete;
  ACFPtr(ACFPtr&& other) noexcept : mPtr(other.mPtr) { other.mPtr = nullptr; }
  ACFPtr& operator=(ACFPtr&& other) noexcept
  {
    if (this != &other)
    {
      Reset();
      mPtr = other.mPtr;
      other.mPtr = nullptr;
    }
    return *this;
  }
  ~ACFPtr() { Reset(); }
  void Reset()
  {
    if (mPtr != nullptr)
      mPtr->Release();
    mPtr = nullptr;
  }
  T* Get() const { return mPtr; }
  T* operator->() const { return mPtr; }
  explicit operator bool() const { return mPtr != nullptr; }

private:
  T* mPtr = nullptr;
};

// Queries iid from object; the result owns its reference.
template <typename T>
ACFPtr<T> ACFQueryOwned(IACFUnknown* object, const acfIID& iid)
{
  return ACFPtr<T>(ACFQuery<T>(object, iid));
}

// Creates a host object of componentID through the component factory of host.
template <typename T>
ACFPtr<T> ACFCreateHostObject(IACFUnknown* host, const acfUID& componentID, const acfIID& iid)
{
  ACFPtr<IACFComponentFactory> factory = ACFQueryOwned<IACFComponentFactory>(host, IID_IACFComponentFactory);
  void* created = nullptr;
  if (!factory || factory->CreateComponent(componentID, nullptr, iid, &created) != ACF_OK)
    return {};
  return ACFPtr<T>(static_cast<T*>(created));
}

// ---- Registration ----

class AAX_VPropertyMap
{
public:
  explicit AAX_VPropertyMap(IACFUnknown* host);
  bool Valid() const { return static_cast<bool>(mV1); }
  AAX_Result AddProperty(AAX_EProperty id, AAX_CPropertyValue value);
  bool GetProperty(AAX_EProperty id, AAX_CPropertyValue* value) const;
  // The highest version the host offers, as hosts expect it with a process procedure.
  IACFUnknown* Unknown() const;

private:
  ACFPtr<AAX_IACFPropertyMap> mV1;
  ACFPtr<AAX_IACFPropertyMap_V2> mV2;
  ACFPtr<AAX_IACFPropertyMap_V3> mV3;
};

class AAX_VComponentDescriptor
{
public:
  explicit AAX_VComponentDescriptor(IACFUnknown* host);
  bool Valid() const { return static_cast<bool>(mV1); }
  IACFUnknown* Unknown() const { return mV1.Get(); }
  AAX_Result AddAudioIn(AAX_CFieldIndex field);
  AAX_Result AddAudioOut(AAX_CFieldIndex field);
  AAX_Result AddAudioBufferLength(AAX_CFieldIndex field);
  AAX_Result AddPrivateData(AAX_CFieldIndex field, int32_t sizeBytes, uint32_t options);
  AAX_Result AddMIDINode(AAX_CFieldIndex field, AAX_EMIDINodeType type, const char* name, uint32_t mask);
  AAX_Result AddMeters(AAX_CFieldIndex field, const AAX_CTypeID* meterIDs, uint32_t count);
  AAX_Result AddAuxOutputStem(AAX_CFieldIndex field, int32_t stemFormat, const char* name);
  // A property map owned by this proxy, or null when the host makes none.
  AAX_VPropertyMap* NewPropertyMap();
  AAX_Result AddProcessProc_Native(AAX_CProcessProc render, AAX_VPropertyMap* properties,
                                   AAX_CInstanceInitProc init, AAX_CBackgroundProc background,
                                   AAX_CSelector* outProcID);

private:
  IACFUnknown* mHost;
  ACFPtr<AAX_IACFComponentDescriptor> mV1;
  std::vector<std::unique_ptr<AAX_VPropertyMap>> mPropertyMaps;
};

class AAX_VEffectDescriptor
{
public:
  explicit AAX_VEffectDescriptor(IACFUnknown* host);
  bool Valid() const { return static_cast<bool>(mV1); }
  IACFUnknown* Unknown() const { return mV1.Get(); }
  // A component descriptor owned by this proxy, or null when the host makes none.
  AAX_VComponentDescriptor* NewComponentDescriptor();
  AAX_Result AddComponent(AAX_VComponentDescriptor* component);
  AAX_Result AddName(const char* name);
  AAX_Result AddCategory(uint32_t categoryBits);
  AAX_Result AddProcPtr(AAX_CCreateObjectProc proc, AAX_CProcPtrID id);

private:
  IACFUnknown* mHost;
  ACFPtr<AAX_IACFEffectDescriptor> mV1;
  std::vector<std::unique_ptr<AAX_VComponentDescriptor>> mComponents;
};

// The collection a registration describes into: created through the host's component
// factory, handed back to the host as its plug-in definition.
class AAX_VCollection
{
public:
  // host: the unknown ACFRegisterPlugin received (borrowed for this object's life).
  explicit AAX_VCollection(IACFUnknown* host);
  bool Valid() const { return static_cast<bool>(mCollection); }
  // An effect descriptor owned by this proxy, or null.
  AAX_VEffectDescriptor* NewDescriptor();
  AAX_Result AddEffect(const char* effectID, AAX_VEffectDescriptor* descriptor);
  AAX_Result SetManufacturerName(const char* name);
  AAX_Result AddPackageName(const char* name);
  AAX_Result SetPackageVersion(uint32_t version);
  // Reports a failed expectation to the host's assertion handler.
  void HandleAssertion(const char* condition, const char* source);
  // The collection as the host's plug-in definition (one reference for the caller), or
  // null.
  IACFPluginDefinition* PluginDefinition() const;

private:
  IACFUnknown* mHost;
  ACFPtr<AAX_IACFCollection> mCollection;
  std::vector<std::unique_ptr<AAX_VEffectDescriptor>> mEffects;
};

// ---- One instance ----

class AAX_VController
{
public:
  // Queries the controller from the unknown Initialize received.
  explicit AAX_VController(IACFUnknown* unknown);
  bool Valid() const { return static_cast<bool>(mV1); }
  AAX_Result GetSampleRate(AAX_CSampleRate* rate) const;
  AAX_Result GetInputStemFormat(AAX_EStemFormat* format) const;
  AAX_Result GetOutputStemFormat(AAX_EStemFormat* format) const;
  AAX_Result SetSignalLatency(int32_t samples);
  AAX_Result GetHostName(AAX_IString* name) const; // AAX_ERROR_UNIMPLEMENTED before V2
  void HandleAssertion(const char* condition, const char* source);

private:
  ACFPtr<AAX_IACFController> mV1;
  ACFPtr<AAX_IACFController_V2> mV2;
};

class AAX_VAutomationDelegate
{
public:
  explicit AAX_VAutomationDelegate(IACFUnknown* unknown);
  bool Valid() const { return static_cast<bool>(mV1); }
  AAX_Result RegisterParameter(AAX_CParamID id);
  AAX_Result UnregisterParameter(AAX_CParamID id);
  AAX_Result PostSetValueRequest(AAX_CParamID id, double normalized) const;
  AAX_Result PostCurrentValue(AAX_CParamID id, double normalized) const;
  AAX_Result PostTouchRequest(AAX_CParamID id);
  AAX_Result PostReleaseRequest(AAX_CParamID id);

private:
  ACFPtr<AAX_IACFAutomationDelegate> mV1;
};

class AAX_VViewContainer
{
public:
  explicit AAX_VViewContainer(IACFUnknown* container);
  bool Valid() const { return static_cast<bool>(mV1); }
  int32_t GetType() const;
  void* GetPtr() const;
  AAX_Result SetViewSize(AAX_Point& size);

private:
  ACFPtr<AAX_IACFViewContainer> mV1;
};

// The host services of the module, created at ACFStartup and dropped at ACFShutdown:
// where assertion reports and traces go. Without them, reports go nowhere.
class AAX_VHostServices
{
public:
  static void Startup(IACFUnknown* host);
  static void Shutdown();
  static void HandleAssertion(const char* condition, const char* source);
};
