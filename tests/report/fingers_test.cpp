// The finger figures of a small working directory, worked by hand, in both counting modes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

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

TEST(FingerFiguresTest, ComeExactlyFromTheStrokesInBothModes) {
  const fs::path directory =
      fs::temp_directory_path() / ("kananet-fingers-" + std::to_string(::getpid()));
  fs::remove_all(directory);
  fs::create_directories(directory / "layout");
  std::ofstream(directory / "kanasample.txt") << "いあうえおか\n";
  std::ofstream(directory / "layout" / "kana.txt") << "b\r\n0\r\n4\r\n1\r\n" << kEntries;
  std::ofstream(directory / "layout" / "strokes.txt") << "b\r\n0\r\n4\r\n0\r\n" << kEntries;
  const WorkingDirectory working = ReadWorkingDirectory(directory.string());
  fs::remove_all(directory);

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
    const FingerFigures figures = FingerFiguresOfCounts(recount.Keys, recount.ByStrokes, 24);
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
    // By kana, v-f is at gap 0 although k lies between: the file of that mode cannot tell
    // consecutive strokes, so the report checks it against its own mode's counts.
    EXPECT_EQ(recount.OwnMode[0][20][19], details.CountByKana ? 1u : 0u);

    testing::NetworkCounts counts;
    for (int key = 0; key < 56; ++key) {
      counts.StrokeCounts[key] = recount.Keys[key];
      for (int gap = 0; gap < 3; ++gap) {
        for (int other = 0; other < 56; ++other) {
          counts.PairTallies[gap][key][other] = recount.OwnMode[gap][key][other];
        }
      }
    }
    Network network = ParseNetwork(testing::NetworkText(counts));
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

}  // namespace
}  // namespace kananet::report
