#include "tools/claphost/ClapHost.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <poll.h>
#endif

namespace claphost
{
namespace
{
const char* const kFactoryId = "clap.plugin-factory";

// A list of events built by the host for one call.
struct EventList
{
  std::vector<std::vector<uint8_t>> events;
  abi::InputEvents list{this, &EventList::size, &EventList::get};
  static uint32_t size(const abi::InputEvents* l) { return static_cast<uint32_t>(static_cast<EventList*>(l->ctx)->events.size()); }
  static const abi::EventHeader* get(const abi::InputEvents* l, uint32_t i)
  {
    auto& events = static_cast<EventList*>(l->ctx)->events;
    return i < events.size() ? reinterpret_cast<const abi::EventHeader*>(events[i].data()) : nullptr;
  }
  template <typename Event>
  void add(const Event& event)
  {
    std::vector<uint8_t> bytes(sizeof event);
    std::memcpy(bytes.data(), &event, sizeof event);
    events.push_back(std::move(bytes));
  }
};

struct Receiver
{
  std::function<void(const abi::EventHeader&)> take;
  abi::OutputEvents list{this, &Receiver::push};
  static bool push(const abi::OutputEvents* l, const abi::EventHeader* e)
  {
    if (e == nullptr)
      return false;
    static_cast<Receiver*>(l->ctx)->take(*e);
    return true;
  }
};

bool complete(const void* vtable, std::size_t functions)
{
  const auto* slots = static_cast<void* const*>(vtable);
  for (std::size_t i = 0; i < functions; ++i)
    if (slots[i] == nullptr)
      return false;
  return true;
}
} // namespace

// ---- Module ----

Module::Module(const std::string& path)
{
#if defined(_WIN32)
  HMODULE library = LoadLibraryA(path.c_str());
  if (library == nullptr)
    throw std::runtime_error(path + ": cannot be loaded");
  mLibrary = library;
  mEntry = reinterpret_cast<const abi::Entry*>(GetProcAddress(library, "clap_entry"));
#else
  mLibrary = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (mLibrary == nullptr)
    throw std::runtime_error(path + ": " + dlerror());
  mEntry = static_cast<const abi::Entry*>(dlsym(mLibrary, "clap_entry"));
#endif
  open(path);
}

Module::Module(const abi::Entry* entry, const std::string& path) : mEntry(entry)
{
  open(path);
}

void Module::open(const std::string& path)
{
  if (mEntry == nullptr)
    throw std::runtime_error(path + ": no clap_entry symbol");
  if (mEntry->version.major < 1 || mEntry->init == nullptr || mEntry->deinit == nullptr ||
      mEntry->getFactory == nullptr)
    throw std::runtime_error(path + ": incompatible or incomplete entry");
  if (!mEntry->init(path.c_str()))
    throw std::runtime_error(path + ": entry init failed");
  mFactory = static_cast<const abi::Factory*>(mEntry->getFactory(kFactoryId));
  if (mFactory == nullptr || !complete(mFactory, 3) || mFactory->count(mFactory) < 1 ||
      (mDescriptor = mFactory->descriptor(mFactory, 0)) == nullptr)
  {
    mEntry->deinit();
    throw std::runtime_error(path + ": no plug-in factory with a plug-in");
  }
  if (mDescriptor->id == nullptr || mDescriptor->id[0] == '\0' || mDescriptor->name == nullptr ||
      mDescriptor->name[0] == '\0' || mDescriptor->features == nullptr || mDescriptor->version.major < 1)
    mProblems.push_back("descriptor without id, name, features or a compatible version");
}

Module::~Module()
{
  if (liveInstances != 0)
    mProblems.push_back("entry deinit while instances live");
  if (mEntry != nullptr)
    mEntry->deinit();
#if defined(_WIN32)
  if (mLibrary != nullptr)
    FreeLibrary(static_cast<HMODULE>(mLibrary));
#else
  if (mLibrary != nullptr)
    dlclose(mLibrary);
#endif
}

// ---- Instance: host side ----

const void* Instance::hostExtension(const abi::Host*, const char* id)
{
  static const abi::ThreadCheck threadCheck{
      [](const abi::Host* h) { return of(h).onMainThread(); },
      [](const abi::Host* h) { return of(h).onAudioThread(); }};
  static const abi::Log log{[](const abi::Host* h, int32_t severity, const char* message) {
    if (severity >= 3)
      of(h).problem(std::string("plug-in log: ") + (message != nullptr ? message : ""));
  }};
  static const abi::HostParams params{
      [](const abi::Host* h, uint32_t) {
        if (!of(h).onMainThread())
          of(h).problem("params.rescan off the main thread");
        ++of(h).rescans;
      },
      [](const abi::Host* h, uint32_t, uint32_t) {
        if (!of(h).onMainThread())
          of(h).problem("params.clear off the main thread");
      },
      [](const abi::Host* h) {
        if (of(h).onAudioThread())
          of(h).problem("params.request_flush on the audio thread");
        ++of(h).flushRequests;
      }};
  static const abi::HostState state{[](const abi::Host* h) {
    if (!of(h).onMainThread())
      of(h).problem("state.mark_dirty off the main thread");
  }};
  static const abi::HostTimer timer{
      [](const abi::Host* h, uint32_t period, uint32_t* id) {
        Instance& self = of(h);
        if (!self.onMainThread())
          self.problem("register_timer off the main thread");
        if (id == nullptr)
          return false;
        *id = static_cast<uint32_t>(self.mTimers.size() + 100);
        self.mTimers.emplace_back(*id, period);
        return true;
      },
      [](const abi::Host* h, uint32_t id) {
        Instance& self = of(h);
        if (!self.onMainThread())
          self.problem("unregister_timer off the main thread");
        const auto found = std::find_if(self.mTimers.begin(), self.mTimers.end(),
                                        [id](const auto& t) { return t.first == id; });
        if (found == self.mTimers.end())
          return false;
        self.mTimers.erase(found);
        return true;
      }};
  static const abi::HostFd fd{
      [](const abi::Host* h, int f, uint32_t) {
        Instance& self = of(h);
        if (!self.onMainThread())
          self.problem("register_fd off the main thread");
        self.mFds.push_back(f);
        return true;
      },
      [](const abi::Host*, int, uint32_t) { return true; },
      [](const abi::Host* h, int f) {
        Instance& self = of(h);
        const auto found = std::find(self.mFds.begin(), self.mFds.end(), f);
        if (found == self.mFds.end())
          return false;
        self.mFds.erase(found);
        return true;
      }};
  if (id == nullptr)
    return nullptr;
  const std::string name(id);
  if (name == "clap.thread-check")
    return &threadCheck;
  if (name == "clap.log")
    return &log;
  if (name == "clap.params")
    return &params;
  if (name == "clap.state")
    return &state;
  if (name == "clap.timer-support")
    return &timer;
#if !defined(_WIN32)
  if (name == "clap.posix-fd-support")
    return &fd;
#else
  (void)fd; // Windows hosts have no descriptor watching
#endif
  return nullptr;
}

void Instance::problem(const std::string& text)
{
  const std::lock_guard<std::mutex> lock(mJobMutex);
  mModule.problems().push_back(text);
}

Instance::Instance(Module& module) : mModule(module), mMainThread(std::this_thread::get_id())
{
  mHost.version = {1, 2, 10};
  mHost.data = this;
  mHost.name = "claphost";
  mHost.vendor = "Tavrik";
  mHost.url = "";
  mHost.versionText = "1.0";
  mHost.getExtension = &Instance::hostExtension;
  mHost.requestRestart = [](const abi::Host*) {};
  mHost.requestProcess = [](const abi::Host*) {};
  mHost.requestCallback = [](const abi::Host*) {};

  mAudioThread = std::thread([this] { audioLoop(); });
  {
    std::unique_lock<std::mutex> lock(mJobMutex);
    mJobReady.wait(lock, [this] { return mAudioThreadId != std::thread::id(); });
  }

  const abi::Factory& factory = module.factory();
  mPlugin = factory.create(&factory, &mHost, module.descriptor().id);
  if (mPlugin == nullptr || !complete(&mPlugin->init, 10))
    throw std::runtime_error("the factory made no complete plug-in");
  ++mModule.liveInstances;
  if (!mPlugin->init(mPlugin))
  {
    mPlugin->destroy(mPlugin);
    --mModule.liveInstances;
    throw std::runtime_error("plug-in init failed");
  }
  // Every extension the plug-in offers must be complete to be used.
  for (const abi::ExtensionShape& shape : abi::kPluginExtensions)
    if (const void* vtable = mPlugin->getExtension(mPlugin, shape.id); vtable != nullptr &&
                                                                       !complete(vtable, shape.functions))
      problem(std::string("extension with a null function: ") + shape.id);
  mParams = static_cast<const abi::Params*>(mPlugin->getExtension(mPlugin, "clap.params"));
  mState = static_cast<const abi::State*>(mPlugin->getExtension(mPlugin, "clap.state"));
  mPorts = static_cast<const abi::AudioPorts*>(mPlugin->getExtension(mPlugin, "clap.audio-ports"));
  mGui = static_cast<const abi::Gui*>(mPlugin->getExtension(mPlugin, "clap.gui"));
  mTimerSupport = static_cast<const abi::TimerSupport*>(mPlugin->getExtension(mPlugin, "clap.timer-support"));
  mFdSupport = static_cast<const abi::FdSupport*>(mPlugin->getExtension(mPlugin, "clap.posix-fd-support"));
  if (mParams == nullptr || mState == nullptr || mPorts == nullptr)
    problem("params, state or audio-ports missing");
  if (mPlugin->getExtension(mPlugin, "clap.note-ports") != nullptr)
    problem("an audio effect with note ports");
}

Instance::~Instance()
{
  if (mEditorOpen)
    closeEditor();
  deactivate();
  checkGesturesClosed();
  mPlugin->destroy(mPlugin);
  --mModule.liveInstances;
  {
    const std::lock_guard<std::mutex> lock(mJobMutex);
    mStop = true;
  }
  mJobReady.notify_all();
  mAudioThread.join();
}

void Instance::audioLoop()
{
  std::unique_lock<std::mutex> lock(mJobMutex);
  mAudioThreadId = std::this_thread::get_id();
  mJobReady.notify_all();
  for (;;)
  {
    mJobReady.wait(lock, [this] { return mStop || !mJobDone; });
    if (mStop)
      return;
    std::function<void()> job = std::move(mJob);
    lock.unlock();
    job();
    lock.lock();
    mJobDone = true;
    mJobReady.notify_all();
  }
}

void Instance::runOnAudio(const std::function<void()>& job)
{
  std::unique_lock<std::mutex> lock(mJobMutex);
  mJob = job;
  mJobDone = false;
  mJobReady.notify_all();
  mJobReady.wait(lock, [this] { return mJobDone; });
}

std::vector<abi::ParamInfo> Instance::paramInfos() const
{
  std::vector<abi::ParamInfo> infos;
  const uint32_t count = mParams->count(mPlugin);
  for (uint32_t i = 0; i < count; ++i)
  {
    abi::ParamInfo info{};
    if (mParams->info(mPlugin, i, &info))
      infos.push_back(info);
  }
  return infos;
}

uint32_t Instance::paramId(const std::string& name) const
{
  for (const abi::ParamInfo& info : paramInfos())
    if (name == info.name)
      return info.id;
  throw std::runtime_error("no parameter named " + name);
}

double Instance::value(uint32_t id) const
{
  double value = 0.0;
  if (!mParams->value(mPlugin, id, &value))
    throw std::runtime_error("get_value refused");
  return value;
}

std::string Instance::text(uint32_t id, double value) const
{
  char text[64] = "";
  if (!mParams->toText(mPlugin, id, value, text, sizeof text))
    return {};
  return text;
}

uint32_t Instance::channels(bool input) const
{
  abi::PortInfo info{};
  if (mPorts->count(mPlugin, input) != 1 || !mPorts->get(mPlugin, 0, input, &info))
    return 0;
  return info.channels;
}

bool Instance::selectChannels(int channels)
{
  const auto* config = static_cast<const abi::AudioPorts*>(mPlugin->getExtension(mPlugin, "clap.audio-ports-config"));
  if (config == nullptr)
    return false;
  // Its functions: count, get, select; the ids are the ones get reports.
  struct Config
  {
    uint32_t (*count)(const abi::Plugin*);
    bool (*get)(const abi::Plugin*, uint32_t, void*);
    bool (*select)(const abi::Plugin*, uint32_t);
  };
  const auto* configs = reinterpret_cast<const Config*>(config);
  for (uint32_t i = 0; i < configs->count(mPlugin); ++i)
  {
    alignas(8) uint8_t bytes[304] = {};
    if (!configs->get(mPlugin, i, bytes))
      continue;
    uint32_t id = 0, inputChannels = 0;
    std::memcpy(&id, bytes, 4);
    std::memcpy(&inputChannels, bytes + 272, 4);
    if (static_cast<int>(inputChannels) == channels)
      return configs->select(mPlugin, id) && this->channels(true) == static_cast<uint32_t>(channels);
  }
  return false;
}

bool Instance::activate(double sampleRate, uint32_t maxFrames)
{
  if (mActive)
    return false;
  mSampleRate = sampleRate;
  if (!mPlugin->activate(mPlugin, sampleRate, 1, maxFrames))
    return false;
  mActive = true;
  return true;
}

void Instance::deactivate()
{
  if (!mActive)
    return;
  if (mProcessing)
    runOnAudio([this] { mPlugin->stopProcessing(mPlugin); });
  mProcessing = false;
  mPlugin->deactivate(mPlugin);
  mActive = false;
}

void Instance::set(uint32_t id, double plain)
{
  mChanges.emplace_back(id, plain);
}

void Instance::receive(const abi::EventHeader& event)
{
  if (event.space != 0)
    return;
  if (event.type == abi::kParamValue && event.size == sizeof(abi::ParamValueEvent))
  {
    const auto& value = reinterpret_cast<const abi::ParamValueEvent&>(event);
    mOutput.push_back({event.type, value.id, value.value});
  }
  else if ((event.type == abi::kGestureBegin || event.type == abi::kGestureEnd) &&
           event.size == sizeof(abi::GestureEvent))
  {
    const auto& gesture = reinterpret_cast<const abi::GestureEvent&>(event);
    mOutput.push_back({event.type, gesture.id, 0.0});
    const auto open = std::find(mOpenGestures.begin(), mOpenGestures.end(), gesture.id);
    if (event.type == abi::kGestureBegin)
    {
      if (open != mOpenGestures.end())
        problem("gesture begun twice for " + std::to_string(gesture.id));
      else
        mOpenGestures.push_back(gesture.id);
    }
    else if (open == mOpenGestures.end())
      problem("gesture ended without a begin for " + std::to_string(gesture.id));
    else
      mOpenGestures.erase(open);
  }
  else
  {
    problem("output event of unknown type or size");
  }
}

void Instance::checkGesturesClosed()
{
  for (uint32_t id : mOpenGestures)
    problem("gesture never ended for " + std::to_string(id));
  mOpenGestures.clear();
}

bool Instance::process(const double* const* in, double* const* out, uint32_t frames, bool use64)
{
  if (!mActive)
    return false;
  const uint32_t channels = this->channels(true);
  EventList events;
  for (const auto& [id, plain] : mChanges)
  {
    abi::ParamValueEvent value{};
    value.header = {sizeof value, 0, 0, abi::kParamValue, 0};
    value.id = id;
    value.noteId = -1;
    value.port = value.channel = value.key = -1;
    value.value = plain;
    events.add(value);
  }
  mChanges.clear();
  abi::TransportEvent transport{};
  transport.header = {sizeof transport, 0, 0, abi::kTransport, 0};
  transport.flags = abi::kTransportHasTempo | abi::kTransportHasSeconds | (mPlaying ? abi::kTransportPlaying : 0);
  transport.tempo = 120.0;
  transport.seconds = static_cast<int64_t>(static_cast<double>(mSamplePosition) / mSampleRate * 2147483648.0);
  transport.numerator = transport.denominator = 4;

  std::vector<std::vector<float>> in32, out32;
  std::vector<float*> inPointers32, outPointers32;
  std::vector<double*> inPointers64, outPointers64;
  abi::AudioBuffer input{}, output{};
  input.channels = output.channels = channels;
  if (use64)
  {
    for (uint32_t c = 0; c < channels; ++c)
    {
      inPointers64.push_back(const_cast<double*>(in[c]));
      outPointers64.push_back(out[c]);
    }
    input.data64 = inPointers64.data();
    output.data64 = outPointers64.data();
  }
  else
  {
    in32.assign(channels, std::vector<float>(frames));
    out32.assign(channels, std::vector<float>(frames));
    for (uint32_t c = 0; c < channels; ++c)
    {
      std::transform(in[c], in[c] + frames, in32[c].begin(), [](double s) { return static_cast<float>(s); });
      inPointers32.push_back(in32[c].data());
      outPointers32.push_back(out32[c].data());
    }
    input.data32 = inPointers32.data();
    output.data32 = outPointers32.data();
  }
  Receiver receiver;
  receiver.take = [this](const abi::EventHeader& e) { receive(e); };
  abi::Process block{};
  block.steadyTime = mSamplePosition;
  block.frames = frames;
  block.transport = &transport;
  block.inputs = &input;
  block.outputs = &output;
  block.inputCount = block.outputCount = 1;
  block.in = &events.list;
  block.out = &receiver.list;
  int32_t status = 0;
  runOnAudio([&] {
    if (!mProcessing)
      mProcessing = mPlugin->startProcessing(mPlugin);
    status = mProcessing ? mPlugin->process(mPlugin, &block) : 0;
  });
  if (!use64)
    for (uint32_t c = 0; c < channels; ++c)
      std::copy(out32[c].begin(), out32[c].end(), out[c]);
  if (mPlaying)
    mSamplePosition += frames;
  return status != 0;
}

void Instance::flush()
{
  EventList events;
  for (const auto& [id, plain] : mChanges)
  {
    abi::ParamValueEvent value{};
    value.header = {sizeof value, 0, 0, abi::kParamValue, 0};
    value.id = id;
    value.noteId = -1;
    value.port = value.channel = value.key = -1;
    value.value = plain;
    events.add(value);
  }
  mChanges.clear();
  Receiver receiver;
  receiver.take = [this](const abi::EventHeader& e) { receive(e); };
  const auto call = [&] { mParams->flush(mPlugin, &events.list, &receiver.list); };
  if (mProcessing)
  {
    // Never concurrently with process, and not while processing: stop first.
    runOnAudio([this] { mPlugin->stopProcessing(mPlugin); });
    mProcessing = false;
  }
  if (mActive)
    runOnAudio(call);
  else
    call();
}

std::vector<uint8_t> Instance::save(std::size_t chunkBytes, bool* ok)
{
  struct Sink
  {
    std::vector<uint8_t> bytes;
    std::size_t chunk;
  } sink{{}, chunkBytes};
  abi::OStream stream{&sink, [](const abi::OStream* s, const void* data, uint64_t size) -> int64_t {
                        auto& self = *static_cast<Sink*>(s->ctx);
                        const std::size_t n = std::min<std::size_t>(self.chunk, size);
                        const auto* bytes = static_cast<const uint8_t*>(data);
                        self.bytes.insert(self.bytes.end(), bytes, bytes + n);
                        return static_cast<int64_t>(n);
                      }};
  const bool saved = mState->save(mPlugin, &stream);
  if (ok != nullptr)
    *ok = saved;
  return sink.bytes;
}

bool Instance::load(const std::vector<uint8_t>& bytes, std::size_t chunkBytes)
{
  struct Source
  {
    const std::vector<uint8_t>& bytes;
    std::size_t position;
    std::size_t chunk;
  } source{bytes, 0, chunkBytes};
  abi::IStream stream{&source, [](const abi::IStream* s, void* data, uint64_t size) -> int64_t {
                        auto& self = *static_cast<Source*>(s->ctx);
                        const std::size_t n =
                            std::min<std::size_t>({self.chunk, static_cast<std::size_t>(size), self.bytes.size() - self.position});
                        std::memcpy(data, self.bytes.data() + self.position, n);
                        self.position += n;
                        return static_cast<int64_t>(n);
                      }};
  return mState->load(mPlugin, &stream);
}

bool Instance::openEditor(void* parent, uint32_t* width, uint32_t* height)
{
#if defined(_WIN32)
  const char* api = "win32";
#else
  const char* api = "x11";
#endif
  if (mGui == nullptr || !mGui->isApiSupported(mPlugin, api, false) || !mGui->create(mPlugin, api, false))
    return false;
  mGui->setScale(mPlugin, 1.0);
  uint32_t w = 0, h = 0;
  if (mGui->canResize(mPlugin))
    problem("fixed-size editor says it resizes");
  if (!mGui->getSize(mPlugin, &w, &h) || w == 0 || h == 0)
  {
    mGui->destroy(mPlugin);
    return false;
  }
  abi::Window window{api, parent};
  if (!mGui->setParent(mPlugin, &window))
  {
    mGui->destroy(mPlugin);
    return false;
  }
  mGui->show(mPlugin);
  mEditorOpen = true;
  if (width != nullptr)
    *width = w;
  if (height != nullptr)
    *height = h;
  return true;
}

void Instance::closeEditor()
{
  if (!mEditorOpen)
    return;
  mGui->hide(mPlugin);
  mGui->destroy(mPlugin);
  mEditorOpen = false;
  if (!mTimers.empty() || !mFds.empty())
    problem("editor destroyed with timers or descriptors still registered");
}

void Instance::idle()
{
#if !defined(_WIN32)
  for (int fd : std::vector<int>(mFds))
  {
    pollfd watched{fd, POLLIN, 0};
    if (poll(&watched, 1, 0) > 0 && mFdSupport != nullptr)
      mFdSupport->onFd(mPlugin, fd, 1);
  }
#endif
  const auto now = std::chrono::steady_clock::now();
  if (now - mLastTick >= std::chrono::milliseconds(33) && mTimerSupport != nullptr)
  {
    mLastTick = now;
    for (const auto& timer : std::vector<std::pair<uint32_t, uint32_t>>(mTimers))
      mTimerSupport->onTimer(mPlugin, timer.first);
  }
}
} // namespace claphost
