#include "engine/GatingHistogram.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
// Energies of the two gates: 10^((L + 0.691) / 10) for the absolute gate, and the factor
// 10^(-10 / 10) applied to the mean for the relative one.
const double kAbsoluteGateEnergy = std::pow(10.0, (GatingHistogram::kAbsoluteGateLufs + 0.691) / 10.0);
const double kRelativeGateFactor = std::pow(10.0, GatingHistogram::kRelativeGateLu / 10.0);
}

const GatingHistogram::FineBin GatingHistogram::kEmptyFineBin{0.0, std::numeric_limits<double>::infinity(), 0.0, 0};

GatingHistogram::GatingHistogram()
    : mFine(makeLargeArray<FineBin>(kFineCount)), mCoarse(std::make_unique<CoarseBin[]>(kCoarseCount)),
      mSorted(std::make_unique<double[]>(kExactBlocks))
{
  std::fill(mFine.get(), mFine.get() + kFineCount, kEmptyFineBin);
  std::fill(mCoarse.get(), mCoarse.get() + kCoarseCount, CoarseBin{0.0, 0});
}

double GatingHistogram::loudnessOfEnergy(double energy) { return 10.0 * (std::log(energy) / std::log(10.0)) - 0.691; }

int GatingHistogram::fineBinOf(double energy)
{
  const double position = (loudnessOfEnergy(energy) - kAbsoluteGateLufs) / kBinWidthLu;
  if (!(position >= 0.0))
    return 0;
  return position >= kFineCount - 1 ? kFineCount - 1 : static_cast<int>(position);
}

void GatingHistogram::clear()
{
  for (int c = mLowestUsed; c <= mHighestUsed; ++c)
  {
    CoarseBin& coarse = mCoarse[static_cast<size_t>(c)];
    if (coarse.count == 0)
      continue;
    FineBin* fine = mFine.get() + static_cast<size_t>(c) * kFinePerCoarse;
    std::fill(fine, fine + kFinePerCoarse, kEmptyFineBin);
    coarse = {0.0, 0};
  }
  mLowestUsed = kCoarseCount;
  mHighestUsed = -1;
  mTotal = {};
  mCount = 0;
  mGatedFrom = 0;
  mGated = {};
}

void GatingHistogram::add(double blockEnergy)
{
  if (!(blockEnergy >= kAbsoluteGateEnergy))
    return;
  const int index = fineBinOf(blockEnergy);
  FineBin& bin = mFine[static_cast<size_t>(index)];
  bin.energySum += blockEnergy;
  bin.least = std::min(bin.least, blockEnergy);
  bin.greatest = std::max(bin.greatest, blockEnergy);
  ++bin.count;
  const int coarseIndex = index / kFinePerCoarse;
  CoarseBin& coarse = mCoarse[static_cast<size_t>(coarseIndex)];
  coarse.energySum += blockEnergy;
  ++coarse.count;
  mLowestUsed = std::min(mLowestUsed, coarseIndex);
  mHighestUsed = std::max(mHighestUsed, coarseIndex);
  const bool exact = mCount < kExactBlocks;
  if (exact)
  {
    // Into its place by size; below the boundary it moves the boundary up one.
    double* const sorted = mSorted.get();
    double* const place = std::upper_bound(sorted, sorted + mCount, blockEnergy);
    std::copy_backward(place, sorted + mCount, sorted + mCount + 1);
    *place = blockEnergy;
    if (place - sorted < mGatedFrom)
      ++mGatedFrom;
    else
      mGated.add({blockEnergy, 0.0, 1});
  }
  mTotal.add({blockEnergy, 0.0, 1});
  ++mCount;
  if (exact)
    moveExactGate(relativeGate());
}

double GatingHistogram::relativeGate() const
{
  return (mTotal.sum + mTotal.compensation) / static_cast<double>(mCount) * kRelativeGateFactor;
}

void GatingHistogram::moveExactGate(double gate)
{
  const double* const sorted = mSorted.get();
  while (mGatedFrom > 0 && sorted[mGatedFrom - 1] >= gate)
    mGated.add({sorted[--mGatedFrom], 0.0, 1});
  while (mGatedFrom < mCount && sorted[mGatedFrom] < gate)
    mGated.replace({}, {sorted[mGatedFrom++], 0.0, 1});
}

double GatingHistogram::gatedLoudness() const
{
  if (mCount == 0)
    return -std::numeric_limits<double>::infinity();
  const double energy = mCount <= kExactBlocks ? exactGatedEnergy() : binnedGatedEnergy(relativeGate());
  return energy > 0.0 ? loudnessOfEnergy(energy) : -std::numeric_limits<double>::infinity();
}

double GatingHistogram::exactGatedEnergy() const
{
  const int64_t count = mCount - mGatedFrom;
  return count > 0 ? mGated.nonNegativeTotal() / static_cast<double>(count) : 0.0;
}

double GatingHistogram::binnedGatedEnergy(double gate) const
{
  // The coarse bin of the gate and its neighbours (in case rounding of the logarithm put
  // a block across a bin edge) are decided fine bin by fine bin; coarse bins below them
  // hold only blocks under the gate, those above only blocks over it.
  const int gateCoarse = fineBinOf(gate) / kFinePerCoarse;
  double energy = 0.0;
  double count = 0.0;
  for (int c = std::max(gateCoarse - 1, mLowestUsed); c <= std::min(gateCoarse + 1, mHighestUsed); ++c)
  {
    if (mCoarse[static_cast<size_t>(c)].count == 0)
      continue;
    for (int i = c * kFinePerCoarse; i < (c + 1) * kFinePerCoarse; ++i)
    {
      const FineBin& bin = mFine[static_cast<size_t>(i)];
      if (bin.count == 0 || bin.greatest < gate)
        continue;
      if (bin.least >= gate)
      {
        energy += bin.energySum;
        count += static_cast<double>(bin.count);
      }
      else if (bin.count <= 3) // straddling, and its blocks are known: least, greatest and the rest of the sum
      {
        const double middle = bin.energySum - bin.least - bin.greatest;
        const bool middleAbove = bin.count == 3 && middle >= gate;
        energy += bin.greatest + (middleAbove ? middle : 0.0);
        count += middleAbove ? 2.0 : 1.0;
      }
      else // straddling: the share of it above, taking its blocks as evenly spread
      {
        const double share = (bin.greatest - gate) / (bin.greatest - bin.least);
        energy += bin.energySum * share;
        count += static_cast<double>(bin.count) * share;
      }
    }
  }
  for (int c = std::max(gateCoarse + 2, mLowestUsed); c <= mHighestUsed; ++c)
  {
    energy += mCoarse[static_cast<size_t>(c)].energySum;
    count += static_cast<double>(mCoarse[static_cast<size_t>(c)].count);
  }
  return count > 0.0 ? energy / count : 0.0;
}
