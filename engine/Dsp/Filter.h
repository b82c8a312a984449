#pragma once

#include "engine/Dsp/Biquad.h"

#include <array>
#include <complex>
#include <span>
#include <string_view>

namespace Dsp
{

// Every filter carries eight parameter values; each design documents which slots it reads.
inline constexpr int kMaxParams = 8;
using Params = std::array<double, kMaxParams>;

enum class Kind
{
  kLowPass = 0
};

// What a parameter means, independent of the slot a design keeps it in.
enum class ParamId
{
  kUnknown = -1,
  kSampleRate = 0,
  kFrequency = 1,
  kOrder = 7
};

struct ParamInfo
{
  ParamId id = ParamId::kUnknown;
  std::string_view shortLabel;
  std::string_view name;
  double minimum = 0.0;
  double maximum = 0.0;
  double defaultValue = 0.0;
};

// A multi-channel IIR filter that designs itself from its parameter set. Nothing in
// it allocates or throws: a design that cannot be made returns false and leaves the
// filter as it was, with lastError() saying why.
class Filter
{
public:
  virtual ~Filter() = default;

  virtual Kind kind() const = 0;
  virtual std::string_view name() const = 0;
  virtual int paramCount() const = 0;
  // An index outside 0 .. paramCount() - 1 gives a ParamInfo with id kUnknown.
  virtual ParamInfo paramInfo(int index) const = 0;
  // The digital poles and zeros, one pair per biquad stage.
  virtual std::span<const PoleZeroPair> poleZeroPairs() const = 0;
  // normalizedFrequency is a fraction of the sample rate (0.5 is Nyquist).
  virtual std::complex<double> frequencyResponse(double normalizedFrequency) const = 0;
  virtual int numChannels() const = 0;
  // Zeroes the delay state of every stage and channel.
  virtual void reset() = 0;
  // [audio thread] Filters numChannels() channels of frames samples in place. A null
  // array or channel pointer, or frames <= 0, is skipped.
  virtual void process(int frames, double* const* channels) = 0;
  virtual void process(int frames, float* const* channels) = 0;
  // Redesigns the stages from params. Returns false when no new design could be
  // made; the stages in use then stay those of the previous design.
  virtual bool applyParams(const Params& params) = 0;

  // Stores params, then redesigns with them; returns what applyParams returns.
  bool assignParams(const Params& params);
  // The last assigned set, also when its design was refused.
  const Params& params() const { return mParams; }
  // Empty after a successful design, otherwise the reason the last one was refused.
  std::string_view lastError() const { return mLastError; }

protected:
  void setLastError(std::string_view error) { mLastError = error; }

private:
  Params mParams{};
  std::string_view mLastError;
};

} // namespace Dsp
