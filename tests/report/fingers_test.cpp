// The finger figures of a small working directory, worked by hand, in both counting modes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include "report/exports.h"
#include "report/fingers.h"
#include "report/layout_details.h"
#include "report/layout_figures.h"
#include "report_test_support.h"

namespace kananet::report {
namespace {

namespace fs = std::filesystem;

// Left hand up to b. い d (left middle), あ f (left index, home row), う j (right index),
// え r (left index, top row), お v (left index, bottom row), か k f (right middle, then left
// index), ず 2 (left ring). The text いあうえおか, with the closing ずずず, is struck
//   d f | j | r v | k | f 2 2 2
// and its nine steps are: d-f inward roll, f-j, j-r alternation, r-v same finger and row jump,
// v-k, k-f alternation, f-2 outward roll, 2-2 twice a repeat.
constexpr char kEntries[] = "d\tい\r\nf\tあ\r\nj\tう\r\nr\tえ\r\nv\tお\r\nkf\tか\r\n2\tず\r\n";

// A network file that holds exactly the counts made again.
Network NetworkOf(const Recount& recount) {
  testing::NetworkCounts counts;
  for (int key = 0; key < 56; ++key) {
    counts.StrokeCounts[key] = recount.Own.Keys[key];
    for (int gap = 0; gap < 3; ++gap) {
      for (int other = 0; other < 56; ++other) {
        counts.PairTallies[gap][key][other] = recount.Own.Pairs[gap][key][other];
      }
    }
  }
  return ParseNetwork(testing::NetworkText(counts));
}

WorkingDirectory ReadDirectory(const std::map<std::string, std::string>& layouts,
                               const std::string& text = "いあうえおか\n") {
  const fs::path directory =
      fs::temp_directory_path() / ("kananet-fingers-" + std::to_string(::getpid()));
  fs::remove_all(directory);
  fs::create_directories(directory / "layout");
  std::ofstream(directory / "kanasample.txt") << text;
  for (const auto& [name, text] : layouts) {
    std::ofstream(directory / "layout" / name) << text;
  }
  WorkingDirectory working = ReadWorkingDirectory(directory.string());
  fs::remove_all(directory);
  return working;
}

TEST(FingerFiguresTest, ComeExactlyFromTheStrokesInBothModes) {
  const WorkingDirectory working =
      ReadDirectory({{"kana.txt", std::string("b\r\n0\r\n4\r\n1\r\n") + kEntries},
                     {"strokes.txt", std::string("b\r\n0\r\n4\r\n0\r\n") + kEntries}});

  EXPECT_EQ(working.Text.Kana, 6u);
  EXPECT_EQ(working.Text.Runs, 1u);
  for (const char* name : {"kana.net", "strokes.net"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(working.Layouts.count(name), 1u);
    const LayoutDetails& details = working.Layouts.at(name);
    ASSERT_TRUE(details.Recounted);
    EXPECT_EQ(details.KanaAlone[19], "あ");
    EXPECT_EQ(details.KanaWithKeys[19], "か");
    const Recount& recount = *details.Recounted;
    const FingerFigures figures = FingerFiguresOfCounts(recount.Own, recount.ByStrokes, 24);
    const std::array<std::uint64_t, kFingerCount> perFinger = {0, 3, 1, 4, 0, 1, 1, 0, 0};
    for (int finger = 0; finger < kFingerCount; ++finger) {
      EXPECT_EQ(figures.Strokes[finger].Value, perFinger[finger]) << finger;
    }
    EXPECT_EQ(figures.AllStrokes.Value, 10u);
    EXPECT_EQ(figures.Alternations.Value, 4u);
    EXPECT_EQ(figures.SameFinger.Value, 1u);
    EXPECT_EQ(figures.Repeats.Value, 2u);
    EXPECT_EQ(figures.InwardRolls.Value, 1u);
    EXPECT_EQ(figures.OutwardRolls.Value, 1u);
    EXPECT_EQ(figures.RowJumps.Value, 1u);
    // The kana behind them: r-v joins え to お, 2-2 is ず after ず twice.
    const auto listed = [&](std::size_t figure) {
      std::string text;
      for (const ProblemPair& pair : details.Problems[figure]) {
        text += pair.Kana + " " + KeyName(pair.FirstKey) + KeyName(pair.SecondKey) + " " +
                std::to_string(pair.Count) + ";";
      }
      return text;
    };
    EXPECT_EQ(listed(0), "えお rv 1;");  // same finger
    EXPECT_EQ(listed(1), "ずず 22 2;");  // repeats
    EXPECT_EQ(listed(2), "えお rv 1;");  // row jumps
    // By kana, v-f is at gap 0 although k lies between: the file of that mode cannot tell
    // consecutive strokes, so the report checks it against its own mode's counts.
    EXPECT_EQ(recount.Own.Pairs[0][20][19], details.CountByKana ? 1u : 0u);

    Network network = NetworkOf(recount);
    EXPECT_TRUE(NetworkMatches(network, recount, 24));
    const std::vector<ReportEntry> entries = {{"x", name, network}};
    EXPECT_TRUE(ViewLayouts(entries, {&details})[0].CountsFromText);
    network.Keys[15].Strokes.Value += 1;  // the file is older than the text and layout
    const std::vector<ReportEntry> stale = {{"x", name, network}};
    const LayoutView view = ViewLayouts(stale, {&details})[0];
    EXPECT_TRUE(view.Stale);
    EXPECT_FALSE(view.Figures.back().Known);
  }
}

// The layout above (10 strokes, one same-finger pair r-v) against one that types あ as f r (a
// second same-finger pair) and う as j k j k j k j k j k j: 21 strokes for the same 6 kana. Its
// same-finger share is lower (2/21 against 1/10), but per 100 kana it has twice as many, and
// that is what marks it worse; alternation, better higher, is judged on its share (4/21 < 4/10).
TEST(FingerFiguresTest, LayoutsCompareOnTheKanaOfTheText) {
  const std::string header = "b\r\n0\r\n4\r\n0\r\n";
  const WorkingDirectory working = ReadDirectory(
      {{"short.txt", header + kEntries},
       {"long.txt",
        header + "d\tい\r\nfr\tあ\r\njkjkjkjkjkj\tう\r\nr\tえ\r\nv\tお\r\nkf\tか\r\n2\tず\r\n"}});
  std::vector<ReportEntry> entries;
  std::vector<const LayoutDetails*> details;
  for (const char* name : {"short.net", "long.net"}) {
    details.push_back(&working.Layouts.at(name));
    entries.push_back({name, name, NetworkOf(*details.back()->Recounted)});
  }
  const std::vector<LayoutView> views = ViewLayouts(entries, details, true, working.Text.Kana);
  const struct {
    const char* Id;
    double ShortPercent, LongPercent, ShortPerKana, LongPerKana;
    bool LongBetter, OnShare;
  } cases[] = {
      {"strokes", 0, 0, 1000.0 / 6, 2100.0 / 6, false, false},
      {"same_finger", 10, 200.0 / 21, 100.0 / 6, 200.0 / 6, false, false},
      {"alternation", 40, 400.0 / 21, 400.0 / 6, 400.0 / 6, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Id);
    const Figure& shortFigure = *FindFigure(views[0], c.Id);
    const Figure& longFigure = *FindFigure(views[1], c.Id);
    if (c.ShortPercent > 0) {
      EXPECT_NEAR(shortFigure.Percent, c.ShortPercent, 1e-9);
      EXPECT_NEAR(longFigure.Percent, c.LongPercent, 1e-9);
    }
    EXPECT_NEAR(shortFigure.PerHundredKana, c.ShortPerKana, 1e-9);
    EXPECT_NEAR(longFigure.PerHundredKana, c.LongPerKana, 1e-9);
    const Judgement judgement = Judge(longFigure, shortFigure, true);
    EXPECT_TRUE(judgement.Known);
    EXPECT_EQ(judgement.Better, c.LongBetter);
    EXPECT_EQ(judgement.OnShare, c.OnShare);
  }
}

// Two layouts that write the same network file: the file holds the later one's counts, so its
// details are the later one's alone, with a word that the earlier result was replaced.
TEST(FingerFiguresTest, ALaterLayoutWritingTheSameFileIsTheOneShown) {
  const WorkingDirectory working =
      ReadDirectory({{"jis.v1.txt", std::string("b\r\n0\r\n4\r\n1\r\nq\tえ\r\n") + kEntries},
                     {"jis.v2.txt", std::string("b\r\n0\r\n4\r\n0\r\n") + kEntries}});
  ASSERT_EQ(working.Layouts.count("jis.net"), 1u);
  const LayoutDetails& details = working.Layouts.at("jis.net");
  EXPECT_EQ(details.LayoutFile, "jis.v2.txt");
  EXPECT_FALSE(details.CountByKana);
  EXPECT_EQ(details.KanaAlone[6], "");  // q types え in the earlier layout only
  EXPECT_EQ(details.KanaAlone[15], "い");
  ASSERT_FALSE(details.Findings.empty());
  EXPECT_NE(details.Findings[0].Message.find("replaced the one of layout/jis.v1.txt"),
            std::string::npos);
  for (const CheckLine& line : details.Findings) {
    EXPECT_EQ(line.Location.find("jis.v1.txt:"), std::string::npos) << line.Message;
  }
}

// A layout with keys pressed together, left hand up to b: か <+f (left thumb and index), え r,
// な >+j, に < alone, あ f, ず 2. The text かえなにあ and ずずず is struck in eight actions
//   {f <} {r} {j >} {<} {f} {2} {2} {2}
// two of them chords. r pairs with f, its finger's key in the action before (same finger); the
// hands of {j >} and {<} have no key in the action before; f follows < (a roll).
TEST(FingerFiguresTest, CountTheActionsAndThumbKeysOfALayoutWithKeysPressedTogether) {
  const WorkingDirectory working =
      ReadDirectory({{"chord.txt",
                      "b\r\n0\r\n4\r\n0\r\n%chords\r\n<+f\tか\r\nr\tえ\r\n>+j\tな\r\n<\tに\r\n"
                      "f\tあ\r\n2\tず\r\n"}},
                    "かえなにあ\n");
  const LayoutDetails& details = working.Layouts.at("chord.net");
  ASSERT_TRUE(details.Recounted);
  const Recount& recount = *details.Recounted;
  EXPECT_EQ(std::tuple(recount.Own.Actions, recount.Own.Chords, recount.Chords),
            std::tuple(8u, 2u, true));
  EXPECT_EQ(std::tuple(details.KanaAlone[kLeftThumbKey], details.KanaWithKeys[kLeftThumbKey],
                       details.KanaWithKeys[kRightThumbKey]),
            std::tuple("に", "か", "な"));
  const FingerFigures figures = FingerFiguresOfCounts(recount.Own, recount.ByStrokes, 24);
  EXPECT_EQ(figures.Strokes[static_cast<int>(Finger::kThumb)].Value, 3u);
  EXPECT_EQ(figures.SameFinger.Value, 1u);
  EXPECT_EQ(details.Problems[0].size(), 1u);
  EXPECT_EQ(details.Problems[0][0].Kana + KeyName(details.Problems[0][0].FirstKey) +
                KeyName(details.Problems[0][0].SecondKey),
            "かえfr");

  // The file holds these counts only with the thumb keys, and only as they are.
  Network network = ParseNetwork(testing::ChordNetworkText(recount.Own.Keys, recount.Own.Pairs));
  EXPECT_TRUE(NetworkMatches(network, recount, 24));
  EXPECT_FALSE(NetworkMatches(NetworkOf(recount), recount, 24));
  const std::vector<ReportEntry> entries = {{"chord", "chord.net", network},
                                            {"alone", "alone.net", network},
                                            {"plain", "plain.net", NetworkOf(recount)}};
  network.Keys[kRightThumbKey].Repeats[2].Value += 1;
  EXPECT_FALSE(NetworkMatches(network, recount, 24));

  // Actions and chords come from the counts made again; from the network file alone a chord
  // file's are not known, and a file without thumb keys has no chords.
  PageContext context;
  context.Working = &working;
  context.Details = {&details, nullptr, nullptr};
  context.Baseline = 2;
  const std::vector<LayoutView> views = ViewPage(entries, context);
  const struct {
    std::size_t View;
    int Id;
    bool Known;
    std::uint64_t Count;
  } cases[] = {{0, kFigureActions, true, 8},  {0, kFigureChords, true, 2},
               {1, kFigureActions, false, 0}, {1, kFigureChords, false, 0},
               {2, kFigureActions, false, 0}, {2, kFigureChords, true, 0}};
  for (const auto& c : cases) {
    const Figure& figure = FigureOf(views[c.View], c.Id);
    EXPECT_EQ(std::tuple(figure.Known, figure.Tally.Value, figure.UnknownWhy.empty()),
              std::tuple(c.Known, c.Count, c.Known))
        << c.View << " " << figure.Id;
  }
  EXPECT_DOUBLE_EQ(FigureOf(views[0], kFigureActions).PerHundredKana, 160);
  // The comparison table, the differences from the baseline and the JSON export.
  const std::string shown = RenderReport("result", entries, {}, context) +
                            ExportJson({"result", &working, &views, 2, nullptr, ""});
  for (const char* part : {
           "8 actions per 1 kana of the text\">1.60</td>",
           "2 chords, 25.0 % of the actions\">2</td>",
           "<tr><td>chords</td><td data-figure=\"chords\"",
           "data-figure=\"chords\" title=\"chords: per 100 kana\">+40.0</td>",
           "{\"id\": \"actions\", \"label\": \"actions\", \"known\": true, \"count\": 8, "
           "\"percent\": null",
           "\"key\": \"<\", \"label\": \"\", \"kanaAlone\": \"に\", \"kanaWithKeys\": \"か\", "
           "\"finger\": \"left thumb\", \"strokes\": 2",
           "\"key\": \">\", \"label\": \"\", \"kanaAlone\": null, \"kanaWithKeys\": null, "
           "\"finger\": \"right thumb\", \"strokes\": 1",
       }) {
    EXPECT_NE(shown.find(part), std::string::npos) << part;
  }
}

}  // namespace
}  // namespace kananet::report
