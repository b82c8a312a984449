// The entry of TavrikQuenmark.lv2's DSP module: the plug-in's descriptor, its instance
// calls and its state interface, on the product compiled for the LV2 binding.

#include "lv2/IPlugLV2.h"
#include "product/TavrikQuenmark.h"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>

#include <algorithm>
#include <mutex>
#include <string_view>

namespace
{
// Serializes instance construction: the product's constructor takes a slot in the
// process-wide group tables.
std::mutex& InstanceCreationLock()
{
  static std::mutex lock;
  return lock;
}

// The readouts: the measured level in the measure's unit, and the applied gain in dB.
void ReadOut(IPlugBase& plug, float* values)
{
  const Readouts& readouts = static_cast<TavrikQuenmark&>(plug).ReadoutValues();
  values[0] = static_cast<float>(std::clamp(readouts.level(), -100.0, 30.0));
  values[1] = static_cast<float>(std::clamp(readouts.gainDb(), -100.0, 60.0));
}

TavrikQuenmark* PlugOf(LV2_Handle instance)
{
  return static_cast<TavrikQuenmark*>(instance);
}

LV2_Handle Instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
  if (!(rate >= IPlugLV2::kMinSampleRate && rate <= IPlugLV2::kMaxSampleRate))
    return nullptr;
  try
  {
    TavrikQuenmark* plug = nullptr;
    {
      const std::lock_guard<std::mutex> lock(InstanceCreationLock());
      plug = new TavrikQuenmark;
    }
    plug->SetReadoutSource(&ReadOut);
    if (!plug->Instantiate(rate, features))
    {
      delete plug;
      return nullptr;
    }
    return plug;
  }
  catch (...)
  {
    return nullptr;
  }
}

void ConnectPort(LV2_Handle instance, uint32_t port, void* data)
{
  PlugOf(instance)->ConnectPort(port, data);
}

void Activate(LV2_Handle instance)
{
  PlugOf(instance)->Activate();
}

void Run(LV2_Handle instance, uint32_t frames)
{
  PlugOf(instance)->Run(frames);
}

void Deactivate(LV2_Handle instance)
{
  PlugOf(instance)->Deactivate();
}

void Cleanup(LV2_Handle instance)
{
  delete PlugOf(instance);
}

LV2_State_Status Save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                      const LV2_Feature* const*)
{
  return PlugOf(instance)->SaveState(store, handle);
}

LV2_State_Status Restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                         uint32_t, const LV2_Feature* const*)
{
  return PlugOf(instance)->RestoreStateFrom(retrieve, handle);
}

const LV2_State_Interface kStateInterface = {Save, Restore};

const void* ExtensionData(const char* uri)
{
  if (uri != nullptr && std::string_view(uri) == LV2_STATE__interface)
    return &kStateInterface;
  return nullptr;
}

const LV2_Descriptor kDescriptor = {QUENMARK_LV2_URI, Instantiate, ConnectPort, Activate, Run,
                                    Deactivate,       Cleanup,     ExtensionData};
} // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
  return index == 0 ? &kDescriptor : nullptr;
}
