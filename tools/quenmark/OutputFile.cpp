#include "tools/quenmark/OutputFile.h"

#include "tools/quenmark/Interruption.h"
#include "tools/quenmark/ToolError.h"

namespace quenmark
{
namespace
{
constexpr std::int64_t kMeasureBlockFrames = 16384;
} // namespace

OutputFile::OutputFile(const std::filesystem::path& target, const SF_INFO& format, bool dither,
                       std::optional<MeterParts> meterParts)
  : mTarget(target),
    mPartial((target.has_parent_path() ? target.parent_path() : std::filesystem::path(".")) /
             ("." + target.filename().string() + ".quenmark-partial")),
    mChannels(format.channels),
    mQuantizer(format.format, dither)
{
  if (meterParts)
    mMeter = std::make_unique<LoudnessMeter>(format.channels, format.samplerate, *meterParts);
  removeOnInterruption(mPartial);
  try
  {
    mWriter = std::make_unique<SoundFileWriter>(mPartial, format);
  }
  catch (...)
  {
    forgetOnInterruption(mPartial);
    throw;
  }
}

OutputFile::~OutputFile()
{
  mWriter.reset();
  std::error_code error;
  if (!mCommitted)
    std::filesystem::remove(mPartial, error);
  forgetOnInterruption(mPartial);
}

void OutputFile::seedFrom(const double* interleaved, std::int64_t frames)
{
  mQuantizer.seed(seedFromAudio(interleaved, static_cast<std::size_t>(frames * mChannels),
                                static_cast<std::uint64_t>(frames)));
  mSeeded = true;
}

void OutputFile::write(double* interleaved, std::int64_t frames)
{
  if (!mSeeded)
    seedFrom(interleaved, frames);
  const auto count = static_cast<std::size_t>(frames * mChannels);
  const bool integer = mQuantizer.bits() > 0;
  if (integer && mCodes.size() < count)
    mCodes.resize(count);
  mClipped += mQuantizer.quantize(interleaved, mCodes.data(), count);
  if (mMeter)
    mMeter->add(interleaved, frames);
  if (integer)
    mWriter->writeCodes(mCodes.data(), frames);
  else
    mWriter->write(interleaved, frames);
}

std::optional<LoudnessReading> OutputFile::reading() const
{
  if (!mMeter)
    return std::nullopt;
  return mMeter->reading();
}

std::optional<LoudnessSeries> OutputFile::series() const
{
  if (!mMeter)
    return std::nullopt;
  return mMeter->series();
}

void OutputFile::commit()
{
  mWriter->close();
  std::error_code error;
  std::filesystem::rename(mPartial, mTarget, error);
  if (error)
    throw ToolError(kExitFailure, "cannot move the output into place as " + mTarget.string() + ": " + error.message());
  mCommitted = true;
}
} // namespace quenmark

namespace quenmark
{
LoudnessReading measureFile(const std::filesystem::path& path, MeterParts parts)
{
  SoundFileReader reader(path);
  LoudnessMeter meter(reader.channels(), reader.sampleRate(), parts);
  std::vector<double> block(static_cast<std::size_t>(kMeasureBlockFrames * reader.channels()));
  while (const std::int64_t got = reader.read(block.data(), kMeasureBlockFrames))
    meter.add(block.data(), got);
  return meter.reading();
}
} // namespace quenmark
