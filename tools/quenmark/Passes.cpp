#include "tools/quenmark/Passes.h"

#include "tools/quenmark/BlockPipe.h"
#include "tools/quenmark/ToolError.h"

#include <algorithm>
#include <list>
#include <optional>
#include <string>

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define QUENMARK_PASSES_SSE2 1
#endif

namespace quenmark
{
namespace
{
// Threads that play the measuring sessions: few, so that blocks are copied and threads
// woken seldom, but enough to share the work out over the cores.
constexpr std::size_t kMeasuringThreads = 2;

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
    if (samples.size() == 1)
    {
      std::copy_n(interleaved, frames, samples[0].data());
      return;
    }
    double* left = samples[0].data();
    double* right = samples[1].data();
    std::size_t n = 0;
#ifdef QUENMARK_PASSES_SSE2
    // Two frames per step: their left samples into one register, their right into another.
    for (; n + 2 <= frames; n += 2)
    {
      const __m128d first = _mm_loadu_pd(interleaved + 2 * n);
      const __m128d second = _mm_loadu_pd(interleaved + 2 * n + 2);
      _mm_storeu_pd(left + n, _mm_unpacklo_pd(first, second));
      _mm_storeu_pd(right + n, _mm_unpackhi_pd(first, second));
    }
#endif
    for (; n < frames; ++n)
    {
      left[n] = interleaved[2 * n];
      right[n] = interleaved[2 * n + 1];
    }
  }

  void interleave(double* interleaved, std::size_t frames) const
  {
    if (samples.size() == 1)
    {
      std::copy_n(samples[0].data(), frames, interleaved);
      return;
    }
    const double* left = samples[0].data();
    const double* right = samples[1].data();
    std::size_t n = 0;
#ifdef QUENMARK_PASSES_SSE2
    for (; n + 2 <= frames; n += 2)
    {
      const __m128d lefts = _mm_loadu_pd(left + n);
      const __m128d rights = _mm_loadu_pd(right + n);
      _mm_storeu_pd(interleaved + 2 * n, _mm_unpacklo_pd(lefts, rights));
      _mm_storeu_pd(interleaved + 2 * n + 2, _mm_unpackhi_pd(lefts, rights));
    }
#endif
    for (; n < frames; ++n)
    {
      interleaved[2 * n] = left[n];
      interleaved[2 * n + 1] = right[n];
    }
  }

  // The channels one after the other, `frames` each.
  void copyChannelsTo(double* channelAfterChannel, std::size_t frames) const
  {
    for (std::size_t c = 0; c < samples.size(); ++c)
      std::copy_n(samples[c].data(), frames, channelAfterChannel + c * frames);
  }

  double* const* from(std::size_t offset)
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
void play(PluginSession& session, const double* const* in, double* const* out, int channels, std::size_t frames,
          AfterCall afterCall)
{
  for (std::size_t done = 0; done < frames;)
  {
    const std::size_t call = std::min<std::size_t>(frames - done, kProcessBlockFrames);
    const double* callIn[2] = {};
    double* callOut[2] = {};
    for (int c = 0; c < channels; ++c)
    {
      callIn[c] = in[c] + done;
      callOut[c] = out[c] + done;
    }
    session.process(callIn, callOut, static_cast<int>(call));
    done += call;
    afterCall(static_cast<std::int64_t>(call));
  }
}

// Sessions that only measure, played one after the other on a thread of their own; they
// get every block in order, its channels one after the other (see copyChannelsTo).
class MeasuringThread
{
public:
  MeasuringThread(std::vector<PluginSession*> sessions, int channels)
    : mSessions(std::move(sessions)),
      mOut(static_cast<std::size_t>(channels), kFileBlockFrames),
      mPipe(channels, kFileBlockFrames, [this, channels](double* block, std::int64_t frames) {
        const double* in[2] = {block, block + frames};
        for (PluginSession* session : mSessions)
          play(*session, in, mOut.from(0), channels, static_cast<std::size_t>(frames), [](std::int64_t) {});
      })
  {
  }

  BlockPipe& pipe() { return mPipe; }

private:
  std::vector<PluginSession*> mSessions;
  PlanarBlock mOut;
  BlockPipe mPipe; // last: its thread uses the rest
};
} // namespace

void runPass(SoundFileReader& reader, const PassTargets& targets)
{
  // Sessions are arranged for mono or stereo only; the inputs are checked before this.
  if (reader.channels() < 1 || reader.channels() > 2)
    throw ToolError(kExitFailure, std::to_string(reader.channels()) + " channels: only mono and stereo are played");
  reader.rewind();
  const auto channels = static_cast<std::size_t>(reader.channels());
  std::vector<double> interleaved(static_cast<std::size_t>(kFileBlockFrames) * channels);
  PlanarBlock in(channels, kFileBlockFrames), out(channels, kFileBlockFrames);

  // The tool's own measurement, the writing and the sessions beyond the first run beside
  // the first session, each on a thread of its own, block after block in the file's
  // order.
  const std::size_t measuringSessions = targets.sessions.empty() ? 0 : targets.sessions.size() - 1;
  std::vector<std::vector<PluginSession*>> groups(std::min(measuringSessions, kMeasuringThreads));
  for (std::size_t s = 1; s < targets.sessions.size(); ++s)
    groups[(s - 1) % groups.size()].push_back(targets.sessions[s]);
  std::list<MeasuringThread> measuring;
  for (std::vector<PluginSession*>& group : groups)
    measuring.emplace_back(std::move(group), reader.channels());
  std::vector<double> channelAfterChannel(measuring.empty() ? 0 : interleaved.size());
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
      if (!measuring.empty())
      {
        in.copyChannelsTo(channelAfterChannel.data(), frames);
        for (MeasuringThread& thread : measuring)
          thread.pipe().push(channelAfterChannel.data(), got);
      }
      play(*targets.sessions[0], in.from(0), out.from(0), reader.channels(), frames, afterCall);
      if (targets.gainCheck)
        targets.gainCheck->add(in.from(0), out.from(0), reader.channels(), frames);
    }
    else
      afterCall(got);
    if (targets.output)
    {
      out.interleave(interleaved.data(), frames);
      writing->push(interleaved.data(), got);
    }
  }
  for (MeasuringThread& thread : measuring)
    thread.pipe().finish();
  if (metering)
    metering->finish();
  if (writing)
    writing->finish();
}
} // namespace quenmark
