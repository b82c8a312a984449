#pragma once

#include "vst3/sdk/helpers/FObject.h"
#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/interfaces/IAttributeList.h"
#include "vst3/sdk/interfaces/IHostApplication.h"
#include "vst3/sdk/interfaces/IMessage.h"
#include "vst3/sdk/interfaces/IPlugInterfaceSupport.h"

#include <atomic>
#include <map>
#include <string>
#include <vector>

// The host context a plug-in receives in initialize, and the message objects it may ask
// for. Plug-ins call every method here: none of them throws (a failed allocation answers
// kOutOfMemory). [UI thread]: messages and lists are used by one thread at a time; the
// context itself only reads its name.
namespace Steinberg::Vst
{
// Host-side attribute list: ints, floats, strings and binary blobs by name.
class HostAttributeList : public FObject, public IAttributeList
{
public:
  tresult PLUGIN_API setInt(AttrID id, int64 value) override;
  tresult PLUGIN_API getInt(AttrID id, int64& value) override;
  tresult PLUGIN_API setFloat(AttrID id, double value) override;
  tresult PLUGIN_API getFloat(AttrID id, double& value) override;
  tresult PLUGIN_API setString(AttrID id, const TChar* string) override;
  // Cuts to the buffer (sizeInBytes, in bytes) and always terminates.
  tresult PLUGIN_API getString(AttrID id, TChar* string, uint32 sizeInBytes) override;
  tresult PLUGIN_API setBinary(AttrID id, const void* data, uint32 sizeInBytes) override;
  tresult PLUGIN_API getBinary(AttrID id, const void*& data, uint32& sizeInBytes) override;

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  VST3SDK_REFCOUNT_METHODS(FObject)

private:
  std::map<std::string, int64> mInts;
  std::map<std::string, double> mFloats;
  std::map<std::string, std::u16string> mStrings;
  std::map<std::string, std::vector<uint8>> mBinaries;
};

class HostMessage : public FObject, public IMessage
{
public:
  HostMessage();

  FIDString PLUGIN_API getMessageID() override { return mId.empty() ? nullptr : mId.c_str(); }
  void PLUGIN_API setMessageID(FIDString id) override;
  IAttributeList* PLUGIN_API getAttributes() override { return mAttributes.get(); }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  VST3SDK_REFCOUNT_METHODS(FObject)

private:
  std::string mId;
  IPtr<HostAttributeList> mAttributes;
};

// The host context handed to initialize: a name, messages and attribute lists on
// request, and the list of plug-in interfaces the host claims to use.
class HostApplication : public FObject, public IHostApplication, public IPlugInterfaceSupport
{
public:
  explicit HostApplication(const char16* name = u"quenmark");

  tresult PLUGIN_API getName(String128 name) override;
  // IMessage or IAttributeList, requested with the interface's ID as cid and iid.
  tresult PLUGIN_API createInstance(TUID cid, TUID iid, void** obj) override;
  tresult PLUGIN_API isPlugInterfaceSupported(const TUID iid) override;

  int32 createdMessages() const noexcept { return mCreatedMessages.load(); }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  VST3SDK_REFCOUNT_METHODS(FObject)

private:
  std::u16string mName;
  std::atomic<int32> mCreatedMessages{0};
};
} // namespace Steinberg::Vst
