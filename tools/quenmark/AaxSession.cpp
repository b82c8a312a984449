#include "tools/quenmark/AaxSession.h"

#include "tools/quenmark/ToolError.h"


#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quenmark
{
namespace
{
using aaxhost::HostString;
using aaxhost::abi::AAX_Result;
using aaxhost::abi::AAX_SUCCESS;

constexpr int32_t kDiscrete = 0;
constexpr int32_t kContinuous = 1;

[[noreturn]] void fail(const std::string& what, AAX_Result result)
{
  throw ToolError(kExitFailure, what + " (AAX error " + std::to_string(result) + ")");
}

std::string textOf(aaxhost::abi::IEffectParametersV4& parameters, const std::string& id, double normalized)
{
  HostString text;
  if (parameters.GetParameterStringFromValue(id.c_str(), normalized, &text, 64) != AAX_SUCCESS)
    return {};
  return text.Text();
}

// The number a value's text starts with ("-60.0 dB" reads -60).
double numberIn(const std::string& text, const std::string& name)
{
  const char* start = text.c_str();
  char* end = nullptr;
  const double value = std::strtod(start, &end);
  if (end == start || !std::isfinite(value))
    throw ToolError(kExitFailure, "the plug-in's \"" + name + "\" shows no number at its ends: \"" + text + "\"");
  return value;
}
} // namespace

double AaxParameter::toPlain(double normalized) const
{
  if (discrete)
    return std::round(normalized * (steps - 1));
  return minimum + normalized * (maximum - minimum);
}

double AaxParameter::toNormalized(double plain) const
{
  const double normalized = discrete ? plain / (steps - 1) : (plain - minimum) / (maximum - minimum);
  return std::isfinite(normalized) ? std::clamp(normalized, 0., 1.) : 0.;
}

std::vector<AaxParameter> aaxParameters(aaxhost::abi::IEffectParametersV4& parameters)
{
  int32_t count = 0;
  if (const AAX_Result result = parameters.GetNumberOfParameters(&count); result != AAX_SUCCESS)
    fail("the plug-in does not count its parameters", result);
  std::vector<AaxParameter> list;
  for (int32_t index = 0; index < count; ++index)
  {
    HostString id;
    HostString name;
    AaxParameter parameter;
    int32_t type = kContinuous;
    if (parameters.GetParameterIDFromIndex(index, &id) != AAX_SUCCESS ||
        parameters.GetParameterName(id.Get(), &name) != AAX_SUCCESS ||
        parameters.GetParameterNumberOfSteps(id.Get(), &parameter.steps) != AAX_SUCCESS ||
        parameters.GetParameterType(id.Get(), &type) != AAX_SUCCESS)
      throw ToolError(kExitFailure, "the plug-in does not describe its parameter " + std::to_string(index));
    parameter.id = id.Text();
    parameter.name = name.Text();
    parameter.discrete = type == kDiscrete && parameter.steps > 1;
    if (!parameter.discrete)
    {
      parameter.minimum = numberIn(textOf(parameters, parameter.id, 0.), parameter.name);
      parameter.maximum = numberIn(textOf(parameters, parameter.id, 1.), parameter.name);
    }
    list.push_back(std::move(parameter));
  }
  return list;
}

std::filesystem::path AaxPlugin::binaryIn(const std::filesystem::path& bundle)
{
  return aaxhost::Module::BinaryIn(bundle);
}

std::shared_ptr<Plugin> loadAaxPlugin(const std::filesystem::path& path)
{
  std::string error;
  std::shared_ptr<aaxhost::Module> module = aaxhost::Module::Load(path, error);
  if (!module)
    throw ToolError(kExitUsage, "cannot load the AAX plug-in " + path.string() + ": " + error);
  if (module->Description().Effects().empty())
    throw ToolError(kExitUsage, "the AAX plug-in " + path.string() + " describes no effect");
  std::error_code ignored;
  return std::make_shared<AaxPlugin>(std::move(module),
                                     std::filesystem::is_directory(path, ignored) ? AaxPlugin::binaryIn(path) : path);
}

std::unique_ptr<PluginSession> AaxPlugin::openSession(int channels, int sampleRate)
{
  return std::make_unique<AaxSession>(mModule, channels, sampleRate);
}

AaxSession::AaxSession(std::shared_ptr<aaxhost::Module> module, int channels, int sampleRate)
    : mModule(std::move(module))
{
  const aaxhost::EffectDescriptor& effect = *mModule->Description().Effects().front().second;
  int component = -1;
  for (std::size_t c = 0; c < effect.Components().size(); ++c)
    if (aaxhost::abi::StemChannelCount(static_cast<int32_t>(
            effect.Components()[c]->Property(aaxhost::abi::kPropertyInputStemFormat))) == channels)
      component = static_cast<int>(c);
  if (component < 0)
    throw ToolError(kExitUsage, "the AAX plug-in has no component for " + std::to_string(channels) + " channels");
  std::string error;
  mInstance = aaxhost::Instance::Create(effect, component, sampleRate, error);
  if (!mInstance)
    throw ToolError(kExitFailure, "creating the plug-in: " + error);

  mParameters = aaxParameters(mInstance->Parameters());
  auto idOf = [this](const char* title) {
    for (std::size_t i = 0; i < mParameters.size(); ++i)
      if (mParameters[i].name == title)
        return static_cast<ParameterId>(i);
    throw ToolError(kExitFailure, std::string("the plug-in is not TavrikQuenmark: it has no parameter \"") + title + "\"");
  };
  mIds = {idOf("Gain"),    idOf("Measure"),   idOf("Target Value"), idOf("Mode"),
          idOf("Analyze"), idOf("Normalize"), idOf("Gate")};

  const auto size = static_cast<std::size_t>(kProcessBlockFrames);
  mIn.assign(static_cast<std::size_t>(mInstance->InputChannels()), std::vector<float>(size));
  mOut.assign(static_cast<std::size_t>(mInstance->OutputChannels()), std::vector<float>(size));
  for (auto& channel : mIn)
    mInPointers.push_back(channel.data());
  for (auto& channel : mOut)
    mOutPointers.push_back(channel.data());
}

AaxSession::~AaxSession()
{
  mInstance.reset(); // before the module may go
}

void AaxSession::set(ParameterId id, double plain)
{
  mChanges.emplace_back(id, mParameters.at(id).toNormalized(plain));
}

double AaxSession::plainValue(ParameterId id)
{
  const AaxParameter& parameter = mParameters.at(id);
  double normalized = 0.;
  if (const AAX_Result result = mInstance->Parameters().GetParameterNormalizedValue(parameter.id.c_str(), &normalized);
      result != AAX_SUCCESS)
    fail("reading \"" + parameter.name + "\"", result);
  return parameter.toPlain(normalized);
}

double AaxSession::defaultPlain(ParameterId id)
{
  const AaxParameter& parameter = mParameters.at(id);
  double normalized = 0.;
  if (mInstance->Parameters().GetParameterDefaultNormalizedValue(parameter.id.c_str(), &normalized) != AAX_SUCCESS)
    return 0.;
  return parameter.toPlain(normalized);
}

std::string AaxSession::measureText(int index)
{
  const AaxParameter& measure = mParameters.at(mIds.measure);
  return textOf(mInstance->Parameters(), measure.id, measure.toNormalized(index));
}

void AaxSession::setPlaying(bool playing)
{
  mInstance->HostTransport().playing = playing;
}

void AaxSession::rewindTransport()
{
  mInstance->HostTransport().sample = 0;
  mInstance->HostTransport().ticks = 0;
}

// The host's automation: each change touched, set and released, then the posted values
// delivered back to the plug-in before the next block.
void AaxSession::applyChanges()
{
  for (const auto& [id, normalized] : mChanges)
    if (const AAX_Result result = mInstance->Edit(mParameters[id].id, normalized); result != AAX_SUCCESS)
      fail("setting \"" + mParameters[id].name + "\"", result);
  mChanges.clear();
  mInstance->DeliverAutomation();
}

void AaxSession::render(int frames)
{
  applyChanges();
  mInstance->Render(mInPointers.data(), mOutPointers.data(), frames);
  mInstance->DeliverAutomation(); // what the plug-in posted from the render
}

void AaxSession::process(const double* const* in, double* const* out, int frames)
{
  const auto count = static_cast<std::size_t>(frames);
  if (count > mIn.front().size())
  {
    for (std::size_t c = 0; c < mIn.size(); ++c)
      mIn[c].resize(count), mInPointers[c] = mIn[c].data();
    for (std::size_t c = 0; c < mOut.size(); ++c)
      mOut[c].resize(count), mOutPointers[c] = mOut[c].data();
  }
  for (std::size_t c = 0; c < mIn.size(); ++c)
    std::transform(in[c], in[c] + count, mIn[c].begin(), [](double x) { return static_cast<float>(x); });
  render(frames);
  for (std::size_t c = 0; c < mOut.size(); ++c)
    std::copy(mOut[c].begin(), mOut[c].begin() + static_cast<std::ptrdiff_t>(count), out[c]);
}

void AaxSession::flush()
{
  render(0);
}

std::vector<char> AaxSession::chunk() const
{
  aaxhost::abi::AAX_CTypeID id = 0;
  std::vector<char> data;
  if (const AAX_Result result = mInstance->SaveChunk(id, data); result != AAX_SUCCESS)
    fail("reading the plug-in's chunk", result);
  return data;
}

double AaxSession::measuredLevel()
{
  const std::vector<char> state = chunk();
  const std::optional<double> level = maxPeakOf(reinterpret_cast<const std::uint8_t*>(state.data()), state.size());
  if (!level)
    throw ToolError(kExitFailure, "the plug-in's state document carries no measured level (\"maxpeak\")");
  return *level;
}

// The product's "Gain" readout follows the engine on every block without being posted to
// the host's automation, so the host's own value of it stays where it was set; the
// plug-in's chunk holds the readout (the state document's "params").
double AaxSession::gainDb()
{
  const std::vector<char> state = chunk();
  const std::optional<double> gain = savedParameterOf(reinterpret_cast<const std::uint8_t*>(state.data()),
                                                      state.size(), mParameters[mIds.gain].name);
  if (gain)
    return *gain;
  throw ToolError(kExitFailure, "the plug-in's state document carries no \"Gain\"");
}
} // namespace quenmark
