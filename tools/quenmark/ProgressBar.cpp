#include "tools/quenmark/ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace quenmark
{
namespace
{
constexpr int kBarWidth = 30;
}

ProgressBar::ProgressBar(std::string label, std::int64_t totalFrames, double seconds, int files, bool shown)
  : mLabel(std::move(label)),
    mTotal(totalFrames),
    mFiles(files),
    mEnabled(shown && totalFrames > 0 && seconds > kMinSeconds && isatty(STDERR_FILENO))
{
  std::lock_guard<std::mutex> lock(mDrawing);
  redraw(false);
}

ProgressBar::~ProgressBar()
{
  std::lock_guard<std::mutex> lock(mDrawing);
  clearLine();
}

void ProgressBar::addFrames(std::int64_t frames)
{
  if (!mEnabled)
    return;
  mDone.fetch_add(frames, std::memory_order_relaxed);
  std::lock_guard<std::mutex> lock(mDrawing);
  redraw(false);
}

void ProgressBar::fileDone()
{
  if (!mEnabled)
    return;
  mFilesDone.fetch_add(1, std::memory_order_relaxed);
  std::lock_guard<std::mutex> lock(mDrawing);
  redraw(false);
}

void ProgressBar::printAbove(const std::function<void()>& print)
{
  std::lock_guard<std::mutex> lock(mDrawing);
  clearLine();
  print();
  redraw(true);
}

void ProgressBar::clearLine()
{
  if (!mOnScreen)
    return;
  std::fprintf(stderr, "\r%*s\r", static_cast<int>(mLabel.size()) + kBarWidth + 24, "");
  std::fflush(stderr);
  mOnScreen = false;
}

void ProgressBar::redraw(bool force)
{
  if (!mEnabled)
    return;
  const int percent =
    static_cast<int>(std::clamp<std::int64_t>(mDone.load(std::memory_order_relaxed) * 100 / mTotal, 0, 100));
  const int files = mFilesDone.load(std::memory_order_relaxed);
  if (!force && percent == mShownPercent && files == mShownFiles)
    return;
  mShownPercent = percent;
  mShownFiles = files;
  const int filled = percent * kBarWidth / 100;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kBarWidth - filled), '-');
  if (mFiles > 1)
    std::fprintf(stderr, "\r%s %d/%d files [%s] %3d%%", mLabel.c_str(), files, mFiles, bar.c_str(), percent);
  else
    std::fprintf(stderr, "\r%s [%s] %3d%%", mLabel.c_str(), bar.c_str(), percent);
  std::fflush(stderr);
  mOnScreen = true;
}
} // namespace quenmark
