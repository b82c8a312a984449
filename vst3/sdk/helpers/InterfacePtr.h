#pragma once

#include "vst3/sdk/interfaces/FUnknown.h"

#include <cstring>
#include <utility>

namespace Steinberg
{
// True when two 16-byte IDs are equal. IDs are raw bytes (they may hold zeros and may be
// unaligned), so they are compared as memory, never as text.
inline bool iidEqual(const void* a, const void* b) noexcept
{
  return a != nullptr && b != nullptr && std::memcmp(a, b, sizeof(TUID)) == 0;
}

// One line of a queryInterface: when iid is I's ID, stores self seen as I (through Via
// where I is reachable on several paths, e.g. IPluginBase), adds a reference and returns
// true.
template <class I, class Via = I, class Self>
bool answerAs(Self* self, const TUID iid, void** obj) noexcept
{
  if (obj == nullptr || !iidEqual(iid, I::iid))
    return false;
  I* asInterface = static_cast<I*>(static_cast<Via*>(self));
  asInterface->addRef();
  *obj = asInterface;
  return true;
}

// Owning interface pointer: holds one reference and releases it when dropped.
template <class I>
class IPtr
{
public:
  IPtr() noexcept = default;
  // Shares: adds its own reference to p.
  IPtr(I* p) noexcept : mPtr(p)
  {
    if (mPtr)
      mPtr->addRef();
  }
  // Takes over the reference the caller already owns (e.g. from createInstance).
  static IPtr adopt(I* p) noexcept
  {
    IPtr result;
    result.mPtr = p;
    return result;
  }

  IPtr(const IPtr& other) noexcept : IPtr(other.mPtr) {}
  IPtr(IPtr&& other) noexcept : mPtr(std::exchange(other.mPtr, nullptr)) {}
  IPtr& operator=(const IPtr& other) noexcept
  {
    reset(other.mPtr);
    return *this;
  }
  IPtr& operator=(IPtr&& other) noexcept
  {
    if (this != &other)
    {
      I* old = std::exchange(mPtr, std::exchange(other.mPtr, nullptr));
      if (old)
        old->release();
    }
    return *this;
  }
  ~IPtr() { reset(); }

  // Shares p (which may be the pointer already held) and drops the old reference.
  void reset(I* p = nullptr) noexcept
  {
    if (p)
      p->addRef();
    I* old = std::exchange(mPtr, p);
    if (old)
      old->release();
  }
  // Gives up the reference to the caller.
  I* take() noexcept { return std::exchange(mPtr, nullptr); }

  I* get() const noexcept { return mPtr; }
  I* operator->() const noexcept { return mPtr; }
  explicit operator bool() const noexcept { return mPtr != nullptr; }
  bool operator==(const I* p) const noexcept { return mPtr == p; }

private:
  I* mPtr = nullptr;
};

// Queries I from unknown; empty when unknown is null or does not answer I.
template <class I>
IPtr<I> queryFrom(FUnknown* unknown) noexcept
{
  if (unknown == nullptr)
    return {};
  void* obj = nullptr;
  if (unknown->queryInterface(I::iid, &obj) != kResultOk || obj == nullptr)
    return {};
  return IPtr<I>::adopt(static_cast<I*>(obj));
}
} // namespace Steinberg
