#pragma once

#include "engine/CompensatedSum.h"
#include "engine/LargeArray.h"

#include <algorithm>
#include <cstdint>
#include <memory>

// A fixed-length ring of doubles. The array is allocated by allocate() (outside the
// audio thread); writing never allocates. onWrap is called each time the write index
// returns to 0.
class CircularBuffer
{
public:
  virtual ~CircularBuffer() = default;
  CircularBuffer() = default;
  CircularBuffer(const CircularBuffer&) = delete;
  CircularBuffer& operator=(const CircularBuffer&) = delete;

  virtual void onWrap() {}

  // Makes the ring `length` zeros (length < 1 gives an empty ring, which ignores writes)
  // and sets the write index to 0. Allocates only when the length changes.
  void allocate(int32_t length);

  // Stores value at the write index and advances it; returns the value it replaced.
  double write(double value)
  {
    if (mLength == 0)
      return 0.0;
    const double replaced = mData[mWriteIndex];
    mData[mWriteIndex] = value;
    if (++mWriteIndex == mLength)
    {
      mWriteIndex = 0;
      onWrap();
    }
    return replaced;
  }

  int32_t length() const { return mLength; }
  int32_t writeIndex() const { return mWriteIndex; }
  bool isAllocated() const { return mAllocated; }
  const double* data() const { return mData.get(); }

protected:
  double* mutableData() { return mData.get(); }
  // Sets the write index to 0 and leaves the values as they are.
  void rewind() { mWriteIndex = 0; }
  // Advances the write index by `count` (at most to the end of the ring), calling onWrap
  // when it reaches the end; for derived classes that write a run of values themselves.
  void advance(int32_t count)
  {
    mWriteIndex += count;
    if (mWriteIndex >= mLength)
    {
      mWriteIndex = 0;
      onWrap();
    }
  }

private:
  LargeArray<double> mData;
  int32_t mLength = 0;
  int32_t mWriteIndex = 0;
  bool mAllocated = false;
};

// The RMS detector's window: the last N per-frame peaks, with their sum of squares kept
// as a compensated running sum that is recomputed from the ring at every wrap, so the
// reading follows a full re-sum of the window without drifting, at a constant cost per
// frame instead of one re-sum per block. A clear costs the same however long the window
// is (restarts happen under the instance's lock): slots not written since count as zeros.
class RMSBuffer final : public CircularBuffer
{
public:
  void onWrap() override
  {
    mWrapped = true;
    resum();
  }

  // Pushes `frames` values, peakAt(i) for i = 0 .. frames - 1, replacing the oldest ones
  // and updating the sum of squares.
  // Pushes the per-frame peaks of two channels, max(|left[i]|, |right[i]|), with a
  // non-finite sample counted as 0.
  void pushStereoPeaks(const double* left, const double* right, int frames)
  {
    pushRuns(frames, [left, right](double* slot, int offset, int run) { writeStereoPeaks(slot, left + offset, right + offset, run); });
  }

  // Pushes `frames` values, peakAt(i) for i = 0 .. frames - 1.
  template <typename PeakAt> void push(int frames, PeakAt peakAt)
  {
    pushRuns(frames, [&peakAt](double* slot, int offset, int run) {
      for (int i = 0; i < run; ++i)
        slot[i] = peakAt(offset + i);
    });
  }

  // Sum of the squares of all stored values; exactly 0 when they are all 0.
  double sumOfSquares() const { return mSquares.nonNegativeTotal(); }

  // Empties the ring: it reads as `length` zeros. Allocates only when the length changes.
  void clear(int32_t length);

  // Plain sum of squares over the whole ring, in index order, counting the slots not
  // written since the clear as zeros.
  double fullSumOfSquares() const;

private:
  // Recomputes the running sum from the ring, compensated, so that no rounding of a
  // loud stretch stays behind once it has left the window.
  void resum();

  // Writes runs of new values up to the end of the ring: the squares a run removes and
  // the squares it adds are each summed as one compensated pair, and the running sum
  // takes their difference.
  template <typename WriteRun> void pushRuns(int frames, WriteRun writeRun)
  {
    if (length() == 0)
      return;
    for (int done = 0; done < frames;)
    {
      const int run = std::min(frames - done, static_cast<int>(length() - writeIndex()));
      double* slot = mutableData() + writeIndex();
      // Slots not written since the clear hold stale peaks and count as zeros.
      const CompensatedSum removed = mWrapped ? compensatedSumOfSquares(slot, run) : CompensatedSum{};
      writeRun(slot, done, run);
      const CompensatedSum added = compensatedSumOfSquares(slot, run);
      mSquares.replace(added, removed);
      done += run;
      advance(run); // re-sums at the wrap
    }
  }

  static void writeStereoPeaks(double* slot, const double* left, const double* right, int count);

  CompensatedSum mSquares; // of the stored values; nonZero counts them
  bool mWrapped = false;   // every slot was written since the clear
};
