#pragma once

#include "engine/CompensatedSum.h"
#include "engine/KWeightingFilter.h"
#include "engine/LargeArray.h"

#include <cstdint>
#include <memory>

// A sliding window over the K-weighted energies of the last `steps` x `stepFrames`
// frames, with their total kept as a compensated running sum that is recomputed from the
// ring at every wrap, so the reading follows a full re-sum of the window without drifting.
// The window is cut into steps of `stepFrames` frames counted from the last clear; the
// energy of each completed step is handed to the caller (the integrated loudness gates
// blocks of four steps).
//
// Storage is allocated by allocate() (prepare); clear() and push() allocate nothing, and
// clear() costs the same however long the window is.
class EnergyWindow
{
public:
  EnergyWindow() = default;
  EnergyWindow(const EnergyWindow&) = delete;
  EnergyWindow& operator=(const EnergyWindow&) = delete;

  // Sizes the ring for `steps` steps of `stepFrames` frames (either < 1 gives an empty
  // window, which ignores pushes and reads 0) and clears it. Allocates only when the
  // length changes.
  void allocate(int32_t stepFrames, int32_t steps);
  // Empties the window: it reads as if it held zeros, and steps count from here.
  void clear();

  // Filters the frames through `filter` into the window. onStep(stepEnergy) is called
  // with the summed energy of each step that the frames complete, in order.
  template <typename OnStep>
  void push(KWeightingFilter& filter, const double* left, const double* right, int frames, OnStep onStep);

  // Mean energy per frame over the whole window, counting frames not yet written since
  // the clear as zeros; exactly 0 while every frame of the window was silent.
  double meanEnergy() const { return mLength > 0 ? mTotal.nonNegativeTotal() / mLength : 0.0; }

  int32_t length() const { return mLength; }
  int32_t stepFrames() const { return mStepFrames; }

private:
  // Recomputes the running total from the ring.
  void resum() { mTotal = compensatedSumOf(mData.get(), mLength); }

  LargeArray<double> mData;
  int32_t mLength = 0;
  int32_t mStepFrames = 0;
  int32_t mWriteIndex = 0;
  int32_t mStepFill = 0;   // frames of the current step written so far
  bool mWrapped = false;   // every slot was written since the clear
  CompensatedSum mTotal;   // of the window
  CompensatedSum mStep;    // of the current step
};

template <typename OnStep>
void EnergyWindow::push(KWeightingFilter& filter, const double* left, const double* right, int frames, OnStep onStep)
{
  if (mLength == 0)
    return;
  for (int done = 0; done < frames;)
  {
    // A run ends at the end of the ring or of the step, whichever comes first; the ring
    // holds a whole number of steps, so both line up.
    int run = frames - done;
    run = run < mLength - mWriteIndex ? run : mLength - mWriteIndex;
    run = run < mStepFrames - mStepFill ? run : mStepFrames - mStepFill;
    double* slot = mData.get() + mWriteIndex;
    // Slots not written since the clear hold stale energies and count as zeros.
    const CompensatedSum removed = mWrapped ? compensatedSumOf(slot, run) : CompensatedSum{};
    filter.filterToEnergies(left + done, right ? right + done : nullptr, slot, run);
    const CompensatedSum added = compensatedSumOf(slot, run);
    mTotal.replace(added, removed);
    mStep.add(added);
    done += run;
    mWriteIndex += run;
    mStepFill += run;
    if (mStepFill == mStepFrames)
    {
      onStep(mStep.nonNegativeTotal());
      mStep = {};
      mStepFill = 0;
    }
    if (mWriteIndex == mLength)
    {
      mWriteIndex = 0;
      mWrapped = true;
      resum();
    }
  }
}
