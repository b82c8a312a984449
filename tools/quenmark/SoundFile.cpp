#include "tools/quenmark/SoundFile.h"

#include "tools/quenmark/ToolError.h"

#include <cmath>
#include <cstdio>
#include <sstream>

#if defined(_WIN32)
// libsndfile's wide-character open on Windows (its header declares it only with
// windows.h in front): file names outside the ANSI code page open too.
extern "C" SNDFILE* sf_wchar_open(const wchar_t* path, int mode, SF_INFO* info);
#endif

namespace quenmark
{
namespace
{
SNDFILE* openSoundFile(const std::filesystem::path& path, int mode, SF_INFO* info)
{
#if defined(_WIN32)
  return sf_wchar_open(path.c_str(), mode, info);
#else
  return sf_open(path.c_str(), mode, info);
#endif
}

std::string formatName(int format, int mask)
{
  SF_FORMAT_INFO info{};
  info.format = format & mask;
  if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof(info)) == 0 && info.name != nullptr)
    return info.name;
  return "format " + std::to_string(format & mask);
}

// libsndfile reads a file cut short as far as it goes, and notes in its log what the
// header promised: "data : 768000 (should be 199956)" (WAV), "SSND : ..." (AIFF).
std::optional<double> promisedSecondsOf(SNDFILE* file, double seconds)
{
  char log[4096] = {};
  sf_command(file, SFC_GET_LOG_INFO, log, sizeof(log) - 1);
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);)
  {
    long long promised = 0, held = 0;
    char name[8] = {};
    if (std::sscanf(line.c_str(), "%7s : %lld (should be %lld)", name, &promised, &held) == 3 &&
        (std::string(name) == "data" || std::string(name) == "SSND") && held > 0 && promised > held)
      return seconds * static_cast<double>(promised) / static_cast<double>(held);
  }
  return std::nullopt;
}

// "1:02.345"
std::string timeText(double seconds)
{
  char text[32];
  const auto minutes = static_cast<long long>(seconds / 60.);
  std::snprintf(text, sizeof(text), "%lld:%06.3f", minutes, seconds - 60. * static_cast<double>(minutes));
  return text;
}

PcmLayout rawLayoutOf(SNDFILE* file, int format)
{
  PcmLayout layout = plainPcmLayout(format);
  if (layout.bytes > 0)
    layout.swapped = sf_command(file, SFC_RAW_DATA_NEEDS_ENDSWAP, nullptr, 0) == SF_TRUE;
  return layout;
}
} // namespace

SoundFileReader::SoundFileReader(const std::filesystem::path& path) : mPath(path)
{
  mFile = openSoundFile(path, SFM_READ, &mInfo);
  if (mFile == nullptr)
    throw ToolError(kExitUsage, "cannot read " + path.string() + " as audio: " + sf_strerror(nullptr));
  if (mInfo.channels < 1 || mInfo.samplerate < 1)
  {
    sf_close(mFile);
    mFile = nullptr;
    throw ToolError(kExitUsage, path.string() + " has no audio channels or no sample rate");
  }
  mLayout = rawLayoutOf(mFile, mInfo.format);
  const int subtype = mInfo.format & SF_FORMAT_SUBMASK;
  mMayHoldNonFinite = subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
  mPromisedSeconds = promisedSecondsOf(mFile, seconds());
}

SoundFileReader::~SoundFileReader()
{
  if (mFile)
    sf_close(mFile);
}

std::string SoundFileReader::formatText() const
{
  return formatName(mInfo.format, SF_FORMAT_TYPEMASK) + ", " + formatName(mInfo.format, SF_FORMAT_SUBMASK);
}

std::int64_t SoundFileReader::read(double* interleaved, std::int64_t frames)
{
  const std::int64_t got = readBlock(interleaved, frames);
  if (mMayHoldNonFinite)
  {
    const auto count = static_cast<std::size_t>(got * mInfo.channels);
    // x - x is 0 for every finite sample, NaN for the others: one test per sample.
    double any = 0.;
    for (std::size_t i = 0; i < count; ++i)
      any += interleaved[i] - interleaved[i];
    if (any != 0.)
      for (std::size_t i = 0; i < count; ++i)
        if (!std::isfinite(interleaved[i]))
        {
          const std::int64_t frame = mPosition + static_cast<std::int64_t>(i) / mInfo.channels;
          const double at = static_cast<double>(frame) / mInfo.samplerate;
          throw ToolError(kExitUsage, mPath.string() + " holds " +
                                        (std::isnan(interleaved[i]) ? "a sample that is not a number (NaN)"
                                                                    : "an infinite sample") +
                                        " at " + timeText(at) + " (frame " + std::to_string(frame) + ", channel " +
                                        std::to_string(i % static_cast<std::size_t>(mInfo.channels) + 1) +
                                        "): no level can be measured in it; repair the file first");
        }
  }
  mPosition += got;
  return got;
}

std::int64_t SoundFileReader::readBlock(double* interleaved, std::int64_t frames)
{
  if (mLayout.bytes > 0)
  {
    if (mEnded)
      return 0;
    const auto frameBytes = static_cast<std::size_t>(mLayout.bytes * mInfo.channels);
    mBytes.resize(static_cast<std::size_t>(frames) * frameBytes);
    const sf_count_t got = sf_read_raw(mFile, mBytes.data(), static_cast<sf_count_t>(mBytes.size()));
    if (got < 0 || (got == 0 && sf_error(mFile) != SF_ERR_NO_ERROR))
      throw ToolError(kExitFailure, "reading " + mPath.string() + " failed: " + sf_strerror(mFile));
    const std::size_t whole = static_cast<std::size_t>(got) / frameBytes;
    mEnded = static_cast<std::size_t>(got) % frameBytes != 0;
    decodePcm(mBytes.data(), interleaved, whole * static_cast<std::size_t>(mInfo.channels), mLayout);
    return static_cast<std::int64_t>(whole);
  }
  const sf_count_t got = sf_readf_double(mFile, interleaved, frames);
  if (got < 0 || (got == 0 && sf_error(mFile) != SF_ERR_NO_ERROR))
    throw ToolError(kExitFailure, "reading " + mPath.string() + " failed: " + sf_strerror(mFile));
  return got;
}

void SoundFileReader::rewind()
{
  if (sf_seek(mFile, 0, SEEK_SET) < 0)
    throw ToolError(kExitFailure, "cannot go back to the start of " + mPath.string() + ": " + sf_strerror(mFile));
  mEnded = false;
  mPosition = 0;
}

SoundFileWriter::SoundFileWriter(const std::filesystem::path& path, const SF_INFO& format) : mPath(path)
{
  SF_INFO info{};
  info.samplerate = format.samplerate;
  info.channels = format.channels;
  info.format = format.format;
  if (!sf_format_check(&info))
    throw ToolError(kExitFailure, "libsndfile cannot write the format of the input (" +
                                    formatName(info.format, SF_FORMAT_TYPEMASK) + ", " +
                                    formatName(info.format, SF_FORMAT_SUBMASK) + ")");
  mFile = openSoundFile(path, SFM_WRITE, &info);
  if (mFile == nullptr)
    throw ToolError(kExitFailure, "cannot create " + path.string() + ": " + sf_strerror(nullptr));
  sf_command(mFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  mChannels = info.channels;
  mLayout = rawLayoutOf(mFile, info.format);
  if (mLayout.isFloat)
    mLayout = {};
}

SoundFileWriter::~SoundFileWriter()
{
  if (mFile)
    sf_close(mFile);
}

void SoundFileWriter::write(const double* interleaved, std::int64_t frames)
{
  if (sf_writef_double(mFile, interleaved, frames) != frames)
    throw ToolError(kExitFailure, "writing " + mPath.string() + " failed: " + sf_strerror(mFile));
}

void SoundFileWriter::writeCodes(const std::int32_t* interleaved, std::int64_t frames)
{
  if (mLayout.bytes > 0)
  {
    const auto count = static_cast<std::size_t>(frames * mChannels);
    mBytes.resize(count * static_cast<std::size_t>(mLayout.bytes));
    encodePcm(interleaved, mBytes.data(), count, mLayout);
    if (sf_write_raw(mFile, mBytes.data(), static_cast<sf_count_t>(mBytes.size())) !=
        static_cast<sf_count_t>(mBytes.size()))
      throw ToolError(kExitFailure, "writing " + mPath.string() + " failed: " + sf_strerror(mFile));
    return;
  }
  if (sf_writef_int(mFile, interleaved, frames) != frames)
    throw ToolError(kExitFailure, "writing " + mPath.string() + " failed: " + sf_strerror(mFile));
}

void SoundFileWriter::close()
{
  if (mFile == nullptr)
    return;
  // No flush to the disk: the file is left to the system's write-back, as audio tools
  // leave theirs; waiting for the disk cost a fifth of a normalization. What guards the
  // user's files is the rename into place (see OutputFile): no failure of this process
  // ever leaves a partial file under an output's name.
  const int result = sf_close(mFile);
  mFile = nullptr;
  if (result != 0)
    throw ToolError(kExitFailure, "closing " + mPath.string() + " failed: " + sf_error_number(result));
}
} // namespace quenmark
