#pragma once

#include <cstddef>

// Counts the heap calls made on the calling thread while a scope is active, so a test can
// assert that a real-time path allocates and frees nothing. Counted at the C library's
// level (malloc, calloc, realloc, the aligned forms and free), so allocations of C
// libraries count as well as operator new. In sanitizer builds the sanitizer's allocator
// hooks count instead of the interposed functions.
class AllocationScope
{
public:
  AllocationScope();
  ~AllocationScope();
  AllocationScope(const AllocationScope&) = delete;
  AllocationScope& operator=(const AllocationScope&) = delete;

  // Blocks allocated (or reallocated) since the scope began.
  std::size_t count() const;
  // Blocks freed since the scope began.
  std::size_t releases() const;

private:
  std::size_t mAllocationsAtStart;
  std::size_t mReleasesAtStart;
};

// Counts the heap calls made on the calling thread, while the scope is active, at moments
// when `condition(argument)` holds: for example "this thread holds that lock". The
// condition runs inside the allocator, so it must neither allocate nor take a lock.
// Scopes do not nest.
class ConditionalAllocationScope
{
public:
  using Condition = bool (*)(const void* argument);
  ConditionalAllocationScope(Condition condition, const void* argument);
  ~ConditionalAllocationScope();
  ConditionalAllocationScope(const ConditionalAllocationScope&) = delete;
  ConditionalAllocationScope& operator=(const ConditionalAllocationScope&) = delete;

  // Blocks allocated while the condition held.
  std::size_t count() const;
};
