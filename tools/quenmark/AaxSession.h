#pragma once

#include "tools/aaxhost/Instance.h"
#include "tools/aaxhost/Module.h"
#include "tools/quenmark/PluginSession.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// A session through our AAX host: the component for the file's channel count, 32-bit
// rendering through the algorithm context (the file's samples converted each way),
// parameters set by touch / set / release and delivered back as a host does, readings
// taken from the host's parameter values and from the plug-in's chunk (its state
// document).
namespace quenmark
{
// Loads the AAX bundle (or module) at `path`; throws ToolError (usage) when it cannot.
std::shared_ptr<Plugin> loadAaxPlugin(const std::filesystem::path& path);

class AaxPlugin final : public Plugin
{
public:
  AaxPlugin(std::shared_ptr<aaxhost::Module> module, std::filesystem::path binary)
      : mModule(std::move(module)), mBinary(std::move(binary))
  {
  }
  // The module inside a bundle folder on this platform.
  static std::filesystem::path binaryIn(const std::filesystem::path& bundle);
  std::filesystem::path binaryPath() const override { return mBinary; }
  std::unique_ptr<PluginSession> openSession(int channels, int sampleRate) override;
  const aaxhost::Module& module() const noexcept { return *mModule; }

private:
  std::shared_ptr<aaxhost::Module> mModule;
  std::filesystem::path mBinary;
};

// How the host turns a parameter's normalized value into the plug-in's plain value: an
// index for a stepped list, else linear between the values the plug-in shows at 0 and 1.
struct AaxParameter
{
  std::string id;
  std::string name;
  int steps = 0;
  bool discrete = false;
  double minimum = 0.;
  double maximum = 1.;

  double toPlain(double normalized) const;
  double toNormalized(double plain) const;
};

// The parameters of one AAX instance as the host sees them, in the plug-in's order.
std::vector<AaxParameter> aaxParameters(aaxhost::abi::IEffectParametersV4& parameters);

class AaxSession final : public PluginSession
{
public:
  // Throws ToolError when no component takes `channels` or the instance cannot be made.
  AaxSession(std::shared_ptr<aaxhost::Module> module, int channels, int sampleRate);
  ~AaxSession() override;
  AaxSession(const AaxSession&) = delete;
  AaxSession& operator=(const AaxSession&) = delete;

  const ProductParameterIds& ids() const noexcept override { return mIds; }

  void set(ParameterId id, double plain) override;
  double plainValue(ParameterId id) override;
  double defaultPlain(ParameterId id) override;
  std::string measureText(int index) override;
  void setPlaying(bool playing) override;
  void rewindTransport() override;
  void process(const double* const* in, double* const* out, int frames) override;
  void flush() override;
  // Through the plug-in's chunk.
  double measuredLevel() override;
  // The "Gain" readout, through the plug-in's chunk.
  double gainDb() override;

private:
  std::vector<char> chunk() const;
  void applyChanges();
  void render(int frames);

  std::shared_ptr<aaxhost::Module> mModule;
  std::unique_ptr<aaxhost::Instance> mInstance;
  std::vector<AaxParameter> mParameters;
  ProductParameterIds mIds{};
  std::vector<std::pair<ParameterId, double>> mChanges; // normalized, in the order set
  std::vector<std::vector<float>> mIn;
  std::vector<std::vector<float>> mOut;
  std::vector<const float*> mInPointers;
  std::vector<float*> mOutPointers;
};
} // namespace quenmark
