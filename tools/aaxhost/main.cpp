// aaxhost: loads an AAX module the way an AAX host does and shows what it described, or
// renders a test tone through it.
//   aaxhost describe BUNDLE    the description calls in order, then the effects found
//   aaxhost render BUNDLE      one second of a -20 dBFS 1 kHz stereo sine, rendered with
//                              the transport playing; prints the output's peak
#include "tools/aaxhost/Instance.h"
#include "tools/aaxhost/Module.h"

#include <cmath>
#include <numbers>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
int Describe(const aaxhost::Module& module)
{
  const aaxhost::Collection& description = module.Description();
  for (const std::string& call : description.Calls())
    std::printf("%s\n", call.c_str());
  for (const auto& [id, effect] : description.Effects())
  {
    std::printf("effect %s: %zu components\n", id.c_str(), effect->Components().size());
    for (const aaxhost::ComponentDescriptor* component : effect->Components())
      std::printf("  in 0x%08X out 0x%08X native %s audiosuite %s\n",
                  static_cast<unsigned>(component->Property(AAX_eProperty_InputStemFormat)),
                  static_cast<unsigned>(component->Property(AAX_eProperty_OutputStemFormat)),
                  aaxhost::FourCC(static_cast<uint32_t>(component->Property(AAX_eProperty_PlugInID_Native))).c_str(),
                  aaxhost::FourCC(static_cast<uint32_t>(component->Property(AAX_eProperty_PlugInID_AudioSuite))).c_str());
  }
  for (const std::string& assertion : description.Assertions())
    std::printf("assertion: %s\n", assertion.c_str());
  return 0;
}

int Render(const aaxhost::Module& module)
{
  const auto& effects = module.Description().Effects();
  if (effects.empty())
  {
    std::fprintf(stderr, "aaxhost: the module described no effect\n");
    return 1;
  }
  std::string error;
  const double rate = 48000.0;
  auto instance = aaxhost::Instance::Create(*effects.front().second, 1, rate, error);
  if (!instance)
  {
    std::fprintf(stderr, "aaxhost: %s\n", error.c_str());
    return 1;
  }
  constexpr int kBlock = 512;
  std::vector<float> left(kBlock), right(kBlock), outLeft(kBlock), outRight(kBlock);
  const float* inputs[2] = {left.data(), right.data()};
  float* outputs[2] = {outLeft.data(), outRight.data()};
  instance->HostTransport().playing = true;
  double peak = 0.0;
  const double amplitude = std::pow(10.0, -20.0 / 20.0);
  for (int start = 0; start < static_cast<int>(rate); start += kBlock)
  {
    for (int i = 0; i < kBlock; ++i)
      left[static_cast<size_t>(i)] = right[static_cast<size_t>(i)] =
          static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * 1000.0 * (start + i) / rate));
    instance->Render(inputs, outputs, kBlock);
    for (int i = 0; i < kBlock; ++i)
      peak = std::max(peak, static_cast<double>(std::fabs(outLeft[static_cast<size_t>(i)])));
  }
  std::printf("output peak %.2f dBFS\n", 20.0 * std::log10(std::max(peak, 1e-10)));
  return 0;
}
} // namespace

int main(int argc, char** argv)
{
  if (argc != 3 || (std::string(argv[1]) != "describe" && std::string(argv[1]) != "render"))
  {
    std::fprintf(stderr, "usage: aaxhost describe|render BUNDLE\n");
    return 2;
  }
  std::string error;
  auto module = aaxhost::Module::Load(argv[2], error);
  if (!module)
  {
    std::fprintf(stderr, "aaxhost: %s\n", error.c_str());
    return 1;
  }
  return std::string(argv[1]) == "describe" ? Describe(*module) : Render(*module);
}
