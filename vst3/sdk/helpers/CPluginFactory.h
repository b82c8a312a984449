#pragma once

#include "vst3/sdk/helpers/FObject.h"
#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/interfaces/ILinuxRunLoop.h"
#include "vst3/sdk/interfaces/IPluginFactory.h"

#include <vector>

namespace Steinberg
{
// The module's class factory. Classes are registered once, in the order the host will
// enumerate them, with a function that creates one object (reference count 1).
class CPluginFactory : public FObject, public IPluginFactory3
{
public:
  // Returns a new object with one reference, or null. context is the pointer given at
  // registration.
  using CreateFunction = FUnknown* (*)(void* context);

  explicit CPluginFactory(const PFactoryInfo& info);
  ~CPluginFactory() override;

  // False (nothing registered) for a null create function or a class ID already taken.
  // Every class answers all three getClassInfo calls: 8-bit descriptions are converted
  // to UTF-16 and back (as UTF-8).
  bool registerClass(const PClassInfo& info, CreateFunction create, void* context = nullptr);
  bool registerClass(const PClassInfo2& info, CreateFunction create, void* context = nullptr);
  bool registerClass(const PClassInfoW& info, CreateFunction create, void* context = nullptr);
  bool isClassRegistered(const TUID cid) const noexcept;

  // IPluginFactory, all [UI thread]. Bad index or null pointer: kInvalidArgument.
  tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) override;
  int32 PLUGIN_API countClasses() override;
  tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) override;
  // Finds the class by its 16 bytes, creates the object and queries iid from it; on
  // success the caller holds the only reference. Unknown class, failed creation or an
  // interface the object lacks: *obj = null, kNoInterface.
  tresult PLUGIN_API createInstance(FIDString cid, FIDString iid, void** obj) override;

  // IPluginFactory2 / 3
  tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) override;
  tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) override;
  // Linux: keeps the context's IRunLoop, if it has one (else forgets any earlier one);
  // kResultTrue. Other platforms: kNotImplemented.
  tresult PLUGIN_API setHostContext(FUnknown* context) override;

  // The host's run loop from setHostContext, or null.
  Linux::IRunLoop* getRunLoop() const noexcept { return mRunLoop.get(); }

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  VST3SDK_REFCOUNT_METHODS(FObject)

private:
  struct ClassEntry
  {
    PClassInfo2 info8{};
    PClassInfoW info16{};
    CreateFunction create = nullptr;
    void* context = nullptr;
  };

  bool addEntry(const ClassEntry& entry);
  const ClassEntry* entryAt(int32 index) const noexcept;

  PFactoryInfo mFactoryInfo{};
  std::vector<ClassEntry> mClasses;
  IPtr<Linux::IRunLoop> mRunLoop;
};
} // namespace Steinberg
