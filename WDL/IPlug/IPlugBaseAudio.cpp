// IPlugBase's audio path: the audio thread's scope and block lock, the ownership of the
// processor, and the channels a block runs on.
#include "WDL/IPlug/IPlugBase.h"

#include <algorithm>
#include <cstring>
#include <thread>

// ---- The audio thread ----

IPlugBase::AudioThreadScope::AudioThreadScope(IPlugBase& plug) : mPlug(plug)
{
  mPlug.mAudioThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
}

IPlugBase::AudioThreadScope::~AudioThreadScope()
{
  mPlug.mAudioThread.store(std::thread::id(), std::memory_order_relaxed);
}

bool IPlugBase::OnAudioThread() const
{
  return mAudioThread.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

IPlugBase::AudioBlockLock::AudioBlockLock(IPlugBase& plug) : mPlug(plug), mLock(plug.mMutex, std::try_to_lock)
{
  bool waited = false;
  if (!mLock.owns_lock())
  {
    mLockless = mPlug.mProcessor.BeginLocklessBlock();
    if (mLockless)
    {
      mPlug.mBlockWithoutMutex = true;
      return;
    }
    mLock.lock();
    waited = true;
  }
  mPlug.mBlockWithoutMutex = false;
  mPlug.mProcessor.BlockStarted(waited);
}

IPlugBase::AudioBlockLock::~AudioBlockLock()
{
  if (mLockless)
  {
    mPlug.mBlockWithoutMutex = false;
    mPlug.mProcessor.EndLocklessBlock();
  }
}

bool IPlugBase::ClaimProcessor(bool force)
{
  if (OnAudioThread())
    return true;
  if (force)
  {
    mProcessor.Claim();
    return true;
  }
  return mProcessor.ClaimIfIdle(StaleAfter());
}

bool IPlugBase::BlocksStopped() const
{
  return mProcessor.BlocksStopped(StaleAfter());
}

ProcessorOwnership::Clock::duration IPlugBase::StaleAfter() const
{
  // A few block lengths without a block: the host has stopped processing, or calls
  // rarely enough that a block waiting for the mutex once costs nothing.
  const double blockSeconds = mSampleRate > 0.0 ? std::max(mBlockFrames, 1) / mSampleRate : 0.0;
  const double staleSeconds = std::min(2.0 * blockSeconds + 0.005, 0.2);
  return std::chrono::duration_cast<ProcessorOwnership::Clock::duration>(std::chrono::duration<double>(staleSeconds));
}

// ---- Channels ----

template <typename Fn>
void IPlugBase::ForRange(int first, int count, int channels, Fn&& fn)
{
  const long long begin = std::max(static_cast<long long>(first), 0LL);
  const long long end = std::min(static_cast<long long>(first) + count, static_cast<long long>(channels));
  for (long long channel = begin; channel < end; ++channel)
    fn(static_cast<std::size_t>(channel));
}

void IPlugBase::ConnectInputChannels(int first, int count, bool connected)
{
  ForRange(first, count, NInChannels(), [&](std::size_t i) {
    mInputs[i].connected = connected;
    if (!connected)
    {
      mInputs[i].Unbind();
      mInputPointers[i] = mInputs[i].scratch.data();
    }
  });
  NoteChannelsConnected();
}

void IPlugBase::ConnectOutputChannels(int first, int count, bool connected)
{
  ForRange(first, count, NOutChannels(), [&](std::size_t i) {
    mOutputs[i].connected = connected;
    if (!connected)
    {
      mOutputs[i].Unbind();
      mOutputPointers[i] = mOutputs[i].scratch.data();
    }
  });
  NoteChannelsConnected();
}

void IPlugBase::NoteChannelsConnected()
{
  const auto connected = [](const auto& channel) { return channel.connected; };
  mAllChannelsConnected =
      std::all_of(mInputs.begin(), mInputs.end(), connected) && std::all_of(mOutputs.begin(), mOutputs.end(), connected);
}

const InputChannelSlot* IPlugBase::InputChannel(int index) const
{
  if (index < 0 || index >= NInChannels())
    return nullptr;
  return &mInputs[static_cast<std::size_t>(index)];
}

const OutputChannelSlot* IPlugBase::OutputChannel(int index) const
{
  if (index < 0 || index >= NOutChannels())
    return nullptr;
  return &mOutputs[static_cast<std::size_t>(index)];
}

void IPlugBase::BindInputBuffers(int first, int count, double** buffers, int frames)
{
  (void)frames; // the plug-in reads 64-bit host buffers in place
  int next = 0;
  ForRange(first, count, NInChannels(), [&](std::size_t i) {
    InputChannelSlot& channel = mInputs[i];
    if (!channel.connected)
      return;
    channel.Unbind();
    channel.host64 = buffers != nullptr ? buffers[next++] : nullptr;
  });
}

void IPlugBase::BindInputBuffers(int first, int count, float** buffers, int frames)
{
  int next = 0;
  ForRange(first, count, NInChannels(), [&](std::size_t i) {
    InputChannelSlot& channel = mInputs[i];
    if (!channel.connected)
      return;
    channel.Unbind();
    channel.host32 = buffers != nullptr ? buffers[next++] : nullptr;
    channel.host32Frames = channel.host32 != nullptr ? std::max(frames, 0) : 0;
  });
}

void IPlugBase::BindOutputBuffers(int first, int count, double** buffers)
{
  int next = 0;
  ForRange(first, count, NOutChannels(), [&](std::size_t i) {
    OutputChannelSlot& channel = mOutputs[i];
    if (!channel.connected)
      return;
    channel.Unbind();
    channel.host64 = buffers != nullptr ? buffers[next++] : nullptr;
  });
}

void IPlugBase::BindOutputBuffers(int first, int count, float** buffers)
{
  int next = 0;
  ForRange(first, count, NOutChannels(), [&](std::size_t i) {
    OutputChannelSlot& channel = mOutputs[i];
    if (!channel.connected)
      return;
    channel.Unbind();
    channel.destination32 = buffers != nullptr ? buffers[next++] : nullptr;
  });
}

bool IPlugBase::NeedsScratch() const
{
  return std::any_of(mInputs.begin(), mInputs.end(), [](const InputChannelSlot& c) { return c.NeedsScratch(); }) ||
         std::any_of(mOutputs.begin(), mOutputs.end(), [](const OutputChannelSlot& c) { return c.NeedsScratch(); });
}

void IPlugBase::RunProcessing(int frames)
{
  frames = std::max(frames, 0);
  int chunkFrames = mBlockFrames;
  if (chunkFrames == 0 && frames > 0)
  {
    if (NeedsScratch())
    {
      // No scratch to convert into or to stand in for a missing buffer: answer the block
      // with silence rather than call the plug-in with buffers that are too short.
      for (OutputChannelSlot& channel : mOutputs)
        channel.WriteSilence(frames);
      for (InputChannelSlot& channel : mInputs)
        channel.Unbind();
      for (OutputChannelSlot& channel : mOutputs)
        channel.Unbind();
      return;
    }
    chunkFrames = frames; // every channel reads and writes host buffers directly
  }

  int offset = 0;
  do
  {
    const int chunk = std::min(chunkFrames, frames - offset);
    for (std::size_t i = 0; i < mInputs.size(); ++i)
      mInputPointers[i] = mInputs[i].PrepareChunk(offset, chunk);
    for (std::size_t i = 0; i < mOutputs.size(); ++i)
      mOutputPointers[i] = mOutputs[i].PrepareChunk(offset);
    ProcessAudio(mInputPointers.data(), mOutputPointers.data(), chunk);
    for (OutputChannelSlot& channel : mOutputs)
      channel.FinishChunk(offset, chunk);
    offset += chunk;
  } while (offset < frames);

  for (InputChannelSlot& channel : mInputs)
    channel.Unbind();
  for (OutputChannelSlot& channel : mOutputs)
    channel.Unbind();
}

bool IPlugBase::RunProcessingOnHostBuffers(double* const* inputs, int inputCount, double* const* outputs,
                                           int outputCount, int frames)
{
  if (!mAllChannelsConnected || frames <= 0 || frames > mBlockFrames || inputCount != NInChannels() ||
      outputCount != NOutChannels())
    return false;
  // The plug-in's pointers are copies: it may move them without touching the host's.
  double* ins[kMaxChannels];
  double* outs[kMaxChannels];
  for (int i = 0; i < inputCount; ++i)
    if ((ins[i] = inputs[i]) == nullptr)
      return false;
  for (int o = 0; o < outputCount; ++o)
    if ((outs[o] = outputs[o]) == nullptr)
      return false;
  ProcessAudio(ins, outs, frames);
  return true;
}

void IPlugBase::CopyInputsToOutputs(int frames)
{
  TakeHandedOverChanges();
  frames = std::max(frames, 0);
  const bool delayed = mDelayLine && mLatencyFrames > 0 && mDelayLine->DelayFrames() > 0;
  for (std::size_t o = 0; o < mOutputs.size(); ++o)
  {
    OutputChannelSlot& out = mOutputs[o];
    if (!out.connected || (out.host64 == nullptr && out.destination32 == nullptr))
      continue;
    const InputChannelSlot* in = o < mInputs.size() && mInputs[o].connected ? &mInputs[o] : nullptr;
    const int channel = static_cast<int>(o);
    for (int s = 0; s < frames; ++s)
    {
      double sample = 0.0;
      if (in != nullptr)
      {
        if (in->host64 != nullptr)
          sample = in->host64[s];
        else if (in->host32 != nullptr && s < in->host32Frames)
          sample = static_cast<double>(in->host32[s]);
        if (delayed)
          sample = mDelayLine->Push(channel, sample);
      }
      if (out.host64 != nullptr)
        out.host64[s] = sample;
      else
        out.destination32[s] = static_cast<float>(sample);
    }
  }
  for (InputChannelSlot& channel : mInputs)
    channel.Unbind();
  for (OutputChannelSlot& channel : mOutputs)
    channel.Unbind();
}

void IPlugBase::ClearScratchBuffers()
{
  for (InputChannelSlot& channel : mInputs)
    std::fill(channel.scratch.begin(), channel.scratch.end(), 0.0);
  for (OutputChannelSlot& channel : mOutputs)
    std::fill(channel.scratch.begin(), channel.scratch.end(), 0.0);
}

void IPlugBase::CreateBypassDelayLine()
{
  if (NInChannels() > 0)
    mDelayLine = std::make_unique<BypassDelayLine>(NInChannels(), mLatencyFrames);
}
