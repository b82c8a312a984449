#include "tools/quenmark/Vst3Session.h"

#include "tools/quenmark/ToolError.h"

#include <cstdlib>

#ifndef QUENMARK_BUILD_TREE_BUNDLE
#define QUENMARK_BUILD_TREE_BUNDLE ""
#endif

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace quenmark
{
namespace
{
[[noreturn]] void fail(const std::string& what, const vst3host::Status& status)
{
  throw ToolError(kExitFailure, what + ": " + status.message());
}
} // namespace

std::shared_ptr<Plugin> loadVst3Plugin(const std::optional<std::string>& path)
{
  std::vector<std::filesystem::path> candidates;
  if (path)
    candidates.push_back(*path);
  else
  {
    if (std::string(QUENMARK_BUILD_TREE_BUNDLE).size() > 0)
      candidates.push_back(QUENMARK_BUILD_TREE_BUNDLE);
    if (const char* home = std::getenv("HOME"); home && *home)
      candidates.push_back(std::filesystem::path(home) / ".vst3" / "TavrikQuenmark.vst3");
#if defined(_WIN32)
    // The folder every Windows VST3 host searches (C:\Program Files\Common Files\VST3).
    if (const char* common = std::getenv("CommonProgramFiles"); common && *common)
      candidates.push_back(std::filesystem::path(common) / "VST3" / "TavrikQuenmark.vst3");
#endif
  }
  std::string tried;
  for (const std::filesystem::path& candidate : candidates)
  {
    std::error_code error;
    if (!path && !std::filesystem::exists(candidate, error))
    {
      tried += "\n  " + candidate.string() + ": not there";
      continue;
    }
    vst3host::Result<std::shared_ptr<vst3host::Module>> module = vst3host::Module::load(candidate);
    if (module)
      return std::make_shared<Vst3Plugin>(module.take());
    if (path)
      throw ToolError(kExitUsage, module.message());
    tried += "\n  " + module.message();
  }
  throw ToolError(kExitFailure, "no TavrikQuenmark plug-in found (give one with --plugin PATH); looked at:" + tried);
}

std::unique_ptr<PluginSession> Vst3Plugin::openSession(int channels, int sampleRate)
{
  return std::make_unique<Vst3Session>(mModule, channels, sampleRate);
}

Vst3Session::Vst3Session(std::shared_ptr<vst3host::Module> module, int channels, int sampleRate)
{
  vst3host::Result<vst3host::ClassDescription> effect = module->firstAudioEffect();
  if (!effect)
    fail("the plug-in", effect.status());
  auto context = IPtr<HostApplication>::adopt(new HostApplication());
  auto instance = vst3host::PluginInstance::create(module, effect.value(), context);
  if (!instance)
    fail("creating the plug-in", instance.status());
  mInstance = instance.take();

  auto idOf = [this](const char* title) {
    vst3host::Result<vst3host::ParameterDescription> parameter = mInstance->parameterTitled(title);
    if (!parameter)
      fail("the plug-in is not TavrikQuenmark", parameter.status());
    return parameter.value().id;
  };
  mIds = {idOf("Gain"),    idOf("Measure"),   idOf("Target Value"), idOf("Mode"),
          idOf("Analyze"), idOf("Normalize"), idOf("Gate")};

  vst3host::RunnerConfig config;
  config.symbolicSampleSize = kSample64;
  config.sampleRate = sampleRate;
  config.maxBlockFrames = kProcessBlockFrames;
  config.channels = channels;
  config.processMode = kOffline; // a file render: no real-time deadline
  auto runner = vst3host::ProcessRunner::start(*mInstance, config);
  if (!runner)
    throw ToolError(kExitUsage, "the plug-in cannot process this file: " + runner.message());
  mRunner = runner.take();
}

Vst3Session::~Vst3Session()
{
  mRunner.reset(); // stops processing and deactivates before the instance is terminated
  mInstance.reset();
}

void Vst3Session::set(ParameterId id, double plain)
{
  mRunner->queueChange(id, mInstance->toNormalized(id, plain));
}

double Vst3Session::plainValue(ParameterId id)
{
  return mInstance->toPlain(id, mInstance->normalizedValue(id));
}

double Vst3Session::defaultPlain(ParameterId id)
{
  for (const vst3host::ParameterDescription& parameter : mInstance->parameters())
    if (parameter.id == id)
      return mInstance->toPlain(id, parameter.defaultNormalized);
  return 0.;
}

std::string Vst3Session::measureText(int index)
{
  vst3host::Result<std::string> text =
    mInstance->valueText(mIds.measure, mInstance->toNormalized(mIds.measure, static_cast<double>(index)));
  return text ? text.value() : std::string();
}

void Vst3Session::setPlaying(bool playing)
{
  mRunner->setPlaying(playing);
}

void Vst3Session::rewindTransport()
{
  mRunner->relocate(0);
}

void Vst3Session::process(const double* const* in, double* const* out, int frames)
{
  if (vst3host::Status status = mRunner->process(in, out, frames); !status)
    fail("the plug-in failed", status);
}

void Vst3Session::flush()
{
  if (vst3host::Status status = mRunner->flush(); !status)
    fail("the plug-in failed", status);
}

double Vst3Session::measuredLevel()
{
  vst3host::Result<std::vector<uint8>> state = mInstance->saveState();
  if (!state)
    fail("reading the plug-in's state", state.status());
  const std::optional<double> level = maxPeakOf(state.value().data(), state.value().size());
  if (!level)
    throw ToolError(kExitFailure, "the plug-in's state document carries no measured level (\"maxpeak\")");
  return *level;
}

double Vst3Session::gainDb()
{
  // The value the controller reads back now: the plug-in's own while it moves, which a
  // report (made a few times a second) may trail.
  return plainValue(mIds.gain);
}

} // namespace quenmark
