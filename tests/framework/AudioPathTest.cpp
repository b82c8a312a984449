#include "TestPlug.h"

#include "AllocationCounter.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace
{
constexpr float kSentinel = -7.0f;

// Doubles every input sample into its output and logs each call, without allocating.
class AudioPlug : public TestPlug
{
public:
  explicit AudioPlug(const char* channelIO = "1-1 2-2") : TestPlug(1, channelIO) {}

  void ProcessAudio(double** inputs, double** outputs, int frames) override
  {
    if (calls < kLogged)
    {
      callFrames[calls] = frames;
      callInput0[calls] = inputs[0];
    }
    ++calls;
    for (int c = 0; c < NOutChannels(); ++c)
      for (int s = 0; s < frames; ++s)
        outputs[c][s] = 2.0 * inputs[c][s];
    // Processing in place, as the product does, leaves its marks in the inputs.
    for (int c = 0; c < NInChannels(); ++c)
      for (int s = 0; s < frames; ++s)
        inputs[c][s] = 99.0;
  }

  void ConnectAll()
  {
    ConnectInputChannels(0, NInChannels(), true);
    ConnectOutputChannels(0, NOutChannels(), true);
  }

  static constexpr int kLogged = 8;
  int calls = 0;
  std::array<int, kLogged> callFrames{};
  std::array<double*, kLogged> callInput0{};
};

std::vector<double> Ramp(int frames, double start)
{
  std::vector<double> samples(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i)
    samples[static_cast<std::size_t>(i)] = start + 0.25 * i;
  return samples;
}

std::vector<float> RampFloat(int frames, float start)
{
  std::vector<float> samples(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i)
    samples[static_cast<std::size_t>(i)] = start + 0.25f * static_cast<float>(i);
  return samples;
}
}

TEST(AudioPath, DisconnectedInputReadsZeroedScratchEveryBlock)
{
  AudioPlug plug;
  plug.SetBlockFrames(8);
  plug.ConnectAll();
  plug.ConnectInputChannels(1, 1, false);
  std::vector<double> left = Ramp(8, 1.0), unused = Ramp(8, 5.0), out0(8), out1(8, 3.0);
  double* ins[] = {left.data(), unused.data()};
  double* outs[] = {out0.data(), out1.data()};
  const std::vector<double> ramp = Ramp(8, 1.0);
  for (int block = 0; block < 2; ++block)
  {
    std::copy(ramp.begin(), ramp.end(), left.begin()); // the plug-in wrote into it
    plug.BindInputBuffers(0, 2, ins, 8);
    plug.BindOutputBuffers(0, 2, outs);
    plug.RunProcessing(8);
    EXPECT_EQ(plug.callInput0[static_cast<std::size_t>(block)], left.data()) << "channel 0 takes the first pointer";
    EXPECT_EQ(out0[7], 2.0 * (1.0 + 0.25 * 7));
    for (double sample : out1)
      ASSERT_EQ(sample, 0.0) << "block " << block;
  }
  EXPECT_EQ(unused[0], 5.0) << "the disconnected channel consumed no pointer";

  // A connected channel bound to no buffer reads silence, even where an earlier 32-bit
  // block left samples in its scratch.
  std::vector<float> loud(8, 1.0f);
  float* ins32[] = {loud.data()};
  plug.BindInputBuffers(0, 1, ins32, 8);
  plug.BindOutputBuffers(0, 2, outs);
  plug.RunProcessing(8);
  ASSERT_EQ(out0[0], 2.0);
  double* none[] = {nullptr};
  plug.BindInputBuffers(0, 1, none, 8);
  plug.BindOutputBuffers(0, 2, outs);
  plug.RunProcessing(8);
  EXPECT_EQ(out0[0], 0.0);

  // Only connected channels take pointers: with channel 0 disconnected, channel 1
  // takes the first.
  plug.ConnectInputChannels(0, 2, true);
  plug.ConnectInputChannels(0, 1, false);
  std::vector<double> right = Ramp(8, 2.0);
  double* rightOnly[] = {right.data()};
  plug.BindInputBuffers(0, 2, rightOnly, 8);
  plug.BindOutputBuffers(0, 2, outs);
  plug.RunProcessing(8);
  EXPECT_EQ(out0[0], 0.0);
  EXPECT_EQ(out1[0], 4.0);
}

TEST(AudioPath, HostBuffersAreProcessedDirectlyOnlyWhenEveryChannelHasOne)
{
  AudioPlug plug;
  plug.SetBlockFrames(8);
  plug.ConnectAll();
  std::vector<double> left = Ramp(8, 1.0), right = Ramp(8, -1.0), out0(8, 3.0), out1(8, 3.0);
  double* ins[] = {left.data(), right.data()};
  double* outs[] = {out0.data(), out1.data()};
  ASSERT_TRUE(plug.RunProcessingOnHostBuffers(ins, 2, outs, 2, 8));
  EXPECT_EQ(plug.callInput0[0], left.data()) << "the plug-in reads the host's buffer";
  EXPECT_EQ(out0[7], 2.0 * (1.0 + 0.25 * 7));
  EXPECT_EQ(out1[0], -2.0);
  EXPECT_EQ(ins[0], left.data()) << "the host's pointer array stays as it was";

  // Anything else is left to the bindings and RunProcessing, and nothing is processed.
  left = Ramp(8, 1.0);
  std::fill(out0.begin(), out0.end(), 3.0);
  EXPECT_FALSE(plug.RunProcessingOnHostBuffers(ins, 2, outs, 2, 9)) << "longer than the block size";
  EXPECT_FALSE(plug.RunProcessingOnHostBuffers(ins, 2, outs, 2, 0)) << "no frames";
  EXPECT_FALSE(plug.RunProcessingOnHostBuffers(ins, 1, outs, 2, 8)) << "a channel without a buffer";
  double* missing[] = {left.data(), nullptr};
  EXPECT_FALSE(plug.RunProcessingOnHostBuffers(missing, 2, outs, 2, 8)) << "a null buffer";
  plug.ConnectOutputChannels(1, 1, false);
  EXPECT_FALSE(plug.RunProcessingOnHostBuffers(ins, 2, outs, 2, 8)) << "a disconnected channel";
  EXPECT_EQ(plug.calls, 1);
  EXPECT_EQ(out0[0], 3.0);
}

TEST(AudioPath, ThirtyTwoBitBlockWritesExactlyFramesSamples)
{
  AudioPlug plug;
  plug.SetBlockFrames(8);
  plug.ConnectAll();
  std::vector<float> in0 = RampFloat(5, 1.0f), in1 = RampFloat(5, -1.0f);
  std::vector<float> out0(9, kSentinel), out1(9, kSentinel);
  float* ins[] = {in0.data(), in1.data()};
  float* outs[] = {out0.data(), out1.data()};
  plug.BindInputBuffers(0, 2, ins, 5);
  plug.BindOutputBuffers(0, 2, outs);
  plug.RunProcessing(5);
  for (int s = 0; s < 5; ++s)
  {
    EXPECT_EQ(out0[static_cast<std::size_t>(s)], 2.0f * in0[static_cast<std::size_t>(s)]);
    EXPECT_EQ(out1[static_cast<std::size_t>(s)], 2.0f * in1[static_cast<std::size_t>(s)]);
  }
  for (int s = 5; s < 9; ++s)
    EXPECT_EQ(out0[static_cast<std::size_t>(s)], kSentinel) << "sample " << s;
  EXPECT_EQ(in0[0], 1.0f) << "the host's 32-bit input is read, never written";

  // A run longer than the bound 32-bit input reads no further than the host said.
  std::vector<float> shortInput(5, 1.0f); // the host announces only 3
  float* shortIns[] = {shortInput.data(), shortInput.data()};
  plug.BindInputBuffers(0, 2, shortIns, 3);
  plug.BindOutputBuffers(0, 2, outs);
  plug.RunProcessing(5);
  EXPECT_EQ(out0[2], 2.0f);
  EXPECT_EQ(out0[4], 0.0f);
}

TEST(AudioPath, OverlongBlocksRunInChunksOfTheBlockSize)
{
  constexpr int kFrames = 10;
  const std::vector<double> source = Ramp(kFrames, 0.5);
  {
    AudioPlug plug;
    plug.SetBlockFrames(4);
    plug.ConnectAll();
    std::vector<double> in0 = source, in1 = source, out0(kFrames), out1(kFrames);
    double* ins[] = {in0.data(), in1.data()};
    double* outs[] = {out0.data(), out1.data()};
    plug.BindInputBuffers(0, 2, ins, kFrames);
    plug.BindOutputBuffers(0, 2, outs);
    plug.RunProcessing(kFrames);
    ASSERT_EQ(plug.calls, 3);
    EXPECT_EQ(plug.callFrames[0], 4);
    EXPECT_EQ(plug.callFrames[2], 2);
    EXPECT_EQ(plug.callInput0[1], in0.data() + 4) << "64-bit chunks advance the host pointers";
    for (int s = 0; s < kFrames; ++s)
      EXPECT_EQ(out1[static_cast<std::size_t>(s)], 2.0 * source[static_cast<std::size_t>(s)]);
  }
  {
    AudioPlug plug;
    plug.SetBlockFrames(4);
    plug.ConnectAll();
    std::vector<float> inPlace = RampFloat(kFrames, 0.5f), in1 = RampFloat(kFrames, 0.5f), out1(kFrames + 1, kSentinel);
    float* ins[] = {inPlace.data(), in1.data()};
    float* outs[] = {inPlace.data(), out1.data()}; // channel 0 processed in place
    plug.BindInputBuffers(0, 2, ins, kFrames);
    plug.BindOutputBuffers(0, 2, outs);
    plug.RunProcessing(kFrames);
    EXPECT_EQ(plug.calls, 3);
    for (int s = 0; s < kFrames; ++s)
    {
      EXPECT_EQ(inPlace[static_cast<std::size_t>(s)], 2.0f * in1[static_cast<std::size_t>(s)]);
      EXPECT_EQ(out1[static_cast<std::size_t>(s)], 2.0f * in1[static_cast<std::size_t>(s)]);
    }
    EXPECT_EQ(out1[kFrames], kSentinel);
  }
}

TEST(AudioPath, ZeroFramesAndMissingBlockSize)
{
  AudioPlug plug;
  plug.ConnectAll();
  plug.RunProcessing(0);
  plug.RunProcessing(-4);
  EXPECT_EQ(plug.calls, 2);
  EXPECT_EQ(plug.callFrames[1], 0);

  // No block size yet: 32-bit blocks have no scratch and come out silent.
  std::vector<float> in32(6, 1.0f), out32(6, kSentinel);
  float* ins32[] = {in32.data(), in32.data()};
  float* outs32[] = {out32.data(), out32.data()};
  plug.BindInputBuffers(0, 2, ins32, 6);
  plug.BindOutputBuffers(0, 2, outs32);
  plug.RunProcessing(6);
  EXPECT_EQ(plug.calls, 2);
  EXPECT_EQ(out32[5], 0.0f);

  // 64-bit blocks with every buffer bound run whole.
  std::vector<double> in0(6, 1.0), in1(6, 1.0), out0(6), out1(6);
  double* ins[] = {in0.data(), in1.data()};
  double* outs[] = {out0.data(), out1.data()};
  plug.BindInputBuffers(0, 2, ins, 6);
  plug.BindOutputBuffers(0, 2, outs);
  plug.RunProcessing(6);
  EXPECT_EQ(plug.calls, 3);
  EXPECT_EQ(plug.callFrames[2], 6);
  EXPECT_EQ(out1[5], 2.0);

  // Bindings last one block: the next run does not write into the old buffers.
  std::fill(out0.begin(), out0.end(), 3.0);
  plug.RunProcessing(6);
  EXPECT_EQ(plug.calls, 3) << "unbound channels need scratch, which does not exist yet";
  EXPECT_EQ(out0[0], 3.0);
}

TEST(AudioPath, BypassCopiesInputsWhateverTheBlockLength)
{
  AudioPlug plug("1-2");
  plug.SetBlockFrames(4);
  plug.ConnectAll();
  std::vector<float> in = RampFloat(10, 1.0f), out0(10), out1(10, kSentinel);
  float* ins[] = {in.data()};
  float* outs[] = {out0.data(), out1.data()};
  plug.BindInputBuffers(0, 1, ins, 10);
  plug.BindOutputBuffers(0, 2, outs);
  plug.CopyInputsToOutputs(10);
  EXPECT_EQ(plug.calls, 0);
  EXPECT_EQ(out0, in);
  EXPECT_EQ(out1, std::vector<float>(10, 0.0f)) << "an output without an input is zeroed";

  // With latency and a delay line, the bypass delays by the latency across blocks.
  plug.CreateBypassDelayLine();
  plug.ChangeLatency(3);
  std::vector<double> in64 = Ramp(4, 1.0), out64(4);
  double* ins64[] = {in64.data()};
  double* outs64[] = {out64.data(), nullptr};
  plug.BindInputBuffers(0, 1, ins64, 4);
  plug.BindOutputBuffers(0, 2, outs64);
  plug.CopyInputsToOutputs(4);
  EXPECT_EQ(out64, (std::vector<double>{0.0, 0.0, 0.0, 1.0}));
  plug.BindInputBuffers(0, 1, ins64, 4);
  plug.BindOutputBuffers(0, 2, outs64);
  plug.CopyInputsToOutputs(4);
  EXPECT_EQ(out64, (std::vector<double>{1.25, 1.5, 1.75, 1.0}));
}

TEST(AudioPath, BaseProcessAudioCopiesAndZeroes)
{
  TestPlug plug(1, "1-2");
  plug.SetBlockFrames(4);
  plug.ConnectInputChannels(0, 1, true);
  plug.ConnectOutputChannels(0, 2, true);
  std::vector<double> in = Ramp(4, 1.0), out0(4), out1(4, 3.0);
  double* ins[] = {in.data()};
  double* outs[] = {out0.data(), out1.data()};
  plug.BindInputBuffers(0, 1, ins, 4);
  plug.BindOutputBuffers(0, 2, outs);
  plug.RunProcessing(4);
  EXPECT_EQ(out0, in);
  EXPECT_EQ(out1, std::vector<double>(4, 0.0));
}

TEST(AudioPath, SetBlockFramesKeepsScratchOnlyWhenUnchanged)
{
  AudioPlug plug;
  plug.SetBlockFrames(8);
  plug.ConnectAll();
  std::vector<float> in(8, 0.5f), out(8);
  float* ins[] = {in.data(), in.data()};
  float* outs[] = {out.data(), out.data()};
  plug.BindInputBuffers(0, 2, ins, 8);
  plug.BindOutputBuffers(0, 2, outs);
  plug.RunProcessing(8);
  ASSERT_EQ(plug.OutputChannel(0)->scratch[0], 1.0);

  plug.SetBlockFrames(8);
  EXPECT_EQ(plug.OutputChannel(0)->scratch[0], 1.0);
  plug.ClearScratchBuffers();
  EXPECT_EQ(plug.OutputChannel(0)->scratch[0], 0.0);
  plug.SetBlockFrames(16);
  EXPECT_EQ(plug.InputChannel(1)->scratch, std::vector<double>(16, 0.0));
  plug.SetBlockFrames(-3);
  EXPECT_EQ(plug.BlockSize(), 0);
  plug.SetBlockFrames(1 << 30);
  EXPECT_EQ(plug.BlockSize(), IPlugBase::kMaxBlockFrames);
}

TEST(AudioPath, BindingAndProcessingAllocateNothing)
{
  AudioPlug plug;
  plug.SetBlockFrames(64);
  plug.ConnectAll();
  constexpr int kFrames = 150; // longer than the block: chunked
  std::vector<float> in32(kFrames, 0.25f), out32(kFrames);
  std::vector<double> in64(kFrames, 0.25), out64(kFrames);
  float* ins32[] = {in32.data(), in32.data()};
  float* outs32[] = {out32.data(), out32.data()};
  double* ins64[] = {in64.data(), in64.data()};
  double* outs64[] = {out64.data(), out64.data()};

  AllocationScope scope;
  plug.BindInputBuffers(0, 2, ins32, kFrames);
  plug.BindOutputBuffers(0, 2, outs32);
  plug.RunProcessing(kFrames);
  plug.BindInputBuffers(0, 2, ins64, kFrames);
  plug.BindOutputBuffers(0, 2, outs64);
  plug.RunProcessing(kFrames);
  plug.BindInputBuffers(0, 2, ins32, kFrames);
  plug.BindOutputBuffers(0, 2, outs32);
  plug.CopyInputsToOutputs(kFrames);
  EXPECT_EQ(scope.count(), 0u);
  EXPECT_EQ(plug.calls, 6);
  EXPECT_EQ(out64[kFrames - 1], 0.5);
}
