#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace Dsp
{
class LegendreLowPass4;
}

// An in-place block processor for two channels of 64-bit samples, framed by an
// oversampling stage: zero-stuffing and a Legendre low-pass before the processing, a
// second low-pass and decimation after it. At the factor 1 the frame is transparent and
// the block is processed where it lies.
//
// Set-up runs off the audio thread (under the owner's lock); processBlock runs on the
// audio thread and allocates nothing.
class AudioProcessor
{
public:
  virtual ~AudioProcessor();
  AudioProcessor(const AudioProcessor&) = delete;
  AudioProcessor& operator=(const AudioProcessor&) = delete;

  // Sizes everything for processing together: the host rate (Hz), the largest block the
  // host sends and the oversampling factor (< 1 counts as 1; the largest block < 1 counts
  // as 1). Redesigns the filters, sizes the work buffers and prepares the processing at
  // rate x factor, which resets every measurement. Allocates; never on the audio thread.
  void prepare(int32_t rate, int32_t maxBlockFrames, int32_t oversampling);

  // The older set-up in steps: setSampleRate and setBlockSize only record the values,
  // setOversampling prepares with them. Until then processBlock keeps to what the last
  // preparation sized, so no order of these calls can make it overrun a buffer.
  void setOversampling(int32_t factor);
  void setSampleRate(int32_t rate);   // Hz, host rate
  void setBlockSize(int32_t frames);  // largest block the host sends

  // [audio thread] Processes `frames` frames of inputs[0] and inputs[1] into outputs[0]
  // and outputs[1]; the outputs may be the inputs (in place), and both pointers of a side
  // may be the same array (mono: it is processed once). Blocks longer than the prepared
  // block size are processed in pieces of it; fewer than one frame does nothing.
  void processBlock(const double* const* inputs, double* const* outputs, int frames);
  void processBlock(double* const* channels, int frames) { processBlock(channels, channels, frames); }

  // The values of the last preparation.
  int32_t sampleRate() const { return mSampleRate; }
  int32_t oversampling() const { return mOversampling; }
  int32_t blockSize() const { return mBlockSize; }
  int32_t processingRate() const { return mSampleRate * mOversampling; }

protected:
  AudioProcessor();

  // The processing proper, at the processing rate, from inputs into distinct output
  // arrays (which may be the inputs).
  virtual void processChannels(const double* const* inputs, double* const* outputs, int frames) = 0;
  // Prepares whatever depends on the processing rate.
  virtual void prepareDetectors() = 0;

private:
  void setupFilters();
  void processPiece(const double* const* inputs, double* const* outputs, int frames);

  // Prepared: the work buffers hold mBlockSize x mOversampling frames.
  int32_t mSampleRate = 44100;
  int32_t mOversampling = 1;
  int32_t mBlockSize = 512;
  // Recorded by the step-wise setters for the next setOversampling.
  int32_t mPendingRate = 44100;
  int32_t mPendingBlockSize = 512;
  std::unique_ptr<Dsp::LegendreLowPass4> mUpsamplingFilter;
  std::unique_ptr<Dsp::LegendreLowPass4> mDownsamplingFilter;
  std::vector<double> mWork[2];
};
