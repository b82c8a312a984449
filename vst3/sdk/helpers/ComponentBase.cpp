#include "vst3/sdk/helpers/ComponentBase.h"

#include "vst3/sdk/helpers/Utf16.h"
#include "vst3/sdk/interfaces/IAttributeList.h"
#include "vst3/sdk/interfaces/IHostApplication.h"
#include "vst3/sdk/interfaces/IMessage.h"

#include <cstring>

namespace Steinberg::Vst
{
namespace
{
constexpr const char8* kTextMessageId = "TextMessage";
constexpr const char8* kTextAttribute = "Text";
constexpr int32 kTextMessageUnits = 256; // 255 characters and the terminator
} // namespace

ComponentBase::~ComponentBase() = default;

tresult PLUGIN_API ComponentBase::initialize(FUnknown* context)
{
  if (mHostContext)
    return kResultFalse;
  mHostContext.reset(context);
  return kResultOk;
}

tresult PLUGIN_API ComponentBase::terminate()
{
  mHostContext.reset();
  if (mPeer)
  {
    // Keep our reference until the peer has let go of us.
    IPtr<IConnectionPoint> peer = std::move(mPeer);
    peer->disconnect(this);
  }
  return kResultOk;
}

tresult PLUGIN_API ComponentBase::connect(IConnectionPoint* other)
{
  if (other == nullptr)
    return kInvalidArgument;
  if (mPeer)
    return kResultFalse;
  mPeer.reset(other);
  return kResultOk;
}

tresult PLUGIN_API ComponentBase::disconnect(IConnectionPoint* other)
{
  if (!mPeer || mPeer.get() != other)
    return kResultFalse;
  mPeer.reset();
  return kResultOk;
}

tresult PLUGIN_API ComponentBase::notify(IMessage* message)
{
  if (message == nullptr)
    return kInvalidArgument;
  FIDString id = message->getMessageID();
  if (id == nullptr || std::strcmp(id, kTextMessageId) != 0)
    return kResultFalse;
  IAttributeList* attributes = message->getAttributes();
  if (attributes == nullptr)
    return kResultFalse;
  TChar text16[kTextMessageUnits] = {};
  if (attributes->getString(kTextAttribute, text16, sizeof(text16)) != kResultOk)
    return kResultFalse;
  text16[kTextMessageUnits - 1] = 0; // whatever the host wrote, keep it terminated
  char8 text8[kTextMessageUnits * 3] = {};
  utf16ToUtf8(text16, text8);
  return receiveText(text8);
}

IMessage* ComponentBase::allocateMessage() const
{
  IPtr<IHostApplication> host = queryFrom<IHostApplication>(mHostContext.get());
  if (!host)
    return nullptr;
  TUID cid;
  TUID iid;
  std::memcpy(cid, IMessage::iid, sizeof(TUID));
  std::memcpy(iid, IMessage::iid, sizeof(TUID));
  void* obj = nullptr;
  if (host->createInstance(cid, iid, &obj) != kResultOk)
    return nullptr;
  return static_cast<IMessage*>(obj);
}

tresult ComponentBase::sendMessage(IMessage* message) const
{
  if (message == nullptr)
    return kInvalidArgument;
  if (!mPeer)
    return kResultFalse;
  return mPeer->notify(message);
}

tresult ComponentBase::sendTextMessage(const char8* text) const
{
  if (!mPeer)
    return kResultFalse;
  IPtr<IMessage> message = IPtr<IMessage>::adopt(allocateMessage());
  if (!message)
    return kResultFalse;
  IAttributeList* attributes = message->getAttributes();
  if (attributes == nullptr)
    return kResultFalse;
  message->setMessageID(kTextMessageId);
  TChar text16[kTextMessageUnits] = {};
  utf8ToUtf16(text, text16);
  if (attributes->setString(kTextAttribute, text16) != kResultOk)
    return kResultFalse;
  return sendMessage(message.get());
}

tresult ComponentBase::receiveText(const char8*)
{
  return kResultOk;
}

tresult PLUGIN_API ComponentBase::queryInterface(const TUID iid, void** obj)
{
  if (answerAs<IPluginBase>(this, iid, obj) || answerAs<IConnectionPoint>(this, iid, obj))
    return kResultOk;
  return FObject::queryInterface(iid, obj);
}
} // namespace Steinberg::Vst
