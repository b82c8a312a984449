#include "AllocationCounter.h"
#include "Harness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
std::string hostText(TavrikQuenmark& plug, int index, double plain)
{
  char text[64];
  plug.ParamAt(index)->FormatForHost(plain, false, text, sizeof text);
  return text;
}

double peakOf(const std::vector<double>& block)
{
  double peak = 0.0;
  for (double x : block)
    peak = std::max(peak, std::fabs(x));
  return peak;
}
}

TEST(ProductParameters, TableInIndexOrder)
{
  Harness h;
  struct Row
  {
    const char* name;
    double min, max, defaultValue;
    EParamKind kind;
  };
  const Row rows[kParamCount] = {
      {"Gain", -60, 60, 0, kKindDouble},         {"Measure", 0, 5, 0, kKindEnum},
      {"Target Value", -60, 30, -12, kKindDouble}, {"Mode", 0, 1, 0, kKindEnum},
      {"Analyze", 0, 1, 1, kKindBool},           {"Normalize", 0, 1, 1, kKindBool},
      {"Group", 0, 8, 0, kKindEnum},             {"Gate", -90, 0, -60, kKindDouble},
  };
  ASSERT_EQ(h->ParamCount(), kParamCount);
  for (int i = 0; i < kParamCount; ++i)
  {
    const IPlugParam* p = h->ParamAt(i);
    EXPECT_STREQ(p->Name(), rows[i].name);
    EXPECT_EQ(p->Min(), rows[i].min) << rows[i].name;
    EXPECT_EQ(p->Max(), rows[i].max) << rows[i].name;
    EXPECT_EQ(p->Kind(), rows[i].kind) << rows[i].name;
    EXPECT_EQ(p->Step(), 0.1) << rows[i].name;
    EXPECT_EQ(p->Shape(), 1.0) << rows[i].name;
    EXPECT_EQ(p->DisplayPrecision(), 1) << rows[i].name;
    EXPECT_TRUE(p->CanAutomate());
  }
  EXPECT_EQ(h.value(kTargetValue), -12.0);
  EXPECT_EQ(h.value(kAnalyze), 1.0);
  EXPECT_STREQ(h->ParamAt(kGain)->Label(), "dB");

  EXPECT_EQ(hostText(*h, kMeasure, 0), "dBFS");
  EXPECT_EQ(hostText(*h, kMeasure, 1), "VU (-18)");
  EXPECT_EQ(hostText(*h, kMeasure, 5), "LUFS Shrt.");
  EXPECT_EQ(hostText(*h, kMode, 1), "Continuous");
  EXPECT_EQ(hostText(*h, kGroup, 0), "No Group");
  EXPECT_EQ(hostText(*h, kGroup, 8), "Group 8");
  EXPECT_EQ(hostText(*h, kAnalyze, 0), "off");
  EXPECT_EQ(hostText(*h, kGate, -30.55), "-30.6");
}

TEST(ProductParameters, MeasureSetsTheTargetUnitAndKeepsItsValueAsDefault)
{
  Harness h;
  h.hostSets(kTargetValue, -20.0);
  h.hostSets(kMeasure, 3);
  const IPlugParam* target = h->ParamAt(kTargetValue);
  EXPECT_STREQ(target->Label(), "LUFS");
  EXPECT_NEAR(target->Default(), -20.0, 1e-9);
  EXPECT_NEAR(target->Value(), -20.0, 1e-9);
  h.hostSets(kMeasure, 1);
  EXPECT_STREQ(target->Label(), "VU");
  h.hostSets(kMeasure, 0);
  EXPECT_STREQ(target->Label(), "dBFS");
}

TEST(ProductParameters, HalfwayBooleansReadAsOnButShowOff)
{
  Harness h;
  h->ParamAt(kNormalize)->SetFromNormalized(0.5);
  EXPECT_EQ(h.value(kNormalize), 0.5);
  EXPECT_EQ(hostText(*h, kNormalize, 0.5), "off");
  h->ParamChanged(kNormalize, kSourceHost);
  h->ParamAt(kAnalyze)->SetValue(0.0);
  h->ParamChanged(kAnalyze, kSourceHost);
  h.hostSets(kGain, 6.0);
  std::vector<double> left(512, 0.1), right(512, 0.1);
  h.process(left, right);
  EXPECT_NEAR(left[10], 0.1 * 1.9953, 1e-4) << "Normalize at 0.5 counts as on";
}

TEST(ProductProcessing, StandardAnalysisNormalizesAndReportsTheGain)
{
  Harness h;
  h.setTransport(true);
  h.hostSets(kGate, -60.0);
  h.hostSets(kTargetValue, -12.0);
  h.sine(-20.0, 400);
  EXPECT_NEAR(h.value(kGain), 8.0, 1e-6) << "Gain shows the engine's gain";
  EXPECT_NEAR(h->ReadoutValues().gainDb(), 8.0, 1e-6);
  EXPECT_NEAR(h->ReadoutValues().level(), -20.0, 0.01);
  EXPECT_EQ(Readouts::LevelText(h->ReadoutValues().level()), "-20.0");
  EXPECT_EQ(Readouts::UnitText(h->ReadoutValues().measure(), h->ReadoutValues().level()), "dBFS");
  EXPECT_EQ(Readouts::GainText(h->ReadoutValues().gainDb()), "+8.0 dB");
  const std::vector<double> out = h.sine(-20.0, 200);
  EXPECT_NEAR(peakOf(out), std::pow(10.0, -12.0 / 20.0), 2e-3) << "output peaks at the target";
}

TEST(ProductProcessing, FixedGainFromTheHostWithAnalyzeOff)
{
  Harness h;
  h.hostSets(kAnalyze, 0.0);
  h.hostSets(kGain, 6.0);
  std::vector<double> left(512, 0.25), right(512, -0.25);
  h.process(left, right);
  EXPECT_NEAR(left[0], 0.25 * 1.9953, 1e-4);
  EXPECT_NEAR(right[511], -0.25 * 1.9953, 1e-4);
  EXPECT_EQ(Readouts::GainText(h->ReadoutValues().gainDb()), "+6.0 dB");
}

TEST(ProductProcessing, BothOffPassesAudioUnchanged)
{
  Harness h;
  h.hostSets(kAnalyze, 0.0);
  h.hostSets(kNormalize, 0.0);
  h.hostSets(kGain, 6.0);
  std::vector<double> left(512, 0.25), right(512, -0.125);
  h.process(left, right);
  EXPECT_EQ(left[3], 0.25);
  EXPECT_EQ(right[3], -0.125);
  EXPECT_NEAR(h->ReadoutValues().gainDb(), 6.0, 1e-9) << "the gain readout is still refreshed";
}

TEST(ProductProcessing, ContinuousModeForcesNormalizeAndIgnoresAnalyzeAndNormalize)
{
  Harness h;
  h.hostSets(kMode, 1.0);
  h.hostSets(kNormalize, 0.0);
  h.hostSets(kAnalyze, 0.0);
  EXPECT_EQ(h.value(kNormalize), 0.0) << "the stored value changes";
  h.setTransport(true);
  h.sine(-30.0, 300);
  EXPECT_NEAR(h->ReadoutValues().level(), -30.0, 0.01) << "the engine still runs";
  EXPECT_NEAR(h.value(kGain), 18.0, 1e-6);

  h.hostSets(kMode, 0.0);
  h.sine(-30.0, 2);
  std::vector<double> left(512, 0.1), right(512, 0.1);
  h.process(left, right);
  EXPECT_EQ(left[0], 0.1) << "back in Standard mode the normalize flag is clear until Normalize changes";
}

TEST(ProductProcessing, TransportStopEndsTheAnalysis)
{
  Harness h;
  h.sine(-20.0, 4);
  EXPECT_EQ(h.value(kAnalyze), 1.0) << "a transport that never ran stops nothing";

  h.setTransport(true);
  h.sine(-20.0, 40);
  h->changes.clear();
  h.setTransport(false);
  h.sine(-10.0, 1);
  EXPECT_EQ(h.value(kAnalyze), 0.0);
  ASSERT_FALSE(h->changes.empty());
  EXPECT_EQ(h->changes.front().index, kAnalyze);
  EXPECT_EQ(h->changes.front().source, kSourceInternal);
  const double gain = h.value(kGain);
  EXPECT_NEAR(gain, 8.0, 1e-6) << "the louder block after the stop is not measured";

  std::vector<double> left(512, 0.1), right(512, 0.1);
  h.process(left, right);
  EXPECT_NEAR(left[0], 0.1 * std::pow(10.0, gain / 20.0), 1e-6) << "with Normalize on the gain stays applied";
}

TEST(ProductProcessing, AGainThatSettledIsReportedAtOnceAndAMovingOneAFewTimesASecond)
{
  // Hosts store what they were told and send it back when a session is reopened: the
  // gain the analysis reached must be what they hold. While the gain moves, the host's
  // view follows it a few times a second, never every block.
  Harness h;
  const auto gainReports = [&h] {
    std::vector<double> reported;
    for (const TestBinding::Edit& edit : h->edits)
      if (edit.index == kGain)
        reported.push_back(edit.normalized);
    h->edits.clear();
    return reported;
  };
  h->edits.clear();
  h.setTransport(true);
  for (int step = 0; step < 12; ++step)
    h.sine(-31.0 + step, 10); // a swell, 1.28 s of 512-frame blocks: the gain falls all along
  const std::vector<double> moving = gainReports();
  EXPECT_GE(moving.size(), 3u) << "the host's view follows a moving gain";
  EXPECT_LE(moving.size(), 6u) << "at most four reports a second";

  h.setTransport(false);
  h.sine(-20.0, 3);
  const std::vector<double> settled = gainReports();
  ASSERT_LE(settled.size(), 1u);
  ASSERT_FALSE(moving.empty());
  EXPECT_EQ(settled.empty() ? moving.back() : settled.back(), h->ParamAt(kGain)->ToNormalized())
      << "once the analysis ends, the host holds the gain it reached";

  h.hostSets(kTargetValue, -16.0); // the kept level, a new target: a new settled gain
  h.sine(-20.0, 2);
  const std::vector<double> retargeted = gainReports();
  ASSERT_EQ(retargeted.size(), 1u);
  EXPECT_NEAR(h.value(kGain), 4.0, 1e-4) << "-16 for a level of -20";
  EXPECT_NEAR(-60.0 + 120.0 * retargeted[0], h.value(kGain), 1e-9);
}

TEST(ProductProcessing, ZeroFramesOnlyRunsTheTransportEdge)
{
  Harness h;
  h.setTransport(true);
  h.sine(-20.0, 2);
  h.setTransport(false);
  std::vector<double> none;
  std::lock_guard<std::recursive_mutex> lock(h->Mutex());
  double* channels[2] = {nullptr, nullptr};
  h->BindInputBuffers(0, 2, channels, 0);
  h->BindOutputBuffers(0, 2, channels);
  h->RunProcessing(0);
  EXPECT_EQ(h.value(kAnalyze), 0.0);
}

TEST(ProductProcessing, MonoUsesChannelZeroTwiceAndWritesOneOutput)
{
  Harness h;
  h.hostSets(kAnalyze, 0.0);
  h.hostSets(kGain, -6.0);
  h->ConnectInputChannels(1, 1, false);
  h->ConnectOutputChannels(1, 1, false);
  std::vector<double> in(256, 0.5), out(256, 7.0), untouched(256, 7.0);
  double* inputs[1] = {in.data()};
  double* outputs[1] = {out.data()};
  std::lock_guard<std::recursive_mutex> lock(h->Mutex());
  h->BindInputBuffers(0, 2, inputs, 256);
  h->BindOutputBuffers(0, 2, outputs);
  h->RunProcessing(256);
  EXPECT_NEAR(out[100], 0.5 * 0.501187, 1e-6) << "gained once";
}

TEST(ProductProcessing, ThirtyTwoAndSixtyFourBitAgree)
{
  Harness h64, h32;
  for (Harness* h : {&h64, &h32})
  {
    h->setTransport(true);
    h->hostSets(kMeasure, 1);
  }
  std::vector<double> left(512), right(512);
  std::vector<float> left32(512), right32(512), out32L(512), out32R(512);
  for (int b = 0; b < 50; ++b)
  {
    for (int i = 0; i < 512; ++i)
    {
      const float x = static_cast<float>(0.2 * std::sin(0.05 * (b * 512 + i)));
      left[static_cast<size_t>(i)] = right[static_cast<size_t>(i)] = x;
      left32[static_cast<size_t>(i)] = right32[static_cast<size_t>(i)] = x;
    }
    h64.process(left, right);
    float* in[2] = {left32.data(), right32.data()};
    float* out[2] = {out32L.data(), out32R.data()};
    std::lock_guard<std::recursive_mutex> lock(h32->Mutex());
    h32->BindInputBuffers(0, 2, in, 512);
    h32->BindOutputBuffers(0, 2, out);
    h32->RunProcessing(512);
  }
  for (int i = 0; i < 512; ++i)
    ASSERT_NEAR(out32L[static_cast<size_t>(i)], left[static_cast<size_t>(i)], 1e-6);
  EXPECT_EQ(h32->ReadoutValues().level(), h64->ReadoutValues().level());
}

TEST(ProductProcessing, BlocksLongerThanAnnouncedAreProcessedInPieces)
{
  Harness whole(128), pieces(128);
  for (Harness* h : {&whole, &pieces})
  {
    h->setTransport(true);
    h->hostSets(kMeasure, 2);
  }
  std::vector<double> a(1000), b(1000);
  for (int i = 0; i < 1000; ++i)
    a[static_cast<size_t>(i)] = 0.3 * std::sin(0.01 * i);
  b = a;
  std::vector<double> a2 = a, b2 = b;
  whole.process(a, a2); // 1000 frames, announced 128
  for (int start = 0; start < 1000; start += 128)
  {
    const int n = std::min(128, 1000 - start);
    std::vector<double> l(b.begin() + start, b.begin() + start + n), r = l;
    pieces.process(l, r);
    std::copy(l.begin(), l.end(), b.begin() + start);
  }
  EXPECT_EQ(a, b);
}

TEST(ProductProcessing, TailIsLongOnlyInTheHostNamedLogic)
{
  Harness logic(512, 48000.0, "Logic Pro X");
  EXPECT_EQ(logic->TailLength(), 16777215);
  Harness other(512, 48000.0, "Some Host");
  EXPECT_EQ(other->TailLength(), 0);
}

TEST(ProductProcessing, AllocatesNothingPerBlock)
{
  for (int measure = 0; measure < 6; ++measure)
  {
    Harness h;
    h.setTransport(true);
    h.hostSets(kMeasure, measure);
    std::vector<double> left(512, 0.1), right(512, 0.1), outL(512), outR(512);
    std::vector<float> left32(512, 0.1f), right32(512, 0.1f), out32L(512), out32R(512);
    double* in[2] = {left.data(), right.data()};
    double* out[2] = {outL.data(), outR.data()};
    float* in32[2] = {left32.data(), right32.data()};
    float* out32[2] = {out32L.data(), out32R.data()};
    std::lock_guard<std::recursive_mutex> lock(h->Mutex());
    h->BindInputBuffers(0, 2, in, 512);
    h->BindOutputBuffers(0, 2, out);
    h->RunProcessing(512); // the integrated state's first history block is the library's own
    AllocationScope scope;
    for (int b = 0; b < 10; ++b)
    {
      h->BindInputBuffers(0, 2, in, 512);
      h->BindOutputBuffers(0, 2, out);
      h->RunProcessing(512);
      h->BindInputBuffers(0, 2, in32, 512);
      h->BindOutputBuffers(0, 2, out32);
      h->RunProcessing(512);
    }
    EXPECT_EQ(scope.count(), 0u) << "measure " << measure;
  }
}

TEST(Readouts, TextsShowSignOneDecimalAndMinusInfinity)
{
  EXPECT_EQ(Readouts::LevelText(-12.34), "-12.3");
  EXPECT_EQ(Readouts::LevelText(0.5), "+0.5");
  EXPECT_EQ(Readouts::LevelText(-99.0), "-INF");
  EXPECT_EQ(Readouts::LevelText(-std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_EQ(Readouts::UnitText(4, -99.0), "");
  EXPECT_EQ(Readouts::UnitText(5, -20.0), "LUFS");
  EXPECT_EQ(Readouts::UnitText(1, -20.0), "VU");
  EXPECT_EQ(Readouts::GainText(-std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_EQ(Readouts::GainText(-98.96), "-99.0 dB");
  EXPECT_EQ(Readouts::GainText(0.04), "+0.0 dB");
}

TEST(ProductProcessing, LeavesTheHostsInputBuffersAsTheyCame)
{
  Harness h;
  h.hostSets(kAnalyze, 0.0);
  h.hostSets(kGain, -6.0);
  std::vector<double> left(256, 0.5), right(256, -0.5), outL(256), outR(256);
  double* in[2] = {left.data(), right.data()};
  double* out[2] = {outL.data(), outR.data()};
  std::lock_guard<std::recursive_mutex> lock(h->Mutex());
  h->BindInputBuffers(0, 2, in, 256);
  h->BindOutputBuffers(0, 2, out);
  h->RunProcessing(256);
  EXPECT_EQ(left[17], 0.5);
  EXPECT_EQ(right[17], -0.5);
  EXPECT_NEAR(outL[17], 0.5 * 0.501187, 1e-6);
  EXPECT_NEAR(outR[17], -0.5 * 0.501187, 1e-6);

  // In place (outputs are the inputs) works as well.
  h->BindInputBuffers(0, 2, in, 256);
  h->BindOutputBuffers(0, 2, in);
  h->RunProcessing(256);
  EXPECT_NEAR(left[17], 0.5 * 0.501187, 1e-6);
}
