#include "vst3/sdk/helpers/FObject.h"

#include "vst3/sdk/helpers/InterfacePtr.h"

namespace Steinberg
{
tresult PLUGIN_API FObject::queryInterface(const TUID iid, void** obj)
{
  if (obj == nullptr)
    return kInvalidArgument;
  *obj = nullptr;
  if (iid == nullptr)
    return kInvalidArgument;
  if (answerAs<FUnknown>(this, iid, obj))
    return kResultOk;
  return kNoInterface;
}

uint32 PLUGIN_API FObject::addRef()
{
  return static_cast<uint32>(mRefCount.fetch_add(1, std::memory_order_relaxed) + 1);
}

bool FObject::tryAddRef() noexcept
{
  int32 count = mRefCount.load(std::memory_order_relaxed);
  while (count > 0)
    if (mRefCount.compare_exchange_weak(count, count + 1, std::memory_order_acq_rel, std::memory_order_relaxed))
      return true;
  return false;
}

uint32 PLUGIN_API FObject::release()
{
  const int32 count = mRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (count == 0)
  {
    mRefCount.store(kDestroying, std::memory_order_relaxed);
    delete this;
    return 0;
  }
  return count > 0 ? static_cast<uint32>(count) : 0;
}

uint32 FObject::refCount() const noexcept
{
  const int32 count = mRefCount.load(std::memory_order_relaxed);
  return count > 0 ? static_cast<uint32>(count) : 0;
}
} // namespace Steinberg
