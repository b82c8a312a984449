#pragma once

#include <cmath>
#include <cstdint>

// Base of the six level detectors: the measurement contract, the gain law that turns a
// measured level into a target gain, and the one-pole smoother that applies it.
//
// Audio is two (channelCount) non-interleaved 64-bit channels, full scale 1.0. Levels are
// in the detector's unit (dBFS, VU or LUFS); gains are linear.
//
// Detectors are owned by value by the engine and used only under the plug-in's lock, so
// they take no lock of their own.
class AutoGainBase
{
public:
  // Level of one block in the detector's unit; minus infinity for silence. Does not
  // modify the samples. A non-finite sample is measured as 0.
  virtual double measure(const double* const* channels, int frames) = 0;
  // Adopts a sample rate (Hz) and derives the rate-dependent constants.
  virtual void setSampleRate(int32_t rate) = 0;
  // Clears the measurement history.
  virtual void reset() = 0;

  // Adopts the processing rate and starts from silence: coefficients, sample rate,
  // gain state and measurement history.
  void prepare(int32_t rate);

  // Clears the gain state and the measurement history; keeps rate, coefficients,
  // flags, targetLevel and gateLevel.
  void restart();

  // Measures the block, updates targetGain by the gain law, runs the smoother over the
  // block and writes the block to `outputs`, multiplied by the smoothed gain when
  // applyGain is set. outputs may be the inputs (in place); distinct output channels
  // must not overlap the inputs otherwise.
  void process(const double* const* inputs, double* const* outputs, int frames);
  void process(double* const* channels, int frames) { process(channels, channels, frames); }

  // Written by the owner before use.
  double targetLevel = -12.0;   // wanted level, detector unit ("Target Value")
  double gateLevel = -120.0;    // blocks measuring below it never change targetGain
  bool continuous = false;      // follow every block at or above the gate
  bool applyGain = false;       // multiply the block by the smoothed gain ("Normalize")

  // Read by the owner after each process.
  double lastLevel = -100.0;    // level returned by the last measure
  double targetGain = 1.0;      // linear gain from the gain law
  double referenceLevel = -100.0; // level targetGain was last computed from
  double smoothedGain = 0.0;    // output of the smoother

  int32_t channelCount = 2;
  int32_t sampleRate = 44100;

  // Largest boost the gain law gives, dB: quiet passages are not lifted without limit.
  static constexpr double kMaxGainDb = 30.0;
  // Time constant of the gain smoother, seconds, in both directions.
  static constexpr double kSmootherSeconds = 0.6;

protected:
  AutoGainBase() = default;
  ~AutoGainBase() = default;
  AutoGainBase(const AutoGainBase&) = delete;
  AutoGainBase& operator=(const AutoGainBase&) = delete;

private:
  void updateTargetGain(double level);
  void smoothAndApply(const double* const* inputs, double* const* outputs, int frames);

  double mRiseCoeff = 0.0;      // smoother coefficient while smoothedGain < targetGain
  double mFallCoeff = 0.0;      // otherwise
};

// |x| for a measured sample, with NaN and infinity measured as 0 so that one bad
// sample from a host cannot leave a detector's history stuck. fabs clears the sign bit
// without a branch: a branch on the sign of audio is mispredicted every other sample.
inline double measuredMagnitude(double x)
{
  const double magnitude = std::fabs(x);
  return magnitude <= 1.7976931348623157e308 ? magnitude : 0.0;
}
