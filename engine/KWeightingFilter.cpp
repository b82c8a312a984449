#include "engine/KWeightingFilter.h"

#include <cfloat>
#include <cmath>
#include <numbers>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define QUENMARK_KWEIGHTING_SSE2 1
#endif

void KWeightingFilter::setSampleRate(int32_t rate)
{
  const double fs = rate > 0 ? static_cast<double>(rate) : 1.0;

  // High-frequency shelf: the pre-filter that models the head.
  double f0 = 1681.974450955533;
  const double gainDb = 3.999843853973347;
  double q = 0.7071752369554196;
  double k = std::tan(std::numbers::pi * f0 / fs);
  const double vh = std::pow(10.0, gainDb / 20.0);
  const double vb = std::pow(vh, 0.4996667741545416);
  const double a0 = 1.0 + k / q + k * k;
  const double shelfB[3] = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0};
  const double shelfA[3] = {1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};

  // High-pass (revised low-frequency B curve). Its numerator stays 1, -2, 1, unnormalised,
  // as in the standard's own table of coefficients.
  f0 = 38.13547087602444;
  q = 0.5003270373238773;
  k = std::tan(std::numbers::pi * f0 / fs);
  const double highPassB[3] = {1.0, -2.0, 1.0};
  const double highPassA[3] = {1.0, 2.0 * (k * k - 1.0) / (1.0 + k / q + k * k),
                               (1.0 - k / q + k * k) / (1.0 + k / q + k * k)};

  // The product of the two sections' polynomials.
  auto multiply = [](const double* p, const double* r, double* out) {
    out[0] = p[0] * r[0];
    out[1] = p[0] * r[1] + p[1] * r[0];
    out[2] = p[0] * r[2] + p[1] * r[1] + p[2] * r[0];
    out[3] = p[1] * r[2] + p[2] * r[1];
    out[4] = p[2] * r[2];
  };
  multiply(shelfB, highPassB, mB);
  multiply(shelfA, highPassA, mA);
  reset();
}

void KWeightingFilter::reset()
{
  for (auto& history : mHistory)
    for (double& v : history)
      v = 0.0;
}

namespace
{
inline double finiteOrZero(double x) { return std::isfinite(x) ? x : 0.0; }
}

#ifdef QUENMARK_KWEIGHTING_SSE2
namespace
{
// Left in the low lane, right in the high lane; a non-finite sample becomes +0, as
// finiteOrZero makes it (x - x is 0 only for a finite x).
inline __m128d finiteFramesOrZero(__m128d x)
{
  return _mm_and_pd(x, _mm_cmpeq_pd(_mm_sub_pd(x, x), _mm_setzero_pd()));
}
inline __m128d times(double coefficient, __m128d x) { return _mm_mul_pd(_mm_set1_pd(coefficient), x); }
}

// Both channels in the two lanes of one register: each lane does exactly the scalar
// loop's operations in its order, so the energies are the same to the bit, at about half
// the instructions per frame.
void KWeightingFilter::filterStereo(const double* left, const double* right, double* energies, int frames)
{
  const double b0 = mB[0], b1 = mB[1], b2 = mB[2], b3 = mB[3], b4 = mB[4];
  const double a1 = mA[1], a2 = mA[2], a3 = mA[3], a4 = mA[4];
  __m128d v1 = _mm_set_pd(mHistory[1][0], mHistory[0][0]);
  __m128d v2 = _mm_set_pd(mHistory[1][1], mHistory[0][1]);
  __m128d v3 = _mm_set_pd(mHistory[1][2], mHistory[0][2]);
  __m128d v4 = _mm_set_pd(mHistory[1][3], mHistory[0][3]);
  for (int i = 0; i < frames; ++i)
  {
    const __m128d x = finiteFramesOrZero(_mm_loadh_pd(_mm_load_sd(left + i), right + i));
    const __m128d v0 = _mm_sub_pd(
        _mm_sub_pd(_mm_sub_pd(_mm_sub_pd(x, times(a4, v4)), times(a3, v3)), times(a2, v2)), times(a1, v1));
    const __m128d y = _mm_add_pd(
        _mm_add_pd(_mm_add_pd(_mm_add_pd(times(b0, v0), times(b1, v1)), times(b2, v2)), times(b3, v3)),
        times(b4, v4));
    const __m128d squares = _mm_mul_pd(y, y);
    _mm_store_sd(energies + i, _mm_add_sd(squares, _mm_unpackhi_pd(squares, squares)));
    v4 = v3, v3 = v2, v2 = v1, v1 = v0;
  }
  double history[4][2];
  _mm_storeu_pd(history[0], v1);
  _mm_storeu_pd(history[1], v2);
  _mm_storeu_pd(history[2], v3);
  _mm_storeu_pd(history[3], v4);
  for (int c = 0; c < kMaxChannels; ++c)
    for (int j = 0; j < 4; ++j)
      mHistory[c][j] = history[j][c];
}
#else
void KWeightingFilter::filterStereo(const double* left, const double* right, double* energies, int frames)
{
  const double b0 = mB[0], b1 = mB[1], b2 = mB[2], b3 = mB[3], b4 = mB[4];
  const double a1 = mA[1], a2 = mA[2], a3 = mA[3], a4 = mA[4];
  double l1 = mHistory[0][0], l2 = mHistory[0][1], l3 = mHistory[0][2], l4 = mHistory[0][3];
  double r1 = mHistory[1][0], r2 = mHistory[1][1], r3 = mHistory[1][2], r4 = mHistory[1][3];
  for (int i = 0; i < frames; ++i)
  {
    const double l0 = ((finiteOrZero(left[i]) - a4 * l4) - a3 * l3 - a2 * l2) - a1 * l1;
    const double r0 = ((finiteOrZero(right[i]) - a4 * r4) - a3 * r3 - a2 * r2) - a1 * r1;
    const double yl = b0 * l0 + b1 * l1 + b2 * l2 + b3 * l3 + b4 * l4;
    const double yr = b0 * r0 + b1 * r1 + b2 * r2 + b3 * r3 + b4 * r4;
    energies[i] = yl * yl + yr * yr;
    l4 = l3, l3 = l2, l2 = l1, l1 = l0;
    r4 = r3, r3 = r2, r2 = r1, r1 = r0;
  }
  mHistory[0][0] = l1, mHistory[0][1] = l2, mHistory[0][2] = l3, mHistory[0][3] = l4;
  mHistory[1][0] = r1, mHistory[1][1] = r2, mHistory[1][2] = r3, mHistory[1][3] = r4;
}
#endif

void KWeightingFilter::filterToEnergies(const double* left, const double* right, double* energies, int frames)
{
  // The feedback sum takes the most recent state last, so each frame waits on one
  // multiply and one subtraction of the previous frame rather than on four.
  if (right)
  {
    filterStereo(left, right, energies, frames);
    settleHistory(mHistory[1]);
  }
  else
  {
    const double b0 = mB[0], b1 = mB[1], b2 = mB[2], b3 = mB[3], b4 = mB[4];
    const double a1 = mA[1], a2 = mA[2], a3 = mA[3], a4 = mA[4];
    double l1 = mHistory[0][0], l2 = mHistory[0][1], l3 = mHistory[0][2], l4 = mHistory[0][3];
    for (int i = 0; i < frames; ++i)
    {
      const double l0 = ((finiteOrZero(left[i]) - a4 * l4) - a3 * l3 - a2 * l2) - a1 * l1;
      const double yl = b0 * l0 + b1 * l1 + b2 * l2 + b3 * l3 + b4 * l4;
      energies[i] = yl * yl;
      l4 = l3, l3 = l2, l2 = l1, l1 = l0;
    }
    mHistory[0][0] = l1, mHistory[0][1] = l2, mHistory[0][2] = l3, mHistory[0][3] = l4;
  }
  settleHistory(mHistory[0]);
}

void KWeightingFilter::settleHistory(double* history)
{
  // Denormal states cost time for as long as silence lasts; an overflowed state would
  // keep every later reading infinite or NaN. Both start again from 0.
  bool finite = true;
  for (int j = 0; j < 4; ++j)
  {
    finite = finite && std::isfinite(history[j]);
    if (std::fabs(history[j]) < DBL_MIN)
      history[j] = 0.0;
  }
  if (!finite)
    for (int j = 0; j < 4; ++j)
      history[j] = 0.0;
}
