#pragma once

#include "tools/claphost/Abi.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Our CLAP host: it loads a .clap library, creates instances and drives them the way a
// careful host does (main thread for main-thread calls, its own audio thread for process),
// and records every breach of the interface's rules it sees, from either side, as a
// problem text. Used by the tests and by quenmark --plugin X.clap.
namespace claphost
{
// A loaded library whose entry was initialised; deinit runs at destruction. Instances
// still alive then are a problem (deinit must come last).
class Module
{
public:
  // Throws std::runtime_error naming what failed.
  explicit Module(const std::string& path);
  // An entry linked into this program (in-process tests).
  Module(const abi::Entry* entry, const std::string& path);
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  const abi::Factory& factory() const { return *mFactory; }
  const abi::Descriptor& descriptor() const { return *mDescriptor; }
  std::vector<std::string>& problems() { return mProblems; }
  int liveInstances = 0;

private:
  void open(const std::string& path);
  void* mLibrary = nullptr;
  const abi::Entry* mEntry = nullptr;
  const abi::Factory* mFactory = nullptr;
  const abi::Descriptor* mDescriptor = nullptr;
  std::vector<std::string> mProblems;
};

// One output event as the host received it.
struct OutputEvent
{
  uint16_t type;
  uint32_t id;
  double value; // param value events only
};

class Instance
{
public:
  // Creates and initialises the plug-in of the module's first descriptor; throws
  // std::runtime_error when it cannot.
  explicit Instance(Module& module);
  // Stops, deactivates, closes the editor and destroys.
  ~Instance();
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  const abi::Plugin& plugin() const { return *mPlugin; }
  const abi::Params& params() const { return *mParams; }
  std::vector<abi::ParamInfo> paramInfos() const;
  // The ID of the parameter with that name; throws when there is none.
  uint32_t paramId(const std::string& name) const;
  double value(uint32_t id) const;
  std::string text(uint32_t id, double value) const;
  uint32_t channels(bool input) const;

  // Selects mono (1) or stereo (2) through the ports config, while inactive.
  bool selectChannels(int channels);
  bool activate(double sampleRate, uint32_t maxFrames);
  void deactivate();

  // Queued for the next process or flush, in the order set.
  void set(uint32_t id, double plain);
  void setPlaying(bool playing) { mPlaying = playing; }
  void rewind() { mSamplePosition = 0; }
  // Runs one block on the host's audio thread; 64-bit samples when in64, else 32-bit
  // converted both ways. False when the plug-in answered an error.
  bool process(const double* const* in, double* const* out, uint32_t frames, bool use64 = true);
  // params.flush: on the audio thread while active, else here.
  void flush();

  // The state through streams that move at most chunkBytes per call.
  std::vector<uint8_t> save(std::size_t chunkBytes = 7, bool* ok = nullptr);
  bool load(const std::vector<uint8_t>& bytes, std::size_t chunkBytes = 5);

  // The editor: create, size, parent, show, hide, destroy, as an embedding host does.
  bool openEditor(void* parent, uint32_t* width = nullptr, uint32_t* height = nullptr);
  void closeEditor();
  // Serves the timers and descriptors the plug-in registered (main thread).
  void idle();
  // The periods of the timers the plug-in holds now, and its watched descriptors.
  std::vector<uint32_t> timerPeriods() const
  {
    std::vector<uint32_t> periods;
    for (const auto& timer : mTimers)
      periods.push_back(timer.second);
    return periods;
  }
  std::size_t watchedDescriptors() const { return mFds.size(); }

  std::vector<OutputEvent>& outputEvents() { return mOutput; }
  std::vector<std::string>& problems() { return mModule.problems(); }
  void problem(const std::string& text);
  bool onAudioThread() const { return std::this_thread::get_id() == mAudioThreadId; }
  // Runs job on the host's audio thread and waits for it (benchmarks drive process
  // from there directly).
  void runOnAudio(const std::function<void()>& job);
  bool onMainThread() const { return std::this_thread::get_id() == mMainThread; }
  int flushRequests = 0;
  int rescans = 0;

private:
  static Instance& of(const abi::Host* host) { return *static_cast<Instance*>(host->data); }
  static const void* hostExtension(const abi::Host* host, const char* id);
  void audioLoop();
  void receive(const abi::EventHeader& event);
  void checkGesturesClosed();

  Module& mModule;
  abi::Host mHost{};
  const abi::Plugin* mPlugin = nullptr;
  const abi::Params* mParams = nullptr;
  const abi::State* mState = nullptr;
  const abi::AudioPorts* mPorts = nullptr;
  const abi::Gui* mGui = nullptr;
  const abi::TimerSupport* mTimerSupport = nullptr;
  const abi::FdSupport* mFdSupport = nullptr;
  bool mActive = false;
  bool mProcessing = false;
  bool mEditorOpen = false;
  bool mPlaying = false;
  int64_t mSamplePosition = 0;
  double mSampleRate = 48000.0;
  std::vector<std::pair<uint32_t, double>> mChanges;
  std::vector<OutputEvent> mOutput;
  std::vector<uint32_t> mOpenGestures;
  std::vector<std::pair<uint32_t, uint32_t>> mTimers; // id, period
  std::vector<int> mFds;
  std::chrono::steady_clock::time_point mLastTick{};

  std::thread::id mMainThread;
  std::thread::id mAudioThreadId;
  std::thread mAudioThread;
  std::mutex mJobMutex;
  std::condition_variable mJobReady;
  std::function<void()> mJob;
  bool mJobDone = true;
  bool mStop = false;
};
} // namespace claphost
