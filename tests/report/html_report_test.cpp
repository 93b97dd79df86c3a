#include "report/html_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <regex>

#include "codes/text_encoding.h"
#include "report/exports.h"
#include "report/html_text.h"
#include "report/layout_figures.h"
#include "report_test_support.h"

namespace kananet::report {
namespace {

using testing::Occurrences;

ReportEntry Entry(const std::string& name, const Network& network) {
  return {name, name + ".net", network};
}

Network Example() {
  return ParseNetwork(testing::NetworkText(testing::SmallExample()));
}

TEST(RenderReportTest, DrawsOneKeyboardPerLayoutWithItsKana) {
  Network second = Example();
  second.Keys[19].Label = "か";
  const std::string page =
      RenderReport("result", {Entry("first", Example()), Entry("second", second)}, {});
  EXPECT_EQ(Occurrences(page, "<svg class=\"keyboard\""), 2u);
  EXPECT_EQ(Occurrences(page, ">あ</text>"), 6u);  // key 7 in three bands of two keyboards
  EXPECT_EQ(Occurrences(page, ">か</text>"), 3u);
  // Every key of every band has its tooltip; so has every edge.
  EXPECT_EQ(Occurrences(page, "<g class=\"key\"><title>"), 2u * 3 * 55);
  EXPECT_EQ(Occurrences(page, " times</title></path>"), 4u);
  EXPECT_NE(page.find("あ, key a (7)\nstruck 400 times\nagain right after itself at gap 1: 10"),
            std::string::npos);
  EXPECT_LT(page.find(">first</a>"), page.find(">second</a>"));
  // Self-contained: nothing to run, nothing to fetch.
  for (const char* fetching : {"<script", "<link", "<img", "src=", "url(", "@import", "//"}) {
    EXPECT_EQ(page.find(fetching), std::string::npos) << fetching;
  }
}

// A layout that types mostly the baseline's kana by single keys gets the keys whose kana moved
// outlined; one of another kind (romaji) gets none.
TEST(RenderReportTest, OutlinesMovedKanaOnlyAgainstALayoutOfTheSameKind) {
  Network swapped = Example();
  Network other = Example();
  for (int key = 1; key <= 40; ++key) {
    const std::string kana = "\xe3\x81" + std::string(1, static_cast<char>(0x81 + key));
    swapped.Keys[key].Label = kana;
    other.Keys[key].Label = key <= 5 ? kana : "";
  }
  Network base = swapped;
  std::swap(swapped.Keys[1].Label, swapped.Keys[2].Label);
  PageContext context;
  context.Baseline = 0;
  const std::string page = RenderReport(
      "result", {Entry("base", base), Entry("swapped", swapped), Entry("other", other)}, {},
      context);
  const std::size_t second = page.find("id=\"layout-2\"");
  const std::size_t third = page.find("id=\"layout-3\"");
  EXPECT_EQ(Occurrences(page.substr(0, second), "class=\"moved-mark\""), 0u);
  EXPECT_EQ(Occurrences(page.substr(second, third - second), "class=\"moved-mark\""), 2u * 3);
  EXPECT_EQ(Occurrences(page.substr(third), "class=\"moved-mark\""), 0u);
}

TEST(RenderReportTest, EscapesNamesAndListsTheFilesItCouldNotShow) {
  const std::string page =
      RenderReport("a&b", {Entry("<i>x</i>", Example())}, {{"r/<u>.net:3", "found \"<\""}});
  EXPECT_EQ(page.find("<i>"), std::string::npos);
  EXPECT_EQ(page.find("<u>"), std::string::npos);
  EXPECT_NE(page.find("&lt;i&gt;x&lt;/i&gt;"), std::string::npos);
  EXPECT_NE(page.find("a&amp;b"), std::string::npos);
  EXPECT_NE(page.find("Files not shown"), std::string::npos);
  EXPECT_NE(page.find("<code>r/&lt;u&gt;.net:3</code>: found &quot;&lt;&quot;"), std::string::npos);

  const std::string nothingShown = RenderReport("result", {}, {{"result/bad.net:12", "bad"}});
  EXPECT_NE(nothingShown.find("result/bad.net:12"), std::string::npos);
  EXPECT_EQ(nothingShown.find("<svg class=\"keyboard\""), std::string::npos);
  EXPECT_EQ(nothingShown.find("<table"), std::string::npos);
}

TEST(RenderReportTest, MarksFiguresOnlyWhenACountIsInexact) {
  const std::string mark = "<span class=\"approx\" title=";
  const std::string exact = RenderReport("result", {Entry("first", Example())}, {});
  Network network = Example();
  network.Edges[0].Weight = {1234570, false};
  const std::string inexact = RenderReport("result", {Entry("first", network)}, {});
  EXPECT_EQ(Occurrences(exact, mark), 0u);
  EXPECT_GE(Occurrences(inexact, mark), 2u);  // the gap 0 share and the heaviest pair
  EXPECT_NE(inexact.find("about 1,234,570 times"), std::string::npos);
}

TEST(RenderReportTest, ShowsAnOpenHandSplitAsARange) {
  Network network = Example();
  network.Keys[20].Strokes = {100, true};  // keys 7..15 left, 26..31 right, 20 either
  const std::string page = RenderReport("result", {Entry("first", network)}, {});
  // Left: 400 of 500 strokes, or 500 of 500.
  EXPECT_NE(page.find(">80.0–100.0</td>"), std::string::npos);
  EXPECT_NE(page.find(">0.0–20.0</td>"), std::string::npos);
}

TEST(RenderReportTest, DrawsKeysWithoutFinitePositionsAtTheirUsualPlaces) {
  Network network = Example();
  network.Keys[7].StrokeAt[0].Y = std::nan("");
  network.Keys[7].StrokeAt[1].X = 0.9;
  network.Keys[2].RepeatAt[1].X = INFINITY;
  const std::string page = RenderReport("result", {Entry("first", network)}, {});
  EXPECT_NE(page.find("usual places"), std::string::npos);
  EXPECT_FALSE(std::regex_search(page, std::regex("=\"[^\"]*(nan|inf)")));
  // Key 7 in the first two bands at (0.125, 0.197917) and (0.125, 0.53125): the cells
  // are centred there.
  EXPECT_NE(page.find("<rect class=\"cell\" x=\"90.4\" y=\"163.3\""), std::string::npos);
  EXPECT_NE(page.find("<rect class=\"cell\" x=\"90.4\" y=\"496.6\""), std::string::npos);
}

// A layout with keys pressed together gets its thumb keys drawn in every band a row below the
// bottom row, under v and ',', with their kana, tooltips and lines; each band moves down a row
// to make room, so the next band's number row stays a row below them.
TEST(RenderReportTest, DrawsTheThumbKeysOfALayoutWithKeysPressedTogether) {
  auto keys = std::make_unique<KeyCountTable>();
  auto pairs = std::make_unique<PairCountTable>();
  (*keys)[20] = 4;
  (*keys)[56] = 9;
  (*pairs)[0][20][56] = 3;
  const std::string page = RenderReport(
      "result",
      {Entry("chord", ParseNetwork(testing::ChordNetworkText(*keys, *pairs, "\x82\xc9")))}, {});
  EXPECT_EQ(Occurrences(page, "<g class=\"key\"><title>"), 3u * 57);
  EXPECT_EQ(Occurrences(page, ">に</text>"), 3u);
  EXPECT_NE(page.find("に, key &lt; (56)\nstruck 9 times"), std::string::npos);
  EXPECT_NE(page.find("finger: left thumb"), std::string::npos);
  EXPECT_NE(page.find("(keys v and &lt;), gap 0: 3 times"), std::string::npos);
  // Keys 1 (number row), v (bottom row) and < of the first band, then key 1 of the second.
  std::vector<double> ys;
  const std::regex name("class=\"keyname\" x=\"[-\\d.]+\" y=\"([-\\d.]+)\"[^>]*>(1|v|&lt;)<");
  for (std::sregex_iterator it(page.begin(), page.end(), name), end; it != end; ++it) {
    ys.push_back(std::stod((*it)[1]));
  }
  ASSERT_EQ(ys.size(), 9u);
  const double row = (ys[1] - ys[0]) / 3;
  EXPECT_NEAR(ys[2] - ys[1], row, 0.2);
  EXPECT_NEAR(ys[3] - ys[2], row, 0.2);
}

// Numbers of any size are written whole, on the page and in the exports, and NaN and the
// infinities never reach them as numbers: to_chars once failed past 64 bytes, and the whole
// unwritten buffer went into the files.
TEST(ExportNumbersTest, WritesEveryCostWholeAndNoneThatIsNotANumber) {
  const double values[] = {1e60,     -1.7976931348623157e308, 123.45678, std::nan(""), INFINITY,
                           -INFINITY};
  const ReportEntry entry = Entry("first", Example());
  std::vector<LayoutView> views(1);
  views[0].Entry = &entry;
  views[0].Cost.emplace();
  SearchSettings settings;
  for (const double value : values) {
    char expected[400];
    std::snprintf(expected, sizeof expected, "%.4f", value);
    EXPECT_EQ(Fixed(value, 4), expected);
    settings.Weights[kFigureSameFinger] = value;
    views[0].Cost->Total = value;
    const std::string json = ExportJson({"result", nullptr, &views, {}, &settings, "c.toml"});
    const std::string csv = ExportCsv({"result", nullptr, &views, {}, &settings, "c.toml"});
    for (const std::string& file : {json, csv}) {
      EXPECT_TRUE(CheckUtf8(file).WellFormed) << value;
      EXPECT_FALSE(std::regex_search(file, std::regex("[^a-z](nan|inf)[^a-z]"))) << value;
    }
    const std::string whole(expected, std::min<std::size_t>(20, std::strcspn(expected, ".")));
    const std::string total = std::isfinite(value) ? whole : "null";
    EXPECT_NE(json.find("\"total\": " + total), std::string::npos) << value;
  }
}

}  // namespace
}  // namespace kananet::report
