#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

#if defined(__linux__)
#include <sys/mman.h>
#endif

// Storage for a detector's large arrays (histogram bins, energy windows), made and zeroed
// off the audio thread so that every page is mapped before audio runs. On Linux, arrays
// of a megabyte or more take whole 2 MB pages where the system offers them: one fault
// maps what takes 512 with ordinary pages (page faults were most of the time it took to
// make an instance), for at most as much memory again.
struct LargeArrayFree
{
  void operator()(void* storage) const noexcept { std::free(storage); }
};
template <class T> using LargeArray = std::unique_ptr<T[], LargeArrayFree>;

// `count` (at least one) zeroed elements of a type whose zero bytes are a valid value.
template <class T> LargeArray<T> makeLargeArray(std::size_t count)
{
  static_assert(std::is_trivially_default_constructible_v<T> && std::is_trivially_destructible_v<T>);
  const std::size_t bytes = (count > 0 ? count : 1) * sizeof(T);
  void* storage = nullptr;
#if defined(__linux__)
  constexpr std::size_t kHugePage = std::size_t(2) << 20;
  if (bytes >= kHugePage / 2)
  {
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    storage = std::aligned_alloc(kHugePage, rounded);
    if (storage != nullptr)
      madvise(storage, rounded, MADV_HUGEPAGE); // advice only: ordinary pages if refused
  }
#endif
  if (storage == nullptr)
    storage = std::malloc(bytes);
  if (storage == nullptr)
    throw std::bad_alloc();
  std::memset(storage, 0, bytes); // maps every page now, not on the audio thread
  return LargeArray<T>(static_cast<T*>(storage));
}
