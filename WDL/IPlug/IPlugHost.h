#pragma once

// The host application, as a small integer found from the name the host reports. A few
// parts of the plug-in test it to work around the behaviour of particular hosts.
enum EHostCode
{
  kHostUninit = -1, // SetHost has not run yet
  kHostUnknown = 0, // the name matches no entry
  kHostReaper = 1,
  kHostProTools = 2,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostCakewalk = 5,
  kHostFruity = 7,
  kHostSamplitude = 8,
  kHostLive = 9,
  kHostMelodyne = 12,
  kHostVstManLib = 13,
  kHostAuLab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostSawStudio = 20,
  kHostLogic = 21,
  kHostGarageBand = 22,
  kHostDigital = 23,
  kHostStandalone = 24,
  kHostAudioMulch = 25,
  kHostPreSonus = 26,
  kHostVst3PluginTestHost = 27,
  kHostArdour = 28,
  kHostRenoise = 29,
  kHostOpenMpt = 30,
  kHostWaveLab = 31
};

// The host code for a host name: the name is lowered (ASCII letters) and cut at 255
// characters, then the table of known names is searched in its fixed order for the
// first entry that occurs anywhere in it. The order matters: a name holding two known
// texts gets the earlier entry's code. A null or empty name, or one that matches no
// entry, gives kHostUnknown.
EHostCode LookUpHostCode(const char* hostName);
