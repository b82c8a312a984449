// The description a host records at registration, and how failures in it are reported.

#include "AaxHarness.h"

#include "WDL/IPlug/AAX/AAX_CIPlugParameters.h"

#include <algorithm>
#include <cstring>

using namespace aaxtest;
using aaxhost::Field;

namespace
{
TEST(AaxDescription, OneEffectWithAMonoAndAStereoComponent)
{
  Described d;
  ASSERT_EQ(d.result, AAX_SUCCESS);
  ASSERT_EQ(d.collection.Effects().size(), 1u);
  EXPECT_EQ(d.collection.Effects()[0].first, kEffectId);
  EXPECT_EQ(d.effect().Names(), std::vector<std::string>{"TavrikQuenmark"});
  EXPECT_EQ(d.collection.PackageNames(), std::vector<std::string>{"TavrikQuenmark"});
  EXPECT_EQ(d.collection.ManufacturerNames(), std::vector<std::string>{"Tavrik"});
  EXPECT_EQ(d.collection.PackageVersion(), 0x00010301u);
  EXPECT_TRUE(d.collection.Assertions().empty());
  EXPECT_NE(d.effect().Proc(kAAX_ProcPtrID_Create_EffectParameters), nullptr);
  EXPECT_NE(d.effect().Proc(kAAX_ProcPtrID_Create_EffectGUI), nullptr);

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
    std::vector<std::pair<int32_t, AAX_CPropertyValue>> properties = {
        {56, 0}, {51, expected[c].stem}, {52, expected[c].stem}, {60, 1}, {11, 0x5476726B}, {12, 0x516E6D6B}};
    EXPECT_EQ(aaxhost::FourCC(static_cast<uint32_t>(component.Property(13))), expected[c].native);
    EXPECT_EQ(aaxhost::FourCC(static_cast<uint32_t>(component.Property(14))), expected[c].audioSuite);
    ASSERT_NE(component.Properties(), nullptr);
    properties.emplace_back(13, component.Property(13));
    properties.emplace_back(14, component.Property(14));
    EXPECT_EQ(component.Properties()->Properties(), properties) << "component " << c;

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

TEST(AaxDescription, CallsComeInTheOrderHostsExpect)
{
  Described d;
  const std::vector<std::string>& calls = d.collection.Calls();
  const std::vector<std::string> head = {"NewDescriptor()", "AddName(\"TavrikQuenmark\")",
                                         "AddPackageName(\"TavrikQuenmark\")", "AddCategory(0)",
                                         "NewComponentDescriptor()", "AddPrivateData(6, 4, 0)",
                                         "AddPrivateData(5, 4, 0)", "AddMIDINode(7, 3, \"Transport\", 0x0000FFFF)",
                                         "AddAudioIn(0)", "AddAudioOut(1)", "AddAudioBufferLength(3)",
                                         "AddPrivateData(9, 4, 0)", "AddPrivateData(8, 8, 0)", "NewPropertyMap()"};
  ASSERT_GE(calls.size(), head.size());
  EXPECT_TRUE(std::equal(head.begin(), head.end(), calls.begin()));
  const std::vector<std::string> tail = {"AddProcPtr(0)", "AddProcPtr(1)",
                                         "AddEffect(\"com.Tavrik.aax.TavrikQuenmark\")",
                                         "SetManufacturerName(\"Tavrik\")", "SetPackageVersion(0x00010301)"};
  EXPECT_TRUE(std::equal(tail.rbegin(), tail.rend(), calls.rbegin()));
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "AddComponent()"), 2);
}

// A collection whose descriptors refuse what the test names.
class RefusingCollection final : public AAX_ICollection
{
public:
  AAX_IEffectDescriptor* NewDescriptor() override { return giveDescriptor ? inner.NewDescriptor() : nullptr; }
  AAX_Result AddEffect(const char* id, AAX_IEffectDescriptor* d) override
  {
    ++effectsAdded;
    return inner.AddEffect(id, d);
  }
  AAX_Result SetManufacturerName(const char* n) override { return inner.SetManufacturerName(n); }
  AAX_Result AddPackageName(const char* n) override { return inner.AddPackageName(n); }
  AAX_Result SetPackageVersion(uint32_t v) override { return inner.SetPackageVersion(v); }
  void HandleAssertion(const char* condition, const char* source) override
  {
    assertions.push_back(std::string(source) + ": " + condition);
  }
  aaxhost::Collection inner;
  bool giveDescriptor = true;
  int effectsAdded = 0;
  std::vector<std::string> assertions;
};

TEST(AaxDescription, FailuresAreReportedAndKeepTheEffectOutWhileTheRestIsDescribed)
{
  RefusingCollection none;
  none.giveDescriptor = false;
  EXPECT_EQ(GetEffectDescriptions(&none), AAX_ERROR_NULL_OBJECT);
  EXPECT_TRUE(none.inner.Calls().empty());
  EXPECT_EQ(GetEffectDescriptions(nullptr), AAX_ERROR_NULL_OBJECT);

  // Pieces that are not "in-out" are skipped; no more configurations than the tables hold.
  IPlugAAX_Description description = IPlugAAX_ModuleDescription();
  description.channelIO = "x 0-1 2-2 3-3";
  RefusingCollection collection;
  EXPECT_EQ(IPlugAAX_Describe(&collection, description), AAX_SUCCESS);
  const auto& components = collection.inner.Effect(kEffectId)->Components();
  ASSERT_EQ(components.size(), 2u); // "x" takes no table position; only two fit the tables
  EXPECT_EQ(components[0]->Property(AAX_eProperty_InputStemFormat), AAX_eStemFormat_Mono) << "0-1 reads 1 input";
  EXPECT_EQ(components[0]->Property(AAX_eProperty_PlugInID_Native), 0x45464E31);
  EXPECT_EQ(components[1]->Property(AAX_eProperty_InputStemFormat), AAX_eStemFormat_Stereo);

  // A creation procedure the host refuses: the error is kept, no effect is added, and
  // the maker's name and version are still set.
  description.channelIO = "1-1";
  description.createGUI = nullptr;
  RefusingCollection refusing;
  EXPECT_EQ(IPlugAAX_Describe(&refusing, description), AAX_ERROR_NULL_ARGUMENT);
  EXPECT_EQ(refusing.effectsAdded, 0);
  EXPECT_EQ(refusing.inner.ManufacturerNames(), std::vector<std::string>{"Tavrik"});
  EXPECT_EQ(refusing.inner.PackageVersion(), 0x00010301u);

  // An effect the collection refuses (its ID is taken): reported to the assertion handler.
  RefusingCollection twice;
  EXPECT_EQ(GetEffectDescriptions(&twice), AAX_SUCCESS);
  EXPECT_EQ(GetEffectDescriptions(&twice), AAX_ERROR_DUPLICATE_ID);
  EXPECT_EQ(twice.assertions, std::vector<std::string>{"IPlugAAX_Describe: err == AAX_SUCCESS"});
}

TEST(AaxDescription, StemFormatsFollowTheChannelCount)
{
  const std::pair<int, AAX_EStemFormat> table[] = {{1, 0x00000001}, {2, 0x00010002}, {3, 0x00020003},
                                                    {4, 0x00040004}, {5, 0x00050005}, {6, 0x00060006},
                                                    {7, 0x00080007}, {8, 0x000C0008}, {0, AAX_eStemFormat_None},
                                                    {9, AAX_eStemFormat_None}};
  for (const auto& [channels, format] : table)
  {
    EXPECT_EQ(IPlugAAX_StemFormatFor(channels), format) << channels;
    if (format != AAX_eStemFormat_None)
    {
      EXPECT_EQ(AAX_StemChannelCount(format), channels);
    }
  }
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
  EXPECT_TRUE(p.instance->HostController().Assertions().empty());

  // A block of the wrong size is reported; a larger one still receives the address.
  unsigned char large[16] = {};
  EXPECT_EQ(p->ResetFieldData(kAAXField_PrivateData, large, sizeof large), AAX_SUCCESS);
  AAX_SIPlugPrivateData stored{nullptr};
  std::memcpy(&stored, large, sizeof stored);
  EXPECT_EQ(stored.plugin, static_cast<AAX_CIPlugParameters*>(p.plug));
  unsigned char small[4] = {1, 2, 3, 4};
  EXPECT_EQ(p->ResetFieldData(kAAXField_PrivateData, small, sizeof small), AAX_ERROR_INVALID_ARGUMENT);
  EXPECT_EQ(small[0], 1) << "nothing written past a block too small for the address";
  EXPECT_EQ(p.instance->HostController().Assertions(),
            (std::vector<std::string>{"AAX_CIPlugParameters: iDataSize == sizeof(AAX_SIPlugPrivateData)",
                                      "AAX_CIPlugParameters: iDataSize == sizeof(AAX_SIPlugPrivateData)"}));
  EXPECT_EQ(p->ResetFieldData(kAAXField_PrivateData, nullptr, 8), AAX_ERROR_NULL_ARGUMENT);
}
} // namespace
