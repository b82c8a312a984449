#pragma once

#include "vst3/sdk/helpers/FObject.h"
#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/interfaces/IConnectionPoint.h"
#include "vst3/sdk/interfaces/IPluginBase.h"

namespace Steinberg::Vst
{
class IMessage;

// Common base of components and controllers: keeps the host context between initialize
// and terminate, and the peer of a message connection.
class ComponentBase : public FObject, public IPluginBase, public IConnectionPoint
{
public:
  ComponentBase() = default;
  ~ComponentBase() override;

  // [UI thread] Keeps context with a reference. kResultFalse when already initialized.
  tresult PLUGIN_API initialize(FUnknown* context) override;
  // [UI thread] Drops the context and disconnects from the peer.
  tresult PLUGIN_API terminate() override;

  // [UI thread] Null: kInvalidArgument; already connected: kResultFalse.
  tresult PLUGIN_API connect(IConnectionPoint* other) override;
  // [UI thread] kResultOk only for the connected peer.
  tresult PLUGIN_API disconnect(IConnectionPoint* other) override;
  // [UI thread] A text message (ID "TextMessage", string attribute "Text") goes to
  // receiveText as UTF-8 and its result is returned; others: kResultFalse.
  tresult PLUGIN_API notify(IMessage* message) override;

  FUnknown* getHostContext() const noexcept { return mHostContext.get(); }
  IConnectionPoint* getPeer() const noexcept { return mPeer.get(); }

  // A new message from the host context (one reference for the caller), or null.
  IMessage* allocateMessage() const;
  // Sends to the peer; kResultFalse without a peer, kInvalidArgument for null.
  tresult sendMessage(IMessage* message) const;
  // Sends a text message, cut to 255 characters.
  tresult sendTextMessage(const char8* text) const;

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  VST3SDK_REFCOUNT_METHODS(FObject)

protected:
  // Receives the text of a text message (UTF-8).
  virtual tresult receiveText(const char8* text);

private:
  IPtr<FUnknown> mHostContext;
  IPtr<IConnectionPoint> mPeer;
};
} // namespace Steinberg::Vst
