#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

#include <cstddef>

// The class factory a module hands out, with the descriptions it fills. All strings are
// zero-terminated inside their buffers, with the unused tail zero-filled.

namespace Steinberg
{
struct PFactoryInfo
{
  enum FactoryFlags
  {
    kNoFlags = 0,
    kClassesDiscardable = 1 << 0,      // class list may change between loads
    kLicenseCheck = 1 << 1,            // deprecated, ignored by hosts
    kComponentNonDiscardable = 1 << 3, // keep the module loaded until the process ends
    kUnicode = 1 << 4                  // strings are Unicode: the normal value
  };
  enum
  {
    kNameSize = 64,
    kURLSize = 256,
    kEmailSize = 128
  };

  char8 vendor[kNameSize];
  char8 url[kURLSize];
  char8 email[kEmailSize];
  int32 flags; // FactoryFlags
};

struct PClassInfo
{
  enum ClassCardinality
  {
    kManyInstances = 0x7FFFFFFF
  };
  enum
  {
    kCategorySize = 32,
    kNameSize = 64
  };

  TUID cid; // in this platform's byte order
  int32 cardinality;
  char8 category[kCategorySize];
  char8 name[kNameSize];
};

// Starts with exactly the bytes of PClassInfo.
struct PClassInfo2
{
  enum
  {
    kCategorySize = PClassInfo::kCategorySize,
    kNameSize = PClassInfo::kNameSize,
    kVendorSize = 64,
    kVersionSize = 64,
    kSubCategoriesSize = 128
  };

  TUID cid;
  int32 cardinality;
  char8 category[kCategorySize];
  char8 name[kNameSize];
  uint32 classFlags;                        // Vst::ComponentFlags for audio module classes
  char8 subCategories[kSubCategoriesSize]; // items separated by '|', e.g. "Fx|Dynamics"
  char8 vendor[kVendorSize];               // empty: the host shows the factory vendor
  char8 version[kVersionSize];
  char8 sdkVersion[kVersionSize];
};

// PClassInfo2 with UTF-16 name, vendor and versions; category and sub-categories stay 8-bit.
struct PClassInfoW
{
  enum
  {
    kCategorySize = PClassInfo::kCategorySize,
    kNameSize = PClassInfo::kNameSize,
    kVendorSize = 64,
    kVersionSize = 64,
    kSubCategoriesSize = 128
  };

  TUID cid;
  int32 cardinality;
  char8 category[kCategorySize];
  char16 name[kNameSize];
  uint32 classFlags;
  char8 subCategories[kSubCategoriesSize];
  char16 vendor[kVendorSize];
  char16 version[kVersionSize];
  char16 sdkVersion[kVersionSize];
};

class IPluginFactory : public FUnknown
{
public:
  virtual tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) = 0;
  virtual int32 PLUGIN_API countClasses() = 0;
  virtual tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) = 0;
  // cid and iid point to 16 raw bytes (not text: they may hold zeros). On success *obj
  // carries exactly one reference for the caller.
  virtual tresult PLUGIN_API createInstance(FIDString cid, FIDString iid, void** obj) = 0;

  static constexpr const int8* iid = InterfaceIds::kIPluginFactory.data();
};

class IPluginFactory2 : public IPluginFactory
{
public:
  virtual tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) = 0;

  static constexpr const int8* iid = InterfaceIds::kIPluginFactory2.data();
};

class IPluginFactory3 : public IPluginFactory2
{
public:
  virtual tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;
  // On Linux the context may answer Linux::IRunLoop.
  virtual tresult PLUGIN_API setHostContext(FUnknown* context) = 0;

  static constexpr const int8* iid = InterfaceIds::kIPluginFactory3.data();
};

static_assert(sizeof(PFactoryInfo) == 452 && alignof(PFactoryInfo) == 4);
static_assert(offsetof(PFactoryInfo, url) == 64 && offsetof(PFactoryInfo, email) == 320);
static_assert(offsetof(PFactoryInfo, flags) == 448);
static_assert(sizeof(PClassInfo) == 116 && alignof(PClassInfo) == 4);
static_assert(offsetof(PClassInfo, cardinality) == 16 && offsetof(PClassInfo, category) == 20);
static_assert(offsetof(PClassInfo, name) == 52);
static_assert(sizeof(PClassInfo2) == 440 && alignof(PClassInfo2) == 4);
static_assert(offsetof(PClassInfo2, classFlags) == 116 && offsetof(PClassInfo2, subCategories) == 120);
static_assert(offsetof(PClassInfo2, vendor) == 248 && offsetof(PClassInfo2, version) == 312);
static_assert(offsetof(PClassInfo2, sdkVersion) == 376);
static_assert(sizeof(PClassInfoW) == 696 && alignof(PClassInfoW) == 4);
static_assert(offsetof(PClassInfoW, name) == 52 && offsetof(PClassInfoW, classFlags) == 180);
static_assert(offsetof(PClassInfoW, subCategories) == 184 && offsetof(PClassInfoW, vendor) == 312);
static_assert(offsetof(PClassInfoW, version) == 440 && offsetof(PClassInfoW, sdkVersion) == 568);
} // namespace Steinberg
