// The state stream: the product's chunk and the bypass word, saved and restored through
// the host's streams, and what happens to streams that are short, long, broken or shared.

#include "Vst3Host.h"

#include <algorithm>

using namespace vst3test;

namespace
{
// A memory stream whose reads and writes can fail the way some hosts' do.
class FlakyStream : public MemoryStream
{
public:
  using MemoryStream::MemoryStream;

  tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override
  {
    const tresult result = MemoryStream::read(buffer, numBytes, numBytesRead);
    return ++reads == failingRead ? kResultFalse : result; // the bytes are delivered all the same
  }
  tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten) override
  {
    if (shortWrites)
    {
      *numBytesWritten = numBytes / 2;
      return kResultOk;
    }
    return MemoryStream::write(buffer, numBytes, numBytesWritten);
  }

  int reads = 0;
  int failingRead = -1;
  bool shortWrites = false;
};

// Analyze off and +6 dB of gain, so the audio shows whether a state was applied.
void setFixedGain(Instance& i)
{
  Block<double> block(2, 16);
  block.change(kAnalyze, 0.0).change(kGain, kGainPlusSixNormalized).change(kGroup, 0.0);
  ASSERT_EQ(block.run(*i.plug), kResultOk);
}

std::vector<double> values(Instance& i)
{
  std::vector<double> out;
  for (int p = 0; p < kParamCount; ++p)
    out.push_back(i->ParamAt(p)->Value());
  return out;
}

TEST(Vst3State, AFreshInstanceRestoredBySetStateAloneSoundsLikeTheSavedOne)
{
  std::vector<uint8> saved;
  {
    Instance original;
    setFixedGain(original);
    ASSERT_EQ(flush(*original.plug, IPlugVST3::kBypassParamId, 1.0), kResultOk);
    saved = stateOf(*original.plug);
  }
  Instance fresh;
  ASSERT_EQ(restore(*fresh.plug, saved), kResultOk);
  EXPECT_TRUE(fresh->IsBypassed());
  EXPECT_EQ(fresh->getParamNormalized(IPlugVST3::kBypassParamId), 1.0);
  EXPECT_EQ(stateOf(*fresh.plug), saved) << "saved again, the same bytes";

  std::vector<uint8> bypassCleared = saved;
  std::fill(bypassCleared.end() - 4, bypassCleared.end(), uint8(0));
  ASSERT_EQ(restore(*fresh.plug, bypassCleared), kResultOk);
  EXPECT_FALSE(fresh->IsBypassed());
  Block<float> block(2, 128, 0.25);
  ASSERT_EQ(block.run(*fresh.plug), kResultOk);
  EXPECT_NEAR(block.outAt(1, 127), 0.25 * kSixDbGain, 1e-6) << "the audio follows the restored parameters";
}

TEST(Vst3State, TheControllerStateCallsAreTheSameFunctions)
{
  Instance a;
  setFixedGain(a);
  const std::vector<uint8> saved = stateOf(*a.plug);
  auto stream = IPtr<MemoryStream>::adopt(new MemoryStream);
  ASSERT_EQ(a->getEditorState(stream.get()), kResultOk);
  EXPECT_EQ(stream->bytes(), saved);

  for (auto load : {&IPlugVST3::setComponentState, &IPlugVST3::setEditorState})
  {
    Instance b;
    auto in = IPtr<MemoryStream>::adopt(new MemoryStream(saved));
    ASSERT_EQ((b.plug->*load)(in.get()), kResultOk);
    EXPECT_EQ(values(b), values(a));
  }
}

TEST(Vst3State, AChunkWithoutTheBypassWordIsAppliedButReportedShort)
{
  Instance a;
  setFixedGain(a);
  std::vector<uint8> chunk = stateOf(*a.plug);
  chunk.resize(chunk.size() - 4);

  Instance b;
  ASSERT_EQ(flush(*b.plug, IPlugVST3::kBypassParamId, 1.0), kResultOk);
  EXPECT_EQ(restore(*b.plug, chunk), kResultFalse);
  EXPECT_EQ(values(b), values(a)) << "the product state is applied";
  EXPECT_TRUE(b->IsBypassed()) << "the bypass flag is unchanged";
}

TEST(Vst3State, StreamsItCannotReadApplyNothing)
{
  Instance donor;
  setFixedGain(donor);
  const std::vector<uint8> good = stateOf(*donor.plug);

  Instance i;
  const std::vector<double> before = values(i);
  std::vector<uint8> truncated(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
  std::vector<uint8> damaged = good;
  damaged[damaged.size() / 2] = '{';
  std::vector<uint8> huge = good;
  huge.resize(static_cast<size_t>(IPlugVST3::kMaxStateBytes) + 1, uint8(' '));
  std::vector<uint8> garbage(300, uint8(0xA5));
  for (const auto* bytes : {&truncated, &damaged, &huge, &garbage})
  {
    EXPECT_EQ(restore(*i.plug, *bytes), kResultFalse) << bytes->size();
    EXPECT_EQ(values(i), before) << bytes->size();
  }
  EXPECT_EQ(restore(*i.plug, {}), kResultFalse);
  EXPECT_EQ(i->setState(nullptr), kInvalidArgument);
  EXPECT_EQ(i->getState(nullptr), kInvalidArgument);
  EXPECT_EQ(values(i), before);
}

TEST(Vst3State, StatesAreWrittenAndReadAtTheStreamsPositionInsideLargerStreams)
{
  Instance a;
  setFixedGain(a);
  const std::vector<uint8> alone = stateOf(*a.plug);

  auto shared = IPtr<MemoryStream>::adopt(new MemoryStream);
  int32 written = 0;
  char header[] = "host header";
  shared->write(header, sizeof header, &written);
  ASSERT_EQ(a->getState(shared.get()), kResultOk);
  char trailer[] = "more host data";
  shared->write(trailer, sizeof trailer, &written);
  ASSERT_TRUE(std::equal(alone.begin(), alone.end(), shared->bytes().begin() + sizeof header));

  Instance b;
  shared->seek(sizeof header, IBStream::kIBSeekSet, nullptr);
  ASSERT_EQ(b->setState(shared.get()), kResultOk);
  EXPECT_EQ(values(b), values(a));
  int64 position = 0;
  shared->tell(&position);
  EXPECT_EQ(position, static_cast<int64>(sizeof header + alone.size())) << "the stream is left behind the state";
}

TEST(Vst3State, ReadErrorsEndTheStreamExceptInTheHostThatReportsThemWithData)
{
  Instance donor;
  setFixedGain(donor);
  const std::vector<uint8> good = stateOf(*donor.plug);

  Instance plain;
  const std::vector<double> before = values(plain);
  auto stream = IPtr<FlakyStream>::adopt(new FlakyStream(good));
  stream->failingRead = 2;
  EXPECT_EQ(plain->setState(stream.get()), kResultFalse) << "the piece read with the error is dropped";
  EXPECT_EQ(values(plain), before);

  Instance wavelab(u"WaveLab 11");
  stream = IPtr<FlakyStream>::adopt(new FlakyStream(good));
  stream->failingRead = 2;
  EXPECT_EQ(wavelab->setState(stream.get()), kResultOk);
  EXPECT_EQ(values(wavelab), values(donor));

  auto shortWrites = IPtr<FlakyStream>::adopt(new FlakyStream);
  shortWrites->shortWrites = true;
  EXPECT_EQ(donor->getState(shortWrites.get()), kResultFalse);
}
} // namespace
