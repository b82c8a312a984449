#include "tools/demo/Programme.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdint>

namespace
{
// Deterministic white noise in -1 .. 1.
class White
{
public:
  explicit White(uint64_t seed) : mState(seed) {}
  double next()
  {
    mState = mState * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(mState >> 11) * (2.0 / 9007199254740992.0) - 1.0;
  }

private:
  uint64_t mState;
};

// A three-pole approximation of a -3 dB/octave slope.
class Pink
{
public:
  double next(double white)
  {
    mB0 = 0.99765 * mB0 + white * 0.0990460;
    mB1 = 0.96300 * mB1 + white * 0.2965164;
    mB2 = 0.57000 * mB2 + white * 1.0526913;
    return mB0 + mB1 + mB2 + white * 0.1848;
  }

private:
  double mB0 = 0.0, mB1 = 0.0, mB2 = 0.0;
};
}

Programme MakeDefaultProgramme(int sampleRate, double seconds)
{
  constexpr double kStepsDbfs[] = {-30.0, -18.0, -24.0, -12.0, -27.0, -15.0, -21.0, -12.0, -30.0, -18.0};
  constexpr double kStepSeconds = 2.0;
  Programme programme;
  programme.sampleRate = sampleRate;
  const int frames = static_cast<int>(seconds * sampleRate);
  programme.left.resize(static_cast<size_t>(frames));
  programme.right.resize(static_cast<size_t>(frames));

  White whiteL(1), whiteR(2);
  Pink pinkL, pinkR;
  const int stepFrames = static_cast<int>(kStepSeconds * sampleRate);
  for (int first = 0; first < frames; first += stepFrames)
  {
    // Each step is scaled so that its sample peak, over both channels, is the step's level.
    const int last = std::min(frames, first + stepFrames);
    double peak = 0.0;
    for (int i = first; i < last; ++i)
    {
      programme.left[static_cast<size_t>(i)] = pinkL.next(whiteL.next());
      programme.right[static_cast<size_t>(i)] = pinkR.next(whiteR.next());
      peak = std::max({peak, std::fabs(programme.left[static_cast<size_t>(i)]), std::fabs(programme.right[static_cast<size_t>(i)])});
    }
    const int step = (first / stepFrames) % static_cast<int>(std::size(kStepsDbfs));
    const double gain = peak > 0.0 ? std::pow(10.0, kStepsDbfs[step] / 20.0) / peak : 0.0;
    for (int i = first; i < last; ++i)
    {
      programme.left[static_cast<size_t>(i)] *= gain;
      programme.right[static_cast<size_t>(i)] *= gain;
    }
  }
  return programme;
}
