#pragma once

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_ICollection.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IComponentDescriptor.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IEffectDescriptor.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IPropertyMap.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// What a module described at registration, as our host recorded it: every call in
// order, and the effects with their components, fields, properties and procedures.
namespace aaxhost
{
// One field of a component's algorithm context.
struct Field
{
  enum class Kind
  {
    kAudioIn,
    kAudioOut,
    kBufferLength,
    kPrivateData,
    kMIDINode,
    kMeters
  };
  Field() = default;
  explicit Field(Kind k) : kind(k) {}
  Kind kind = Kind::kPrivateData;
  int32_t sizeBytes = 0;  // private data
  int32_t nodeType = 0;   // MIDI node: AAX_EMIDINodeType
  std::string nodeName;   // MIDI node
  uint32_t mask = 0;      // MIDI node
  uint32_t meterCount = 0;
};

class PropertyMap final : public AAX_IPropertyMap
{
public:
  AAX_Result AddProperty(int32_t property, AAX_CPropertyValue value) override;
  bool GetProperty(int32_t property, AAX_CPropertyValue* value) const override;
  // In the order they were added.
  const std::vector<std::pair<int32_t, AAX_CPropertyValue>>& Properties() const { return mProperties; }

private:
  std::vector<std::pair<int32_t, AAX_CPropertyValue>> mProperties;
};

class Collection;

class ComponentDescriptor final : public AAX_IComponentDescriptor
{
public:
  explicit ComponentDescriptor(Collection& log) : mLog(log) {}
  AAX_Result AddAudioIn(AAX_CFieldIndex field) override;
  AAX_Result AddAudioOut(AAX_CFieldIndex field) override;
  AAX_Result AddAudioBufferLength(AAX_CFieldIndex field) override;
  AAX_Result AddPrivateData(AAX_CFieldIndex field, int32_t sizeBytes, uint32_t options) override;
  AAX_Result AddMIDINode(AAX_CFieldIndex field, int32_t nodeType, const char* name, uint32_t mask) override;
  AAX_Result AddMeters(AAX_CFieldIndex field, const AAX_CTypeID* meterIds, uint32_t meterCount) override;
  AAX_Result AddAuxOutputStem(AAX_CFieldIndex field, int32_t stemFormat, const char* name) override;
  AAX_IPropertyMap* NewPropertyMap() override;
  AAX_Result AddProcessProc_Native(AAX_CProcessProc render, AAX_IPropertyMap* properties,
                                   AAX_CInstanceInitProc instanceInit, AAX_CBackgroundProc background,
                                   int32_t* procId) override;

  const std::map<AAX_CFieldIndex, Field>& Fields() const { return mFields; }
  AAX_CProcessProc RenderProc() const { return mRender; }
  const PropertyMap* Properties() const { return mProperties; }
  // The property's value, or fallback when the component does not have it.
  AAX_CPropertyValue Property(int32_t property, AAX_CPropertyValue fallback = 0) const;

private:
  AAX_Result AddField(AAX_CFieldIndex field, Field description);

  Collection& mLog;
  std::map<AAX_CFieldIndex, Field> mFields;
  std::vector<std::unique_ptr<PropertyMap>> mPropertyMaps;
  PropertyMap* mProperties = nullptr;
  AAX_CProcessProc mRender = nullptr;
};

class EffectDescriptor final : public AAX_IEffectDescriptor
{
public:
  explicit EffectDescriptor(Collection& log) : mLog(log) {}
  AAX_IComponentDescriptor* NewComponentDescriptor() override;
  AAX_Result AddComponent(AAX_IComponentDescriptor* component) override;
  AAX_Result AddName(const char* name) override;
  AAX_Result AddCategory(uint32_t category) override;
  AAX_Result AddProcPtr(AAX_CCreateProc proc, int32_t procId) override;

  const std::vector<std::string>& Names() const { return mNames; }
  const std::vector<const ComponentDescriptor*>& Components() const { return mComponents; }
  AAX_CCreateProc Proc(int32_t procId) const;

private:
  Collection& mLog;
  std::vector<std::unique_ptr<ComponentDescriptor>> mOwned;
  std::vector<const ComponentDescriptor*> mComponents;
  std::vector<std::string> mNames;
  std::map<int32_t, AAX_CCreateProc> mProcs;
};

// The collection handed to ACFRegisterPlugin. Every call is logged as one line, e.g.
// "AddPrivateData(8, 8, 0)"; calls on unknown objects or bad arguments answer errors.
class Collection final : public AAX_ICollection
{
public:
  AAX_IEffectDescriptor* NewDescriptor() override;
  AAX_Result AddEffect(const char* effectId, AAX_IEffectDescriptor* descriptor) override;
  AAX_Result SetManufacturerName(const char* name) override;
  AAX_Result AddPackageName(const char* name) override;
  AAX_Result SetPackageVersion(uint32_t version) override;
  void HandleAssertion(const char* condition, const char* source) override;

  void Log(std::string line) { mCalls.push_back(std::move(line)); }
  const std::vector<std::string>& Calls() const { return mCalls; }
  // Effects added with AddEffect, by ID, in order.
  const std::vector<std::pair<std::string, const EffectDescriptor*>>& Effects() const { return mEffects; }
  const EffectDescriptor* Effect(const std::string& id) const;
  const std::vector<std::string>& ManufacturerNames() const { return mManufacturerNames; }
  const std::vector<std::string>& PackageNames() const { return mPackageNames; }
  uint32_t PackageVersion() const { return mPackageVersion; }
  const std::vector<std::string>& Assertions() const { return mAssertions; }

private:
  std::vector<std::unique_ptr<EffectDescriptor>> mDescriptors;
  std::vector<std::pair<std::string, const EffectDescriptor*>> mEffects;
  std::vector<std::string> mCalls;
  std::vector<std::string> mManufacturerNames;
  std::vector<std::string> mPackageNames;
  std::vector<std::string> mAssertions;
  uint32_t mPackageVersion = 0;
};

// A four-character code as text ("Qnmk"); non-printing bytes as '?'.
std::string FourCC(uint32_t code);
} // namespace aaxhost
