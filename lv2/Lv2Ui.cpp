// The UI module of TavrikQuenmark.lv2: the product's editor as an X11 UI (ui:X11UI) on
// a copy of the plug-in that never processes. The copy shares nothing with the DSP
// instance: it learns the parameters and readouts from port_event and the plug-in's own
// changes from the notify port, and writes the user's edits through write_function
// (gestures through ui:touch when the host offers it). The host calls idle about every
// frame; the editor's timer runs on it at its own period.

#include "lv2/IPlugLV2.h"
#include "product/TavrikQuenmark.h"

#include "WDL/IPlug/IEditorEventSource.h"

#include <lv2/atom/util.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>

namespace
{
const void* FindFeature(const LV2_Feature* const* features, const char* uri)
{
  for (int i = 0; features != nullptr && features[i] != nullptr; ++i)
    if (features[i]->URI != nullptr && std::strcmp(features[i]->URI, uri) == 0)
      return features[i]->data;
  return nullptr;
}

struct Ui
{
  std::unique_ptr<TavrikQuenmark> plug;
  LV2UI_Write_Function write = nullptr;
  LV2UI_Controller controller = nullptr;
  const LV2UI_Touch* touch = nullptr;
  LV2_URID eventTransfer = 0, paramChange = 0, paramIndex = 0, paramValue = 0, atomInt = 0, atomFloat = 0;
  std::chrono::steady_clock::time_point nextTick;
  float readouts[Lv2Ports::kReadoutCount] = {-100.0f, 0.0f};

  IEditorEventSource* Events() const { return dynamic_cast<IEditorEventSource*>(plug->GetGUI()); }

  // A value the DSP side has: shown, never sent back.
  void Show(int index, double plain)
  {
    IPlugParam* param = plug->ParamAt(index);
    if (param == nullptr || !std::isfinite(plain))
      return;
    plug->SetUiSink(nullptr, nullptr, nullptr);
    plug->ApplyHostValue(index, param->ToNormalized(plain));
    plug->SetUiSink(&Write, touch != nullptr ? &Touch : nullptr, this);
  }
  // The readouts reach the editor as its own copy's would.
  void ShowReadouts()
  {
    // The copy never processes, so nothing else stores into its readouts.
    auto& shown = const_cast<Readouts&>(plug->ReadoutValues());
    shown.storeLevel(readouts[0], static_cast<int>(plug->ParamAt(kMeasure)->Value()));
    shown.storeGainDb(readouts[1]);
  }

  static void Write(void* self, std::uint32_t port, float value)
  {
    auto* ui = static_cast<Ui*>(self);
    ui->write(ui->controller, port, sizeof value, 0, &value);
  }
  static void Touch(void* self, std::uint32_t port, bool grabbed)
  {
    auto* ui = static_cast<Ui*>(self);
    ui->touch->touch(ui->touch->handle, port, grabbed);
  }
};

std::mutex& InstanceCreationLock()
{
  static std::mutex lock;
  return lock;
}

LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
  void* parent = const_cast<void*>(FindFeature(features, LV2_UI__parent));
  const auto* map = static_cast<const LV2_URID_Map*>(FindFeature(features, LV2_URID__map));
  if (pluginUri == nullptr || std::string_view(pluginUri) != QUENMARK_LV2_URI || write == nullptr ||
      parent == nullptr || widget == nullptr)
    return nullptr;
  try
  {
    auto ui = std::make_unique<Ui>();
    {
      const std::lock_guard<std::mutex> lock(InstanceCreationLock());
      ui->plug = std::make_unique<TavrikQuenmark>();
    }
    ui->write = write;
    ui->controller = controller;
    ui->touch = static_cast<const LV2UI_Touch*>(FindFeature(features, LV2_UI__touch));
    if (map != nullptr)
    {
      const auto id = [map](const char* uri) { return map->map(map->handle, uri); };
      ui->eventTransfer = id(LV2_ATOM__eventTransfer);
      ui->paramChange = id(QUENMARK_LV2_PARAM_CHANGE_URI);
      ui->paramIndex = id(QUENMARK_LV2_PARAM_INDEX_URI);
      ui->paramValue = id(QUENMARK_LV2_PARAM_VALUE_URI);
      ui->atomInt = id(LV2_ATOM__Int);
      ui->atomFloat = id(LV2_ATOM__Float);
    }
    ui->plug->SetUiSink(&Ui::Write, ui->touch != nullptr ? &Ui::Touch : nullptr, ui.get());
    IGraphics* editor = ui->plug->GetGUI();
    if (editor == nullptr || editor->OpenEditorWindow(parent) == nullptr)
      return nullptr;
    ui->plug->EditorOpened();
    *widget = editor->WindowHandle();
    if (const auto* resize = static_cast<const LV2UI_Resize*>(FindFeature(features, LV2_UI__resize)))
    {
      const double scale = editor->DisplayScale();
      resize->ui_resize(resize->handle, static_cast<int>(std::lround(editor->Width() * scale)),
                        static_cast<int>(std::lround(editor->Height() * scale)));
    }
    ui->nextTick = std::chrono::steady_clock::now();
    return ui.release();
  }
  catch (...)
  {
    return nullptr;
  }
}

void Cleanup(LV2UI_Handle handle)
{
  auto* ui = static_cast<Ui*>(handle);
  if (IGraphics* editor = ui->plug->GetGUI())
  {
    ui->plug->EditorClosed();
    editor->CloseEditorWindow();
  }
  delete ui;
}

void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
  auto* ui = static_cast<Ui*>(handle);
  const Lv2Ports& ports = ui->plug->Ports();
  if (format == 0 && size == sizeof(float) && buffer != nullptr)
  {
    const float value = *static_cast<const float*>(buffer);
    if (port >= Lv2Ports::FirstParam() && port < ports.Enabled())
      ui->Show(static_cast<int>(port - Lv2Ports::FirstParam()), value);
    else if (port >= ports.Readout(0) && port < ports.Count())
    {
      ui->readouts[port - ports.Readout(0)] = value;
      ui->ShowReadouts();
    }
    return;
  }
  if (format != ui->eventTransfer || format == 0 || buffer == nullptr || size < sizeof(LV2_Atom))
    return;
  const auto* atom = static_cast<const LV2_Atom*>(buffer);
  if (size < sizeof(LV2_Atom) + atom->size || atom->size < sizeof(LV2_Atom_Object_Body))
    return;
  const auto* object = static_cast<const LV2_Atom_Object*>(buffer);
  if (object->body.otype != ui->paramChange)
    return;
  const LV2_Atom *index = nullptr, *value = nullptr;
  lv2_atom_object_get(object, ui->paramIndex, &index, ui->paramValue, &value, 0);
  if (index == nullptr || value == nullptr || index->type != ui->atomInt || value->type != ui->atomFloat)
    return;
  const int i = reinterpret_cast<const LV2_Atom_Int*>(index)->body;
  const float v = reinterpret_cast<const LV2_Atom_Float*>(value)->body;
  if (ui->plug->ParamAt(i) == nullptr)
    return;
  // The plug-in changed it itself: the host's port takes it too, so what the host shows,
  // saves and sends back is the plug-in's value.
  ui->Show(i, v);
  Ui::Write(ui, ports.Param(static_cast<std::uint32_t>(i)), v);
}

int Idle(LV2UI_Handle handle)
{
  auto* ui = static_cast<Ui*>(handle);
  IEditorEventSource* events = ui->Events();
  if (events == nullptr)
    return 0;
  events->ProcessEvents();
  const auto now = std::chrono::steady_clock::now();
  if (now >= ui->nextTick)
  {
    events->TimerTick();
    ui->nextTick = now + std::chrono::milliseconds(events->TimerPeriodMs());
  }
  return 0;
}

const LV2UI_Idle_Interface kIdle = {Idle};

const void* ExtensionData(const char* uri)
{
  if (uri != nullptr && std::string_view(uri) == LV2_UI__idleInterface)
    return &kIdle;
  return nullptr;
}

const LV2UI_Descriptor kDescriptor = {QUENMARK_LV2_UI_URI, Instantiate, Cleanup, PortEvent, ExtensionData};
} // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
  return index == 0 ? &kDescriptor : nullptr;
}
