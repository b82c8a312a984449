#pragma once

// The CLAP interface as our host reads it, declared apart from the plug-in's clap/sdk so
// that one misreading cannot hide in both. Only what a host of an audio effect touches.

#include <cstddef>
#include <cstdint>

namespace claphost::abi
{
struct Version
{
  uint32_t major, minor, revision;
};

struct Entry
{
  Version version;
  bool (*init)(const char* path);
  void (*deinit)();
  const void* (*getFactory)(const char* id);
};

struct Descriptor
{
  Version version;
  const char* id;
  const char* name;
  const char* vendor;
  const char* url;
  const char* manualUrl;
  const char* supportUrl;
  const char* versionText;
  const char* description;
  const char* const* features;
};

struct Host;
struct Plugin;
struct Process;

struct Factory
{
  uint32_t (*count)(const Factory*);
  const Descriptor* (*descriptor)(const Factory*, uint32_t);
  const Plugin* (*create)(const Factory*, const Host*, const char*);
};

struct Plugin
{
  const Descriptor* desc;
  void* data;
  bool (*init)(const Plugin*);
  void (*destroy)(const Plugin*);
  bool (*activate)(const Plugin*, double, uint32_t, uint32_t);
  void (*deactivate)(const Plugin*);
  bool (*startProcessing)(const Plugin*);
  void (*stopProcessing)(const Plugin*);
  void (*reset)(const Plugin*);
  int32_t (*process)(const Plugin*, const Process*);
  const void* (*getExtension)(const Plugin*, const char*);
  void (*onMainThread)(const Plugin*);
};

struct Host
{
  Version version;
  void* data;
  const char* name;
  const char* vendor;
  const char* url;
  const char* versionText;
  const void* (*getExtension)(const Host*, const char*);
  void (*requestRestart)(const Host*);
  void (*requestProcess)(const Host*);
  void (*requestCallback)(const Host*);
};

struct EventHeader
{
  uint32_t size;
  uint32_t time;
  uint16_t space;
  uint16_t type;
  uint32_t flags;
};
inline constexpr uint16_t kParamValue = 5, kGestureBegin = 7, kGestureEnd = 8, kTransport = 9;

struct ParamValueEvent
{
  EventHeader header;
  uint32_t id;
  void* cookie;
  int32_t noteId;
  int16_t port, channel, key;
  double value;
};

struct GestureEvent
{
  EventHeader header;
  uint32_t id;
};

struct TransportEvent
{
  EventHeader header;
  uint32_t flags;
  int64_t beats, seconds;
  double tempo, tempoIncrement;
  int64_t loopStartBeats, loopEndBeats, loopStartSeconds, loopEndSeconds, barStart;
  int32_t barNumber;
  uint16_t numerator, denominator;
};
inline constexpr uint32_t kTransportPlaying = 16, kTransportHasTempo = 1, kTransportHasSeconds = 4;

struct InputEvents
{
  void* ctx;
  uint32_t (*size)(const InputEvents*);
  const EventHeader* (*get)(const InputEvents*, uint32_t);
};

struct OutputEvents
{
  void* ctx;
  bool (*tryPush)(const OutputEvents*, const EventHeader*);
};

struct AudioBuffer
{
  float** data32;
  double** data64;
  uint32_t channels;
  uint32_t latency;
  uint64_t constantMask;
};

struct Process
{
  int64_t steadyTime;
  uint32_t frames;
  const TransportEvent* transport;
  const AudioBuffer* inputs;
  AudioBuffer* outputs;
  uint32_t inputCount;
  uint32_t outputCount;
  const InputEvents* in;
  const OutputEvents* out;
};

struct PortInfo
{
  uint32_t id;
  char name[256];
  uint32_t flags;
  uint32_t channels;
  const char* type;
  uint32_t inPlacePair;
};

struct AudioPorts
{
  uint32_t (*count)(const Plugin*, bool);
  bool (*get)(const Plugin*, uint32_t, bool, PortInfo*);
};

struct ParamInfo
{
  uint32_t id;
  uint32_t flags;
  void* cookie;
  char name[256];
  char module[1024];
  double min, max, defaultValue;
};
inline constexpr uint32_t kParamStepped = 1, kParamBypass = 16, kParamAutomatable = 32, kParamEnum = 65536;

struct Params
{
  uint32_t (*count)(const Plugin*);
  bool (*info)(const Plugin*, uint32_t, ParamInfo*);
  bool (*value)(const Plugin*, uint32_t, double*);
  bool (*toText)(const Plugin*, uint32_t, double, char*, uint32_t);
  bool (*fromText)(const Plugin*, uint32_t, const char*, double*);
  void (*flush)(const Plugin*, const InputEvents*, const OutputEvents*);
};

struct OStream
{
  void* ctx;
  int64_t (*write)(const OStream*, const void*, uint64_t);
};
struct IStream
{
  void* ctx;
  int64_t (*read)(const IStream*, void*, uint64_t);
};
struct State
{
  bool (*save)(const Plugin*, const OStream*);
  bool (*load)(const Plugin*, const IStream*);
};

struct ThreadCheck
{
  bool (*isMain)(const Host*);
  bool (*isAudio)(const Host*);
};
struct Log
{
  void (*log)(const Host*, int32_t, const char*);
};
struct HostParams
{
  void (*rescan)(const Host*, uint32_t);
  void (*clear)(const Host*, uint32_t, uint32_t);
  void (*requestFlush)(const Host*);
};
struct HostState
{
  void (*markDirty)(const Host*);
};
struct HostTimer
{
  bool (*add)(const Host*, uint32_t, uint32_t*);
  bool (*remove)(const Host*, uint32_t);
};
struct HostFd
{
  bool (*add)(const Host*, int, uint32_t);
  bool (*modify)(const Host*, int, uint32_t);
  bool (*remove)(const Host*, int);
};
struct Window
{
  const char* api;
  void* handle; // the X11 window id (Linux) or the HWND (Windows), in the 8-byte union
};
struct Gui
{
  bool (*isApiSupported)(const Plugin*, const char*, bool);
  bool (*preferredApi)(const Plugin*, const char**, bool*);
  bool (*create)(const Plugin*, const char*, bool);
  void (*destroy)(const Plugin*);
  bool (*setScale)(const Plugin*, double);
  bool (*getSize)(const Plugin*, uint32_t*, uint32_t*);
  bool (*canResize)(const Plugin*);
  bool (*resizeHints)(const Plugin*, void*);
  bool (*adjustSize)(const Plugin*, uint32_t*, uint32_t*);
  bool (*setSize)(const Plugin*, uint32_t, uint32_t);
  bool (*setParent)(const Plugin*, const Window*);
  bool (*setTransient)(const Plugin*, const Window*);
  void (*suggestTitle)(const Plugin*, const char*);
  bool (*show)(const Plugin*);
  bool (*hide)(const Plugin*);
};
struct TimerSupport
{
  void (*onTimer)(const Plugin*, uint32_t);
};
struct FdSupport
{
  void (*onFd)(const Plugin*, int, uint32_t);
};

// The extensions our host uses, with how many functions each vtable holds: a careful
// host refuses an extension with any null function.
struct ExtensionShape
{
  const char* id;
  std::size_t functions;
};
inline constexpr ExtensionShape kPluginExtensions[] = {
    {"clap.audio-ports", 2}, {"clap.audio-ports-config", 3}, {"clap.params", 6}, {"clap.state", 2},
    {"clap.gui", 15},        {"clap.latency", 1},            {"clap.tail", 1},   {"clap.render", 2},
    {"clap.timer-support", 1}, {"clap.posix-fd-support", 1}, {"clap.configurable-audio-ports/1", 2}};

static_assert(sizeof(Entry) == 40 && sizeof(Descriptor) == 88 && sizeof(Plugin) == 96 && sizeof(Host) == 88);
static_assert(sizeof(Process) == 64 && sizeof(AudioBuffer) == 32 && sizeof(ParamValueEvent) == 56 &&
              sizeof(GestureEvent) == 20 && sizeof(TransportEvent) == 104);
static_assert(sizeof(PortInfo) == 288 && sizeof(ParamInfo) == 1320 && offsetof(ParamInfo, min) == 1296);
static_assert(sizeof(Gui) == 120 && sizeof(Window) == 16);
} // namespace claphost::abi
