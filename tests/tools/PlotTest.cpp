// quenmark's loudness picture: drawn from the meter's series and probed where its
// levels, overs and texts must be; and written by the tool for analyze and normalize.
#include "QuenmarkFixture.h"

#include "tools/quenmark/LoudnessMeter.h"
#include "tools/quenmark/LoudnessPlot.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <numbers>

using namespace quenmarktest;
using quenmark::LoudnessMeter;
using quenmark::MeterParts;
using quenmark::PlotImage;
using quenmark::PlotRequest;

namespace
{
constexpr int kRate = 8000;

struct Rgb
{
  int r, g, b;
};

Rgb pixelAt(const PlotImage& image, double x, double y)
{
  const int scale = image.width / quenmark::kPlotWidth;
  const auto px = static_cast<int>(std::lround(x * scale));
  const auto py = static_cast<int>(std::lround(y * scale));
  const std::uint32_t argb = image.pixels[static_cast<std::size_t>(py * image.width + px)];
  return {static_cast<int>(argb >> 16 & 255), static_cast<int>(argb >> 8 & 255), static_cast<int>(argb & 255)};
}

// Whether a pixel near (x, y) (within `reach` picture units across and 1 down or up) is
// close to `color`: lines are anti-aliased and dashed.
bool colorNear(const PlotImage& image, double x, double y, Rgb color, double reach = 8.)
{
  for (double dx = -reach; dx <= reach; dx += 0.5)
    for (double dy = -1.; dy <= 1.; dy += 0.5)
    {
      const Rgb p = pixelAt(image, x + dx, y + dy);
      if (std::abs(p.r - color.r) + std::abs(p.g - color.g) + std::abs(p.b - color.b) < 60)
        return true;
    }
  return false;
}

bool hasText(const PlotImage& image, const std::string& part)
{
  return std::any_of(image.texts.begin(), image.texts.end(),
                     [&](const std::string& text) { return text.find(part) != std::string::npos; });
}

// A 1 kHz sine in stereo (loudness = level in dBFS) at -18 dBFS for `seconds`, at -28
// for the middle third, with a 20 ms burst of clipped full scale at `clipAt`.
LoudnessMeter& measured(LoudnessMeter& meter, double seconds, double clipAt)
{
  const auto frames = static_cast<std::int64_t>(seconds * kRate);
  std::vector<double> block;
  for (std::int64_t n = 0; n < frames; ++n)
  {
    const double t = static_cast<double>(n) / kRate;
    const double level = t > seconds / 3. && t < 2. * seconds / 3. ? -28. : -18.;
    double x = std::pow(10., level / 20.) * std::sin(2. * std::numbers::pi * 1000. * t);
    if (t >= clipAt && t < clipAt + 0.02)
      x = std::clamp(8. * x, -1., 1.);
    block.push_back(x);
    block.push_back(x);
  }
  meter.add(block.data(), frames);
  return meter;
}

PlotRequest requestFor(const LoudnessMeter& meter)
{
  PlotRequest request;
  request.title = "programme.wav";
  request.input = {meter.series(), meter.reading().integratedLufs};
  request.targetLufs = -23.;
  request.pluginMeasure = "LUFS Int.";
  request.pluginUnit = "LUFS";
  request.pluginLevel = -21.;
  return request;
}

MeterParts plotParts()
{
  MeterParts parts{};
  parts.loudnessRange = true;
  parts.truePeak = true;
  parts.oversAboveDbtp = -1.;
  return parts;
}
} // namespace

TEST(Plot, ShowsTheLevelsTheOversAndTheAxesWhereTheyAre)
{
  LoudnessMeter meter(2, kRate, plotParts());
  measured(meter, 30., 25.);
  const PlotRequest request = requestFor(meter);
  const PlotImage image = quenmark::drawLoudnessPlot(request);
  ASSERT_EQ(image.width, 1200);
  ASSERT_EQ(image.height, 500);
  const double middle = (image.left + image.right) / 2.;

  // The integrated line (dashed, the short-term colour), the target and the plug-in's level.
  const double integrated = request.input.integratedLufs;
  EXPECT_TRUE(colorNear(image, middle, image.yOfLufs(integrated), {31, 84, 168}));
  EXPECT_FALSE(colorNear(image, middle, image.yOfLufs(integrated + 3.), {31, 84, 168}, 2.));
  EXPECT_TRUE(colorNear(image, middle, image.yOfLufs(-23.), {25, 147, 61}));
  EXPECT_TRUE(colorNear(image, middle, image.yOfLufs(-21.), {140, 56, 158}));
  // The short-term loudness sits at -18 early on and at -28 in the middle third.
  EXPECT_TRUE(colorNear(image, image.xOfSeconds(6.), image.yOfLufs(-18.), {31, 84, 168}, 2.));
  EXPECT_TRUE(colorNear(image, image.xOfSeconds(16.), image.yOfLufs(-28.), {31, 84, 168}, 2.));
  // The over is marked on the time axis where the signal clips, and nowhere else.
  EXPECT_TRUE(colorNear(image, image.xOfSeconds(25.01), image.bottom - 4., {214, 25, 25}, 3.));
  EXPECT_FALSE(colorNear(image, image.xOfSeconds(12.), image.bottom - 4., {214, 25, 25}, 40.));
  // Axis texts, the legend and the name.
  for (const char* text : {"programme.wav", "0:00", "0:10", "0:30", "LUFS", "-20", "integrated", "target -23.0",
                           "plug-in LUFS Int.", "over -1.0 dBTP", "range"})
    EXPECT_TRUE(hasText(image, text)) << text;

  PlotRequest twice = request;
  twice.scale = 2;
  const PlotImage sharp = quenmark::drawLoudnessPlot(twice);
  EXPECT_EQ(sharp.width, 2400);
  EXPECT_TRUE(colorNear(sharp, middle, sharp.yOfLufs(-23.), {25, 147, 61}));
}

TEST(Plot, SilenceAndClipsTooShortToGateSaySo)
{
  LoudnessMeter silent(2, kRate, plotParts());
  std::vector<double> zeros(static_cast<std::size_t>(2 * 5 * kRate), 0.);
  silent.add(zeros.data(), 5 * kRate);
  const PlotImage quiet = quenmark::drawLoudnessPlot(requestFor(silent));
  EXPECT_TRUE(hasText(quiet, "silent"));

  LoudnessMeter clip(2, kRate, plotParts());
  measured(clip, 0.2, 1.);
  const PlotImage brief = quenmark::drawLoudnessPlot(requestFor(clip));
  EXPECT_TRUE(hasText(brief, "too short to gate"));
  EXPECT_TRUE(hasText(brief, "0:00.1")) << "a time axis in tenths of seconds";
}

TEST(Plot, LongFilesKeepSmallSeriesAndAnHourAxis)
{
  // Three hours: the series hold a value per 100 ms, not the audio.
  constexpr int kSlowRate = 400;
  constexpr std::int64_t kFrames = 3LL * 3600 * kSlowRate;
  LoudnessMeter meter(1, kSlowRate, plotParts());
  std::vector<double> block(static_cast<std::size_t>(kSlowRate * 60));
  for (std::int64_t done = 0; done < kFrames; done += static_cast<std::int64_t>(block.size()))
  {
    for (std::size_t n = 0; n < block.size(); ++n)
      block[n] = 0.1 * std::sin(2. * std::numbers::pi * 50. * static_cast<double>(done + static_cast<std::int64_t>(n)) / kSlowRate);
    meter.add(block.data(), static_cast<std::int64_t>(block.size()));
  }
  const quenmark::LoudnessSeries series = meter.series();
  EXPECT_EQ(series.momentaryLufs.size(), 108000u);
  const std::size_t bytes = (series.momentaryLufs.capacity() + series.shortTermLufs.capacity()) * sizeof(float) +
                            series.overSeconds.capacity() * sizeof(double);
  EXPECT_LT(bytes, 1u << 20) << "under a megabyte for three hours";
  const PlotImage image = quenmark::drawLoudnessPlot(requestFor(meter));
  EXPECT_TRUE(hasText(image, "1:00:00"));
  EXPECT_TRUE(hasText(image, "3:00:00"));
}

TEST_F(Quenmark, PicturesAreWrittenForAnalyzeAndNormalize)
{
  Noise noise(0.1);
  writeAudio(at("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 48000, 5 * 48000, [&](int n, int c) { return noise(n, c); });
  const Outcome analyze = quenmark({"analyze", at("in.wav"), "--plot", at("pictures"), "--plot-scale", "2", "-q"});
  ASSERT_EQ(analyze.exitCode, 0) << analyze.err;
  cairo_surface_t* png = cairo_image_surface_create_from_png(at("pictures/in.png").c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  EXPECT_EQ(cairo_image_surface_get_width(png), 2400);
  EXPECT_EQ(cairo_image_surface_get_height(png), 1000);
  cairo_surface_destroy(png);

  const Outcome normalize =
    quenmark({"normalize", at("in.wav"), at("out.wav"), "--loudness", "-23", "--plot", at("after"), "-q"});
  ASSERT_EQ(normalize.exitCode, 0) << normalize.err;
  EXPECT_TRUE(fs::exists(at("after/in.png")));
  EXPECT_NE(quenmark({"--help"}).out.find("--plot DIR"), std::string::npos);
}

TEST(Plot, MatchesItsReferencePictureUpToAntiAliasing)
{
  // The probe programme's picture against one looked at and kept: a changed layout,
  // colour or scale shows as many pixels off; anti-aliasing and font hinting as few.
  LoudnessMeter meter(2, kRate, plotParts());
  measured(meter, 30., 25.);
  const PlotImage image = quenmark::drawLoudnessPlot(requestFor(meter));
  const fs::path reference = fs::path(QUENMARK_TEST_DATA) / "plot-reference.png";
  cairo_surface_t* png = cairo_image_surface_create_from_png(reference.string().c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS) << reference;
  ASSERT_EQ(cairo_image_surface_get_width(png), image.width);
  ASSERT_EQ(cairo_image_surface_get_height(png), image.height);
  cairo_surface_flush(png);
  const unsigned char* data = cairo_image_surface_get_data(png);
  const int stride = cairo_image_surface_get_stride(png);
  std::size_t off = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
    {
      std::uint32_t kept = 0;
      std::memcpy(&kept, data + y * stride + 4 * x, 4);
      const std::uint32_t drawn = image.pixels[static_cast<std::size_t>(y * image.width + x)];
      int difference = 0;
      for (int shift : {0, 8, 16})
        difference = std::max(difference, std::abs(static_cast<int>(kept >> shift & 255) - static_cast<int>(drawn >> shift & 255)));
      off += difference > 64 ? 1 : 0;
    }
  cairo_surface_destroy(png);
  constexpr double kMostPixelsOff = 0.002;
  EXPECT_LT(static_cast<double>(off) / (image.width * image.height), kMostPixelsOff) << off << " pixels off";
}
