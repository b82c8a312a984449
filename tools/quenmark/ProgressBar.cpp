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

ProgressBar::ProgressBar(std::string label, std::int64_t totalFrames, double seconds)
  : mLabel(std::move(label)), mTotal(totalFrames), mEnabled(totalFrames > 0 && seconds > kMinSeconds && isatty(STDERR_FILENO))
{
  update(0);
}

ProgressBar::~ProgressBar()
{
  if (mEnabled && mShownPercent >= 0)
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(mLabel.size()) + kBarWidth + 10, "");
}

void ProgressBar::update(std::int64_t doneFrames)
{
  if (!mEnabled)
    return;
  const int percent = static_cast<int>(std::clamp<std::int64_t>(doneFrames * 100 / mTotal, 0, 100));
  if (percent == mShownPercent)
    return;
  mShownPercent = percent;
  const int filled = percent * kBarWidth / 100;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kBarWidth - filled), '-');
  std::fprintf(stderr, "\r%s [%s] %3d%%", mLabel.c_str(), bar.c_str(), percent);
  std::fflush(stderr);
}
} // namespace quenmark
