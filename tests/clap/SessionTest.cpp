// TavrikQuenmark.clap in our CLAP host: scanned, activated, played, automated, saved and
// loaded, with the host's checks (threads, gestures, complete extensions, deinit last)
// reported as problems that must stay empty.

#include "tools/claphost/ClapHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr uint32_t kBlock = 512;
constexpr double kDbTolerance = 0.5;

double Db(double linear)
{
  return 20.0 * std::log10(linear);
}

// A 1 kHz sine of `peakDb` on both channels, block after block.
struct Programme
{
  double peak;
  uint64_t frame = 0;
  std::vector<double> left = std::vector<double>(kBlock), right = std::vector<double>(kBlock);
  std::vector<double> outLeft = std::vector<double>(kBlock), outRight = std::vector<double>(kBlock);
  explicit Programme(double peakDb) : peak(std::pow(10.0, peakDb / 20.0)) {}
  void next()
  {
    for (uint32_t i = 0; i < kBlock; ++i, ++frame)
      left[i] = right[i] = peak * std::sin(2.0 * std::numbers::pi * 1000.0 * static_cast<double>(frame) / kRate);
  }
  bool run(claphost::Instance& instance, bool use64 = true)
  {
    next();
    const double* in[2] = {left.data(), right.data()};
    double* out[2] = {outLeft.data(), outRight.data()};
    return instance.process(in, out, kBlock, use64);
  }
  double outputPeakDb() const
  {
    double p = 0.0;
    for (uint32_t i = 0; i < kBlock; ++i)
      p = std::max({p, std::fabs(outLeft[i]), std::fabs(outRight[i])});
    return Db(p);
  }
};

class ClapSession : public testing::Test
{
protected:
  void SetUp() override { module = std::make_unique<claphost::Module>(QUENMARK_CLAP_MODULE_PATH); }
  void TearDown() override
  {
    std::vector<std::string> problems;
    problems.swap(module->problems());
    module.reset();
    EXPECT_TRUE(problems.empty()) << "host checks: " << testing::PrintToString(problems);
  }
  std::unique_ptr<claphost::Module> module;
};

TEST_F(ClapSession, AScanFindsOneStereoEffectWithItsParametersAndABypass)
{
  EXPECT_STREQ(module->descriptor().id, "com.tavrik.quenmark");
  std::vector<std::string> features;
  for (const char* const* f = module->descriptor().features; *f != nullptr; ++f)
    features.emplace_back(*f);
  for (const char* wanted : {"audio-effect", "utility", "analyzer", "stereo", "mono"})
    EXPECT_NE(std::find(features.begin(), features.end(), wanted), features.end()) << wanted;

  claphost::Instance instance(*module);
  EXPECT_EQ(instance.channels(true), 2u);
  EXPECT_EQ(instance.channels(false), 2u);
  const std::vector<claphost::abi::ParamInfo> infos = instance.paramInfos();
  ASSERT_EQ(infos.size(), 9u);
  int bypasses = 0;
  for (const auto& info : infos)
  {
    EXPECT_LE(info.min, info.defaultValue);
    EXPECT_LE(info.defaultValue, info.max);
    EXPECT_DOUBLE_EQ(instance.value(info.id), info.defaultValue) << info.name;
    bypasses += (info.flags & claphost::abi::kParamBypass) != 0;
    // A list parameter is stepped, and every step has a text.
    if ((info.flags & claphost::abi::kParamEnum) != 0)
    {
      EXPECT_NE(info.flags & claphost::abi::kParamStepped, 0u) << info.name;
      for (double v = info.min; v <= info.max; v += 1.0)
        EXPECT_FALSE(instance.text(info.id, v).empty()) << info.name << " " << v;
    }
  }
  EXPECT_EQ(bypasses, 1);
  const uint32_t measure = instance.paramId("Measure");
  EXPECT_NE(infos[measure].flags & claphost::abi::kParamEnum, 0u);
  EXPECT_EQ(instance.text(measure, 4.0), "LUFS Int.");
  EXPECT_EQ(instance.text(instance.paramId("Gain"), 6.0), "6.0 dB");
  double parsed = 0.0;
  EXPECT_TRUE(instance.params().fromText(&instance.plugin(), measure, "RMS", &parsed));
  EXPECT_EQ(parsed, 2.0);
  EXPECT_TRUE(instance.params().fromText(&instance.plugin(), instance.paramId("Gain"), "-3.5 dB", &parsed));
  EXPECT_DOUBLE_EQ(parsed, -3.5);
  EXPECT_FALSE(instance.params().fromText(&instance.plugin(), instance.paramId("Gain"), "loud", &parsed));
}

TEST_F(ClapSession, ParameterIdsAreTheSameInEveryInstance)
{
  const auto ids = [this] {
    claphost::Instance instance(*module);
    std::vector<std::pair<std::string, uint32_t>> list;
    for (const auto& info : instance.paramInfos())
      list.emplace_back(info.name, info.id);
    return list;
  };
  const auto first = ids();
  const auto second = ids();
  EXPECT_EQ(first, second);
  claphost::Instance a(*module);
  claphost::Instance b(*module);
  EXPECT_EQ(a.paramId("Target Value"), b.paramId("Target Value"));
}

TEST_F(ClapSession, PlayingAnalysesAndNormalizesToTheTargetAndTheHostSeesTheGain)
{
  claphost::Instance instance(*module);
  ASSERT_TRUE(instance.activate(kRate, kBlock));
  Programme programme(-20.0);
  instance.setPlaying(true);
  for (int b = 0; b < 400; ++b) // about 4 s
    ASSERT_TRUE(programme.run(instance));
  EXPECT_NEAR(programme.outputPeakDb(), -12.0, kDbTolerance);
  EXPECT_NEAR(instance.value(instance.paramId("Gain")), 8.0, kDbTolerance) << "the gain readout reaches the host";

  // The stop ends the analysis: "Analyze" goes off and the host is told.
  instance.outputEvents().clear();
  instance.setPlaying(false);
  ASSERT_TRUE(programme.run(instance));
  const uint32_t analyze = instance.paramId("Analyze");
  bool toldOff = false;
  for (const auto& event : instance.outputEvents())
    toldOff = toldOff || (event.type == claphost::abi::kParamValue && event.id == analyze && event.value == 0.0);
  EXPECT_TRUE(toldOff);
  EXPECT_EQ(instance.value(analyze), 0.0);

  // Without analysis the reached gain stays, whatever the level does now.
  Programme louder(-6.0);
  instance.setPlaying(true);
  for (int b = 0; b < 100; ++b)
    ASSERT_TRUE(louder.run(instance));
  EXPECT_NEAR(louder.outputPeakDb(), 2.0, kDbTolerance);
}

TEST_F(ClapSession, AutomationSetsTheGainAndBypassPassesTheInputIn32And64Bit)
{
  for (const bool use64 : {true, false})
  {
    claphost::Instance instance(*module);
    ASSERT_TRUE(instance.activate(kRate, kBlock));
    Programme programme(-20.0);
    instance.set(instance.paramId("Analyze"), 0.0);
    instance.set(instance.paramId("Gain"), 6.0);
    for (int b = 0; b < 100; ++b)
      ASSERT_TRUE(programme.run(instance, use64));
    EXPECT_NEAR(programme.outputPeakDb(), -14.0, 0.1) << (use64 ? "64-bit" : "32-bit");
    EXPECT_NEAR(instance.value(instance.paramId("Gain")), 6.0, 0.05);

    instance.set(instance.paramId("Bypass"), 1.0);
    ASSERT_TRUE(programme.run(instance, use64));
    for (uint32_t i = 0; i < kBlock; ++i)
      ASSERT_NEAR(programme.outLeft[i], programme.left[i], use64 ? 0.0 : 1e-7);
  }
}

TEST_F(ClapSession, StateRoundTripsThroughShortReadsAndWritesAndACutStateChangesNothing)
{
  std::vector<uint8_t> saved;
  {
    claphost::Instance instance(*module);
    ASSERT_TRUE(instance.activate(kRate, kBlock));
    instance.set(instance.paramId("Measure"), 3.0);
    instance.set(instance.paramId("Target Value"), -23.0);
    instance.set(instance.paramId("Bypass"), 1.0);
    Programme programme(-20.0);
    ASSERT_TRUE(programme.run(instance));
    bool ok = false;
    saved = instance.save(7, &ok);
    ASSERT_TRUE(ok);
    ASSERT_GT(saved.size(), 20u);
  }
  claphost::Instance loaded(*module);
  const std::vector<uint8_t> fresh = loaded.save(4096);
  std::vector<uint8_t> cut(saved.begin(), saved.end() - 3);
  EXPECT_FALSE(loaded.load(cut, 5));
  EXPECT_EQ(loaded.save(4096), fresh) << "a failed load changed the state";
  EXPECT_EQ(loaded.value(loaded.paramId("Measure")), 0.0);

  const int rescansBefore = loaded.rescans;
  ASSERT_TRUE(loaded.load(saved, 5));
  const std::vector<uint8_t> again = loaded.save(3);
  ASSERT_TRUE(loaded.load(again, 5));
  EXPECT_EQ(loaded.save(11), again) << "a loaded state saves as itself";
  EXPECT_EQ(loaded.value(loaded.paramId("Measure")), 3.0);
  EXPECT_EQ(loaded.value(loaded.paramId("Target Value")), -23.0);
  EXPECT_EQ(loaded.value(loaded.paramId("Bypass")), 1.0);
  EXPECT_GT(loaded.rescans, rescansBefore) << "the host is told the values changed";
}

TEST_F(ClapSession, MonoIsSelectableWhileInactiveAndProcesses)
{
  claphost::Instance instance(*module);
  ASSERT_TRUE(instance.selectChannels(1));
  EXPECT_EQ(instance.channels(false), 1u);
  ASSERT_TRUE(instance.activate(kRate, kBlock));
  EXPECT_FALSE(instance.selectChannels(2)) << "ports change only while inactive";
  instance.set(instance.paramId("Analyze"), 0.0);
  instance.set(instance.paramId("Gain"), -6.0);
  Programme programme(-20.0);
  for (int b = 0; b < 50; ++b)
    ASSERT_TRUE(programme.run(instance));
  double p = 0.0;
  for (double s : programme.outLeft)
    p = std::max(p, std::fabs(s));
  EXPECT_NEAR(Db(p), -26.0, 0.1);
}

TEST_F(ClapSession, AFlushWhileInactiveAppliesValues)
{
  claphost::Instance instance(*module);
  instance.set(instance.paramId("Mode"), 1.0);
  instance.flush();
  EXPECT_EQ(instance.value(instance.paramId("Mode")), 1.0);
  ASSERT_TRUE(instance.activate(kRate, kBlock));
  instance.set(instance.paramId("Mode"), 0.0);
  instance.flush();
  EXPECT_EQ(instance.value(instance.paramId("Mode")), 0.0);
}
} // namespace
