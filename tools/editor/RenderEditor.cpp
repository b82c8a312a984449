// quenmark-editor: renders the editor of a live TavrikQuenmark instance to PNG. The VST3
// plug-in object is created in-process, set up and fed the embedded demo programme
// through process() with a playing transport, the way a host plays a track, so the
// readouts show what it measured; then its editor is drawn by the memory window layer
// at display scales 1 and 2.
//
//   quenmark-editor [OUTPUT_DIR] [SECONDS]   writes editor.png and editor@2x.png

#include "product/TavrikQuenmark.h"
#include "tools/demo/Programme.h"
#include "tools/vst3host/HostApplication.h"

#include "WDL/IPlug/IGraphicsHeadless.h"
#include "ycairo/ycairo_gui.h"

#include "vst3/sdk/interfaces/ProcessContext.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
constexpr int kBlockFrames = 512;
constexpr double kSampleRate = 48000.0;

// Plays `programme` through the plug-in's process() in host-sized blocks.
bool Play(TavrikQuenmark& plug, const Programme& programme)
{
  std::vector<double> outLeft(kBlockFrames), outRight(kBlockFrames);
  ProcessContext context{};
  context.state = ProcessContext::kPlaying | ProcessContext::kTempoValid;
  context.sampleRate = kSampleRate;
  context.tempo = 120.0;
  for (int start = 0; start < programme.frames(); start += kBlockFrames)
  {
    const int frames = std::min(kBlockFrames, programme.frames() - start);
    double* in[2] = {const_cast<double*>(programme.left.data()) + start,
                     const_cast<double*>(programme.right.data()) + start};
    double* out[2] = {outLeft.data(), outRight.data()};
    AudioBusBuffers inBus{};
    inBus.numChannels = 2;
    inBus.channelBuffers64 = in;
    AudioBusBuffers outBus{};
    outBus.numChannels = 2;
    outBus.channelBuffers64 = out;
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample64;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.processContext = &context;
    if (plug.process(data) != kResultOk)
      return false;
    context.projectTimeSamples += frames;
  }
  return true;
}

bool Render(IGraphicsHeadless& editor, double scale, const std::filesystem::path& path)
{
  editor.SetDisplayScale(scale);
  editor.Tick(); // formats the readouts and draws everything
  const std::string name = path.string(); // narrow on every platform, for cairo and the report
  if (!ycairo_write_png(editor.Screen(), name.c_str()))
  {
    std::fprintf(stderr, "quenmark-editor: cannot write %s\n", name.c_str());
    return false;
  }
  std::printf("%s (%d x %d)\n", name.c_str(), editor.Screen().Width(), editor.Screen().Height());
  return true;
}
}

int main(int argc, char** argv)
{
  const std::filesystem::path outputDir = argc > 1 ? argv[1] : ".";
  const double seconds = argc > 2 ? std::atof(argv[2]) : 6.0;
  if (!(seconds > 0.0) || seconds > 600.0)
  {
    std::fprintf(stderr, "usage: quenmark-editor [OUTPUT_DIR] [SECONDS (0 .. 600)]\n");
    return 2;
  }
  std::error_code error;
  std::filesystem::create_directories(outputDir, error);

  auto host = IPtr<HostApplication>::adopt(new HostApplication(u"quenmark-editor"));
  auto plug = IPtr<TavrikQuenmark>::adopt(new TavrikQuenmark);
  ProcessSetup setup{kRealtime, kSample64, kBlockFrames, kSampleRate};
  if (plug->initialize(host->unknown()) != kResultOk || plug->setupProcessing(setup) != kResultOk ||
      plug->setActive(1) != kResultOk)
  {
    std::fprintf(stderr, "quenmark-editor: the plug-in refused its set-up\n");
    return 1;
  }
  plug->setProcessing(1);
  // "LUFS Int." so the readout shows a loudness with its unit.
  plug->SetParameterFromGUI(kMeasure, plug->ParamAt(kMeasure)->ToNormalized(4));

  auto* editor = dynamic_cast<IGraphicsHeadless*>(plug->GetGUI());
  if (editor == nullptr)
  {
    std::fprintf(stderr, "quenmark-editor: the plug-in has no editor that draws into memory\n");
    return 1;
  }
  editor->OpenEditorWindow(nullptr);

  const bool played = Play(*plug.get(), MakeDefaultProgramme(static_cast<int>(kSampleRate), seconds));
  plug->setProcessing(0);
  if (!played)
  {
    std::fprintf(stderr, "quenmark-editor: process failed\n");
    return 1;
  }
  std::printf("after %.1f s of the demo programme: level %s %s, gain %s\n", seconds,
              Readouts::LevelText(plug->ReadoutValues().level()).c_str(),
              Readouts::UnitText(plug->ReadoutValues().measure(), plug->ReadoutValues().level()).c_str(),
              Readouts::GainText(plug->ReadoutValues().gainDb()).c_str());

  const bool ok = Render(*editor, 1.0, outputDir / "editor.png") && Render(*editor, 2.0, outputDir / "editor@2x.png");
  editor->CloseEditorWindow();
  plug->setActive(0);
  plug->terminate();
  return ok ? 0 : 1;
}
