// The SVG picture of a run: read back by an XML parser, and shown in a real
// browser whose screenshot must hold each trace's colour inside the plot.
#include "tools/plot/svg.h"

#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <png.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/plot/known_run.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// An SVG document and XPath queries on it (prefix s: for the SVG names).
class Svg {
 public:
  explicit Svg(const std::string& text)
      : doc_(xmlReadMemory(text.data(), static_cast<int>(text.size()), "run.svg", nullptr,
                           XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
             xmlFreeDoc) {}
  bool ok() const { return doc_ != nullptr; }

  std::vector<xmlNodePtr> Find(const std::string& xpath) const {
    std::vector<xmlNodePtr> nodes;
    std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> ctx(
        xmlXPathNewContext(doc_.get()), xmlXPathFreeContext);
    xmlXPathRegisterNs(ctx.get(), BAD_CAST "s", BAD_CAST "http://www.w3.org/2000/svg");
    std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> r(
        xmlXPathEvalExpression(BAD_CAST xpath.c_str(), ctx.get()), xmlXPathFreeObject);
    if (r && r->nodesetval) {
      for (int i = 0; i < r->nodesetval->nodeNr; ++i)
        nodes.push_back(r->nodesetval->nodeTab[i]);
    }
    return nodes;
  }
  std::vector<std::string> Texts(const std::string& xpath) const {
    std::vector<std::string> texts;
    for (xmlNodePtr n : Find(xpath))
      texts.push_back(Text(n));
    return texts;
  }
  static std::string Text(xmlNodePtr n) {
    xmlChar* c = xmlNodeGetContent(n);
    std::string s = c ? reinterpret_cast<const char*>(c) : "";
    xmlFree(c);
    return s;
  }
  static std::string Attr(xmlNodePtr n, const char* name) {
    xmlChar* c = xmlGetProp(n, BAD_CAST name);
    std::string s = c ? reinterpret_cast<const char*>(c) : "";
    xmlFree(c);
    return s;
  }

 private:
  std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc_;
};

struct Point {
  double x, y;
};

std::vector<Point> Points(xmlNodePtr polyline) {
  std::vector<Point> points;
  std::istringstream in(Svg::Attr(polyline, "points"));
  for (std::string pair; in >> pair;) {
    const auto comma = pair.find(',');
    points.push_back({std::stod(pair.substr(0, comma)), std::stod(pair.substr(comma + 1))});
  }
  return points;
}

struct Box {
  double left, top, right, bottom;
};

Box Frame(const Svg& svg) {
  const auto frame = svg.Find("//s:rect[@class='frame']");
  if (frame.size() != 1) return {};
  const double x = std::stod(Svg::Attr(frame[0], "x"));
  const double y = std::stod(Svg::Attr(frame[0], "y"));
  return {x, y, x + std::stod(Svg::Attr(frame[0], "width")),
          y + std::stod(Svg::Attr(frame[0], "height"))};
}

TEST(PlotSvg, ParsesAsXmlWithTracesAxesLegendAndTitle) {
  const plot::Run run = ReadRun(KnownRunText());
  const Svg svg(plot::RenderSvg(run, {}));
  ASSERT_TRUE(svg.ok());
  const auto root = svg.Find("/s:svg");
  ASSERT_EQ(root.size(), 1u);
  EXPECT_EQ(Svg::Attr(root[0], "width"), "1000");
  EXPECT_EQ(Svg::Attr(root[0], "height"), "560");
  EXPECT_THAT(svg.Texts("/s:svg/s:title"), ElementsAre("padlink run: AD3, GYRO2, SRAM"));
  EXPECT_THAT(svg.Texts("//s:text[@class='title']"), ElementsAre("padlink run: AD3, GYRO2, SRAM"));

  // One trace per series, each in its own colour, every point in the plot.
  const Box box = Frame(svg);
  ASSERT_GT(box.right, box.left);
  const auto traces = svg.Find("//s:polyline[@class='trace']");
  ASSERT_EQ(traces.size(), 3u);
  std::map<std::string, std::size_t> counts;
  std::set<std::string> colours;
  for (xmlNodePtr t : traces) {
    const std::vector<Point> points = Points(t);
    counts[Svg::Attr(t, "data-series")] = points.size();
    colours.insert(Svg::Attr(t, "stroke"));
    for (const Point& p : points) {
      EXPECT_GE(p.x, box.left);
      EXPECT_LE(p.x, box.right);
      EXPECT_GE(p.y, box.top);
      EXPECT_LE(p.y, box.bottom);
    }
  }
  EXPECT_EQ(counts, (std::map<std::string, std::size_t>{{"AD3", 10}, {"GYRO2", 10}, {"SRAM", 21}}));
  EXPECT_EQ(colours, (std::set<std::string>{"#0087d7", "#d75f00", "#00875f"}));
  // The A/D trace climbs from 0 (the bottom) to 225.
  const std::vector<Point> ad = Points(svg.Find("//s:polyline[@data-series='AD3']")[0]);
  EXPECT_DOUBLE_EQ(ad.front().y, box.bottom);
  EXPECT_NEAR(ad.back().y, box.bottom - 225.0 / 255 * (box.bottom - box.top), 0.06);

  // Legend, ticks with their units.
  const std::vector<std::string> legend = svg.Texts("//s:g[@class='legend']/s:text");
  ASSERT_EQ(legend.size(), 3u);
  EXPECT_EQ(
      legend[0],
      "AD3: 10 samples, min 0, mean 112.5, max 225, failed at 10.009 s: Echoeback timeout (-3)");
  EXPECT_EQ(legend[1], "GYRO2: 10 samples, min 200, mean 200.0, max 200");
  EXPECT_EQ(legend[2], "SRAM: 21 samples, min 100, mean 100.0, max 100");
  EXPECT_THAT(svg.Texts("//s:g[@class='ticks']/s:text"),
              ElementsAre("0", "50", "100", "150", "200", "250", "0", "2", "4", "6", "8", "10"));
  EXPECT_THAT(svg.Texts("//s:text[@class='axis-label']"), ElementsAre("time (s)", "value (0-255)"));

  // The failed request is an event, not a value.
  const auto events = svg.Find("//s:g[@class='event']");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(Svg::Attr(events[0], "data-series"), "AD3");
  EXPECT_EQ(Svg::Attr(events[0], "data-result"), "-3");
  EXPECT_EQ(Svg::Text(events[0]), "AD3 failed: Echoeback timeout (-3)");
}

TEST(PlotSvg, TitleIsEscapedAndAnEmptyRunSaysSo) {
  plot::SvgOptions o;
  o.title = "Run <1> & \"two\" 'three'\x01";
  const plot::Run empty;
  const Svg svg(plot::RenderSvg(empty, o));
  ASSERT_TRUE(svg.ok());
  EXPECT_THAT(svg.Texts("/s:svg/s:title"), ElementsAre("Run <1> & \"two\" 'three' "));
  EXPECT_TRUE(svg.Find("//s:polyline").empty());
  EXPECT_THAT(svg.Texts("//s:text"), ::testing::Contains("no samples"));
}

// A long run: 200000 samples of a slow wave, with one spike to 255 and one
// drop to 0. The picture keeps per pixel column the extremes, so both show,
// and stays small.
TEST(PlotSvg, LongRunsAreReducedToTheExtremesOfEachColumn) {
  const SampleSource ad1{SensorKind::kAD, 1};
  std::string text = CsvHeaderLine(ad1);
  for (int k = 0; k < 200000; ++k) {
    int v = 128 + static_cast<int>(std::lround(60 * std::sin(k / 5000.0)));
    if (k == 123457) v = 255;
    if (k == 54321) v = 0;
    text += CsvSampleLine(
        {.source = ad1, .sensor = v, .sensor_ms = k * 20, .sram = k % 256, .sram_ms = k * 20 + 5});
  }
  const plot::Run run = ReadRun(text);
  ASSERT_EQ(run.sensors[0].count(), 200000u);
  const std::string picture = plot::RenderSvg(run, {});
  EXPECT_LT(picture.size(), 200u * 1024);
  const Svg svg(picture);
  ASSERT_TRUE(svg.ok());
  const Box box = Frame(svg);
  const std::vector<Point> ad = Points(svg.Find("//s:polyline[@data-series='AD1']")[0]);
  EXPECT_LE(ad.size(), 4 * static_cast<std::size_t>(box.right - box.left));
  EXPECT_GE(ad.size(), static_cast<std::size_t>(box.right - box.left));
  double lowest = 0, highest = 1e9;
  for (std::size_t i = 1; i < ad.size(); ++i) {
    EXPECT_GE(ad[i].x, ad[i - 1].x);
    lowest = std::max(lowest, ad[i].y);
    highest = std::min(highest, ad[i].y);
  }
  EXPECT_DOUBLE_EQ(lowest, box.bottom);  // the drop to 0
  EXPECT_DOUBLE_EQ(highest, box.top);    // the spike to 255
}

// --- Colours ------------------------------------------------------------------

struct Rgb {
  double r, g, b;  // 0..255
};

Rgb RgbOf(const std::string& hex) {
  const long v = std::strtol(hex.c_str() + 1, nullptr, 16);
  return {static_cast<double>((v >> 16) & 0xFF), static_cast<double>((v >> 8) & 0xFF),
          static_cast<double>(v & 0xFF)};
}

double Linear(double c) {
  c /= 255;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// Relative luminance and contrast ratio, as WCAG defines them.
double Luminance(const Rgb& c) {
  return 0.2126 * Linear(c.r) + 0.7152 * Linear(c.g) + 0.0722 * Linear(c.b);
}

double Contrast(const Rgb& a, const Rgb& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The distance of two colours in CIELAB (D65): about 2 is just noticeable.
double LabDistance(const Rgb& a, const Rgb& b) {
  auto lab = [](const Rgb& c) {
    const double r = Linear(c.r), g = Linear(c.g), bl = Linear(c.b);
    const double x = (0.4124 * r + 0.3576 * g + 0.1805 * bl) / 0.95047;
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * bl;
    const double z = (0.0193 * r + 0.1192 * g + 0.9505 * bl) / 1.08883;
    auto f = [](double t) {
      return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
    };
    return std::array<double, 3>{116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
  };
  const auto p = lab(a), q = lab(b);
  return std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
}

// The value of index n of the terminals' 256-colour cube (16..231).
Rgb CubeColour(int n) {
  static constexpr int kLevels[] = {0, 95, 135, 175, 215, 255};
  n -= 16;
  return {static_cast<double>(kLevels[n / 36]), static_cast<double>(kLevels[n / 6 % 6]),
          static_cast<double>(kLevels[n % 6])};
}

const plot::Colour kTraceColours[] = {plot::kSensor1, plot::kSensor2, plot::kSensor3,
                                      plot::kSensor4, plot::kSram,    plot::kFailure};

// Each trace (and the failures) stands out at least 3:1 from a white and a
// black background, the colours lie well apart, and the terminal shows the
// picture's colour.
TEST(PlotColours, ReadableOnLightAndDarkAndApartFromEachOther) {
  const Rgb white{255, 255, 255}, black{0, 0, 0};
  for (plot::Colour c : kTraceColours) {
    const Rgb rgb = RgbOf(plot::ValueOf(c).hex);
    EXPECT_GE(Contrast(rgb, white), 3.0) << plot::ValueOf(c).hex;
    EXPECT_GE(Contrast(rgb, black), 3.0) << plot::ValueOf(c).hex;
    const Rgb cube = CubeColour(plot::ValueOf(c).index);
    EXPECT_EQ(std::tie(cube.r, cube.g, cube.b), std::tie(rgb.r, rgb.g, rgb.b))
        << plot::ValueOf(c).hex;
    for (plot::Colour d : kTraceColours) {
      if (d <= c) continue;
      EXPECT_GE(LabDistance(rgb, RgbOf(plot::ValueOf(d).hex)), 25.0)
          << plot::ValueOf(c).hex << " " << plot::ValueOf(d).hex;
    }
  }
}

// --- In a browser -----------------------------------------------------------

std::string FindProgram(const char* name) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = dir + "/" + name;
    if (!dir.empty() && access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

struct Image {
  unsigned width = 0, height = 0;
  std::vector<std::uint8_t> rgba;
  const std::uint8_t* At(unsigned x, unsigned y) const { return &rgba[(y * width + x) * 4]; }
};

bool ReadPng(const std::string& path, Image* image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
  png.format = PNG_FORMAT_RGBA;
  image->width = png.width;
  image->height = png.height;
  image->rgba.resize(PNG_IMAGE_SIZE(png));
  return png_image_finish_read(&png, nullptr, image->rgba.data(), 0, nullptr) != 0;
}

// Pixels near the colour #rrggbb within the box.
int CountColour(const Image& image, const Box& box, const std::string& hex) {
  const long rgb = std::strtol(hex.c_str() + 1, nullptr, 16);
  const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  int n = 0;
  for (unsigned y = static_cast<unsigned>(std::max(0.0, box.top));
       y < std::min<double>(image.height, box.bottom); ++y) {
    for (unsigned x = static_cast<unsigned>(std::max(0.0, box.left));
         x < std::min<double>(image.width, box.right); ++x) {
      const std::uint8_t* p = image.At(x, y);
      if (std::abs(p[0] - r) + std::abs(p[1] - g) + std::abs(p[2] - b) <= 45) ++n;
    }
  }
  return n;
}

TEST(PlotSvgBrowser, ScreenshotShowsEachTraceInItsColourInsideThePlot) {
  const std::string chromium = FindProgram("chromium");
  if (chromium.empty()) GTEST_SKIP() << "chromium is not installed";
  const plot::Run run = ReadRun(KnownRunText());
  const std::string picture = plot::RenderSvg(run, {});
  const Svg svg(picture);
  ASSERT_TRUE(svg.ok());

  char tmpl[] = "/tmp/padlink-plot-svg-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  std::ofstream(dir + "/run.svg") << picture;
  const std::string png = dir + "/run.png";
  const std::string command = "timeout 120 '" + chromium +
                              "' --headless --no-sandbox --disable-gpu --hide-scrollbars"
                              " --force-device-scale-factor=1 --user-data-dir='" +
                              dir + "/profile' --window-size=1000,560 --screenshot='" + png +
                              "' 'file://" + dir + "/run.svg' >'" + dir + "/chromium.log' 2>&1";
  const int status = std::system(command.c_str());
  Image image;
  const bool read = ReadPng(png, &image);
  std::string log;
  std::getline(std::ifstream(dir + "/chromium.log"), log, '\0');
  std::filesystem::remove_all(dir);
  ASSERT_TRUE(read) << "status " << status << ": " << log;
  ASSERT_EQ(image.width, 1000u);
  ASSERT_EQ(image.height, 560u);

  // Inside the frame, each trace's colour, and the failure's red; each
  // stands out 3:1 from the background as shown, and as it would from a
  // black one.
  Box inside = Frame(svg);
  inside = {inside.left + 2, inside.top + 2, inside.right - 2, inside.bottom - 2};
  const std::uint8_t* corner = image.At(0, 0);
  const Rgb background{static_cast<double>(corner[0]), static_cast<double>(corner[1]),
                       static_cast<double>(corner[2])};
  for (const auto* s : run.AllSeries()) {
    const auto trace = svg.Find("//s:polyline[@data-series='" + s->name + "']");
    ASSERT_EQ(trace.size(), 1u);
    const std::string stroke = Svg::Attr(trace[0], "stroke");
    EXPECT_GE(CountColour(image, inside, stroke), 100) << s->name;
    EXPECT_GE(Contrast(RgbOf(stroke), background), 3.0) << s->name;
    EXPECT_GE(Contrast(RgbOf(stroke), {0, 0, 0}), 3.0) << s->name;
  }
  EXPECT_GE(CountColour(image, inside, plot::SvgColour(plot::kFailure)), 30);
  // Beneath the plot, where the time axis is, no trace shows.
  const Box below{inside.left, Frame(svg).bottom + 2, inside.right, 560};
  EXPECT_EQ(CountColour(image, below, plot::SvgColour(plot::kSensor1)), 0);
  // The white background, not the browser's.
  EXPECT_EQ(CountColour(image, {0, 0, 5, 5}, "#ffffff"), 25);
}

// Failures close together, some right of the middle and some left of it,
// with their meanings in the labels: shown in a real browser, no two labels
// overlap, and each stays inside the picture.
TEST(PlotSvgBrowser, FailureLabelsNeverOverlap) {
  const std::string chromium = FindProgram("chromium");
  if (chromium.empty()) GTEST_SKIP() << "chromium is not installed";
  const SampleSource ad2{SensorKind::kAD, 2};
  std::string text = CsvHeaderLine(ad2);
  // Every 100 ms over 20 s; these samples fail, with these results.
  const std::map<int, std::pair<int, int>> failed = {
      {0, {-1, 100}},   {30, {-3, 100}},  {55, {100, -5}}, {60, {-2, 100}},  {95, {-5, 100}},
      {100, {100, -4}}, {105, {-3, 100}}, {120, {-3, -3}}, {190, {-1, 100}}, {200, {-3, 100}}};
  for (int k = 0; k <= 200; ++k) {
    const auto f = failed.find(k);
    const auto [sensor, sram] = f != failed.end() ? f->second : std::pair<int, int>{k % 200, 50};
    text += CsvSampleLine({.source = ad2,
                           .sensor = sensor,
                           .sensor_ms = k * 100,
                           .sram = sram,
                           .sram_ms = k * 100 + 10});
  }
  const std::string picture = plot::RenderSvg(ReadRun(text), {});
  const Svg svg(picture);
  ASSERT_TRUE(svg.ok());
  const std::vector<std::string> labels = svg.Texts("//s:g[@class='event']/s:text");
  ASSERT_EQ(labels.size(), 11u);
  EXPECT_EQ(labels[0], "AD2 failed: Send error (-1)");
  EXPECT_THAT(labels, ::testing::Contains("SRAM failed: CLRRTS error (-5)"));

  // The browser measures the labels as it draws them and writes what it
  // found into the page's title.
  char tmpl[] = "/tmp/padlink-plot-labels-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  std::ofstream(dir + "/labels.html")
      << "<!DOCTYPE html><html><head><title>not measured</title></head><body style=\"margin:0\">"
      << picture.substr(picture.find("<svg"))
      << "<script>\n"
         "const boxes = [...document.querySelectorAll('g.event text')].map(t => t.getBBox());\n"
         "let overlaps = 0, outside = 0;\n"
         "boxes.forEach((a, i) => {\n"
         "  if (a.x < 0 || a.x + a.width > 1000) outside++;\n"
         "  boxes.slice(i + 1).forEach(b => {\n"
         "    if (a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&\n"
         "        b.y < a.y + a.height) overlaps++;\n"
         "  });\n"
         "});\n"
         "document.title = `labels ${boxes.length} overlaps ${overlaps} outside ${outside}`;\n"
         "</script></body></html>\n";
  const std::string command = "timeout 120 '" + chromium +
                              "' --headless --no-sandbox --disable-gpu --user-data-dir='" + dir +
                              "/profile' --window-size=1000,560 --dump-dom 'file://" + dir +
                              "/labels.html' >'" + dir + "/dom.html' 2>'" + dir + "/chromium.log'";
  const int status = std::system(command.c_str());
  std::string dom, log;
  std::getline(std::ifstream(dir + "/dom.html"), dom, '\0');
  std::getline(std::ifstream(dir + "/chromium.log"), log, '\0');
  std::filesystem::remove_all(dir);
  EXPECT_THAT(dom, HasSubstr("<title>labels 11 overlaps 0 outside 0</title>"))
      << "status " << status << ": " << log;
}

}  // namespace
