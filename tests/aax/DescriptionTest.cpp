// The description a host records at registration, and how failures in it are reported.

#include "AaxHarness.h"

#include "WDL/IPlug/AAX/AAX_CIPlugParameters.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_VHost.h"

#include <algorithm>
#include <cstring>

using namespace aaxtest;
using aaxhost::Field;

namespace
{
TEST(AaxDescription, OneEffectWithAMonoAndAStereoComponent)
{
  Described d;
  ASSERT_TRUE(d.module);
  const aaxhost::Collection& collection = d.module->Description();
  ASSERT_EQ(collection.Effects().size(), 1u);
  EXPECT_EQ(collection.Effects()[0].first, kEffectId);
  EXPECT_EQ(d.effect().Names(), std::vector<std::string>{"TavrikQuenmark"});
  EXPECT_EQ(collection.PackageNames(), std::vector<std::string>{"TavrikQuenmark"});
  EXPECT_EQ(collection.ManufacturerNames(), std::vector<std::string>{"Tavrik"});
  EXPECT_EQ(collection.PackageVersion(), 0x00010301u);
  EXPECT_TRUE(d.module->Record().Assertions().empty());
  EXPECT_NE(d.effect().Proc(kAAX_ProcPtrID_Create_EffectParameters), nullptr);
  EXPECT_NE(d.effect().Proc(kAAX_ProcPtrID_Create_EffectGUI), nullptr);
  EXPECT_TRUE(d.module->Record().UnknownIds().empty());

  ASSERT_EQ(d.effect().Components().size(), 2u);
  const struct
  {
    int32_t stem;
    const char* native;
    const char* audioSuite;
  } expected[] = {{0x00000001, "EFN1", "EFA1"}, {0x00010002, "EFN2", "EFA2"}};
  for (size_t c = 0; c < 2; ++c)
  {
    const aaxhost::ComponentDescriptor& component = *d.effect().Components()[c];
    EXPECT_EQ(aaxhost::FourCC(static_cast<uint32_t>(component.Property(13))), expected[c].native);
    EXPECT_EQ(aaxhost::FourCC(static_cast<uint32_t>(component.Property(14))), expected[c].audioSuite);
    const std::vector<std::pair<int32_t, int64_t>> properties = {
        {56, 0},          {51, expected[c].stem}, {52, expected[c].stem},           {60, 1},
        {11, 0x5476726B}, {12, 0x516E6D6B},       {13, component.Property(13)}, {14, component.Property(14)}};
    EXPECT_EQ(component.Properties(), properties) << "component " << c;

    // Fields 5, 6 and 9 are 4-byte private blocks, 7 the transport, 8 the instance.
    const auto& fields = component.Fields();
    ASSERT_EQ(fields.size(), 8u);
    EXPECT_EQ(fields.at(0).kind, Field::Kind::kAudioIn);
    EXPECT_EQ(fields.at(1).kind, Field::Kind::kAudioOut);
    EXPECT_EQ(fields.at(3).kind, Field::Kind::kBufferLength);
    for (int blank : {5, 6, 9})
    {
      EXPECT_EQ(fields.at(blank).kind, Field::Kind::kPrivateData) << blank;
      EXPECT_EQ(fields.at(blank).sizeBytes, 4) << blank;
    }
    EXPECT_EQ(fields.at(7).kind, Field::Kind::kMIDINode);
    EXPECT_EQ(fields.at(7).nodeType, AAX_eMIDINodeType_Transport);
    EXPECT_EQ(fields.at(7).nodeName, "Transport");
    EXPECT_EQ(fields.at(8).sizeBytes, 8);
  }
}

TEST(AaxDescription, TheHostSeesTheCallsInTheOrderItExpects)
{
  Described d;
  ASSERT_TRUE(d.module);
  std::vector<std::string> calls;
  for (const std::string& call : d.module->DescriptionCalls())
    if (call.rfind("CreateComponent", 0) != 0)
      calls.push_back(call);
  const std::vector<std::string> head = {"AddName(\"TavrikQuenmark\")", "AddPackageName(\"TavrikQuenmark\")",
                                         "AddCategory(0)",           "AddPrivateData(6, 4, 0)",
                                         "AddPrivateData(5, 4, 0)"};
  ASSERT_GE(calls.size(), head.size());
  EXPECT_TRUE(std::equal(head.begin(), head.end(), calls.begin())) << ::testing::PrintToString(calls);
  EXPECT_EQ(calls.back(), "SetPackageVersion(0x00010301)") << ::testing::PrintToString(calls);
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("AddComponent", 0) == 0; }),
            2);
}

TEST(AaxDescription, PiecesThatAreNotInOutAreSkippedAndFailuresReachTheHost)
{
  Described d;
  ASSERT_TRUE(d.module);
  auto* host = reinterpret_cast<IACFUnknown*>(d.module->HostUnknown());
  IPlugAAX_Description description = IPlugAAX_ModuleDescription();
  description.channelIO = "x 0-1 2-2 3-3";
  {
    AAX_VCollection collection(host);
    ASSERT_TRUE(collection.Valid());
    EXPECT_EQ(IPlugAAX_Describe(collection, description), AAX_SUCCESS);
    // The same effect again in one collection: refused, and reported to the host.
    const AAX_Result twice = IPlugAAX_Describe(collection, description);
    EXPECT_NE(twice, AAX_SUCCESS);
  }
  const aaxhost::Collection& made = *d.module->Factory().Collections().back();
  const auto& components = made.Effect(kEffectId)->Components();
  ASSERT_EQ(components.size(), 2u); // "x" takes no table position; only two fit the tables
  EXPECT_EQ(components[0]->Property(AAX_eProperty_InputStemFormat), AAX_eStemFormat_Mono) << "0-1 reads 1 input";
  EXPECT_EQ(components[0]->Property(AAX_eProperty_PlugInID_Native), 0x45464E31);
  EXPECT_EQ(components[1]->Property(AAX_eProperty_InputStemFormat), AAX_eStemFormat_Stereo);
  const std::vector<std::string> assertions = d.module->Record().Assertions();
  ASSERT_EQ(assertions.size(), 1u);
  EXPECT_NE(assertions[0].find("err == AAX_SUCCESS"), std::string::npos) << assertions[0];
}

TEST(AaxDescription, StemFormatsFollowTheChannelCount)
{
  const std::pair<int, AAX_EStemFormat> table[] = {{1, 0x00000001}, {2, 0x00010002}, {3, 0x00020003},
                                                    {4, 0x00040004}, {5, 0x00050005}, {6, 0x00060006},
                                                    {7, 0x00080007}, {8, 0x000C0008}, {0, AAX_eStemFormat_None},
                                                    {9, AAX_eStemFormat_None}};
  for (const auto& [channels, format] : table)
    EXPECT_EQ(IPlugAAX_StemFormatFor(channels), format) << channels;
}

TEST(AaxDescription, TheEntryPointsRefuseBadInputAndReportTheVersion)
{
  Described d;
  ASSERT_TRUE(d.module);
  IACFPluginDefinition* definition = nullptr;
  EXPECT_EQ(ACFRegisterPlugin(nullptr, &definition), AAX_ERROR_NULL_ARGUMENT);
  EXPECT_EQ(ACFRegisterPlugin(reinterpret_cast<IACFUnknown*>(d.module->HostUnknown()), nullptr),
            AAX_ERROR_NULL_ARGUMENT);
  IACFComponentDefinition* component = reinterpret_cast<IACFComponentDefinition*>(1);
  EXPECT_EQ(ACFRegisterComponent(nullptr, 0, &component), AAX_SUCCESS);
  EXPECT_EQ(component, nullptr);
  void* factory = reinterpret_cast<void*>(1);
  EXPECT_EQ(ACFGetClassFactory(nullptr, IID_IACFUnknown, IID_IACFUnknown, &factory), AAX_ERROR_UNIMPLEMENTED);
  EXPECT_EQ(factory, nullptr);
  EXPECT_EQ(ACFGetSDKVersion(nullptr), AAX_ERROR_NULL_ARGUMENT);
  acfUInt64 version = 0;
  EXPECT_EQ(ACFGetSDKVersion(&version), AAX_SUCCESS);
  EXPECT_EQ(version, 0x0000020901345D68u);
}

TEST(AaxDescription, ThePrivateBlockNamesTheInstanceAndOtherFieldsAreZeroed)
{
  Plugin p;
  ASSERT_TRUE(p.plug);
  AAX_SIPlugPrivateData data{nullptr};
  EXPECT_EQ(p->ResetFieldData(kAAXField_PrivateData, &data, sizeof data), AAX_SUCCESS);
  EXPECT_EQ(data.plugin, static_cast<AAX_CIPlugParameters*>(p.plug));
  int32_t length = 77;
  EXPECT_EQ(p->ResetFieldData(kAAXField_BufferLength, &length, sizeof length), AAX_SUCCESS);
  EXPECT_EQ(length, 0);
  EXPECT_TRUE(p.described.module->Record().Assertions().empty());

  // A block of the wrong size is reported; a larger one still receives the address.
  unsigned char large[16] = {};
  EXPECT_EQ(p->ResetFieldData(kAAXField_PrivateData, large, sizeof large), AAX_SUCCESS);
  AAX_SIPlugPrivateData stored{nullptr};
  std::memcpy(&stored, large, sizeof stored);
  EXPECT_EQ(stored.plugin, static_cast<AAX_CIPlugParameters*>(p.plug));
  unsigned char small[4] = {1, 2, 3, 4};
  EXPECT_EQ(p->ResetFieldData(kAAXField_PrivateData, small, sizeof small), AAX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(small[0], 1) << "nothing written past a block too small for the address";
  const std::vector<std::string> assertions = p.described.module->Record().Assertions();
  ASSERT_EQ(assertions.size(), 2u);
  EXPECT_NE(assertions[0].find("iDataSize == sizeof(AAX_SIPlugPrivateData)"), std::string::npos) << assertions[0];
  EXPECT_NE(assertions[0].find("AAX_CIPlugParameters"), std::string::npos) << assertions[0];
  EXPECT_EQ(p->ResetFieldData(kAAXField_PrivateData, nullptr, 8), AAX_ERROR_NULL_ARGUMENT);
}
} // namespace
