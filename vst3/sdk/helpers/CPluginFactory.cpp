#include "vst3/sdk/helpers/CPluginFactory.h"

#include "vst3/sdk/helpers/Utf16.h"

#include <cstring>
#include <new>

namespace Steinberg
{
namespace
{
PClassInfoW toUtf16(const PClassInfo2& info)
{
  PClassInfoW wide{};
  std::memcpy(wide.cid, info.cid, sizeof(TUID));
  wide.cardinality = info.cardinality;
  copyText8(info.category, wide.category);
  utf8ToUtf16(info.name, wide.name);
  wide.classFlags = info.classFlags;
  copyText8(info.subCategories, wide.subCategories);
  utf8ToUtf16(info.vendor, wide.vendor);
  utf8ToUtf16(info.version, wide.version);
  utf8ToUtf16(info.sdkVersion, wide.sdkVersion);
  return wide;
}

PClassInfo2 toUtf8(const PClassInfoW& info)
{
  PClassInfo2 narrow{};
  std::memcpy(narrow.cid, info.cid, sizeof(TUID));
  narrow.cardinality = info.cardinality;
  copyText8(info.category, narrow.category);
  utf16ToUtf8(info.name, narrow.name);
  narrow.classFlags = info.classFlags;
  copyText8(info.subCategories, narrow.subCategories);
  utf16ToUtf8(info.vendor, narrow.vendor);
  utf16ToUtf8(info.version, narrow.version);
  utf16ToUtf8(info.sdkVersion, narrow.sdkVersion);
  return narrow;
}

// The host's buffers are filled from our copies, which are zero-filled behind each string
// and terminated (copyText8 / copyText16 re-terminate whatever was registered).
PClassInfo2 sanitized(const PClassInfo2& info)
{
  PClassInfo2 clean{};
  std::memcpy(clean.cid, info.cid, sizeof(TUID));
  clean.cardinality = info.cardinality;
  copyText8(info.category, clean.category);
  copyText8(info.name, clean.name);
  clean.classFlags = info.classFlags;
  copyText8(info.subCategories, clean.subCategories);
  copyText8(info.vendor, clean.vendor);
  copyText8(info.version, clean.version);
  copyText8(info.sdkVersion, clean.sdkVersion);
  return clean;
}
} // namespace

CPluginFactory::CPluginFactory(const PFactoryInfo& info)
{
  copyText8(info.vendor, mFactoryInfo.vendor);
  copyText8(info.url, mFactoryInfo.url);
  copyText8(info.email, mFactoryInfo.email);
  mFactoryInfo.flags = info.flags;
}

CPluginFactory::~CPluginFactory() = default;

bool CPluginFactory::registerClass(const PClassInfo& info, CreateFunction create, void* context)
{
  PClassInfo2 info2{};
  std::memcpy(info2.cid, info.cid, sizeof(TUID));
  info2.cardinality = info.cardinality;
  copyText8(info.category, info2.category);
  copyText8(info.name, info2.name);
  return registerClass(info2, create, context);
}

bool CPluginFactory::registerClass(const PClassInfo2& info, CreateFunction create, void* context)
{
  ClassEntry entry;
  entry.info8 = sanitized(info);
  entry.info16 = toUtf16(entry.info8);
  entry.create = create;
  entry.context = context;
  return addEntry(entry);
}

bool CPluginFactory::registerClass(const PClassInfoW& info, CreateFunction create, void* context)
{
  ClassEntry entry;
  entry.info16 = info;
  // Re-terminate every text field of the copy.
  copyText8(info.category, entry.info16.category);
  copyText16(info.name, entry.info16.name);
  copyText8(info.subCategories, entry.info16.subCategories);
  copyText16(info.vendor, entry.info16.vendor);
  copyText16(info.version, entry.info16.version);
  copyText16(info.sdkVersion, entry.info16.sdkVersion);
  entry.info8 = toUtf8(entry.info16);
  entry.create = create;
  entry.context = context;
  return addEntry(entry);
}

bool CPluginFactory::addEntry(const ClassEntry& entry)
{
  if (entry.create == nullptr || isClassRegistered(entry.info8.cid))
    return false;
  mClasses.push_back(entry);
  return true;
}

bool CPluginFactory::isClassRegistered(const TUID cid) const noexcept
{
  for (const ClassEntry& entry : mClasses)
  {
    if (iidEqual(entry.info8.cid, cid))
      return true;
  }
  return false;
}

const CPluginFactory::ClassEntry* CPluginFactory::entryAt(int32 index) const noexcept
{
  if (index < 0 || index >= static_cast<int32>(mClasses.size()))
    return nullptr;
  return &mClasses[static_cast<std::size_t>(index)];
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info)
{
  if (info == nullptr)
    return kInvalidArgument;
  *info = mFactoryInfo;
  return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses()
{
  return static_cast<int32>(mClasses.size());
}

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info)
{
  const ClassEntry* entry = entryAt(index);
  if (entry == nullptr || info == nullptr)
    return kInvalidArgument;
  *info = PClassInfo{};
  std::memcpy(info->cid, entry->info8.cid, sizeof(TUID));
  info->cardinality = entry->info8.cardinality;
  copyText8(entry->info8.category, info->category);
  copyText8(entry->info8.name, info->name);
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info)
{
  const ClassEntry* entry = entryAt(index);
  if (entry == nullptr || info == nullptr)
    return kInvalidArgument;
  *info = entry->info8;
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info)
{
  const ClassEntry* entry = entryAt(index);
  if (entry == nullptr || info == nullptr)
    return kInvalidArgument;
  *info = entry->info16;
  return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString iid, void** obj)
{
  if (obj == nullptr)
    return kInvalidArgument;
  *obj = nullptr;
  if (cid == nullptr || iid == nullptr)
    return kInvalidArgument;
  for (const ClassEntry& entry : mClasses)
  {
    if (!iidEqual(entry.info8.cid, cid))
      continue;
    FUnknown* created = nullptr;
    try
    {
      created = entry.create(entry.context);
    }
    catch (const std::bad_alloc&)
    {
      return kOutOfMemory;
    }
    catch (...)
    {
      return kInternalError;
    }
    if (created == nullptr)
      return kNoInterface;
    const tresult result = created->queryInterface(iid, obj);
    created->release(); // the caller keeps the reference queryInterface added, if any
    if (result != kResultOk)
    {
      *obj = nullptr;
      return kNoInterface;
    }
    return kResultOk;
  }
  return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown* context)
{
#if defined(__linux__)
  mRunLoop = queryFrom<Linux::IRunLoop>(context);
  return kResultTrue;
#else
  (void)context;
  return kNotImplemented;
#endif
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID iid, void** obj)
{
  if (answerAs<IPluginFactory3>(this, iid, obj) || answerAs<IPluginFactory2>(this, iid, obj)
      || answerAs<IPluginFactory>(this, iid, obj))
    return kResultOk;
  return FObject::queryInterface(iid, obj);
}
} // namespace Steinberg
