#include "tools/aaxhost/Description.h"

#include <cstdio>

namespace aaxhost
{
namespace
{
std::string Text(const char* text) { return text != nullptr ? text : "(null)"; }
std::string Hex(uint32_t value)
{
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", value);
  return buffer;
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

AAX_Result PropertyMap::AddProperty(int32_t property, AAX_CPropertyValue value)
{
  for (auto& entry : mProperties)
    if (entry.first == property)
    {
      entry.second = value;
      return AAX_SUCCESS;
    }
  mProperties.emplace_back(property, value);
  return AAX_SUCCESS;
}

bool PropertyMap::GetProperty(int32_t property, AAX_CPropertyValue* value) const
{
  for (const auto& entry : mProperties)
    if (entry.first == property)
    {
      if (value != nullptr)
        *value = entry.second;
      return true;
    }
  return false;
}

// ---- ComponentDescriptor ----

AAX_Result ComponentDescriptor::AddField(AAX_CFieldIndex field, Field description)
{
  if (field < 0 || field >= 64)
    return AAX_ERROR_INVALID_FIELD_INDEX;
  if (!mFields.emplace(field, std::move(description)).second)
    return AAX_ERROR_DUPLICATE_ID;
  return AAX_SUCCESS;
}

AAX_Result ComponentDescriptor::AddAudioIn(AAX_CFieldIndex field)
{
  mLog.Log("AddAudioIn(" + std::to_string(field) + ")");
  return AddField(field, Field(Field::Kind::kAudioIn));
}

AAX_Result ComponentDescriptor::AddAudioOut(AAX_CFieldIndex field)
{
  mLog.Log("AddAudioOut(" + std::to_string(field) + ")");
  return AddField(field, Field(Field::Kind::kAudioOut));
}

AAX_Result ComponentDescriptor::AddAudioBufferLength(AAX_CFieldIndex field)
{
  mLog.Log("AddAudioBufferLength(" + std::to_string(field) + ")");
  return AddField(field, Field(Field::Kind::kBufferLength));
}

AAX_Result ComponentDescriptor::AddPrivateData(AAX_CFieldIndex field, int32_t sizeBytes, uint32_t options)
{
  mLog.Log("AddPrivateData(" + std::to_string(field) + ", " + std::to_string(sizeBytes) + ", " +
           std::to_string(options) + ")");
  if (sizeBytes <= 0)
    return AAX_ERROR_INVALID_ARGUMENT;
  Field description(Field::Kind::kPrivateData);
  description.sizeBytes = sizeBytes;
  return AddField(field, description);
}

AAX_Result ComponentDescriptor::AddMIDINode(AAX_CFieldIndex field, int32_t nodeType, const char* name, uint32_t mask)
{
  mLog.Log("AddMIDINode(" + std::to_string(field) + ", " + std::to_string(nodeType) + ", \"" + Text(name) + "\", " +
           Hex(mask) + ")");
  if (name == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  Field description(Field::Kind::kMIDINode);
  description.nodeType = nodeType;
  description.nodeName = name;
  description.mask = mask;
  return AddField(field, description);
}

AAX_Result ComponentDescriptor::AddMeters(AAX_CFieldIndex field, const AAX_CTypeID* meterIds, uint32_t meterCount)
{
  mLog.Log("AddMeters(" + std::to_string(field) + ", " + std::to_string(meterCount) + ")");
  if (meterIds == nullptr && meterCount > 0)
    return AAX_ERROR_NULL_ARGUMENT;
  Field description(Field::Kind::kMeters);
  description.meterCount = meterCount;
  return AddField(field, description);
}

AAX_Result ComponentDescriptor::AddAuxOutputStem(AAX_CFieldIndex field, int32_t stemFormat, const char* name)
{
  mLog.Log("AddAuxOutputStem(" + std::to_string(field) + ", " + Hex(static_cast<uint32_t>(stemFormat)) + ", \"" +
           Text(name) + "\")");
  return AAX_SUCCESS;
}

AAX_IPropertyMap* ComponentDescriptor::NewPropertyMap()
{
  mLog.Log("NewPropertyMap()");
  mPropertyMaps.push_back(std::make_unique<PropertyMap>());
  return mPropertyMaps.back().get();
}

AAX_Result ComponentDescriptor::AddProcessProc_Native(AAX_CProcessProc render, AAX_IPropertyMap* properties,
                                                      AAX_CInstanceInitProc, AAX_CBackgroundProc, int32_t*)
{
  std::string line = "AddProcessProc_Native(render";
  for (const auto& map : mPropertyMaps)
    if (map.get() == properties)
      for (const auto& [id, value] : map->Properties())
        line += ", " + std::to_string(id) + "=" + Hex(static_cast<uint32_t>(value));
  mLog.Log(line + ")");
  if (render == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  mProperties = nullptr;
  for (const auto& map : mPropertyMaps)
    if (map.get() == properties)
      mProperties = map.get();
  if (mProperties == nullptr)
    return AAX_ERROR_NULL_OBJECT;
  mRender = render;
  return AAX_SUCCESS;
}

AAX_CPropertyValue ComponentDescriptor::Property(int32_t property, AAX_CPropertyValue fallback) const
{
  AAX_CPropertyValue value = fallback;
  if (mProperties != nullptr)
    mProperties->GetProperty(property, &value);
  return value;
}

// ---- EffectDescriptor ----

AAX_IComponentDescriptor* EffectDescriptor::NewComponentDescriptor()
{
  mLog.Log("NewComponentDescriptor()");
  mOwned.push_back(std::make_unique<ComponentDescriptor>(mLog));
  return mOwned.back().get();
}

AAX_Result EffectDescriptor::AddComponent(AAX_IComponentDescriptor* component)
{
  mLog.Log("AddComponent()");
  for (const auto& owned : mOwned)
    if (owned.get() == component)
    {
      if (owned->RenderProc() == nullptr)
        return AAX_ERROR_INVALID_ARGUMENT; // a component without a render callback
      mComponents.push_back(owned.get());
      return AAX_SUCCESS;
    }
  return AAX_ERROR_NULL_OBJECT;
}

AAX_Result EffectDescriptor::AddName(const char* name)
{
  mLog.Log("AddName(\"" + Text(name) + "\")");
  if (name == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  mNames.emplace_back(name);
  return AAX_SUCCESS;
}

AAX_Result EffectDescriptor::AddCategory(uint32_t category)
{
  mLog.Log("AddCategory(" + std::to_string(category) + ")");
  return AAX_SUCCESS;
}

AAX_Result EffectDescriptor::AddProcPtr(AAX_CCreateProc proc, int32_t procId)
{
  mLog.Log("AddProcPtr(" + std::to_string(procId) + ")");
  if (proc == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  mProcs[procId] = proc;
  return AAX_SUCCESS;
}

AAX_CCreateProc EffectDescriptor::Proc(int32_t procId) const
{
  const auto found = mProcs.find(procId);
  return found != mProcs.end() ? found->second : nullptr;
}

// ---- Collection ----

AAX_IEffectDescriptor* Collection::NewDescriptor()
{
  Log("NewDescriptor()");
  mDescriptors.push_back(std::make_unique<EffectDescriptor>(*this));
  return mDescriptors.back().get();
}

AAX_Result Collection::AddEffect(const char* effectId, AAX_IEffectDescriptor* descriptor)
{
  Log("AddEffect(\"" + Text(effectId) + "\")");
  if (effectId == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  for (const auto& owned : mDescriptors)
    if (owned.get() == descriptor)
    {
      if (Effect(effectId) != nullptr)
        return AAX_ERROR_DUPLICATE_ID;
      mEffects.emplace_back(effectId, owned.get());
      return AAX_SUCCESS;
    }
  return AAX_ERROR_NULL_OBJECT;
}

AAX_Result Collection::SetManufacturerName(const char* name)
{
  Log("SetManufacturerName(\"" + Text(name) + "\")");
  if (name == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  mManufacturerNames.emplace_back(name);
  return AAX_SUCCESS;
}

AAX_Result Collection::AddPackageName(const char* name)
{
  Log("AddPackageName(\"" + Text(name) + "\")");
  if (name == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  mPackageNames.emplace_back(name);
  return AAX_SUCCESS;
}

AAX_Result Collection::SetPackageVersion(uint32_t version)
{
  Log("SetPackageVersion(" + Hex(version) + ")");
  mPackageVersion = version;
  return AAX_SUCCESS;
}

void Collection::HandleAssertion(const char* condition, const char* source)
{
  mAssertions.push_back(Text(source) + ": " + Text(condition));
}

const EffectDescriptor* Collection::Effect(const std::string& id) const
{
  for (const auto& [effectId, descriptor] : mEffects)
    if (effectId == id)
      return descriptor;
  return nullptr;
}
} // namespace aaxhost
