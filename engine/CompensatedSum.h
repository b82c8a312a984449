#pragma once

#include <cstdint>

// Sums of many doubles whose rounding errors are gathered apart (Knuth's two-sum), so a
// total stays exact to a few ulps however the magnitudes are spread: a window that held a
// loud stretch and now holds a quiet one reads the quiet one, not the loud one's rounding.
struct CompensatedSum
{
  double sum = 0.0;
  double compensation = 0.0; // the rounding errors of sum, gathered
  int32_t nonZero = 0;       // how many of the values were not 0

  // The rounding error of a + b = sum (branch-free two-sum).
  static double twoSumError(double a, double b, double sum)
  {
    const double bVirtual = sum - a;
    return (a - (sum - bVirtual)) + (b - bVirtual);
  }

  // Adds another compensated total.
  void add(const CompensatedSum& other)
  {
    const double next = sum + other.sum;
    compensation += twoSumError(sum, other.sum, next) + other.compensation;
    sum = next;
    nonZero += other.nonZero;
  }

  // Adds `added` and takes away `removed`, the values a window gains and loses.
  void replace(const CompensatedSum& added, const CompensatedSum& removed)
  {
    const double withAdded = sum + added.sum;
    const double next = withAdded - removed.sum;
    compensation += twoSumError(sum, added.sum, withAdded) + twoSumError(withAdded, -removed.sum, next) +
                    (added.compensation - removed.compensation);
    sum = next;
    nonZero += added.nonZero - removed.nonZero;
  }

  // The total of non-negative values: exactly 0 when every value was 0, never below 0.
  double nonNegativeTotal() const
  {
    if (nonZero == 0)
      return 0.0;
    const double total = sum + compensation;
    return total > 0.0 ? total : 0.0;
  }
};

// The compensated sum of `count` values, and of their squares.
CompensatedSum compensatedSumOf(const double* values, int count);
CompensatedSum compensatedSumOfSquares(const double* values, int count);
