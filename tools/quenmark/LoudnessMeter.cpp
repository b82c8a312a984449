#include "tools/quenmark/LoudnessMeter.h"

#include "tools/quenmark/ToolError.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quenmark
{
namespace
{
constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();

double toDb(double linear)
{
  return linear > 0. ? 20. * std::log10(linear) : kMinusInfinity;
}
} // namespace

LoudnessMeter::LoudnessMeter(int channels, int sampleRate) : mChannels(channels)
{
  mState = ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(sampleRate),
                        EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK | EBUR128_MODE_SAMPLE_PEAK);
  if (mState == nullptr)
    throw ToolError(kExitFailure, "libebur128 cannot measure " + std::to_string(channels) + " channels at " +
                                    std::to_string(sampleRate) + " Hz");
  if (channels == 1)
    ebur128_set_channel(mState, 0, EBUR128_DUAL_MONO);
}

LoudnessMeter::~LoudnessMeter()
{
  if (mState)
    ebur128_destroy(&mState);
}

void LoudnessMeter::add(const double* interleaved, std::int64_t frames)
{
  if (frames > 0 && ebur128_add_frames_double(mState, interleaved, static_cast<std::size_t>(frames)) != EBUR128_SUCCESS)
    throw ToolError(kExitFailure, "libebur128 failed to take the audio");
}

LoudnessReading LoudnessMeter::reading() const
{
  LoudnessReading reading{kMinusInfinity, 0., kMinusInfinity, kMinusInfinity};
  double value = 0.;
  if (ebur128_loudness_global(mState, &value) == EBUR128_SUCCESS)
    reading.integratedLufs = value;
  if (ebur128_loudness_range(mState, &value) == EBUR128_SUCCESS)
    reading.loudnessRangeLu = value;
  double truePeak = 0., samplePeak = 0.;
  for (int c = 0; c < mChannels; ++c)
  {
    if (ebur128_true_peak(mState, static_cast<unsigned>(c), &value) == EBUR128_SUCCESS)
      truePeak = std::max(truePeak, value);
    if (ebur128_sample_peak(mState, static_cast<unsigned>(c), &value) == EBUR128_SUCCESS)
      samplePeak = std::max(samplePeak, value);
  }
  reading.truePeakDbtp = toDb(truePeak);
  reading.samplePeakDbfs = toDb(samplePeak);
  return reading;
}
} // namespace quenmark
