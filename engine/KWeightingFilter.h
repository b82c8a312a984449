#pragma once

#include <cstdint>

// The K-weighting of loudness measurement (ITU-R BS.1770): a high-frequency shelf of
// about +4 dB above 1.7 kHz followed by a high-pass at about 38 Hz, combined into one
// fourth-order direct-form-II section whose coefficients are derived from the sample
// rate by the bilinear transform of the two analogue prototypes.
//
// It filters up to two channels and writes, per frame, the weighted energy of the frame:
// the sum of the squared filtered samples of the channels (each weighted 1.0, the weight
// of left, right and a lone centre channel).
class KWeightingFilter
{
public:
  static constexpr int kMaxChannels = 2;

  // Derives the coefficients for `rate` (Hz, > 0) and clears the history.
  void setSampleRate(int32_t rate);
  // Clears the history of both channels.
  void reset();

  // Filters `frames` frames of `left` (and `right`, which may be null for one channel)
  // and writes each frame's weighted energy to energies[0 .. frames - 1]. A non-finite
  // sample is filtered as 0; a history that overflows is cleared at the end of the run.
  void filterToEnergies(const double* left, const double* right, double* energies, int frames);

  const double* numerator() const { return mB; }   // b0 .. b4
  const double* denominator() const { return mA; } // a0 .. a4, a0 = 1

private:
  void filterStereo(const double* left, const double* right, double* energies, int frames);
  void settleHistory(double* history);

  double mB[5] = {1.0, 0.0, 0.0, 0.0, 0.0};
  double mA[5] = {1.0, 0.0, 0.0, 0.0, 0.0};
  // Direct-form-II history per channel: v[n-1] .. v[n-4].
  double mHistory[kMaxChannels][4] = {};
};
