// The controller side of the VST3 binding: the host's view of the parameters (texts,
// conversions, the values it sets and reads back), the editor view, the unit and program
// list, and the MIDI mapping. The component and processor side is in IPlugVST3.cpp.

#include "vst3/IPlugVST3.h"

#include "vst3/IPlugVST3View.h"

#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/helpers/Utf16.h"
#include "vst3/sdk/interfaces/IComponentHandler.h"
#include "vst3/sdk/interfaces/IContextMenu.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
using PlugLock = std::lock_guard<std::recursive_mutex>;
}
// ---- IEditController ----

tresult PLUGIN_API IPlugVST3::setComponentState(IBStream* state)
{
  return setState(state);
}

tresult PLUGIN_API IPlugVST3::setEditorState(IBStream* state)
{
  return setState(state);
}

tresult PLUGIN_API IPlugVST3::getEditorState(IBStream* state)
{
  return getState(state);
}

tresult PLUGIN_API IPlugVST3::getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string)
{
  if (string == nullptr)
    return kInvalidArgument;
  PlugLock lock(Mutex());
  const IPlugParam* param = id < static_cast<ParamID>(ParamCount()) ? ParamAt(static_cast<int>(id)) : nullptr;
  if (param == nullptr)
    return kResultFalse;
  char text[128];
  param->FormatForHost(valueNormalized, true, text, sizeof text, true);
  widenText(text, string, 128);
  return kResultOk;
}

ParamValue PLUGIN_API IPlugVST3::normalizedParamToPlain(ParamID id, ParamValue valueNormalized)
{
  if (!std::isfinite(valueNormalized))
    valueNormalized = getParamNormalized(id);
  return EditController::normalizedParamToPlain(id, std::clamp(valueNormalized, 0.0, 1.0));
}

ParamValue PLUGIN_API IPlugVST3::plainParamToNormalized(ParamID id, ParamValue plainValue)
{
  PlugLock lock(Mutex());
  if (!std::isfinite(plainValue))
    return getParamNormalized(id);
  if (id < static_cast<ParamID>(ParamCount()))
    return ParamAt(static_cast<int>(id))->ToNormalized(plainValue);
  return std::clamp(plainValue, 0.0, 1.0);
}

int IPlugVST3::HostValueSlot(ParamID id) const
{
  if (id < static_cast<ParamID>(ParamCount()))
    return static_cast<int>(id);
  if (id == kBypassParamId && !IsInstrument())
    return ParamCount();
  if (id == kPresetParamId && PresetCount() >= 1)
    return ParamCount() + 1;
  return -1;
}

double IPlugVST3::PluginValue(int slot) const
{
  if (slot < ParamCount())
    return ParamAt(slot)->Value();
  if (slot == ParamCount())
    return IsBypassed() ? 1.0 : 0.0;
  return CurrentPresetIndex();
}

double IPlugVST3::PluginNormalized(int slot) const
{
  if (slot < ParamCount())
    return ParamAt(slot)->ToNormalized();
  if (slot == ParamCount())
    return IsBypassed() ? 1.0 : 0.0;
  return PresetCount() > 1 ? static_cast<double>(CurrentPresetIndex()) / (PresetCount() - 1) : 0.0;
}

void IPlugVST3::KeepHostValue(int slot, double normalized)
{
  mHostValues[static_cast<size_t>(slot)] = {normalized, PluginValue(slot), true};
}

void IPlugVST3::ForgetHostValues()
{
  for (HostValue& kept : mHostValues)
    kept.set = false;
}

ParamValue PLUGIN_API IPlugVST3::getParamNormalized(ParamID id)
{
  PlugLock lock(Mutex());
  ApplyDeferredHostValues();
  const int slot = HostValueSlot(id);
  if (slot < 0)
    return 0.0;
  const HostValue& kept = mHostValues[static_cast<size_t>(slot)];
  if (kept.set && kept.pluginValue == PluginValue(slot))
    return kept.normalized;
  return PluginNormalized(slot);
}

tresult PLUGIN_API IPlugVST3::setParamNormalized(ParamID id, ParamValue value)
{
  if (!std::isfinite(value))
    return kInvalidArgument;
  PlugLock lock(Mutex());
  const int slot = HostValueSlot(id);
  if (slot < 0)
    return parameters.getParameter(id) != nullptr ? EditController::setParamNormalized(id, value) : kInvalidArgument;
  const double normalized = std::clamp(value, 0.0, 1.0);
  ApplyDeferredHostValues();
  // What the host set is what the plug-in plays and the next save holds, whether or not
  // audio runs; a value the host sends again through process then changes nothing. A
  // "Preset" value is only kept: hosts re-send it after every load, and recalling the
  // preset again would undo the state just loaded.
  // A host hands the values the blocks reported back to the controller, often a few
  // blocks later: such an echo is kept for reading back, but must not pull a gain that
  // moved on since back to where it was.
  const bool echo = slot < ParamCount() &&
                    std::fabs(normalized - mReportedFromAudio[static_cast<size_t>(slot)].load(std::memory_order_relaxed)) < 1e-7;
  if ((slot < ParamCount() && !echo) || id == kBypassParamId)
    ApplyQueuedHostValue(id, normalized);
  KeepHostValue(slot, normalized);
  return kResultOk;
}

IPlugView* PLUGIN_API IPlugVST3::createView(FIDString name)
{
  if (name == nullptr || std::strcmp(name, "editor") != 0 || GetGUI() == nullptr)
    return nullptr;
  auto* view = new (std::nothrow) IPlugVST3View(*this);
  if (view == nullptr)
    return nullptr;
  try
  {
    mViews.push_back(view);
  }
  catch (...)
  {
    view->release();
    return nullptr;
  }
  return view;
}

IPlugVST3View* IPlugVST3::ViewAt(int index) const
{
  if (index < 0 || index >= ViewCount())
    return nullptr;
  return mViews[static_cast<std::size_t>(index)];
}

void IPlugVST3::ForgetView(IPlugVST3View* view)
{
  const auto found = std::find(mViews.begin(), mViews.end(), view);
  if (found != mViews.end())
    mViews.erase(found);
}

// ---- IUnitInfo ----

int32 PLUGIN_API IPlugVST3::getUnitCount()
{
  return static_cast<int32>(mParamGroups.size()) + 1;
}

tresult PLUGIN_API IPlugVST3::getUnitInfo(int32 unitIndex, UnitInfo& info)
{
  if (unitIndex < 0 || unitIndex >= getUnitCount())
    return kResultFalse;
  info = UnitInfo{};
  info.id = unitIndex;
  info.parentUnitId = unitIndex == 0 ? kNoParentUnitId : kRootUnitId;
  info.programListId = kNoProgramListId;
  widenText(unitIndex == 0 ? "Root Unit" : mParamGroups[static_cast<std::size_t>(unitIndex - 1)].c_str(), info.name);
  return kResultOk;
}

int32 PLUGIN_API IPlugVST3::getProgramListCount()
{
  return 0;
}

tresult PLUGIN_API IPlugVST3::getProgramListInfo(int32 listIndex, ProgramListInfo& info)
{
  if (listIndex != 0)
    return kResultFalse;
  info = ProgramListInfo{};
  info.id = kPresetListId;
  widenText("Factory Presets", info.name);
  info.programCount = PresetCount();
  return kResultOk;
}

tresult PLUGIN_API IPlugVST3::getProgramName(ProgramListID listId, int32 programIndex, String128 name)
{
  if (name == nullptr)
    return kInvalidArgument;
  if (listId != kPresetListId || PresetAt(programIndex) == nullptr)
    return kResultFalse;
  PlugLock lock(Mutex());
  widenText(PresetNameAt(programIndex), name, 128);
  return kResultOk;
}

tresult PLUGIN_API IPlugVST3::getProgramInfo(ProgramListID, int32, CString, String128)
{
  return kNotImplemented;
}

tresult PLUGIN_API IPlugVST3::hasProgramPitchNames(ProgramListID, int32)
{
  return kNotImplemented;
}

tresult PLUGIN_API IPlugVST3::getProgramPitchName(ProgramListID, int32, int16, String128)
{
  return kNotImplemented;
}

UnitID PLUGIN_API IPlugVST3::getSelectedUnit()
{
  return kRootUnitId;
}

tresult PLUGIN_API IPlugVST3::selectUnit(UnitID)
{
  return kNotImplemented;
}

tresult PLUGIN_API IPlugVST3::getUnitByBus(MediaType, BusDirection, int32, int32, UnitID&)
{
  return kNotImplemented;
}

tresult PLUGIN_API IPlugVST3::setUnitProgramData(int32, int32, IBStream*)
{
  return kNotImplemented;
}

// ---- IMidiMapping ----

tresult PLUGIN_API IPlugVST3::getMidiControllerAssignment(int32, int16, CtrlNumber midiControllerNumber, ParamID& id)
{
  if (!DoesMidi() || midiControllerNumber < 0 || midiControllerNumber >= kMidiControllerCount)
    return kResultFalse;
  id = static_cast<ParamID>(ParamCount() + midiControllerNumber);
  return kResultTrue;
}

// ---- Edits reported to the host ----

void IPlugVST3::BeginInformHostOfParamChange(int index)
{
  if (index < 0 || index >= ParamCount() || OnAudioThread())
    return;
  mGestureOpen[static_cast<size_t>(index)] = true;
  beginEdit(static_cast<ParamID>(index));
}

void IPlugVST3::InformHostOfParamChange(int index, double normalized)
{
  if (index < 0 || index >= ParamCount() || !std::isfinite(normalized))
    return;
  if (OnAudioThread())
  {
    mQueuedValues[static_cast<size_t>(index)] = normalized; // the latest value wins
    mReportedFromAudio[static_cast<size_t>(index)].store(normalized, std::memory_order_relaxed);
    return;
  }
  const auto id = static_cast<ParamID>(index);
  if (mGestureOpen[static_cast<size_t>(index)])
  {
    performEdit(id, normalized);
    return;
  }
  beginEdit(id);
  performEdit(id, normalized);
  endEdit(id);
}

void IPlugVST3::EndInformHostOfParamChange(int index)
{
  if (index < 0 || index >= ParamCount() || OnAudioThread())
    return;
  mGestureOpen[static_cast<size_t>(index)] = false;
  endEdit(static_cast<ParamID>(index));
}

void IPlugVST3::ShowHostParameterMenu(int index, int x, int y)
{
  if (getComponentHandler() == nullptr || mViews.empty() || index < 0)
    return;
  IPtr<IComponentHandler3> handler = queryFrom<IComponentHandler3>(getComponentHandler());
  if (!handler)
    return;
  const auto id = static_cast<ParamID>(index);
  if (IContextMenu* menu = handler->createContextMenu(mViews.front(), &id))
  {
    menu->popup(x, y);
    menu->release();
  }
}
