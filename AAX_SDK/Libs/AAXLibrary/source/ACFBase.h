#pragma once

// The component framework under AAX: result codes, 16-byte IDs and the base interfaces
// every host and plug-in object speaks. Interfaces here have no data, no destructor and
// no overloads, so their v-tables are the same under every x86-64 C++ ABI.

#include <cstdint>
#include <cstring>

using ACFRESULT = int32_t;
using acfUInt32 = uint32_t;
using acfSInt32 = int32_t;
using acfUInt64 = uint64_t;
using acfWChar = wchar_t;
enum acfBool : int32_t
{
  kACFFalse = 0,
  kACFTrue = 1,
};

// Success is >= 0; these are the framework's own values, not the COM ones.
enum : ACFRESULT
{
  ACF_OK = 0,
  ACF_FALSE = 1,
  ACF_E_NOTIMPL = static_cast<ACFRESULT>(0x80000001u),
  ACF_E_OUTOFMEMORY = static_cast<ACFRESULT>(0x80000002u),
  ACF_E_INVALIDARG = static_cast<ACFRESULT>(0x80000003u),
  ACF_E_NOINTERFACE = static_cast<ACFRESULT>(0x80000004u),
  ACF_E_POINTER = static_cast<ACFRESULT>(0x80000005u),
  ACF_E_FAIL = static_cast<ACFRESULT>(0x80000008u),
  ACF_E_UNEXPECTED = static_cast<ACFRESULT>(0x8000FFFFu),
  ACF_E_CLASSNOTREG = static_cast<ACFRESULT>(0x80040154u),
  ACF_CLASS_E_CLASSNOTAVAILABLE = static_cast<ACFRESULT>(0x80040111u),
  ACF_E_ALREADYINITIALIZED = static_cast<ACFRESULT>(0xA0000066u),
  ACF_E_NOTINITIALIZED = static_cast<ACFRESULT>(0xA0000068u),
};

// An interface, component or attribute ID: the GUID layout, so its bytes in memory are
// the same on every little-endian platform.
struct acfUID
{
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
using acfIID = acfUID;
using acfCLSID = acfUID;
static_assert(sizeof(acfUID) == 16 && alignof(acfUID) == 4);

inline bool operator==(const acfUID& a, const acfUID& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
inline bool operator!=(const acfUID& a, const acfUID& b) { return !(a == b); }

class IACFUnknown
{
public:
  virtual ACFRESULT QueryInterface(const acfIID& iid, void** out) = 0;
  virtual acfUInt32 AddRef() = 0;
  virtual acfUInt32 Release() = 0;

protected:
  ~IACFUnknown() = default;
};

class IACFDefinition : public IACFUnknown
{
public:
  virtual ACFRESULT DefineAttribute(const acfUID& attributeID, const acfUID& typeID, const void* data,
                                    acfUInt32 size) = 0;
  virtual ACFRESULT GetAttributeInfo(const acfUID& attributeID, acfUID* typeID, acfUInt32* size) = 0;
  virtual ACFRESULT CopyAttribute(const acfUID& attributeID, const acfUID& typeID, void* data, acfUInt32 size) = 0;

protected:
  ~IACFDefinition() = default;
};

class IACFPluginDefinition : public IACFDefinition
{
public:
  virtual ACFRESULT InitializePlugin(const acfUID& uid, acfUInt32 major, acfUInt32 minor, const acfWChar* name,
                                     const acfUID& vendorID, const acfWChar* vendorName, acfUInt32 componentCount,
                                     acfBool cache) = 0;

protected:
  ~IACFPluginDefinition() = default;
};

class IACFComponentDefinition;
class IACFEnumDefinitions;

class IACFComponentFactory : public IACFUnknown
{
public:
  virtual ACFRESULT CreateComponent(const acfUID& componentID, IACFUnknown* outer, const acfIID& iid,
                                    void** out) = 0;
  virtual ACFRESULT CreateInstance(const acfCLSID& clsid, IACFUnknown* outer, const acfIID& iid, void** out) = 0;
  virtual ACFRESULT GetClassFactory(const acfCLSID& clsid, const acfIID& iid, void** out) = 0;
  virtual ACFRESULT FindDefinition(const acfUID& uid, const acfIID& iid, IACFDefinition** out) = 0;
  virtual ACFRESULT EnumDefinitions(const acfUID& typeID, IACFEnumDefinitions** out) = 0;

protected:
  ~IACFComponentFactory() = default;
};

inline constexpr acfIID IID_IACFUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr acfIID IID_IACFDefinition = {0xE51741F1, 0x7FCF, 0x11D6, {0xAA, 0xC3, 0x00, 0x30, 0x65, 0x42, 0xA0, 0x24}};
inline constexpr acfIID IID_IACFPluginDefinition = {0x00EEF015, 0x7FD0, 0x11D6, {0x84, 0x85, 0x00, 0x30, 0x65, 0x42, 0xA0, 0x24}};
inline constexpr acfIID IID_IACFComponentFactory = {0x382B6A96, 0x7FD0, 0x11D6, {0xBC, 0xFE, 0x00, 0x30, 0x65, 0x42, 0xA0, 0x24}};
inline constexpr acfIID IID_IACFClassFactory = {0x80996EEE, 0x7FCF, 0x11D6, {0xAC, 0xA8, 0x00, 0x30, 0x65, 0x42, 0xA0, 0x24}};
inline constexpr acfIID IID_IACFComponentDefinition = {0x1718A226, 0x7FD0, 0x11D6, {0xBD, 0x1D, 0x00, 0x30, 0x65, 0x42, 0xA0, 0x24}};

// Queries iid from object into *out as T*; null when object is null or lacks it.
template <typename T>
T* ACFQuery(IACFUnknown* object, const acfIID& iid)
{
  void* out = nullptr;
  if (object == nullptr || object->QueryInterface(iid, &out) != ACF_OK)
    return nullptr;
  return static_cast<T*>(out);
}
