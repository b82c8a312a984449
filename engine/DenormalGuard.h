#pragma once

#if defined(__SSE__) || defined(_M_X64) || defined(_M_AMD64)
#include <xmmintrin.h>
#define QUENMARK_HAS_MXCSR 1
#endif

// Sets flush-to-zero and denormals-are-zero for the scope of one audio block and
// restores the caller's mode on exit. The smoother states decay into subnormal numbers
// during long silences, which makes the per-sample arithmetic many times slower.
class DenormalGuard
{
public:
#ifdef QUENMARK_HAS_MXCSR
  // Writing the control register is slow, so a mode that is already set (most hosts set
  // it for their audio threads) is left alone.
  DenormalGuard() : mSaved(_mm_getcsr())
  {
    if ((mSaved & kModes) != kModes)
      _mm_setcsr(mSaved | kModes);
  }
  ~DenormalGuard()
  {
    if ((mSaved & kModes) != kModes)
      _mm_setcsr(mSaved);
  }
#else
  DenormalGuard() = default;
#endif
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
#ifdef QUENMARK_HAS_MXCSR
  static constexpr unsigned kFlushToZero = 0x8000;
  static constexpr unsigned kDenormalsAreZero = 0x0040;
  static constexpr unsigned kModes = kFlushToZero | kDenormalsAreZero;
  unsigned mSaved;
#endif
};
