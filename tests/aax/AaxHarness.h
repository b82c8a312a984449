#pragma once

// The product's AAX deliverable driven in-process by our AAX host: the module's entry
// points are linked into the test, registered and started by the host as it does with a
// binary, and instances are made by the creation procedure it described. Each test ends
// with the host's checks: every host object back to its own references, the module free
// to unload, nothing it did against the interface's contract.

#include "tools/aaxhost/Instance.h"
#include "tools/aaxhost/Module.h"

#include "LinkedEntryPoints.h"

#include "WDL/IPlug/AAX/IPlugAAX_Describe.h"
#include "product/TavrikQuenmark.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CEffectParameters.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_Exports.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_IString.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace aaxtest
{
inline constexpr const char* kEffectId = "com.Tavrik.aax.TavrikQuenmark";
inline constexpr int kMonoComponent = 0;
inline constexpr int kStereoComponent = 1;
inline constexpr AAX_CTypeID kChunkId = 0x516E6D6B; // 'Qnmk'
inline constexpr const char* kBypassId = "MasterBypassID";

// The module registered and started; at the end shut down and checked.
struct Described
{
  Described()
  {
    module = aaxhost::Module::FromEntryPoints(LinkedEntryPoints(), error);
    if (!module)
      ADD_FAILURE() << error;
  }
  ~Described()
  {
    if (!module)
      return;
    for (const std::string& problem : module->Finish())
      ADD_FAILURE() << "host check: " << problem;
  }
  const aaxhost::EffectDescriptor& effect() const { return *module->Effect(kEffectId); }

  std::string error;
  std::unique_ptr<aaxhost::Module> module;
};

// The plug-in object behind the effect-parameters unknown the host holds.
inline TavrikQuenmark* PlugOf(aaxhost::abi::IACFUnknown* hostsPointer)
{
  auto* unknown = reinterpret_cast<IACFUnknown*>(hostsPointer);
  auto* base = ACFQuery<AAX_CEffectParameters>(unknown, IID_AAXLibraryEffectParameters);
  if (base == nullptr)
    return nullptr;
  base->Release();
  return dynamic_cast<TavrikQuenmark*>(base);
}

// One instance of a component with the plug-in object behind it, in a module of its own
// or in one shared with other instances (the module's live objects are counted across
// all of them).
struct Plugin
{
  explicit Plugin(int component = kStereoComponent, double sampleRate = 48000.0,
                  aaxhost::Instance::Offers offers = {})
      : owned(std::make_unique<Described>()), described(*owned)
  {
    Create(component, sampleRate, offers);
  }
  explicit Plugin(Described& shared, int component = kStereoComponent, double sampleRate = 48000.0)
      : described(shared)
  {
    Create(component, sampleRate);
  }
  ~Plugin() { instance.reset(); }
  // The plug-in's interface, as this library declares it.
  AAX_IACFEffectParameters_V4* operator->() const { return plug; }

  std::unique_ptr<Described> owned;
  Described& described;
  std::unique_ptr<aaxhost::Instance> instance;
  TavrikQuenmark* plug = nullptr;

private:
  void Create(int component, double sampleRate, aaxhost::Instance::Offers offers = {})
  {
    if (!described.module)
      return;
    std::string error;
    instance = aaxhost::Instance::Create(described.effect(), component, sampleRate, error, offers);
    if (!instance)
      ADD_FAILURE() << error;
    else
      plug = PlugOf(instance->EffectParameters());
  }
};

// Stereo (or mono) 32-bit buffers of one block.
struct Buffers
{
  Buffers(int channels, int frames, float value = 0.0f)
      : in(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(frames), value)),
        out(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(frames), -7.0f))
  {
    for (int c = 0; c < channels; ++c)
    {
      inPointers.push_back(in[static_cast<size_t>(c)].data());
      outPointers.push_back(out[static_cast<size_t>(c)].data());
    }
  }
  void render(aaxhost::Instance& instance) { instance.Render(inPointers.data(), outPointers.data(), frames()); }
  int frames() const { return static_cast<int>(in[0].size()); }

  std::vector<std::vector<float>> in;
  std::vector<std::vector<float>> out;
  std::vector<const float*> inPointers;
  std::vector<float*> outPointers;
};

inline std::string Text(const AAX_CString& text) { return text.Text(); }
} // namespace aaxtest
