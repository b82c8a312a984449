#pragma once

// The product's AAX deliverable driven in-process by our AAX host: the description is
// taken from GetEffectDescriptions and instances are made by its creation procedure.

#include "tools/aaxhost/Instance.h"

#include "WDL/IPlug/AAX/IPlugAAX_Describe.h"
#include "product/TavrikQuenmark.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace aaxtest
{
inline constexpr const char* kEffectId = "com.Tavrik.aax.TavrikQuenmark";
inline constexpr int kMonoComponent = 0;
inline constexpr int kStereoComponent = 1;

// A description recorded once per test.
struct Described
{
  aaxhost::Collection collection;
  AAX_Result result = GetEffectDescriptions(&collection);
  const aaxhost::EffectDescriptor& effect() const { return *collection.Effect(kEffectId); }
};

// One instance of a component with the plug-in object behind it.
struct Plugin
{
  explicit Plugin(int component = kStereoComponent, double sampleRate = 48000.0)
  {
    std::string error;
    instance = aaxhost::Instance::Create(described.effect(), component, sampleRate, error);
    if (!instance)
      ADD_FAILURE() << error;
    else
      plug = dynamic_cast<TavrikQuenmark*>(&instance->Parameters());
  }
  AAX_IEffectParameters* operator->() const { return &instance->Parameters(); }

  Described described;
  std::unique_ptr<aaxhost::Instance> instance;
  TavrikQuenmark* plug = nullptr;
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
