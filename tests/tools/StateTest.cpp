// The plug-in's state as a host saves and restores it through getState / setState on
// the built bundle.

#include "BundleFixture.h"

#include "tools/vst3host/MemoryStream.h"

#include <nlohmann/json.hpp>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace bundletest;

namespace
{
constexpr double kRate = 48000.;
constexpr double kSampleTolerance = 1e-6;
constexpr std::size_t kMiB = 1024 * 1024;

// The state document inside the stream: an int32 length, the JSON text, the bypass word.
nlohmann::json documentOf(const std::vector<uint8>& state)
{
  if (state.size() < 8)
    return nullptr;
  const uint32 length = uint32(state[0]) | uint32(state[1]) << 8 | uint32(state[2]) << 16 | uint32(state[3]) << 24;
  if (length + 8 != state.size())
    return nullptr;
  return nlohmann::json::parse(state.begin() + 4, state.begin() + 4 + length, nullptr, false);
}

class State : public ::testing::TestWithParam<int32>
{
};

INSTANTIATE_TEST_SUITE_P(SampleSizes, State, ::testing::Values(kSample32, kSample64), sampleSizeName);

// Every parameter's normalized value, in the controller's order.
std::vector<double> valuesOf(vst3host::PluginInstance& plugin)
{
  std::vector<double> values;
  for (const auto& parameter : plugin.parameters())
    values.push_back(plugin.normalizedValue(parameter.id));
  return values;
}
} // namespace

TEST_P(State, AFreshInstanceRestoredFromTheStateSoundsTheSame)
{
  auto original = newInstance();
  ASSERT_TRUE(original);
  Ids id(*original);
  std::vector<uint8> saved;
  const Planar in = sine(2, 512, kRate, 700., 0.2);
  Planar expected(2, 512);
  {
    auto runner = startRunner(*original, GetParam());
    ASSERT_TRUE(runner);
    runner->queueChange(id.measure, original->toNormalized(id.measure, 2));
    runner->queueChange(id.target, original->toNormalized(id.target, -18.));
    runner->queueChange(id.gate, original->toNormalized(id.gate, -45.5));
    runner->queueChange(id.analyze, 0.);
    runner->queueChange(id.normalize, 1.);
    runner->queueChange(id.gain, original->toNormalized(id.gain, 4.5));
    ASSERT_TRUE(runner->process(in.in().data(), expected.out().data(), 512).ok());
    auto state = original->saveState();
    ASSERT_TRUE(state.ok()) << state.message();
    saved = state.take();
  }
  const nlohmann::json document = documentOf(saved);
  ASSERT_TRUE(document.is_object()) << "state: a length, the JSON document, the bypass word";
  EXPECT_EQ(document["params"].size(), 8u);

  auto restored = newInstance();
  ASSERT_TRUE(restored);
  vst3host::Status loaded = restored->loadState(saved);
  ASSERT_TRUE(loaded.ok()) << loaded.message();
  EXPECT_EQ(valuesOf(*restored), valuesOf(*original)) << "the controller follows the restored state";

  auto runner = startRunner(*restored, GetParam());
  ASSERT_TRUE(runner);
  Planar out(2, 512);
  ASSERT_TRUE(runner->process(in.in().data(), out.out().data(), 512).ok());
  EXPECT_LT(errorAgainst(expected, out, 1.), kSampleTolerance);
  EXPECT_LT(errorAgainst(in, out, dbToLinear(4.5)), kSampleTolerance) << "the restored gain is applied";
}

TEST_P(State, BypassIsPartOfTheState)
{
  auto original = newInstance();
  ASSERT_TRUE(original);
  Ids id(*original);
  std::vector<uint8> saved;
  {
    auto runner = startRunner(*original, GetParam());
    ASSERT_TRUE(runner);
    runner->queueChange(id.bypass, 1.);
    ASSERT_TRUE(runner->flush().ok());
    saved = original->saveState().take();
  }
  auto restored = newInstance();
  ASSERT_TRUE(restored);
  ASSERT_TRUE(restored->loadState(saved).ok());
  EXPECT_EQ(restored->normalizedValue(id.bypass), 1.);
  // A state restored before set-up stays in force through it.
  auto runner = startRunner(*restored, GetParam());
  ASSERT_TRUE(runner);
  ASSERT_TRUE(restored->loadState(saved).ok());
  runner->queueChange(id.analyze, 0.);
  runner->queueChange(id.gain, restored->toNormalized(id.gain, 12.));
  const Planar in = sine(2, 256, kRate, 300., 0.3);
  Planar out(2, 256);
  ASSERT_TRUE(runner->process(in.in().data(), out.out().data(), 256).ok());
  EXPECT_LT(errorAgainst(in, out, 1.), kSampleTolerance) << "bypassed";
}

TEST_P(State, AStreamThatCannotBeParsedChangesNothing)
{
  auto plugin = newInstance();
  ASSERT_TRUE(plugin);
  Ids id(*plugin);
  auto runner = startRunner(*plugin, GetParam());
  ASSERT_TRUE(runner);
  runner->queueChange(id.target, plugin->toNormalized(id.target, -30.));
  ASSERT_TRUE(runner->flush().ok());
  const std::vector<uint8> good = plugin->saveState().take();
  ASSERT_TRUE(plugin->loadState(good).ok()); // a saved "Analyze" that was on is restored off
  const std::vector<double> before = valuesOf(*plugin);

  std::vector<std::vector<uint8>> bad = {
    {},
    {1, 2, 3},
    std::vector<uint8>(good.begin(), good.begin() + 10), // cut inside the document
    std::vector<uint8>(300, 0xFF),
  };
  std::string text = "{\"maxpeak\":-100.0,\"params\":[{\"name\":\"Gain\",\"value\":\"loud\"}],\"version\":\"1.3.2\"}";
  std::vector<uint8> wrongType(4 + text.size() + 4, 0);
  wrongType[0] = static_cast<uint8>(text.size());
  std::copy(text.begin(), text.end(), wrongType.begin() + 4);
  bad.push_back(wrongType);
  for (const std::vector<uint8>& bytes : bad)
  {
    SCOPED_TRACE(bytes.size());
    (void)plugin->loadState(bytes); // refused or not: nothing may change
    EXPECT_EQ(valuesOf(*plugin), before);
  }

  // A stream far larger than any state is refused, even when it starts with a valid one.
  auto other = newInstance();
  ASSERT_TRUE(other);
  {
    auto otherRunner = startRunner(*other, GetParam());
    ASSERT_TRUE(otherRunner);
    otherRunner->queueChange(id.target, other->toNormalized(id.target, -40.));
    ASSERT_TRUE(otherRunner->flush().ok());
  }
  std::vector<uint8> huge = other->saveState().take();
  huge.resize(2 * kMiB, 0);
  EXPECT_FALSE(plugin->loadState(huge).ok());
  EXPECT_EQ(valuesOf(*plugin), before);

  const Planar in = sine(2, 128, kRate, 300., 0.3);
  Planar out(2, 128);
  EXPECT_TRUE(runner->process(in.in().data(), out.out().data(), 128).ok());
}

TEST(StateDocument, AnAnalysisThatRanIsNotResumedByARestoredState)
{
  // After processing was set up, a saved "Analyze" that was on is stored as 0: a project
  // reopened never starts analysing by itself.
  auto plugin = newInstance();
  ASSERT_TRUE(plugin);
  auto runner = startRunner(*plugin, kSample64);
  ASSERT_TRUE(runner);
  Ids id(*plugin);
  EXPECT_EQ(plugin->normalizedValue(id.analyze), 1.);
  const nlohmann::json document = documentOf(plugin->saveState().take());
  ASSERT_TRUE(document.is_object());
  bool found = false;
  for (const auto& parameter : document["params"])
    if (parameter["name"] == "Analyze")
    {
      found = true;
      EXPECT_EQ(parameter["value"], 0);
    }
  EXPECT_TRUE(found);
}
