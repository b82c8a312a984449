#include "WDL/IPlug/IPlugHost.h"

#include <cctype>
#include <cstddef>
#include <cstring>

namespace
{
constexpr std::size_t kLoweredNameBytes = 256;

struct HostEntry
{
  const char* text;
  EHostCode code;
};

// Searched top to bottom; the first text found in the name wins.
constexpr HostEntry kHostTable[] = {
  {"cubase", kHostCubase},
  {"reaper", kHostReaper},
  {"nuendo", kHostNuendo},
  {"cakewalk", kHostCakewalk},
  {"samplitude", kHostSamplitude},
  {"fruity", kHostFruity},
  {"live", kHostLive},
  {"melodyne", kHostMelodyne},
  {"vstmanlib", kHostVstManLib},
  {"aulab", kHostAuLab},
  {"garageband", kHostGarageBand},
  {"forte", kHostForte},
  {"chainer", kHostChainer},
  {"audition", kHostAudition},
  {"orion", kHostOrion},
  {"sawstudio", kHostSawStudio},
  {"logic", kHostLogic},
  {"digital", kHostDigital},
  {"audiomulch", kHostAudioMulch},
  {"presonus", kHostPreSonus},
  {"vst3plugintesthost", kHostVst3PluginTestHost},
  {"protools", kHostProTools},
  {"ardour", kHostArdour},
  {"openmpt", kHostOpenMpt},
  {"renoise", kHostRenoise},
  {"standalone", kHostStandalone},
  {"wavelab", kHostWaveLab},
};
}

EHostCode LookUpHostCode(const char* hostName)
{
  char lowered[kLoweredNameBytes] = "";
  if (hostName != nullptr)
  {
    std::size_t i = 0;
    for (; i < kLoweredNameBytes - 1 && hostName[i] != '\0'; ++i)
      lowered[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(hostName[i])));
    lowered[i] = '\0';
  }
  for (const HostEntry& entry : kHostTable)
    if (std::strstr(lowered, entry.text) != nullptr)
      return entry.code;
  return kHostUnknown;
}
