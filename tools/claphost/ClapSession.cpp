#include "tools/claphost/ClapSession.h"

#include "tools/quenmark/ToolError.h"

#include <algorithm>
#include <stdexcept>

namespace quenmark
{
namespace
{
class ClapPlugin final : public Plugin
{
public:
  ClapPlugin(std::shared_ptr<claphost::Module> module, std::filesystem::path path)
      : mModule(std::move(module)), mPath(std::move(path))
  {
  }
  std::filesystem::path binaryPath() const override { return mPath; }
  std::unique_ptr<PluginSession> openSession(int channels, int sampleRate) override
  {
    return std::make_unique<ClapSession>(mModule, channels, sampleRate);
  }

private:
  std::shared_ptr<claphost::Module> mModule;
  std::filesystem::path mPath;
};
} // namespace

std::shared_ptr<Plugin> loadClapPlugin(const std::filesystem::path& path)
{
  try
  {
    return std::make_shared<ClapPlugin>(std::make_shared<claphost::Module>(path.string()), path);
  }
  catch (const std::exception& error)
  {
    throw ToolError(kExitUsage, error.what());
  }
}

ClapSession::ClapSession(std::shared_ptr<claphost::Module> module, int channels, int sampleRate)
    : mModule(std::move(module)), mChannels(channels)
{
  try
  {
    mInstance = std::make_unique<claphost::Instance>(*mModule);
    mIds = {mInstance->paramId("Gain"),    mInstance->paramId("Measure"),   mInstance->paramId("Target Value"),
            mInstance->paramId("Mode"),    mInstance->paramId("Analyze"),   mInstance->paramId("Normalize"),
            mInstance->paramId("Gate")};
  }
  catch (const std::exception& error)
  {
    throw ToolError(kExitFailure, std::string("the plug-in is not TavrikQuenmark: ") + error.what());
  }
  if (channels != 2 && !(channels == 1 && mInstance->selectChannels(1)))
    throw ToolError(kExitUsage, "the plug-in cannot process this file: it takes mono or stereo");
  if (!mInstance->activate(sampleRate, kProcessBlockFrames))
    throw ToolError(kExitUsage, "the plug-in cannot process this file: it refused the sample rate");
}

ClapSession::~ClapSession()
{
  mInstance.reset(); // deactivated and destroyed before the module's deinit
}

double ClapSession::defaultPlain(ParameterId id)
{
  for (const claphost::abi::ParamInfo& info : mInstance->paramInfos())
    if (info.id == id)
      return info.defaultValue;
  return 0.0;
}

void ClapSession::process(const double* const* in, double* const* out, int frames)
{
  for (int start = 0; start < frames; start += kProcessBlockFrames)
  {
    const int n = std::min(kProcessBlockFrames, frames - start);
    const double* inputs[2] = {in[0] + start, mChannels > 1 ? in[1] + start : nullptr};
    double* outputs[2] = {out[0] + start, mChannels > 1 ? out[1] + start : nullptr};
    if (!mInstance->process(inputs, outputs, static_cast<uint32_t>(n)))
      throw ToolError(kExitFailure, "the plug-in failed a block");
  }
  noteReportedGain();
}

void ClapSession::noteReportedGain()
{
  for (const claphost::OutputEvent& event : mInstance->outputEvents())
    if (event.type == claphost::abi::kParamValue && event.id == mIds.gain)
      mReportedGain = event.value;
  mInstance->outputEvents().clear();
}

void ClapSession::flush()
{
  mInstance->flush();
  noteReportedGain();
}

double ClapSession::measuredLevel()
{
  bool ok = false;
  const std::vector<uint8_t> state = mInstance->save(4096, &ok);
  const std::optional<double> level = ok ? maxPeakOf(state.data(), state.size()) : std::nullopt;
  if (!level)
    throw ToolError(kExitFailure, "the plug-in's state document carries no measured level (\"maxpeak\")");
  return *level;
}
} // namespace quenmark
