#pragma once

// What every ACF object of this module shares: an atomic reference count that starts at
// 0 (the host's first QueryInterface takes the first reference, its last Release deletes
// the object) and the module's count of live objects, which ACFCanUnloadNow reports.

#include "AAX_SDK/Libs/AAXLibrary/source/ACFBase.h"

#include <atomic>
#include <initializer_list>

class ACFObjectCount
{
public:
  ACFObjectCount() { sLive.fetch_add(1, std::memory_order_relaxed); }
  ACFObjectCount(const ACFObjectCount&) = delete;
  ACFObjectCount& operator=(const ACFObjectCount&) = delete;
  ~ACFObjectCount() { sLive.fetch_sub(1, std::memory_order_relaxed); }
  // Objects of this module alive now.
  static int Live() { return sLive.load(std::memory_order_relaxed); }

private:
  static inline std::atomic<int> sLive{0};
};

class ACFReferenceCount
{
public:
  acfUInt32 Add() { return mCount.fetch_add(1, std::memory_order_relaxed) + 1; }
  // The count left; the caller deletes the object at 0.
  acfUInt32 Drop() { return mCount.fetch_sub(1, std::memory_order_acq_rel) - 1; }
  acfUInt32 Count() const { return mCount.load(std::memory_order_relaxed); }

private:
  std::atomic<acfUInt32> mCount{0};
};

// The QueryInterface answer of an object reachable as self under each IID of answers:
// self with an added reference, or ACF_E_NOINTERFACE with *out = null. A null out:
// ACF_E_POINTER.
template <typename Object>
ACFRESULT ACFAnswer(Object* object, IACFUnknown* self, const acfIID& iid, void** out,
                    std::initializer_list<const acfIID*> answers)
{
  if (out == nullptr)
    return ACF_E_POINTER;
  for (const acfIID* known : answers)
    if (*known == iid)
    {
      object->AddRef();
      *out = self;
      return ACF_OK;
    }
  *out = nullptr;
  return ACF_E_NOINTERFACE;
}
