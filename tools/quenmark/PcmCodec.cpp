#include "tools/quenmark/PcmCodec.h"

#include "engine/ProcessorFeatures.h"

#include <sndfile.h>

#include <bit>
#include <cstring>

#ifdef QUENMARK_X86_FEATURES
#include <immintrin.h>
#endif

namespace quenmark
{
namespace
{
template <class T> T loadSample(const unsigned char* from, bool swapped) noexcept
{
  T value;
  std::memcpy(&value, from, sizeof(T));
  if (swapped)
  {
    unsigned char reversed[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i)
      reversed[i] = from[sizeof(T) - 1 - i];
    std::memcpy(&value, reversed, sizeof(T));
  }
  return value;
}

// The three bytes of a 24-bit sample in file order, least significant first unless
// `littleFirst` is false.
std::int32_t load24(const unsigned char* from, bool littleFirst) noexcept
{
  const unsigned low = littleFirst ? from[0] : from[2];
  const unsigned middle = from[1];
  const unsigned high = littleFirst ? from[2] : from[0];
  // Left-justified, so the sign comes from the top byte; then back down by 8.
  return static_cast<std::int32_t>((high << 24) | (middle << 16) | (low << 8)) >> 8;
}

#ifdef QUENMARK_X86_FEATURES
// Little-endian 24-bit samples, four per step, on processors with SSSE3: one shuffle
// puts each sample's three bytes at the top of a 32-bit lane, and the lanes convert two at
// a time, to the values of the scalar loop. Returns the samples done; it reads no byte
// past the last sample's.
__attribute__((target("ssse3"))) std::size_t decode24Ssse3(const unsigned char* bytes, double* values,
                                                           std::size_t count) noexcept
{
  const __m128i toTop = _mm_setr_epi8(-1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11);
  const __m128d scale = _mm_set1_pd(1.0 / 2147483648.0);
  std::size_t i = 0;
  // Sixteen bytes are loaded for twelve: stop while six samples remain.
  for (; i + 6 <= count; i += 4)
  {
    const __m128i words =
      _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 3 * i)), toTop);
    _mm_storeu_pd(values + i, _mm_mul_pd(_mm_cvtepi32_pd(words), scale));
    _mm_storeu_pd(values + i + 2, _mm_mul_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(words, words)), scale));
  }
  return i;
}
#endif

template <class T> void storeSample(T value, unsigned char* to, bool swapped) noexcept
{
  unsigned char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  for (std::size_t i = 0; i < sizeof(T); ++i)
    to[i] = bytes[swapped ? sizeof(T) - 1 - i : i];
}
} // namespace

PcmLayout plainPcmLayout(int format) noexcept
{
  switch (format & SF_FORMAT_TYPEMASK)
  {
  case SF_FORMAT_WAV:
  case SF_FORMAT_WAVEX:
  case SF_FORMAT_W64:
  case SF_FORMAT_AIFF:
    break;
  default:
    return {};
  }
  switch (format & SF_FORMAT_SUBMASK)
  {
  case SF_FORMAT_PCM_16:
    return {2, false, false};
  case SF_FORMAT_PCM_24:
    return {3, false, false};
  case SF_FORMAT_PCM_32:
    return {4, false, false};
  case SF_FORMAT_FLOAT:
    return {4, true, false};
  default:
    return {};
  }
}

void decodePcm(const unsigned char* bytes, double* values, std::size_t count, const PcmLayout& layout) noexcept
{
  // Integers scale by a power of two, so every value is exact, as libsndfile's are.
  constexpr bool kLittle = std::endian::native == std::endian::little;
  switch (layout.bytes)
  {
  case 2:
    for (std::size_t i = 0; i < count; ++i)
      values[i] = loadSample<std::int16_t>(bytes + 2 * i, layout.swapped) * (1.0 / 32768.0);
    break;
  case 3:
  {
    std::size_t i = 0;
#ifdef QUENMARK_X86_FEATURES
    if (kLittle && !layout.swapped && processor::uses(processor::Extension::ssse3))
      i = decode24Ssse3(bytes, values, count);
#endif
    if (kLittle && !layout.swapped)
      // Four bytes at a time (the fourth is the next sample's, so not for the last one),
      // the sample's three moved to the top of a 32-bit word.
      for (; i + 1 < count; ++i)
      {
        std::uint32_t word;
        std::memcpy(&word, bytes + 3 * i, sizeof(word));
        values[i] = static_cast<std::int32_t>(word << 8) * (1.0 / 2147483648.0);
      }
    for (; i < count; ++i)
      values[i] = load24(bytes + 3 * i, kLittle != layout.swapped) * (1.0 / 8388608.0);
    break;
  }
  case 4:
    if (layout.isFloat)
      for (std::size_t i = 0; i < count; ++i)
        values[i] = loadSample<float>(bytes + 4 * i, layout.swapped);
    else
      for (std::size_t i = 0; i < count; ++i)
        values[i] = loadSample<std::int32_t>(bytes + 4 * i, layout.swapped) * (1.0 / 2147483648.0);
    break;
  default:
    break;
  }
}

void encodePcm(const std::int32_t* codes, unsigned char* bytes, std::size_t count, const PcmLayout& layout) noexcept
{
  constexpr bool kLittle = std::endian::native == std::endian::little;
  switch (layout.bytes)
  {
  case 2:
    for (std::size_t i = 0; i < count; ++i)
      storeSample(static_cast<std::int16_t>(codes[i] >> 16), bytes + 2 * i, layout.swapped);
    break;
  case 3:
  {
    std::size_t i = 0;
    if (kLittle && !layout.swapped)
      // Four bytes at a time, the fourth overwritten by the next sample's first.
      for (; i + 1 < count; ++i)
      {
        const std::uint32_t word = static_cast<std::uint32_t>(codes[i]) >> 8;
        std::memcpy(bytes + 3 * i, &word, sizeof(word));
      }
    for (; i < count; ++i)
    {
      const auto code = static_cast<std::uint32_t>(codes[i]);
      unsigned char* to = bytes + 3 * i;
      const bool littleFirst = kLittle != layout.swapped;
      to[littleFirst ? 0 : 2] = static_cast<unsigned char>(code >> 8);
      to[1] = static_cast<unsigned char>(code >> 16);
      to[littleFirst ? 2 : 0] = static_cast<unsigned char>(code >> 24);
    }
    break;
  }
  case 4:
    if (!layout.isFloat)
      for (std::size_t i = 0; i < count; ++i)
        storeSample(codes[i], bytes + 4 * i, layout.swapped);
    break;
  default:
    break;
  }
}
} // namespace quenmark
