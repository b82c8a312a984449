#pragma once

#include "engine/CompensatedSum.h"
#include "engine/LargeArray.h"

#include <cstdint>
#include <memory>

// The gated integrated loudness of a programme of any length in fixed-size storage: the
// energies of its 400 ms gating blocks, gathered in fine bins 0.001 LU wide from the
// absolute gate (-70 LUFS) up to +30 LUFS (louder blocks share the last bin), grouped by
// a hundred into coarse bins. Each fine bin keeps the number of its blocks, the sum of
// their energies and the least and greatest of them, so the mean above the relative gate
// is exact: a bin lies wholly above or below the gate unless its own blocks straddle it;
// then a bin of up to three blocks is still decided exactly (the third is the sum less the
// other two), and only a fuller one has its share above the gate estimated (by where the
// gate falls between its least and greatest energy). Coarse bins keep counts and sums, so a reading
// visits the fine bins next to the gate and the coarse bins above it.
//
// While the programme is short enough for one block to move the reading noticeably (the
// first kExactBlocks blocks, ten minutes), the energies themselves are kept as well, in
// order of size, and the reading is computed from them exactly: the sum of those at or
// above the relative gate is kept up to date as blocks arrive and the gate moves, so a
// reading costs the blocks the gate crossed, not all of them.
//
// Storage is allocated by the constructor; clear() and add() allocate nothing, and
// clear() touches only the coarse bins that were used and their fine bins.
class GatingHistogram
{
public:
  GatingHistogram();
  GatingHistogram(const GatingHistogram&) = delete;
  GatingHistogram& operator=(const GatingHistogram&) = delete;

  static constexpr double kAbsoluteGateLufs = -70.0;
  static constexpr double kRelativeGateLu = -10.0;
  static constexpr double kBinWidthLu = 0.001;
  static constexpr double kTopLufs = 30.0;
  static constexpr int kExactBlocks = 6000;

  // Loudness of a mean energy per frame: 10 log10(energy) - 0.691 LUFS.
  static double loudnessOfEnergy(double energy);

  // Forgets every block.
  void clear();
  // Adds one gating block by its mean energy per frame. Blocks below the absolute gate,
  // and a NaN energy, are not kept: they never count.
  void add(double blockEnergy);

  // Integrated loudness of the blocks kept: the mean energy of those at or above the
  // relative gate (10 LU below the mean of all of them), in LUFS; minus infinity with none.
  double gatedLoudness() const;

  int64_t blockCount() const { return mCount; }

private:
  struct FineBin
  {
    double energySum;
    double least;
    double greatest;
    int64_t count;
  };
  struct CoarseBin
  {
    double energySum;
    int64_t count;
  };
  static constexpr int kFinePerCoarse = 100;
  static constexpr int kCoarseCount =
      static_cast<int>((kTopLufs - kAbsoluteGateLufs) / (kBinWidthLu * kFinePerCoarse) + 0.5);
  static constexpr int kFineCount = kCoarseCount * kFinePerCoarse;
  static const FineBin kEmptyFineBin;

  static int fineBinOf(double energy);
  // The relative gate of the blocks kept.
  double relativeGate() const;
  // Moves the exact path's boundary to `gate`, adding or taking away the blocks it crosses.
  void moveExactGate(double gate);
  double exactGatedEnergy() const;
  double binnedGatedEnergy(double gate) const;

  LargeArray<FineBin> mFine;
  std::unique_ptr<CoarseBin[]> mCoarse;
  std::unique_ptr<double[]> mSorted; // the first kExactBlocks energies, smallest first
  int64_t mGatedFrom = 0;            // the first of mSorted at or above the relative gate
  CompensatedSum mGated;             // of mSorted[mGatedFrom ..]
  CompensatedSum mTotal; // energies of every block kept
  int64_t mCount = 0;
  int mLowestUsed = kCoarseCount; // the coarse bins clear() must look at
  int mHighestUsed = -1;
};
