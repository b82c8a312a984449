#pragma once

// The host objects a module describes itself into at registration, made through the
// host's component factory, and what they recorded: every call in order, and the
// effects with their components, context fields, properties and procedures.

#include "tools/aaxhost/Checks.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace aaxhost
{
class ComponentFactory;

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
    kMeters,
    kOther
  };
  Kind kind = Kind::kOther;
  int32_t sizeBytes = 0; // private data
  int32_t nodeType = 0;  // MIDI node
  std::string nodeName;  // MIDI node
  uint32_t mask = 0;     // MIDI node
  uint32_t meterCount = 0;
};

class PropertyMap final : public HostObject<abi::IPropertyMapV3>
{
public:
  PropertyMap(ComponentFactory& factory);
  abi::AAX_CBoolean GetProperty(int32_t id, abi::AAX_CPropertyValue* out) override;
  abi::AAX_Result AddProperty(int32_t id, abi::AAX_CPropertyValue value) override;
  abi::AAX_Result RemoveProperty(int32_t id) override;
  abi::AAX_Result AddPropertyWithIDArray(int32_t id, const abi::AAX_SPlugInIdentifierTriad* ids,
                                         uint32_t count) override;
  abi::AAX_CBoolean GetPropertyWithIDArray(int32_t id, const abi::AAX_SPlugInIdentifierTriad** out,
                                           uint32_t* count) override;
  abi::AAX_CBoolean GetProperty64(int32_t id, abi::AAX_CPropertyValue64* out) override;
  abi::AAX_Result AddProperty64(int32_t id, abi::AAX_CPropertyValue64 value) override;

  // In the order first added.
  const std::vector<std::pair<int32_t, int64_t>>& Properties() const { return mProperties; }

private:
  void* Answer(const abi::acfUID& iid) override;
  // The value stored for `id`, or null.
  const int64_t* Find(int32_t id) const;
  ComponentFactory& mFactory;
  std::vector<std::pair<int32_t, int64_t>> mProperties;
};

class ComponentDescriptor final : public HostObject<abi::IComponentDescriptorV3>
{
public:
  explicit ComponentDescriptor(ComponentFactory& factory);
  abi::AAX_Result Clear() override;
  abi::AAX_Result AddReservedField(abi::AAX_CFieldIndex field, uint32_t type) override;
  abi::AAX_Result AddAudioIn(abi::AAX_CFieldIndex field) override;
  abi::AAX_Result AddAudioOut(abi::AAX_CFieldIndex field) override;
  abi::AAX_Result AddAudioBufferLength(abi::AAX_CFieldIndex field) override;
  abi::AAX_Result AddSampleRate(abi::AAX_CFieldIndex field) override;
  abi::AAX_Result AddClock(abi::AAX_CFieldIndex field) override;
  abi::AAX_Result AddSideChainIn(abi::AAX_CFieldIndex field) override;
  abi::AAX_Result AddDataInPort(abi::AAX_CFieldIndex field, uint32_t packetSize, int32_t portType) override;
  abi::AAX_Result AddAuxOutputStem(abi::AAX_CFieldIndex field, int32_t stemFormat, const char* name) override;
  abi::AAX_Result AddPrivateData(abi::AAX_CFieldIndex field, int32_t sizeBytes, uint32_t options) override;
  abi::AAX_Result AddDmaInstance(abi::AAX_CFieldIndex field, int32_t mode) override;
  abi::AAX_Result AddMIDINode(abi::AAX_CFieldIndex field, int32_t nodeType, const char* name, uint32_t mask) override;
  abi::AAX_Result AddProcessProc_Native(abi::AAX_CProcessProc render, abi::IACFUnknown* propertyMap,
                                        abi::AAX_CInstanceInitProc init, abi::AAX_CBackgroundProc background,
                                        abi::AAX_CSelector* outProcID) override;
  abi::AAX_Result AddProcessProc_TI(const char*, const char*, abi::IACFUnknown*, const char*, const char*,
                                    abi::AAX_CSelector*) override;
  abi::AAX_Result AddMeters(abi::AAX_CFieldIndex field, const abi::AAX_CTypeID* ids, uint32_t count) override;
  abi::AAX_Result AddTemporaryData(abi::AAX_CFieldIndex field, uint32_t elementSize) override;
  abi::AAX_Result AddProcessProc(abi::IACFUnknown* propertyMap, abi::AAX_CSelector* outProcIDs,
                                 int32_t capacity) override;

  const std::map<abi::AAX_CFieldIndex, Field>& Fields() const { return mFields; }
  abi::AAX_CProcessProc RenderProc() const { return mRender; }
  abi::AAX_CInstanceInitProc InitProc() const { return mInit; }
  // The properties registered with the render procedure (a copy taken then).
  const std::vector<std::pair<int32_t, int64_t>>& Properties() const { return mProperties; }
  int64_t Property(int32_t id, int64_t fallback = 0) const;

private:
  void* Answer(const abi::acfUID& iid) override;
  abi::AAX_Result AddField(abi::AAX_CFieldIndex field, Field description);
  ComponentFactory& mFactory;
  std::map<abi::AAX_CFieldIndex, Field> mFields;
  abi::AAX_CProcessProc mRender = nullptr;
  abi::AAX_CInstanceInitProc mInit = nullptr;
  std::vector<std::pair<int32_t, int64_t>> mProperties;
};

class EffectDescriptor final : public HostObject<abi::IEffectDescriptorV2>
{
public:
  explicit EffectDescriptor(ComponentFactory& factory);
  abi::AAX_Result AddComponent(abi::IACFUnknown* componentDescriptor) override;
  abi::AAX_Result AddName(const char* name) override;
  abi::AAX_Result AddCategory(uint32_t categoryBits) override;
  abi::AAX_Result AddCategoryBypassParameter(uint32_t category, abi::AAX_CParamID id) override;
  abi::AAX_Result AddProcPtr(void* proc, int32_t procID) override;
  abi::AAX_Result SetProperties(abi::IACFUnknown* propertyMap) override;
  abi::AAX_Result AddResourceInfo(int32_t type, const char* info) override;
  abi::AAX_Result AddMeterDescription(abi::AAX_CTypeID meterID, const char* name,
                                      abi::IACFUnknown* propertyMap) override;
  abi::AAX_Result AddControlMIDINode(abi::AAX_CTypeID nodeID, int32_t type, const char* name,
                                     uint32_t mask) override;

  const std::vector<std::string>& Names() const { return mNames; }
  const std::vector<const ComponentDescriptor*>& Components() const { return mComponents; }
  // A creation procedure by its ID, or null.
  abi::CreateProc Proc(int32_t procID) const;
  ComponentFactory& Factory() const { return mFactory; }

private:
  void* Answer(const abi::acfUID& iid) override;
  ComponentFactory& mFactory;
  std::vector<std::string> mNames;
  std::vector<const ComponentDescriptor*> mComponents;
  std::map<int32_t, abi::CreateProc> mProcs;
};

class Collection final : public HostObject<abi::ICollection>
{
public:
  explicit Collection(ComponentFactory& factory);
  abi::ACFRESULT DefineAttribute(const abi::acfUID&, const abi::acfUID&, const void*, uint32_t) override;
  abi::ACFRESULT GetAttributeInfo(const abi::acfUID&, abi::acfUID*, uint32_t*) override;
  abi::ACFRESULT CopyAttribute(const abi::acfUID&, const abi::acfUID&, void*, uint32_t) override;
  abi::ACFRESULT InitializePlugin(const abi::acfUID&, uint32_t, uint32_t, const abi::acfWChar*, const abi::acfUID&,
                                  const abi::acfWChar*, uint32_t, int32_t) override;
  abi::AAX_Result AddEffect(const char* effectID, abi::IACFUnknown* effectDescriptor) override;
  abi::AAX_Result SetManufacturerName(const char* name) override;
  abi::AAX_Result AddPackageName(const char* name) override;
  abi::AAX_Result SetPackageVersion(uint32_t version) override;
  abi::AAX_Result SetProperties(abi::IACFUnknown* propertyMap) override;

  // Effects added with AddEffect, in order.
  const std::vector<std::pair<std::string, const EffectDescriptor*>>& Effects() const { return mEffects; }
  const EffectDescriptor* Effect(const std::string& id) const;
  const std::vector<std::string>& ManufacturerNames() const { return mManufacturerNames; }
  const std::vector<std::string>& PackageNames() const { return mPackageNames; }
  uint32_t PackageVersion() const { return mPackageVersion; }

private:
  void* Answer(const abi::acfUID& iid) override;
  ComponentFactory& mFactory;
  std::vector<std::pair<std::string, const EffectDescriptor*>> mEffects;
  std::vector<std::string> mManufacturerNames;
  std::vector<std::string> mPackageNames;
  uint32_t mPackageVersion = 0;
};

// The module's assertion and trace reports, kept as the checks' assertions.
class HostServices final : public HostObject<abi::IHostServicesV3>
{
public:
  explicit HostServices(std::shared_ptr<Checks> checks) : HostObject(std::move(checks), "host services") {}
  abi::AAX_Result Assert(const char* file, int32_t line, const char* note) override;
  abi::AAX_Result Trace(int32_t priority, const char* message) override;
  abi::AAX_Result StackTrace(int32_t tracePriority, int32_t stackPriority, const char* message) override;
  abi::AAX_Result HandleAssertFailure(const char* file, int32_t line, const char* note, int32_t flags) override;

private:
  void* Answer(const abi::acfUID& iid) override;
};

// The host unknown handed to the entry points: its component factory makes the
// description objects and the host services, owns them, and logs every description call
// as one line, e.g. "AddPrivateData(8, 8, 0)" or "CreateComponent(PropertyMap)".
class ComponentFactory final : public HostObject<abi::IACFComponentFactory>
{
public:
  explicit ComponentFactory(std::shared_ptr<Checks> checks);
  abi::ACFRESULT CreateComponent(const abi::acfUID& componentID, abi::IACFUnknown* outer, const abi::acfUID& iid,
                                 void** out) override;
  abi::ACFRESULT CreateInstance(const abi::acfUID&, abi::IACFUnknown*, const abi::acfUID&, void** out) override;
  abi::ACFRESULT GetClassFactory(const abi::acfUID&, const abi::acfUID&, void** out) override;
  abi::ACFRESULT FindDefinition(const abi::acfUID&, const abi::acfUID&, abi::IACFDefinition** out) override;
  abi::ACFRESULT EnumDefinitions(const abi::acfUID&, abi::IACFEnumDefinitions** out) override;

  void Log(std::string line) { mCalls.push_back(std::move(line)); }
  const std::vector<std::string>& Calls() const { return mCalls; }
  // The collections made, in order (one per registration).
  const std::vector<std::unique_ptr<Collection>>& Collections() const { return mCollections; }
  // The objects this factory made, for the end-of-life reference check.
  std::vector<std::pair<std::string, uint32_t>> MadeObjectReferences() const;

  // Objects of this factory, found by the pointer the module hands back; null when the
  // pointer is not one of them.
  ComponentDescriptor* FindComponent(abi::IACFUnknown* object) const;
  EffectDescriptor* FindEffect(abi::IACFUnknown* object) const;
  PropertyMap* FindPropertyMap(abi::IACFUnknown* object) const;

private:
  void* Answer(const abi::acfUID& iid) override;
  std::vector<std::string> mCalls;
  std::vector<std::unique_ptr<Collection>> mCollections;
  std::vector<std::unique_ptr<EffectDescriptor>> mEffects;
  std::vector<std::unique_ptr<ComponentDescriptor>> mComponents;
  std::vector<std::unique_ptr<PropertyMap>> mPropertyMaps;
  std::vector<std::unique_ptr<HostServices>> mHostServices;
};

// A four-character code as text ("Qnmk"); non-printing bytes as '?'.
std::string FourCC(uint32_t code);
} // namespace aaxhost
