#pragma once

#include "vst3/sdk/interfaces/Types.h"

#include <optional>
#include <string>
#include <utility>

// Results of host operations. A call into a plug-in that fails, refuses or is not
// possible gives a Status or a Result carrying a message that names the call and the
// plug-in's answer; nothing here throws.
namespace vst3host
{
class [[nodiscard]] Status
{
public:
  static Status success() { return Status(); }
  static Status failure(std::string message) { return Status(std::move(message)); }

  bool ok() const noexcept { return !mMessage.has_value(); }
  explicit operator bool() const noexcept { return ok(); }
  // Empty for a success.
  const std::string& message() const noexcept;

private:
  Status() = default;
  explicit Status(std::string message) : mMessage(std::move(message)) {}

  std::optional<std::string> mMessage;
};

// A value, or the failure that prevented it.
template <class T>
class [[nodiscard]] Result
{
public:
  Result(T value) : mValue(std::move(value)), mStatus(Status::success()) {}
  Result(Status failure) : mStatus(std::move(failure)) {}

  bool ok() const noexcept { return mValue.has_value(); }
  explicit operator bool() const noexcept { return ok(); }
  const std::string& message() const noexcept { return mStatus.message(); }
  const Status& status() const noexcept { return mStatus; }

  // Only valid when ok().
  T& value() & { return *mValue; }
  const T& value() const& { return *mValue; }
  T take() { return std::move(*mValue); }

private:
  std::optional<T> mValue;
  Status mStatus;
};

// Stands for an exception that escaped a plug-in call (no plug-in returns this value).
inline constexpr Steinberg::tresult kExceptionEscaped = 0x7FFF0E0E;

// The name of a result code as it is written in the interface, e.g. "kResultFalse";
// unknown codes as their number.
std::string resultName(Steinberg::tresult result);

// Success for kResultOk (== kResultTrue); otherwise a failure "<what>: <result name>".
Status checkResult(Steinberg::tresult result, const std::string& what);
} // namespace vst3host
