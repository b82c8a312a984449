#include "engine/EnergyWindow.h"

void EnergyWindow::allocate(int32_t stepFrames, int32_t steps)
{
  const int64_t length = stepFrames > 0 && steps > 0 ? static_cast<int64_t>(stepFrames) * steps : 0;
  if (length != mLength || !mData)
    mData = makeLargeArray<double>(static_cast<size_t>(length > 0 ? length : 1));
  mLength = static_cast<int32_t>(length);
  mStepFrames = length > 0 ? stepFrames : 0;
  clear();
}

void EnergyWindow::clear()
{
  mWriteIndex = 0;
  mStepFill = 0;
  mWrapped = false;
  mTotal = {};
  mStep = {};
}
