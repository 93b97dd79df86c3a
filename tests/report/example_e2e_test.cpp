// The bundled example end to end: kananet writes its network files, kananet-report reads them
// back and writes the page.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "report/layout_summary.h"
#include "report/network_file.h"
#include "report_test_support.h"

namespace kananet::report {
namespace {

namespace fs = std::filesystem;

using testing::Occurrences;
using testing::ReadFile;

class ExampleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() / ("kananet-report-example-" + std::to_string(::getpid()));
    fs::remove_all(work_);
    fs::copy(fs::path(KANANET_SOURCE_DIR) / "examples", work_, fs::copy_options::recursive);
    // The figures below are those of the two layouts struck one key at a time; the first test
    // reads all the bundled layouts, those with keys pressed together too.
    if (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) !=
        "ReadsTheProgramsNetworksAndDrawsThem") {
      for (const char* name : {"jis-kana-held.txt", "thumb-shift.txt", "two-key-chords.txt"}) {
        fs::remove(work_ / "layout" / name);
      }
    }
    fs::create_directory(work_ / "result");
    const std::string run = "cd '" + work_.string() + "' && '" KANANET_BINARY "' >kananet.out 2>&1";
    ASSERT_EQ(std::system(run.c_str()), 0) << ReadFile(work_ / "kananet.out");
  }
  void TearDown() override { fs::remove_all(work_); }

  fs::path work_;
};

TEST_F(ExampleTest, ReadsTheProgramsNetworksAndDrawsThem) {
  const std::string report = "'" KANANET_REPORT_BINARY "' '" + (work_ / "result").string() +
                             "' >'" + (work_ / "report.out").string() + "' 2>&1";
  ASSERT_EQ(std::system(report.c_str()), 0) << ReadFile(work_ / "report.out");
  EXPECT_NE(ReadFile(work_ / "report.out").find("(5 layouts)"), std::string::npos);

  const std::string page = ReadFile(work_ / "result" / "report.html");
  EXPECT_EQ(Occurrences(page, "<svg class=\"keyboard\""), 5u);
  EXPECT_EQ(page.find("Files not shown"), std::string::npos);
  EXPECT_LT(page.find(">jis-kana</a>"), page.find(">romaji</a>"));
  EXPECT_GE(Occurrences(page, ">ち</text>"), 3u);  // key a of the JIS layout, in every band
  EXPECT_GE(Occurrences(page, ">ー</text>"), 6u);  // the yen key, and the minus key of romaji

  for (const char* name : {"jis-kana.net", "jis-kana-held.net", "romaji.net", "thumb-shift.net",
                           "two-key-chords.net"}) {
    SCOPED_TRACE(name);
    const Network network = ParseNetwork(ReadFile(work_ / "result" / name));
    const LayoutSummary summary = Summarize(network);
    EXPECT_GT(summary.Strokes.Value, 3631u);  // at least one stroke per kana of the text
    EXPECT_TRUE(summary.Strokes.Exact);
    // Both layouts end the left hand at b; the key right of it (6) is never struck.
    ASSERT_TRUE(summary.Split.Known);
    EXPECT_LE(summary.Split.Lowest, 24);
    EXPECT_GE(summary.Split.Highest, 24);
    EXPECT_EQ(summary.LeftWithLowestSplit.Value, summary.LeftWithHighestSplit.Value);
    // Every stroke pairs with the previous one of its hand at most once.
    const std::uint64_t pairs = summary.SameHandPairs[0].Value + summary.SameHandPairs[1].Value +
                                summary.SameHandPairs[2].Value;
    EXPECT_LE(pairs, summary.Strokes.Value);
    EXPECT_GT(pairs, summary.Strokes.Value / 2);
  }
}

std::string Section(const std::string& page, const std::string& start) {
  const std::size_t from = page.find(start);
  return from == std::string::npos ? "" : page.substr(from, page.find("</section>", from) - from);
}

// Run on the working directory with a baseline, the page, the CSV and the JSON tell the same
// figures: the CSV's shares and differences, rounded as the page shows them, are the page's
// cells in order, and the JSON holds the CSV's counts.
TEST_F(ExampleTest, ExportsAndTheBaselineViewAgreeWithThePage) {
  const std::string report = "cd '" + work_.string() +
                             "' && '" KANANET_REPORT_BINARY
                             "' . --baseline jis-kana --csv out.csv --json out.json >report.out "
                             "2>&1";
  ASSERT_EQ(std::system(report.c_str()), 0) << ReadFile(work_ / "report.out");
  const std::string page = ReadFile(work_ / "result" / "report.html");
  const std::string json = ReadFile(work_ / "out.json");
  EXPECT_NE(page.find("3,631 kana in 14 runs"), std::string::npos);
  EXPECT_EQ(page.find("//"), std::string::npos);  // nothing that looks like an address to fetch
  EXPECT_EQ(Occurrences(page, ">by strokes</span>"), 2u);  // the table and jis-kana's header
  EXPECT_EQ(Occurrences(page, ">by kana</span>"), 2u);
  EXPECT_NE(page.find("note</span>: 1.84 strokes per kana on the drawn keys"), std::string::npos);
  // Beside the kana typed alone, the kana typed after JIS kana's prefix keys (を after L) and
  // romaji's (small kana after x), each with its prefix key marked.
  const std::string layers = page.substr(page.find("<div class=\"layers\">"));
  EXPECT_LT(layers.find("<figcaption>after L</figcaption>"), layers.find(">を</text>"));
  EXPECT_NE(layers.find("<figcaption>after x</figcaption>"), std::string::npos);
  EXPECT_EQ(Occurrences(page, "<figcaption>alone</figcaption>"), 2u);
  EXPECT_EQ(Occurrences(page, "class=\"cell layer-key\""), Occurrences(page, "<figcaption>after "));

  // Every figure per 100 kana as the CSV gives it, on the finger table (both layouts) and on the
  // differences table (the baseline's value, then romaji's difference), as the page rounds it.
  const auto rounded = [](const std::string& value, const char* format) {
    char text[32];
    std::snprintf(text, sizeof text, format, std::stod(value));
    return std::string(text) == "+0.0" || std::string(text) == "-0.0" ? "±0.0" : std::string(text);
  };
  std::vector<std::string> fingerCells;
  std::vector<std::string> differenceCells;
  std::vector<std::string> baselineValues;
  std::istringstream csv(ReadFile(work_ / "out.csv"));
  std::string line;
  std::getline(csv, line);
  EXPECT_EQ(line,
            "layout,record,figure,key,other_key,gap,count,percent,exact,difference,"
            "per_100_kana,difference_per_100_kana,kana\r");
  const std::regex figureRow(
      R"(^(\w[\w-]*),figure,([\w.]+),,,,(\d*),([\d.]*),\w*,([-\d.]*),([\d.]*),([-\d.]*),\r$)");
  // The kana behind a figure: on the page and in the JSON, and no more than the figure counts.
  const std::regex problemRow(R"(^(\w[\w-]*),problem,(\w+),(.),(.),0,(\d+),,true,,,,(\S+)\r$)");
  std::map<std::string, std::uint64_t> problemSums;
  std::map<std::string, std::string> figureCounts;
  int figureRows = 0;
  while (std::getline(csv, line)) {
    std::smatch row;
    if (std::regex_match(line, row, problemRow)) {
      problemSums[row[1].str() + " " + row[2].str()] += std::stoull(row[5]);
      EXPECT_NE(page.find("<span class=\"problem-kana\">" + row[6].str() + "</span> <code>" +
                          row[3].str() + "→" + row[4].str() + "</code> " + row[5].str() + "<"),
                std::string::npos)
          << line;
      EXPECT_NE(json.find("{\"kana\": \"" + row[6].str() + "\", \"keys\": ["), std::string::npos);
      continue;
    }
    if (!std::regex_match(line, row, figureRow)) {
      EXPECT_TRUE(line.find(",figure,") == std::string::npos) << line;
      continue;
    }
    ++figureRows;
    const std::string id = row[2];
    figureCounts[row[1].str() + " " + id] = row[3];
    EXPECT_NE(json.find("{\"id\": \"" + id + "\", \"label\": "), std::string::npos);
    if (row[3].length() > 0) {
      EXPECT_NE(json.find("\"count\": " + row[3].str() +
                          ", \"percent\": " + (row[4].length() ? row[4].str() : "null")),
                std::string::npos)
          << line;
      EXPECT_NE(json.find("\"per100Kana\": " + row[6].str()), std::string::npos) << line;
    }
    if (id == "actions") {
      // In the comparison table per kana, not per 100 kana.
      EXPECT_NE(Section(page, "<section class=\"comparison\">")
                    .find(">" + rounded(std::to_string(std::stod(row[6]) / 100), "%.2f") + "</td>"),
                std::string::npos)
          << line;
    }
    if (id.find('.') == std::string::npos && id != "strokes" && id != "actions" && id != "chords") {
      fingerCells.push_back(id + ">" + rounded(row[6], "%.1f"));
    }
    if (row[1] == "jis-kana" && row[6].length() > 0) {
      baselineValues.push_back(id + ">" + rounded(row[6], "%.1f"));
    }
    if (row[1] == "romaji") {
      differenceCells.push_back(baselineValues.at(differenceCells.size() / 2));
      differenceCells.push_back(row[7].length() ? id + ">" + rounded(row[7], "%+.1f") : "");
    }
  }
  EXPECT_EQ(figureRows, 2 * 27);
  EXPECT_EQ(problemSums.size(), 2u * 3);
  for (const auto& [figure, sum] : problemSums) {
    EXPECT_LE(sum, std::stoull(figureCounts.at(figure))) << figure;
  }
  std::erase(differenceCells, "");

  const std::regex cell(
      R"rx(data-figure="([\w.]+)"(?: class="\w+")? title="[^"]*">((?:[-+]|±)?[\d.,]+))rx");
  const auto cells = [&](const std::string& section) {
    std::vector<std::string> found;
    for (std::sregex_iterator it(section.begin(), section.end(), cell), end; it != end; ++it) {
      found.push_back((*it)[1].str() + ">" + (*it)[2].str());
    }
    return found;
  };
  EXPECT_EQ(cells(Section(page, "<section class=\"fingers\">")), fingerCells);
  EXPECT_EQ(cells(Section(page, "<section class=\"differences\">")), differenceCells);
  // The gap columns of the two modes are not compared. Romaji types other kana by single keys
  // than JIS kana, so its keys get no "moved" outline (every key would have one); the tooltip
  // still says what the key types in the baseline.
  EXPECT_NE(page.find("counted in another mode than the baseline: not comparable"),
            std::string::npos);
  const std::size_t romaji = page.find("<article class=\"layout\" id=\"layout-2\"");
  EXPECT_EQ(Occurrences(page.substr(0, romaji), "class=\"moved-mark\""), 0u);
  EXPECT_EQ(Occurrences(page.substr(romaji), "class=\"moved-mark\""), 0u);
  EXPECT_NE(page.find("in jis-kana this key types ち"), std::string::npos);

  EXPECT_EQ(std::system(("cd '" + work_.string() +
                         "' && '" KANANET_REPORT_BINARY "' . --baseline nosuch >report.out 2>&1")
                            .c_str()),
            2 << 8);
}

// A sample text without one kana is warned of by the check, the batch and the report alike,
// and none of them fails on it.
TEST_F(ExampleTest, ATextWithoutKanaIsWarnedOfEverywhere) {
  const std::pair<std::string, std::string> texts[] = {
      {"", "(the file is empty)"},
      {"\x83\x4A\x83\x5E ABC\r\n", "in its 10 bytes (kana are hiragana, ヴ, ー, 、 and 。;"}};
  const std::string warning = "kanasample.txt: warning: holds no kana ";
  for (const auto& [text, why] : texts) {
    std::ofstream(work_ / "kanasample.txt", std::ios::binary) << text;
    for (const std::string program :
         {KANANET_BINARY " --check", KANANET_BINARY, KANANET_REPORT_BINARY " ."}) {
      const std::string run =
          "cd '" + work_.string() + "' && LC_ALL=C.UTF-8 " + program + " >out.txt 2>&1";
      EXPECT_EQ(std::system(run.c_str()), 0) << program << ReadFile(work_ / "out.txt");
      EXPECT_NE(ReadFile(work_ / "out.txt").find(warning + why), std::string::npos)
          << program << ReadFile(work_ / "out.txt");
    }
    EXPECT_NE(ReadFile(work_ / "result" / "report.html").find(why), std::string::npos);
  }
}

// The check's note and the report count the same strokes, those on the drawn keys, and the note
// names the space key's beside them: here romaji types あ after the space key.
TEST_F(ExampleTest, TheCheckAndTheReportCountTheSameStrokes) {
  const fs::path romaji = work_ / "layout" / "romaji.txt";
  const std::string spaced = testing::Replaced(ReadFile(romaji), "\r\na\t", "\r\n<a\t");
  std::ofstream(romaji, std::ios::binary) << spaced;
  const std::string run = "cd '" + work_.string() + "' && '" KANANET_BINARY "' >out.txt 2>&1 && '" +
                          KANANET_REPORT_BINARY "' . --json out.json >>out.txt 2>&1";
  ASSERT_EQ(std::system(run.c_str()), 0) << ReadFile(work_ / "out.txt");
  const std::string json = ReadFile(work_ / "out.json");
  const std::regex note(
      R"(strokes per kana on the drawn keys \((\d+) strokes for the \d+ kana that convert\)(; [\d.]+ with the space key \(\d+ strokes more\))?)");
  for (const auto& [name, space] : {std::pair{"jis-kana", false}, std::pair{"romaji", true}}) {
    SCOPED_TRACE(name);
    const std::size_t from = json.find(std::string("{\"name\": \"") + name + "\"");
    const std::string layout = json.substr(from, json.find("\n{\"name\"", from + 1) - from);
    const std::string strokes = "{\"id\": \"strokes\", ";
    const std::size_t count = layout.find("\"count\": ", layout.find(strokes)) + 9;
    std::smatch found;
    ASSERT_TRUE(std::regex_search(layout, found, note)) << layout;
    EXPECT_EQ(found[1].str(), layout.substr(count, layout.find(',', count) - count));
    EXPECT_EQ(found[2].matched, space);
  }
}

// A layout changed after the batch, or changed so that the batch stops before writing its file:
// the page is written, but says so at the top and on the layout's rows, the console warns and
// says what to do, and the status is 1.
TEST_F(ExampleTest, AStaleResultIsNamedOnThePageAndTheConsole) {
  const std::string layoutFile = (work_ / "layout" / "romaji.txt").string();
  const std::string original = ReadFile(layoutFile);
  const struct {
    const char* From;
    const char* To;
    const char* Advice;
    std::size_t Rows;  // marked stale: comparison, fingers, and the kana of pairs when recounted
  } changes[] = {
      {"\r\na\t", "\r\nq\t", "as they are now: run kananet again\n", 3},  // あ moves from a to q
      {"\r\na\t\x82\xa0\r\n", "\r\n",  // あ undefined: the batch stops, keeping the old file
       "as they are now: kananet stops at a kana of kanasample.txt that layout/romaji.txt does "
       "not define: define it (kananet --check names it), then run kananet again\n",
       2},
  };
  for (const auto& change : changes) {
    SCOPED_TRACE(change.To);
    std::ofstream(layoutFile, std::ios::binary)
        << testing::Replaced(original, change.From, change.To);
    const std::string report =
        "cd '" + work_.string() + "' && '" KANANET_REPORT_BINARY "' . >out.txt 2>err.txt";
    EXPECT_EQ(std::system(report.c_str()), 1 << 8);
    EXPECT_NE(ReadFile(work_ / "out.txt").find("(2 layouts; 1 stale)"), std::string::npos);
    const std::string err = ReadFile(work_ / "err.txt");
    EXPECT_NE(err.find("warning: ./result/romaji.net does not hold"), std::string::npos) << err;
    EXPECT_NE(err.find(change.Advice), std::string::npos) << err;
    const std::string page = ReadFile(work_ / "result" / "report.html");
    const std::string banner = Section(page, "<section class=\"stale-banner\">");
    EXPECT_NE(banner.find(">romaji</a>"), std::string::npos);
    EXPECT_EQ(banner.find("jis-kana"), std::string::npos);
    EXPECT_EQ(Occurrences(page, "<tr class=\"stale-row\">"), change.Rows);
  }
}

}  // namespace
}  // namespace kananet::report
