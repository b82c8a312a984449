// The chunk: what hosts save and load, compare, and what they may hand back broken.

#include "AaxHarness.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_SPlugInChunk.h"

#include <nlohmann/json.hpp>

using namespace aaxtest;
using Event = aaxhost::AutomationDelegate::Event;

namespace
{
TEST(AaxState, OneChunkHoldingTheProductStateByteForByte)
{
  Plugin p;
  int32_t count = 0;
  ASSERT_EQ(p->GetNumberOfChunks(&count), AAX_SUCCESS);
  EXPECT_EQ(count, 1);
  AAX_CTypeID id = 0;
  EXPECT_EQ(p->GetChunkIDFromIndex(0, &id), AAX_SUCCESS);
  EXPECT_EQ(id, kChunkId);
  EXPECT_EQ(p->GetChunkIDFromIndex(1, &id), AAX_ERROR_INVALID_CHUNK_INDEX);
  EXPECT_EQ(id, 0u);
  uint32_t size = 99;
  EXPECT_EQ(p->GetChunkSize(0x61626364, &size), AAX_ERROR_INVALID_CHUNK_ID);
  EXPECT_EQ(size, 0u);

  std::vector<char> data;
  ASSERT_EQ(p.instance->SaveChunk(id, data), AAX_SUCCESS);
  ChunkBuffer state;
  ASSERT_TRUE(p.plug->SerializeState(state));
  ASSERT_EQ(data.size(), static_cast<size_t>(state.Size()));
  EXPECT_TRUE(std::equal(data.begin(), data.end(), reinterpret_cast<const char*>(state.Data())));
  const auto document = nlohmann::json::parse(data.begin() + 4, data.end());
  EXPECT_EQ(document["version"], "1.3.1");

  // The size is of the data alone, and GetChunk writes exactly that many bytes even when
  // the state moves in between (the gain readout changes while audio runs).
  uint32_t reported = 0;
  ASSERT_EQ(p->GetChunkSize(kChunkId, &reported), AAX_SUCCESS);
  EXPECT_EQ(reported, static_cast<uint32_t>(state.Size()));
  p->UpdateParameterNormalizedValue("3", 0.123456789, 0);
  std::vector<char> record(kAAX_ChunkHeaderBytes + reported + 16, 'x');
  auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
  chunk->fSize = 0;
  ASSERT_EQ(p->GetChunk(kChunkId, chunk), AAX_SUCCESS);
  EXPECT_EQ(chunk->fSize, static_cast<int32_t>(reported));
  EXPECT_EQ(record[kAAX_ChunkHeaderBytes + reported], 'x') << "nothing past the reported size";

  // Without a size asked first, a host's room too small for the state is refused.
  chunk->fSize = 8;
  record[kAAX_ChunkHeaderBytes] = 'x';
  EXPECT_EQ(p->GetChunk(kChunkId, chunk), AAX_ERROR_INCORRECT_CHUNK_SIZE);
  EXPECT_EQ(chunk->fData[0], 'x');
  EXPECT_EQ(p->GetChunk(0x61626364, chunk), AAX_ERROR_INVALID_CHUNK_ID);
}

TEST(AaxState, ASavedChunkRestoresAnotherInstanceAndTheHostFollows)
{
  Plugin source;
  source->UpdateParameterNormalizedValue("2", 0.8, 0); // "LUFS Int."
  source->UpdateParameterNormalizedValue("4", 1.0, 0);
  source->UpdateParameterNormalizedValue("8", 0.25, 0);
  AAX_CTypeID id = 0;
  std::vector<char> data;
  ASSERT_EQ(source.instance->SaveChunk(id, data), AAX_SUCCESS);

  Plugin target(source.described);
  target.instance->HostAutomation().TakeEvents();
  bool equal = true;
  ASSERT_EQ(target.instance->CompareChunk(id, data, equal), AAX_SUCCESS);
  EXPECT_FALSE(equal);
  int32_t changesBefore = 0;
  target->GetNumberOfChanges(&changesBefore);
  ASSERT_EQ(target.instance->LoadChunk(id, data), AAX_SUCCESS);
  for (int i = 0; i < kParamCount; ++i)
  {
    if (i == kAnalyze)
      continue;
    EXPECT_EQ(target.plug->ParamAt(i)->Value(), source.plug->ParamAt(i)->Value()) << i;
  }
  EXPECT_EQ(target.plug->ParamAt(kAnalyze)->Value(), 0.0) << "a loaded state does not start an analysis";
  // The host reads the loaded values back at once, and all eight go to its automation.
  double hostValue = 0.0;
  target->GetParameterNormalizedValue("8", &hostValue);
  EXPECT_NEAR(hostValue, 0.25, 1e-9);
  std::vector<Event> sets;
  for (const Event& e : target.instance->HostAutomation().Events())
    if (e.kind == Event::Kind::kSet)
      sets.push_back(e);
  ASSERT_EQ(sets.size(), 8u);
  for (int i = 0; i < 8; ++i)
  {
    EXPECT_STREQ(sets[static_cast<size_t>(i)].id, std::to_string(i + 1).c_str());
    EXPECT_NEAR(sets[static_cast<size_t>(i)].value, target.plug->ParamAt(i)->ToNormalized(), 1e-12);
  }
  target.instance->DeliverAutomation();
  target->GetParameterNormalizedValue("8", &hostValue);
  EXPECT_NEAR(hostValue, 0.25, 1e-9);
  int32_t changes = 0;
  target->GetNumberOfChanges(&changes);
  EXPECT_GT(changes, changesBefore);
  ASSERT_EQ(target.instance->CompareChunk(id, data, equal), AAX_SUCCESS);
  EXPECT_TRUE(equal);
  ASSERT_EQ(target.instance->CompareChunk(0x61626364, {}, equal), AAX_SUCCESS);
  EXPECT_TRUE(equal) << "a foreign chunk compares equal";
}

// A chunk from elsewhere can hold values finer than the steps the host's values come in
// (a tenth for the switches and lists). The plug-in takes the value that the host's own
// reading of it gives, so host and plug-in agree, and a save right after holds it.
TEST(AaxState, AValueBetweenTheHostsStepsRestoresAsTheValueTheHostReads)
{
  Plugin p;
  const std::string text = "{\"params\":[{\"name\":\"Measure\",\"value\":3.33},{\"name\":\"Mode\",\"value\":0.44},"
                           "{\"name\":\"Group\",\"value\":2.64},{\"name\":\"Normalize\",\"value\":0.74}],"
                           "\"version\":\"1.3.1\"}";
  ChunkBuffer chunk;
  chunk.PutInt32(static_cast<int32_t>(text.size()));
  chunk.PutBytes(text.data(), static_cast<int>(text.size()));
  const std::vector<char> data(reinterpret_cast<const char*>(chunk.Data()),
                               reinterpret_cast<const char*>(chunk.Data()) + chunk.Size());
  ASSERT_EQ(p.instance->LoadChunk(kChunkId, data), AAX_SUCCESS);
  p.instance->DeliverAutomation();

  const struct
  {
    int index;
    const char* name;
    double step; // the value the host reads the restored one as
  } cases[] = {{kMeasure, "Measure", 3.3}, {kMode, "Mode", 0.4}, {kGroup, "Group", 2.6}, {kNormalize, "Normalize", 0.7}};
  AAX_CTypeID id = 0;
  std::vector<char> saved;
  ASSERT_EQ(p.instance->SaveChunk(id, saved), AAX_SUCCESS);
  const auto document = nlohmann::json::parse(saved.begin() + 4, saved.end());
  for (const auto& c : cases)
  {
    const IPlugParam& param = *p.plug->ParamAt(c.index);
    double hostValue = -1.0;
    ASSERT_EQ(p->GetParameterNormalizedValue(std::to_string(c.index + 1).c_str(), &hostValue), AAX_SUCCESS);
    IPlugParam hostReads = param;
    hostReads.SetFromNormalized(hostValue);
    EXPECT_DOUBLE_EQ(hostReads.Value(), c.step) << c.name << ": the host's value reads as the step";
    EXPECT_EQ(param.Value(), hostReads.Value()) << c.name << ": the plug-in holds what the host reads";
    for (const auto& element : document["params"])
    {
      if (element["name"] == c.name)
      {
        EXPECT_EQ(element["value"].get<double>(), param.Value()) << c.name << ": the saved state holds it";
      }
    }
  }
}

TEST(AaxState, BrokenChunksAreReportedAndLoseNothing)
{
  Plugin p;
  p->UpdateParameterNormalizedValue("3", 0.3, 0);
  const double target = p.plug->ParamAt(kTargetValue)->Value();
  AAX_CTypeID id = 0;
  std::vector<char> good;
  ASSERT_EQ(p.instance->SaveChunk(id, good), AAX_SUCCESS);

  EXPECT_EQ(p.instance->LoadChunk(0x61626364, good), AAX_ERROR_INVALID_CHUNK_ID);
  EXPECT_EQ(p->SetChunk(kChunkId, nullptr), AAX_ERROR_NULL_ARGUMENT);
  for (const std::vector<char>& broken :
       {std::vector<char>{}, std::vector<char>{'\x05', 0, 0}, std::vector<char>(good.begin(), good.begin() + 20),
        std::vector<char>{'\xff', '\xff', '\xff', '\x7f', '{', '}'}})
  {
    EXPECT_EQ(p.instance->LoadChunk(kChunkId, broken), AAX_ERROR_MALFORMED_CHUNK) << broken.size();
    EXPECT_EQ(p.plug->ParamAt(kTargetValue)->Value(), target) << broken.size();
  }
  EXPECT_EQ(p.instance->LoadChunk(kChunkId, good, -5), AAX_ERROR_INCORRECT_CHUNK_SIZE);
  EXPECT_EQ(p.plug->ParamAt(kTargetValue)->Value(), target);
  EXPECT_EQ(p.instance->LoadChunk(kChunkId, good), AAX_SUCCESS);
}
} // namespace
