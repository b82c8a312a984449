#pragma once

#include <atomic>

// Vector instructions beyond the SSE2 that every x86-64 processor has. Code for them is
// built beside the plain code (with GCC's target attribute) and chosen per call, never
// per sample, by uses(): what the processor has, read once when the program or plug-in
// loads, so that no audio thread ever asks it. Both kinds of code compute the same
// results; tests hold them to that by capping the choice with useAtMost.
#if defined(__GNUC__) && defined(__x86_64__)
#define QUENMARK_X86_FEATURES 1
#endif

namespace processor
{
// Each extension includes the ones before it.
enum class Extension
{
  sse2,
  ssse3,
  avx,
};

namespace detail
{
#ifdef QUENMARK_X86_FEATURES
inline const Extension kProcessorHighest = [] {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx"))
    return Extension::avx;
  return __builtin_cpu_supports("ssse3") ? Extension::ssse3 : Extension::sse2;
}();
#else
inline const Extension kProcessorHighest = Extension::sse2;
#endif
// Atomic, so that a test's cap races with no other thread; relaxed, so reading it costs
// one plain load.
inline std::atomic<Extension> gCap{Extension::avx};
} // namespace detail

// Whether the code may use `extension`: the processor has it and nothing capped it.
inline bool uses(Extension extension) noexcept
{
  return extension <= detail::kProcessorHighest && extension <= detail::gCap.load(std::memory_order_relaxed);
}

// Lets the code use no extension above `highest`, even where the processor has it, so
// that every choice can be run and compared on one machine; Extension::avx gives back
// all the processor has.
inline void useAtMost(Extension highest) noexcept { detail::gCap.store(highest, std::memory_order_relaxed); }

// useAtMost for a scope.
class ExtensionCap
{
public:
  explicit ExtensionCap(Extension highest) { useAtMost(highest); }
  ~ExtensionCap() { useAtMost(Extension::avx); }
  ExtensionCap(const ExtensionCap&) = delete;
  ExtensionCap& operator=(const ExtensionCap&) = delete;
};
} // namespace processor
