#pragma once

#include <cstddef>

// Counts calls of the global operator new made on the calling thread while a
// scope is active, so a test can assert that a real-time path allocates nothing.
class AllocationScope
{
public:
  AllocationScope();
  ~AllocationScope();
  AllocationScope(const AllocationScope&) = delete;
  AllocationScope& operator=(const AllocationScope&) = delete;

  std::size_t count() const;

private:
  std::size_t mStart;
};
