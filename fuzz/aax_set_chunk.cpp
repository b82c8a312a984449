// Hands arbitrary bytes to the AAX plug-in's SetChunk as a host would: a chunk record
// of the state's ID holding the bytes. After any input the call has answered success or
// a chunk error, every parameter is finite and inside its range, the host's value of
// each parameter reads as the plug-in's once delivered, and the chunk saved afterwards
// loads back.
#include "tools/aaxhost/Instance.h"
#include "tools/aaxhost/Module.h"

#include "tests/aax/LinkedEntryPoints.h"

#include "WDL/IPlug/AAX/IPlugAAX_Describe.h"
#include "product/TavrikQuenmark.h"

#include "AAX_SDK/Libs/AAXLibrary/source/AAX_CEffectParameters.h"
#include "AAX_SDK/Libs/AAXLibrary/source/AAX_Exports.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  static aaxhost::Module* module = [] {
    const aaxhost::EntryPoints entry = aaxtest::LinkedEntryPoints();
    std::string error;
    auto made = aaxhost::Module::FromEntryPoints(entry, error);
    if (!made)
      std::abort();
    return made.release();
  }();
  static aaxhost::Instance* instance = [] {
    std::string error;
    auto made = aaxhost::Instance::Create(*module->Effect("com.Tavrik.aax.TavrikQuenmark"), 1, 48000.0, error);
    if (!made)
      std::abort();
    return made.release();
  }();
  static TavrikQuenmark* plug = [] {
    auto* unknown = reinterpret_cast<IACFUnknown*>(instance->EffectParameters());
    auto* base = ACFQuery<AAX_CEffectParameters>(unknown, IID_AAXLibraryEffectParameters);
    if (base == nullptr)
      std::abort();
    base->Release();
    return dynamic_cast<TavrikQuenmark*>(base);
  }();
  AAX_IACFEffectParameters_V4* parameters = plug;

  const std::vector<char> bytes(data, data + size);
  const AAX_Result result = instance->LoadChunk(0x516E6D6B, bytes);
  if (result != AAX_SUCCESS && result != AAX_ERROR_MALFORMED_CHUNK)
    std::abort();
  instance->DeliverAutomation();
  for (int i = 0; i < plug->ParamCount(); ++i)
  {
    const IPlugParam* p = plug->ParamAt(i);
    if (!std::isfinite(p->Value()) || p->Value() < p->Min() || p->Value() > p->Max())
      std::abort();
    // Host and plug-in agree: the host's value reads as the plug-in's.
    double hostValue = -1.0;
    if (parameters->GetParameterNormalizedValue(std::to_string(i + 1).c_str(), &hostValue) != AAX_SUCCESS)
      std::abort();
    IPlugParam probe = *p;
    probe.SetFromNormalized(hostValue);
    if (std::fabs(probe.Value() - p->Value()) > 1e-9 * std::max(1.0, std::fabs(p->Value())))
    {
      std::fprintf(stderr, "parameter %d: host %.17g reads %.17g, plug-in %.17g\n", i, hostValue, probe.Value(),
                   p->Value());
      std::abort();
    }
  }
  aaxhost::abi::AAX_CTypeID id = 0;
  std::vector<char> saved;
  if (instance->SaveChunk(id, saved) != AAX_SUCCESS || instance->LoadChunk(id, saved) != AAX_SUCCESS)
    std::abort();
  instance->DeliverAutomation();
  return 0;
}
