// Our AAX host's own checks, against small modules written here that break the
// interface's rules on purpose: the host must name each fault, and pass a module that
// keeps them.

#include "tools/aaxhost/Module.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using namespace aaxhost;
using namespace aaxhost::abi;

// How the module under test misbehaves.
struct Faults
{
  bool askUnknownId = false;
  bool keepHostReference = false;
  bool overReleaseDescriptor = false;
  bool refuseUnload = false;
  bool noDefinition = false;
} gFaults;

ACFRESULT RegisterPlugin(IACFUnknown* host, IACFPluginDefinition** out)
{
  if (host == nullptr || out == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  void* pointer = nullptr;
  if (host->QueryInterface(IID_IACFComponentFactory, &pointer) != ACF_OK)
    return AAX_ERROR_NULL_OBJECT;
  auto* factory = static_cast<IACFComponentFactory*>(pointer);
  if (gFaults.askUnknownId)
  {
    void* ignored = nullptr;
    host->QueryInterface(acfUID{0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}}, &ignored);
  }
  if (gFaults.keepHostReference)
    host->AddRef();
  void* collection = nullptr;
  void* effect = nullptr;
  factory->CreateComponent(CompCollection, nullptr, IID_CollectionV1, &collection);
  factory->CreateComponent(CompEffectDescriptor, nullptr, IID_EffectDescriptorV1, &effect);
  auto* descriptor = static_cast<IEffectDescriptorV2*>(effect);
  descriptor->AddName("Faulty");
  static_cast<ICollection*>(collection)->AddEffect("com.example.faulty", descriptor);
  descriptor->Release();
  if (gFaults.overReleaseDescriptor)
    descriptor->Release();
  factory->Release();
  if (!gFaults.noDefinition)
    static_cast<ICollection*>(collection)->QueryInterface(IID_IACFPluginDefinition, reinterpret_cast<void**>(out));
  static_cast<ICollection*>(collection)->Release();
  return ACF_OK;
}

ACFRESULT RegisterComponent(IACFUnknown*, uint32_t, IACFComponentDefinition** out)
{
  if (out != nullptr)
    *out = nullptr;
  return ACF_OK;
}
ACFRESULT GetClassFactory(IACFUnknown*, const acfUID&, const acfUID&, void** out)
{
  if (out != nullptr)
    *out = nullptr;
  return AAX_ERROR_UNIMPLEMENTED;
}
ACFRESULT CanUnloadNow(IACFUnknown*) { return gFaults.refuseUnload ? 1 : ACF_OK; }
ACFRESULT Startup(IACFUnknown*) { return ACF_OK; }
ACFRESULT Shutdown(IACFUnknown*) { return ACF_OK; }
ACFRESULT GetSdkVersion(uint64_t* version)
{
  if (version == nullptr)
    return AAX_ERROR_NULL_ARGUMENT;
  *version = kSdkVersion;
  return ACF_OK;
}

std::vector<std::string> ProblemsOf(const Faults& faults)
{
  gFaults = faults;
  std::string error;
  auto module = Module::FromEntryPoints(
      EntryPoints{RegisterPlugin, RegisterComponent, GetClassFactory, CanUnloadNow, Startup, Shutdown, GetSdkVersion},
      error);
  EXPECT_TRUE(module) << error;
  if (!module)
    return {error};
  std::vector<std::string> problems = module->Finish();
  for (const std::string& unknown : module->Record().UnknownIds())
    problems.push_back("unknown " + unknown);
  return problems;
}

bool Mentions(const std::vector<std::string>& problems, const std::string& text)
{
  for (const std::string& problem : problems)
    if (problem.find(text) != std::string::npos)
      return true;
  return false;
}

TEST(AaxHostChecks, AModuleThatKeepsTheRulesLeavesNoFinding)
{
  const std::vector<std::string> problems = ProblemsOf({});
  EXPECT_TRUE(problems.empty()) << problems.front();
}

TEST(AaxHostChecks, EachBrokenRuleIsNamed)
{
  Faults unknown;
  unknown.askUnknownId = true;
  EXPECT_TRUE(Mentions(ProblemsOf(unknown), "unknown host: {12345678-1234-1234-0102-030405060708}"));
  Faults kept;
  kept.keepHostReference = true;
  EXPECT_TRUE(Mentions(ProblemsOf(kept), "keeps 1 references to the host unknown"));
  Faults overReleased;
  overReleased.overReleaseDescriptor = true;
  EXPECT_TRUE(Mentions(ProblemsOf(overReleased), "effect descriptor: released more often than referenced"));
  Faults busy;
  busy.refuseUnload = true;
  const std::vector<std::string> problems = ProblemsOf(busy);
  EXPECT_TRUE(Mentions(problems, "after registration ACFCanUnloadNow answers 1"));
  EXPECT_TRUE(Mentions(problems, "at the end ACFCanUnloadNow answers 1"));
}

TEST(AaxHostChecks, RegistrationWithoutAPluginDefinitionFailsTheLoad)
{
  gFaults = {};
  gFaults.noDefinition = true;
  std::string error;
  auto module = Module::FromEntryPoints(
      EntryPoints{RegisterPlugin, RegisterComponent, GetClassFactory, CanUnloadNow, Startup, Shutdown, GetSdkVersion},
      error);
  EXPECT_FALSE(module);
  EXPECT_NE(error.find("without a plug-in definition"), std::string::npos) << error;
}
} // namespace
