#include "tools/quenmark/Interruption.h"

#include <mutex>
#include <set>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <pthread.h>
#include <unistd.h>
#endif

namespace quenmark
{
namespace
{
std::mutex& filesMutex()
{
  static std::mutex mutex;
  return mutex;
}

std::set<std::filesystem::path>& files()
{
  static std::set<std::filesystem::path> registered;
  return registered;
}

// Removes every registered file and keeps the lock, so that no output is moved into
// place or begun after this: the process ends next.
void removeAllAndHold()
{
  filesMutex().lock();
  for (const std::filesystem::path& path : files())
  {
    std::error_code error;
    std::filesystem::remove(path, error);
  }
}

#ifdef _WIN32
BOOL WINAPI onConsoleEvent(DWORD event)
{
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
    return FALSE;
  removeAllAndHold();
  // The status a console program interrupted by Ctrl-C ends with.
  ExitProcess(STATUS_CONTROL_C_EXIT);
  return TRUE;
}
#endif
} // namespace

void handleInterruptions()
{
#ifdef _WIN32
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0)
    return;
  std::thread([signals] {
    int received = 0;
    if (sigwait(&signals, &received) != 0)
      return;
    removeAllAndHold();
    // Ends by the signal itself, as an uncaught one would have ended the process.
    std::signal(received, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, received);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    raise(received);
    _exit(128 + received);
  }).detach();
#endif
}

void removeOnInterruption(const std::filesystem::path& path)
{
  std::lock_guard<std::mutex> lock(filesMutex());
  files().insert(path);
}

void forgetOnInterruption(const std::filesystem::path& path)
{
  std::lock_guard<std::mutex> lock(filesMutex());
  files().erase(path);
}
} // namespace quenmark
