#include "tools/quenmark/Passes.h"

#include "tools/quenmark/BlockPipe.h"

#include <algorithm>
#include <list>
#include <optional>

namespace quenmark
{
namespace
{
// One channel per vector, as the plug-in takes its audio, with the pointers to hand it.
struct PlanarBlock
{
  PlanarBlock(std::size_t channels, std::size_t frames) : samples(channels, std::vector<double>(frames))
  {
    for (std::vector<double>& channel : samples)
      pointers.push_back(channel.data());
  }

  void deinterleave(const double* interleaved, std::size_t frames)
  {
    const std::size_t channels = samples.size();
    for (std::size_t n = 0; n < frames; ++n)
      for (std::size_t c = 0; c < channels; ++c)
        samples[c][n] = interleaved[n * channels + c];
  }

  void interleave(double* interleaved, std::size_t frames) const
  {
    const std::size_t channels = samples.size();
    for (std::size_t n = 0; n < frames; ++n)
      for (std::size_t c = 0; c < channels; ++c)
        interleaved[n * channels + c] = samples[c][n];
  }

  // The pointers `offset` frames in.
  const double* const* from(std::size_t offset)
  {
    for (std::size_t c = 0; c < samples.size(); ++c)
      pointers[c] = samples[c].data() + offset;
    return pointers.data();
  }

  double* const* writableFrom(std::size_t offset)
  {
    for (std::size_t c = 0; c < samples.size(); ++c)
      pointers[c] = samples[c].data() + offset;
    return pointers.data();
  }

  std::vector<std::vector<double>> samples;
  std::vector<double*> pointers;
};

// Plays `frames` frames through `session` in process calls of at most
// kProcessBlockFrames, as a host's offline render would; `afterCall` gets the frames
// of each call.
template <class AfterCall>
void play(PluginSession& session, PlanarBlock& in, PlanarBlock& out, std::size_t frames, AfterCall afterCall)
{
  for (std::size_t done = 0; done < frames;)
  {
    const std::size_t call = std::min<std::size_t>(frames - done, kProcessBlockFrames);
    session.process(in.from(done), out.writableFrom(done), static_cast<int>(call));
    done += call;
    afterCall(static_cast<std::int64_t>(call));
  }
}

// A session that only measures, on a thread of its own: it gets every block in order.
class MeasuringSession
{
public:
  MeasuringSession(PluginSession& session, int channels)
    : mIn(static_cast<std::size_t>(channels), kFileBlockFrames),
      mOut(static_cast<std::size_t>(channels), kFileBlockFrames),
      mPipe(channels, kFileBlockFrames, [this, &session](double* block, std::int64_t frames) {
        mIn.deinterleave(block, static_cast<std::size_t>(frames));
        play(session, mIn, mOut, static_cast<std::size_t>(frames), [](std::int64_t) {});
      })
  {
  }

  BlockPipe& pipe() { return mPipe; }

private:
  PlanarBlock mIn, mOut;
  BlockPipe mPipe; // last: its thread uses the blocks
};
} // namespace

void runPass(SoundFileReader& reader, const PassTargets& targets)
{
  reader.rewind();
  const auto channels = static_cast<std::size_t>(reader.channels());
  std::vector<double> interleaved(static_cast<std::size_t>(kFileBlockFrames) * channels);
  PlanarBlock in(channels, kFileBlockFrames), out(channels, kFileBlockFrames);

  // The tool's own measurement, the writing and the sessions beyond the first run beside
  // the first session, each on a thread of its own, block after block in the file's
  // order.
  std::list<MeasuringSession> measuring;
  for (std::size_t s = 1; s < targets.sessions.size(); ++s)
    measuring.emplace_back(*targets.sessions[s], reader.channels());
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
    for (MeasuringSession& session : measuring)
      session.pipe().push(interleaved.data(), got);
    if (metering)
      metering->push(interleaved.data(), got);
    if (targets.output && done == 0)
      targets.output->seedFrom(interleaved.data(), std::min<std::int64_t>(got, kProcessBlockFrames));
    auto afterCall = [&](std::int64_t call) {
      done += call;
      if (targets.afterBlock)
        targets.afterBlock(done);
      if (targets.progress)
        targets.progress->addFrames(call);
    };
    if (!targets.sessions.empty())
    {
      in.deinterleave(interleaved.data(), frames);
      play(*targets.sessions[0], in, out, frames, afterCall);
    }
    else
      afterCall(got);
    if (targets.output)
    {
      out.interleave(interleaved.data(), frames);
      writing->push(interleaved.data(), got);
    }
  }
  for (MeasuringSession& session : measuring)
    session.pipe().finish();
  if (metering)
    metering->finish();
  if (writing)
    writing->finish();
}
} // namespace quenmark
