// quenmark info: the module, its classes, and for each audio effect its buses and
// parameters, all read through the interfaces a host uses.
#include "tools/quenmark/Commands.h"

#include "tools/quenmark/AaxSession.h"
#include "tools/quenmark/Vst3Session.h"
#include "tools/quenmark/ToolError.h"

#include "vst3/sdk/interfaces/IAudioProcessor.h"
#include "vst3/sdk/interfaces/IComponent.h"
#include "vst3/sdk/interfaces/IPluginFactory.h"
#include "vst3/sdk/interfaces/SpeakerArrangement.h"

#include <cstdio>
#include <iomanip>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace quenmark
{
namespace
{
// The largest list a host would show entry by entry.
constexpr int32 kMaxListedSteps = 32;

std::string hex(uint64 value)
{
  char text[24];
  std::snprintf(text, sizeof(text), "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

std::string number(double value)
{
  char text[32];
  std::snprintf(text, sizeof(text), "%g", value);
  return text;
}

std::string joinFlags(const std::vector<std::pair<int64, const char*>>& names, int64 flags)
{
  std::string text;
  for (const auto& [bit, name] : names)
    if ((flags & bit) != 0)
      text += (text.empty() ? "" : ", ") + std::string(name);
  return text.empty() ? "none" : text;
}

std::string arrangementName(SpeakerArrangement arrangement)
{
  switch (arrangement)
  {
  case SpeakerArr::kEmpty: return "empty";
  case SpeakerArr::kMono: return "mono";
  case SpeakerArr::kStereo: return "stereo";
  case SpeakerArr::k30Music: return "3.0 music";
  case SpeakerArr::k50: return "5.0";
  case SpeakerArr::k51: return "5.1";
  case SpeakerArr::kAmbi1stOrderACN: return "first-order ambisonics";
  default: return "custom";
  }
}

std::string inQuotes(const std::string& text)
{
  return "\"" + text + "\"";
}

void describeParameter(vst3host::PluginInstance& plugin, const vst3host::ParameterDescription& parameter,
                       std::ostream& out)
{
  auto text = [&](ParamValue normalized) {
    vst3host::Result<std::string> shown = plugin.valueText(parameter.id, normalized);
    return shown ? inQuotes(shown.value()) : number(plugin.toPlain(parameter.id, normalized));
  };
  out << "  " << std::left << std::setw(12) << hex(parameter.id) << std::right << inQuotes(parameter.title);
  if (!parameter.shortTitle.empty() && parameter.shortTitle != parameter.title)
    out << " (short " << inQuotes(parameter.shortTitle) << ")";
  out << "\n";
  if (parameter.hasFlag(ParameterInfo::kIsList) && parameter.stepCount > 0 && parameter.stepCount <= kMaxListedSteps)
  {
    out << "      list:";
    for (int32 step = 0; step <= parameter.stepCount; ++step)
      out << (step ? " |" : "") << " " << text(static_cast<double>(step) / parameter.stepCount);
    out << "\n";
  }
  else
  {
    out << "      range " << number(plugin.toPlain(parameter.id, 0.)) << " .. " << number(plugin.toPlain(parameter.id, 1.));
    if (!parameter.units.empty())
      out << " " << parameter.units;
    out << (parameter.stepCount == 0 ? ", continuous" : ", " + std::to_string(parameter.stepCount + 1) + " values")
        << "\n";
  }
  if (!parameter.units.empty() && parameter.hasFlag(ParameterInfo::kIsList))
    out << "      units " << inQuotes(parameter.units) << "\n";
  out << "      default " << text(parameter.defaultNormalized) << " (normalized " << number(parameter.defaultNormalized)
      << "), unit " << parameter.unitId << ", flags "
      << joinFlags({{ParameterInfo::kCanAutomate, "automatable"},
                    {ParameterInfo::kIsReadOnly, "read-only"},
                    {ParameterInfo::kIsWrapAround, "wrap-around"},
                    {ParameterInfo::kIsList, "list"},
                    {ParameterInfo::kIsHidden, "hidden"},
                    {ParameterInfo::kIsProgramChange, "program change"},
                    {ParameterInfo::kIsBypass, "bypass"}},
                   parameter.flags)
      << "\n";
}

void describeEffect(const std::shared_ptr<vst3host::Module>& module, const vst3host::ClassDescription& effect,
                    std::ostream& out)
{
  auto created = vst3host::PluginInstance::create(module, effect);
  if (!created)
  {
    out << "  (cannot be created: " << created.message() << ")\n";
    return;
  }
  vst3host::PluginInstance& plugin = *created.value();
  out << "  " << (plugin.isSingleComponent() ? "processor and controller in one object"
                                             : "separate controller object")
      << "; processes " << (plugin.canProcessSampleSize(kSample32) ? "32-bit" : "")
      << (plugin.canProcessSampleSize(kSample32) && plugin.canProcessSampleSize(kSample64) ? " and " : "")
      << (plugin.canProcessSampleSize(kSample64) ? "64-bit" : "") << " samples\n";
  out << "buses:\n";
  for (const vst3host::BusDescription& bus : plugin.buses())
  {
    out << "  " << (bus.mediaType == kAudio ? "audio" : "event") << " " << (bus.direction == kInput ? "input" : "output")
        << " " << bus.index << " " << inQuotes(bus.name) << ": " << bus.channelCount << " channel"
        << (bus.channelCount == 1 ? "" : "s");
    if (bus.mediaType == kAudio)
      if (vst3host::Result<SpeakerArrangement> arrangement = plugin.busArrangement(bus.direction, bus.index))
        out << " (" << arrangementName(arrangement.value()) << ", " << hex(arrangement.value()) << ")";
    out << ", " << (bus.busType == kMain ? "main" : "aux")
        << ((bus.flags & BusInfo::kDefaultActive) ? ", active by default" : "") << "\n";
  }
  const std::vector<vst3host::ParameterDescription> parameters = plugin.parameters();
  out << "parameters (" << parameters.size() << "):\n";
  for (const vst3host::ParameterDescription& parameter : parameters)
    describeParameter(plugin, parameter, out);
  const std::vector<vst3host::UnitDescription> units = plugin.units();
  if (!units.empty())
  {
    out << "units:\n";
    for (const vst3host::UnitDescription& unit : units)
      out << "  " << unit.id << " " << inQuotes(unit.name) << ", parent " << unit.parentId << "\n";
  }
  for (const vst3host::ProgramListDescription& list : plugin.programLists())
  {
    out << "program list " << hex(static_cast<uint32>(list.id)) << " " << inQuotes(list.name) << ":";
    for (const std::string& name : list.programNames)
      out << " " << inQuotes(name);
    out << "\n";
  }
  out << "latency " << plugin.latencySamples() << " samples, tail " << plugin.tailSamples() << " samples\n";
}
// The AAX module as an AAX host sees it: its effects, their components, and the
// parameters of an instance of the first effect with their steps, defaults and texts.
int channelsOf(int64_t stemFormat) { return aaxhost::abi::StemChannelCount(static_cast<int32_t>(stemFormat)); }

void describeAax(const AaxPlugin& plugin, std::ostream& out)
{
  out << "module " << plugin.binaryPath().string() << " (AAX)\n";
  const aaxhost::Collection& description = plugin.module().Description();
  for (const auto& [id, effect] : description.Effects())
  {
    out << "effect " << inQuotes(id) << ": " << effect->Components().size() << " components\n";
    for (std::size_t c = 0; c < effect->Components().size(); ++c)
    {
      const aaxhost::ComponentDescriptor& component = *effect->Components()[c];
      out << "  component " << c << ": "
          << channelsOf(component.Property(aaxhost::abi::kPropertyInputStemFormat)) << " in, "
          << channelsOf(component.Property(aaxhost::abi::kPropertyOutputStemFormat)) << " out, native "
          << inQuotes(aaxhost::FourCC(static_cast<uint32_t>(component.Property(aaxhost::abi::kPropertyPlugInIDNative))))
          << "\n";
    }
  }
  const aaxhost::EffectDescriptor& effect = *description.Effects().front().second;
  std::string error;
  const std::unique_ptr<aaxhost::Instance> instance =
    aaxhost::Instance::Create(effect, static_cast<int>(effect.Components().size()) - 1, 48000., error);
  if (!instance)
    throw ToolError(kExitFailure, "creating the plug-in: " + error);
  aaxhost::abi::IEffectParametersV4& parameters = instance->Parameters();
  const std::vector<AaxParameter> list = aaxParameters(parameters);
  out << "parameters (" << list.size() << "):\n";
  for (const AaxParameter& parameter : list)
  {
    double normalized = 0.;
    parameters.GetParameterDefaultNormalizedValue(parameter.id.c_str(), &normalized);
    aaxhost::HostString shown;
    parameters.GetParameterStringFromValue(parameter.id.c_str(), normalized, &shown, 64);
    out << "  " << inQuotes(parameter.id) << " " << inQuotes(parameter.name) << ": "
        << (parameter.discrete ? "discrete" : "continuous") << ", " << parameter.steps << " steps, default "
        << inQuotes(shown.Text());
    if (!parameter.discrete)
      out << ", " << number(parameter.minimum) << " to " << number(parameter.maximum);
    else if (parameter.steps <= kMaxListedSteps)
    {
      out << ", values";
      for (int step = 0; step < parameter.steps; ++step)
      {
        aaxhost::HostString text;
        parameters.GetParameterStringFromValue(parameter.id.c_str(), parameter.toNormalized(step), &text, 64);
        out << " " << inQuotes(text.Text());
      }
    }
    out << "\n";
  }
  int32_t chunks = 0;
  parameters.GetNumberOfChunks(&chunks);
  out << "chunks " << chunks << "\n";
}
} // namespace

int runInfo(const Options& options, std::ostream& out)
{
  const std::shared_ptr<Plugin> loaded = loadPlugin(options.pluginPath);
  if (const auto* aax = dynamic_cast<const AaxPlugin*>(loaded.get()))
  {
    describeAax(*aax, out);
    return kExitOk;
  }
  const std::shared_ptr<vst3host::Module> module = dynamic_cast<const Vst3Plugin&>(*loaded).module();
  const vst3host::FactoryDescription& factory = module->factoryDescription();
  out << "module " << module->binaryPath().string() << "\n"
      << "factory: vendor " << inQuotes(factory.vendor) << ", url " << inQuotes(factory.url) << ", e-mail "
      << inQuotes(factory.email) << ", flags "
      << joinFlags({{PFactoryInfo::kClassesDiscardable, "classes discardable"},
                    {PFactoryInfo::kLicenseCheck, "license check"},
                    {PFactoryInfo::kComponentNonDiscardable, "component non-discardable"},
                    {PFactoryInfo::kUnicode, "unicode"}},
                   factory.flags)
      << "\n";
  for (std::size_t index = 0; index < module->classes().size(); ++index)
  {
    const vst3host::ClassDescription& description = module->classes()[index];
    out << "class " << index << ": " << inQuotes(description.name) << ", category " << inQuotes(description.category)
        << ", sub-categories " << inQuotes(description.subCategories) << "\n"
        << "  id " << description.cid.toString() << ", version " << inQuotes(description.version) << ", sdk "
        << inQuotes(description.sdkVersion) << ", vendor " << inQuotes(description.vendor) << ", cardinality "
        << (description.cardinality == PClassInfo::kManyInstances ? std::string("many")
                                                                  : std::to_string(description.cardinality))
        << ", class flags " << hex(description.classFlags) << "\n";
    if (description.isAudioEffect())
      describeEffect(module, description, out);
  }
  return kExitOk;
}
} // namespace quenmark
