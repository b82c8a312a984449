#pragma once

#include "tools/claphost/ClapHost.h"
#include "tools/quenmark/PluginSession.h"

#include <filesystem>
#include <memory>
#include <optional>

// A quenmark session through our CLAP host: the instance for the file's channel count
// (mono through the ports config), 64-bit blocks of at most kProcessBlockFrames on the
// host's audio thread, parameters as plain values before the next block, readings from
// the parameters and the state document.
namespace quenmark
{
// Loads TavrikQuenmark.clap at `path`; throws ToolError (usage) when it cannot.
std::shared_ptr<Plugin> loadClapPlugin(const std::filesystem::path& path);

class ClapSession final : public PluginSession
{
public:
  ClapSession(std::shared_ptr<claphost::Module> module, int channels, int sampleRate);
  ~ClapSession() override;

  const ProductParameterIds& ids() const noexcept override { return mIds; }
  void set(ParameterId id, double plain) override { mInstance->set(id, plain); }
  double plainValue(ParameterId id) override { return mInstance->value(id); }
  double defaultPlain(ParameterId id) override;
  std::string measureText(int index) override { return mInstance->text(mIds.measure, index); }
  void setPlaying(bool playing) override { mInstance->setPlaying(playing); }
  void rewindTransport() override { mInstance->rewind(); }
  void process(const double* const* in, double* const* out, int frames) override;
  void flush() override;
  double measuredLevel() override;
  // The "Gain" the plug-in last reported to the host, as the host shows it.
  double gainDb() override { return mReportedGain ? *mReportedGain : mInstance->value(mIds.gain); }

private:
  void noteReportedGain();

  std::shared_ptr<claphost::Module> mModule;
  std::optional<double> mReportedGain;
  std::unique_ptr<claphost::Instance> mInstance;
  ProductParameterIds mIds{};
  int mChannels = 2;
};
} // namespace quenmark
