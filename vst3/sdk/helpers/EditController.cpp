#include "vst3/sdk/helpers/EditController.h"

namespace Steinberg::Vst
{
namespace
{
// The knob mode the host asked for; one setting for the whole module, like the host's own.
KnobMode gHostKnobMode = kCircularMode;
} // namespace

EditController::~EditController() = default;

tresult PLUGIN_API EditController::initialize(FUnknown* context)
{
  return ComponentBase::initialize(context);
}

tresult PLUGIN_API EditController::terminate()
{
  parameters.removeAll();
  mComponentHandler2.reset();
  mComponentHandler.reset();
  return ComponentBase::terminate();
}

tresult PLUGIN_API EditController::setComponentState(IBStream*)
{
  return kNotImplemented;
}

tresult PLUGIN_API EditController::setEditorState(IBStream*)
{
  return kNotImplemented;
}

tresult PLUGIN_API EditController::getEditorState(IBStream*)
{
  return kNotImplemented;
}

int32 PLUGIN_API EditController::getParameterCount()
{
  return parameters.getParameterCount();
}

tresult PLUGIN_API EditController::getParameterInfo(int32 paramIndex, ParameterInfo& info)
{
  const Parameter* parameter = parameters.getParameterByIndex(paramIndex);
  if (parameter == nullptr)
    return kResultFalse;
  info = parameter->getInfo();
  return kResultTrue;
}

tresult PLUGIN_API EditController::getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string)
{
  const Parameter* parameter = parameters.getParameter(id);
  if (parameter == nullptr || string == nullptr)
    return kResultFalse;
  parameter->toString(valueNormalized, string);
  return kResultTrue;
}

tresult PLUGIN_API EditController::getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized)
{
  const Parameter* parameter = parameters.getParameter(id);
  if (parameter == nullptr || string == nullptr)
    return kResultFalse;
  return parameter->fromString(string, valueNormalized) ? kResultTrue : kResultFalse;
}

ParamValue PLUGIN_API EditController::normalizedParamToPlain(ParamID id, ParamValue valueNormalized)
{
  const Parameter* parameter = parameters.getParameter(id);
  return parameter ? parameter->toPlain(valueNormalized) : valueNormalized;
}

ParamValue PLUGIN_API EditController::plainParamToNormalized(ParamID id, ParamValue plainValue)
{
  const Parameter* parameter = parameters.getParameter(id);
  return parameter ? parameter->toNormalized(plainValue) : plainValue;
}

ParamValue PLUGIN_API EditController::getParamNormalized(ParamID id)
{
  const Parameter* parameter = parameters.getParameter(id);
  return parameter ? parameter->getNormalized() : 0.;
}

tresult PLUGIN_API EditController::setParamNormalized(ParamID id, ParamValue value)
{
  Parameter* parameter = parameters.getParameter(id);
  if (parameter == nullptr)
    return kResultFalse;
  parameter->setNormalized(value);
  return kResultTrue;
}

tresult PLUGIN_API EditController::setComponentHandler(IComponentHandler* handler)
{
  if (mComponentHandler.get() == handler)
    return kResultTrue;
  mComponentHandler.reset(handler);
  mComponentHandler2 = queryFrom<IComponentHandler2>(handler);
  return kResultTrue;
}

IPlugView* PLUGIN_API EditController::createView(FIDString)
{
  return nullptr;
}

tresult PLUGIN_API EditController::setKnobMode(KnobMode mode)
{
  if (mode < kCircularMode || mode > kLinearMode)
    return kResultFalse;
  gHostKnobMode = mode;
  return kResultTrue;
}

tresult PLUGIN_API EditController::openHelp(TBool)
{
  return kResultFalse;
}

tresult PLUGIN_API EditController::openAboutBox(TBool)
{
  return kResultFalse;
}

tresult EditController::beginEdit(ParamID id)
{
  return mComponentHandler ? mComponentHandler->beginEdit(id) : kResultFalse;
}

tresult EditController::performEdit(ParamID id, ParamValue valueNormalized)
{
  return mComponentHandler ? mComponentHandler->performEdit(id, valueNormalized) : kResultFalse;
}

tresult EditController::endEdit(ParamID id)
{
  return mComponentHandler ? mComponentHandler->endEdit(id) : kResultFalse;
}

tresult EditController::startGroupEdit()
{
  return mComponentHandler2 ? mComponentHandler2->startGroupEdit() : kNotImplemented;
}

tresult EditController::finishGroupEdit()
{
  return mComponentHandler2 ? mComponentHandler2->finishGroupEdit() : kNotImplemented;
}

tresult EditController::setDirty(bool state)
{
  return mComponentHandler2 ? mComponentHandler2->setDirty(state ? 1 : 0) : kNotImplemented;
}

tresult EditController::requestOpenEditor(FIDString name)
{
  return mComponentHandler2 ? mComponentHandler2->requestOpenEditor(name) : kNotImplemented;
}

KnobMode EditController::getHostKnobMode() noexcept
{
  return gHostKnobMode;
}

tresult PLUGIN_API EditController::queryInterface(const TUID iid, void** obj)
{
  if (answerAs<IEditController>(this, iid, obj) || answerAs<IEditController2>(this, iid, obj))
    return kResultOk;
  return ComponentBase::queryInterface(iid, obj);
}
} // namespace Steinberg::Vst
