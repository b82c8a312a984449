#include "AAX_SDK/Libs/AAXLibrary/source/AAX_VHost.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_UIDs.h"

#include <mutex>
#include <new>
#include <string>

// ---- Property map ----

AAX_VPropertyMap::AAX_VPropertyMap(IACFUnknown* host)
    : mV1(ACFCreateHostObject<AAX_IACFPropertyMap>(host, AAXCompID_AAXPropertyMap, IID_IAAXPropertyMapV1)),
      mV2(ACFQueryOwned<AAX_IACFPropertyMap_V2>(mV1.Get(), IID_IAAXPropertyMapV2)),
      mV3(ACFQueryOwned<AAX_IACFPropertyMap_V3>(mV1.Get(), IID_IAAXPropertyMapV3))
{
}

AAX_Result AAX_VPropertyMap::AddProperty(AAX_EProperty id, AAX_CPropertyValue value)
{
  return mV1 ? mV1->AddProperty(id, value) : AAX_ERROR_NULL_OBJECT;
}

bool AAX_VPropertyMap::GetProperty(AAX_EProperty id, AAX_CPropertyValue* value) const
{
  return mV1 && value != nullptr && mV1->GetProperty(id, value) != 0;
}

IACFUnknown* AAX_VPropertyMap::Unknown() const
{
  if (mV3)
    return mV3.Get();
  if (mV2)
    return mV2.Get();
  return mV1.Get();
}

// ---- Component descriptor ----

AAX_VComponentDescriptor::AAX_VComponentDescriptor(IACFUnknown* host)
    : mHost(host), mV1(ACFCreateHostObject<AAX_IACFComponentDescriptor>(host, AAXCompID_AAXComponentDescriptor,
                                                                        IID_IAAXComponentDescriptorV1))
{
}

AAX_Result AAX_VComponentDescriptor::AddAudioIn(AAX_CFieldIndex field)
{
  return mV1 ? mV1->AddAudioIn(field) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VComponentDescriptor::AddAudioOut(AAX_CFieldIndex field)
{
  return mV1 ? mV1->AddAudioOut(field) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VComponentDescriptor::AddAudioBufferLength(AAX_CFieldIndex field)
{
  return mV1 ? mV1->AddAudioBufferLength(field) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VComponentDescriptor::AddPrivateData(AAX_CFieldIndex field, int32_t sizeBytes, uint32_t options)
{
  return mV1 ? mV1->AddPrivateData(field, sizeBytes, options) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VComponentDescriptor::AddMIDINode(AAX_CFieldIndex field, AAX_EMIDINodeType type, const char* name,
                                                 uint32_t mask)
{
  return mV1 ? mV1->AddMIDINode(field, type, name, mask) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VComponentDescriptor::AddMeters(AAX_CFieldIndex field, const AAX_CTypeID* meterIDs, uint32_t count)
{
  return mV1 ? mV1->AddMeters(field, meterIDs, count) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VComponentDescriptor::AddAuxOutputStem(AAX_CFieldIndex field, int32_t stemFormat, const char* name)
{
  return mV1 ? mV1->AddAuxOutputStem(field, stemFormat, name) : AAX_ERROR_NULL_OBJECT;
}

AAX_VPropertyMap* AAX_VComponentDescriptor::NewPropertyMap()
{
  auto map = std::make_unique<AAX_VPropertyMap>(mHost);
  if (!map->Valid())
    return nullptr;
  mPropertyMaps.push_back(std::move(map));
  return mPropertyMaps.back().get();
}

AAX_Result AAX_VComponentDescriptor::AddProcessProc_Native(AAX_CProcessProc render, AAX_VPropertyMap* properties,
                                                           AAX_CInstanceInitProc init,
                                                           AAX_CBackgroundProc background, AAX_CSelector* outProcID)
{
  if (!mV1)
    return AAX_ERROR_NULL_OBJECT;
  return mV1->AddProcessProc_Native(render, properties != nullptr ? properties->Unknown() : nullptr, init,
                                    background, outProcID);
}

// ---- Effect descriptor ----

AAX_VEffectDescriptor::AAX_VEffectDescriptor(IACFUnknown* host)
    : mHost(host), mV1(ACFCreateHostObject<AAX_IACFEffectDescriptor>(host, AAXCompID_AAXEffectDescriptor,
                                                                     IID_IAAXEffectDescriptorV1))
{
}

AAX_VComponentDescriptor* AAX_VEffectDescriptor::NewComponentDescriptor()
{
  auto component = std::make_unique<AAX_VComponentDescriptor>(mHost);
  if (!component->Valid())
    return nullptr;
  mComponents.push_back(std::move(component));
  return mComponents.back().get();
}

AAX_Result AAX_VEffectDescriptor::AddComponent(AAX_VComponentDescriptor* component)
{
  if (!mV1)
    return AAX_ERROR_NULL_OBJECT;
  return mV1->AddComponent(component != nullptr ? component->Unknown() : nullptr);
}

AAX_Result AAX_VEffectDescriptor::AddName(const char* name)
{
  return mV1 ? mV1->AddName(name) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VEffectDescriptor::AddCategory(uint32_t categoryBits)
{
  return mV1 ? mV1->AddCategory(categoryBits) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VEffectDescriptor::AddProcPtr(AAX_CCreateObjectProc proc, AAX_CProcPtrID id)
{
  return mV1 ? mV1->AddProcPtr(reinterpret_cast<void*>(proc), id) : AAX_ERROR_NULL_OBJECT;
}

// ---- Collection ----

AAX_VCollection::AAX_VCollection(IACFUnknown* host)
    : mHost(host),
      mCollection(ACFCreateHostObject<AAX_IACFCollection>(host, AAXCompID_AAXCollection, IID_IAAXCollectionV1))
{
}

AAX_VEffectDescriptor* AAX_VCollection::NewDescriptor()
{
  auto effect = std::make_unique<AAX_VEffectDescriptor>(mHost);
  if (!effect->Valid())
    return nullptr;
  mEffects.push_back(std::move(effect));
  return mEffects.back().get();
}

AAX_Result AAX_VCollection::AddEffect(const char* effectID, AAX_VEffectDescriptor* descriptor)
{
  if (!mCollection)
    return AAX_ERROR_NULL_OBJECT;
  return mCollection->AddEffect(effectID, descriptor != nullptr ? descriptor->Unknown() : nullptr);
}

AAX_Result AAX_VCollection::SetManufacturerName(const char* name)
{
  return mCollection ? mCollection->SetManufacturerName(name) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VCollection::AddPackageName(const char* name)
{
  return mCollection ? mCollection->AddPackageName(name) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VCollection::SetPackageVersion(uint32_t version)
{
  return mCollection ? mCollection->SetPackageVersion(version) : AAX_ERROR_NULL_OBJECT;
}

void AAX_VCollection::HandleAssertion(const char* condition, const char* source)
{
  AAX_VHostServices::HandleAssertion(condition, source);
}

IACFPluginDefinition* AAX_VCollection::PluginDefinition() const
{
  return ACFQuery<IACFPluginDefinition>(mCollection.Get(), IID_IACFPluginDefinition);
}

// ---- Controller ----

AAX_VController::AAX_VController(IACFUnknown* unknown)
    : mV1(ACFQueryOwned<AAX_IACFController>(unknown, IID_IAAXControllerV1)),
      mV2(ACFQueryOwned<AAX_IACFController_V2>(unknown, IID_IAAXControllerV2))
{
}

AAX_Result AAX_VController::GetSampleRate(AAX_CSampleRate* rate) const
{
  if (rate == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  return mV1 ? mV1->GetSampleRate(rate) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VController::GetInputStemFormat(AAX_EStemFormat* format) const
{
  if (format == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  return mV1 ? mV1->GetInputStemFormat(format) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VController::GetOutputStemFormat(AAX_EStemFormat* format) const
{
  if (format == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  return mV1 ? mV1->GetOutputStemFormat(format) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VController::SetSignalLatency(int32_t samples)
{
  return mV1 ? mV1->SetSignalLatency(samples) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VController::GetHostName(AAX_IString* name) const
{
  if (name == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  return mV2 ? mV2->GetHostName(name) : AAX_ERROR_UNIMPLEMENTED;
}

void AAX_VController::HandleAssertion(const char* condition, const char* source)
{
  AAX_VHostServices::HandleAssertion(condition, source);
}

// ---- Automation delegate ----

AAX_VAutomationDelegate::AAX_VAutomationDelegate(IACFUnknown* unknown)
    : mV1(ACFQueryOwned<AAX_IACFAutomationDelegate>(unknown, IID_IAAXAutomationDelegateV1))
{
}

AAX_Result AAX_VAutomationDelegate::RegisterParameter(AAX_CParamID id)
{
  return mV1 ? mV1->RegisterParameter(id) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VAutomationDelegate::UnregisterParameter(AAX_CParamID id)
{
  return mV1 ? mV1->UnregisterParameter(id) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VAutomationDelegate::PostSetValueRequest(AAX_CParamID id, double normalized) const
{
  return mV1 ? mV1->PostSetValueRequest(id, normalized) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VAutomationDelegate::PostCurrentValue(AAX_CParamID id, double normalized) const
{
  return mV1 ? mV1->PostCurrentValue(id, normalized) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VAutomationDelegate::PostTouchRequest(AAX_CParamID id)
{
  return mV1 ? mV1->PostTouchRequest(id) : AAX_ERROR_NULL_OBJECT;
}

AAX_Result AAX_VAutomationDelegate::PostReleaseRequest(AAX_CParamID id)
{
  return mV1 ? mV1->PostReleaseRequest(id) : AAX_ERROR_NULL_OBJECT;
}

// ---- View container ----

AAX_VViewContainer::AAX_VViewContainer(IACFUnknown* container)
    : mV1(ACFQueryOwned<AAX_IACFViewContainer>(container, IID_IAAXViewContainerV1))
{
}

int32_t AAX_VViewContainer::GetType() const { return mV1 ? mV1->GetType() : AAX_eViewContainer_Type_NULL; }

void* AAX_VViewContainer::GetPtr() const { return mV1 ? mV1->GetPtr() : nullptr; }

AAX_Result AAX_VViewContainer::SetViewSize(AAX_Point& size)
{
  return mV1 ? mV1->SetViewSize(size) : AAX_ERROR_NULL_OBJECT;
}

// ---- Host services ----

namespace
{
struct HostServices
{
  std::mutex lock;
  ACFPtr<AAX_IACFHostServices> v1;
  ACFPtr<AAX_IACFHostServices_V3> v3;
};

HostServices& Services()
{
  static HostServices* services = new HostServices; // never destroyed: reports may come late
  return *services;
}
} // namespace

void AAX_VHostServices::Startup(IACFUnknown* host)
{
  HostServices& services = Services();
  const std::lock_guard<std::mutex> guard(services.lock);
  services.v1 = ACFCreateHostObject<AAX_IACFHostServices>(host, AAXCompID_HostServices, IID_IAAXHostServicesV1);
  services.v3 = ACFCreateHostObject<AAX_IACFHostServices_V3>(host, AAXCompID_HostServices, IID_IAAXHostServicesV3);
}

void AAX_VHostServices::Shutdown()
{
  HostServices& services = Services();
  const std::lock_guard<std::mutex> guard(services.lock);
  services.v3.Reset();
  services.v1.Reset();
}

void AAX_VHostServices::HandleAssertion(const char* condition, const char* source)
{
  try
  {
    HostServices& services = Services();
    const std::lock_guard<std::mutex> guard(services.lock);
    const char* note = condition != nullptr ? condition : "";
    const char* file = source != nullptr ? source : "";
    if (services.v3)
      services.v3->HandleAssertFailure(file, 0, note, AAX_eAssertFlags_Log);
    else if (services.v1)
      services.v1->Trace(AAX_eTracePriorityHost_Normal, (std::string(file) + ": " + note).c_str());
  }
  catch (...)
  {
    // A report that cannot be made is dropped: it must not fail the call that made it.
  }
}
