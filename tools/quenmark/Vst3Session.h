#pragma once

#include "tools/quenmark/PluginSession.h"
#include "tools/vst3host/Module.h"
#include "tools/vst3host/PluginInstance.h"
#include "tools/vst3host/ProcessRunner.h"

#include <memory>
#include <optional>
#include <string>

// A session through our VST3 host: 64-bit processing, parameter changes sent in process,
// readings taken from the controller and from the saved state.
namespace quenmark
{
// Loads the VST3 bundle at `path`, or the first found of the usual places when none is
// given.
std::shared_ptr<Plugin> loadVst3Plugin(const std::optional<std::string>& path);

class Vst3Plugin final : public Plugin
{
public:
  explicit Vst3Plugin(std::shared_ptr<vst3host::Module> module) : mModule(std::move(module)) {}
  std::filesystem::path binaryPath() const override { return mModule->binaryPath(); }
  std::unique_ptr<PluginSession> openSession(int channels, int sampleRate) override;
  const std::shared_ptr<vst3host::Module>& module() const noexcept { return mModule; }

private:
  std::shared_ptr<vst3host::Module> mModule;
};

class Vst3Session final : public PluginSession
{
public:
  // Throws ToolError when the plug-in cannot be created or refuses the channel count.
  Vst3Session(std::shared_ptr<vst3host::Module> module, int channels, int sampleRate);
  ~Vst3Session() override;
  Vst3Session(const Vst3Session&) = delete;
  Vst3Session& operator=(const Vst3Session&) = delete;

  const ProductParameterIds& ids() const noexcept override { return mIds; }
  vst3host::PluginInstance& instance() noexcept { return *mInstance; }

  void set(ParameterId id, double plain) override;
  double plainValue(ParameterId id) override;
  double defaultPlain(ParameterId id) override;
  std::string measureText(int index) override;
  void setPlaying(bool playing) override;
  void rewindTransport() override;
  void process(const double* const* in, double* const* out, int frames) override;
  void flush() override;
  // Through getState.
  double measuredLevel() override;
  // The last value the plug-in reported for "Gain" in process (what a host shows), else
  // the controller's value.
  double gainDb() override;

private:

  std::unique_ptr<vst3host::PluginInstance> mInstance;
  std::unique_ptr<vst3host::ProcessRunner> mRunner;
  ProductParameterIds mIds{};
};
} // namespace quenmark
