#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

// One overall progress bar on standard error for a whole command (all its files and
// passes), drawn only when standard error is a terminal and the audio is longer than a
// few seconds (short work finishes before a bar would tell anything). Redrawn only when
// the shown percentage or the count of finished files changes.
//
// [any thread] Workers of a batch add their frames from their own threads.
namespace quenmark
{
class ProgressBar
{
public:
  static constexpr double kMinSeconds = 5.;

  // totalFrames: every frame of every pass; seconds: the audio those frames last.
  // `shown` false keeps the bar hidden whatever the terminal (-q).
  ProgressBar(std::string label, std::int64_t totalFrames, double seconds, int files, bool shown = true);
  ~ProgressBar(); // clears the line
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void addFrames(std::int64_t frames);
  void fileDone();
  // Runs `print` (which writes whole lines to a terminal) with the bar cleared, then
  // draws the bar again below what it printed.
  void printAbove(const std::function<void()>& print);

private:
  void redraw(bool force);
  void clearLine();

  const std::string mLabel;
  const std::int64_t mTotal;
  const int mFiles;
  const bool mEnabled;
  std::atomic<std::int64_t> mDone{0};
  std::atomic<int> mFilesDone{0};
  std::mutex mDrawing;
  int mShownPercent = -1;  // guarded by mDrawing
  int mShownFiles = -1;    // guarded by mDrawing
  bool mOnScreen = false;  // guarded by mDrawing
};
} // namespace quenmark
