#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace
{
thread_local std::size_t tAllocations = 0;

void* countedAllocate(std::size_t size)
{
  ++tAllocations;
  if (void* p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}

void* countedAllocateAligned(std::size_t size, std::align_val_t align)
{
  ++tAllocations;
  const std::size_t alignment = static_cast<std::size_t>(align);
  const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
#if defined(_WIN32)
  if (void* p = _aligned_malloc(rounded ? rounded : alignment, alignment)) // Windows has no aligned_alloc
#else
  if (void* p = std::aligned_alloc(alignment, rounded ? rounded : alignment))
#endif
    return p;
  throw std::bad_alloc();
}

void freeAligned(void* p)
{
#if defined(_WIN32)
  _aligned_free(p);
#else
  std::free(p);
#endif
}
}

AllocationScope::AllocationScope() : mStart(tAllocations) {}
AllocationScope::~AllocationScope() = default;
std::size_t AllocationScope::count() const { return tAllocations - mStart; }

void* operator new(std::size_t size) { return countedAllocate(size); }
void* operator new[](std::size_t size) { return countedAllocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  ++tAllocations;
  return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
  ++tAllocations;
  return std::malloc(size ? size : 1);
}
void* operator new(std::size_t size, std::align_val_t align) { return countedAllocateAligned(size, align); }
void* operator new[](std::size_t size, std::align_val_t align) { return countedAllocateAligned(size, align); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { freeAligned(p); }
void operator delete[](void* p, std::align_val_t) noexcept { freeAligned(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { freeAligned(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { freeAligned(p); }
