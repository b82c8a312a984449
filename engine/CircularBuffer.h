#pragma once

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

  // Replaces the array by `length` zeros (length < 1 gives an empty ring) and sets the
  // write index to 0.
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

private:
  std::unique_ptr<double[]> mData;
  int32_t mLength = 0;
  int32_t mWriteIndex = 0;
  bool mAllocated = false;
};

// The RMS detector's window: the last N per-frame peaks, with their sum of squares kept
// as a compensated running sum that is recomputed from the ring at every wrap, so the
// reading follows a full re-sum of the window without drifting, at a constant cost per
// frame instead of one re-sum per block.
class RMSBuffer final : public CircularBuffer
{
public:
  void onWrap() override { resum(); }

  // Replaces the oldest value by `peak` and updates the sum of squares.
  void push(double peak)
  {
    const double replaced = write(peak);
    mNonZero += (peak != 0.0) - (replaced != 0.0);
    if (mWrapped)
    {
      mWrapped = false; // the re-sum already holds this write
      return;
    }
    add(peak * peak);
    add(-(replaced * replaced));
  }

  // Sum of the squares of all stored values; exactly 0 when they are all 0.
  double sumOfSquares() const
  {
    if (mNonZero == 0)
      return 0.0;
    const double sum = mSum + mCompensation;
    return sum > 0.0 ? sum : 0.0;
  }

  // Clears the ring (zeros) and the sum.
  void clear(int32_t length);

  // Plain sum of squares over the whole ring, in index order.
  double fullSumOfSquares() const;

private:
  void resum();
  void add(double term)
  {
    // Neumaier's compensated summation: the running error stays at a few ulps of the
    // largest term however long the ring runs between two wraps.
    const double t = mSum + term;
    if ((mSum < 0 ? -mSum : mSum) >= (term < 0 ? -term : term))
      mCompensation += (mSum - t) + term;
    else
      mCompensation += (term - t) + mSum;
    mSum = t;
  }

  double mSum = 0.0;
  double mCompensation = 0.0;
  int32_t mNonZero = 0;
  bool mWrapped = false;
};
