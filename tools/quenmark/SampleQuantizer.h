#pragma once

#include <cstddef>
#include <cstdint>

// Turns the plug-in's 64-bit output into the values an output file holds, so that what
// the tool measures and reports is what a reader of the file gets back, and so that no
// sample clips unnoticed.
//
// Integer formats (PCM and ALAC of 8 to 32 bits) are rounded here to left-justified
// 32-bit codes, with TPDF dither of +-1 LSB for 16 bits or fewer unless it is turned
// off; values beyond full scale clip to the largest code and are counted. 32-bit float
// files keep floats (nothing clips); 64-bit float files keep the values as they are.
// Other formats (lossy and companded codecs) are clamped to +-1.0, and what was clamped
// is counted.
namespace quenmark
{
class SampleQuantizer
{
public:
  // `format`: libsndfile's format word (container and sample format).
  SampleQuantizer(int format, bool dither);

  // Bits of the integer format, 0 for the others.
  int bits() const noexcept { return mBits; }
  bool dithers() const noexcept { return mDither; }
  // The largest magnitude that is written without clipping, dither included (infinity
  // for float files).
  double maxCleanSample() const noexcept { return mMaxClean; }
  // Whether the file gives back every value written, nothing added, rounded by at most
  // a ten-thousandth of `peak` (under a thousandth of a dB there): float files, and
  // integer files without dither whose step is fine enough. Lossy and companded formats
  // never do.
  bool keepsValuesNear(double peak) const noexcept;
  // Whether a codec stands between the values written and those read back (lossy and
  // companded formats): such an output is measured as it reads back, not as written.
  bool encodes() const noexcept { return mBits == 0 && !mFloat && !mDouble; }

  // The dither sequence starts from `seed`: the same file gives the same output bytes,
  // whatever thread or time it runs at.
  void seed(std::uint64_t seed) noexcept { mRandom = seed; }

  // Rounds `count` interleaved values in place to what the file holds; for integer
  // formats also writes their codes to `codes` (room for count values). Returns the
  // number of values that clipped.
  std::int64_t quantize(double* values, std::int32_t* codes, std::size_t count) noexcept;

private:
  double nextTriangular() noexcept;
  template <bool kDither> std::int64_t quantizeToCodes(double* values, std::int32_t* codes, std::size_t count) noexcept;

  int mBits = 0;
  bool mFloat = false;  // 32-bit float
  bool mDouble = false; // 64-bit float
  bool mDither = false;
  double mScale = 1.;   // codes per 1.0
  double mMaxCode = 0.;
  double mMinCode = 0.;
  double mMaxClean = 1.;
  std::uint64_t mRandom = 0;
};

// A seed drawn from audio: the same samples give the same seed.
std::uint64_t seedFromAudio(const double* interleaved, std::size_t count, std::uint64_t salt) noexcept;
} // namespace quenmark
