// The built TavrikQuenmark.aaxplugin as an AAX host loads it, and the two deliverables
// checked against each other: the same programme through both gives the same samples
// and the same measured level.

#include "tools/aaxhost/Instance.h"
#include "tools/aaxhost/Module.h"
#include "tools/vst3host/Module.h"
#include "tools/vst3host/PluginInstance.h"
#include "tools/vst3host/ProcessRunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <numbers>
#include <filesystem>
#include <vector>

namespace
{
constexpr const char* kEffectId = "com.Tavrik.aax.TavrikQuenmark";
constexpr double kSampleRate = 48000.0;
constexpr int kBlockFrames = 512;
// The 32-bit render path against the VST3 32-bit path: both convert to the same 64-bit
// processing, so samples agree to float rounding.
constexpr float kSampleTolerance32 = 2e-7f;
constexpr double kLevelToleranceDb = 1e-9;

std::unique_ptr<aaxhost::Module> LoadAax()
{
  std::string error;
  auto module = aaxhost::Module::Load(QUENMARK_AAX_BUNDLE_PATH, error);
  EXPECT_TRUE(module) << error;
  return module;
}

double MaxPeakOf(const std::vector<char>& state)
{
  if (state.size() < 4)
    return NAN;
  return nlohmann::json::parse(state.begin() + 4, state.end()).at("maxpeak").get<double>();
}

// A programme that swells and falls: a 440 Hz tone whose level moves over 4 s.
float Programme(int frame)
{
  const double t = frame / kSampleRate;
  const double level = 0.02 + 0.08 * std::fabs(std::sin(0.7 * t));
  return static_cast<float>(level * std::sin(2.0 * std::numbers::pi * 440.0 * t));
}

TEST(AaxBundle, TheModuleLoadsWithItsLayoutAndDescribesOneEffect)
{
  const std::filesystem::path bundle = QUENMARK_AAX_BUNDLE_PATH;
  EXPECT_EQ(bundle.filename(), "TavrikQuenmark.aaxplugin");
  EXPECT_TRUE(std::filesystem::is_regular_file(aaxhost::Module::BinaryIn(bundle)));
  EXPECT_TRUE(std::filesystem::is_directory(bundle / "Contents" / "Resources"));
  auto module = LoadAax();
  ASSERT_TRUE(module);
  const aaxhost::Collection& description = module->Description();
  ASSERT_EQ(description.Effects().size(), 1u);
  EXPECT_NE(description.Effect(kEffectId), nullptr);
  EXPECT_EQ(description.Effect(kEffectId)->Components().size(), 2u);
  EXPECT_EQ(description.PackageVersion(), 0x00010301u);

  uint64_t version = 0;
  EXPECT_EQ(module->SdkVersion(&version), AAX_SUCCESS);
  EXPECT_EQ(version, AAX_kSDKVersion);
  EXPECT_EQ(module->SdkVersion(nullptr), AAX_ERROR_NULL_ARGUMENT);
  void* factory = &version;
  EXPECT_EQ(module->GetClassFactory(0x516E6D6B, &factory), AAX_ERROR_UNIMPLEMENTED);
  EXPECT_EQ(factory, nullptr);
  aaxhost::Collection components;
  EXPECT_EQ(module->RegisterComponent(components), AAX_SUCCESS);
  EXPECT_TRUE(components.Calls().empty());

  // The module may go only while none of its objects lives.
  EXPECT_EQ(module->CanUnloadNow(), AAX_kCanUnload);
  {
    std::string error;
    auto instance = aaxhost::Instance::Create(*description.Effect(kEffectId), 1, kSampleRate, error);
    ASSERT_TRUE(instance) << error;
    EXPECT_EQ(module->CanUnloadNow(), AAX_kCannotUnload);
    ASSERT_EQ(instance->OpenEditor(nullptr), AAX_SUCCESS);
    ASSERT_EQ(instance->CloseEditor(), AAX_SUCCESS);
    AAX_CTypeID id = 0;
    std::vector<char> state;
    ASSERT_EQ(instance->SaveChunk(id, state), AAX_SUCCESS);
    EXPECT_EQ(instance->LoadChunk(id, state), AAX_SUCCESS);
  }
  EXPECT_EQ(module->CanUnloadNow(), AAX_kCanUnload);
}

TEST(AaxBundle, BothDeliverablesGiveTheSameSamplesAndTheSameLevel)
{
  auto aaxModule = LoadAax();
  ASSERT_TRUE(aaxModule);
  std::string error;
  auto aax = aaxhost::Instance::Create(*aaxModule->Description().Effect(kEffectId), 1, kSampleRate, error);
  ASSERT_TRUE(aax) << error;

  auto vst3Module = vst3host::Module::load(QUENMARK_VST3_BUNDLE_PATH);
  ASSERT_TRUE(vst3Module) << vst3Module.status().message();
  auto effect = vst3Module.value()->firstAudioEffect();
  ASSERT_TRUE(effect);
  auto vst3 = vst3host::PluginInstance::create(vst3Module.value(), effect.value());
  ASSERT_TRUE(vst3) << vst3.status().message();
  vst3host::RunnerConfig config;
  config.symbolicSampleSize = Steinberg::Vst::kSample32;
  config.sampleRate = kSampleRate;
  config.maxBlockFrames = kBlockFrames;
  auto runner = vst3host::ProcessRunner::start(*vst3.value(), config);
  ASSERT_TRUE(runner) << runner.status().message();

  // The Standard workflow: analyse while playing, stop, then the gain stays applied.
  std::vector<float> in(kBlockFrames);
  std::vector<float> outAax[2] = {std::vector<float>(kBlockFrames), std::vector<float>(kBlockFrames)};
  std::vector<float> outVst3[2] = {std::vector<float>(kBlockFrames), std::vector<float>(kBlockFrames)};
  const float* inputs[2] = {in.data(), in.data()};
  float* aaxOutputs[2] = {outAax[0].data(), outAax[1].data()};
  float* vst3Outputs[2] = {outVst3[0].data(), outVst3[1].data()};
  const int blocks = static_cast<int>(6 * kSampleRate) / kBlockFrames;
  float worst = 0.0f;
  double gainedBlocks = 0;
  for (int b = 0; b < blocks; ++b)
  {
    const bool playing = b < blocks / 2;
    aax->HostTransport().playing = playing;
    runner.value()->setPlaying(playing);
    for (int f = 0; f < kBlockFrames; ++f)
      in[static_cast<size_t>(f)] = Programme(b * kBlockFrames + f);
    aax->Render(inputs, aaxOutputs, kBlockFrames);
    ASSERT_TRUE(runner.value()->process(inputs, vst3Outputs, kBlockFrames)) << b;
    for (int c = 0; c < 2; ++c)
      for (int f = 0; f < kBlockFrames; ++f)
        worst = std::max(worst, std::fabs(outAax[c][static_cast<size_t>(f)] - outVst3[c][static_cast<size_t>(f)]));
    if (std::fabs(outAax[0][100]) > std::fabs(in[100]) * 1.5f)
      ++gainedBlocks;
  }
  EXPECT_LE(worst, kSampleTolerance32);
  EXPECT_GT(gainedBlocks, blocks / 4) << "the comparison is of gained audio, not of a copy";

  AAX_CTypeID id = 0;
  std::vector<char> aaxState;
  ASSERT_EQ(aax->SaveChunk(id, aaxState), AAX_SUCCESS);
  auto vst3State = vst3.value()->saveState();
  ASSERT_TRUE(vst3State);
  const std::vector<char> vst3Bytes(vst3State.value().begin(), vst3State.value().end() - 4); // less the bypass word
  const double aaxLevel = MaxPeakOf(aaxState);
  EXPECT_NEAR(aaxLevel, MaxPeakOf(vst3Bytes), kLevelToleranceDb);
  EXPECT_NEAR(aaxLevel, 20.0 * std::log10(0.1), 0.05) << "the programme's highest peak";
  EXPECT_TRUE(runner.value()->stop());
}
} // namespace
