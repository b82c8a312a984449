// The built LV2 module driven as a host drives it.

#include "Lv2TestHost.h"

using namespace lv2test;


TEST(Lv2Host, ContinuousModeLevelsToTheTargetAtEveryBlockLengthAndBound)
{
  UridMap map;
  // Blocks within the bound, longer than the bound, and a host that sends no bound.
  for (const auto& [block, bound] : std::vector<std::pair<int, int32_t>>{{1, 512}, {64, 512}, {8192, 512}, {3000, 0}})
  {
    Instance plug(map, 48000.0, bound);
    ASSERT_NE(plug.handle, nullptr);
    plug.params[kMeasure] = kMeasureRms;
    plug.params[kMode] = 1.0f;
    plug.params[kTarget] = -20.0f;
    plug.Play(48000 * 4, block, 0.5); // -9 dB RMS in
    EXPECT_NEAR(plug.OutputRmsDb(48000 * 3), -20.0, 0.5) << "block " << block << ", bound " << bound;
    EXPECT_NEAR(plug.readouts[1], -11.0, 0.6) << "the applied-gain readout";
  }
}

TEST(Lv2Host, RefusesUnusableSampleRatesAndTakesTheUsualOnes)
{
  UridMap map;
  for (const double rate : {0.0, -48000.0, std::nan(""), 1.0e9})
    EXPECT_EQ(Instance(map, rate).handle, nullptr) << rate;
  for (const double rate : {44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0})
  {
    Instance plug(map, rate);
    ASSERT_NE(plug.handle, nullptr) << rate;
    plug.params[kMeasure] = kMeasureRms;
    plug.params[kMode] = 1.0f;
    plug.params[kTarget] = -20.0f;
    plug.Play(static_cast<int>(rate) * 3, 512, 0.5, rate);
    EXPECT_NEAR(plug.OutputRmsDb(static_cast<int>(rate) * 2), -20.0, 0.5) << rate;
  }
}

TEST(Lv2Host, TransportStopEndsTheAnalysisAndTellsTheUi)
{
  UridMap map;
  Instance plug(map);
  ASSERT_NE(plug.handle, nullptr);
  plug.SendSpeed(1.0f);
  plug.Play(4800, 480, 0.25);
  EXPECT_EQ(plug.Notifications().count(kAnalyze), 0u);
  plug.SendSpeed(0.0f);
  plug.Play(480, 480, 0.25);
  const auto changes = plug.Notifications();
  ASSERT_EQ(changes.count(kAnalyze), 1u) << "a stop switches Analyze off and reports it";
  EXPECT_EQ(changes.at(kAnalyze), 0.0f);
  // The host's port still says 1: re-sent unchanged, it starts no new analysis.
  plug.Play(480, 480, 0.25);
  EXPECT_EQ(plug.Notifications().count(kAnalyze), 0u);
  EXPECT_NE(SavedDocument(plug, map).find("\"Analyze\""), std::string::npos);
}

TEST(Lv2Host, StateRoundTripsAndAFailedRestoreChangesNothing)
{
  UridMap map;
  Instance first(map);
  ASSERT_NE(first.handle, nullptr);
  first.params[kTarget] = -31.5f;
  first.params[kMeasure] = kMeasureRms;
  first.Play(48000, 512, 0.5);
  const std::string saved = SavedDocument(first, map);
  ASSERT_FALSE(saved.empty());

  Instance second(map);
  ASSERT_NE(second.handle, nullptr);
  const std::string fresh = SavedDocument(second, map);
  ASSERT_NE(fresh, saved);

  // Not a document, the wrong type, no property at all: refused, the state stays.
  StateStore bad;
  bad.props[map(QUENMARK_LV2_STATE_URI)] = {std::string("{\"Target Value\": -3"), map(LV2_ATOM__String)};
  EXPECT_NE(StateOf(second)->restore(second.handle, &StateStore::Retrieve, &bad, 0, nullptr), LV2_STATE_SUCCESS);
  bad.props[map(QUENMARK_LV2_STATE_URI)] = {saved, map(LV2_ATOM__Int)};
  EXPECT_NE(StateOf(second)->restore(second.handle, &StateStore::Retrieve, &bad, 0, nullptr), LV2_STATE_SUCCESS);
  StateStore empty;
  EXPECT_NE(StateOf(second)->restore(second.handle, &StateStore::Retrieve, &empty, 0, nullptr), LV2_STATE_SUCCESS);
  EXPECT_EQ(Saved(second, map), nlohmann::json::parse(fresh.c_str()));

  StateStore good;
  good.props[map(QUENMARK_LV2_STATE_URI)] = {saved, map(LV2_ATOM__String)};
  ASSERT_EQ(StateOf(second)->restore(second.handle, &StateStore::Retrieve, &good, 0, nullptr), LV2_STATE_SUCCESS);
  // The ports still hold the defaults: after a restore they do not undo it.
  second.Play(512, 512, 0.0);
  EXPECT_EQ(Saved(second, map), Saved(first, map));
  const auto announced = second.Notifications();
  ASSERT_EQ(announced.count(kTarget), 1u) << "a restore tells the UI every value";
  EXPECT_FLOAT_EQ(announced.at(kTarget), -31.5f);
  // A port the host changes after that applies.
  second.params[kTarget] = -18.0f;
  second.Play(512, 512, 0.0);
  EXPECT_NE(SavedDocument(second, map).find("-18"), std::string::npos);
}

TEST(Lv2Host, TheBypassPortPassesTheInputThrough)
{
  UridMap map;
  Instance plug(map);
  ASSERT_NE(plug.handle, nullptr);
  plug.params[kMode] = 1.0f;
  plug.params[kMeasure] = kMeasureRms;
  plug.params[kTarget] = -30.0f;
  plug.enabled = 0.0f;
  plug.Play(48000, 512, 0.5);
  for (size_t i = 0; i < plug.out[0].size(); i += 97)
    ASSERT_EQ(plug.out[0][i], plug.in[0][i]) << i;
}

TEST(Lv2Host, RunAllocatesNothing)
{
  UridMap map;
  Instance plug(map, 48000.0, 512);
  ASSERT_NE(plug.handle, nullptr);
  plug.params[kMeasure] = 4; // LUFS Int.
  plug.SendSpeed(1.0f);
  plug.Play(512 * 94, 512, 0.25); // warm: first blocks, a transport start; ends on a full block
  // Parameter changes, a transport stop and its notification, blocks longer than the bound.
  plug.params[kTarget] = -20.0f;
  plug.params[kMode] = 1.0f;
  plug.SendSpeed(0.0f);
  EXPECT_EQ(plug.RunCounted(512), 0u);
  plug.ClearControl();
  plug.params[kMode] = 0.0f;
  plug.params[kGroup] = 3.0f;
  EXPECT_EQ(plug.RunCounted(512), 0u);
  std::vector<float> longIn(8192, 0.1f), longOut(8192);
  for (uint32_t c = 0; c < 2; ++c)
  {
    plug.d->connect_port(plug.handle, Lv2Ports::AudioIn(c), longIn.data());
    plug.d->connect_port(plug.handle, Lv2Ports::AudioOut(c), longOut.data());
  }
  EXPECT_EQ(plug.RunCounted(8192), 0u);
}

TEST(Lv2Host, InstancesInOneGroupShareTheEndOfAnAnalysis)
{
  UridMap map;
  Instance a(map), b(map), outsider(map);
  ASSERT_NE(a.handle, nullptr);
  ASSERT_NE(b.handle, nullptr);
  ASSERT_NE(outsider.handle, nullptr);
  a.params[kGroup] = b.params[kGroup] = 1.0f;
  for (Instance* plug : {&a, &b, &outsider})
  {
    plug->SendSpeed(1.0f);
    plug->Play(4800, 480, 0.25);
  }
  // Only a's transport stops: its "Analyze" goes off, and so does that of b, its group's.
  a.SendSpeed(0.0f);
  a.Play(480, 480, 0.25);
  ASSERT_EQ(a.Notifications().count(kAnalyze), 1u);
  b.Play(480, 480, 0.25);
  outsider.Play(480, 480, 0.25);
  const auto changes = b.Notifications();
  ASSERT_EQ(changes.count(kAnalyze), 1u) << "the group member took the change";
  EXPECT_EQ(changes.at(kAnalyze), 0.0f);
  EXPECT_EQ(outsider.Notifications().count(kAnalyze), 0u) << "an instance in no group keeps its own";
}
