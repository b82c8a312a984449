// The editor of TavrikQuenmark.clap embedded by our host into an X11 window of an Xvfb
// server of the test's own: the whole gui call sequence, served by the host's timer and
// descriptor watching, opened and closed twice.

#include "tools/claphost/ClapHost.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// After the test framework: its names clash with the X11 macros.
#include <X11/Xlib.h>

namespace
{
// Xvfb on the first free display (it says which through -displayfd); stopped afterwards.
class Xvfb : public testing::Environment
{
public:
  void SetUp() override
  {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    mPid = fork();
    ASSERT_GE(mPid, 0);
    if (mPid == 0)
    {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", nullptr);
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
      number += c;
    close(fds[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start (apt-get install xvfb)";
    setenv("DISPLAY", (":" + number).c_str(), 1);
  }
  void TearDown() override
  {
    if (mPid > 0)
    {
      kill(mPid, SIGTERM);
      waitpid(mPid, nullptr, 0);
    }
  }

private:
  pid_t mPid = -1;
};
const auto* const gXvfb = testing::AddGlobalTestEnvironment(new Xvfb);

int ChildCount(Display* display, Window window)
{
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  XQueryTree(display, window, &root, &parent, &children, &count);
  if (children != nullptr)
    XFree(children);
  return static_cast<int>(count);
}

TEST(ClapEditorX11, OpensInTheHostsWindowIsServedByItsLoopAndClosesCleanlyTwice)
{
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  const Window parent =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 400, 400, 0, 0, 0);
  XMapWindow(display, parent);
  XSync(display, False);
  {
    claphost::Module module(QUENMARK_CLAP_MODULE_PATH);
    {
      claphost::Instance instance(module);
      for (int round = 0; round < 2; ++round)
      {
        uint32_t width = 0, height = 0;
        ASSERT_TRUE(instance.openEditor(reinterpret_cast<void*>(parent), &width, &height));
        EXPECT_EQ(width, 300u);
        EXPECT_EQ(height, 280u);
        EXPECT_EQ(instance.timerPeriods(), std::vector<uint32_t>{33});
        EXPECT_EQ(instance.watchedDescriptors(), 1u);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (std::chrono::steady_clock::now() < until)
        {
          instance.idle();
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        XSync(display, False);
        EXPECT_EQ(ChildCount(display, parent), 1) << "the editor's window inside the host's";
        instance.closeEditor();
        XSync(display, False);
        EXPECT_EQ(ChildCount(display, parent), 0);
      }
      // A host that forgets to close the editor: destroy cleans up.
      ASSERT_TRUE(instance.openEditor(reinterpret_cast<void*>(parent)));
    }
    EXPECT_TRUE(module.problems().empty()) << testing::PrintToString(module.problems());
  }
  XDestroyWindow(display, parent);
  XCloseDisplay(display);
}
} // namespace
