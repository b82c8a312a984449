#include "tools/vst3host/Status.h"

namespace vst3host
{
const std::string& Status::message() const noexcept
{
  static const std::string kEmpty;
  return mMessage ? *mMessage : kEmpty;
}

std::string resultName(Steinberg::tresult result)
{
  using namespace Steinberg;
  switch (result)
  {
  case kResultOk: return "kResultOk";
  case kResultFalse: return "kResultFalse";
  case kNoInterface: return "kNoInterface";
  case kInvalidArgument: return "kInvalidArgument";
  case kNotImplemented: return "kNotImplemented";
  case kInternalError: return "kInternalError";
  case kNotInitialized: return "kNotInitialized";
  case kOutOfMemory: return "kOutOfMemory";
  case kExceptionEscaped: return "an exception escaped the plug-in";
  default: return "result " + std::to_string(result);
  }
}

Status checkResult(Steinberg::tresult result, const std::string& what)
{
  if (result == Steinberg::kResultOk)
    return Status::success();
  return Status::failure(what + ": " + resultName(result));
}
} // namespace vst3host
