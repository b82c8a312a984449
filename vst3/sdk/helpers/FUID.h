#pragma once

#include "vst3/sdk/interfaces/InterfaceIds.h"

#include <optional>
#include <string>
#include <string_view>

namespace Steinberg
{
// A 16-byte class or interface ID. Built from the four words it is written as, its bytes
// follow this platform's order; the words and both text forms are the same on every
// platform, so an ID stored as text (presets, module descriptions) is portable.
class FUID
{
public:
  FUID() noexcept = default; // all zero: not a valid ID
  FUID(uint32 l1, uint32 l2, uint32 l3, uint32 l4) noexcept;
  static FUID fromTUID(const TUID bytes) noexcept; // null gives the zero ID
  // Accepts the 32-digit form and the registry form; hex digits in either case.
  static std::optional<FUID> fromString(std::string_view text) noexcept;

  bool isValid() const noexcept; // not all zero

  uint32 getLong1() const noexcept;
  uint32 getLong2() const noexcept;
  uint32 getLong3() const noexcept;
  uint32 getLong4() const noexcept;

  // The 16 bytes in this platform's order, as passed to queryInterface / createInstance.
  const int8* data() const noexcept { return mData.data(); }
  void toTUID(TUID out) const noexcept;

  // 32 upper-case hex digits: l1 l2 l3 l4.
  std::string toString() const;
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, the same digits grouped 8-4-4-4-12.
  std::string toRegistryString() const;

  friend bool operator==(const FUID& a, const FUID& b) noexcept;
  friend bool operator!=(const FUID& a, const FUID& b) noexcept { return !(a == b); }
  friend bool operator<(const FUID& a, const FUID& b) noexcept; // byte order, for sorted containers

private:
  TuidBytes mData{};
};
} // namespace Steinberg
