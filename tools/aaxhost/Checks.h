#pragma once

// What the host saw a module do, for the checks a test makes at the end: every ID the
// module queried (and whether the host answered), IDs the host does not know, the
// module's assertion reports, and every departure from the interface's contract the
// host noticed (over-released objects, null out-pointers, references left behind).
// Also the reference-counting base of every object the host hands out.

#include "tools/aaxhost/AbiIds.h"
#include "tools/aaxhost/AbiInterfaces.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace aaxhost
{
class Checks
{
public:
  // [any thread]
  void Query(const char* object, const abi::acfUID& iid, bool answered);
  void Problem(std::string text);
  void Assertion(std::string text);

  // "controller: ControllerV1 answered", in the order queried.
  std::vector<std::string> Queries() const;
  // IDs queried that are not part of the interface, in text form.
  std::vector<std::string> UnknownIds() const;
  std::vector<std::string> Problems() const;
  std::vector<std::string> Assertions() const;
  // Whether the module asked the named object for the named interface.
  bool Queried(const std::string& object, const std::string& interfaceName) const;

private:
  mutable std::mutex mMutex;
  std::vector<std::string> mQueries;
  std::vector<std::string> mUnknown;
  std::vector<std::string> mProblems;
  std::vector<std::string> mAssertions;
};

// A host object of one interface family. The host holds the first reference for as long
// as it keeps the object, and frees it itself; a module that releases more than it took
// is recorded and cannot free it.
template <class Interface>
class HostObject : public Interface
{
public:
  HostObject(std::shared_ptr<Checks> checks, const char* kind) : mChecks(std::move(checks)), mKind(kind) {}
  HostObject(const HostObject&) = delete;
  HostObject& operator=(const HostObject&) = delete;

  abi::ACFRESULT QueryInterface(const abi::acfUID& iid, void** out) override
  {
    if (out == nullptr)
    {
      mChecks->Problem(std::string(mKind) + ": QueryInterface with a null out-pointer");
      return abi::ACF_E_POINTER;
    }
    void* answer = Answer(iid);
    mChecks->Query(mKind, iid, answer != nullptr);
    *out = answer;
    return answer != nullptr ? abi::ACF_OK : abi::ACF_E_NOINTERFACE;
  }
  uint32_t AddRef() override { return ++mCount; }
  uint32_t Release() override
  {
    uint32_t count = mCount.load();
    do
    {
      if (count <= 1)
      {
        mChecks->Problem(std::string(mKind) + ": released more often than referenced");
        return 1;
      }
    } while (!mCount.compare_exchange_weak(count, count - 1));
    return count - 1;
  }

  // References the module holds now (the host's own not counted).
  uint32_t ModuleReferences() const { return mCount.load() - 1; }
  const char* Kind() const { return mKind; }
  Checks& Record() const { return *mChecks; }
  const std::shared_ptr<Checks>& SharedChecks() const { return mChecks; }

protected:
  // The pointer for iid with a reference added, or null when not implemented.
  virtual void* Answer(const abi::acfUID& iid) = 0;
  void* Self()
  {
    AddRef();
    return static_cast<Interface*>(this);
  }

private:
  std::shared_ptr<Checks> mChecks;
  const char* mKind;
  std::atomic<uint32_t> mCount{1};
};
} // namespace aaxhost
