// quenmark's file blocks: plain PCM files are read and written as bytes by the tool
// itself, and must give back and hold exactly what libsndfile's own conversions would.
#include "tools/quenmark/SoundFile.h"
#include "tools/quenmark/ToolError.h"

#include "engine/ProcessorFeatures.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using quenmark::SoundFileReader;
using quenmark::SoundFileWriter;

constexpr int kChannels = 2;
constexpr int kFrames = 40000; // several of the reader's blocks, and a part block

struct Format
{
  const char* name;
  int format;
};

const Format kFormats[] = {
  {"wav16", SF_FORMAT_WAV | SF_FORMAT_PCM_16},    {"wav24", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
  {"wav32", SF_FORMAT_WAV | SF_FORMAT_PCM_32},    {"wavfloat", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
  {"aiff16", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},  {"aiff24", SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
  {"aiff32", SF_FORMAT_AIFF | SF_FORMAT_PCM_32},  {"aifffloat", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
  {"w64_24", SF_FORMAT_W64 | SF_FORMAT_PCM_24},   {"wavex24", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24},
  {"rifx24", SF_FORMAT_WAV | SF_FORMAT_PCM_24 | SF_ENDIAN_BIG},
};

class ScratchDir
{
public:
  ScratchDir() : mPath(fs::temp_directory_path() / ("quenmark-soundfile-" + std::to_string(getpid())))
  {
    fs::create_directories(mPath);
  }
  ~ScratchDir()
  {
    std::error_code error;
    fs::remove_all(mPath, error);
  }
  fs::path operator/(const std::string& name) const { return mPath / name; }

private:
  fs::path mPath;
};

// Full scale both ways, the smallest steps, and noise at every level in between.
std::vector<double> testSignal()
{
  std::vector<double> samples(static_cast<std::size_t>(kFrames * kChannels));
  std::uint64_t state = 99;
  for (std::size_t i = 0; i < samples.size(); ++i)
  {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const double white = double(state >> 11) * (2. / 9007199254740992.) - 1.;
    samples[i] = white * std::pow(10., -double(i % 97));
  }
  samples[0] = 1.;
  samples[1] = -1.;
  samples[2] = 1. / 32768.;
  samples[3] = -1. / 8388608.;
  return samples;
}

std::vector<double> readWithLibsndfile(const fs::path& path)
{
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
  std::vector<double> samples(static_cast<std::size_t>(info.frames * info.channels));
  if (file)
  {
    samples.resize(static_cast<std::size_t>(sf_readf_double(file, samples.data(), info.frames) * info.channels));
    sf_close(file);
  }
  return samples;
}

std::vector<double> readWithTool(const fs::path& path, std::int64_t block)
{
  SoundFileReader reader(path);
  std::vector<double> samples, buffer(static_cast<std::size_t>(block * reader.channels()));
  while (const std::int64_t got = reader.read(buffer.data(), block))
    samples.insert(samples.end(), buffer.begin(), buffer.begin() + got * reader.channels());
  return samples;
}

std::vector<char> bytesOf(const fs::path& path)
{
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b)
{
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0)
      return false;
  return true;
}
} // namespace

TEST(SoundFile, ReadsEveryFormatAsLibsndfileDoes)
{
  ScratchDir dir;
  const std::vector<double> signal = testSignal();
  for (const Format& format : kFormats)
  {
    SCOPED_TRACE(format.name);
    const fs::path path = dir / (std::string(format.name) + ".audio");
    SF_INFO info{0, 48000, kChannels, format.format, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_writef_double(file, signal.data(), kFrames);
    sf_close(file);

    const std::vector<double> expected = readWithLibsndfile(path);
    ASSERT_EQ(expected.size(), signal.size());
    EXPECT_TRUE(sameBits(readWithTool(path, 16384), expected));
    EXPECT_TRUE(sameBits(readWithTool(path, 333), expected));
    {
      processor::ExtensionCap sse2(processor::Extension::sse2);
      EXPECT_TRUE(sameBits(readWithTool(path, 16384), expected)) << "without SSSE3";
    }

    // A second pass after a rewind reads the same.
    SoundFileReader reader(path);
    std::vector<double> first(signal.size()), second(signal.size());
    ASSERT_EQ(reader.read(first.data(), kFrames), kFrames);
    reader.rewind();
    ASSERT_EQ(reader.read(second.data(), kFrames), kFrames);
    EXPECT_TRUE(sameBits(first, second));
    EXPECT_EQ(reader.read(second.data(), kFrames), 0);
  }
}

TEST(SoundFile, AFileCutInsideAFrameEndsAtTheLastWholeFrame)
{
  ScratchDir dir;
  const fs::path path = dir / "cut.wav";
  SF_INFO info{0, 48000, kChannels, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 0, 0};
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  const std::vector<double> signal = testSignal();
  sf_writef_double(file, signal.data(), kFrames);
  sf_close(file);
  fs::resize_file(path, fs::file_size(path) - 4); // the last frame loses 4 of its 6 bytes

  const std::vector<double> got = readWithTool(path, 16384);
  ASSERT_EQ(got.size() % kChannels, 0u);
  const std::vector<double> expected = readWithLibsndfile(path);
  ASSERT_GE(got.size(), std::size_t((kFrames - 1) * kChannels));
  EXPECT_TRUE(sameBits(got, std::vector<double>(expected.begin(), expected.begin() + got.size())));
}

TEST(SoundFile, WritesTheBytesLibsndfileWrites)
{
  ScratchDir dir;
  std::vector<std::int32_t> codes(static_cast<std::size_t>(kFrames * kChannels));
  for (std::size_t i = 0; i < codes.size(); ++i)
    codes[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF00u);
  codes[0] = INT32_MIN;
  codes[1] = INT32_MAX & ~0xFF;
  for (const Format& format : kFormats)
  {
    if ((format.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT)
      continue;
    SCOPED_TRACE(format.name);
    const int bits = (format.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16   ? 16
                     : (format.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_24 ? 24
                                                                               : 32;
    std::vector<std::int32_t> fileCodes(codes);
    for (std::int32_t& code : fileCodes)
      code = static_cast<std::int32_t>(static_cast<std::uint32_t>(code) & ~((1ull << (32 - bits)) - 1));

    SF_INFO info{0, 48000, kChannels, format.format, 0, 0};
    const fs::path theirs = dir / (std::string(format.name) + "-theirs"), ours = dir / (std::string(format.name) + "-ours");
    SNDFILE* file = sf_open(theirs.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    sf_writef_int(file, fileCodes.data(), kFrames);
    sf_close(file);
    {
      SoundFileWriter writer(ours, info);
      writer.writeCodes(fileCodes.data(), 1000);
      writer.writeCodes(fileCodes.data() + 1000 * kChannels, kFrames - 1000);
      writer.close();
    }
    EXPECT_EQ(bytesOf(ours), bytesOf(theirs));
  }
}
