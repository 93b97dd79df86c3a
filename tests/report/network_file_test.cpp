#include "report/network_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>

#include "codes/keyboard.h"
#include "report/layout_summary.h"
#include "report_test_support.h"

namespace kananet::report {
namespace {

using testing::NetworkCounts;
using testing::NetworkText;
using testing::Replaced;
using testing::SmallExample;

// The vertex and edge lines the format's own example shows, so that the files made here are
// known to be written the way kananet writes them.
TEST(NetworkTextTest, WritesTheDocumentedExampleLines) {
  const std::string text = NetworkText(SmallExample());
  EXPECT_TRUE(
      text.starts_with("*Vertices 330\r\n1 \"\" 0.008 0.03125 0.5 box x_fact 0 y_fact 0 ic Blue\r\n"
                       "166 \"\" 0.008 0.03125 0.5 box x_fact 0 y_fact 0 ic OliveGreen\r\n"));
  EXPECT_NE(text.find("7 \"\x82\xa0\" 0.125 0.197917 0.5 box x_fact 20 y_fact 20 ic Blue\r\n"
                      "172 \"\" 0.125 0.197917 0.5 box x_fact 8 y_fact 8 ic OliveGreen\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("227 \"\" 0.125 0.53125 0.5 box x_fact 6.32456 y_fact 6.32456 ic "
                      "OliveGreen\r\n"),
            std::string::npos);
  EXPECT_TRUE(text.ends_with("*Edges\r\n7 15 42\r\n81 86 5\r\n"));
}

TEST(ParseNetworkTest, ReadsKeysPositionsAndEdgesOfTheExample) {
  std::string lineFeedsOnly = NetworkText(SmallExample());
  std::erase(lineFeedsOnly, '\r');
  for (const std::string& text : {NetworkText(SmallExample()), lineFeedsOnly}) {
    const Network network = ParseNetwork(text);
    const Key& a = network.Keys[7];
    EXPECT_EQ(a.Label, "あ");
    EXPECT_EQ(a.Strokes.Value, 400u);
    EXPECT_EQ(a.Repeats[0].Value, 16u);
    EXPECT_EQ(a.Repeats[1].Value, 10u);  // from the size 6.32456
    EXPECT_TRUE(a.Repeats[1].Exact);
    EXPECT_DOUBLE_EQ(a.StrokeAt[1].X, 0.125);
    EXPECT_DOUBLE_EQ(a.StrokeAt[1].Y, 0.53125);
    EXPECT_DOUBLE_EQ(a.RepeatAt[2].Y, 0.864583);
    EXPECT_EQ(network.Keys[1].Label, "");

    ASSERT_EQ(network.Edges.size(), 2u);
    const Edge& second = network.Edges[1];
    EXPECT_EQ(network.Edges[0].Weight.Value, 42u);
    EXPECT_EQ(std::tuple(second.Band, second.FirstKey, second.SecondKey, second.Weight.Value),
              std::tuple(1, 26, 31, 5u));
  }
}

TEST(ParseNetworkTest, RecoversCountsAndMarksThoseBeyondSixSignificantDigits) {
  struct Case {
    std::uint32_t Count;
    bool Exact;
  };
  // Stroke counts on keys 1, 2, ...: a box size keeps six digits of the count's square root.
  const Case strokes[] = {{1, true},       {2, true},       {3, true},
                          {99999, true},   {100001, true},  {249999, true},
                          {300001, false}, {4000000, false}};  // 547.723; 2000 as for 3999999
  NetworkCounts counts;
  for (int i = 0; i < 8; ++i) {
    counts.StrokeCounts[i + 1] = strokes[i].Count;
  }
  counts.PairTallies[2][3][3] = 62499;   // repeat size 499.996
  counts.PairTallies[0][8][8] = 400000;  // repeat size 1264.91
  counts.PairTallies[0][30][40] = 999999;
  counts.PairTallies[1][30][40] = 1234567;  // weight 1.23457e+06
  const std::string text = NetworkText(counts);
  ASSERT_NE(text.find(" 1.23457e+06\r\n"), std::string::npos);
  const Network network = ParseNetwork(text);

  for (int i = 0; i < 8; ++i) {
    const Count& recovered = network.Keys[i + 1].Strokes;
    EXPECT_NEAR(static_cast<double>(recovered.Value), strokes[i].Count, strokes[i].Exact ? 0 : 1);
    EXPECT_EQ(recovered.Exact, strokes[i].Exact) << strokes[i].Count;
  }
  EXPECT_EQ(network.Keys[3].Repeats[2].Value, 62499u);
  EXPECT_TRUE(network.Keys[3].Repeats[2].Exact);
  EXPECT_FALSE(network.Keys[8].Repeats[0].Exact);
  EXPECT_TRUE(network.Keys[8].Repeats[1].Exact);
  ASSERT_EQ(network.Edges.size(), 2u);
  EXPECT_EQ(network.Edges[0].Weight.Value, 999999u);
  EXPECT_TRUE(network.Edges[0].Weight.Exact);
  EXPECT_EQ(network.Edges[1].Weight.Value, 1234570u);
  EXPECT_FALSE(network.Edges[1].Weight.Exact);
}

TEST(ParseNetworkTest, ReadsBackslashTrailBytesAndPositionsThatAreNotNumbers) {
  NetworkCounts counts;
  counts.Labels[8] = "\x83\x5c";  // ソ: the second byte is a backslash, before the quote
  counts.Labels[9] = "\x81\x5c";  // ―
  const std::string text =
      Replaced(NetworkText(counts), "5 \"\" 0.0794286 0.03125", "5 \"\" 0.0794286 -nan");
  const Network network = ParseNetwork(text);
  EXPECT_EQ(network.Keys[8].Label, "ソ");
  EXPECT_EQ(network.Keys[8].LabelBytes, "\x83\x5c");
  EXPECT_EQ(network.Keys[9].Label, "―");
  EXPECT_EQ(network.Keys[10].Label, "");
  EXPECT_TRUE(std::isnan(network.Keys[5].StrokeAt[0].Y));
}

struct DamagedFile {
  const char* What;
  std::string Text;
  int Line;
  const char* Message;
};

// Each damaged file is rejected with its line and a message that says what is wrong.
void ExpectRejected(const std::vector<DamagedFile>& cases) {
  for (const DamagedFile& damaged : cases) {
    try {
      ParseNetwork(damaged.Text);
      ADD_FAILURE() << damaged.What << ": accepted";
    } catch (const NetworkFormatError& error) {
      EXPECT_EQ(error.Line(), damaged.Line) << damaged.What << ": " << error.what();
      EXPECT_NE(std::string(error.what()).find(damaged.Message), std::string::npos)
          << damaged.What << ": " << error.what();
    }
  }
}

std::string WithoutLine(const std::string& text, const std::string& line) {
  return Replaced(text, line + "\r\n", "");
}

TEST(ParseNetworkTest, NamesTheLineOfEveryDamage) {
  const std::string good = NetworkText(SmallExample());
  const std::string vertex7 = "7 \"\x82\xa0\" 0.125 0.197917 0.5 box x_fact 20 y_fact 20 ic Blue";
  const std::string vertex172 = "172 \"\" 0.125 0.197917 0.5 box x_fact 8 y_fact 8 ic OliveGreen";
  const auto changedVertex7 = [&](const std::string& from, const std::string& to) {
    return Replaced(good, vertex7, Replaced(vertex7, from, to));
  };
  // Vertex 7 is on line 14, vertex 172 on line 15; "*Edges" on line 332, the edges follow.
  const std::vector<DamagedFile> cases = {
      {"empty file", "", 1, "*Vertices 330"},
      {"wrong header", Replaced(good, "*Vertices 330", "*Vertices 331"), 1, "*Vertices 330"},
      {"cut inside a number", good.substr(0, good.find(vertex7) + 20), 14, "middle of this line"},
      {"cut between vertex lines", good.substr(0, good.find(vertex7)), 14, "vertex 7 is missing"},
      {"cut before the edges", good.substr(0, good.find("*Edges")), 332, "before the line"},
      {"missing vertex", WithoutLine(good, vertex172), 331,
       "vertex 172 is missing: \"*Edges\" comes after 329"},
      {"vertex twice", Replaced(good, vertex172, vertex7), 15,
       "vertex 7 appears twice (also on line 14)"},
      {"bad x", changedVertex7("0.125", "0.12x5"), 14,
       "bad number \"0.12x5\" for the x position of vertex 7"},
      {"bad size", changedVertex7("20 y_fact 20", "2O y_fact 2O"), 14,
       "bad number \"2O\" for the size of vertex 7"},
      {"negative size", changedVertex7("20 y_fact 20", "-20 y_fact -20"), 14,
       "not the size of any count"},
      {"missing field", changedVertex7(" 0.5 box", " box"), 14, "expected \"X Y 0.5 box"},
      {"wrong colour", Replaced(good, vertex172, Replaced(vertex172, "OliveGreen", "Blue")), 15,
       "vertex 172 must be coloured OliveGreen"},
      {"one-byte label", changedVertex7("\"\x82\xa0\"", "\"a\""), 14, "neither empty nor"},
      {"kanji label", changedVertex7("\x82\xa0", "\x88\x9f"), 14,
       "label of vertex 7 is not a kana"},
      {"labelled repeat vertex", Replaced(good, "172 \"\"", "172 \"\x82\xa0\""), 15,
       "repeat vertex and has a label"},
      {"bands disagree", Replaced(good, "62 \"\x82\xa0\"", "62 \"\x82\xa2\""), 124,
       "vertex 62 differs in label or size from vertex 7"},
      {"bad weight", Replaced(good, "7 15 42", "7 15 4x2"), 333,
       "bad number \"4x2\" for the weight"},
      {"edge across bands", Replaced(good, "7 15 42", "7 70 42"), 333, "does not join"},
      {"edge to a repeat vertex", Replaced(good, "7 15 42", "7 172 42"), 333, "does not join"},
      {"edge twice", good + "15 7 3\r\n", 335, "appears twice (also on line 333)"},
      {"short edge line", Replaced(good, "7 15 42", "7 15"), 333, "FIRST SECOND WEIGHT"},
      {"blank line at the end", good + "\r\n", 335, "FIRST SECOND WEIGHT"},
  };
  ExpectRejected(cases);
}

// A layout with keys pressed together: the thumb keys' vertices 331-342 and their edges with the
// keys of their hands are read as keys 56 ('<', left) and 57 ('>', right), and count in the
// strokes, the hands and the same-hand pairs, not in the rows.
TEST(ParseNetworkTest, ReadsTheThumbKeysOfALayoutWithKeysPressedTogether) {
  auto keys = std::make_unique<KeyCountTable>();
  auto pairs = std::make_unique<PairCountTable>();
  (*keys)[19] = 16;
  (*keys)[kLeftThumbKey] = 9;
  (*keys)[kRightThumbKey] = 4;
  (*pairs)[0][kLeftThumbKey][kLeftThumbKey] = 4;
  (*pairs)[1][kRightThumbKey][kRightThumbKey] = 1;
  (*pairs)[0][19][kLeftThumbKey] = 3;
  (*pairs)[0][kLeftThumbKey][19] = 2;
  (*pairs)[0][19][20] = 1;
  (*pairs)[2][40][kRightThumbKey] = 7;
  const std::string good = testing::ChordNetworkText(*keys, *pairs, "\x82\xc9");  // に
  const Network network = ParseNetwork(good);
  ASSERT_TRUE(network.Chords);
  EXPECT_EQ(network.LastKey(), 57);
  const Key& left = network.Keys[kLeftThumbKey];
  EXPECT_EQ(left.Label, "に");
  EXPECT_EQ(std::tuple(left.Strokes.Value, left.Repeats[0].Value), std::tuple(9u, 4u));
  EXPECT_EQ(network.Keys[kRightThumbKey].Repeats[1].Value, 1u);
  EXPECT_DOUBLE_EQ(left.StrokeAt[2].X, ThumbX(kLeftThumbKey));
  EXPECT_NEAR(network.Keys[kRightThumbKey].StrokeAt[1].Y, ThumbY(1, 4), 1e-6);
  std::vector<std::tuple<int, int, int, std::uint64_t>> edges;
  for (const Edge& edge : network.Edges) {
    edges.emplace_back(edge.Band, edge.FirstKey, edge.SecondKey, edge.Weight.Value);
  }
  EXPECT_EQ(edges, (std::vector<std::tuple<int, int, int, std::uint64_t>>{
                       {0, 19, 20, 1}, {0, 19, 56, 5}, {2, 40, 57, 7}}));
  const LayoutSummary summary = Summarize(network);
  EXPECT_EQ(summary.Strokes.Value, 29u);
  EXPECT_EQ(summary.Rows[3].Value, 0u);  // key 19 is on the home row; the thumbs on none
  EXPECT_EQ(summary.SameHandPairs[0].Value, 10u);
  EXPECT_EQ(LeftHandStrokes(network, 24).Value, 25u);
  // The thumb keys' edges tell the hands too: 40 is right of the split, 19 and 20 left of it.
  ASSERT_TRUE(summary.Split.Known);
  EXPECT_EQ(std::pair(summary.Split.Lowest, summary.Split.Highest), std::pair(20, 39));

  // Line 332 holds vertex 331, 338 vertex 337, "*Edges" is line 344 and the edges follow.
  const std::string plain = NetworkText(SmallExample());
  const std::vector<DamagedFile> cases = {
      {"thumb vertices missing", Replaced(plain, "*Vertices 330", "*Vertices 342"), 332,
       "vertex 331 is missing: \"*Edges\" comes after 330 of the 342 vertex lines"},
      {"thumb vertex in a plain file",
       Replaced(plain, "*Edges", "331 \"\" 0.3 0.3 0.5 box x_fact 0 y_fact 0 ic Blue\r\n*Edges"),
       332, "expected \"*Edges\" after the 330 vertex lines"},
      {"past the thumb vertices", Replaced(good, "342 \"\"", "343 \"\""), 343, "from 1 to 342"},
      {"labelled thumb repeat", Replaced(good, "337 \"\"", "337 \"\x82\xc9\""), 338,
       "repeat vertex and has a label"},
      {"thumb bands disagree", Replaced(good, "333 \"\x82\xc9\"", "333 \"\x82\xa0\""), 334,
       "vertex 333 differs in label or size from vertex 331"},
      {"two thumb keys", good + "331 332 1\r\n", 348, "does not join"},
      {"thumb of another band", good + "19 333 1\r\n", 348, "335-336 each with a key"},
      {"thumb edge twice", good + "331 19 1\r\n", 348, "appears twice (also on line 346)"},
  };
  ExpectRejected(cases);
}

}  // namespace
}  // namespace kananet::report
