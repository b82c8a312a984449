#include "WDL/IPlug/X11/X11Errors.h"

#include <dlfcn.h>

#include <mutex>
#include <utility>
#include <vector>

namespace
{
// libX11 and cairo (with pixman under it) keep process-wide tables they never free.
// When a host unloads this module they would be unloaded with it and that memory lost on
// every load; pinned, they stay for the life of the process as in any other X client.
[[gnu::constructor]] void PinWindowLibraries()
{
  for (const char* library : {"libX11.so.6", "libcairo.so.2"})
    dlopen(library, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

std::mutex gMutex;
std::vector<std::pair<Display*, int>> gDisplays; // watched display and its error count
XErrorHandler gPrevious = nullptr;
bool gInstalled = false;

int RecordOrPass(Display* display, XErrorEvent* error)
{
  {
    std::lock_guard lock(gMutex);
    for (auto& [watched, count] : gDisplays)
      if (watched == display)
      {
        ++count;
        return 0;
      }
  }
  return gPrevious != nullptr ? gPrevious(display, error) : 0;
}
}

void X11WatchDisplay(Display* display)
{
  std::lock_guard lock(gMutex);
  if (!gInstalled)
  {
    // Installed once and never removed: another library may have installed its own
    // handler on top of ours since, and taking ours out would remove theirs.
    gPrevious = XSetErrorHandler(RecordOrPass);
    gInstalled = true;
  }
  gDisplays.emplace_back(display, 0);
}

void X11ForgetDisplay(Display* display)
{
  std::lock_guard lock(gMutex);
  std::erase_if(gDisplays, [display](const auto& entry) { return entry.first == display; });
}

int X11ErrorCount(Display* display)
{
  std::lock_guard lock(gMutex);
  for (const auto& [watched, count] : gDisplays)
    if (watched == display)
      return count;
  return 0;
}
