#pragma once

#include <cstddef>
#include <cstdint>

// Plain PCM sample bytes as files hold them, converted the way libsndfile converts them
// (full scale 1.0, exactly), so that the tool can read and write such files in large
// blocks of its own instead of libsndfile's small ones.
namespace quenmark
{
struct PcmLayout
{
  int bytes = 0;         // per sample; 0 when the format is not plain PCM this codec knows
  bool isFloat = false;  // 32-bit IEEE float rather than integer
  bool swapped = false;  // bytes in the other order than this machine's
};

// The layout of `format` (libsndfile's format word) when its samples are stored as plain
// 16-, 24- or 32-bit integers or 32-bit floats in a container that keeps them as they
// are; bytes 0 otherwise. `swapped` is left for the caller, who asks the open file.
PcmLayout plainPcmLayout(int format) noexcept;

// `count` samples from `bytes` to values at full scale 1.0.
void decodePcm(const unsigned char* bytes, double* values, std::size_t count, const PcmLayout& layout) noexcept;
// `count` left-justified 32-bit codes of an integer layout to its bytes (the low bits
// that the layout does not hold are dropped).
void encodePcm(const std::int32_t* codes, unsigned char* bytes, std::size_t count, const PcmLayout& layout) noexcept;
} // namespace quenmark
