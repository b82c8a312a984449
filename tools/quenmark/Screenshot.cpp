#include "tools/quenmark/Screenshot.h"

#include "tools/demo/Programme.h"
#include "tools/quenmark/Vst3Session.h"
#include "tools/quenmark/ToolError.h"
#include "tools/vst3host/EditorHost.h"

#include <chrono>
#include <iostream>
#include <optional>

namespace quenmark
{
namespace
{
constexpr int kSampleRate = 48000;
constexpr int kBlockFrames = 512;
constexpr int kIntegratedMeasure = 4; // "LUFS Int."
}

int runScreenshot(const std::vector<std::string>& args)
{
  std::optional<std::string> output, plugin;
  double seconds = 6.0;
  for (std::size_t i = 0; i < args.size(); ++i)
  {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--plugin" && hasValue)
      plugin = args[++i];
    else if (arg == "--seconds" && hasValue)
    {
      try
      {
        seconds = std::stod(args[++i]);
      }
      catch (const std::exception&)
      {
        seconds = -1;
      }
      if (!(seconds >= 0.0 && seconds <= 600.0))
        throw ToolError(kExitUsage, "--seconds takes a number from 0 to 600");
    }
    else if (!output && !arg.empty() && arg[0] != '-')
      output = arg;
    else
      throw ToolError(kExitUsage, "usage: quenmark screenshot OUT.png [--plugin PATH] [--seconds N]");
  }
  if (!output)
    throw ToolError(kExitUsage, "usage: quenmark screenshot OUT.png [--plugin PATH] [--seconds N]");

  const std::shared_ptr<Plugin> loaded = loadPlugin(plugin);
  const auto* vst3 = dynamic_cast<const Vst3Plugin*>(loaded.get());
  if (vst3 == nullptr)
    throw ToolError(kExitUsage, "screenshot is not available for the AAX plug-in: give the VST3 bundle");
  Vst3Session session(vst3->module(), 2, kSampleRate);
  const ProductParameterIds& id = session.ids();
  session.set(id.mode, 0.);
  session.set(id.measure, kIntegratedMeasure);
  session.set(id.analyze, 1.);
  session.setPlaying(true);
  session.flush();
  const Programme programme = MakeDefaultProgramme(kSampleRate, seconds);
  std::vector<double> left(kBlockFrames), right(kBlockFrames);
  for (int start = 0; start < programme.frames(); start += kBlockFrames)
  {
    const int frames = std::min(kBlockFrames, programme.frames() - start);
    const double* in[2] = {programme.left.data() + start, programme.right.data() + start};
    double* out[2] = {left.data(), right.data()};
    session.process(in, out, frames);
  }

  std::string error;
  auto editor = vst3host::EditorHost::open(*session.instance().controller(), error);
  if (!editor)
    throw ToolError(kExitFailure, "cannot open the editor: " + error);
  // Long enough for several timer ticks: the readouts take the measured values.
  editor->run(std::chrono::milliseconds(600));
  if (!editor->writeScreenshot(*output))
    throw ToolError(kExitFailure, "cannot write " + *output);
  std::cout << "wrote " << *output << " (" << editor->width() << " x " << editor->height() << ")\n";
  return kExitOk;
}
} // namespace quenmark
