#pragma once

#include "tools/quenmark/PcmCodec.h"

#include <sndfile.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Audio files through libsndfile, read and written in blocks of interleaved 64-bit
// frames at full scale 1.0, whatever the container and sample format. Plain PCM files
// are moved as bytes, a whole block in one call, and converted here; libsndfile would
// move them 8 KB at a time.
namespace quenmark
{
class SoundFileReader
{
public:
  // Throws ToolError (kExitUsage) naming the file when it cannot be opened as audio.
  explicit SoundFileReader(const std::filesystem::path& path);
  ~SoundFileReader();
  SoundFileReader(const SoundFileReader&) = delete;
  SoundFileReader& operator=(const SoundFileReader&) = delete;

  const SF_INFO& info() const noexcept { return mInfo; }
  int channels() const noexcept { return mInfo.channels; }
  int sampleRate() const noexcept { return mInfo.samplerate; }
  std::int64_t frames() const noexcept { return mInfo.frames; }
  double seconds() const noexcept { return mInfo.samplerate > 0 ? double(mInfo.frames) / mInfo.samplerate : 0.; }
  // E.g. "WAV, 24-bit PCM".
  std::string formatText() const;
  // When the header promises more audio than the file holds (a file cut short), what
  // it promised, in seconds; the reader gives what the file holds.
  std::optional<double> promisedSeconds() const noexcept { return mPromisedSeconds; }

  // Reads up to `frames` frames into `interleaved` (room for frames * channels values);
  // returns the frames read, 0 at the end. Throws ToolError (kExitFailure) on a read
  // error, and (kExitUsage) at a sample that is not a number or is infinite: no level
  // or gain can be made of such audio, and passing it on would hand it to a player.
  std::int64_t read(double* interleaved, std::int64_t frames);
  void rewind();

private:
  std::int64_t readBlock(double* interleaved, std::int64_t frames);

  std::filesystem::path mPath;
  SNDFILE* mFile = nullptr;
  SF_INFO mInfo{};
  PcmLayout mLayout;
  std::vector<unsigned char> mBytes;
  bool mEnded = false; // a raw read stopped inside a frame: the data ends there
  bool mMayHoldNonFinite = false;
  std::int64_t mPosition = 0; // frames read since the start
  std::optional<double> mPromisedSeconds;
};

class SoundFileWriter
{
public:
  // A new file with the format (container, sample format, rate, channels) of `format`.
  // Integer formats clip out-of-range samples instead of wrapping them. Throws ToolError
  // (kExitFailure) when the file cannot be created in that format.
  SoundFileWriter(const std::filesystem::path& path, const SF_INFO& format);
  ~SoundFileWriter();
  SoundFileWriter(const SoundFileWriter&) = delete;
  SoundFileWriter& operator=(const SoundFileWriter&) = delete;

  void write(const double* interleaved, std::int64_t frames);
  // Left-justified 32-bit codes of an integer format, written as they are.
  void writeCodes(const std::int32_t* interleaved, std::int64_t frames);
  // Completes the header and closes; throws on failure. The destructor closes silently.
  void close();

private:
  std::filesystem::path mPath;
  SNDFILE* mFile = nullptr;
  int mChannels = 0;
  PcmLayout mLayout; // integer layouts only
  std::vector<unsigned char> mBytes;
};
} // namespace quenmark
