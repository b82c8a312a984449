#pragma once

#include "tools/vst3host/Module.h"
#include "tools/vst3host/PluginInstance.h"
#include "tools/vst3host/ProcessRunner.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

// One TavrikQuenmark instance driven through our VST3 host, the way a host's engine
// plays a track through it in an offline render: 64-bit processing at the file's rate,
// large blocks, a transport, parameter changes sent in process, readings taken from the
// controller and from the saved state. Each session has its own host objects, so
// sessions may run on different threads.
namespace quenmark
{
// Frames per process call. Offline renders in hosts run large blocks; the plug-in's
// per-block costs (reading its loudness windows, its readouts) are paid once per block.
inline constexpr int kProcessBlockFrames = 4096;

// Loads the plug-in: `path` when given, else the bundle of the build tree, else
// ~/.vst3/TavrikQuenmark.vst3. Throws ToolError naming every place it looked.
std::shared_ptr<vst3host::Module> loadPlugin(const std::optional<std::string>& path);

// The product's parameters, found by title as a host finds them.
struct ProductParameterIds
{
  Steinberg::Vst::ParamID gain;
  Steinberg::Vst::ParamID measure;
  Steinberg::Vst::ParamID target;
  Steinberg::Vst::ParamID mode;
  Steinberg::Vst::ParamID analyze;
  Steinberg::Vst::ParamID normalize;
  Steinberg::Vst::ParamID gate;
};

class PluginSession
{
public:
  // Throws ToolError when the plug-in cannot be created or refuses the channel count.
  PluginSession(std::shared_ptr<vst3host::Module> module, int channels, int sampleRate);
  ~PluginSession();
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

  const ProductParameterIds& ids() const noexcept { return mIds; }
  vst3host::PluginInstance& instance() noexcept { return *mInstance; }

  // A plain value (dB, list index, 0 / 1) sent with the next process call, after the
  // ones queued before it.
  void set(Steinberg::Vst::ParamID id, double plain);
  double plainValue(Steinberg::Vst::ParamID id);
  double defaultPlain(Steinberg::Vst::ParamID id);
  // The plug-in's own text for a "Measure" index, e.g. "LUFS Int.".
  std::string measureText(int index);

  void setPlaying(bool playing);
  void rewindTransport();
  // Processes planar channels; throws ToolError when the plug-in fails the block.
  void process(const double* const* in, double* const* out, int frames);
  // A block of no frames that carries the queued changes and the transport state.
  void flush();

  // The level the plug-in measured: "maxpeak" of its state document (through getState).
  double measuredLevel();
  // The gain the plug-in applies: its "Gain" parameter, in dB, as of the last block: the
  // last value the plug-in reported for it in process (what a host shows), else the
  // controller's value.
  double gainDb();
  // The gain the plug-in applies now, with the changes queued so far: one silent frame
  // is processed with the transport stopped (it moves no project time) and the "Gain"
  // readout read. Call it while the transport is stopped.
  double currentGainDb();

private:
  void noteReportedGain();

  std::unique_ptr<vst3host::PluginInstance> mInstance;
  std::unique_ptr<vst3host::ProcessRunner> mRunner;
  ProductParameterIds mIds{};
  std::optional<Steinberg::Vst::ParamValue> mReportedGain; // normalized
};
} // namespace quenmark
