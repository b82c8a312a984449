// Cost of the editor's work on the UI thread, at display scale 1, on the product's own
// editor: a full draw pass, a pass after only the three readouts changed, and an idle
// timer tick; with, in the same run, the floor of one plain cairo fill of the whole
// surface. Each case reports one pass (or tick) as one "frame".
#include "BenchReport.h"

#include "product/TavrikQuenmark.h"

#include "WDL/IPlug/IGraphicsHeadless.h"
#include "ycairo/ICairoControls.h"

#include <cairo.h>

#include <memory>
#include <string>

namespace
{
using Steinberg::IPtr;

struct LiveEditor
{
  LiveEditor() : plug(IPtr<TavrikQuenmark>::adopt(new TavrikQuenmark)), editor(*dynamic_cast<IGraphicsHeadless*>(plug->GetGUI()))
  {
    editor.OpenEditorWindow(nullptr);
    editor.Tick();
    editor.Tick();
  }
  ICairoLabel& label(int index) { return static_cast<ICairoLabel&>(*editor.ControlAt(index)); }

  IPtr<TavrikQuenmark> plug;
  IGraphicsHeadless& editor;
};

void FullPass(benchmark::State& state)
{
  LiveEditor e;
  for (auto _ : state)
    e.editor.DrawArea({0, 0, 300, 280}, 1.0);
  setFramesPerIteration(state, 1);
}

// What the editor's timer does at 30 frames per second while audio runs: the three
// readouts get new texts, the tick collects them and draws that area.
void ReadoutsPass(benchmark::State& state)
{
  LiveEditor e;
  ICairoLabel& level = e.label(e.plug->ReadoutLabels().LevelIndex());
  ICairoLabel& unit = e.label(e.plug->ReadoutLabels().UnitIndex());
  ICairoLabel& gain = e.label(e.plug->ReadoutLabels().GainIndex());
  const std::string levels[] = {"-23.4", "-18.9"};
  const std::string units[] = {"LUFS", "dBFS"};
  const std::string gains[] = {"+2.1 dB", "-4.8 dB"};
  int frame = 0;
  for (auto _ : state)
  {
    const int i = frame++ & 1;
    level.SetText(levels[i]);
    unit.SetText(units[i]);
    gain.SetText(gains[i]);
    level.MarkDirty(false);
    unit.MarkDirty(false);
    gain.MarkDirty(false);
    e.editor.ClearPresentedAreas();
    e.editor.Tick();
  }
  setFramesPerIteration(state, 1);
}

void IdleTick(benchmark::State& state)
{
  LiveEditor e;
  for (auto _ : state)
    e.editor.Tick();
  setFramesPerIteration(state, 1);
}

void CairoFill(benchmark::State& state)
{
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 300, 280);
  cairo_t* cr = cairo_create(surface);
  int frame = 0;
  for (auto _ : state)
  {
    const double grey = (frame++ & 1) ? 0.25 : 0.2;
    cairo_set_source_rgb(cr, grey, grey, grey);
    cairo_rectangle(cr, 0, 0, 300, 280);
    cairo_fill(cr);
    cairo_surface_flush(surface);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  setFramesPerIteration(state, 1);
}
}

BENCHMARK(FullPass)->Name("Editor/FullPass");
BENCHMARK(ReadoutsPass)->Name("Editor/ReadoutsPass");
BENCHMARK(IdleTick)->Name("Editor/IdleTick");
BENCHMARK(CairoFill)->Name("Editor/CairoFill");

int main(int argc, char** argv)
{
  return runWithRatios(argc, argv,
                       {{"Editor/FullPass", "Editor/CairoFill", 0.0},
                        {"Editor/ReadoutsPass", "Editor/FullPass", 0.25},
                        {"Editor/IdleTick", "Editor/CairoFill", 0.0}},
                       {{"Editor/ReadoutsPass", 1e9 / 30 * 0.01, "30 readout passes a second within 1 % of a core"},
                        {"Editor/IdleTick", 1000.0, "an idle tick under 1 us"}});
}
