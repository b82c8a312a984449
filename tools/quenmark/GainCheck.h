#pragma once

#include <cstddef>
#include <optional>

// Whether a plug-in's output is its input times one constant gain, sample for sample
// (within rounding), as a Standard normalization's output should be. Then everything
// measured on the input holds for the output with the gain applied, and the output need
// not be measured again.
namespace quenmark
{
class GainCheck
{
public:
  // `frames` frames of each of `channels` planar channels, in the file's order.
  void add(const double* const* in, const double* const* out, int channels, std::size_t frames) noexcept;
  // The gain, while every sample so far held to it; nothing when one did not, or when
  // no input sample was anything but zero.
  std::optional<double> gain() const noexcept;

private:
  double mGain = 0.;
  bool mHaveGain = false;
  bool mBroken = false;
};
} // namespace quenmark
