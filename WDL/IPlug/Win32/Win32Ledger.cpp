#include "WDL/IPlug/Win32/Win32Ledger.h"

#include <atomic>
#include <cstddef>

namespace
{
std::atomic<int> gHeld[static_cast<std::size_t>(Win32Object::kCount)];
}

void Win32LedgerCreated(Win32Object kind)
{
  gHeld[static_cast<std::size_t>(kind)].fetch_add(1, std::memory_order_relaxed);
}

void Win32LedgerReleased(Win32Object kind)
{
  gHeld[static_cast<std::size_t>(kind)].fetch_sub(1, std::memory_order_relaxed);
}

int Win32ObjectsHeld(Win32Object kind)
{
  return gHeld[static_cast<std::size_t>(kind)].load(std::memory_order_relaxed);
}
