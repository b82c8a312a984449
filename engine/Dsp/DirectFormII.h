#pragma once

#include "engine/Dsp/Biquad.h"

namespace Dsp
{

// The delay line of one biquad section in direct form II: two values per section
// and channel, which survive a change of coefficients.
struct DirectFormII
{
  double d1 = 0.0;
  double d2 = 0.0;

  void reset()
  {
    d1 = 0.0;
    d2 = 0.0;
  }

  // offset is added to the recursive node; the cascade passes its anti-denormal
  // value to the first section only.
  double process(double input, const Biquad& stage, double offset = 0.0)
  {
    const double w = input - stage.a1 * d1 - stage.a2 * d2 + offset;
    const double output = stage.b0 * w + stage.b1 * d1 + stage.b2 * d2;
    d2 = d1;
    d1 = w;
    return output;
  }
};

} // namespace Dsp
