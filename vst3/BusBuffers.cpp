#include "vst3/BusBuffers.h"

using namespace Steinberg::Vst;

namespace vst3buses
{
// Speaker arrangement the binding gives a bus of `channels` channels.
SpeakerArrangement ArrangementFor(int channels)
{
  switch (channels)
  {
  case 1: return SpeakerArr::kMono;
  case 2: return SpeakerArr::kStereo;
  case 3: return SpeakerArr::k30Music;
  case 4: return SpeakerArr::kAmbi1stOrderACN;
  case 5: return SpeakerArr::k50;
  case 6: return SpeakerArr::k51;
  default: return SpeakerArr::kEmpty;
  }
}

// Whether a host's arrangement is one the binding gives its buses itself (mono, stereo,
// ...), for at most maxChannels channels.
bool IsOwnArrangement(SpeakerArrangement arrangement, int maxChannels)
{
  const int channels = channelCountOf(arrangement);
  return channels >= 1 && channels <= maxChannels && ArrangementFor(channels) == arrangement;
}
} // namespace vst3buses
