#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

// One TavrikQuenmark instance driven through one of our hosts (VST3 or AAX), the way a
// host's engine plays a track through it in an offline render: large blocks at the
// file's rate, a transport, parameter changes applied before the next block, readings
// taken from the parameters and from the saved state. Each session has its own host
// objects, so sessions may run on different threads.
namespace quenmark
{
// Frames per process call. Offline renders in hosts run large blocks; the plug-in's
// per-block costs (reading its loudness windows, its readouts) are paid once per block.
inline constexpr int kProcessBlockFrames = 4096;

// A parameter as the session's host names it.
using ParameterId = std::uint32_t;

// The product's parameters, found by title as a host finds them.
struct ProductParameterIds
{
  ParameterId gain;
  ParameterId measure;
  ParameterId target;
  ParameterId mode;
  ParameterId analyze;
  ParameterId normalize;
  ParameterId gate;
};

class PluginSession
{
public:
  virtual ~PluginSession() = default;

  virtual const ProductParameterIds& ids() const noexcept = 0;

  // A plain value (dB, list index, 0 / 1) applied before the next process call, after
  // the ones set before it.
  virtual void set(ParameterId id, double plain) = 0;
  virtual double plainValue(ParameterId id) = 0;
  virtual double defaultPlain(ParameterId id) = 0;
  // The plug-in's own text for a "Measure" index, e.g. "LUFS Int.".
  virtual std::string measureText(int index) = 0;

  virtual void setPlaying(bool playing) = 0;
  virtual void rewindTransport() = 0;
  // Processes planar channels; throws ToolError when the plug-in fails the block.
  virtual void process(const double* const* in, double* const* out, int frames) = 0;
  // A block of no frames that carries the changes set and the transport state.
  virtual void flush() = 0;

  // The level the plug-in measured: "maxpeak" of its state document.
  virtual double measuredLevel() = 0;
  // The gain the plug-in applies: its "Gain" parameter, in dB, as of the last block, as
  // the host shows it.
  virtual double gainDb() = 0;
  // The gain the plug-in applies now, with the changes set so far: one silent frame is
  // processed with the transport stopped (it moves no project time) and the "Gain"
  // readout read. Call it while the transport is stopped.
  double currentGainDb();
};

// A loaded plug-in binary: VST3 or AAX.
class Plugin
{
public:
  virtual ~Plugin() = default;
  virtual std::filesystem::path binaryPath() const = 0;
  // Throws ToolError when the plug-in cannot be created or refuses the channel count.
  virtual std::unique_ptr<PluginSession> openSession(int channels, int sampleRate) = 0;
};

// Whether `path` is an AAX bundle (TavrikQuenmark.aaxplugin) or a module inside one.
bool isAaxBundle(const std::filesystem::path& path);

// Loads the plug-in: `path` when given (a VST3 or an AAX bundle, told by its name, else by
// the entry points of the module found there), else the VST3 bundle of the build tree,
// else ~/.vst3/TavrikQuenmark.vst3. Throws ToolError naming every place it looked.
std::shared_ptr<Plugin> loadPlugin(const std::optional<std::string>& path);

// From the product's saved state: the level it measured ("maxpeak"), and a parameter's
// plain value by name, if the state holds them.
std::optional<double> maxPeakOf(const std::uint8_t* state, std::size_t size);
std::optional<double> savedParameterOf(const std::uint8_t* state, std::size_t size, const std::string& name);
} // namespace quenmark
