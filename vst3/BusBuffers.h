#pragma once

#include "vst3/sdk/helpers/Bus.h"
#include "vst3/sdk/interfaces/IAudioProcessor.h"
#include "vst3/sdk/interfaces/SpeakerArrangement.h"

#include <algorithm>
#include <type_traits>

// The binding's view of the host's buses: the arrangements it offers, and checks of the
// buffers a host hands to process, for either sample size.
namespace vst3buses
{
// Speaker arrangement the binding gives a bus of `channels` channels.
Steinberg::Vst::SpeakerArrangement ArrangementFor(int channels);

// Whether a host's arrangement is one the binding gives its buses itself (mono, stereo,
// ...), for at most maxChannels channels.
bool IsOwnArrangement(Steinberg::Vst::SpeakerArrangement arrangement, int maxChannels = 6);

// The channel pointers of a bus for the sample type.
template <typename Sample>
inline Sample** ChannelsOf(const Steinberg::Vst::AudioBusBuffers& bus)
{
  if constexpr (std::is_same_v<Sample, float>)
    return bus.channelBuffers32;
  else
    return bus.channelBuffers64;
}

// True when the host gave every channel of a bus of `channels` channels a buffer.
template <typename Sample>
inline bool BusComplete(const Steinberg::Vst::AudioBusBuffers& bus, Steinberg::int32 channels)
{
  if (bus.numChannels != channels)
    return false;
  Sample** buffers = ChannelsOf<Sample>(bus);
  if (channels > 0 && buffers == nullptr)
    return false;
  return std::all_of(buffers, buffers + channels, [](const Sample* b) { return b != nullptr; });
}

// One bit per channel of the bus whose block holds only zeros: hosts skip silent buses
// downstream. Channels past the 64 the flags can name are never claimed silent.
template <typename Sample>
inline Steinberg::uint64 SilentChannels(const Steinberg::Vst::AudioBusBuffers& bus, int frames)
{
  Sample** buffers = ChannelsOf<Sample>(bus);
  if (buffers == nullptr)
    return 0;
  Steinberg::uint64 flags = 0;
  const int channels = std::min<int>(bus.numChannels, 64);
  for (int c = 0; c < channels; ++c)
  {
    const Sample* samples = buffers[c];
    if (samples != nullptr && std::all_of(samples, samples + frames, [](Sample x) { return x == Sample(0); }))
      flags |= Steinberg::uint64(1) << c;
  }
  return flags;
}

// True when every bus of `list` in use got a buffer for each of its channels.
template <typename Sample>
inline bool BusesComplete(const Steinberg::Vst::AudioBusBuffers* buses, const Steinberg::Vst::BusList& list)
{
  for (Steinberg::int32 i = 0; i < list.count(); ++i)
  {
    const Steinberg::Vst::Bus* bus = list.at(i);
    // An inactive side-chain is not read, whatever the host put there.
    const bool used = bus->getBusType() == Steinberg::Vst::kMain || bus->isActive();
    if (used && !BusComplete<Sample>(buses[i], bus->getChannelCount()))
      return false;
  }
  return true;
}
} // namespace vst3buses
