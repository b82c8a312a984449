#pragma once

#include "vst3/sdk/interfaces/Types.h"

#include <array>
#include <cstddef>

// Every interface ID of the layer, in one place. IDs are written as four 32-bit words
// l1 l2 l3 l4; the bytes compared at run time depend on the platform:
//   plain order (Linux, macOS): the 32 hex digits read left to right;
//   COM order (Windows): l1 and both halves of l2 least significant byte first, l3 and l4
//   unchanged, which is the in-memory layout of a Windows GUID.
// The text form of an ID (FUID::toString) is the same on both.

namespace Steinberg
{
using TuidBytes = std::array<int8, 16>;

// The one conversion from the four words to the 16 bytes of an ID.
constexpr TuidBytes tuidFromWords(uint32 l1, uint32 l2, uint32 l3, uint32 l4, bool comOrder = kComCompatible) noexcept
{
  auto byteOf = [](uint32 word, int shift) { return static_cast<int8>(static_cast<uint8>((word >> shift) & 0xFFu)); };
  TuidBytes bytes{};
  if (comOrder)
  {
    bytes[0] = byteOf(l1, 0);
    bytes[1] = byteOf(l1, 8);
    bytes[2] = byteOf(l1, 16);
    bytes[3] = byteOf(l1, 24);
    bytes[4] = byteOf(l2, 16);
    bytes[5] = byteOf(l2, 24);
    bytes[6] = byteOf(l2, 0);
    bytes[7] = byteOf(l2, 8);
  }
  else
  {
    bytes[0] = byteOf(l1, 24);
    bytes[1] = byteOf(l1, 16);
    bytes[2] = byteOf(l1, 8);
    bytes[3] = byteOf(l1, 0);
    bytes[4] = byteOf(l2, 24);
    bytes[5] = byteOf(l2, 16);
    bytes[6] = byteOf(l2, 8);
    bytes[7] = byteOf(l2, 0);
  }
  for (int i = 0; i < 4; ++i)
  {
    bytes[8 + i] = byteOf(l3, 24 - 8 * i);
    bytes[12 + i] = byteOf(l4, 24 - 8 * i);
  }
  return bytes;
}

namespace InterfaceIds
{
// Base
inline constexpr TuidBytes kFUnknown = tuidFromWords(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
inline constexpr TuidBytes kIPluginBase = tuidFromWords(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
inline constexpr TuidBytes kIPluginFactory = tuidFromWords(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
inline constexpr TuidBytes kIPluginFactory2 = tuidFromWords(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
inline constexpr TuidBytes kIPluginFactory3 = tuidFromWords(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
inline constexpr TuidBytes kIBStream = tuidFromWords(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
inline constexpr TuidBytes kISizeableStream = tuidFromWords(0x04F9549E, 0xE02F4E6E, 0x87E86A87, 0x47F4E17F);

// Processing side
inline constexpr TuidBytes kIComponent = tuidFromWords(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
inline constexpr TuidBytes kIAudioProcessor = tuidFromWords(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
inline constexpr TuidBytes kIProcessContextRequirements = tuidFromWords(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
inline constexpr TuidBytes kIAudioPresentationLatency = tuidFromWords(0x309ECE78, 0xEB7D4FAE, 0x8B2225D9, 0x09FD08B6);
inline constexpr TuidBytes kIParameterChanges = tuidFromWords(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
inline constexpr TuidBytes kIParamValueQueue = tuidFromWords(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
inline constexpr TuidBytes kIEventList = tuidFromWords(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);

// Controller side
inline constexpr TuidBytes kIEditController = tuidFromWords(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
inline constexpr TuidBytes kIEditController2 = tuidFromWords(0x7F4EFE59, 0xF3204967, 0xAC27A3AE, 0xAFB63038);
inline constexpr TuidBytes kIEditControllerHostEditing = tuidFromWords(0xC1271208, 0x70594098, 0xB9DD34B3, 0x6BB0195E);
inline constexpr TuidBytes kIComponentHandler = tuidFromWords(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
inline constexpr TuidBytes kIComponentHandler2 = tuidFromWords(0xF040B4B3, 0xA36045EC, 0xABCDC045, 0xB4D5A2CC);
inline constexpr TuidBytes kIComponentHandler3 = tuidFromWords(0x69F11617, 0xD26B400D, 0xA4B6B964, 0x7B6EBBAB);
inline constexpr TuidBytes kIComponentHandlerBusActivation = tuidFromWords(0x067D02C1, 0x5B4E274D, 0xA92D90FD, 0x6EAF7240);
inline constexpr TuidBytes kIContextMenuTarget = tuidFromWords(0x3CDF2E75, 0x85D34144, 0xBF86D36B, 0xD7C4894D);
inline constexpr TuidBytes kIContextMenu = tuidFromWords(0x2E93C863, 0x0C9C4588, 0x97DBECF5, 0xAD17817D);
inline constexpr TuidBytes kIUnitInfo = tuidFromWords(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
inline constexpr TuidBytes kIUnitHandler = tuidFromWords(0x4B5147F8, 0x4654486B, 0x8DAB30BA, 0x163A3C56);
inline constexpr TuidBytes kIMidiMapping = tuidFromWords(0xDF0FF9F7, 0x49B74669, 0xB63AB732, 0x7ADBF5E5);
inline constexpr TuidBytes kIMidiLearn = tuidFromWords(0x6B2449CC, 0x419740B5, 0xAB3C79DA, 0xC5FE5C86);

// Messaging and host
inline constexpr TuidBytes kIConnectionPoint = tuidFromWords(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
inline constexpr TuidBytes kIMessage = tuidFromWords(0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613);
inline constexpr TuidBytes kIAttributeList = tuidFromWords(0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4);
inline constexpr TuidBytes kIStreamAttributes = tuidFromWords(0xD6CE2FFC, 0xEFAF4B8C, 0x9E74F1BB, 0x12DA44B4);
inline constexpr TuidBytes kIHostApplication = tuidFromWords(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
inline constexpr TuidBytes kIPlugInterfaceSupport = tuidFromWords(0x4FB58B9E, 0x9EAA4E0F, 0xAB361C1C, 0xCCB56FEA);

// Editor view
inline constexpr TuidBytes kIPlugView = tuidFromWords(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
inline constexpr TuidBytes kIPlugFrame = tuidFromWords(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
inline constexpr TuidBytes kIPlugViewContentScaleSupport = tuidFromWords(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
inline constexpr TuidBytes kIParameterFinder = tuidFromWords(0x0F618302, 0x215D4587, 0xA512073C, 0x77B9D383);

// Linux run loop
inline constexpr TuidBytes kIRunLoop = tuidFromWords(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
inline constexpr TuidBytes kIEventHandler = tuidFromWords(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
inline constexpr TuidBytes kITimerHandler = tuidFromWords(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
} // namespace InterfaceIds

// A named entry of the ID table, for diagnostics and for checking the table as a whole.
struct KnownInterface
{
  const char* name;  // interface name, e.g. "IComponent"
  const int8* bytes; // its 16 bytes in this platform's order
};

// All interface IDs above, in declaration order.
const KnownInterface* knownInterfaces(std::size_t& count) noexcept;

// The interface name for a 16-byte ID, or null for an ID not in the table.
const char* interfaceName(const TUID iid) noexcept;
} // namespace Steinberg
