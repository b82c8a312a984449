#include "tools/quenmark/LoudnessPlot.h"

#include "tools/quenmark/Options.h"
#include "tools/quenmark/ToolError.h"

#include "ycairo/ycairo_resources.h"
#include "ycairo/ycairo_text.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace quenmark
{
namespace
{
// Layout in picture units (pixels at scale 1).
constexpr double kLeft = 66.;
constexpr double kRight = kPlotWidth - 24.;
constexpr double kTop = 88.;
constexpr double kBottom = kPlotHeight - 54.;
// Levels below this are not drawn: loudness meters gate them away.
constexpr double kFloorLufs = -70.;
constexpr double kMaxSpanLu = 60.;
constexpr double kMinSpanLu = 12.;

struct Rgb
{
  double r, g, b;
};
constexpr Rgb kInk{0.20, 0.20, 0.22};
constexpr Rgb kGrid{0.88, 0.89, 0.91};
constexpr Rgb kInputMomentary{0.66, 0.74, 0.86};
constexpr Rgb kInputShortTerm{0.12, 0.33, 0.66};
constexpr Rgb kBeforeMomentary{0.80, 0.80, 0.80};
constexpr Rgb kBeforeShortTerm{0.55, 0.55, 0.55};
constexpr Rgb kOutputMomentary{0.98, 0.76, 0.56};
constexpr Rgb kOutputShortTerm{0.85, 0.38, 0.05};
constexpr Rgb kTarget{0.10, 0.58, 0.24};
constexpr Rgb kPlugin{0.55, 0.22, 0.62};
constexpr Rgb kOver{0.84, 0.10, 0.10};

EditorColor editorColor(const Rgb& rgb)
{
  return {255, static_cast<int>(rgb.r * 255.), static_cast<int>(rgb.g * 255.), static_cast<int>(rgb.b * 255.)};
}

std::string format(const char* pattern, double value)
{
  char text[64];
  std::snprintf(text, sizeof(text), pattern, value);
  return text;
}

// "1:05", "1:02:05" past an hour, "0:01.5" for steps under a second.
std::string timeLabel(double seconds, double step, bool hours)
{
  const auto tenths = static_cast<long long>(std::llround(seconds * 10.));
  const long long whole = tenths / 10;
  char text[32];
  if (hours)
    std::snprintf(text, sizeof(text), "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
  else if (step < 1.)
    std::snprintf(text, sizeof(text), "%lld:%02lld.%lld", whole / 60, whole % 60, tenths % 10);
  else
    std::snprintf(text, sizeof(text), "%lld:%02lld", whole / 60, whole % 60);
  return text;
}

// The smallest of `steps` that divides `span` into at most `most` parts.
double stepFor(double span, const std::vector<double>& steps, double most)
{
  for (double step : steps)
    if (span / step <= most)
      return step;
  return steps.back() * std::ceil(span / steps.back() / most);
}

class Painter
{
public:
  Painter(cairo_t* context, PlotImage& image) : mContext(context), mImage(image)
  {
    mText.LoadFontResource(kFontResourceForLabels, kResourceTypeRawData, nullptr);
  }

  // Draws `text` in the box and returns its width.
  double text(const std::string& text, double size, const Rgb& color, double left, double top, double right,
              double bottom, int horizontal, int vertical = ycairo_text::kMiddle)
  {
    const EditorRect box{static_cast<int>(std::lround(left)), static_cast<int>(std::lround(top)),
                         static_cast<int>(std::lround(right)), static_cast<int>(std::lround(bottom))};
    mText.DrawAlignedText(mContext, text.c_str(), size, editorColor(color), box, horizontal, vertical);
    mImage.texts.push_back(text);
    cairo_text_extents_t extents{};
    cairo_text_extents(mContext, text.c_str(), &extents);
    return extents.x_advance;
  }

  void line(double x0, double y0, double x1, double y1, const Rgb& color, double width, double alpha = 1.)
  {
    cairo_set_source_rgba(mContext, color.r, color.g, color.b, alpha);
    cairo_set_line_width(mContext, width);
    cairo_move_to(mContext, x0, y0);
    cairo_line_to(mContext, x1, y1);
    cairo_stroke(mContext);
  }

  cairo_t* context() { return mContext; }

private:
  cairo_t* mContext;
  PlotImage& mImage;
  ycairo_text mText;
};

bool hasLoudness(const LoudnessSeries& series)
{
  for (float value : series.momentaryLufs)
    if (value > kFloorLufs)
      return true;
  return false;
}

// One series as a line; long ones as the range each pixel column covers, so the path
// stays about as long as the picture is wide. Gaps where nothing is above the floor.
void drawSeries(cairo_t* context, const PlotImage& image, const LoudnessSeries& series,
                const std::vector<float>& values, const Rgb& color, double width)
{
  cairo_save(context);
  cairo_rectangle(context, image.left, image.top, image.right - image.left, image.bottom - image.top);
  cairo_clip(context);
  cairo_set_source_rgb(context, color.r, color.g, color.b);
  cairo_set_line_width(context, width);
  cairo_set_line_join(context, CAIRO_LINE_JOIN_ROUND);
  const double columns = image.right - image.left;
  const bool dense = static_cast<double>(values.size()) > 2. * columns;
  bool drawing = false;
  auto point = [&](double x, double lufs) {
    if (!(lufs > kFloorLufs))
    {
      drawing = false;
      return;
    }
    const double y = image.yOfLufs(std::max(lufs, image.bottomLufs - 1.));
    if (drawing)
      cairo_line_to(context, x, y);
    else
      cairo_move_to(context, x, y);
    drawing = true;
  };
  if (!dense)
    for (std::size_t i = 0; i < values.size(); ++i)
      point(image.xOfSeconds(static_cast<double>(i + 1) * series.hopSeconds), values[i]);
  else
  {
    std::size_t i = 0;
    for (int column = 0; column < static_cast<int>(columns); ++column)
    {
      const double end = (column + 1) / columns * image.spanSeconds;
      float low = HUGE_VALF, high = -HUGE_VALF;
      for (; i < values.size() && static_cast<double>(i + 1) * series.hopSeconds <= end; ++i)
        if (values[i] > kFloorLufs)
        {
          low = std::min(low, values[i]);
          high = std::max(high, values[i]);
        }
      const double x = image.left + column + 0.5;
      if (high < low)
      {
        drawing = false;
        continue;
      }
      point(x, high);
      point(x, low);
    }
  }
  cairo_stroke(context);
  cairo_restore(context);
}

void horizontal(Painter& painter, const PlotImage& image, double lufs, const Rgb& color, double width,
                std::vector<double> dashes)
{
  if (!(lufs > image.bottomLufs) || lufs > image.topLufs)
    return;
  cairo_t* context = painter.context();
  cairo_set_dash(context, dashes.data(), static_cast<int>(dashes.size()), 0.);
  painter.line(image.left, image.yOfLufs(lufs), image.right, image.yOfLufs(lufs), color, width);
  cairo_set_dash(context, nullptr, 0, 0.);
}
} // namespace

PlotImage drawLoudnessPlot(const PlotRequest& request)
{
  PlotImage image;
  const int scale = std::clamp(request.scale, 1, 4);
  image.width = kPlotWidth * scale;
  image.height = kPlotHeight * scale;
  image.pixels.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height), 0);
  image.left = kLeft;
  image.right = kRight;
  image.top = kTop;
  image.bottom = kBottom;

  const PlotTrace& input = request.input;
  const PlotTrace* shown = request.output ? &*request.output : &input; // its range and integrated line
  const bool pluginLine = request.pluginUnit == std::string("LUFS") && request.pluginLevel > kFloorLufs;

  // The loudness axis: everything drawn, within kMaxSpanLu below the loudest.
  double high = -HUGE_VAL, low = HUGE_VAL;
  auto include = [&](double lufs) {
    if (lufs > kFloorLufs && std::isfinite(lufs))
    {
      high = std::max(high, lufs);
      low = std::min(low, lufs);
    }
  };
  for (const PlotTrace* trace : {&input, request.output ? &*request.output : nullptr})
  {
    if (trace == nullptr)
      continue;
    for (float value : trace->series.momentaryLufs)
      include(value);
    include(trace->integratedLufs);
  }
  if (request.targetLufs)
    include(*request.targetLufs);
  if (pluginLine)
    include(request.pluginLevel);
  if (!(high > low))
  {
    high = std::isfinite(high) ? high : -10.;
    low = high - kMinSpanLu;
  }
  low = std::max(low, high - kMaxSpanLu);
  if (high - low < kMinSpanLu)
    low = high - kMinSpanLu;
  const double lufsStep = stepFor(high - low + 4., {1., 2., 5., 10., 20.}, 10.);
  image.topLufs = std::ceil((high + 1.) / lufsStep) * lufsStep;
  image.bottomLufs = std::floor((low - 1.) / lufsStep) * lufsStep;
  image.spanSeconds = std::max(input.series.seconds, 0.1);

  cairo_surface_t* surface = cairo_image_surface_create_for_data(
    reinterpret_cast<unsigned char*>(image.pixels.data()), CAIRO_FORMAT_ARGB32, image.width, image.height,
    image.width * 4);
  cairo_t* context = cairo_create(surface);
  cairo_scale(context, scale, scale);
  cairo_set_source_rgb(context, 1., 1., 1.);
  cairo_paint(context);
  {
    Painter painter(context, image);

    // The grid, the loudness axis and the time axis.
    for (double lufs = image.bottomLufs; lufs <= image.topLufs + 1e-9; lufs += lufsStep)
    {
      const double y = image.yOfLufs(lufs);
      painter.line(image.left, y, image.right, y, kGrid, 1.);
      painter.text(format("%.0f", lufs), 13., kInk, 0., y - 10., image.left - 8., y + 10., ycairo_text::kRight);
    }
    painter.text("LUFS", 13., kInk, 8., image.top - 22., image.left, image.top - 6., ycairo_text::kLeft);
    const bool hours = image.spanSeconds >= 3600.;
    const double timeStep = stepFor(image.spanSeconds,
                                    {0.1, 0.2, 0.5, 1., 2., 5., 10., 15., 30., 60., 120., 300., 600., 900., 1800.,
                                     3600., 7200.},
                                    hours ? 8. : 12.);
    for (double t = 0.; t <= image.spanSeconds + 1e-9; t += timeStep)
    {
      const double x = image.xOfSeconds(t);
      painter.line(x, image.top, x, image.bottom, kGrid, 1.);
      painter.text(timeLabel(t, timeStep, hours), 13., kInk, x - 40., image.bottom + 6., x + 40., image.bottom + 24.,
                   ycairo_text::kCenter);
    }
    painter.line(image.left, image.bottom, image.right, image.bottom, kInk, 1.);
    painter.line(image.left, image.top, image.left, image.bottom, kInk, 1.);

    // The loudness range as a band, then the series, then the levels as lines over them.
    if (std::isfinite(shown->series.rangeLowLufs))
    {
      const double yHigh = image.yOfLufs(std::min(shown->series.rangeHighLufs, image.topLufs));
      const double yLow = image.yOfLufs(std::max(shown->series.rangeLowLufs, image.bottomLufs));
      const Rgb band = request.output ? kOutputShortTerm : kInputShortTerm;
      cairo_set_source_rgba(context, band.r, band.g, band.b, 0.10);
      cairo_rectangle(context, image.left, yHigh, image.right - image.left, yLow - yHigh);
      cairo_fill(context);
    }
    const bool both = request.output.has_value();
    drawSeries(context, image, input.series, input.series.momentaryLufs, both ? kBeforeMomentary : kInputMomentary, 1.);
    drawSeries(context, image, input.series, input.series.shortTermLufs, both ? kBeforeShortTerm : kInputShortTerm, 2.);
    if (both)
    {
      drawSeries(context, image, request.output->series, request.output->series.momentaryLufs, kOutputMomentary, 1.);
      drawSeries(context, image, request.output->series, request.output->series.shortTermLufs, kOutputShortTerm, 2.);
      horizontal(painter, image, input.integratedLufs, kBeforeShortTerm, 1.5, {6., 4.});
    }
    horizontal(painter, image, shown->integratedLufs, both ? kOutputShortTerm : kInputShortTerm, 2., {6., 4.});
    if (request.targetLufs)
      horizontal(painter, image, *request.targetLufs, kTarget, 1.5, {});
    if (pluginLine)
      horizontal(painter, image, request.pluginLevel, kPlugin, 1.5, {2., 3.});

    // True-peak overs: marks on the time axis; the input's, paler, under the output's.
    if (both)
      for (double t : input.series.overSeconds)
      {
        const double x = image.xOfSeconds(t + input.series.hopSeconds / 2.);
        painter.line(x, image.bottom - 6., x, image.bottom, kOver, 3., 0.35);
      }
    const std::vector<double>& overs = shown->series.overSeconds;
    for (double t : overs)
    {
      const double x = image.xOfSeconds(t + shown->series.hopSeconds / 2.);
      painter.line(x, image.top, x, image.bottom, kOver, 1., 0.25);
      painter.line(x, image.bottom - 10., x, image.bottom, kOver, 3.);
    }

    if (!hasLoudness(input.series))
    {
      const std::string message = input.series.seconds < 0.4
                                    ? format("%.2f s: too short to gate, shorter than one 400 ms block", input.series.seconds)
                                    : std::string("silent: nothing above -70 LUFS");
      painter.text(message, 22., kInk, image.left, image.top, image.right, image.bottom, ycairo_text::kCenter);
    }

    // The file's name, then the legend.
    painter.text(request.title, 20., kInk, 12., 8., kPlotWidth - 12., 34., ycairo_text::kLeft);
    double x = 14.;
    auto entry = [&](const Rgb& color, double width, const std::string& label, bool dashed) {
      if (dashed)
      {
        const double dashes[] = {6., 4.};
        cairo_set_dash(context, dashes, 2, 0.);
      }
      painter.line(x, 50., x + 22., 50., color, width);
      cairo_set_dash(context, nullptr, 0, 0.);
      x += 28.;
      x += painter.text(label, 14., kInk, x, 40., x + 400., 60., ycairo_text::kLeft) + 14.;
    };
    if (both)
    {
      entry(kBeforeShortTerm, 2., "input", false);
      std::string output = format("output: gain %+.2f dB", request.gainDb);
      if (request.ceilingCutDb > 0.005)
        output += format(", ceiling cut %.2f dB", request.ceilingCutDb);
      entry(kOutputShortTerm, 2., output, false);
    }
    else
    {
      entry(kInputMomentary, 1., "momentary", false);
      entry(kInputShortTerm, 2., "short-term", false);
    }
    const Rgb integratedColor = both ? kOutputShortTerm : kInputShortTerm;
    if (std::isfinite(shown->integratedLufs))
      entry(integratedColor, 2., format("integrated %.1f LUFS", shown->integratedLufs), true);
    if (std::isfinite(shown->series.rangeLowLufs))
      entry(integratedColor, 8., format("range %.1f LU", shown->series.rangeHighLufs - shown->series.rangeLowLufs),
            false);
    if (request.targetLufs)
      entry(kTarget, 1.5, format("target %.1f LUFS", *request.targetLufs), false);
    if (!request.pluginMeasure.empty() && request.pluginLevel > -99.)
      entry(kPlugin, pluginLine ? 1.5 : 0.,
            "plug-in " + request.pluginMeasure + " " + format("%.1f", request.pluginLevel) +
              (pluginLine ? std::string() : " " + request.pluginUnit),
            false);
    if (!overs.empty() || (both && !input.series.overSeconds.empty()))
      entry(kOver, 3., format("over %.1f dBTP", request.oversAboveDbtp) + (both && overs.empty() ? " (input)" : ""),
            false);
  }
  cairo_destroy(context);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
  return image;
}

void writeLoudnessPlot(const PlotRequest& request, const std::filesystem::path& png)
{
  PlotImage image = drawLoudnessPlot(request);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
    reinterpret_cast<unsigned char*>(image.pixels.data()), CAIRO_FORMAT_ARGB32, image.width, image.height,
    image.width * 4);
  const cairo_status_t status = cairo_surface_write_to_png(surface, png.string().c_str());
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS)
    throw ToolError(kExitFailure, "cannot write the picture " + png.string() + ": " + cairo_status_to_string(status));
}

void makePlotFolder(const Options& options)
{
  if (!options.plotDir)
    return;
  std::error_code error;
  std::filesystem::create_directories(*options.plotDir, error);
  if (error || !std::filesystem::is_directory(*options.plotDir, error))
    throw ToolError(kExitFailure, "cannot make the picture folder " + *options.plotDir);
}

std::filesystem::path plotPathFor(const std::filesystem::path& folder, const std::filesystem::path& input)
{
  return folder / (input.stem().string() + ".png");
}
} // namespace quenmark
