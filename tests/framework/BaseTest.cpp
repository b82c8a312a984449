#include "TestPlug.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace
{
// Gives the eight parameters distinct ranges, so clamping shows.
void InitParams(TestPlug& plug)
{
  for (int i = 0; i < plug.ParamCount(); ++i)
    plug.ParamAt(i)->InitContinuous("p", 0.0, -10.0 * (i + 1), 10.0 * (i + 1), 0.1);
}

ChunkBuffer CountedValues(int count, std::initializer_list<double> values)
{
  ChunkBuffer chunk;
  chunk.PutInt32(count);
  for (double value : values)
    chunk.PutFloat64(value);
  return chunk;
}
}

TEST(ChunkBuffer, StoresLittleEndianAndRefusesShortReads)
{
  ChunkBuffer chunk;
  EXPECT_EQ(chunk.PutInt32(0x01020304), 4);
  EXPECT_EQ(chunk.PutFloat64(-2.5), 12);
  EXPECT_EQ(chunk.Data()[0], 0x04);
  EXPECT_EQ(chunk.Data()[3], 0x01);

  std::int32_t word = 7;
  double value = 0.0;
  EXPECT_EQ(chunk.GetInt32(&word, 0), 4);
  EXPECT_EQ(word, 0x01020304);
  EXPECT_EQ(chunk.GetFloat64(&value, 4), 12);
  EXPECT_EQ(value, -2.5);

  word = 7;
  EXPECT_EQ(chunk.GetInt32(&word, -1), -1);
  EXPECT_EQ(chunk.GetInt32(&word, 9), -1);
  EXPECT_EQ(chunk.GetFloat64(&value, 5), -1);
  EXPECT_EQ(chunk.GetInt32(&word, std::numeric_limits<int>::max()), -1);
  EXPECT_EQ(word, 7) << "a failed read leaves the value alone";

  chunk.PutBytes(chunk.Data(), chunk.Size()); // appending from itself
  EXPECT_EQ(chunk.Size(), 24);
  EXPECT_EQ(chunk.GetFloat64(&value, 16), 24);
  EXPECT_EQ(value, -2.5);
}

TEST(IPlugBase, ConstructionParsesChannelIOAndKeepsIdentity)
{
  TestPlug plug(8, "1-1 2-2");
  EXPECT_EQ(plug.NInChannels(), 2);
  EXPECT_EQ(plug.NOutChannels(), 2);
  EXPECT_TRUE(plug.LegalIO(1, 1));
  EXPECT_TRUE(plug.LegalIO(2, 2));
  EXPECT_FALSE(plug.LegalIO(1, 2));
  EXPECT_TRUE(plug.LegalIO(-1, 2));
  EXPECT_FALSE(plug.LegalIO(-1, 3));
  EXPECT_FALSE(plug.InputChannelConnected(0)) << "channels start disconnected";
  EXPECT_FALSE(plug.OutputChannelConnected(5));
  EXPECT_EQ(plug.InputChannel(2), nullptr);

  TestPlug odd(0, "2  0-4 x 3-");
  ASSERT_EQ(odd.ChannelConfigCount(), 4);
  EXPECT_EQ(odd.ChannelConfigAt(0)->inputs, 2);
  EXPECT_EQ(odd.ChannelConfigAt(0)->outputs, 0);
  EXPECT_EQ(odd.ChannelConfigAt(2)->inputs, 0) << "a missing number reads as 0";
  EXPECT_EQ(odd.NInChannels(), 3);
  EXPECT_EQ(odd.NOutChannels(), 4);

  TestPlug none(0, nullptr, 0);
  EXPECT_FALSE(none.LegalIO(-1, -1));
  EXPECT_EQ(none.NInChannels(), 0);

  EXPECT_STREQ(plug.PresetNameAt(0), "empty");
  EXPECT_STREQ(plug.PresetNameAt(1), "");
  EXPECT_EQ(plug.ParamAt(8), nullptr);
  EXPECT_EQ(plug.ParamAt(-1), nullptr);
}

TEST(IPlugBase, SerializeParamsWritesCountAndValues)
{
  TestPlug plug;
  InitParams(plug);
  for (int i = 0; i < 8; ++i)
    plug.ParamAt(i)->SetValue(i * 1.5 - 3.0);

  ChunkBuffer chunk;
  chunk.PutInt32(99); // something before: the reader starts at an offset
  ASSERT_TRUE(plug.SerializeParams(chunk));
  EXPECT_EQ(chunk.Size(), 4 + 68);
  std::int32_t count = 0;
  chunk.GetInt32(&count, 4);
  EXPECT_EQ(count, 8);

  TestPlug other;
  InitParams(other);
  EXPECT_EQ(other.UnserializeParams(chunk, 4), 4 + 68);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(other.ParamAt(i)->Value(), i * 1.5 - 3.0);
  ASSERT_EQ(other.calls.size(), 8u);
  for (int i = 0; i < 8; ++i)
  {
    EXPECT_EQ(other.calls[i].index, i);
    EXPECT_EQ(other.calls[i].source, kSourceRecall);
    EXPECT_TRUE(other.calls[i].mutexHeld);
  }
}

TEST(IPlugBase, UnserializeParamsOnShortOrOddChunks)
{
  TestPlug plug;
  InitParams(plug);
  auto fill = [&] {
    for (int i = 0; i < 8; ++i)
      plug.ParamAt(i)->SetValue(5.0);
  };

  fill();
  ChunkBuffer three = CountedValues(8, {1.0, 2.0, 3.0});
  three.PutBytes("abc", 3); // part of a fourth value
  plug.calls.clear();
  EXPECT_EQ(plug.UnserializeParams(three, 0), -1);
  EXPECT_EQ(plug.ParamAt(2)->Value(), 3.0);
  EXPECT_EQ(plug.ParamAt(3)->Value(), 0.0) << "the failed value is set to its clamped 0.0";
  EXPECT_EQ(plug.ParamAt(4)->Value(), 5.0);
  EXPECT_EQ(plug.calls.size(), 8u) << "every parameter is still announced";

  fill();
  EXPECT_EQ(plug.UnserializeParams(CountedValues(2, {-1000.0, std::nan("")}), 0), 20);
  EXPECT_EQ(plug.ParamAt(0)->Value(), -10.0) << "values are clamped";
  EXPECT_EQ(plug.ParamAt(1)->Value(), 5.0) << "NaN is not stored";
  EXPECT_EQ(plug.ParamAt(2)->Value(), 5.0) << "a short count leaves the rest";

  fill();
  EXPECT_EQ(plug.UnserializeParams(CountedValues(-5, {1.0}), 0), 4);
  EXPECT_EQ(plug.ParamAt(0)->Value(), 5.0);
  const ChunkBuffer huge = CountedValues(0x7fffffff, {1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(plug.UnserializeParams(huge, 0), 68) << "a huge count reads only the parameters there are";

  fill();
  ChunkBuffer stub;
  stub.PutBytes("ab", 2);
  for (int start : {0, -4, 100})
    EXPECT_EQ(plug.UnserializeParams(start == 0 ? stub : huge, start), -1);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(plug.ParamAt(i)->Value(), 5.0) << "an unreadable count changes nothing";
}

TEST(IPlugBase, StateEqualsComparesAsFloatsFromAStartValue)
{
  TestPlug plug(2);
  InitParams(plug);
  plug.ParamAt(0)->SetValue(1.25);
  plug.ParamAt(1)->SetValue(-3.0);
  const double data[] = {99.0, 1.25 + 1e-7, -3.0};
  EXPECT_TRUE(plug.StateEquals(data, sizeof data, 1));
  EXPECT_FALSE(plug.StateEquals(data, sizeof data, 0));
  EXPECT_FALSE(plug.StateEquals(data, sizeof data - 1, 1)) << "too short for every parameter";
  EXPECT_FALSE(plug.StateEquals(data, sizeof data, -1));
  EXPECT_FALSE(plug.StateEquals(nullptr, 0, 0));
  const double off[] = {1.25 + 1e-3, -3.0};
  EXPECT_FALSE(plug.StateEquals(off, sizeof off, 0));
  const double nan[] = {std::nan(""), -3.0};
  EXPECT_FALSE(plug.StateEquals(nan, sizeof nan, 0));
}

TEST(IPlugBase, PresetsStoreAndRestoreState)
{
  bool destroyed = false; // outlives the plug-in that owns the editor
  TestPlug plug(8, "1-1", 4);
  InitParams(plug);
  plug.ParamAt(0)->SetValue(2.0);
  plug.CreateDefaultPresets("-", 1);
  EXPECT_STREQ(plug.PresetNameAt(0), "-");
  EXPECT_EQ(plug.PresetAt(0)->state.Size(), 68);

  // Presets never initialised take the current state under "user preset N", N counting
  // the presets already named so.
  ASSERT_TRUE(plug.LoadPreset(1));
  ASSERT_TRUE(plug.LoadPreset(2));
  EXPECT_STREQ(plug.PresetNameAt(2), "user preset 2");
  plug.ParamAt(0)->SetValue(-7.0);
  ASSERT_TRUE(plug.LoadPreset(3));
  EXPECT_STREQ(plug.PresetNameAt(3), "user preset 3");
  EXPECT_EQ(plug.CurrentPresetIndex(), 3);
  ChunkBuffer expected;
  plug.SerializeState(expected);
  EXPECT_EQ(plug.PresetAt(3)->state, expected) << "a new preset stores the current state";

  auto* editor = new FakeEditor(&destroyed);
  plug.AttachEditor(editor);
  editor->shown.clear();
  plug.calls.clear();
  ASSERT_TRUE(plug.LoadPreset(0));
  EXPECT_EQ(plug.ParamAt(0)->Value(), 2.0);
  EXPECT_EQ(plug.CurrentPresetIndex(), 0);
  ASSERT_FALSE(plug.calls.empty());
  EXPECT_EQ(plug.calls.back().what, TestPlug::Call::kPresetsChanged);
  ASSERT_EQ(editor->shown.size(), 8u) << "the editor shows the loaded values";
  EXPECT_EQ(editor->shown[0].value, 2.0);
  EXPECT_FALSE(editor->shown[0].normalized);

  plug.CreateDefaultPresets("more", 1); // no preset is free
  EXPECT_STREQ(plug.PresetNameAt(3), "user preset 3");
  EXPECT_FALSE(plug.LoadPreset(4));
  EXPECT_FALSE(plug.LoadPreset(-1));
  EXPECT_EQ(plug.CurrentPresetIndex(), 0);
  EXPECT_FALSE(destroyed);

  TestPlug unnamed(1, "1-1", 1);
  unnamed.CreateDefaultPresets(nullptr, 3);
  EXPECT_STREQ(unnamed.PresetNameAt(0), "Empty");
}

TEST(IPlugBase, SetParameterFromGUIAnnouncesUnderTheMutexThenTellsTheHostWithoutIt)
{
  TestPlug plug;
  plug.ParamAt(2)->InitContinuous("Target", -12.0, -60.0, 30.0, 0.1);
  plug.SetParameterFromGUI(2, 0.5);
  EXPECT_DOUBLE_EQ(plug.ParamAt(2)->Value(), -15.0);
  ASSERT_EQ(plug.calls.size(), 2u);
  EXPECT_EQ(plug.calls[0].what, TestPlug::Call::kParamChanged);
  EXPECT_EQ(plug.calls[0].source, kSourceEditor);
  EXPECT_TRUE(plug.calls[0].mutexHeld);
  EXPECT_EQ(plug.calls[1].what, TestPlug::Call::kInform);
  EXPECT_EQ(plug.calls[1].value, 0.5);
  EXPECT_FALSE(plug.calls[1].mutexHeld) << "hosts are called without the plug-in mutex";

  plug.calls.clear();
  plug.SetParameterFromGUI(8, 0.5);
  plug.SetParameterFromGUI(-1, 0.5);
  plug.SetParameterFromGUI(2, std::nan(""));
  EXPECT_TRUE(plug.calls.empty());
  EXPECT_DOUBLE_EQ(plug.ParamAt(2)->Value(), -15.0);
}

TEST(IPlugBase, AttachEditorPreparesShowsAndOwns)
{
  bool firstDestroyed = false;
  bool secondDestroyed = false;
  {
    TestPlug plug(3);
    plug.ParamAt(1)->InitContinuous("Gain", 0.0, -60.0, 60.0, 0.1);
    plug.AttachEditor(nullptr);
    EXPECT_EQ(plug.GetGUI(), nullptr);
    plug.RefreshParamControls(); // no editor: nothing to do

    auto* first = new FakeEditor(&firstDestroyed);
    plug.AttachEditor(first);
    EXPECT_EQ(plug.GetGUI(), first);
    EXPECT_EQ(first->prepared, 1);
    EXPECT_TRUE(first->preparedBeforeValues);
    ASSERT_EQ(first->shown.size(), 3u);
    EXPECT_EQ(first->shown[1].index, 1);
    EXPECT_DOUBLE_EQ(first->shown[1].value, 0.5);
    EXPECT_TRUE(first->shown[1].normalized);

    plug.AttachEditor(first); // the same editor again is not destroyed
    EXPECT_FALSE(firstDestroyed);
    plug.AttachEditor(new FakeEditor(&secondDestroyed));
    EXPECT_TRUE(firstDestroyed);
    EXPECT_FALSE(secondDestroyed);
  }
  EXPECT_TRUE(secondDestroyed) << "the plug-in destroys its editor";
}

TEST(IPlugBase, LabelsLatencyAndPlainSetters)
{
  TestPlug plug;
  EXPECT_TRUE(plug.LabelInputBus(0, "Main Input"));
  EXPECT_TRUE(plug.LabelInputBus(1, "Aux Input"));
  EXPECT_FALSE(plug.LabelInputBus(2, "Third"));
  EXPECT_TRUE(plug.LabelInputBus(0, "Replaced"));
  EXPECT_STREQ(plug.InputBusLabel(0), "Replaced");
  EXPECT_STREQ(plug.InputBusLabel(2), "");
  EXPECT_TRUE(plug.LabelOutputBus(3, "Output 4"));
  EXPECT_FALSE(plug.LabelOutputBus(-1, "x"));
  EXPECT_STREQ(plug.OutputBusLabel(3), "Output 4");
  EXPECT_STREQ(plug.OutputBusLabel(1), "");

  plug.CreateBypassDelayLine();
  ASSERT_NE(plug.DelayLine(), nullptr);
  plug.ChangeLatency(16);
  EXPECT_EQ(plug.Latency(), 16);
  EXPECT_EQ(plug.DelayLine()->DelayFrames(), 16);
  plug.ChangeLatency(-3);
  EXPECT_EQ(plug.Latency(), 0);

  plug.SetSampleRate(48000.0);
  plug.SetSampleRate(std::nan(""));
  plug.SetSampleRate(-1.0);
  EXPECT_EQ(plug.SampleRate(), 48000.0);
  plug.SetTailLength(-5);
  EXPECT_EQ(plug.TailLength(), 0);
}
