// The binary interface as hosts see it: interface IDs, v-table slots and method
// signatures, checked against the published values. Struct sizes and offsets are
// asserted where the structs are declared.

#include "vst3/sdk/interfaces/IAttributeList.h"
#include "vst3/sdk/interfaces/IAudioProcessor.h"
#include "vst3/sdk/interfaces/IBStream.h"
#include "vst3/sdk/interfaces/IComponent.h"
#include "vst3/sdk/interfaces/IComponentHandler.h"
#include "vst3/sdk/interfaces/IConnectionPoint.h"
#include "vst3/sdk/interfaces/IContextMenu.h"
#include "vst3/sdk/interfaces/IEditController.h"
#include "vst3/sdk/interfaces/IEventList.h"
#include "vst3/sdk/interfaces/IHostApplication.h"
#include "vst3/sdk/interfaces/ILinuxRunLoop.h"
#include "vst3/sdk/interfaces/IMessage.h"
#include "vst3/sdk/interfaces/IMidiMapping.h"
#include "vst3/sdk/interfaces/IParameterChanges.h"
#include "vst3/sdk/interfaces/IParameterFinder.h"
#include "vst3/sdk/interfaces/IPlugInterfaceSupport.h"
#include "vst3/sdk/interfaces/IPlugView.h"
#include "vst3/sdk/interfaces/IPlugViewContentScaleSupport.h"
#include "vst3/sdk/interfaces/IPluginFactory.h"
#include "vst3/sdk/interfaces/ProcessContext.h"
#include "vst3/sdk/interfaces/IProcessContextRequirements.h"
#include "vst3/sdk/interfaces/IStreamAttributes.h"
#include "vst3/sdk/interfaces/IUnitInfo.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <type_traits>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace Steinberg::Linux;

namespace
{
struct PublishedId
{
  const char* name;
  const int8* iid;
  uint32 words[4];
  const char* plainBytes; // Linux and macOS order
  const char* comBytes;   // Windows order
};

const PublishedId kPublishedIds[] = {
  {"FUnknown", FUnknown::iid, {0x00000000, 0x00000000, 0xC0000000, 0x00000046}, "00 00 00 00 00 00 00 00 C0 00 00 00 00 00 00 46", "00 00 00 00 00 00 00 00 C0 00 00 00 00 00 00 46"},
  {"IPluginBase", IPluginBase::iid, {0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625}, "22 88 8D DB 15 6E 45 AE 83 58 B3 48 08 19 06 25", "DB 8D 88 22 6E 15 AE 45 83 58 B3 48 08 19 06 25"},
  {"IPluginFactory", IPluginFactory::iid, {0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F}, "7A 4D 81 1C 52 11 4A 1F AE D9 D2 EE 0B 43 BF 9F", "1C 81 4D 7A 11 52 1F 4A AE D9 D2 EE 0B 43 BF 9F"},
  {"IPluginFactory2", IPluginFactory2::iid, {0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB}, "00 07 B6 50 F2 4B 4C 0B A4 64 ED B9 F0 0B 2A BB", "50 B6 07 00 4B F2 0B 4C A4 64 ED B9 F0 0B 2A BB"},
  {"IPluginFactory3", IPluginFactory3::iid, {0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931}, "45 55 A2 AB C1 23 4E 57 9B 12 29 10 36 87 89 31", "AB A2 55 45 23 C1 57 4E 9B 12 29 10 36 87 89 31"},
  {"IComponent", IComponent::iid, {0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802}, "E8 31 FF 31 F2 D5 43 01 92 8E BB EE 25 69 78 02", "31 FF 31 E8 D5 F2 01 43 92 8E BB EE 25 69 78 02"},
  {"IAudioProcessor", IAudioProcessor::iid, {0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D}, "42 04 3F 99 B7 DA 45 3C A5 69 E7 9D 9A AE C3 3D", "99 3F 04 42 DA B7 3C 45 A5 69 E7 9D 9A AE C3 3D"},
  {"IProcessContextRequirements", IProcessContextRequirements::iid, {0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0}, "2A 65 43 03 EF 76 4E 3D 95 B5 FE 83 73 0E F6 D0", "03 43 65 2A 76 EF 3D 4E 95 B5 FE 83 73 0E F6 D0"},
  {"IEditController", IEditController::iid, {0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E}, "DC D7 BB E3 77 42 44 8D A8 74 AA CC 97 9C 75 9E", "E3 BB D7 DC 42 77 8D 44 A8 74 AA CC 97 9C 75 9E"},
  {"IEditController2", IEditController2::iid, {0x7F4EFE59, 0xF3204967, 0xAC27A3AE, 0xAFB63038}, "7F 4E FE 59 F3 20 49 67 AC 27 A3 AE AF B6 30 38", "59 FE 4E 7F 20 F3 67 49 AC 27 A3 AE AF B6 30 38"},
  {"IComponentHandler", IComponentHandler::iid, {0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6}, "93 A0 BE A3 0B D0 45 DB 8E 89 0B 0C C1 E4 6A C6", "A3 BE A0 93 D0 0B DB 45 8E 89 0B 0C C1 E4 6A C6"},
  {"IComponentHandler2", IComponentHandler2::iid, {0xF040B4B3, 0xA36045EC, 0xABCDC045, 0xB4D5A2CC}, "F0 40 B4 B3 A3 60 45 EC AB CD C0 45 B4 D5 A2 CC", "B3 B4 40 F0 60 A3 EC 45 AB CD C0 45 B4 D5 A2 CC"},
  {"IComponentHandler3", IComponentHandler3::iid, {0x69F11617, 0xD26B400D, 0xA4B6B964, 0x7B6EBBAB}, "69 F1 16 17 D2 6B 40 0D A4 B6 B9 64 7B 6E BB AB", "17 16 F1 69 6B D2 0D 40 A4 B6 B9 64 7B 6E BB AB"},
  {"IContextMenuTarget", IContextMenuTarget::iid, {0x3CDF2E75, 0x85D34144, 0xBF86D36B, 0xD7C4894D}, "3C DF 2E 75 85 D3 41 44 BF 86 D3 6B D7 C4 89 4D", "75 2E DF 3C D3 85 44 41 BF 86 D3 6B D7 C4 89 4D"},
  {"IContextMenu", IContextMenu::iid, {0x2E93C863, 0x0C9C4588, 0x97DBECF5, 0xAD17817D}, "2E 93 C8 63 0C 9C 45 88 97 DB EC F5 AD 17 81 7D", "63 C8 93 2E 9C 0C 88 45 97 DB EC F5 AD 17 81 7D"},
  {"IConnectionPoint", IConnectionPoint::iid, {0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1}, "70 A4 15 6F 6E 6E 40 26 98 91 48 BF AA 60 D8 D1", "6F 15 A4 70 6E 6E 26 40 98 91 48 BF AA 60 D8 D1"},
  {"IMessage", IMessage::iid, {0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613}, "93 6F 03 3B C6 C0 47 DB BB 08 82 F8 13 C1 E6 13", "3B 03 6F 93 C0 C6 DB 47 BB 08 82 F8 13 C1 E6 13"},
  {"IAttributeList", IAttributeList::iid, {0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4}, "1E 5F 0A EB CC 7F 45 33 A2 54 40 11 38 AD 5E E4", "EB 0A 5F 1E 7F CC 33 45 A2 54 40 11 38 AD 5E E4"},
  {"IUnitInfo", IUnitInfo::iid, {0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1}, "3D 4B D6 B5 91 3A 4F D2 A8 86 E7 68 A5 EB 92 C1", "B5 D6 4B 3D 3A 91 D2 4F A8 86 E7 68 A5 EB 92 C1"},
  {"IMidiMapping", IMidiMapping::iid, {0xDF0FF9F7, 0x49B74669, 0xB63AB732, 0x7ADBF5E5}, "DF 0F F9 F7 49 B7 46 69 B6 3A B7 32 7A DB F5 E5", "F7 F9 0F DF B7 49 69 46 B6 3A B7 32 7A DB F5 E5"},
  {"IPlugView", IPlugView::iid, {0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29}, "5B C3 25 07 D0 60 49 EA A6 15 1B 52 2B 75 5B 29", "07 25 C3 5B 60 D0 EA 49 A6 15 1B 52 2B 75 5B 29"},
  {"IPlugFrame", IPlugFrame::iid, {0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3}, "36 7F AF 01 AF A9 46 93 8D 4D A2 A0 ED 08 82 A3", "01 AF 7F 36 A9 AF 93 46 8D 4D A2 A0 ED 08 82 A3"},
  {"IPlugViewContentScaleSupport", IPlugViewContentScaleSupport::iid, {0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F}, "65 ED 96 90 8A C4 45 25 8A AD EF 7A 72 EA 70 3F", "90 96 ED 65 C4 8A 25 45 8A AD EF 7A 72 EA 70 3F"},
  {"IHostApplication", IHostApplication::iid, {0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5}, "58 E5 95 CC DB 2D 49 69 8B 6A AF 8C 36 A6 64 E5", "CC 95 E5 58 2D DB 69 49 8B 6A AF 8C 36 A6 64 E5"},
  {"IBStream", IBStream::iid, {0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B}, "C3 BF 6E A2 30 99 47 52 9B 6B F9 90 1E E3 3E 9B", "A2 6E BF C3 99 30 52 47 9B 6B F9 90 1E E3 3E 9B"},
  {"ISizeableStream", ISizeableStream::iid, {0x04F9549E, 0xE02F4E6E, 0x87E86A87, 0x47F4E17F}, "04 F9 54 9E E0 2F 4E 6E 87 E8 6A 87 47 F4 E1 7F", "9E 54 F9 04 2F E0 6E 4E 87 E8 6A 87 47 F4 E1 7F"},
  {"IParameterChanges", IParameterChanges::iid, {0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D}, "A4 77 96 63 0B B6 4A 56 B4 43 84 A8 46 6F EB 9D", "63 96 77 A4 B6 0B 56 4A B4 43 84 A8 46 6F EB 9D"},
  {"IParamValueQueue", IParamValueQueue::iid, {0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA}, "01 26 3A 18 ED 07 4F 6F 98 C9 D3 56 46 86 F9 BA", "18 3A 26 01 07 ED 6F 4F 98 C9 D3 56 46 86 F9 BA"},
  {"IEventList", IEventList::iid, {0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44}, "3A 2C 42 14 34 63 49 FE B2 C4 F3 97 B9 69 5A 44", "14 42 2C 3A 63 34 FE 49 B2 C4 F3 97 B9 69 5A 44"},
  {"IRunLoop", IRunLoop::iid, {0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389}, "18 C3 53 66 97 76 4F 1A 9C 5B 83 85 7A 87 13 89", "66 53 C3 18 76 97 1A 4F 9C 5B 83 85 7A 87 13 89"},
  {"IEventHandler", IEventHandler::iid, {0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983}, "56 1E 65 C9 13 A0 49 6F 81 3A 2C 35 65 4D 79 83", "C9 65 1E 56 A0 13 6F 49 81 3A 2C 35 65 4D 79 83"},
  {"ITimerHandler", ITimerHandler::iid, {0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9}, "10 BD D9 4F 41 42 47 74 82 1F AD 8F EC A7 2C A9", "4F D9 BD 10 42 41 74 47 82 1F AD 8F EC A7 2C A9"},
  {"IAudioPresentationLatency", IAudioPresentationLatency::iid, {0x309ECE78, 0xEB7D4FAE, 0x8B2225D9, 0x09FD08B6}, "30 9E CE 78 EB 7D 4F AE 8B 22 25 D9 09 FD 08 B6", "78 CE 9E 30 7D EB AE 4F 8B 22 25 D9 09 FD 08 B6"},
  {"IComponentHandlerBusActivation", IComponentHandlerBusActivation::iid, {0x067D02C1, 0x5B4E274D, 0xA92D90FD, 0x6EAF7240}, "06 7D 02 C1 5B 4E 27 4D A9 2D 90 FD 6E AF 72 40", "C1 02 7D 06 4E 5B 4D 27 A9 2D 90 FD 6E AF 72 40"},
  {"IStreamAttributes", IStreamAttributes::iid, {0xD6CE2FFC, 0xEFAF4B8C, 0x9E74F1BB, 0x12DA44B4}, "D6 CE 2F FC EF AF 4B 8C 9E 74 F1 BB 12 DA 44 B4", "FC 2F CE D6 AF EF 8C 4B 9E 74 F1 BB 12 DA 44 B4"},
  {"IUnitHandler", IUnitHandler::iid, {0x4B5147F8, 0x4654486B, 0x8DAB30BA, 0x163A3C56}, "4B 51 47 F8 46 54 48 6B 8D AB 30 BA 16 3A 3C 56", "F8 47 51 4B 54 46 6B 48 8D AB 30 BA 16 3A 3C 56"},
  {"IMidiLearn", IMidiLearn::iid, {0x6B2449CC, 0x419740B5, 0xAB3C79DA, 0xC5FE5C86}, "6B 24 49 CC 41 97 40 B5 AB 3C 79 DA C5 FE 5C 86", "CC 49 24 6B 97 41 B5 40 AB 3C 79 DA C5 FE 5C 86"},
  {"IEditControllerHostEditing", IEditControllerHostEditing::iid, {0xC1271208, 0x70594098, 0xB9DD34B3, 0x6BB0195E}, "C1 27 12 08 70 59 40 98 B9 DD 34 B3 6B B0 19 5E", "08 12 27 C1 59 70 98 40 B9 DD 34 B3 6B B0 19 5E"},
  {"IParameterFinder", IParameterFinder::iid, {0x0F618302, 0x215D4587, 0xA512073C, 0x77B9D383}, "0F 61 83 02 21 5D 45 87 A5 12 07 3C 77 B9 D3 83", "02 83 61 0F 5D 21 87 45 A5 12 07 3C 77 B9 D3 83"},
  {"IPlugInterfaceSupport", IPlugInterfaceSupport::iid, {0x4FB58B9E, 0x9EAA4E0F, 0xAB361C1C, 0xCCB56FEA}, "4F B5 8B 9E 9E AA 4E 0F AB 36 1C 1C CC B5 6F EA", "9E 8B B5 4F AA 9E 0F 4E AB 36 1C 1C CC B5 6F EA"},
};

TuidBytes parseBytes(const char* text)
{
  TuidBytes bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i)
  {
    unsigned value = 0;
    EXPECT_EQ(std::sscanf(text + 3 * i, "%2x", &value), 1);
    bytes[i] = static_cast<int8>(value);
  }
  return bytes;
}

std::string hex(const int8* bytes)
{
  std::string text;
  char digits[4];
  for (int i = 0; i < 16; ++i)
  {
    std::snprintf(digits, sizeof(digits), "%02X ", static_cast<unsigned>(static_cast<uint8>(bytes[i])));
    text += digits;
  }
  return text;
}
} // namespace

TEST(InterfaceIds, EveryIdHasThePublishedBytesInBothPlatformOrders)
{
  for (const PublishedId& id : kPublishedIds)
  {
    SCOPED_TRACE(id.name);
    const TuidBytes plain = tuidFromWords(id.words[0], id.words[1], id.words[2], id.words[3], false);
    const TuidBytes com = tuidFromWords(id.words[0], id.words[1], id.words[2], id.words[3], true);
    EXPECT_EQ(hex(plain.data()), hex(parseBytes(id.plainBytes).data()));
    EXPECT_EQ(hex(com.data()), hex(parseBytes(id.comBytes).data()));
    // The class's own ID is the one of this platform.
    EXPECT_EQ(hex(id.iid), hex(kComCompatible ? com.data() : plain.data()));
  }
}

TEST(InterfaceIds, WorkedExampleOfTheByteRule)
{
  const TuidBytes linuxOrder = tuidFromWords(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802, false);
  const TuidBytes windowsOrder = tuidFromWords(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802, true);
  EXPECT_EQ(hex(linuxOrder.data()), "E8 31 FF 31 F2 D5 43 01 92 8E BB EE 25 69 78 02 ");
  EXPECT_EQ(hex(windowsOrder.data()), "31 FF 31 E8 D5 F2 01 43 92 8E BB EE 25 69 78 02 ");
#if defined(__linux__)
  EXPECT_EQ(hex(IComponent::iid), "E8 31 FF 31 F2 D5 43 01 92 8E BB EE 25 69 78 02 ");
#endif
}

TEST(InterfaceIds, TheTableNamesEveryInterfaceOnceAndFindsThemBack)
{
  std::size_t count = 0;
  const KnownInterface* table = knownInterfaces(count);
  ASSERT_EQ(count, std::size(kPublishedIds));
  std::set<std::string> names;
  std::set<std::string> byteForms;
  for (std::size_t i = 0; i < count; ++i)
  {
    names.insert(table[i].name);
    byteForms.insert(hex(table[i].bytes));
  }
  EXPECT_EQ(names.size(), count);
  EXPECT_EQ(byteForms.size(), count) << "two interfaces share an ID";
  for (const PublishedId& id : kPublishedIds)
  {
    const char* found = interfaceName(id.iid);
    ASSERT_NE(found, nullptr) << id.name;
    EXPECT_STREQ(found, id.name);
  }
  const TUID unknown = {1, 2, 3};
  EXPECT_EQ(interfaceName(unknown), nullptr);
  EXPECT_EQ(interfaceName(nullptr), nullptr);
}

TEST(ResultCodes, HaveThisPlatformsValues)
{
#if defined(_WIN32)
  EXPECT_EQ(kNoInterface, static_cast<tresult>(0x80004002u));
  EXPECT_EQ(kInvalidArgument, static_cast<tresult>(0x80070057u));
  EXPECT_EQ(kNotImplemented, static_cast<tresult>(0x80004001u));
  EXPECT_EQ(kInternalError, static_cast<tresult>(0x80004005u));
  EXPECT_EQ(kNotInitialized, static_cast<tresult>(0x8000FFFFu));
  EXPECT_EQ(kOutOfMemory, static_cast<tresult>(0x8007000Eu));
#else
  EXPECT_EQ(kNoInterface, -1);
  EXPECT_EQ(kInvalidArgument, 2);
  EXPECT_EQ(kNotImplemented, 3);
  EXPECT_EQ(kInternalError, 4);
  EXPECT_EQ(kNotInitialized, 5);
  EXPECT_EQ(kOutOfMemory, 6);
#endif
  EXPECT_EQ(kResultOk, 0);
  EXPECT_EQ(kResultTrue, 0);
  EXPECT_EQ(kResultFalse, 1);
}

#if defined(__linux__) && (defined(__GNUC__) || defined(__clang__))
namespace
{
template <class C, class Signature>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<C, R(A...)>
{
  using type = R (C::*)(A...);
};

// In the Itanium C++ ABI a pointer to a virtual member function holds 1 + the byte offset
// of its v-table entry.
template <class Method>
long slotOf(Method method)
{
  struct Representation
  {
    long pointer;
    long adjustment;
  } representation;
  static_assert(sizeof(method) == sizeof(representation));
  std::memcpy(&representation, &method, sizeof(representation));
  if ((representation.pointer & 1) == 0)
    return -1; // not virtual
  return (representation.pointer - 1) / static_cast<long>(sizeof(void*));
}
} // namespace

// The method has exactly the published signature and sits in the published slot.
#define EXPECT_SLOT(Interface, method, slot, ...)                                                                  \
  static_assert(std::is_same_v<decltype(&Interface::method), MemberOf<Interface, __VA_ARGS__>::type>,               \
                #Interface "::" #method " has another signature");                                                \
  EXPECT_EQ(slotOf(&Interface::method), slot) << #Interface "::" #method

TEST(VTables, EveryMethodHasItsSlotAndSignature)
{
  EXPECT_SLOT(FUnknown, queryInterface, 0, tresult(const TUID, void**));
  EXPECT_SLOT(FUnknown, addRef, 1, uint32());
  EXPECT_SLOT(FUnknown, release, 2, uint32());
  EXPECT_SLOT(IPluginBase, initialize, 3, tresult(FUnknown*));
  EXPECT_SLOT(IPluginBase, terminate, 4, tresult());
  EXPECT_SLOT(IPluginFactory, getFactoryInfo, 3, tresult(PFactoryInfo*));
  EXPECT_SLOT(IPluginFactory, countClasses, 4, int32());
  EXPECT_SLOT(IPluginFactory, getClassInfo, 5, tresult(int32, PClassInfo*));
  EXPECT_SLOT(IPluginFactory, createInstance, 6, tresult(FIDString, FIDString, void**));
  EXPECT_SLOT(IPluginFactory2, getClassInfo2, 7, tresult(int32, PClassInfo2*));
  EXPECT_SLOT(IPluginFactory3, getClassInfoUnicode, 8, tresult(int32, PClassInfoW*));
  EXPECT_SLOT(IPluginFactory3, setHostContext, 9, tresult(FUnknown*));
  EXPECT_SLOT(IComponent, getControllerClassId, 5, tresult(TUID));
  EXPECT_SLOT(IComponent, setIoMode, 6, tresult(IoMode));
  EXPECT_SLOT(IComponent, getBusCount, 7, int32(MediaType, BusDirection));
  EXPECT_SLOT(IComponent, getBusInfo, 8, tresult(MediaType, BusDirection, int32, BusInfo&));
  EXPECT_SLOT(IComponent, getRoutingInfo, 9, tresult(RoutingInfo&, RoutingInfo&));
  EXPECT_SLOT(IComponent, activateBus, 10, tresult(MediaType, BusDirection, int32, TBool));
  EXPECT_SLOT(IComponent, setActive, 11, tresult(TBool));
  EXPECT_SLOT(IComponent, setState, 12, tresult(IBStream*));
  EXPECT_SLOT(IComponent, getState, 13, tresult(IBStream*));
  EXPECT_SLOT(IAudioProcessor, setBusArrangements, 3, tresult(SpeakerArrangement*, int32, SpeakerArrangement*, int32));
  EXPECT_SLOT(IAudioProcessor, getBusArrangement, 4, tresult(BusDirection, int32, SpeakerArrangement&));
  EXPECT_SLOT(IAudioProcessor, canProcessSampleSize, 5, tresult(int32));
  EXPECT_SLOT(IAudioProcessor, getLatencySamples, 6, uint32());
  EXPECT_SLOT(IAudioProcessor, setupProcessing, 7, tresult(ProcessSetup&));
  EXPECT_SLOT(IAudioProcessor, setProcessing, 8, tresult(TBool));
  EXPECT_SLOT(IAudioProcessor, process, 9, tresult(ProcessData&));
  EXPECT_SLOT(IAudioProcessor, getTailSamples, 10, uint32());
  EXPECT_SLOT(IProcessContextRequirements, getProcessContextRequirements, 3, uint32());
  EXPECT_SLOT(IEditController, setComponentState, 5, tresult(IBStream*));
  EXPECT_SLOT(IEditController, setEditorState, 6, tresult(IBStream*));
  EXPECT_SLOT(IEditController, getEditorState, 7, tresult(IBStream*));
  EXPECT_SLOT(IEditController, getParameterCount, 8, int32());
  EXPECT_SLOT(IEditController, getParameterInfo, 9, tresult(int32, ParameterInfo&));
  EXPECT_SLOT(IEditController, getParamStringByValue, 10, tresult(ParamID, ParamValue, String128));
  EXPECT_SLOT(IEditController, getParamValueByString, 11, tresult(ParamID, TChar*, ParamValue&));
  EXPECT_SLOT(IEditController, normalizedParamToPlain, 12, ParamValue(ParamID, ParamValue));
  EXPECT_SLOT(IEditController, plainParamToNormalized, 13, ParamValue(ParamID, ParamValue));
  EXPECT_SLOT(IEditController, getParamNormalized, 14, ParamValue(ParamID));
  EXPECT_SLOT(IEditController, setParamNormalized, 15, tresult(ParamID, ParamValue));
  EXPECT_SLOT(IEditController, setComponentHandler, 16, tresult(IComponentHandler*));
  EXPECT_SLOT(IEditController, createView, 17, IPlugView*(FIDString));
  EXPECT_SLOT(IEditController2, setKnobMode, 3, tresult(KnobMode));
  EXPECT_SLOT(IEditController2, openHelp, 4, tresult(TBool));
  EXPECT_SLOT(IEditController2, openAboutBox, 5, tresult(TBool));
  EXPECT_SLOT(IComponentHandler, beginEdit, 3, tresult(ParamID));
  EXPECT_SLOT(IComponentHandler, performEdit, 4, tresult(ParamID, ParamValue));
  EXPECT_SLOT(IComponentHandler, endEdit, 5, tresult(ParamID));
  EXPECT_SLOT(IComponentHandler, restartComponent, 6, tresult(int32));
  EXPECT_SLOT(IComponentHandler2, setDirty, 3, tresult(TBool));
  EXPECT_SLOT(IComponentHandler2, requestOpenEditor, 4, tresult(FIDString));
  EXPECT_SLOT(IComponentHandler2, startGroupEdit, 5, tresult());
  EXPECT_SLOT(IComponentHandler2, finishGroupEdit, 6, tresult());
  EXPECT_SLOT(IComponentHandler3, createContextMenu, 3, IContextMenu*(IPlugView*, const ParamID*));
  EXPECT_SLOT(IContextMenuTarget, executeMenuItem, 3, tresult(int32));
  EXPECT_SLOT(IContextMenu, getItemCount, 3, int32());
  EXPECT_SLOT(IContextMenu, getItem, 4, tresult(int32, IContextMenuItem&, IContextMenuTarget**));
  EXPECT_SLOT(IContextMenu, addItem, 5, tresult(const IContextMenuItem&, IContextMenuTarget*));
  EXPECT_SLOT(IContextMenu, removeItem, 6, tresult(const IContextMenuItem&, IContextMenuTarget*));
  EXPECT_SLOT(IContextMenu, popup, 7, tresult(UCoord, UCoord));
  EXPECT_SLOT(IConnectionPoint, connect, 3, tresult(IConnectionPoint*));
  EXPECT_SLOT(IConnectionPoint, disconnect, 4, tresult(IConnectionPoint*));
  EXPECT_SLOT(IConnectionPoint, notify, 5, tresult(IMessage*));
  EXPECT_SLOT(IMessage, getMessageID, 3, FIDString());
  EXPECT_SLOT(IMessage, setMessageID, 4, void(FIDString));
  EXPECT_SLOT(IMessage, getAttributes, 5, IAttributeList*());
  EXPECT_SLOT(IAttributeList, setInt, 3, tresult(IAttributeList::AttrID, int64));
  EXPECT_SLOT(IAttributeList, getInt, 4, tresult(IAttributeList::AttrID, int64&));
  EXPECT_SLOT(IAttributeList, setFloat, 5, tresult(IAttributeList::AttrID, double));
  EXPECT_SLOT(IAttributeList, getFloat, 6, tresult(IAttributeList::AttrID, double&));
  EXPECT_SLOT(IAttributeList, setString, 7, tresult(IAttributeList::AttrID, const TChar*));
  EXPECT_SLOT(IAttributeList, getString, 8, tresult(IAttributeList::AttrID, TChar*, uint32));
  EXPECT_SLOT(IAttributeList, setBinary, 9, tresult(IAttributeList::AttrID, const void*, uint32));
  EXPECT_SLOT(IAttributeList, getBinary, 10, tresult(IAttributeList::AttrID, const void*&, uint32&));
  EXPECT_SLOT(IUnitInfo, getUnitCount, 3, int32());
  EXPECT_SLOT(IUnitInfo, getUnitInfo, 4, tresult(int32, UnitInfo&));
  EXPECT_SLOT(IUnitInfo, getProgramListCount, 5, int32());
  EXPECT_SLOT(IUnitInfo, getProgramListInfo, 6, tresult(int32, ProgramListInfo&));
  EXPECT_SLOT(IUnitInfo, getProgramName, 7, tresult(ProgramListID, int32, String128));
  EXPECT_SLOT(IUnitInfo, getProgramInfo, 8, tresult(ProgramListID, int32, CString, String128));
  EXPECT_SLOT(IUnitInfo, hasProgramPitchNames, 9, tresult(ProgramListID, int32));
  EXPECT_SLOT(IUnitInfo, getProgramPitchName, 10, tresult(ProgramListID, int32, int16, String128));
  EXPECT_SLOT(IUnitInfo, getSelectedUnit, 11, UnitID());
  EXPECT_SLOT(IUnitInfo, selectUnit, 12, tresult(UnitID));
  EXPECT_SLOT(IUnitInfo, getUnitByBus, 13, tresult(MediaType, BusDirection, int32, int32, UnitID&));
  EXPECT_SLOT(IUnitInfo, setUnitProgramData, 14, tresult(int32, int32, IBStream*));
  EXPECT_SLOT(IMidiMapping, getMidiControllerAssignment, 3, tresult(int32, int16, CtrlNumber, ParamID&));
  EXPECT_SLOT(IPlugView, isPlatformTypeSupported, 3, tresult(FIDString));
  EXPECT_SLOT(IPlugView, attached, 4, tresult(void*, FIDString));
  EXPECT_SLOT(IPlugView, removed, 5, tresult());
  EXPECT_SLOT(IPlugView, onWheel, 6, tresult(float));
  EXPECT_SLOT(IPlugView, onKeyDown, 7, tresult(char16, int16, int16));
  EXPECT_SLOT(IPlugView, onKeyUp, 8, tresult(char16, int16, int16));
  EXPECT_SLOT(IPlugView, getSize, 9, tresult(ViewRect*));
  EXPECT_SLOT(IPlugView, onSize, 10, tresult(ViewRect*));
  EXPECT_SLOT(IPlugView, onFocus, 11, tresult(TBool));
  EXPECT_SLOT(IPlugView, setFrame, 12, tresult(IPlugFrame*));
  EXPECT_SLOT(IPlugView, canResize, 13, tresult());
  EXPECT_SLOT(IPlugView, checkSizeConstraint, 14, tresult(ViewRect*));
  EXPECT_SLOT(IPlugFrame, resizeView, 3, tresult(IPlugView*, ViewRect*));
  EXPECT_SLOT(IPlugViewContentScaleSupport, setContentScaleFactor, 3, tresult(IPlugViewContentScaleSupport::ScaleFactor));
  EXPECT_SLOT(IHostApplication, getName, 3, tresult(String128));
  EXPECT_SLOT(IHostApplication, createInstance, 4, tresult(TUID, TUID, void**));
  EXPECT_SLOT(IBStream, read, 3, tresult(void*, int32, int32*));
  EXPECT_SLOT(IBStream, write, 4, tresult(void*, int32, int32*));
  EXPECT_SLOT(IBStream, seek, 5, tresult(int64, int32, int64*));
  EXPECT_SLOT(IBStream, tell, 6, tresult(int64*));
  EXPECT_SLOT(ISizeableStream, getStreamSize, 3, tresult(int64&));
  EXPECT_SLOT(ISizeableStream, setStreamSize, 4, tresult(int64));
  EXPECT_SLOT(IParameterChanges, getParameterCount, 3, int32());
  EXPECT_SLOT(IParameterChanges, getParameterData, 4, IParamValueQueue*(int32));
  EXPECT_SLOT(IParameterChanges, addParameterData, 5, IParamValueQueue*(const ParamID&, int32&));
  EXPECT_SLOT(IParamValueQueue, getParameterId, 3, ParamID());
  EXPECT_SLOT(IParamValueQueue, getPointCount, 4, int32());
  EXPECT_SLOT(IParamValueQueue, getPoint, 5, tresult(int32, int32&, ParamValue&));
  EXPECT_SLOT(IParamValueQueue, addPoint, 6, tresult(int32, ParamValue, int32&));
  EXPECT_SLOT(IEventList, getEventCount, 3, int32());
  EXPECT_SLOT(IEventList, getEvent, 4, tresult(int32, Event&));
  EXPECT_SLOT(IEventList, addEvent, 5, tresult(Event&));
  EXPECT_SLOT(IRunLoop, registerEventHandler, 3, tresult(IEventHandler*, FileDescriptor));
  EXPECT_SLOT(IRunLoop, unregisterEventHandler, 4, tresult(IEventHandler*));
  EXPECT_SLOT(IRunLoop, registerTimer, 5, tresult(ITimerHandler*, TimerInterval));
  EXPECT_SLOT(IRunLoop, unregisterTimer, 6, tresult(ITimerHandler*));
  EXPECT_SLOT(IEventHandler, onFDIsSet, 3, void(FileDescriptor));
  EXPECT_SLOT(ITimerHandler, onTimer, 3, void());
  EXPECT_SLOT(IAudioPresentationLatency, setAudioPresentationLatencySamples, 3, tresult(BusDirection, int32, uint32));
  EXPECT_SLOT(IComponentHandlerBusActivation, requestBusActivation, 3, tresult(MediaType, BusDirection, int32, TBool));
  EXPECT_SLOT(IStreamAttributes, getFileName, 3, tresult(String128));
  EXPECT_SLOT(IStreamAttributes, getAttributes, 4, IAttributeList*());
  EXPECT_SLOT(IUnitHandler, notifyUnitSelection, 3, tresult(UnitID));
  EXPECT_SLOT(IUnitHandler, notifyProgramListChange, 4, tresult(ProgramListID, int32));
  EXPECT_SLOT(IMidiLearn, onLiveMIDIControllerInput, 3, tresult(int32, int16, CtrlNumber));
  EXPECT_SLOT(IEditControllerHostEditing, beginEditFromHost, 3, tresult(ParamID));
  EXPECT_SLOT(IEditControllerHostEditing, endEditFromHost, 4, tresult(ParamID));
  EXPECT_SLOT(IParameterFinder, findParameter, 3, tresult(int32, int32, ParamID&));
  EXPECT_SLOT(IPlugInterfaceSupport, isPlugInterfaceSupported, 3, tresult(const TUID));
}
#endif

namespace
{
template <class... I>
constexpr bool allPlainInterfaces()
{
  return ((std::is_abstract_v<I> && !std::has_virtual_destructor_v<I> && sizeof(I) == sizeof(void*)) && ...);
}
} // namespace

// No data members (one v-table pointer) and no virtual destructor, which would shift slots.
static_assert(allPlainInterfaces<FUnknown, IPluginBase, IPluginFactory, IPluginFactory2, IPluginFactory3,
                                 IComponent, IAudioProcessor, IProcessContextRequirements, IAudioPresentationLatency,
                                 IEditController, IEditController2, IEditControllerHostEditing, IComponentHandler,
                                 IComponentHandler2, IComponentHandler3, IComponentHandlerBusActivation,
                                 IContextMenuTarget, IContextMenu, IConnectionPoint, IMessage, IAttributeList,
                                 IStreamAttributes, IUnitInfo, IUnitHandler, IMidiMapping, IMidiLearn, IPlugView,
                                 IPlugFrame, IPlugViewContentScaleSupport, IParameterFinder, IHostApplication,
                                 IPlugInterfaceSupport, IBStream, ISizeableStream, IParameterChanges,
                                 IParamValueQueue, IEventList, IRunLoop, IEventHandler, ITimerHandler>());

namespace
{
template <class... S>
constexpr bool allPlainStructs()
{
  return ((std::is_trivial_v<S> && std::is_standard_layout_v<S>) && ...);
}
} // namespace

// Hosts copy, zero and compare these structs as bytes.
static_assert(allPlainStructs<PFactoryInfo, PClassInfo, PClassInfo2, PClassInfoW, ProcessSetup, AudioBusBuffers,
                              ProcessData, FrameRate, Chord, ProcessContext, BusInfo, RoutingInfo, ParameterInfo,
                              UnitInfo, ProgramListInfo, ViewRect, IContextMenuItem, Event>());
