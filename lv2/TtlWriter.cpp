// Writes the bundle's Turtle files (manifest.ttl, TavrikQuenmark.ttl, presets.ttl) from
// the product itself: names, ranges, defaults, units and list texts come from its
// parameters, the port indices from Lv2Ports, so the description always agrees with the
// module. Usage: lv2_ttl BUNDLE_DIR DSP_BINARY_NAME VERSION_MINOR VERSION_MICRO UI_BINARY_NAME

#include "lv2/Lv2Ports.h"
#include "product/TavrikQuenmark.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace
{
std::string Symbol(const char* name)
{
  std::string symbol;
  for (const char* c = name; *c != '\0'; ++c)
    symbol += std::isalnum(static_cast<unsigned char>(*c)) ? static_cast<char>(std::tolower(*c)) : '_';
  return symbol;
}

std::string Quoted(const std::string& text)
{
  std::string out = "\"";
  for (const char c : text)
  {
    if (c == '"' || c == '\\')
      out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string Number(double value)
{
  char text[64];
  std::snprintf(text, sizeof text, "%.6g", value);
  std::string out = text;
  if (out.find_first_of(".e") == std::string::npos)
    out += ".0";
  return out;
}

// units: terms for the labels the parameters carry; a parameter whose unit follows
// another parameter (the target's follows the measure) gets none.
std::string UnitFor(const IPlugParam& param, int index)
{
  if (std::string(param.LabelForHost()) == "dB" || index == kGate)
    return "units:db";
  return "";
}

bool Write(const std::string& path, const std::string& text)
{
  std::ofstream file(path, std::ios::binary);
  file << text;
  return static_cast<bool>(file);
}
} // namespace

int main(int argc, char** argv)
{
  if (argc != 6)
  {
    std::fprintf(stderr, "usage: lv2_ttl BUNDLE_DIR DSP_BINARY_NAME VERSION_MINOR VERSION_MICRO UI_BINARY_NAME\n");
    return 2;
  }
  const std::string dir = argv[1];
  const std::string binary = argv[2];
  TavrikQuenmark plug;
  Lv2Ports ports;
  ports.paramCount = static_cast<std::uint32_t>(plug.ParamCount());

  const std::string prefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                               "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
                               "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                               "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                               "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                               "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                               "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                               "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                               "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                               "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
                               "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                               "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                               "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
                               "@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n\n";
  const std::string plugin = "<" QUENMARK_LV2_URI ">";
  const std::string preset = "<" QUENMARK_LV2_URI "#preset-default>";

  std::ostringstream manifest;
  manifest << prefixes << plugin << "\n  a lv2:Plugin ;\n  lv2:binary <" << binary << "> ;\n"
           << "  rdfs:seeAlso <TavrikQuenmark.ttl> .\n\n"
           << preset << "\n  a pset:Preset ;\n  lv2:appliesTo " << plugin << " ;\n"
           << "  rdfs:seeAlso <presets.ttl> .\n\n"
           << "<" QUENMARK_LV2_UI_URI ">\n  a ui:X11UI ;\n  ui:binary <" << argv[5] << "> ;\n"
           << "  lv2:requiredFeature ui:parent ;\n  lv2:optionalFeature ui:resize, ui:touch, urid:map ;\n"
           << "  lv2:extensionData ui:idleInterface ;\n"
           << "  ui:portNotification [ ui:plugin " << plugin << " ; lv2:symbol \"notify\" ; ui:notifyType atom:Object ] .\n";

  std::ostringstream ttl;
  ttl << prefixes << "<https://tavrik.example/>\n  a foaf:Person ;\n  foaf:name \"Tavrik\" ;\n"
      << "  foaf:homepage <https://tavrik.example/> .\n\n"
      << "<" QUENMARK_LV2_URI "#project>\n  a doap:Project ;\n  doap:name \"TavrikQuenmark\" ;\n"
      << "  doap:maintainer <https://tavrik.example/> .\n\n"
      << plugin << "\n  a lv2:Plugin, lv2:AmplifierPlugin ;\n  doap:name \"TavrikQuenmark\" ;\n"
      << "  doap:license <https://tavrik.example/license> ;\n"
      << "  lv2:minorVersion " << argv[3] << " ;\n  lv2:microVersion " << argv[4] << " ;\n"
      << "  lv2:project <" QUENMARK_LV2_URI "#project> ;\n"
      // Hard real-time capability is the plug-in's promise, not something the host hands
      // in: as a required feature, hosts that check it against those they offer refuse
      // the plug-in. Nothing is required: without features it runs on its control ports.
      << "  lv2:optionalFeature lv2:hardRTCapable, urid:map, opts:options, bufsz:boundedBlockLength ;\n"
      << "  opts:supportedOption bufsz:maxBlockLength, bufsz:nominalBlockLength ;\n"
      << "  lv2:extensionData state:interface ;\n"
      << "  ui:ui <" QUENMARK_LV2_UI_URI "> ;\n";

  const char* const channelNames[] = {"Left", "Right"};
  const char* const channelSymbols[] = {"l", "r"};
  std::ostringstream portList;
  const auto portStart = [&portList](bool first) { portList << (first ? "  lv2:port [\n" : " , [\n"); };
  bool first = true;
  for (int direction = 0; direction < 2; ++direction)
    for (std::uint32_t c = 0; c < Lv2Ports::kAudioChannels; ++c)
    {
      portStart(first);
      first = false;
      const bool in = direction == 0;
      portList << "    a lv2:AudioPort, " << (in ? "lv2:InputPort" : "lv2:OutputPort") << " ;\n"
               << "    lv2:index " << (in ? Lv2Ports::AudioIn(c) : Lv2Ports::AudioOut(c)) << " ;\n"
               << "    lv2:symbol \"" << (in ? "in_" : "out_") << channelSymbols[c] << "\" ;\n"
               << "    lv2:name \"" << (in ? "Input " : "Output ") << channelNames[c] << "\"\n  ]";
    }
  portStart(false);
  portList << "    a lv2:InputPort, atom:AtomPort ;\n    atom:bufferType atom:Sequence ;\n"
           << "    atom:supports time:Position ;\n    lv2:designation lv2:control ;\n"
           << "    lv2:portProperty lv2:connectionOptional ;\n"
           << "    lv2:index " << Lv2Ports::Control() << " ;\n    lv2:symbol \"control\" ;\n"
           << "    lv2:name \"Control\"\n  ]";
  portStart(false);
  portList << "    a lv2:OutputPort, atom:AtomPort ;\n    atom:bufferType atom:Sequence ;\n"
           << "    lv2:portProperty lv2:connectionOptional ;\n"
           << "    lv2:index " << Lv2Ports::Notify() << " ;\n    lv2:symbol \"notify\" ;\n"
           << "    lv2:name \"Notify\"\n  ]";

  std::ostringstream presetValues;
  for (int i = 0; i < plug.ParamCount(); ++i)
  {
    const IPlugParam& param = *plug.ParamAt(i);
    portStart(false);
    portList << "    a lv2:InputPort, lv2:ControlPort ;\n    lv2:index " << ports.Param(static_cast<std::uint32_t>(i))
             << " ;\n    lv2:symbol \"" << Symbol(param.NameForHost()) << "\" ;\n"
             << "    lv2:name " << Quoted(param.NameForHost()) << " ;\n"
             << "    lv2:default " << Number(param.Default()) << " ;\n"
             << "    lv2:minimum " << Number(param.Min()) << " ;\n"
             << "    lv2:maximum " << Number(param.Max());
    if (param.Kind() == kKindBool)
      portList << " ;\n    lv2:portProperty lv2:toggled";
    else if (param.Kind() == kKindEnum)
    {
      portList << " ;\n    lv2:portProperty lv2:integer, lv2:enumeration";
      for (int k = 0; k < param.DisplayTextCount(); ++k)
      {
        int value = 0;
        const char* text = param.DisplayTextAt(k, &value);
        portList << " ;\n    lv2:scalePoint [ rdfs:label " << Quoted(text) << " ; rdf:value " << value << " ]";
      }
    }
    if (const std::string unit = UnitFor(param, i); !unit.empty())
      portList << " ;\n    units:unit " << unit;
    portList << "\n  ]";
    const PresetSlot* slot = plug.PresetAt(0);
    presetValues << "  lv2:port [ lv2:symbol \"" << Symbol(param.NameForHost()) << "\" ; pset:value "
                 << Number(slot != nullptr && i < static_cast<int>(slot->values.size()) ? slot->values[static_cast<size_t>(i)]
                                                                                         : param.Default())
                 << " ] ;\n";
  }
  portStart(false);
  portList << "    a lv2:InputPort, lv2:ControlPort ;\n    lv2:index " << ports.Enabled() << " ;\n"
           << "    lv2:symbol \"enabled\" ;\n    lv2:name \"Enabled\" ;\n    lv2:designation lv2:enabled ;\n"
           << "    lv2:default 1 ;\n    lv2:minimum 0 ;\n    lv2:maximum 1 ;\n"
           << "    lv2:portProperty lv2:toggled, lv2:integer\n  ]";
  const char* const readoutSymbols[] = {"level", "applied_gain"};
  const char* const readoutNames[] = {"Level", "Applied Gain"};
  const double readoutMin[] = {-100.0, -100.0};
  const double readoutMax[] = {30.0, 60.0};
  for (std::uint32_t k = 0; k < Lv2Ports::kReadoutCount; ++k)
  {
    portStart(false);
    portList << "    a lv2:OutputPort, lv2:ControlPort ;\n    lv2:index " << ports.Readout(k) << " ;\n"
             << "    lv2:symbol \"" << readoutSymbols[k] << "\" ;\n    lv2:name \"" << readoutNames[k] << "\" ;\n"
             << "    lv2:default " << Number(readoutMin[k]) << " ;\n    lv2:minimum " << Number(readoutMin[k])
             << " ;\n    lv2:maximum " << Number(readoutMax[k]) << (k == 1 ? " ;\n    units:unit units:db" : "")
             << "\n  ]";
  }
  ttl << portList.str() << " .\n";

  std::ostringstream presets;
  presets << prefixes << "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n\n"
          << preset << "\n  a pset:Preset ;\n  lv2:appliesTo " << plugin << " ;\n"
          << "  rdfs:label \"Default\" ;\n"
          << presetValues.str() << "  lv2:port [ lv2:symbol \"enabled\" ; pset:value 1.0 ] .\n";

  const std::string ttlText = ttl.str();
  const std::string withRdf =
      ttlText.substr(0, prefixes.size()) + "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n" +
      ttlText.substr(prefixes.size());
  if (!Write(dir + "/manifest.ttl", manifest.str()) || !Write(dir + "/TavrikQuenmark.ttl", withRdf) ||
      !Write(dir + "/presets.ttl", presets.str()))
  {
    std::fprintf(stderr, "lv2_ttl: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
