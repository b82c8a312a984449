// Object identity and lifetime: reference counting, queryInterface across the interface
// sub-objects of one object, the owning pointer, and class IDs with their text forms.

#include "TestDoubles.h"

#include "vst3/sdk/helpers/FUID.h"
#include "vst3/sdk/interfaces/IPlugView.h"

#include <gtest/gtest.h>

#include <thread>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
template <class I>
I* query(FUnknown* unknown, tresult* result = nullptr)
{
  void* obj = reinterpret_cast<void*>(1); // must be overwritten, also on failure
  const tresult r = unknown->queryInterface(I::iid, &obj);
  if (result)
    *result = r;
  return static_cast<I*>(obj);
}
} // namespace

TEST(FObject, CountStartsAtOneAndTheLastReleaseDeletes)
{
  auto* effect = new CountedEffect;
  ASSERT_EQ(CountedEffect::alive, 1);
  EXPECT_EQ(effect->refCount(), 1u);
  EXPECT_EQ(effect->addRef(), 2u);
  EXPECT_EQ(effect->release(), 1u);
  EXPECT_EQ(CountedEffect::alive, 1);
  EXPECT_EQ(effect->release(), 0u);
  EXPECT_EQ(CountedEffect::alive, 0);
}

TEST(FObject, ConcurrentReferencesBalance)
{
  auto effect = IPtr<CountedEffect>::adopt(new CountedEffect);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
  {
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i)
      {
        effect->addRef();
        effect->release();
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  EXPECT_EQ(effect->refCount(), 1u);
  EXPECT_EQ(CountedEffect::alive, 1);
  effect.reset();
  EXPECT_EQ(CountedEffect::alive, 0);
}

TEST(QueryInterface, EveryInterfaceOfOneObjectGivesTheSameIdentity)
{
  auto effect = IPtr<CountedEffect>::adopt(new CountedEffect);
  FUnknown* identity = effect->unknown();

  // Reach the object through each of its interfaces and ask each for every other one.
  const std::vector<FUnknown*> entries = {
    query<IComponent>(identity),      query<IAudioProcessor>(identity), query<IEditController>(identity),
    query<IEditController2>(identity), query<IPluginBase>(identity),     query<IProcessContextRequirements>(identity)};
  for (FUnknown* entry : entries)
  {
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(query<FUnknown>(entry), identity);
    EXPECT_EQ(query<IComponent>(entry), query<IComponent>(identity));
    EXPECT_EQ(query<IEditController>(entry), query<IEditController>(identity));
    EXPECT_EQ(query<IProcessContextRequirements>(entry), query<IProcessContextRequirements>(identity));
  }
  // Every successful query added one reference; dropping them must leave the creator's.
  const uint32 held = effect->refCount();
  for (uint32 i = 1; i < held; ++i)
    effect->release();
  EXPECT_EQ(effect->refCount(), 1u);
}

TEST(QueryInterface, RefusedInterfacesLeaveNullAndNoReference)
{
  auto effect = IPtr<CountedEffect>::adopt(new CountedEffect);
  tresult result = kResultOk;
  EXPECT_EQ(query<IConnectionPoint>(effect->unknown(), &result), nullptr);
  EXPECT_EQ(result, kNoInterface);
  EXPECT_EQ(query<IPlugView>(effect->unknown(), &result), nullptr);
  EXPECT_EQ(result, kNoInterface);
  EXPECT_EQ(effect->refCount(), 1u);

  void* obj = reinterpret_cast<void*>(1);
  EXPECT_EQ(effect->queryInterface(nullptr, &obj), kInvalidArgument);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(effect->queryInterface(IComponent::iid, nullptr), kInvalidArgument);
  EXPECT_EQ(effect->refCount(), 1u);

  // An ID that differs from IComponent's only in its last byte.
  TUID almost;
  std::memcpy(almost, IComponent::iid, sizeof(TUID));
  almost[15] ^= 1;
  EXPECT_EQ(effect->queryInterface(almost, &obj), kNoInterface);
}

TEST(QueryInterface, UnalignedIdsAreRead)
{
  auto effect = IPtr<CountedEffect>::adopt(new CountedEffect);
  alignas(8) int8 buffer[17 + 16];
  std::memcpy(buffer + 1, IAudioProcessor::iid, sizeof(TUID));
  void* obj = nullptr;
  ASSERT_EQ(effect->queryInterface(buffer + 1, &obj), kResultOk);
  EXPECT_EQ(obj, static_cast<IAudioProcessor*>(effect.get()));
  static_cast<IAudioProcessor*>(obj)->release();
}

TEST(IPtr, SharesOrAdoptsExactlyOneReference)
{
  auto* effect = new CountedEffect;
  {
    IPtr<IComponent> shared(static_cast<IComponent*>(effect));
    EXPECT_EQ(effect->refCount(), 2u);
    IPtr<IComponent> copy = shared;
    EXPECT_EQ(effect->refCount(), 3u);
    IPtr<IComponent> moved = std::move(copy);
    EXPECT_EQ(effect->refCount(), 3u);
    moved.reset(static_cast<IComponent*>(effect)); // the same pointer again
    EXPECT_EQ(effect->refCount(), 3u);
    IPtr<IEditController> queried = queryFrom<IEditController>(static_cast<IComponent*>(effect));
    EXPECT_EQ(effect->refCount(), 4u);
    EXPECT_FALSE(queryFrom<IConnectionPoint>(static_cast<IComponent*>(effect)));
  }
  EXPECT_EQ(effect->refCount(), 1u);
  IPtr<CountedEffect> owner = IPtr<CountedEffect>::adopt(effect);
  EXPECT_EQ(effect->refCount(), 1u);
  owner.reset();
  EXPECT_EQ(CountedEffect::alive, 0);
}

TEST(FUID, WordsBytesAndTextAgree)
{
  const FUID component(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
  EXPECT_EQ(component.toString(), "E831FF31F2D54301928EBBEE25697802");
  EXPECT_EQ(component.toRegistryString(), "{E831FF31-F2D5-4301-928E-BBEE25697802}");
  EXPECT_EQ(std::memcmp(component.data(), IComponent::iid, sizeof(TUID)), 0);
  EXPECT_EQ(FUID::fromTUID(IComponent::iid), component);
  EXPECT_EQ(component.getLong1(), 0xE831FF31u);
  EXPECT_EQ(component.getLong2(), 0xF2D54301u);
  EXPECT_EQ(component.getLong3(), 0x928EBBEEu);
  EXPECT_EQ(component.getLong4(), 0x25697802u);

  // Leading zero digits are kept.
  EXPECT_EQ(FUID(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB).toString(), "0007B650F24B4C0BA464EDB9F00B2ABB");

  TUID copied = {};
  component.toTUID(copied);
  EXPECT_EQ(std::memcmp(copied, IComponent::iid, sizeof(TUID)), 0);
}

TEST(FUID, TextFormsParseBackAndBadTextIsRefused)
{
  const FUID id(0x0DE7AEF2, 0xDE004E4F, 0x5476726B, 0x516E6D6B);
  EXPECT_EQ(FUID::fromString(id.toString()), id);
  EXPECT_EQ(FUID::fromString(id.toRegistryString()), id);
  EXPECT_EQ(FUID::fromString("0de7aef2de004e4f5476726b516e6d6b"), id);

  EXPECT_FALSE(FUID::fromString(""));
  EXPECT_FALSE(FUID::fromString("0DE7AEF2DE004E4F5476726B516E6D6")); // 31 digits
  EXPECT_FALSE(FUID::fromString("0DE7AEF2DE004E4F5476726B516E6D6G"));
  EXPECT_FALSE(FUID::fromString("{0DE7AEF2-DE00-4E4F-5476-726B516E6D6B"));
  EXPECT_FALSE(FUID::fromString("{0DE7AEF2DE00-4E4F-5476-726B516E6D6B-}"));
}

TEST(FUID, ComparesAllSixteenBytes)
{
  const FUID a(1, 2, 3, 4);
  EXPECT_EQ(a, FUID(1, 2, 3, 4));
  EXPECT_NE(a, FUID(1, 2, 3, 5));
  EXPECT_NE(a, FUID(0x01000000, 2, 3, 4));
  EXPECT_TRUE(FUID(1, 2, 3, 4) < FUID(1, 2, 3, 5));
  EXPECT_FALSE(FUID().isValid());
  EXPECT_TRUE(a.isValid());
  EXPECT_FALSE(FUID::fromTUID(nullptr).isValid());
}
