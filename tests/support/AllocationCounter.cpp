#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUENMARK_COUNT_BY_SANITIZER_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define QUENMARK_COUNT_BY_SANITIZER_HOOKS 1
#endif
#endif

#ifdef QUENMARK_COUNT_BY_SANITIZER_HOOKS
// The sanitizer runtimes' hook interface (declared here: not every compiler ships its header).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*, std::size_t),
                                                         void (*freeHook)(const volatile void*));
#endif

namespace
{
// Plain thread-local counters in the executable's own TLS block: reading them never
// allocates, which a counter inside malloc must not do.
[[gnu::tls_model("initial-exec")]] thread_local std::size_t tAllocations = 0;
[[gnu::tls_model("initial-exec")]] thread_local std::size_t tReleases = 0;
[[gnu::tls_model("initial-exec")]] thread_local ConditionalAllocationScope::Condition tCondition = nullptr;
[[gnu::tls_model("initial-exec")]] thread_local const void* tConditionArgument = nullptr;
[[gnu::tls_model("initial-exec")]] thread_local std::size_t tConditionalAllocations = 0;

inline void countAllocation(const void* p)
{
  if (!p)
    return;
  ++tAllocations;
  if (tCondition != nullptr && tCondition(tConditionArgument))
    ++tConditionalAllocations;
}
inline void countRelease(const void* p)
{
  if (p)
    ++tReleases;
}
}

AllocationScope::AllocationScope() : mAllocationsAtStart(tAllocations), mReleasesAtStart(tReleases) {}
AllocationScope::~AllocationScope() = default;
std::size_t AllocationScope::count() const { return tAllocations - mAllocationsAtStart; }
std::size_t AllocationScope::releases() const { return tReleases - mReleasesAtStart; }

ConditionalAllocationScope::ConditionalAllocationScope(Condition condition, const void* argument)
{
  tConditionalAllocations = 0;
  tConditionArgument = argument;
  tCondition = condition;
}
ConditionalAllocationScope::~ConditionalAllocationScope()
{
  tCondition = nullptr;
  tConditionArgument = nullptr;
}
std::size_t ConditionalAllocationScope::count() const { return tConditionalAllocations; }

#ifdef QUENMARK_COUNT_BY_SANITIZER_HOOKS
namespace
{
void onSanitizerMalloc(const volatile void* p, std::size_t) { countAllocation(const_cast<const void*>(p)); }
void onSanitizerFree(const volatile void* p) { countRelease(const_cast<const void*>(p)); }
[[maybe_unused]] const int kHooksInstalled = __sanitizer_install_malloc_and_free_hooks(onSanitizerMalloc, onSanitizerFree);
}
#elif defined(_WIN32)
// The Windows C runtime offers no interposable allocator: operator new and delete count
// there instead (below), which covers everything but a C library's own heap calls.
#define QUENMARK_COUNT_IN_OPERATOR_NEW 1
#else
// The C library's allocator, under the names glibc exports for interposers.
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void* __libc_memalign(std::size_t, std::size_t);
extern "C" void __libc_free(void*);

extern "C"
{
void* malloc(std::size_t size)
{
  void* p = __libc_malloc(size);
  countAllocation(p);
  return p;
}

void* calloc(std::size_t count, std::size_t size)
{
  void* p = __libc_calloc(count, size);
  countAllocation(p);
  return p;
}

void* realloc(void* old, std::size_t size)
{
  void* p = __libc_realloc(old, size);
  // A reallocation is an allocation (it may move and copy); realloc(p, 0) frees.
  if (size == 0 && old)
    countRelease(old);
  else
    countAllocation(p);
  return p;
}

void free(void* p)
{
  countRelease(p);
  __libc_free(p);
}

void* memalign(std::size_t alignment, std::size_t size)
{
  void* p = __libc_memalign(alignment, size);
  countAllocation(p);
  return p;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }

int posix_memalign(void** out, std::size_t alignment, std::size_t size)
{
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
    return 22; // EINVAL
  void* p = memalign(alignment, size);
  if (!p)
    return 12; // ENOMEM
  *out = p;
  return 0;
}
}
#endif

// operator new and delete go through malloc and free, where they are counted.
namespace
{
#ifdef QUENMARK_COUNT_IN_OPERATOR_NEW
inline void countNew(const void* p) { countAllocation(p); }
inline void countDelete(const void* p) { countRelease(p); }
#else
inline void countNew(const void*) {}
inline void countDelete(const void*) {}
#endif

void* allocateOrThrow(std::size_t size)
{
  if (void* p = std::malloc(size ? size : 1))
  {
    countNew(p);
    return p;
  }
  throw std::bad_alloc();
}

void* allocateNoThrow(std::size_t size) noexcept
{
  void* p = std::malloc(size ? size : 1);
  countNew(p);
  return p;
}

void release(void* p) noexcept
{
  countDelete(p);
  std::free(p);
}

void* allocateAlignedOrThrow(std::size_t size, std::align_val_t align)
{
  const std::size_t alignment = static_cast<std::size_t>(align);
  const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
#if defined(_WIN32)
  if (void* p = _aligned_malloc(rounded ? rounded : alignment, alignment)) // Windows has no aligned_alloc
#else
  if (void* p = std::aligned_alloc(alignment, rounded ? rounded : alignment))
#endif
  {
    countNew(p);
    return p;
  }
  throw std::bad_alloc();
}

void freeAligned(void* p)
{
  countDelete(p);
#if defined(_WIN32)
  _aligned_free(p);
#else
  std::free(p);
#endif
}
}

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocateNoThrow(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocateNoThrow(size); }
void* operator new(std::size_t size, std::align_val_t align) { return allocateAlignedOrThrow(size, align); }
void* operator new[](std::size_t size, std::align_val_t align) { return allocateAlignedOrThrow(size, align); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { freeAligned(p); }
void operator delete[](void* p, std::align_val_t) noexcept { freeAligned(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { freeAligned(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { freeAligned(p); }
