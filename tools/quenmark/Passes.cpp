#include "tools/quenmark/Passes.h"

#include "tools/quenmark/BlockPipe.h"

#include <optional>

namespace quenmark
{
void runPass(SoundFileReader& reader, const PassTargets& targets)
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

  // The tool's own measurement and the writing run beside the plug-in, each on a thread
  // of its own, block after block in the file's order.
  std::optional<BlockPipe> metering;
  if (targets.inputMeter)
    metering.emplace(reader.channels(), kFileBlockFrames,
                     [meter = targets.inputMeter](double* block, std::int64_t frames) { meter->add(block, frames); });
  std::optional<BlockPipe> writing;
  if (targets.output)
    writing.emplace(reader.channels(), kFileBlockFrames,
                    [output = targets.output](double* block, std::int64_t frames) { output->write(block, frames); });

  std::int64_t done = 0;
  while (const std::int64_t got = reader.read(interleaved.data(), kFileBlockFrames))
  {
    const auto frames = static_cast<std::size_t>(got);
    if (metering)
      metering->push(interleaved.data(), got);
    if (targets.output && done == 0)
      targets.output->seedFrom(interleaved.data(), got);
    if (!targets.sessions.empty())
    {
      for (std::size_t n = 0; n < frames; ++n)
        for (std::size_t c = 0; c < channels; ++c)
          in[c][n] = interleaved[n * channels + c];
      // sessions[0] runs last, so its output is the one left in `out` for the writer.
      for (std::size_t s = targets.sessions.size(); s-- > 0;)
        targets.sessions[s]->process(inPointers.data(), outPointers.data(), static_cast<int>(got));
    }
    if (targets.output)
    {
      for (std::size_t n = 0; n < frames; ++n)
        for (std::size_t c = 0; c < channels; ++c)
          interleaved[n * channels + c] = out[c][n];
      writing->push(interleaved.data(), got);
    }
    done += got;
    if (targets.afterBlock)
      targets.afterBlock(done);
    if (targets.progress)
      targets.progress->addFrames(got);
  }
  if (metering)
    metering->finish();
  if (writing)
    writing->finish();
}
} // namespace quenmark
