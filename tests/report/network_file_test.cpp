#include "report/network_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

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

}  // namespace
}  // namespace kananet::report
