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
    const Key& a = network.keys[7];
    EXPECT_EQ(a.label, "あ");
    EXPECT_EQ(a.strokes.value, 400u);
    EXPECT_EQ(a.repeats[0].value, 16u);
    EXPECT_EQ(a.repeats[1].value, 10u);  // from the size 6.32456
    EXPECT_TRUE(a.repeats[1].exact);
    EXPECT_DOUBLE_EQ(a.strokeAt[1].x, 0.125);
    EXPECT_DOUBLE_EQ(a.strokeAt[1].y, 0.53125);
    EXPECT_DOUBLE_EQ(a.repeatAt[2].y, 0.864583);
    EXPECT_EQ(network.keys[1].label, "");

    ASSERT_EQ(network.edges.size(), 2u);
    const Edge& second = network.edges[1];
    EXPECT_EQ(network.edges[0].weight.value, 42u);
    EXPECT_EQ(std::tuple(second.band, second.firstKey, second.secondKey, second.weight.value),
              std::tuple(1, 26, 31, 5u));
  }
}

TEST(ParseNetworkTest, RecoversCountsAndMarksThoseBeyondSixSignificantDigits) {
  struct Case {
    std::uint32_t count;
    bool exact;
  };
  // Stroke counts on keys 1, 2, ...: a box size keeps six digits of the count's square root.
  const Case strokes[] = {{1, true},       {2, true},       {3, true},
                          {99999, true},   {100001, true},  {249999, true},
                          {300001, false}, {4000000, false}};  // 547.723; 2000 as for 3999999
  NetworkCounts counts;
  for (int i = 0; i < 8; ++i) {
    counts.keyCounts[i + 1] = strokes[i].count;
  }
  counts.pairCounts[2][3][3] = 62499;   // repeat size 499.996
  counts.pairCounts[0][8][8] = 400000;  // repeat size 1264.91
  counts.pairCounts[0][30][40] = 999999;
  counts.pairCounts[1][30][40] = 1234567;  // weight 1.23457e+06
  const std::string text = NetworkText(counts);
  ASSERT_NE(text.find(" 1.23457e+06\r\n"), std::string::npos);
  const Network network = ParseNetwork(text);

  for (int i = 0; i < 8; ++i) {
    const Count& recovered = network.keys[i + 1].strokes;
    EXPECT_NEAR(static_cast<double>(recovered.value), strokes[i].count, strokes[i].exact ? 0 : 1);
    EXPECT_EQ(recovered.exact, strokes[i].exact) << strokes[i].count;
  }
  EXPECT_EQ(network.keys[3].repeats[2].value, 62499u);
  EXPECT_TRUE(network.keys[3].repeats[2].exact);
  EXPECT_FALSE(network.keys[8].repeats[0].exact);
  EXPECT_TRUE(network.keys[8].repeats[1].exact);
  ASSERT_EQ(network.edges.size(), 2u);
  EXPECT_EQ(network.edges[0].weight.value, 999999u);
  EXPECT_TRUE(network.edges[0].weight.exact);
  EXPECT_EQ(network.edges[1].weight.value, 1234570u);
  EXPECT_FALSE(network.edges[1].weight.exact);
}

TEST(ParseNetworkTest, ReadsBackslashTrailBytesAndPositionsThatAreNotNumbers) {
  NetworkCounts counts;
  counts.labels[8] = "\x83\x5c";  // ソ: the second byte is a backslash, before the quote
  counts.labels[9] = "\x81\x5c";  // ―
  const std::string text =
      Replaced(NetworkText(counts), "5 \"\" 0.0794286 0.03125", "5 \"\" 0.0794286 -nan");
  const Network network = ParseNetwork(text);
  EXPECT_EQ(network.keys[8].label, "ソ");
  EXPECT_EQ(network.keys[8].labelBytes, "\x83\x5c");
  EXPECT_EQ(network.keys[9].label, "―");
  EXPECT_EQ(network.keys[10].label, "");
  EXPECT_TRUE(std::isnan(network.keys[5].strokeAt[0].y));
}

struct DamagedFile {
  const char* what;
  std::string text;
  int line;
  const char* message;
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
      ParseNetwork(damaged.text);
      ADD_FAILURE() << damaged.what << ": accepted";
    } catch (const NetworkFormatError& error) {
      EXPECT_EQ(error.line(), damaged.line) << damaged.what << ": " << error.what();
      EXPECT_NE(std::string(error.what()).find(damaged.message), std::string::npos)
          << damaged.what << ": " << error.what();
    }
  }
}

}  // namespace
}  // namespace kananet::report
