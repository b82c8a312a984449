#include "tools/vst3host/HostApplication.h"

#include "vst3/sdk/helpers/Utf16.h"
#include "vst3/sdk/interfaces/IAudioProcessor.h"
#include "vst3/sdk/interfaces/IComponent.h"
#include "vst3/sdk/interfaces/IEditController.h"
#include "vst3/sdk/interfaces/IProcessContextRequirements.h"

#include <algorithm>
#include <new>

namespace Steinberg::Vst
{
namespace
{
template <class Map>
auto* lookup(Map& map, IAttributeList::AttrID id)
{
  const auto found = id ? map.find(id) : map.end();
  return found == map.end() ? nullptr : &found->second;
}

// Runs a store that may allocate; a failed allocation becomes kOutOfMemory.
template <class Store>
tresult storing(Store store) noexcept
{
  try
  {
    store();
    return kResultOk;
  }
  catch (...)
  {
    return kOutOfMemory;
  }
}
} // namespace

tresult PLUGIN_API HostAttributeList::setInt(AttrID id, int64 value)
{
  if (id == nullptr)
    return kInvalidArgument;
  return storing([&] { mInts[id] = value; });
}

tresult PLUGIN_API HostAttributeList::getInt(AttrID id, int64& value)
{
  const int64* found = lookup(mInts, id);
  if (found == nullptr)
    return kResultFalse;
  value = *found;
  return kResultOk;
}

tresult PLUGIN_API HostAttributeList::setFloat(AttrID id, double value)
{
  if (id == nullptr)
    return kInvalidArgument;
  return storing([&] { mFloats[id] = value; });
}

tresult PLUGIN_API HostAttributeList::getFloat(AttrID id, double& value)
{
  const double* found = lookup(mFloats, id);
  if (found == nullptr)
    return kResultFalse;
  value = *found;
  return kResultOk;
}

tresult PLUGIN_API HostAttributeList::setString(AttrID id, const TChar* string)
{
  if (id == nullptr || string == nullptr)
    return kInvalidArgument;
  return storing([&] { mStrings[id] = string; });
}

tresult PLUGIN_API HostAttributeList::getString(AttrID id, TChar* string, uint32 sizeInBytes)
{
  const std::u16string* found = lookup(mStrings, id);
  if (found == nullptr || string == nullptr || sizeInBytes < sizeof(TChar))
    return kResultFalse;
  copyText16(found->c_str(), string, static_cast<int32>(std::min<uint32>(sizeInBytes / sizeof(TChar), 0x7FFFFFFF)));
  return kResultOk;
}

tresult PLUGIN_API HostAttributeList::setBinary(AttrID id, const void* data, uint32 sizeInBytes)
{
  if (id == nullptr || (data == nullptr && sizeInBytes > 0))
    return kInvalidArgument;
  const auto* bytes = static_cast<const uint8*>(data);
  return storing([&] { mBinaries[id].assign(bytes, bytes + sizeInBytes); });
}

tresult PLUGIN_API HostAttributeList::getBinary(AttrID id, const void*& data, uint32& sizeInBytes)
{
  const std::vector<uint8>* found = lookup(mBinaries, id);
  if (found == nullptr)
    return kResultFalse;
  data = found->data();
  sizeInBytes = static_cast<uint32>(found->size());
  return kResultOk;
}

tresult PLUGIN_API HostAttributeList::queryInterface(const TUID iid, void** obj)
{
  if (answerAs<IAttributeList>(this, iid, obj))
    return kResultOk;
  return FObject::queryInterface(iid, obj);
}

HostMessage::HostMessage() : mAttributes(IPtr<HostAttributeList>::adopt(new HostAttributeList)) {}

void PLUGIN_API HostMessage::setMessageID(FIDString id)
{
  try
  {
    mId = id ? id : "";
  }
  catch (...)
  {
    mId.clear();
  }
}

tresult PLUGIN_API HostMessage::queryInterface(const TUID iid, void** obj)
{
  if (answerAs<IMessage>(this, iid, obj))
    return kResultOk;
  return FObject::queryInterface(iid, obj);
}

HostApplication::HostApplication(const char16* name) : mName(name ? name : u"") {}

tresult PLUGIN_API HostApplication::getName(String128 name)
{
  if (name == nullptr)
    return kInvalidArgument;
  copyText16(mName.c_str(), name, 128);
  return kResultOk;
}

tresult PLUGIN_API HostApplication::createInstance(TUID cid, TUID iid, void** obj)
{
  if (obj == nullptr)
    return kInvalidArgument;
  *obj = nullptr;
  FObject* created = nullptr;
  try
  {
    if (iidEqual(cid, IMessage::iid) && iidEqual(iid, IMessage::iid))
    {
      created = new HostMessage;
      ++mCreatedMessages;
    }
    else if (iidEqual(cid, IAttributeList::iid) && iidEqual(iid, IAttributeList::iid))
      created = new HostAttributeList;
  }
  catch (...)
  {
    return kOutOfMemory;
  }
  if (created == nullptr)
    return kNoInterface;
  const tresult result = created->queryInterface(iid, obj);
  created->release();
  return result;
}

tresult PLUGIN_API HostApplication::isPlugInterfaceSupported(const TUID iid)
{
  const int8* supported[] = {IComponent::iid,      IAudioProcessor::iid, IEditController::iid,
                             IEditController2::iid, IProcessContextRequirements::iid};
  return std::any_of(std::begin(supported), std::end(supported), [&](const int8* id) { return iidEqual(id, iid); })
           ? kResultTrue
           : kResultFalse;
}

tresult PLUGIN_API HostApplication::queryInterface(const TUID iid, void** obj)
{
  if (answerAs<IHostApplication>(this, iid, obj) || answerAs<IPlugInterfaceSupport>(this, iid, obj))
    return kResultOk;
  return FObject::queryInterface(iid, obj);
}
} // namespace Steinberg::Vst
