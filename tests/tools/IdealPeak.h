#pragma once

// The peak of a signal's band-limited reconstruction, found the slow way, as a reference
// for the tool's own: every sample interval at 64 points, each from a long
// Blackman-windowed sinc, over the whole signal with silence around it.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace idealpeak
{
// `halfTaps` input samples on each side of each point.
inline double idealPeakDbtp(const std::vector<double>& interleaved, int channels, int halfTaps = 512)
{
  constexpr int kSteps = 64;
  const double pi = std::numbers::pi;
  const int width = 2 * halfTaps;
  std::vector<double> kernel(static_cast<std::size_t>(kSteps * width));
  for (int q = 0; q < kSteps; ++q)
    for (int i = 0; i < width; ++i)
    {
      const double tau = double(q) / kSteps - (i - halfTaps + 1);
      const double u = (tau + halfTaps) / width;
      const double window = 0.42 - 0.5 * std::cos(2. * pi * u) + 0.08 * std::cos(4. * pi * u);
      kernel[static_cast<std::size_t>(q * width + i)] =
        (std::fabs(tau) < 1e-12 ? 1. : std::sin(pi * tau) / (pi * tau)) * window;
    }
  double peak = 0.;
  const auto frames = static_cast<std::int64_t>(interleaved.size()) / channels;
  for (int c = 0; c < channels; ++c)
  {
    std::vector<double> x(static_cast<std::size_t>(frames + 2 * width), 0.);
    for (std::int64_t n = 0; n < frames; ++n)
      x[static_cast<std::size_t>(n + width)] = interleaved[static_cast<std::size_t>(n * channels + c)];
    for (std::int64_t m = halfTaps; m + halfTaps < static_cast<std::int64_t>(x.size()); ++m)
      for (int q = 0; q < kSteps; ++q)
      {
        double sums[4] = {0., 0., 0., 0.};
        const double* k = kernel.data() + q * width;
        const double* s = x.data() + m - halfTaps + 1;
        for (int i = 0; i < width; i += 4)
          for (int lane = 0; lane < 4; ++lane)
            sums[lane] += k[i + lane] * s[i + lane];
        peak = std::max(peak, std::fabs((sums[0] + sums[1]) + (sums[2] + sums[3])));
      }
  }
  return 20. * std::log10(peak);
}
} // namespace idealpeak
