#pragma once

#include "vst3/sdk/helpers/FObject.h"
#include "vst3/sdk/interfaces/IComponentHandler.h"
#include "vst3/sdk/interfaces/IContextMenu.h"

#include <mutex>
#include <vector>

namespace vst3host
{
// One call a plug-in made on the host's component handler.
struct HandlerEvent
{
  enum Kind
  {
    kBeginEdit,
    kPerformEdit,
    kEndEdit,
    kRestartComponent,
    kSetDirty,
    kRequestOpenEditor,
    kStartGroupEdit,
    kFinishGroupEdit,
    kCreateContextMenu
  };

  Kind kind;
  Steinberg::Vst::ParamID id = 0;       // the edits; createContextMenu: the parameter
  Steinberg::Vst::ParamValue value = 0; // performEdit: normalized value
  Steinberg::int32 flags = 0;           // restartComponent: RestartFlags; setDirty: 0 / 1
};

// The host's component handler: records every call in order and answers kResultOk, as
// a host that accepts every edit and restart request does. Asked for a parameter's
// context menu, it records the request and offers none. The plug-in may call from any
// thread (the contract says the UI thread); the record is locked.
class RecordingComponentHandler : public Steinberg::FObject,
                                  public Steinberg::Vst::IComponentHandler,
                                  public Steinberg::Vst::IComponentHandler2,
                                  public Steinberg::Vst::IComponentHandler3
{
public:
  // [any thread]
  std::vector<HandlerEvent> events() const;
  void clear();

  Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value) override;
  Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
  Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;
  Steinberg::tresult PLUGIN_API setDirty(Steinberg::TBool state) override;
  Steinberg::tresult PLUGIN_API requestOpenEditor(Steinberg::FIDString name) override;
  Steinberg::tresult PLUGIN_API startGroupEdit() override;
  Steinberg::tresult PLUGIN_API finishGroupEdit() override;
  Steinberg::Vst::IContextMenu* PLUGIN_API createContextMenu(Steinberg::IPlugView* view,
                                                             const Steinberg::Vst::ParamID* id) override;

  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  VST3SDK_REFCOUNT_METHODS(Steinberg::FObject)

private:
  // Never throws into the plug-in: a record that cannot be stored is dropped.
  Steinberg::tresult record(const HandlerEvent& event) noexcept;

  mutable std::mutex mMutex;
  std::vector<HandlerEvent> mEvents;
};
} // namespace vst3host
