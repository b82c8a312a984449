// vst3_moduleinfo MODULE NAME VERSION OUTPUT
//
// Loads a built module as a host does and writes what its factory reports as the
// bundle's Contents/Resources/moduleinfo.json, so the file cannot disagree with the
// binary. The output is plain JSON (a subset of the JSON5 hosts parse).

#include "vst3/sdk/helpers/FUID.h"
#include "vst3/sdk/helpers/InterfacePtr.h"
#include "vst3/sdk/interfaces/IPluginFactory.h"
#include "vst3/sdk/hosting/SharedModule.h"
#include "vst3/sdk/interfaces/ModuleExports.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace Steinberg;

namespace
{
std::string Quoted(const char* text)
{
  std::string out = "\"";
  for (const char* p = text; *p != '\0'; ++p)
  {
    const auto c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\')
    {
      out += '\\';
      out += static_cast<char>(c);
    }
    else if (c < 0x20)
    {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    }
    else
    {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// The sub-category text split at each '|', empty items left out.
std::vector<std::string> SubCategories(const char* text)
{
  std::vector<std::string> items;
  std::stringstream stream(text);
  std::string item;
  while (std::getline(stream, item, '|'))
    if (!item.empty())
      items.push_back(item);
  return items;
}

// Buffers filled by the module are cut to their size before they are read.
template <std::size_t N>
const char* Terminated(char (&text)[N])
{
  text[N - 1] = '\0';
  return text;
}

bool WriteModuleInfo(IPluginFactory& factory, const char* name, const char* version, std::ostream& out)
{
  PFactoryInfo info{};
  if (factory.getFactoryInfo(&info) != kResultOk)
    return false;
  IPtr<IPluginFactory2> factory2 = queryFrom<IPluginFactory2>(&factory);
  if (!factory2)
    return false;

  out << "{\n";
  out << "  \"Name\": " << Quoted(name) << ",\n";
  out << "  \"Version\": " << Quoted(version) << ",\n";
  out << "  \"Factory Info\": {\n";
  out << "    \"Vendor\": " << Quoted(Terminated(info.vendor)) << ",\n";
  out << "    \"URL\": " << Quoted(Terminated(info.url)) << ",\n";
  out << "    \"E-Mail\": " << Quoted(Terminated(info.email)) << ",\n";
  const auto flag = [&info](int32 bit) { return (info.flags & bit) != 0 ? "true" : "false"; };
  out << "    \"Flags\": {\n";
  out << "      \"Unicode\": " << flag(PFactoryInfo::kUnicode) << ",\n";
  out << "      \"Classes Discardable\": " << flag(PFactoryInfo::kClassesDiscardable) << ",\n";
  out << "      \"Component Non Discardable\": " << flag(PFactoryInfo::kComponentNonDiscardable) << "\n";
  out << "    }\n";
  out << "  },\n";
  out << "  \"Classes\": [";
  const int32 count = factory.countClasses();
  for (int32 i = 0; i < count; ++i)
  {
    PClassInfo2 entry{};
    if (factory2->getClassInfo2(i, &entry) != kResultOk)
      return false;
    out << (i == 0 ? "\n" : ",\n");
    out << "    {\n";
    out << "      \"CID\": " << Quoted(FUID::fromTUID(entry.cid).toString().c_str()) << ",\n";
    out << "      \"Category\": " << Quoted(Terminated(entry.category)) << ",\n";
    out << "      \"Name\": " << Quoted(Terminated(entry.name)) << ",\n";
    out << "      \"Vendor\": " << Quoted(Terminated(entry.vendor)) << ",\n";
    out << "      \"Version\": " << Quoted(Terminated(entry.version)) << ",\n";
    out << "      \"SDKVersion\": " << Quoted(Terminated(entry.sdkVersion)) << ",\n";
    const std::vector<std::string> items = SubCategories(Terminated(entry.subCategories));
    if (!items.empty())
    {
      out << "      \"Sub Categories\": [";
      for (std::size_t k = 0; k < items.size(); ++k)
        out << (k == 0 ? "" : ", ") << Quoted(items[k].c_str());
      out << "],\n";
    }
    out << "      \"Class Flags\": " << entry.classFlags << ",\n";
    out << "      \"Cardinality\": " << entry.cardinality << "\n";
    out << "    }";
  }
  out << (count > 0 ? "\n  ]\n" : "]\n");
  out << "}\n";
  return static_cast<bool>(out);
}
} // namespace

int main(int argc, char** argv)
{
  if (argc != 5)
  {
    std::fprintf(stderr, "usage: %s MODULE NAME VERSION OUTPUT\n", argv[0]);
    return 2;
  }
  std::string error;
  std::unique_ptr<SharedModule> module = SharedModule::open(argv[1], error);
  if (!module)
  {
    std::fprintf(stderr, "cannot load %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  GetFactoryProc getFactory = module->factoryFunction();
  int status = 1;
  if (!module->hasEntryPair() || getFactory == nullptr || !module->enter())
  {
    std::fprintf(stderr, "%s is not a module: entry functions (%s, GetPluginFactory) missing or refusing\n",
                 argv[1], SharedModule::entryNames());
  }
  else
  {
    {
      auto factory = IPtr<IPluginFactory>::adopt(getFactory());
      std::ostringstream text;
      if (!factory || !WriteModuleInfo(*factory.get(), argv[2], argv[3], text))
      {
        std::fprintf(stderr, "the factory of %s does not describe itself\n", argv[1]);
      }
      else
      {
        std::ofstream file(argv[4], std::ios::binary | std::ios::trunc);
        file << text.str();
        status = file ? 0 : 1;
        if (status != 0)
          std::fprintf(stderr, "cannot write %s\n", argv[4]);
      }
    }
    module->exit();
  }
  return status;
}
