#include "Harness.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <string>

namespace
{
std::string documentText(const ChunkBuffer& chunk, int start = 0)
{
  std::int32_t length = 0;
  const int at = chunk.GetInt32(&length, start);
  return std::string(reinterpret_cast<const char*>(chunk.Data() + at), static_cast<size_t>(length));
}

ChunkBuffer chunkOf(const std::string& text)
{
  ChunkBuffer chunk;
  chunk.PutInt32(static_cast<std::int32_t>(text.size()));
  chunk.PutBytes(text.data(), static_cast<int>(text.size()));
  return chunk;
}

std::vector<double> values(Harness& h)
{
  std::vector<double> v;
  for (int i = 0; i < kParamCount; ++i)
    v.push_back(h.value(i));
  return v;
}

// A document in the shape the plug-in writes, with one parameter's value replaced by raw JSON.
std::string documentWith(const std::string& name, const std::string& rawValue)
{
  nlohmann::json params = nlohmann::json::array();
  for (const char* n : {"Gain", "Measure", "Target Value", "Mode", "Analyze", "Normalize", "Group", "Gate"})
    params.push_back({{"name", n}, {"value", 0.0}});
  std::string text = nlohmann::json{{"maxpeak", -20.0}, {"params", params}, {"version", "1.3.2"}}.dump();
  const std::string key = "{\"name\":\"" + name + "\",\"value\":0.0}";
  const size_t at = text.find(key);
  text.replace(at, key.size(), "{\"name\":\"" + name + "\",\"value\":" + rawValue + "}");
  return text;
}
}

TEST(StateDocument, DefaultPresetHoldsTheDefaultsInTheDocumentShape)
{
  TavrikQuenmark plug;
  const PresetSlot* preset = plug.PresetAt(0);
  ASSERT_NE(preset, nullptr);
  EXPECT_STREQ(preset->name, "-");
  EXPECT_EQ(documentText(preset->state),
            "{\"maxpeak\":-100.0,\"params\":[{\"name\":\"Gain\",\"value\":0.0},{\"name\":\"Measure\",\"value\":0.0},"
            "{\"name\":\"Target Value\",\"value\":-12.0},{\"name\":\"Mode\",\"value\":0.0},"
            "{\"name\":\"Analyze\",\"value\":1.0},{\"name\":\"Normalize\",\"value\":1.0},"
            "{\"name\":\"Group\",\"value\":0.0},{\"name\":\"Gate\",\"value\":-60.0}],\"version\":\"1.3.2\"}");
}

TEST(StateDocument, AnInstanceThatHasRunSavesAnalyzeAsIntegerZero)
{
  Harness h;
  ChunkBuffer chunk;
  ASSERT_TRUE(h->SerializeState(chunk));
  EXPECT_NE(documentText(chunk).find("{\"name\":\"Analyze\",\"value\":0}"), std::string::npos);
  h.hostSets(kAnalyze, 0.0);
  ChunkBuffer off;
  h->SerializeState(off);
  EXPECT_NE(documentText(off).find("{\"name\":\"Analyze\",\"value\":0.0}"), std::string::npos);
}

TEST(StateDocument, RoundTripRestoresEveryParameterAndTheLevelOnce)
{
  Harness source;
  source.setTransport(true);
  source.hostSets(kMeasure, 4);
  source.hostSets(kTargetValue, -23.0);
  source.hostSets(kGate, -45.5);
  source.hostSets(kGroup, 3);
  source.hostSets(kAnalyze, 0.0);
  source.hostSets(kMode, 1.0);
  source.sine(-30.0, 200);
  ChunkBuffer chunk;
  chunk.PutInt32(1234); // something before the document
  const int start = chunk.Size();
  source->SerializeState(chunk);

  Harness target;
  target->changes.clear();
  const int end = target->RestoreState(chunk, start);
  EXPECT_EQ(end, chunk.Size());
  for (int i = 0; i < kParamCount; ++i)
    EXPECT_EQ(target.value(i), source.value(i)) << target->ParamAt(i)->Name();
  EXPECT_EQ(target->MeasuredLevel(), source->MeasuredLevel());
  ASSERT_EQ(target->changes.size(), static_cast<size_t>(kParamCount));
  for (int i = 0; i < kParamCount; ++i)
  {
    EXPECT_EQ(target->changes[static_cast<size_t>(i)].index, i);
    EXPECT_EQ(target->changes[static_cast<size_t>(i)].source, kSourceRecall);
  }
  EXPECT_STREQ(target->ParamAt(kTargetValue)->Label(), "LUFS") << "the recall reached the Measure handling";
  EXPECT_TRUE(target->Group().InGroup());
}

TEST(StateDocument, SilenceInContinuousModeStillSavesAReadableDocument)
{
  Harness h;
  h.hostSets(kMode, 1.0);
  h.setTransport(true);
  std::vector<double> left(512, 0.0), right(512, 0.0);
  h.process(left, right);
  EXPECT_TRUE(std::isinf(h->MeasuredLevel()));
  ChunkBuffer chunk;
  h->SerializeState(chunk);
  EXPECT_EQ(documentText(chunk).rfind("{\"maxpeak\":-100.0,", 0), 0u);
  Harness other;
  EXPECT_EQ(other->RestoreState(chunk, 0), chunk.Size());
  EXPECT_EQ(other->MeasuredLevel(), -100.0);
}

TEST(StateDocument, PartialDocumentsSetWhatTheyNameAndClamp)
{
  Harness h;
  const std::vector<double> before = values(h);
  h->changes.clear();
  ChunkBuffer single = chunkOf("{\"maxpeak\":-7.5,\"params\":[{\"name\":\"Gate\",\"value\":-30.5}],\"version\":\"1.3.1\"}");
  EXPECT_EQ(h->RestoreState(single, 0), single.Size());
  EXPECT_EQ(h.value(kGate), -30.5);
  for (int i = 0; i < kParamCount; ++i)
  {
    if (i != kGate)
    {
      EXPECT_EQ(h.value(i), before[static_cast<size_t>(i)]);
    }
  }
  EXPECT_EQ(h->changes.size(), static_cast<size_t>(kParamCount)) << "every parameter is announced";
  EXPECT_EQ(h->MeasuredLevel(), -7.5);

  ChunkBuffer clamp = chunkOf("{\"params\":[{\"name\":\"Gate\",\"value\":100},{\"name\":\"Gain\",\"value\":-1e9},"
                              "{\"name\":\"gate\",\"value\":-5},{\"name\":\"Gate\",\"value\":-3}]}");
  EXPECT_EQ(h->RestoreState(clamp, 0), clamp.Size());
  EXPECT_EQ(h.value(kGate), -3.0) << "the later element wins; names match exactly";
  EXPECT_EQ(h->MeasuredLevel(), -100.0) << "no maxpeak reads as -100";
}

TEST(StateDocument, TypeErrorsChangeNothing)
{
  // A document that parses but holds a wrong type is refused whole: nothing of it is
  // applied, and its text is not read as binary parameters either.
  Harness h;
  h.hostSets(kGate, -42.0);
  h.hostSets(kTargetValue, -18.0);
  ChunkBuffer withLevel = chunkOf("{\"maxpeak\":-7.5,\"params\":[{\"name\":\"Gate\",\"value\":-42.0}]}");
  ASSERT_EQ(h->RestoreState(withLevel, 0), withLevel.Size());
  const std::vector<double> before = values(h);
  const std::string cases[] = {
      documentWith("Gain", "\"loud\""),
      documentWith("Gate", "null"),
      documentWith("Target Value", "[1]"),
      "{\"params\":{\"name\":\"Gate\",\"value\":-30.5}}", // params as one object
      "{\"params\":7}",
      "{\"params\":[3]}",
      "[{\"name\":\"Gate\",\"value\":-30.5}]",
      "\"text\"",
      "{\"maxpeak\":-3,\"params\":[{\"name\":\"Gate\",\"value\":-30.5}",
      "",
      "null", // no state at all: it must not clear the measured level either
      "{}",
      "{\"maxpeak\":-3}",
  };
  const double level = h->MeasuredLevel();
  for (const std::string& text : cases)
  {
    ChunkBuffer chunk = chunkOf(text);
    EXPECT_EQ(h->RestoreState(chunk, 0), -1) << text;
    EXPECT_EQ(values(h), before) << text;
    EXPECT_EQ(h->MeasuredLevel(), level) << text;
  }
}

TEST(StateDocument, LevelsOutsideTheLevelsRangeAreClamped)
{
  Harness h;
  for (const auto& [text, level] : {std::pair{"1e308", 90.0}, {"-1e308", -100.0}, {"95.5", 90.0}, {"-12.25", -12.25}})
  {
    ChunkBuffer chunk = chunkOf(std::string("{\"maxpeak\":") + text + ",\"params\":[{\"name\":\"Analyze\",\"value\":0}]}");
    ASSERT_EQ(h->RestoreState(chunk, 0), chunk.Size()) << text;
    EXPECT_EQ(h->MeasuredLevel(), level) << text;
  }
}

TEST(StateDocument, BinaryParameterLayoutLoadsThroughTheFallback)
{
  Harness source;
  source.hostSets(kGate, -33.0);
  source.hostSets(kMeasure, 2);
  ChunkBuffer chunk;
  chunk.PutInt32(99);
  source->SerializeParams(chunk);
  Harness target;
  EXPECT_EQ(target->RestoreState(chunk, 4), 4 + 68);
  EXPECT_EQ(target.value(kGate), -33.0);
  EXPECT_EQ(target.value(kMeasure), 2.0);
  EXPECT_STREQ(target->ParamAt(kTargetValue)->Label(), "RMS");
}

TEST(StateDocument, DamagedChunksLeaveTheStateAsItWas)
{
  Harness h;
  h.hostSets(kGate, -42.0);
  const std::vector<double> before = values(h);
  ChunkBuffer good;
  h->SerializeState(good);

  ChunkBuffer empty;
  EXPECT_EQ(h->RestoreState(empty, 0), -1);
  EXPECT_EQ(h->RestoreState(good, -4), -1);
  EXPECT_EQ(h->RestoreState(good, good.Size() - 2), -1);

  ChunkBuffer truncated;
  truncated.PutBytes(good.Data(), good.Size() - 10);
  EXPECT_EQ(h->RestoreState(truncated, 0), -1);

  ChunkBuffer negative = good;
  const std::int32_t minusOne = -1;
  std::memcpy(negative.Data(), &minusOne, 4);
  EXPECT_EQ(h->RestoreState(negative, 0), -1);

  ChunkBuffer huge = good;
  const std::int32_t big = 0x7FFFFFF0;
  std::memcpy(huge.Data(), &big, 4);
  EXPECT_EQ(h->RestoreState(huge, 0), -1);

  ChunkBuffer shortBinary;
  shortBinary.PutInt32(8);
  shortBinary.PutFloat64(1.0);
  shortBinary.PutFloat64(2.0);
  EXPECT_EQ(h->RestoreState(shortBinary, 0), -1);

  EXPECT_EQ(values(h), before);
}

TEST(StateDocument, EitherVersionLoads)
{
  for (const char* version : {"1.3.1", "1.3.2", "9.9"})
  {
    Harness h;
    ChunkBuffer chunk = chunkOf(std::string("{\"maxpeak\":-14.0,\"params\":[{\"name\":\"Target Value\",\"value\":-9.5}],"
                                            "\"version\":\"") + version + "\"}");
    EXPECT_EQ(h->RestoreState(chunk, 0), chunk.Size());
    EXPECT_EQ(h.value(kTargetValue), -9.5);
  }
}

TEST(StateDocument, StateEqualsComparesTheParametersOfADocument)
{
  Harness h;
  h.hostSets(kAnalyze, 0.0);
  ChunkBuffer chunk;
  h->SerializeState(chunk);
  EXPECT_TRUE(h->StateEquals(chunk.Data(), chunk.Size(), 0));
  h.hostSets(kGate, -10.0);
  EXPECT_FALSE(h->StateEquals(chunk.Data(), chunk.Size(), 0));
  EXPECT_FALSE(h->StateEquals(nullptr, 0, 0));
  const char junk[] = "\x05\x00\x00\x00{oops";
  EXPECT_FALSE(h->StateEquals(junk, sizeof junk - 1, 0));
}

TEST(Presets, LoadingPresetZeroRestoresTheDefaults)
{
  Harness h;
  h.hostSets(kGate, -10.0);
  h.hostSets(kMeasure, 5);
  EXPECT_TRUE(h->LoadPreset(0));
  EXPECT_EQ(h.value(kGate), -60.0);
  EXPECT_EQ(h.value(kMeasure), 0.0);
  EXPECT_EQ(h.value(kAnalyze), 1.0);
  EXPECT_FALSE(h->LoadPreset(1));
}
