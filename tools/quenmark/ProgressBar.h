#pragma once

#include <cstdint>
#include <string>

// A one-line progress bar on standard error, drawn only when standard error is a
// terminal and the audio is longer than a few seconds (short files finish before a bar
// would tell anything). Redrawn only when the shown percentage changes.
namespace quenmark
{
class ProgressBar
{
public:
  static constexpr double kMinSeconds = 5.;

  ProgressBar(std::string label, std::int64_t totalFrames, double seconds);
  ~ProgressBar(); // clears the line
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void update(std::int64_t doneFrames);

private:
  std::string mLabel;
  std::int64_t mTotal;
  bool mEnabled;
  int mShownPercent = -1;
};
} // namespace quenmark
