// aaxhost: loads an AAX module the way an AAX host does.
//   aaxhost describe BUNDLE    the description calls in order, the effects found and the
//                              IDs the module asked the host for
//   aaxhost render BUNDLE      one second of a -20 dBFS 1 kHz stereo sine, rendered with
//                              the transport playing; prints the output's peak
//   aaxhost check BUNDLE       a host's whole session (instance, render, parameters,
//                              chunk, editor without a window, unload), every ID the
//                              module asked for and what the host found it doing
//                              against the interface; exit 1 on any finding
#include "tools/aaxhost/Instance.h"
#include "tools/aaxhost/Module.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace
{
using namespace aaxhost;

int Describe(const Module& module)
{
  for (const std::string& call : module.DescriptionCalls())
    std::printf("%s\n", call.c_str());
  for (const auto& [id, effect] : module.Description().Effects())
  {
    std::printf("effect %s: %zu components\n", id.c_str(), effect->Components().size());
    for (const ComponentDescriptor* component : effect->Components())
      std::printf("  in 0x%08X out 0x%08X native %s audiosuite %s\n",
                  static_cast<unsigned>(component->Property(abi::kPropertyInputStemFormat)),
                  static_cast<unsigned>(component->Property(abi::kPropertyOutputStemFormat)),
                  FourCC(static_cast<uint32_t>(component->Property(abi::kPropertyPlugInIDNative))).c_str(),
                  FourCC(static_cast<uint32_t>(component->Property(abi::kPropertyPlugInIDAudioSuite))).c_str());
  }
  for (const std::string& assertion : module.Record().Assertions())
    std::printf("assertion: %s\n", assertion.c_str());
  for (const std::string& query : module.Record().Queries())
    std::printf("query %s\n", query.c_str());
  return 0;
}

// The stereo component (else the first) of the first effect.
std::unique_ptr<Instance> StereoInstance(const Module& module, double rate)
{
  const auto& effects = module.Description().Effects();
  if (effects.empty())
  {
    std::fprintf(stderr, "aaxhost: the module described no effect\n");
    return nullptr;
  }
  const EffectDescriptor& effect = *effects.front().second;
  int component = 0;
  for (size_t c = 0; c < effect.Components().size(); ++c)
    if (abi::StemChannelCount(static_cast<int32_t>(effect.Components()[c]->Property(abi::kPropertyInputStemFormat))) == 2)
      component = static_cast<int>(c);
  std::string error;
  auto instance = Instance::Create(effect, component, rate, error);
  if (!instance)
    std::fprintf(stderr, "aaxhost: %s\n", error.c_str());
  return instance;
}

// One second of a -20 dBFS 1 kHz sine through the instance; the output's peak in dBFS.
double RenderTone(Instance& instance)
{
  constexpr int kBlock = 512;
  const double rate = instance.SampleRate();
  std::vector<std::vector<float>> in(static_cast<size_t>(instance.InputChannels()), std::vector<float>(kBlock));
  std::vector<std::vector<float>> out(static_cast<size_t>(instance.OutputChannels()), std::vector<float>(kBlock));
  std::vector<const float*> inputs;
  std::vector<float*> outputs;
  for (auto& channel : in)
    inputs.push_back(channel.data());
  for (auto& channel : out)
    outputs.push_back(channel.data());
  instance.HostTransport().playing = true;
  double peak = 0.0;
  const double amplitude = std::pow(10.0, -20.0 / 20.0);
  for (int start = 0; start < static_cast<int>(rate); start += kBlock)
  {
    for (auto& channel : in)
      for (int i = 0; i < kBlock; ++i)
        channel[static_cast<size_t>(i)] =
            static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * 1000.0 * (start + i) / rate));
    instance.Render(inputs.data(), outputs.data(), kBlock);
    for (const auto& channel : out)
      for (float sample : channel)
        peak = std::max(peak, static_cast<double>(std::fabs(sample)));
  }
  return 20.0 * std::log10(std::max(peak, 1e-10));
}

int Render(const Module& module)
{
  auto instance = StereoInstance(module, 48000.0);
  if (!instance)
    return 1;
  std::printf("output peak %.2f dBFS\n", RenderTone(*instance));
  return 0;
}

int Check(Module& module)
{
  {
    auto instance = StereoInstance(module, 48000.0);
    if (!instance)
      return 1;
    std::printf("output peak %.2f dBFS\n", RenderTone(*instance));
    for (const std::string& id : instance->ParameterIds())
      if (const auto value = instance->NormalizedValue(id))
        instance->Automate(id, *value);
    abi::AAX_CTypeID id = 0;
    std::vector<char> chunk;
    if (const abi::AAX_Result result = instance->SaveChunk(id, chunk); result != abi::AAX_SUCCESS)
      module.Record().Problem("saving the chunk failed with " + std::to_string(result));
    else if (const abi::AAX_Result loaded = instance->LoadChunk(id, chunk); loaded != abi::AAX_SUCCESS)
      module.Record().Problem("loading the saved chunk failed with " + std::to_string(loaded));
    instance->DeliverAutomation();
    std::printf("chunk %s: %zu bytes\n", FourCC(id).c_str(), chunk.size());
    if (const abi::AAX_Result result = instance->OpenEditor(nullptr); result != abi::AAX_SUCCESS)
      module.Record().Problem("opening the editor failed with " + std::to_string(result));
    instance->CloseEditor();
  }
  const std::vector<std::string> problems = module.Finish();
  for (const std::string& query : module.Record().Queries())
    std::printf("query %s\n", query.c_str());
  for (const std::string& unknown : module.Record().UnknownIds())
    std::printf("unknown ID asked for: %s\n", unknown.c_str());
  for (const std::string& problem : problems)
    std::printf("problem: %s\n", problem.c_str());
  std::printf("%zu problems, %zu unknown IDs\n", problems.size(), module.Record().UnknownIds().size());
  return problems.empty() && module.Record().UnknownIds().empty() ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
  const std::string command = argc == 3 ? argv[1] : "";
  if (command != "describe" && command != "render" && command != "check")
  {
    std::fprintf(stderr, "usage: aaxhost describe|render|check BUNDLE\n");
    return 2;
  }
  std::string error;
  auto module = Module::Load(argv[2], error);
  if (!module)
  {
    std::fprintf(stderr, "aaxhost: %s\n", error.c_str());
    return 1;
  }
  if (command == "describe")
    return Describe(*module);
  return command == "render" ? Render(*module) : Check(*module);
}
