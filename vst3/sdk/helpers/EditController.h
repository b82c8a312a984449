#pragma once

#include "vst3/sdk/helpers/ComponentBase.h"
#include "vst3/sdk/helpers/ParameterContainer.h"
#include "vst3/sdk/interfaces/IComponentHandler.h"
#include "vst3/sdk/interfaces/IEditController.h"

namespace Steinberg::Vst
{
// Controller base: exports the parameters of its container, keeps the host's component
// handler and forwards the editor's edits to it.
class EditController : public ComponentBase, public IEditController, public IEditController2
{
public:
  EditController() = default;
  ~EditController() override;

  // IPluginBase
  tresult PLUGIN_API initialize(FUnknown* context) override; // [UI thread]
  // [UI thread] Removes all parameters, drops the handlers, then as ComponentBase.
  tresult PLUGIN_API terminate() override;

  // IEditController, all [UI thread]. The three state calls answer kNotImplemented.
  tresult PLUGIN_API setComponentState(IBStream* state) override;
  tresult PLUGIN_API setEditorState(IBStream* state) override;
  tresult PLUGIN_API getEditorState(IBStream* state) override;
  int32 PLUGIN_API getParameterCount() override;
  // kResultFalse for an index out of range.
  tresult PLUGIN_API getParameterInfo(int32 paramIndex, ParameterInfo& info) override;
  // The parameter's text; kResultFalse for an unknown ID or a null buffer.
  tresult PLUGIN_API getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string) override;
  // kResultTrue only for a known ID whose parameter parses the text.
  tresult PLUGIN_API getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) override;
  // The parameter's mapping; the value unchanged for an unknown ID.
  ParamValue PLUGIN_API normalizedParamToPlain(ParamID id, ParamValue valueNormalized) override;
  ParamValue PLUGIN_API plainParamToNormalized(ParamID id, ParamValue plainValue) override;
  // 0 for an unknown ID.
  ParamValue PLUGIN_API getParamNormalized(ParamID id) override;
  // Clamps and stores, never calls the host. kResultFalse for an unknown ID.
  tresult PLUGIN_API setParamNormalized(ParamID id, ParamValue value) override;
  // Keeps the handler (null allowed) and its IComponentHandler2, if it has one.
  tresult PLUGIN_API setComponentHandler(IComponentHandler* handler) override;
  IPlugView* PLUGIN_API createView(FIDString name) override; // null: no editor

  // IEditController2, [UI thread]
  // Stores a known mode (one setting shared by all instances); kResultFalse for others.
  tresult PLUGIN_API setKnobMode(KnobMode mode) override;
  tresult PLUGIN_API openHelp(TBool onlyCheck) override;     // kResultFalse
  tresult PLUGIN_API openAboutBox(TBool onlyCheck) override; // kResultFalse

  // Edits reported to the host, [UI thread]. kResultFalse and nothing done without a
  // handler; the IComponentHandler2 calls answer kNotImplemented without that interface.
  tresult beginEdit(ParamID id);
  tresult performEdit(ParamID id, ParamValue valueNormalized);
  tresult endEdit(ParamID id);
  tresult startGroupEdit();
  tresult finishGroupEdit();
  tresult setDirty(bool state);
  tresult requestOpenEditor(FIDString name = "editor");

  IComponentHandler* getComponentHandler() const noexcept { return mComponentHandler.get(); }
  IComponentHandler2* getComponentHandler2() const noexcept { return mComponentHandler2.get(); }
  ParameterContainer& getParameters() noexcept { return parameters; }
  static KnobMode getHostKnobMode() noexcept;

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  VST3SDK_REFCOUNT_METHODS(ComponentBase)

protected:
  ParameterContainer parameters;

private:
  IPtr<IComponentHandler> mComponentHandler;
  IPtr<IComponentHandler2> mComponentHandler2;
};
} // namespace Steinberg::Vst
