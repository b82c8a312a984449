#include "engine/AudioProcessor.h"

#include "engine/DenormalGuard.h"
#include "engine/Dsp/Legendre.h"

#include <algorithm>

namespace Dsp
{
// The frame's filter: order-4 Legendre low-pass, two channels, direct form II.
class LegendreLowPass4 final : public FilterDesign<Legendre::Design::LowPass<4>, 2, DirectFormII>
{
};
}

namespace
{
constexpr int kFilterOrder = 4;
// Far above any factor or block in use; longer host blocks are processed in pieces, and
// largest block x factor stays well within int.
constexpr int32_t kMaxOversampling = 16;
constexpr int32_t kMaxBlockFrames = 1 << 20;
}

AudioProcessor::AudioProcessor()
    : mUpsamplingFilter(std::make_unique<Dsp::LegendreLowPass4>()),
      mDownsamplingFilter(std::make_unique<Dsp::LegendreLowPass4>())
{
  setupFilters();
}

AudioProcessor::~AudioProcessor() = default;

void AudioProcessor::prepare(int32_t rate, int32_t maxBlockFrames, int32_t oversampling)
{
  mSampleRate = mPendingRate = rate;
  mBlockSize = mPendingBlockSize = std::clamp(maxBlockFrames, 1, kMaxBlockFrames);
  mOversampling = std::clamp(oversampling, 1, kMaxOversampling);
  setupFilters();
  prepareDetectors();
}

void AudioProcessor::setOversampling(int32_t factor) { prepare(mPendingRate, mPendingBlockSize, factor); }

void AudioProcessor::setSampleRate(int32_t rate) { mPendingRate = rate; }

void AudioProcessor::setBlockSize(int32_t frames) { mPendingBlockSize = frames; }

void AudioProcessor::setupFilters()
{
  // Cutoff at the host rate's Nyquist frequency, designed at the processing rate. At the
  // factor 1 that is the processing rate's own Nyquist frequency, where the filter keeps
  // its previous (finite) design; the frame does not run the filters then.
  Dsp::Params params;
  params[0] = static_cast<double>(mSampleRate) * mOversampling;
  params[1] = kFilterOrder;
  params[2] = mSampleRate * 0.5;
  mUpsamplingFilter->assignParams(params);
  mDownsamplingFilter->assignParams(params);

  const size_t frames = static_cast<size_t>(mBlockSize) * static_cast<size_t>(mOversampling);
  for (auto& buffer : mWork)
    buffer.assign(frames, 0.0);
}

void AudioProcessor::processBlock(const double* const* inputs, double* const* outputs, int frames)
{
  if (frames < 1)
    return;
  DenormalGuard denormals;
  const int pieceFrames = mBlockSize; // what the work buffers were sized for
  for (int start = 0; start < frames; start += pieceFrames)
  {
    const double* in[2] = {inputs[0] + start, inputs[1] + start};
    double* out[2] = {outputs[0] + start, outputs[1] + start};
    processPiece(in, out, std::min(pieceFrames, frames - start));
  }
}

void AudioProcessor::processPiece(const double* const* inputs, double* const* outputs, int frames)
{
  const int factor = mOversampling;
  if (factor <= 1)
  {
    // Transparent frame: processed straight from the inputs into the outputs. One output
    // array twice (mono) has its second channel written to a work buffer and dropped, so
    // the array is written once.
    double* out[2] = {outputs[0], outputs[1]};
    if (out[1] == out[0])
      out[1] = mWork[1].data();
    processChannels(inputs, out, frames);
    return;
  }

  const int total = frames * factor;
  double* work[2] = {mWork[0].data(), mWork[1].data()};
  for (int c = 0; c < 2; ++c)
  {
    std::fill(work[c], work[c] + total, 0.0);
    for (int i = 0; i < frames; ++i)
      work[c][i * factor] = inputs[c][i] * factor;
  }
  mUpsamplingFilter->process(total, work);
  processChannels(work, work, total);
  mDownsamplingFilter->process(total, work);
  for (int c = 0; c < 2; ++c)
    if (c == 0 || outputs[1] != outputs[0])
      for (int i = 0; i < frames; ++i)
        outputs[c][i] = work[c][i * factor];
}
