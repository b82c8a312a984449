#include "tools/quenmark/OutputFile.h"

#include "tools/quenmark/ToolError.h"

namespace quenmark
{
OutputFile::OutputFile(const std::filesystem::path& target, const SF_INFO& format, bool dither, MeterParts meterParts)
  : mTarget(target),
    mPartial((target.has_parent_path() ? target.parent_path() : std::filesystem::path(".")) /
             ("." + target.filename().string() + ".quenmark-partial")),
    mChannels(format.channels),
    mQuantizer(format.format, dither),
    mMeter(format.channels, format.samplerate, meterParts)
{
  mWriter = std::make_unique<SoundFileWriter>(mPartial, format);
}

OutputFile::~OutputFile()
{
  mWriter.reset();
  std::error_code error;
  if (!mCommitted)
    std::filesystem::remove(mPartial, error);
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
  mMeter.add(interleaved, frames);
  if (integer)
    mWriter->writeCodes(mCodes.data(), frames);
  else
    mWriter->write(interleaved, frames);
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
