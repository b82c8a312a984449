#pragma once

// Vector instructions beyond the SSE2 that every x86-64 processor has. Code for them is
// built beside the plain code (with GCC's target attribute) and chosen by these flags,
// read once when the program or plug-in loads, so that no audio thread ever asks. Both
// kinds of code compute the same results.
#if defined(__GNUC__) && defined(__x86_64__)
#define QUENMARK_X86_FEATURES 1

namespace processor
{
inline const bool kHasAvx = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx") != 0;
}();
inline const bool kHasSsse3 = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3") != 0;
}();
} // namespace processor
#endif
