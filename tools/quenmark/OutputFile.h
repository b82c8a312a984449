#pragma once

#include "tools/quenmark/LoudnessMeter.h"
#include "tools/quenmark/SampleQuantizer.h"
#include "tools/quenmark/SoundFile.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

// A normalized output as it is written: rounded to the file's sample format (dithered,
// clips counted), measured as the file holds it, and written to a hidden partial file
// next to the target that becomes the target only when complete. An output that was
// not committed is removed, so a failure never leaves half a file under the output's
// name.
namespace quenmark
{
class OutputFile
{
public:
  // Throws ToolError (kExitFailure) when the file cannot be created in `format`. Without
  // `meterParts` the output is not measured as it is written (see measureFile()).
  OutputFile(const std::filesystem::path& target, const SF_INFO& format, bool dither,
             std::optional<MeterParts> meterParts);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const SampleQuantizer& quantizer() const noexcept { return mQuantizer; }
  // Starts the dither sequence from the input's audio (see SampleQuantizer::seed).
  void seedFrom(const double* interleaved, std::int64_t frames);
  // Quantizes `interleaved` in place, measures and writes it.
  void write(double* interleaved, std::int64_t frames);
  // Closes the file and moves it into place; throws ToolError on failure.
  void commit();

  std::int64_t clippedSamples() const noexcept { return mClipped; }
  // Only when measured as written.
  std::optional<LoudnessReading> reading() const;
  std::optional<LoudnessSeries> series() const;

private:
  std::filesystem::path mTarget;
  std::filesystem::path mPartial;
  int mChannels;
  SampleQuantizer mQuantizer;
  std::unique_ptr<LoudnessMeter> mMeter;
  std::unique_ptr<SoundFileWriter> mWriter;
  std::vector<std::int32_t> mCodes;
  std::int64_t mClipped = 0;
  bool mSeeded = false;
  bool mCommitted = false;
};

// Measures an audio file as a reader of it gets it back.
LoudnessReading measureFile(const std::filesystem::path& path, MeterParts parts);
} // namespace quenmark
