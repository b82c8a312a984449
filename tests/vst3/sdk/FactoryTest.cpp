// The class factory: descriptions in all three forms, and instance creation by the 16
// raw bytes of a class ID with exactly one reference for the caller.

#include "TestDoubles.h"

#include "vst3/sdk/helpers/CPluginFactory.h"
#include "vst3/sdk/helpers/FUID.h"
#include "vst3/sdk/helpers/Utf16.h"
#include "vst3/sdk/interfaces/ClassCategories.h"
#include "vst3/sdk/interfaces/IPlugView.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
// The class ID holds zero bytes, so any text handling of IDs would cut it short.
const FUID kEffectId(0x12000034, 0x00560078, 0x9A00BC00, 0x00DE00F0);
const FUID kWideId(0x0DE7AEF2, 0xDE004E4F, 0x5476726B, 0x516E6D6B);

FUnknown* createEffect(void*)
{
  return static_cast<IAudioProcessor*>(new CountedEffect);
}

FUnknown* createNothing(void*)
{
  return nullptr;
}

FUnknown* createThrowing(void*)
{
  throw std::bad_alloc();
}

class FactoryTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    PFactoryInfo info{};
    copyText8("Vendor", info.vendor);
    copyText8("https://example.invalid", info.url);
    info.flags = PFactoryInfo::kUnicode;
    factory = IPtr<CPluginFactory>::adopt(new CPluginFactory(info));

    PClassInfo2 effect{};
    kEffectId.toTUID(effect.cid);
    effect.cardinality = PClassInfo::kManyInstances;
    copyText8(kVstAudioEffectClass, effect.category);
    copyText8("Gain \xC3\xA9", effect.name); // UTF-8
    copyText8("Fx|Dynamics", effect.subCategories);
    copyText8("1.3.2", effect.version);
    copyText8(kVstVersionString, effect.sdkVersion);
    ASSERT_TRUE(factory->registerClass(effect, &createEffect));

    PClassInfoW wide{};
    kWideId.toTUID(wide.cid);
    copyText8(kVstAudioEffectClass, wide.category);
    copyText16(u"Wide \u20AC", wide.name);
    wide.classFlags = kSimpleModeSupported;
    copyText16(u"Maker", wide.vendor);
    ASSERT_TRUE(factory->registerClass(wide, &createNothing));
  }

  template <class I>
  I* create(const FUID& cid, tresult& result)
  {
    void* obj = reinterpret_cast<void*>(1);
    result = factory->createInstance(cid.data(), I::iid, &obj);
    return static_cast<I*>(obj);
  }

  IPtr<CPluginFactory> factory;
};
} // namespace

TEST_F(FactoryTest, DescribesTheFactoryAndItsClassesInOrder)
{
  PFactoryInfo info{};
  ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
  EXPECT_STREQ(info.vendor, "Vendor");
  EXPECT_STREQ(info.email, "");
  EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
  EXPECT_EQ(factory->countClasses(), 2);

  PClassInfo2 info2{};
  ASSERT_EQ(factory->getClassInfo2(0, &info2), kResultOk);
  EXPECT_EQ(FUID::fromTUID(info2.cid), kEffectId);
  EXPECT_EQ(info2.cardinality, PClassInfo::kManyInstances);
  EXPECT_STREQ(info2.category, "Audio Module Class");
  EXPECT_STREQ(info2.subCategories, "Fx|Dynamics");
  EXPECT_STREQ(info2.sdkVersion, "VST 3.7.14");

  PClassInfo info1{};
  ASSERT_EQ(factory->getClassInfo(1, &info1), kResultOk);
  EXPECT_EQ(FUID::fromTUID(info1.cid), kWideId);
  EXPECT_STREQ(info1.name, "Wide \xE2\x82\xAC"); // UTF-16 registration narrowed to UTF-8

  PClassInfoW infoW{};
  ASSERT_EQ(factory->getClassInfoUnicode(0, &infoW), kResultOk);
  EXPECT_EQ(std::u16string(infoW.name), u"Gain \u00E9"); // UTF-8 registration widened
  EXPECT_EQ(std::u16string(infoW.version), u"1.3.2");
  EXPECT_STREQ(infoW.subCategories, "Fx|Dynamics");
  ASSERT_EQ(factory->getClassInfoUnicode(1, &infoW), kResultOk);
  EXPECT_EQ(infoW.classFlags, static_cast<uint32>(kSimpleModeSupported));
  EXPECT_EQ(std::u16string(infoW.vendor), u"Maker");
}

TEST_F(FactoryTest, BadIndexesAndPointersAreRefused)
{
  PClassInfo info1{};
  PClassInfo2 info2{};
  PClassInfoW infoW{};
  EXPECT_EQ(factory->getClassInfo(2, &info1), kInvalidArgument);
  EXPECT_EQ(factory->getClassInfo2(-1, &info2), kInvalidArgument);
  EXPECT_EQ(factory->getClassInfoUnicode(5, &infoW), kInvalidArgument);
  EXPECT_EQ(factory->getClassInfo2(0, nullptr), kInvalidArgument);
  EXPECT_EQ(factory->getFactoryInfo(nullptr), kInvalidArgument);
}

TEST_F(FactoryTest, RegistrationRefusesDuplicatesAndMissingCreators)
{
  PClassInfo again{};
  kEffectId.toTUID(again.cid);
  EXPECT_FALSE(factory->registerClass(again, &createEffect));
  PClassInfo other{};
  FUID(1, 2, 3, 4).toTUID(other.cid);
  EXPECT_FALSE(factory->registerClass(other, nullptr));
  EXPECT_EQ(factory->countClasses(), 2);
}

TEST_F(FactoryTest, CreatesByClassIdWithOneReferenceForTheCaller)
{
  tresult result = kInternalError;
  IComponent* component = create<IComponent>(kEffectId, result);
  ASSERT_EQ(result, kResultOk);
  ASSERT_NE(component, nullptr);
  EXPECT_EQ(CountedEffect::alive, 1);
  EXPECT_EQ(static_cast<CountedEffect*>(component)->refCount(), 1u);

  IAudioProcessor* processor = create<IAudioProcessor>(kEffectId, result);
  ASSERT_EQ(result, kResultOk);
  EXPECT_EQ(CountedEffect::alive, 2); // every call makes a new object
  EXPECT_EQ(component->release(), 0u);
  EXPECT_EQ(processor->release(), 0u);
  EXPECT_EQ(CountedEffect::alive, 0);
}

TEST_F(FactoryTest, FailuresLeaveNullAndNoObjectBehind)
{
  tresult result = kResultOk;
  EXPECT_EQ(create<IComponent>(FUID(0x12000034, 0x00560078, 0x9A00BC00, 0x00DE00F1), result), nullptr);
  EXPECT_EQ(result, kNoInterface);
  EXPECT_EQ(create<IPlugView>(kEffectId, result), nullptr); // the object lacks the interface
  EXPECT_EQ(result, kNoInterface);
  EXPECT_EQ(CountedEffect::alive, 0);
  EXPECT_EQ(create<IComponent>(kWideId, result), nullptr); // creator returned null
  EXPECT_EQ(result, kNoInterface);

  PClassInfo throwing{};
  FUID(5, 6, 7, 8).toTUID(throwing.cid);
  ASSERT_TRUE(factory->registerClass(throwing, &createThrowing));
  EXPECT_EQ(create<IComponent>(FUID(5, 6, 7, 8), result), nullptr);
  EXPECT_EQ(result, kOutOfMemory);

  void* obj = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->createInstance(nullptr, IComponent::iid, &obj), kInvalidArgument);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(factory->createInstance(kEffectId.data(), IComponent::iid, nullptr), kInvalidArgument);
}

TEST_F(FactoryTest, AnswersAllThreeFactoryInterfaces)
{
  FUnknown* unknown = factory->unknown();
  for (const int8* iid : {IPluginFactory::iid, IPluginFactory2::iid, IPluginFactory3::iid})
  {
    void* obj = nullptr;
    ASSERT_EQ(unknown->queryInterface(iid, &obj), kResultOk);
    // One chain: every factory interface is the same sub-object.
    EXPECT_EQ(static_cast<IPluginFactory*>(obj), static_cast<IPluginFactory*>(factory.get()));
    static_cast<FUnknown*>(obj)->release();
  }
  void* obj = nullptr;
  ASSERT_EQ(static_cast<IPluginFactory3*>(factory.get())->queryInterface(FUnknown::iid, &obj), kResultOk);
  EXPECT_EQ(obj, unknown);
  unknown->release();
  EXPECT_EQ(factory->refCount(), 1u);
}

#if defined(__linux__)
namespace
{
class RunLoop : public FObject, public Linux::IRunLoop
{
public:
  tresult PLUGIN_API registerEventHandler(Linux::IEventHandler*, Linux::FileDescriptor) override { return kNotImplemented; }
  tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler*) override { return kNotImplemented; }
  tresult PLUGIN_API registerTimer(Linux::ITimerHandler*, Linux::TimerInterval) override { return kNotImplemented; }
  tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler*) override { return kNotImplemented; }
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
  {
    if (answerAs<Linux::IRunLoop>(this, iid, obj))
      return kResultOk;
    return FObject::queryInterface(iid, obj);
  }
  VST3SDK_REFCOUNT_METHODS(FObject)
};
} // namespace

TEST_F(FactoryTest, KeepsTheHostsRunLoopFromTheContext)
{
  auto runLoop = IPtr<RunLoop>::adopt(new RunLoop);
  EXPECT_EQ(factory->setHostContext(runLoop->unknown()), kResultTrue);
  EXPECT_EQ(factory->getRunLoop(), static_cast<Linux::IRunLoop*>(runLoop.get()));
  EXPECT_EQ(runLoop->refCount(), 2u);

  auto plain = IPtr<CountedEffect>::adopt(new CountedEffect); // answers no run loop
  EXPECT_EQ(factory->setHostContext(plain->unknown()), kResultTrue);
  EXPECT_EQ(factory->getRunLoop(), nullptr);
  EXPECT_EQ(runLoop->refCount(), 1u);
  EXPECT_EQ(factory->setHostContext(nullptr), kResultTrue);
}
#endif
