#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

#include <atomic>

namespace Steinberg
{
// Reference-counted base of every object the layer hands to a host. The count starts at
// 1, the creator's reference; addRef and release are atomic (hosts call from several
// threads) and the object deletes itself when the count reaches 0.
//
// A class that adds interface bases to FObject has one FUnknown sub-object per interface.
// It must declare queryInterface, addRef and release itself (VST3SDK_REFCOUNT_METHODS for
// the latter two) so that one function serves every sub-object, answer its own IDs first
// and fall back to its base class's queryInterface. FUnknown itself is always answered with
// FObject's sub-object, so the FUnknown pointer is the same from every interface.
class FObject : public FUnknown
{
public:
  FObject() = default;
  virtual ~FObject() = default;
  FObject(const FObject&) = delete;
  FObject& operator=(const FObject&) = delete;

  // [any thread] Answers FUnknown only. Null obj: kInvalidArgument; an unknown or null
  // iid: *obj = null, kNoInterface / kInvalidArgument.
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  uint32 PLUGIN_API addRef() override;  // [any thread]
  uint32 PLUGIN_API release() override; // [any thread]

  // [any thread] Adds a reference only while the object is alive (count above 0): an
  // owner that hands out a shared object it does not hold a reference to can tell a live
  // object from one whose last release is under way. True when a reference was added.
  bool tryAddRef() noexcept;

  // The object's identity as FUnknown.
  FUnknown* unknown() noexcept { return this; }
  // The current count, for diagnostics and tests.
  uint32 refCount() const noexcept;

private:
  // Set while the destructor runs, so a reference taken and dropped by code called from
  // the destructor cannot reach 0 a second time.
  static constexpr int32 kDestroying = -1000;

  std::atomic<int32> mRefCount{1};
};
} // namespace Steinberg

// addRef and release of a class that adds interfaces to an FObject-based Base.
#define VST3SDK_REFCOUNT_METHODS(Base)                                                                             \
  ::Steinberg::uint32 PLUGIN_API addRef() override { return Base::addRef(); }                                      \
  ::Steinberg::uint32 PLUGIN_API release() override { return Base::release(); }
