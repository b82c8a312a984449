// A state saved by the VST3 plug-in and loaded by the LV2 one gives the same level and
// gain: the VST3 binding compiled in, the LV2 module loaded as a host loads it.

#include "Lv2TestHost.h"
#include "Vst3Host.h"

TEST(Lv2CrossState, AVst3StateLoadedIntoLv2GivesTheSameLevelAndGain)
{
  vst3test::Instance vst3;
  // RMS to -20, Standard mode analysing a -12 dB RMS signal (no process context: the
  // transport never stops the analysis).
  {
    vst3test::Block<float> setupBlock(2, 512, 0.25);
    setupBlock.change(kMeasure, 2.0 / 5.0).change(kTargetValue, 40.0 / 90.0);
    ASSERT_EQ(setupBlock.run(*vst3.plug), Steinberg::kResultOk);
  }
  vst3test::Block<float> block(2, 512, 0.25);
  for (int i = 0; i < 200; ++i)
    ASSERT_EQ(block.run(*vst3.plug), Steinberg::kResultOk);
  // Analysis off: the level and gain stay as they are.
  block.change(kAnalyze, 0.0);
  ASSERT_EQ(block.run(*vst3.plug), Steinberg::kResultOk);
  ASSERT_EQ(block.run(*vst3.plug), Steinberg::kResultOk);
  const float vst3Out = block.outAt(0, 511);
  ASSERT_NEAR(20.0 * std::log10(vst3Out / 0.25), -8.0, 0.3) << "the VST3 plug-in reached its gain";

  // The VST3 stream: the document's length and text, then the bypass word.
  const std::vector<Steinberg::uint8> stream = vst3test::stateOf(*vst3.plug);
  ASSERT_GT(stream.size(), 8u);
  int32_t length = 0;
  std::memcpy(&length, stream.data(), 4);
  ASSERT_GT(length, 0);
  const std::string document(reinterpret_cast<const char*>(stream.data()) + 4, static_cast<size_t>(length));

  lv2test::UridMap map;
  lv2test::Instance lv2(map);
  ASSERT_NE(lv2.handle, nullptr);
  lv2test::StateStore store;
  store.props[map(QUENMARK_LV2_STATE_URI)] = {document, map(LV2_ATOM__String)};
  ASSERT_EQ(lv2test::StateOf(lv2)->restore(lv2.handle, &lv2test::StateStore::Retrieve, &store, 0, nullptr),
            LV2_STATE_SUCCESS);
  lv2.Play(2048, 512, 0.25);
  size_t at = lv2.in[0].size() - 1;
  while (std::fabs(lv2.in[0][at]) < 0.1f)
    --at;
  EXPECT_NEAR(lv2.out[0][at] / lv2.in[0][at], vst3Out / 0.25, 1e-4) << "the same gain";
  EXPECT_NEAR(lv2.readouts[0], 20.0 * std::log10(0.25), 0.2) << "the same level";
  EXPECT_NEAR(lv2.readouts[1], 20.0 * std::log10(vst3Out / 0.25), 0.05);
  EXPECT_EQ(lv2test::Saved(lv2, map), nlohmann::json::parse(document));
}
