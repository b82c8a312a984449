#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

// Sanitizer and debug builds run the same long cases over shorter programmes.
#if defined(QUENMARK_SANITIZED) || !defined(NDEBUG)
constexpr double kDurationScale = 1.0 / 30.0;
#else
constexpr double kDurationScale = 1.0;
#endif

// Test programmes: two non-interleaved channels of 64-bit samples.
struct StereoBuffer
{
  explicit StereoBuffer(int frames) : left(frames, 0.0), right(frames, 0.0) {}

  int frames() const { return static_cast<int>(left.size()); }
  double* const* channels()
  {
    pointers[0] = left.data();
    pointers[1] = right.data();
    return pointers;
  }

  std::vector<double> left;
  std::vector<double> right;
  double* pointers[2] = {nullptr, nullptr};
};

inline double dbToGain(double db) { return std::pow(10.0, db / 20.0); }

// A sine of the given peak level, in phase on both channels, continuing from `phaseFrame`.
inline void fillSine(StereoBuffer& buffer, double frequency, double peakDb, double rate, int64_t phaseFrame = 0)
{
  const double amplitude = dbToGain(peakDb);
  for (int i = 0; i < buffer.frames(); ++i)
  {
    const double x = amplitude * std::sin(2.0 * std::numbers::pi * frequency * static_cast<double>(phaseFrame + i) / rate);
    buffer.left[static_cast<size_t>(i)] = x;
    buffer.right[static_cast<size_t>(i)] = x;
  }
}

inline void fillConstant(StereoBuffer& buffer, double left, double right)
{
  for (int i = 0; i < buffer.frames(); ++i)
  {
    buffer.left[static_cast<size_t>(i)] = left;
    buffer.right[static_cast<size_t>(i)] = right;
  }
}

// Deterministic white noise in -amplitude .. amplitude (a 64-bit LCG, no library state).
class Noise
{
public:
  explicit Noise(uint64_t seed = 1) : mState(seed) {}
  double next()
  {
    mState = mState * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(mState >> 11) * (2.0 / 9007199254740992.0) - 1.0;
  }

private:
  uint64_t mState;
};
