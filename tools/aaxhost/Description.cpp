#include "tools/aaxhost/Description.h"

#include <cstdio>

namespace aaxhost
{
using namespace abi;

namespace
{
std::string Text(const char* text) { return text != nullptr ? "\"" + std::string(text) + "\"" : "(null)"; }
std::string Hex(uint32_t value)
{
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", value);
  return buffer;
}
std::string Number(int64_t value) { return std::to_string(value); }
Field FieldOf(Field::Kind kind)
{
  Field field;
  field.kind = kind;
  return field;
}

template <class Object>
Object* FindIn(const std::vector<std::unique_ptr<Object>>& objects, IACFUnknown* pointer)
{
  for (const auto& object : objects)
    if (static_cast<IACFUnknown*>(object.get()) == pointer)
      return object.get();
  return nullptr;
}

// The versioned IDs of one interface family, oldest first.
bool IsOneOf(const acfUID& iid, std::initializer_list<acfUID> ids)
{
  for (const acfUID& id : ids)
    if (id == iid)
      return true;
  return false;
}
} // namespace

std::string FourCC(uint32_t code)
{
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8)
  {
    const char c = static_cast<char>((code >> shift) & 0xFF);
    text.push_back(c >= 32 && c < 127 ? c : '?');
  }
  return text;
}

// ---- PropertyMap ----

PropertyMap::PropertyMap(ComponentFactory& factory)
    : HostObject(factory.SharedChecks(), "property map"), mFactory(factory)
{
}

void* PropertyMap::Answer(const acfUID& iid)
{
  return IsOneOf(iid, {IID_IACFUnknown, IID_PropertyMapV1, IID_PropertyMapV2, IID_PropertyMapV3}) ? Self() : nullptr;
}

const int64_t* PropertyMap::Find(int32_t id) const
{
  for (const auto& [property, value] : mProperties)
    if (property == id)
      return &value;
  return nullptr;
}

AAX_CBoolean PropertyMap::GetProperty(int32_t id, AAX_CPropertyValue* out)
{
  const int64_t* value = Find(id);
  if (value != nullptr && out != nullptr)
    *out = static_cast<AAX_CPropertyValue>(*value);
  return value != nullptr ? 1 : 0;
}

AAX_Result PropertyMap::AddProperty(int32_t id, AAX_CPropertyValue value)
{
  mFactory.Log("AddProperty(" + Number(id) + ", " + Hex(static_cast<uint32_t>(value)) + ")");
  return AddProperty64(id, value);
}

AAX_Result PropertyMap::RemoveProperty(int32_t id)
{
  mFactory.Log("RemoveProperty(" + Number(id) + ")");
  std::erase_if(mProperties, [id](const auto& entry) { return entry.first == id; });
  return AAX_SUCCESS;
}

AAX_Result PropertyMap::AddPropertyWithIDArray(int32_t id, const AAX_SPlugInIdentifierTriad*, uint32_t count)
{
  mFactory.Log("AddPropertyWithIDArray(" + Number(id) + ", " + Number(count) + ")");
  return AAX_SUCCESS;
}

AAX_CBoolean PropertyMap::GetPropertyWithIDArray(int32_t, const AAX_SPlugInIdentifierTriad** out, uint32_t* count)
{
  if (out != nullptr)
    *out = nullptr;
  if (count != nullptr)
    *count = 0;
  return 0;
}

AAX_CBoolean PropertyMap::GetProperty64(int32_t id, AAX_CPropertyValue64* out)
{
  const int64_t* value = Find(id);
  if (value != nullptr && out != nullptr)
    *out = *value;
  return value != nullptr ? 1 : 0;
}

AAX_Result PropertyMap::AddProperty64(int32_t id, AAX_CPropertyValue64 value)
{
  for (auto& entry : mProperties)
    if (entry.first == id)
    {
      entry.second = value;
      return AAX_SUCCESS;
    }
  mProperties.emplace_back(id, value);
  return AAX_SUCCESS;
}

// ---- ComponentDescriptor ----

ComponentDescriptor::ComponentDescriptor(ComponentFactory& factory)
    : HostObject(factory.SharedChecks(), "component descriptor"), mFactory(factory)
{
}

void* ComponentDescriptor::Answer(const acfUID& iid)
{
  return IsOneOf(iid, {IID_IACFUnknown, IID_ComponentDescriptorV1, IID_ComponentDescriptorV2,
                       IID_ComponentDescriptorV3})
             ? Self()
             : nullptr;
}

AAX_Result ComponentDescriptor::AddField(AAX_CFieldIndex field, Field description)
{
  // Eight-byte slots of a context record the host allocates: keep it small and sane.
  if (field < 0 || field >= 64)
    return AAX_ERROR_INVALID_FIELD_INDEX;
  if (!mFields.emplace(field, std::move(description)).second)
    return AAX_ERROR_INVALID_FIELD_INDEX;
  return AAX_SUCCESS;
}

AAX_Result ComponentDescriptor::Clear()
{
  mFactory.Log("Clear()");
  mFields.clear();
  mRender = nullptr;
  mProperties.clear();
  return AAX_SUCCESS;
}

AAX_Result ComponentDescriptor::AddReservedField(AAX_CFieldIndex field, uint32_t type)
{
  mFactory.Log("AddReservedField(" + Number(field) + ", " + Number(type) + ")");
  return AddField(field, Field{});
}

AAX_Result ComponentDescriptor::AddAudioIn(AAX_CFieldIndex field)
{
  mFactory.Log("AddAudioIn(" + Number(field) + ")");
  return AddField(field, FieldOf(Field::Kind::kAudioIn));
}

AAX_Result ComponentDescriptor::AddAudioOut(AAX_CFieldIndex field)
{
  mFactory.Log("AddAudioOut(" + Number(field) + ")");
  return AddField(field, FieldOf(Field::Kind::kAudioOut));
}

AAX_Result ComponentDescriptor::AddAudioBufferLength(AAX_CFieldIndex field)
{
  mFactory.Log("AddAudioBufferLength(" + Number(field) + ")");
  return AddField(field, FieldOf(Field::Kind::kBufferLength));
}

AAX_Result ComponentDescriptor::AddSampleRate(AAX_CFieldIndex field)
{
  mFactory.Log("AddSampleRate(" + Number(field) + ")");
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result ComponentDescriptor::AddClock(AAX_CFieldIndex field)
{
  mFactory.Log("AddClock(" + Number(field) + ")");
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result ComponentDescriptor::AddSideChainIn(AAX_CFieldIndex field)
{
  mFactory.Log("AddSideChainIn(" + Number(field) + ")");
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result ComponentDescriptor::AddDataInPort(AAX_CFieldIndex field, uint32_t packetSize, int32_t portType)
{
  mFactory.Log("AddDataInPort(" + Number(field) + ", " + Number(packetSize) + ", " + Number(portType) + ")");
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result ComponentDescriptor::AddAuxOutputStem(AAX_CFieldIndex field, int32_t stemFormat, const char* name)
{
  mFactory.Log("AddAuxOutputStem(" + Number(field) + ", " + Hex(static_cast<uint32_t>(stemFormat)) + ", " +
               Text(name) + ")");
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result ComponentDescriptor::AddPrivateData(AAX_CFieldIndex field, int32_t sizeBytes, uint32_t options)
{
  mFactory.Log("AddPrivateData(" + Number(field) + ", " + Number(sizeBytes) + ", " + Number(options) + ")");
  if (sizeBytes <= 0 || sizeBytes > (1 << 20))
    return AAX_ERROR_INVALID_ARGUMENT;
  Field description = FieldOf(Field::Kind::kPrivateData);
  description.sizeBytes = sizeBytes;
  return AddField(field, description);
}

AAX_Result ComponentDescriptor::AddDmaInstance(AAX_CFieldIndex field, int32_t mode)
{
  mFactory.Log("AddDmaInstance(" + Number(field) + ", " + Number(mode) + ")");
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result ComponentDescriptor::AddMIDINode(AAX_CFieldIndex field, int32_t nodeType, const char* name, uint32_t mask)
{
  mFactory.Log("AddMIDINode(" + Number(field) + ", " + Number(nodeType) + ", " + Text(name) + ", " + Hex(mask) + ")");
  if (name == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  Field description = FieldOf(Field::Kind::kMIDINode);
  description.nodeType = nodeType;
  description.nodeName = name;
  description.mask = mask;
  return AddField(field, description);
}

AAX_Result ComponentDescriptor::AddProcessProc_Native(AAX_CProcessProc render, IACFUnknown* propertyMap,
                                                      AAX_CInstanceInitProc init, AAX_CBackgroundProc background,
                                                      AAX_CSelector* outProcID)
{
  PropertyMap* map = mFactory.FindPropertyMap(propertyMap);
  std::string line = std::string("AddProcessProc_Native(") + (render != nullptr ? "render" : "null");
  if (map != nullptr)
    for (const auto& [id, value] : map->Properties())
      line += ", " + Number(id) + "=" + Hex(static_cast<uint32_t>(value));
  else
    line += propertyMap != nullptr ? ", foreign map" : ", no map";
  line += init != nullptr ? ", init" : "";
  line += background != nullptr ? ", background" : "";
  mFactory.Log(line + ")");
  if (render == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  if (map == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  mRender = render;
  mInit = init;
  mProperties = map->Properties();
  if (outProcID != nullptr)
    *outProcID = 1;
  return AAX_SUCCESS;
}

AAX_Result ComponentDescriptor::AddProcessProc_TI(const char*, const char*, IACFUnknown*, const char*, const char*,
                                                  AAX_CSelector*)
{
  mFactory.Log("AddProcessProc_TI()");
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result ComponentDescriptor::AddMeters(AAX_CFieldIndex field, const AAX_CTypeID* ids, uint32_t count)
{
  mFactory.Log("AddMeters(" + Number(field) + ", " + Number(count) + ")");
  if (ids == nullptr && count > 0)
    return AAX_ERROR_NULL_ARGUMENT;
  Field description = FieldOf(Field::Kind::kMeters);
  description.meterCount = count;
  return AddField(field, description);
}

AAX_Result ComponentDescriptor::AddTemporaryData(AAX_CFieldIndex field, uint32_t elementSize)
{
  mFactory.Log("AddTemporaryData(" + Number(field) + ", " + Number(elementSize) + ")");
  return AAX_ERROR_UNIMPLEMENTED;
}

AAX_Result ComponentDescriptor::AddProcessProc(IACFUnknown*, AAX_CSelector*, int32_t)
{
  mFactory.Log("AddProcessProc()");
  return AAX_ERROR_UNIMPLEMENTED;
}

int64_t ComponentDescriptor::Property(int32_t id, int64_t fallback) const
{
  for (const auto& [property, value] : mProperties)
    if (property == id)
      return value;
  return fallback;
}

// ---- EffectDescriptor ----

EffectDescriptor::EffectDescriptor(ComponentFactory& factory)
    : HostObject(factory.SharedChecks(), "effect descriptor"), mFactory(factory)
{
}

void* EffectDescriptor::Answer(const acfUID& iid)
{
  return IsOneOf(iid, {IID_IACFUnknown, IID_EffectDescriptorV1, IID_EffectDescriptorV2}) ? Self() : nullptr;
}

AAX_Result EffectDescriptor::AddComponent(IACFUnknown* componentDescriptor)
{
  mFactory.Log("AddComponent()");
  ComponentDescriptor* component = mFactory.FindComponent(componentDescriptor);
  if (component == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  if (component->RenderProc() == nullptr)
    return AAX_ERROR_INVALID_ARGUMENT; // a component without a render procedure
  mComponents.push_back(component);
  return AAX_SUCCESS;
}

AAX_Result EffectDescriptor::AddName(const char* name)
{
  mFactory.Log("AddName(" + Text(name) + ")");
  if (name == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  mNames.emplace_back(name);
  return AAX_SUCCESS;
}

AAX_Result EffectDescriptor::AddCategory(uint32_t categoryBits)
{
  mFactory.Log("AddCategory(" + Number(categoryBits) + ")");
  return AAX_SUCCESS;
}

AAX_Result EffectDescriptor::AddCategoryBypassParameter(uint32_t category, AAX_CParamID id)
{
  mFactory.Log("AddCategoryBypassParameter(" + Number(category) + ", " + Text(id) + ")");
  return AAX_SUCCESS;
}

AAX_Result EffectDescriptor::AddProcPtr(void* proc, int32_t procID)
{
  mFactory.Log("AddProcPtr(" + Number(procID) + ")");
  if (proc == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  mProcs[procID] = reinterpret_cast<CreateProc>(proc);
  return AAX_SUCCESS;
}

AAX_Result EffectDescriptor::SetProperties(IACFUnknown*)
{
  mFactory.Log("EffectDescriptor::SetProperties()");
  return AAX_SUCCESS;
}

AAX_Result EffectDescriptor::AddResourceInfo(int32_t type, const char* info)
{
  mFactory.Log("AddResourceInfo(" + Number(type) + ", " + Text(info) + ")");
  return AAX_SUCCESS;
}

AAX_Result EffectDescriptor::AddMeterDescription(AAX_CTypeID meterID, const char* name, IACFUnknown*)
{
  mFactory.Log("AddMeterDescription(" + FourCC(meterID) + ", " + Text(name) + ")");
  return AAX_SUCCESS;
}

AAX_Result EffectDescriptor::AddControlMIDINode(AAX_CTypeID nodeID, int32_t type, const char* name, uint32_t mask)
{
  mFactory.Log("AddControlMIDINode(" + FourCC(nodeID) + ", " + Number(type) + ", " + Text(name) + ", " + Hex(mask) +
               ")");
  return AAX_ERROR_UNIMPLEMENTED;
}

CreateProc EffectDescriptor::Proc(int32_t procID) const
{
  const auto found = mProcs.find(procID);
  return found != mProcs.end() ? found->second : nullptr;
}

// ---- Collection ----

Collection::Collection(ComponentFactory& factory) : HostObject(factory.SharedChecks(), "collection"), mFactory(factory)
{
}

void* Collection::Answer(const acfUID& iid)
{
  return IsOneOf(iid, {IID_IACFUnknown, IID_IACFDefinition, IID_IACFPluginDefinition, IID_CollectionV1}) ? Self()
                                                                                                           : nullptr;
}

ACFRESULT Collection::DefineAttribute(const acfUID&, const acfUID&, const void*, uint32_t) { return ACF_E_NOTIMPL; }
ACFRESULT Collection::GetAttributeInfo(const acfUID&, acfUID*, uint32_t*) { return ACF_E_NOTIMPL; }
ACFRESULT Collection::CopyAttribute(const acfUID&, const acfUID&, void*, uint32_t) { return ACF_E_NOTIMPL; }
ACFRESULT Collection::InitializePlugin(const acfUID&, uint32_t, uint32_t, const acfWChar*, const acfUID&,
                                       const acfWChar*, uint32_t, int32_t)
{
  mFactory.Log("InitializePlugin()");
  return ACF_E_NOTIMPL;
}

AAX_Result Collection::AddEffect(const char* effectID, IACFUnknown* effectDescriptor)
{
  mFactory.Log("AddEffect(" + Text(effectID) + ")");
  if (effectID == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  EffectDescriptor* effect = mFactory.FindEffect(effectDescriptor);
  if (effect == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  if (Effect(effectID) != nullptr)
    return AAX_ERROR_INVALID_ARGUMENT; // effect IDs are unique
  mEffects.emplace_back(effectID, effect);
  return AAX_SUCCESS;
}

AAX_Result Collection::SetManufacturerName(const char* name)
{
  mFactory.Log("SetManufacturerName(" + Text(name) + ")");
  if (name == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  mManufacturerNames.emplace_back(name);
  return AAX_SUCCESS;
}

AAX_Result Collection::AddPackageName(const char* name)
{
  mFactory.Log("AddPackageName(" + Text(name) + ")");
  if (name == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  mPackageNames.emplace_back(name);
  return AAX_SUCCESS;
}

AAX_Result Collection::SetPackageVersion(uint32_t version)
{
  mFactory.Log("SetPackageVersion(" + Hex(version) + ")");
  mPackageVersion = version;
  return AAX_SUCCESS;
}

AAX_Result Collection::SetProperties(IACFUnknown*)
{
  mFactory.Log("Collection::SetProperties()");
  return AAX_SUCCESS;
}

const EffectDescriptor* Collection::Effect(const std::string& id) const
{
  for (const auto& [effectId, descriptor] : mEffects)
    if (effectId == id)
      return descriptor;
  return nullptr;
}

// ---- HostServices ----

void* HostServices::Answer(const acfUID& iid)
{
  return IsOneOf(iid, {IID_IACFUnknown, IID_HostServicesV1, IID_HostServicesV2, IID_HostServicesV3}) ? Self()
                                                                                                       : nullptr;
}

AAX_Result HostServices::Assert(const char* file, int32_t line, const char* note)
{
  Record().Assertion(std::string(file != nullptr ? file : "") + ":" + std::to_string(line) + ": " +
                     (note != nullptr ? note : ""));
  return AAX_SUCCESS;
}

AAX_Result HostServices::Trace(int32_t, const char* message)
{
  Record().Assertion(std::string("trace: ") + (message != nullptr ? message : ""));
  return AAX_SUCCESS;
}

AAX_Result HostServices::StackTrace(int32_t, int32_t, const char* message)
{
  Record().Assertion(std::string("trace: ") + (message != nullptr ? message : ""));
  return AAX_SUCCESS;
}

AAX_Result HostServices::HandleAssertFailure(const char* file, int32_t line, const char* note, int32_t)
{
  return Assert(file, line, note);
}

// ---- ComponentFactory ----

ComponentFactory::ComponentFactory(std::shared_ptr<Checks> checks) : HostObject(std::move(checks), "host") {}

void* ComponentFactory::Answer(const acfUID& iid)
{
  return IsOneOf(iid, {IID_IACFUnknown, IID_IACFComponentFactory}) ? Self() : nullptr;
}

ACFRESULT ComponentFactory::CreateComponent(const acfUID& componentID, IACFUnknown* outer, const acfUID& iid,
                                            void** out)
{
  if (out == nullptr)
  {
    Record().Problem("CreateComponent with a null out-pointer");
    return ACF_E_POINTER;
  }
  *out = nullptr;
  std::string name = NameOf(componentID);
  Log("CreateComponent(" + (name.empty() ? TextOf(componentID) : name) + ")");
  if (outer != nullptr)
    return ACF_E_INVALIDARG; // no aggregation
  IACFUnknown* made = nullptr;
  if (componentID == CompCollection)
    made = mCollections.emplace_back(std::make_unique<Collection>(*this)).get();
  else if (componentID == CompEffectDescriptor)
    made = mEffects.emplace_back(std::make_unique<EffectDescriptor>(*this)).get();
  else if (componentID == CompComponentDescriptor)
    made = mComponents.emplace_back(std::make_unique<ComponentDescriptor>(*this)).get();
  else if (componentID == CompPropertyMap)
    made = mPropertyMaps.emplace_back(std::make_unique<PropertyMap>(*this)).get();
  else if (componentID == CompHostServices)
    made = mHostServices.emplace_back(std::make_unique<HostServices>(SharedChecks())).get();
  else
  {
    if (name.empty())
      Record().Problem("CreateComponent of an unknown component " + TextOf(componentID));
    return ACF_E_CLASSNOTREG;
  }
  return made->QueryInterface(iid, out);
}

ACFRESULT ComponentFactory::CreateInstance(const acfUID&, IACFUnknown*, const acfUID&, void** out)
{
  if (out != nullptr)
    *out = nullptr;
  return ACF_E_NOTIMPL;
}

ACFRESULT ComponentFactory::GetClassFactory(const acfUID&, const acfUID&, void** out)
{
  if (out != nullptr)
    *out = nullptr;
  return ACF_E_NOTIMPL;
}

ACFRESULT ComponentFactory::FindDefinition(const acfUID&, const acfUID&, IACFDefinition** out)
{
  if (out != nullptr)
    *out = nullptr;
  return ACF_E_NOTIMPL;
}

ACFRESULT ComponentFactory::EnumDefinitions(const acfUID&, IACFEnumDefinitions** out)
{
  if (out != nullptr)
    *out = nullptr;
  return ACF_E_NOTIMPL;
}

std::vector<std::pair<std::string, uint32_t>> ComponentFactory::MadeObjectReferences() const
{
  std::vector<std::pair<std::string, uint32_t>> counts;
  auto add = [&counts](const auto& objects) {
    for (const auto& object : objects)
      counts.emplace_back(object->Kind(), object->ModuleReferences());
  };
  add(mCollections);
  add(mEffects);
  add(mComponents);
  add(mPropertyMaps);
  add(mHostServices);
  return counts;
}

ComponentDescriptor* ComponentFactory::FindComponent(IACFUnknown* object) const { return FindIn(mComponents, object); }
EffectDescriptor* ComponentFactory::FindEffect(IACFUnknown* object) const { return FindIn(mEffects, object); }
PropertyMap* ComponentFactory::FindPropertyMap(IACFUnknown* object) const { return FindIn(mPropertyMaps, object); }
} // namespace aaxhost
