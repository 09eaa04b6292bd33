// Section sheet: callout texts, a well-formed sheet with one section and callout per hole, thread
// lines at the major diameter to scale, everything inside the sheet, hostile names, bad numbers.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "export/svg_drawing.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;
using namespace cavix::exporter;

namespace {

HoleDrawing CBoreHole(std::string name, bool through) {
  HoleDrawing h;
  h.name = std::move(name);
  const double r = 3.3, l = through ? 13.6 : 12, pt = r / std::tan(59.0 * M_PI / 180);
  h.chains = {
      {{0, 0}, {5.5, 0}, {5.5, -6.4}, {r, -6.4}, {r, -(6.4 + l)}, {0, -(6.4 + l + pt)}, {0, 0}}};
  h.callout.diameter = 6.6, h.callout.depth = l, h.callout.through = through;
  h.callout.cboreDiameter = 11, h.callout.cboreDepth = 6.4;
  if (through) h.partThickness = 20;
  return h;
}

HoleDrawing ThreadedHole(std::string name) {
  HoleDrawing h;
  h.name = std::move(name);
  const double r = 4.25;
  h.chains = {{{0, 0},
               {r, 0},
               {r, -15},
               {0.9995 * r, -18},
               {0, -18 - r / std::tan(59 * M_PI / 180)},
               {0, 0}}};
  h.thread = {true, 10, 8.5, 15, 0};
  h.callout.diameter = 8.5, h.callout.depth = 18, h.callout.threadDesignation = "M10x1.5",
  h.callout.threadDepth = 15;
  return h;
}

// What a test needs to know of a parsed sheet.
struct Sheet {
  bool wellFormed = false;
  std::string error;
  double width = 0, height = 0;
  int holes = 0;
  std::map<std::string, int> perHole;  // "section", "material", "callout", "thread", "axis"
  std::vector<std::string> calloutTexts;
  std::vector<std::array<double, 4>> threadLines;  // x1 y1 x2 y2 of lines inside g.thread
  std::vector<double> xs, ys;                      // every coordinate drawn
  std::vector<std::string> texts;
};

Sheet Parse(const std::string& svg) {
  Sheet s;
  QXmlStreamReader xml(QString::fromStdString(svg));
  int holeDepth = -1, threadDepth = -1, depth = 0;
  std::string callout;
  bool inCallout = false;
  const QRegularExpression number("-?\\d+(\\.\\d+)?");
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      ++depth;
      const QString name = xml.name().toString();
      const auto attrs = xml.attributes();
      const std::string cls = attrs.value("class").toString().toStdString();
      if (name == "svg") {
        const auto vb = attrs.value("viewBox").toString().split(' ');
        if (vb.size() == 4) {
          s.width = vb[2].toDouble();
          s.height = vb[3].toDouble();
        }
      }
      if (name == "g" && cls == "hole") {
        ++s.holes;
        holeDepth = depth;
      }
      if (name == "g" && cls == "thread") threadDepth = depth;
      if (holeDepth > 0 && !cls.empty()) ++s.perHole[cls];
      if (name == "line") {
        const double v[4] = {attrs.value("x1").toDouble(), attrs.value("y1").toDouble(),
                             attrs.value("x2").toDouble(), attrs.value("y2").toDouble()};
        s.xs.insert(s.xs.end(), {v[0], v[2]});
        s.ys.insert(s.ys.end(), {v[1], v[3]});
        if (threadDepth > 0 && v[0] == v[2]) s.threadLines.push_back({v[0], v[1], v[2], v[3]});
      }
      if (name == "path" && cls != "arrow") {
        const QString d = attrs.value("d").toString();
        auto it = number.globalMatch(d);
        for (int k = 0; it.hasNext(); ++k)
          (k % 2 ? s.ys : s.xs).push_back(it.next().captured().toDouble());
      }
      if (name == "tspan" && inCallout && attrs.hasAttribute("dy") && !callout.empty())
        callout += "|";
      if (name == "text" && cls == "callout") {
        inCallout = true;
        callout.clear();
      }
    } else if (xml.isEndElement()) {
      if (depth == holeDepth) holeDepth = -1;
      if (depth == threadDepth) threadDepth = -1;
      if (xml.name() == QStringLiteral("text") && inCallout) {
        inCallout = false;
        s.calloutTexts.push_back(callout);
      }
      --depth;
    } else if (xml.isCharacters()) {
      if (inCallout) callout += xml.text().toString().toStdString();
      s.texts.push_back(xml.text().toString().toStdString());
    }
  }
  s.wellFormed = !xml.hasError();
  s.error = xml.errorString().toStdString();
  return s;
}

// Every coordinate drawn lies on the sheet.
void ExpectAllOnTheSheet(const Sheet& s) {
  for (double x : s.xs) EXPECT_TRUE(x >= 0 && x <= s.width) << x;
  for (double y : s.ys) EXPECT_TRUE(y >= 0 && y <= s.height) << y;
}

// The scale printed in the title block, as a ratio.
double ScaleOf(const Sheet& s) {
  for (const auto& t : s.texts)
    if (t.rfind("Scale ", 0) == 0) {
      const auto colon = t.find(':');
      return std::stod(t.substr(6, colon - 6)) / std::stod(t.substr(colon + 1));
    }
  return 0;
}

}  // namespace

// Callouts in the ISO 129-1 style, one case per hole kind (a counterbore through and a blind
// thread are read off the sheet below, a counterdrill off a scene in the scene export test).
TEST(SectionSheet, CalloutLinesReadAsOnADrawing) {
  struct Case {
    std::string what;
    HoleCallout c;
    std::vector<std::string> lines;
  };
  HoleCallout cbore;
  cbore.diameter = 6.6, cbore.through = true, cbore.cboreDiameter = 11, cbore.cboreDepth = 6.4;
  HoleCallout thread;
  thread.diameter = 8.5, thread.depth = 18, thread.threadDesignation = "M10x1.5";
  thread.threadDepth = 15;
  HoleCallout threadThru = thread, partThread = thread;
  threadThru.through = partThread.through = true;
  threadThru.threadDepth = 0;
  HoleCallout csink;
  csink.diameter = 0.1 + 0.2, csink.depth = 12.0049, csink.csinkDiameter = 13.71;
  csink.csinkAngle = 82;
  HoleCallout four = cbore;
  four.count = 4, four.size = "M6, ISO 273 medium";
  const std::vector<Case> cases = {
      {"through thread", threadThru, {"M10x1.5 THRU", "⌀8.5 THRU"}},
      {"through bore, thread part way", partThread, {"M10x1.5 ↧ 15", "⌀8.5 THRU"}},
      {"countersink", csink, {"⌀0.3 ↧ 12", "⌵ ⌀13.71 × 82°"}},
      {"four alike, sized", four, {"4× ⌀6.6 THRU", "⌴ ⌀11 ↧ 6.4", "size M6, ISO 273 medium"}},
  };
  for (const auto& c : cases) EXPECT_EQ(CalloutLines(c.c), c.lines) << c.what;
}

// A sheet of several holes: well-formed, one section, hatch, axis and callout per hole, every
// coordinate on the sheet, and the thread drawn at the major diameter over the thread length.
// Names come from users: markup, control characters and broken UTF-8 must not break the file.
TEST(SectionSheet, EveryHoleHasItsSectionAndCallout) {
  std::vector<HoleDrawing> holes = {CBoreHole("Fori", true), ThreadedHole("Fori 2"),
                                    CBoreHole("Fori 3", false), ThreadedHole("Fori 4"),
                                    CBoreHole("a<b & \"c\" 'd'>\x01\xff\xc3", false)};
  holes[4].callout.threadDesignation = "M6<x>";
  const Sheet s = Parse(RenderSectionSheet(holes, {"</svg>", "x&y.cvx"}));
  ASSERT_TRUE(s.wellFormed) << s.error;
  EXPECT_EQ(s.holes, 5);
  for (const char* cls : {"section", "material", "callout", "axis"})
    EXPECT_EQ(s.perHole.at(cls), 5) << cls;
  EXPECT_EQ(s.perHole.at("thread"), 2);
  ASSERT_EQ(s.calloutTexts.size(), 5u);
  EXPECT_EQ(s.calloutTexts[0], "⌀6.6 THRU|⌴ ⌀11 ↧ 6.4");
  EXPECT_EQ(s.calloutTexts[1], "M10x1.5 ↧ 15|⌀8.5 ↧ 18");
  ExpectAllOnTheSheet(s);
  std::string all;
  for (const auto& t : s.texts) all += t;
  EXPECT_NE(all.find("a<b & \"c\" 'd'>?\uFFFD\uFFFD"), std::string::npos);

  // The scale printed in the title block is the scale the thread is drawn at.
  const double scale = ScaleOf(s);
  ASSERT_GT(scale, 0);
  ASSERT_EQ(s.threadLines.size(), 4u);  // two holes, two sides each
  for (size_t i = 0; i < 4; i += 2) {
    EXPECT_NEAR(std::fabs(s.threadLines[i][0] - s.threadLines[i + 1][0]), 10 * scale, 1e-2);
    EXPECT_NEAR(std::fabs(s.threadLines[i][3] - s.threadLines[i][1]), 15 * scale, 1e-2);
  }
}

// The scale is a standard one at which the smallest bore is legible, the cells growing to hold
// the larger sections, as far as a plotter's sheet allows; counted sections count in the title.
TEST(SectionSheet, SheetScalesAndGrowsToFit) {
  HoleDrawing tiny = CBoreHole("tiny", false);
  for (auto& p : tiny.chains[0]) p = {p[0] / 5, p[1] / 5};
  tiny.callout.diameter /= 5;  // a bore of 1.32 mm: legible at 5:1
  tiny.callout.count = 4;
  const std::vector<HoleDrawing> pair = {CBoreHole("normal", false), tiny};
  EXPECT_EQ(SheetScale({CBoreHole("normal", false)}), 2);
  EXPECT_EQ(SheetScale(pair), 5);
  const Sheet p = Parse(RenderSectionSheet(pair, {}));
  EXPECT_EQ(ScaleOf(p), 5);
  ExpectAllOnTheSheet(p);
  EXPECT_NE(std::find(p.texts.begin(), p.texts.end(), "Holes: 5 in 2 sections"), p.texts.end());

  HoleDrawing deep = CBoreHole("deep", false);
  for (auto& p : deep.chains[0]) p = {p[0] * 8, p[1] * 8};
  std::vector<HoleDrawing> holes(30, CBoreHole("small", false));
  holes.push_back(deep);
  EXPECT_EQ(SheetScale(holes), 1);  // the small bores legible, the deep one's cell grown
  const Sheet s = Parse(RenderSectionSheet(holes, {}));
  ASSERT_TRUE(s.wellFormed) << s.error;
  EXPECT_EQ(s.holes, 31);
  EXPECT_GT(s.height, 297.0 * 3);
  ExpectAllOnTheSheet(s);
}

// Numbers that cannot be drawn are refused, and a refused or failed write leaves the old file.
TEST(SectionSheet, BadNumbersAndFailedWritesLoseNothing) {
  const cavix::test::TempDir dir("cavix-svg-");
  const std::string path = dir.File("sheet.svg");
  WriteSectionSheet({CBoreHole("ok", true)}, {}, path);
  const std::string before = cavix::test::Slurp(path);
  EXPECT_TRUE(Parse(before).wellFormed);

  std::vector<std::vector<HoleDrawing>> bad(6, {CBoreHole("bad", true)});
  bad[0][0].chains[0][2][1] = NAN;
  bad[1][0].chains[0][1][0] = -5;
  bad[2][0].thread.ThreadLength = INFINITY;
  bad[3][0].callout.cboreDepth = NAN;
  // Finite, but too large for a number on a sheet: refused, never written as what a buffer held.
  bad[4][0].chains[0][2][1] = -1e64;
  bad[5][0].callout.diameter = 1e300;
  for (const auto& b : bad) {
    try {
      WriteSectionSheet(b, {}, path);
      ADD_FAILURE() << "accepted";
    } catch (const ExportError& e) {
      EXPECT_NE(std::string(e.what()).find("\"bad\""), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(WriteSectionSheet({CBoreHole("ok", true)}, {}, dir.File("no/x.svg")), ExportError);
  HoleCallout huge;
  huge.diameter = 1e64;
  EXPECT_THROW(CalloutLines(huge), ExportError);
  EXPECT_EQ(cavix::test::Slurp(path), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
}
