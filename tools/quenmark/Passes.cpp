#include "tools/quenmark/Passes.h"

#include "tools/quenmark/ProgressBar.h"

namespace quenmark
{
void runPass(SoundFileReader& reader, const std::string& label, const PassTargets& targets)
{
  reader.rewind();
  const auto channels = static_cast<std::size_t>(reader.channels());
  const auto blockFrames = static_cast<std::size_t>(kFileBlockFrames);
  std::vector<double> interleaved(blockFrames * channels);
  std::vector<std::vector<double>> in(channels, std::vector<double>(blockFrames));
  std::vector<std::vector<double>> out(channels, std::vector<double>(blockFrames));
  std::vector<const double*> inPointers;
  std::vector<double*> outPointers;
  for (std::size_t c = 0; c < channels; ++c)
  {
    inPointers.push_back(in[c].data());
    outPointers.push_back(out[c].data());
  }

  ProgressBar progress(label, reader.frames(), reader.seconds());
  std::int64_t done = 0;
  while (const std::int64_t got = reader.read(interleaved.data(), kFileBlockFrames))
  {
    const auto frames = static_cast<std::size_t>(got);
    if (targets.inputMeter)
      targets.inputMeter->add(interleaved.data(), got);
    for (std::size_t n = 0; n < frames; ++n)
      for (std::size_t c = 0; c < channels; ++c)
        in[c][n] = interleaved[n * channels + c];
    // sessions[0] runs last, so its output is the one left in `out` for the writer.
    for (std::size_t s = targets.sessions.size(); s-- > 0;)
      targets.sessions[s]->process(inPointers.data(), outPointers.data(), static_cast<int>(got));
    if (targets.writer)
    {
      for (std::size_t n = 0; n < frames; ++n)
        for (std::size_t c = 0; c < channels; ++c)
          interleaved[n * channels + c] = out[c][n];
      targets.writer->write(interleaved.data(), got);
    }
    done += got;
    if (targets.afterBlock)
      targets.afterBlock(done);
    progress.update(done);
  }
}

LoudnessReading measureFile(const std::filesystem::path& path)
{
  SoundFileReader reader(path);
  LoudnessMeter meter(reader.channels(), reader.sampleRate());
  PassTargets targets;
  targets.inputMeter = &meter;
  runPass(reader, "measuring", targets);
  return meter.reading();
}
} // namespace quenmark
