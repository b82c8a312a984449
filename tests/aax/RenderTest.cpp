// The render callback as hosts call it: audio, transport, block sizes, malformed
// contexts, and no allocation.

#include "AaxHarness.h"

#include "AllocationCounter.h"

#include "WDL/IPlug/AAX/AAX_CIPlugParameters.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string>

using namespace aaxtest;

namespace
{
constexpr float kSampleTolerance32 = 1e-6f;

AAX_CIPlugParameters& Params(Plugin& p) { return *p.plug; }

TEST(AaxRender, AStandardAnalysisThenNormalizationBringsASineToTheTarget)
{
  // A new instance applies what its parameters show: analyse while playing, then the
  // gain for the highest level stays applied (default target -12 dBFS, measure dBFS).
  Plugin p;
  const float amplitude = 0.1f;
  Buffers block(2, 480, amplitude);
  p.instance->HostTransport().playing = true;
  for (int n = 0; n < 100; ++n)
    block.render(*p.instance);
  p.instance->HostTransport().playing = false;
  block.render(*p.instance);
  EXPECT_EQ(p.plug->ParamAt(kAnalyze)->Value(), 0.0) << "the stop ended the analysis";
  for (int n = 0; n < 200; ++n)
    block.render(*p.instance);
  EXPECT_NEAR(20.0 * std::log10(block.out[0][479]), -12.0, 0.05);
}

TEST(AaxRender, ContinuousModeBringsASineToTheTarget)
{
  Plugin p;
  // Continuous peak normalization to -6 dBFS of a -20 dBFS sine.
  p->UpdateParameterNormalizedValue("4", 1.0, 0);
  p->UpdateParameterNormalizedValue("3", p.plug->ParamAt(kTargetValue)->ToNormalized(-6.0), 0);
  const double rate = 48000.0;
  const float amplitude = 0.1f;
  p.instance->HostTransport().playing = true;
  Buffers block(2, 512);
  float peak = 0.0f;
  for (int start = 0; start < 5 * 48000; start += 512)
  {
    for (int i = 0; i < 512; ++i)
      block.in[0][static_cast<size_t>(i)] = block.in[1][static_cast<size_t>(i)] =
          amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * 997.0 * (start + i) / rate));
    block.render(*p.instance);
    if (start >= 4 * 48000)
      for (float s : block.out[0])
        peak = std::max(peak, std::fabs(s));
  }
  EXPECT_NEAR(20.0 * std::log10(peak), -6.0, 0.1);
}

TEST(AaxRender, TheTransportIsReadFromTheTransportNode)
{
  Plugin p;
  TransportInfo info;
  p.plug->FetchTransportInfo(&info);
  EXPECT_EQ(info.tempoBpm, 120.0) << "before the first render";
  EXPECT_FALSE(info.transportRunning);
  EXPECT_EQ(p.plug->SamplePosition(), 0);

  aaxhost::Transport& transport = p.instance->HostTransport();
  transport.tempoBpm = 96.0;
  transport.numerator = 7;
  transport.denominator = 8;
  transport.playing = true;
  transport.sample = 44100;
  transport.ticks = 1920000;
  transport.looping = true;
  transport.loopStartTicks = 960000;
  transport.loopEndTicks = 4 * 960000;
  Buffers block(2, 64);
  block.render(*p.instance);
  transport.sample = 44100;
  transport.ticks = 1920000; // back to where the block started
  p.plug->FetchTransportInfo(&info);
  EXPECT_EQ(info.ppqPosition, 2.0);
  EXPECT_EQ(info.tempoBpm, 96.0);
  EXPECT_EQ(info.samplePosition, 44100.0);
  EXPECT_EQ(info.timeSigNumerator, 7);
  EXPECT_EQ(info.timeSigDenominator, 8);
  EXPECT_TRUE(info.transportRunning);
  EXPECT_TRUE(info.loopEnabled);
  EXPECT_EQ(info.cycleStartQuarters, 1.0);
  EXPECT_EQ(info.cycleEndQuarters, 4.0);
  EXPECT_EQ(p.plug->SamplePosition(), 44100);
}

// Renders a block of more than twice the prepared size, with a different signal on each
// side, processed and then bypassed, in an instance of its own, and ends the programme:
// with 0 and "every frame in place" when every frame came out where it went in, on its
// own side, and nothing was written past the block's end; else with 1 and the first
// frame that did not.
[[noreturn]] void RenderALongBlockAndExit()
{
  const int frames = IPlugAAX::kHostMaxBlockFrames * 2 + 100;
  constexpr int kGuard = 64;
  constexpr float kSentinel = -7.0f;
  std::vector<float> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i)
  {
    left[static_cast<size_t>(i)] = 0.5f * static_cast<float>(std::sin(0.001 * i));
    right[static_cast<size_t>(i)] = -0.25f + 0.5f * static_cast<float>(i) / static_cast<float>(frames);
  }
  std::string problem;
  {
    Plugin p;
    p.plug->ParamAt(kNormalize)->SetValue(0.0);
    p.plug->ParamChanged(kNormalize, kSourceHost);
    for (bool bypassed : {false, true})
    {
      p->UpdateParameterNormalizedValue(kBypassId, bypassed ? 1.0 : 0.0, 0);
      std::vector<float> outLeft(static_cast<size_t>(frames + kGuard), kSentinel);
      std::vector<float> outRight(static_cast<size_t>(frames + kGuard), kSentinel);
      const float* in[2] = {left.data(), right.data()};
      float* out[2] = {outLeft.data(), outRight.data()};
      p.instance->Render(in, out, frames);
      for (int i = 0; i < frames + kGuard && problem.empty(); ++i)
      {
        const size_t f = static_cast<size_t>(i);
        const float wantLeft = i < frames ? left[f] : kSentinel, wantRight = i < frames ? right[f] : kSentinel;
        if (std::fabs(outLeft[f] - wantLeft) > kSampleTolerance32 || std::fabs(outRight[f] - wantRight) > kSampleTolerance32)
          problem = std::string(bypassed ? "bypassed" : "processed") + ", frame " + std::to_string(i) + " of " +
                    std::to_string(frames) + ": " + std::to_string(outLeft[f]) + ", " + std::to_string(outRight[f]) +
                    " instead of " + std::to_string(wantLeft) + ", " + std::to_string(wantRight);
      }
      if (!problem.empty())
      {
        // Said at once: after an overrun, freeing memory can end the programme.
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::fflush(stderr);
        std::_Exit(1);
      }
    }
    if (problem.empty() && p.plug->BlockSize() != IPlugAAX::kHostMaxBlockFrames)
      problem = "the prepared size changed to " + std::to_string(p.plug->BlockSize());
    std::fprintf(stderr, "%s\n", problem.empty() ? "every frame in place" : problem.c_str());
    std::fflush(stderr);
  }
  std::_Exit(problem.empty() ? 0 : 1);
}

// A block longer than the prepared size is processed in pieces of it. In one piece it
// would overrun the buffers sized for the prepared size, which shows as frames out of
// place or ends the programme: either way this fails as an assertion, in a programme of
// its own, also without a sanitizer.
TEST(AaxRender, EveryFrameOfABlockLongerThanThePreparedSizeComesOutInPlace)
{
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(RenderALongBlockAndExit(), ::testing::ExitedWithCode(0), "every frame in place");
}

TEST(AaxRender, ALongerBlockAfterShorterOnesNeitherAllocatesNorRestartsTheMeasurement)
{
  // Continuous "LUFS Int." of a steady sine: a host that sends a longer block than any
  // before must not resize on the audio thread, which allocated and restarted the
  // detectors (the reading fell from about -15 to about -49).
  Plugin p;
  p->UpdateParameterNormalizedValue("2", p.plug->ParamAt(kMeasure)->ToNormalized(4.0), 0); // "LUFS Int."
  p->UpdateParameterNormalizedValue("4", 1.0, 0);                                          // Continuous
  p.instance->HostTransport().playing = true;
  const double rate = 48000.0;
  int64_t position = 0;
  auto fill = [&](Buffers& block) {
    for (int i = 0; i < block.frames(); ++i, ++position)
      block.in[0][static_cast<size_t>(i)] = block.in[1][static_cast<size_t>(i)] =
          0.25f * static_cast<float>(std::sin(2.0 * std::numbers::pi * 997.0 * static_cast<double>(position) / rate));
  };
  Buffers shortBlock(2, 256);
  for (int n = 0; n < 600; ++n)
  {
    fill(shortBlock);
    shortBlock.render(*p.instance);
  }
  const double before = p.plug->MeasuredLevel();
  ASSERT_GT(before, -20.0);
  size_t allocations = 0;
  for (int frames : {1024, 4096, 4096 + 300, 3 * 4096})
  {
    Buffers longBlock(2, frames);
    fill(longBlock);
    AllocationScope scope;
    longBlock.render(*p.instance);
    allocations += scope.count();
  }
  EXPECT_EQ(allocations, 0u);
  EXPECT_NEAR(p.plug->MeasuredLevel(), before, 0.5) << "the measurement carried on";
}

TEST(AaxRender, BlocksLongerThanThePreparedSizeAreProcessedWhole)
{
  Plugin p;
  const int longFrames = IPlugAAX::kHostMaxBlockFrames * 2 + 100;
  Buffers longBlock(2, longFrames, 0.25f);
  p->UpdateParameterNormalizedValue(kBypassId, 1.0, 0); // bypassed: output = input, easy to check
  longBlock.render(*p.instance);
  EXPECT_EQ(longBlock.out[1][static_cast<size_t>(longFrames - 1)], 0.25f);
  p->UpdateParameterNormalizedValue(kBypassId, 0.0, 0);
  p.plug->ParamAt(kNormalize)->SetValue(0.0);
  p.plug->ParamChanged(kNormalize, kSourceHost);
  longBlock.render(*p.instance);
  EXPECT_NEAR(longBlock.out[0][static_cast<size_t>(longFrames - 1)], 0.25f, kSampleTolerance32);
  EXPECT_EQ(p.plug->BlockSize(), IPlugAAX::kHostMaxBlockFrames);
}

TEST(AaxRender, TheMonoComponentUsesOneChannelEachWay)
{
  Plugin p(kMonoComponent);
  ASSERT_EQ(p.instance->InputChannels(), 1);
  p.plug->ParamAt(kNormalize)->SetValue(0.0);
  p.plug->ParamChanged(kNormalize, kSourceHost);
  Buffers block(1, 256, 0.5f);
  block.render(*p.instance);
  EXPECT_TRUE(p.plug->InputChannelConnected(0));
  EXPECT_FALSE(p.plug->InputChannelConnected(1));
  EXPECT_FALSE(p.plug->OutputChannelConnected(1));
  EXPECT_NEAR(block.out[0][200], 0.5f, kSampleTolerance32);
}

TEST(AaxRender, MalformedContextsAreRefusedWithoutTouchingTheOutputs)
{
  Plugin p;
  Buffers block(2, 128, 0.25f);
  AAX_SIPlugPrivateData self{p.plug};
  int32_t frames = 128;
  AAX_SIPlugRenderInfo info{};
  info.inputs = const_cast<float**>(block.inPointers.data());
  info.outputs = block.outPointers.data();
  info.bufferLength = &frames;
  info.privateData = &self;
  EXPECT_EQ(Params(p).RenderAudio(nullptr), AAX_ERROR_NULL_ARGUMENT);
  info.bufferLength = nullptr;
  EXPECT_EQ(Params(p).RenderAudio(&info), AAX_ERROR_NULL_ARGUMENT);
  info.bufferLength = &frames;
  info.outputs = nullptr;
  EXPECT_EQ(Params(p).RenderAudio(&info), AAX_ERROR_NULL_ARGUMENT);
  info.outputs = block.outPointers.data();
  info.inputs = nullptr;
  EXPECT_EQ(Params(p).RenderAudio(&info), AAX_ERROR_NULL_ARGUMENT);
  info.inputs = const_cast<float**>(block.inPointers.data());
  frames = -1;
  EXPECT_EQ(Params(p).RenderAudio(&info), AAX_ERROR_INVALID_ARGUMENT);
  frames = 0;
  EXPECT_EQ(Params(p).RenderAudio(&info), AAX_SUCCESS);
  for (const auto& channel : block.out)
    EXPECT_EQ(channel[0], -7.0f);
  // No transport node: the timing reads as stopped, the block is processed.
  frames = 128;
  EXPECT_EQ(Params(p).RenderAudio(&info), AAX_SUCCESS);
  EXPECT_NE(block.out[0][0], -7.0f);

  // The render callback skips contexts without an instance.
  void* contexts[2] = {nullptr, p.instance->Context().data()};
  std::vector<void*> empty(p.instance->Context().size(), nullptr);
  contexts[0] = empty.data();
  p.instance->RenderProc()(contexts, contexts + 2);
  p.instance->RenderProc()(nullptr, nullptr);
}

TEST(AaxRender, NothingIsRenderedBeforeInitializeOrAfterUninitialize)
{
  Described d;
  ASSERT_TRUE(d.module);
  auto* created = reinterpret_cast<IACFUnknown*>(d.effect().Proc(kAAX_ProcPtrID_Create_EffectParameters)());
  ASSERT_NE(created, nullptr);
  created->AddRef();
  TavrikQuenmark* plug = PlugOf(reinterpret_cast<aaxhost::abi::IACFUnknown*>(created));
  ASSERT_NE(plug, nullptr);
  EXPECT_EQ(plug->HostCode(), LookUpHostCode("ProTools"));
  Buffers block(2, 64, 0.25f);
  int32_t frames = 64;
  AAX_SIPlugPrivateData self{plug};
  AAX_SIPlugRenderInfo info{};
  info.inputs = const_cast<float**>(block.inPointers.data());
  info.outputs = block.outPointers.data();
  info.bufferLength = &frames;
  info.privateData = &self;
  EXPECT_EQ(plug->RenderAudio(&info), AAX_ERROR_NOT_INITIALIZED);
  EXPECT_EQ(block.out[0][0], -7.0f);
  EXPECT_EQ(plug->Initialize(nullptr), AAX_ERROR_NOT_INITIALIZED);
  EXPECT_EQ(created->Release(), 0u);

  // After Uninitialize the instance is still called safely, and answers as before.
  Plugin p;
  ASSERT_TRUE(p.plug);
  info.privateData = nullptr;
  self.plugin = p.plug;
  info.privateData = &self;
  ASSERT_EQ(p->Uninitialize(), AAX_SUCCESS);
  EXPECT_EQ(p.plug->RenderAudio(&info), AAX_ERROR_NOT_INITIALIZED);
  EXPECT_EQ(block.out[0][0], -7.0f);
  EXPECT_EQ(p->UpdateParameterNormalizedValue("1", 0.5, 0), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(p->SetParameterNormalizedValue("1", 0.5), AAX_ERROR_INVALID_PARAMETER_ID);
  EXPECT_EQ(p.instance->HostAutomation().Registered(), std::vector<std::string>{}) << "each one withdrawn";
}

TEST(AaxRender, RenderingAllocatesNothingFromTheFirstBlockOn)
{
  Plugin p;
  p->UpdateParameterNormalizedValue("4", 1.0, 0);
  Buffers block(2, 512, 0.1f);
  p.instance->HostTransport().playing = true;
  size_t allocations = 0;
  for (int round = 0; round < 20; ++round)
  {
    if (round == 10)
      p.instance->HostTransport().playing = false; // a stop reports to the host from the render
    AllocationScope scope;
    block.render(*p.instance);
    allocations += scope.count();
  }
  EXPECT_EQ(allocations, 0u);
}
} // namespace
