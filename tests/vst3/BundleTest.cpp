// The built TavrikQuenmark.vst3 as a host of this platform finds and loads it: where the binary
// sits, what its factory says, that the module info agrees, and instance creation.

#include "HostApplication.h"

#include "vst3/sdk/helpers/FUID.h"
#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/hosting/SharedModule.h"
#include "vst3/sdk/interfaces/IAudioProcessor.h"
#include "vst3/sdk/interfaces/IComponent.h"
#include "vst3/sdk/interfaces/IEditController.h"
#include "vst3/sdk/interfaces/IProcessContextRequirements.h"
#include "vst3/sdk/interfaces/ModuleExports.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
constexpr const char* kBundlePath = QUENMARK_VST3_BUNDLE_PATH;
constexpr const char* kModulePath = QUENMARK_VST3_MODULE_PATH;
const FUID kClassId(0xF2AEE70D, 0x00DE4F4E, 0x5476726B, 0x516E6D6B);

class Bundle : public ::testing::Test
{
protected:
  void SetUp() override
  {
    std::string error;
    module = SharedModule::open(kModulePath, error);
    ASSERT_TRUE(module) << error;
    getFactory = module->factoryFunction();
    ASSERT_TRUE(module->hasEntryPair() && getFactory);
    ASSERT_TRUE(module->enter());
    entered = true;
    factory = IPtr<IPluginFactory>::adopt(getFactory());
    ASSERT_TRUE(factory);
  }
  void TearDown() override
  {
    factory = {};
    if (entered)
    {
      EXPECT_TRUE(module->exit());
    }
    module.reset();
  }

  std::unique_ptr<SharedModule> module;
  bool entered = false;
  GetFactoryProc getFactory = nullptr;
  IPtr<IPluginFactory> factory;
};

TEST_F(Bundle, TheBinarySitsWhereHostsLookForIt)
{
  const std::string binary = kModulePath;
  EXPECT_EQ(binary, std::string(kBundlePath) + "/Contents/" + SharedModule::platformFolder() + "/" +
                      SharedModule::binaryFileName("TavrikQuenmark"));
  EXPECT_NE(std::string(kBundlePath).find("/TavrikQuenmark.vst3"), std::string::npos);
}

TEST_F(Bundle, TheFactoryDescribesOneEffectClass)
{
  IPluginFactory* again = getFactory();
  EXPECT_EQ(again, factory.get()) << "one factory, a reference more";
  again->release();

  PFactoryInfo info{};
  ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
  EXPECT_STREQ(info.vendor, "Tavrik");
  EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
  ASSERT_EQ(factory->countClasses(), 1);

  auto factory2 = queryFrom<IPluginFactory2>(factory.get());
  ASSERT_TRUE(factory2);
  PClassInfo2 entry{};
  ASSERT_EQ(factory2->getClassInfo2(0, &entry), kResultOk);
  // The four words in this platform's byte order: COM's on Windows (first word and the
  // halves of the second little-endian), as written on Linux.
  const unsigned char linuxId[16] = {0xF2, 0xAE, 0xE7, 0x0D, 0x00, 0xDE, 0x4F, 0x4E,
                                     0x54, 0x76, 0x72, 0x6B, 0x51, 0x6E, 0x6D, 0x6B};
  const unsigned char windowsId[16] = {0x0D, 0xE7, 0xAE, 0xF2, 0xDE, 0x00, 0x4E, 0x4F,
                                       0x54, 0x76, 0x72, 0x6B, 0x51, 0x6E, 0x6D, 0x6B};
  EXPECT_EQ(std::memcmp(entry.cid, kComCompatible ? windowsId : linuxId, 16), 0);
  EXPECT_EQ(entry.cardinality, PClassInfo::kManyInstances);
  EXPECT_STREQ(entry.category, "Audio Module Class");
  EXPECT_STREQ(entry.name, "TavrikQuenmark");
  EXPECT_EQ(entry.classFlags, 2u);
  EXPECT_STREQ(entry.subCategories, "Fx");
  EXPECT_STREQ(entry.vendor, "");
  EXPECT_STREQ(entry.version, "1.3.2");
  // The interfaces the binding implements, which decide how hosts fill the process context.
  EXPECT_STREQ(entry.sdkVersion, "VST 3.7.14");
}

TEST_F(Bundle, TheModuleInfoAgreesWithTheFactory)
{
  std::ifstream file(std::string(kBundlePath) + "/Contents/Resources/moduleinfo.json");
  ASSERT_TRUE(file);
  const nlohmann::json info = nlohmann::json::parse(file);
  EXPECT_EQ(info["Name"], "TavrikQuenmark");
  EXPECT_EQ(info["Version"], "1.3.2");
  PFactoryInfo factoryInfo{};
  factory->getFactoryInfo(&factoryInfo);
  EXPECT_EQ(info["Factory Info"]["Vendor"], factoryInfo.vendor);
  EXPECT_EQ(info["Factory Info"]["URL"], factoryInfo.url);
  EXPECT_EQ(info["Factory Info"]["E-Mail"], factoryInfo.email);
  EXPECT_EQ(info["Factory Info"]["Flags"]["Unicode"], true);
  EXPECT_EQ(info["Factory Info"]["Flags"]["Classes Discardable"], false);
  ASSERT_EQ(info["Classes"].size(), 1u);
  const nlohmann::json& entry = info["Classes"][0];
  EXPECT_EQ(entry["CID"], kClassId.toString());
  EXPECT_EQ(entry["Category"], "Audio Module Class");
  EXPECT_EQ(entry["Name"], "TavrikQuenmark");
  EXPECT_EQ(entry["Vendor"], "");
  EXPECT_EQ(entry["Version"], "1.3.2");
  PClassInfo2 classInfo{};
  ASSERT_EQ(queryFrom<IPluginFactory2>(factory.get())->getClassInfo2(0, &classInfo), kResultOk);
  EXPECT_EQ(entry["SDKVersion"], classInfo.sdkVersion);
  EXPECT_EQ(entry["Sub Categories"], nlohmann::json::array({"Fx"}));
  EXPECT_EQ(entry["Class Flags"], 2);
  EXPECT_EQ(entry["Cardinality"], 2147483647);
}

TEST_F(Bundle, CreateInstanceMakesWorkingObjectsForTheClassIdOnly)
{
  auto host = IPtr<HostApplication>::adopt(new HostApplication);
  for (const int8* iid : {IComponent::iid, IAudioProcessor::iid})
  {
    void* obj = nullptr;
    ASSERT_EQ(factory->createInstance(kClassId.data(), iid, &obj), kResultOk);
    auto unknown = IPtr<FUnknown>::adopt(static_cast<FUnknown*>(obj));
    auto component = queryFrom<IComponent>(unknown.get());
    ASSERT_TRUE(component);
    ASSERT_EQ(component->initialize(host->unknown()), kResultOk);
    EXPECT_EQ(component->getBusCount(kAudio, kOutput), 1);
    EXPECT_TRUE(queryFrom<IEditController>(unknown.get())) << "processor and controller are one object";
    // A class that reports interfaces of 3.7 or newer gets only the context it asks for.
    auto requirements = queryFrom<IProcessContextRequirements>(unknown.get());
    ASSERT_TRUE(requirements);
    const uint32 asked = requirements->getProcessContextRequirements();
    EXPECT_NE(asked & IProcessContextRequirements::kNeedTransportState, 0u);
    EXPECT_NE(asked & IProcessContextRequirements::kNeedTempo, 0u);
    EXPECT_EQ(component->terminate(), kResultOk);
  }
  const FUID other(0xF2AEE70D, 0x00DE4F4E, 0x5476726B, 0x516E6D6C);
  void* obj = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->createInstance(other.data(), IComponent::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
}

TEST_F(Bundle, InstancesCreatedFromSeveralThreadsAtOnceAreAllSound)
{
  constexpr int kThreads = 4;
  constexpr int kEach = 8;
  std::vector<std::thread> threads;
  std::vector<int> made(kThreads, 0);
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int n = 0; n < kEach; ++n)
      {
        void* obj = nullptr;
        if (factory->createInstance(kClassId.data(), IAudioProcessor::iid, &obj) == kResultOk && obj != nullptr)
        {
          ++made[static_cast<size_t>(t)];
          static_cast<IAudioProcessor*>(obj)->release();
        }
      }
    });
  for (std::thread& thread : threads)
    thread.join();
  for (int count : made)
    EXPECT_EQ(count, kEach);
}

TEST_F(Bundle, TheFactoryIsTakenAndDroppedFromSeveralThreadsAtOnce)
{
  // With no reference held elsewhere, every last release destroys the factory while the
  // other thread may be asking for it: it must get a live factory every time.
  factory = {};
  constexpr int kRounds = 20000;
  std::vector<std::thread> threads;
  std::vector<int> described(2, 0);
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&, t] {
      for (int n = 0; n < kRounds; ++n)
        if (IPluginFactory* f = getFactory())
        {
          described[static_cast<size_t>(t)] += f->countClasses();
          f->release();
        }
    });
  for (std::thread& thread : threads)
    thread.join();
  EXPECT_EQ(described[0], kRounds);
  EXPECT_EQ(described[1], kRounds);
}
} // namespace
