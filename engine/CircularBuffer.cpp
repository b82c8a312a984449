#include "engine/CircularBuffer.h"

void CircularBuffer::allocate(int32_t length)
{
  mLength = length > 0 ? length : 0;
  mData = std::make_unique<double[]>(mLength > 0 ? mLength : 1); // zero-initialised
  mWriteIndex = 0;
  mAllocated = true;
}

void RMSBuffer::clear(int32_t length)
{
  allocate(length);
  mSum = 0.0;
  mCompensation = 0.0;
  mNonZero = 0;
  mWrapped = false;
}

double RMSBuffer::fullSumOfSquares() const
{
  const double* values = data();
  double sum = 0.0;
  for (int32_t i = 0; i < length(); ++i)
    sum += values[i] * values[i];
  return sum;
}

void RMSBuffer::resum()
{
  // Compensated, so that no rounding of a loud stretch stays behind in the running sum
  // once the stretch has left the window.
  mSum = 0.0;
  mCompensation = 0.0;
  const double* values = data();
  for (int32_t i = 0; i < length(); ++i)
    add(values[i] * values[i]);
  mWrapped = true;
}
