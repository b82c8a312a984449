#include "tools/demo/Programme.h"

#include <cmath>
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
  std::vector<double> rawL(static_cast<size_t>(frames)), rawR(static_cast<size_t>(frames));
  double sumSquares = 0.0;
  for (int i = 0; i < frames; ++i)
  {
    rawL[static_cast<size_t>(i)] = pinkL.next(whiteL.next());
    rawR[static_cast<size_t>(i)] = pinkR.next(whiteR.next());
    sumSquares += rawL[static_cast<size_t>(i)] * rawL[static_cast<size_t>(i)];
  }
  const double rms = std::sqrt(sumSquares / frames);
  const int stepFrames = static_cast<int>(kStepSeconds * sampleRate);
  for (int i = 0; i < frames; ++i)
  {
    const int step = (i / stepFrames) % static_cast<int>(std::size(kStepsDbfs));
    const double gain = std::pow(10.0, kStepsDbfs[step] / 20.0) / rms;
    programme.left[static_cast<size_t>(i)] = rawL[static_cast<size_t>(i)] * gain;
    programme.right[static_cast<size_t>(i)] = rawR[static_cast<size_t>(i)] * gain;
  }
  return programme;
}
