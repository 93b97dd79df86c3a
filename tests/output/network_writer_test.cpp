// Keyboard network writer: output name, positions, number format, and the file's vertex and
// edge lines byte for byte.
#include "output/network_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/entry_counts.h"
#include "analysis/statistics.h"
#include "codes/key_alphabet.h"
#include "codes/number_format.h"
#include "readers/layout.h"
#include "readers/sample_text.h"
#include "reference/key_stream.h"

namespace kananet {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) {
    bytes += static_cast<char>(value);
  }
  return bytes;
}

std::string Number(double value) {
  std::string out;
  AppendNumber(out, value);
  return out;
}

// The file's lines; each must end in CR LF, with no other CR or LF in the file.
std::vector<std::string> Lines(const std::string& network) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = network.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(network.substr(start, end - start));
    EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos) << lines.back();
  }
  EXPECT_EQ(start, network.size()) << "text after the last CR LF";
  return lines;
}

// Line 0 is "*Vertices 330"; then the stroke vertex of key i in band b at 1 + 2 (55 b + i - 1),
// each followed by its repeat vertex; line 331 is "*Edges".
std::size_t StrokeLine(int key, int band) {
  return static_cast<std::size_t>(1 + 2 * (55 * band + key - 1));
}
constexpr std::size_t kEdgesLine = 331;

struct Network {
  std::vector<LayoutEntry> Table = std::vector<LayoutEntry>(kLayoutTableSlots);
  LayoutHeaderValues Header{24, 0, 4, 0};
  KeyCountTable Keys{};
  PairCountTable Pairs{};

  std::vector<std::string> Lines() const {
    return kananet::Lines(BuildKeyboardNetwork(Table, Header, Keys, Pairs));
  }
  std::vector<std::string> Edges() const {
    std::vector<std::string> lines = Lines();
    if (lines.size() <= kEdgesLine || lines[kEdgesLine] != "*Edges") {
      ADD_FAILURE() << "no edge section";
      return {};
    }
    return {lines.begin() + kEdgesLine + 1, lines.end()};
  }
  // The text between the quotation marks of key i's stroke vertex in band 0.
  std::string Label(int key) const {
    std::string line = Lines().at(StrokeLine(key, 0));
    std::size_t open = line.find('"');
    return line.substr(open + 1, line.find('"', open + 1) - open - 1);
  }
};

TEST(NetworkWriterTest, OutputName) {
  EXPECT_EQ(OutputNameOf("abc.txt"), "abc.net");
  EXPECT_EQ(OutputNameOf("a.b.txt"), "a.net");
  EXPECT_EQ(OutputNameOf("nodot"), "nodot.net");
  EXPECT_EQ(OutputNameOf(".txt"), ".net");
}

TEST(NetworkWriterTest, NumberFormat) {
  const std::pair<double, const char*> cases[] = {{1234567, "1.23457e+06"},
                                                  {0.008, "0.008"},
                                                  {0.0437143, "0.0437143"},
                                                  {20, "20"},
                                                  {3.16228, "3.16228"},
                                                  {-0.0416667, "-0.0416667"},
                                                  {0, "0"},
                                                  {0.0001, "0.0001"},
                                                  {0.00001, "1e-05"},
                                                  {999999, "999999"},
                                                  {999999.5, "1e+06"},
                                                  {0.6640625, "0.664062"},
                                                  {4294967295.0, "4.29497e+09"}};
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(Number(value), text) << text;
  }
}

TEST(NetworkWriterTest, Positions) {
  const char* x[] = {"0.008",     "0.0437143", "0.0535714", "0.0892857",
                     "0.0794286", "0.115143",  "0.125",     "0.160714"};
  for (int key = 1; key <= 8; ++key) {
    EXPECT_EQ(Number(KeyX(key)), x[key - 1]) << key;
  }
  EXPECT_EQ(Number(KeyX(55)), "0.982143");

  const char* rows4[3][4] = {{"0.03125", "0.114583", "0.197917", "0.28125"},
                             {"0.364583", "0.447917", "0.53125", "0.614583"},
                             {"0.697917", "0.78125", "0.864583", "0.947917"}};
  const char* rowsMinus48[3][4] = {{"-0.00260417", "-0.00954861", "-0.0164931", "-0.0234375"},
                                   {"0.330729", "0.323785", "0.31684", "0.309896"},
                                   {"0.664062", "0.657118", "0.650174", "0.643229"}};
  for (int band = 0; band < 3; ++band) {
    for (int key = 1; key <= 55; ++key) {
      EXPECT_EQ(Number(KeyY(key, band, 4)), rows4[band][(key - 1) % 4]) << key << " " << band;
      EXPECT_EQ(Number(KeyY(key, band, -48)), rowsMinus48[band][(key - 1) % 4]) << key;
    }
  }
  EXPECT_EQ(Number(KeyY(1, 0, 3)), "-0.0416667");
  EXPECT_EQ(Number(KeyY(2, 0, 3)), "0.0694444");
  EXPECT_EQ(Number(KeyY(4, 2, 3)), "0.958333");
}

TEST(NetworkWriterTest, VerticesAndEdgesOfKeySeven) {
  Network n;
  n.Table[0] = {Bytes({10}), Bytes({1, 5})};  // keys 1 and 5: no single-key entry for key 1
  n.Table[1] = {Bytes({8}), Bytes({7})};      // key 7 types あ
  n.Table[2] = {Bytes({10}), Bytes({7})};     // a later entry for key 7 is not its label
  n.Keys[7] = 400;
  n.Keys[3] = 0xFFFFFFFFu;  // unsigned: its square root is 65536
  n.Pairs[0][7][7] = 16;
  n.Pairs[1][7][7] = 10;
  n.Pairs[0][7][15] = 30;
  n.Pairs[0][15][7] = 12;
  n.Pairs[1][26][31] = 5;
  const std::string network = BuildKeyboardNetwork(n.Table, n.Header, n.Keys, n.Pairs);
  const std::vector<std::string> lines = Lines(network);
  ASSERT_EQ(lines.size(), 334u);
  EXPECT_EQ(network.substr(0, 15), "*Vertices 330\r\n");
  EXPECT_EQ(lines[1], "1 \"\" 0.008 0.03125 0.5 box x_fact 0 y_fact 0 ic Blue");
  EXPECT_EQ(lines[2], "166 \"\" 0.008 0.03125 0.5 box x_fact 0 y_fact 0 ic OliveGreen");
  EXPECT_EQ(lines[StrokeLine(7, 0)],
            "7 \"\x82\xa0\" 0.125 0.197917 0.5 box x_fact 20 y_fact 20 ic Blue");
  EXPECT_EQ(lines[StrokeLine(7, 0) + 1],
            "172 \"\" 0.125 0.197917 0.5 box x_fact 8 y_fact 8 ic OliveGreen");
  EXPECT_EQ(lines[StrokeLine(7, 1)],
            "62 \"\x82\xa0\" 0.125 0.53125 0.5 box x_fact 20 y_fact 20 ic Blue");
  EXPECT_EQ(lines[StrokeLine(7, 1) + 1],
            "227 \"\" 0.125 0.53125 0.5 box x_fact 6.32456 y_fact 6.32456 ic OliveGreen");
  EXPECT_EQ(lines[StrokeLine(7, 2) + 1],
            "282 \"\" 0.125 0.864583 0.5 box x_fact 0 y_fact 0 ic OliveGreen");
  EXPECT_EQ(lines[StrokeLine(3, 1)],
            "58 \"\" 0.0535714 0.53125 0.5 box x_fact 65536 y_fact 65536 ic Blue");
  // Vertex numbers 1, 166, 2, 167, ..., 165, 330, stroke and repeat vertices alternating.
  for (int band = 0; band < 3; ++band) {
    for (int key = 1; key <= 55; ++key) {
      const std::string& stroke = lines[StrokeLine(key, band)];
      const std::string& repeat = lines[StrokeLine(key, band) + 1];
      EXPECT_EQ(stroke.substr(0, stroke.find(' ')), std::to_string(55 * band + key));
      EXPECT_EQ(repeat.substr(0, repeat.find(" \"\" ")), std::to_string(165 + 55 * band + key));
      EXPECT_TRUE(stroke.ends_with(" ic Blue") && repeat.ends_with(" ic OliveGreen")) << stroke;
    }
  }
  const std::string edges = "*Edges\r\n7 15 42\r\n81 86 5\r\n";
  EXPECT_EQ(network.substr(network.size() - edges.size()), edges);
}

TEST(NetworkWriterTest, RowCountZeroWritesZeroForY) {
  Network n;
  n.Header.RowCount = 0;
  const std::vector<std::string> lines = n.Lines();
  ASSERT_EQ(lines.size(), 332u);
  EXPECT_EQ(lines[StrokeLine(1, 0)], "1 \"\" 0.008 0 0.5 box x_fact 0 y_fact 0 ic Blue");
  for (std::size_t i = 1; i <= 330; ++i) {
    std::istringstream fields(lines[i]);
    std::string number, label, x, y;
    fields >> number >> label >> x >> y;
    EXPECT_EQ(y, "0") << lines[i];
  }
}

TEST(NetworkWriterTest, LabelFromTheFirstQualifyingSlot) {
  Network n;
  n.Table[0] = {Bytes({8}), Bytes({3, 9})};      // key 3 then 9: not a label
  n.Table[1] = {Bytes({10}), Bytes({3, 0})};     // key 3 then key 0 qualifies: い
  n.Table[2] = {Bytes({12}), Bytes({3})};        // later: not used
  n.Table[3] = {Bytes({19, 73}), Bytes({5})};    // きゃ: the first kana, き
  n.Table[4] = {Bytes({17}), Bytes({6, 0, 9})};  // second key 0 qualifies: か
  n.Table[5] = {"", Bytes({20})};                // no kana: the full-width space
  n.Table[6] = {Bytes({2}), Bytes({8, 8})};      // key 8 twice: not a label
  n.Table[99998] = {Bytes({8}), Bytes({21})};    // the last searchable slot
  n.Table[99999] = {Bytes({8}), Bytes({22})};    // beyond it
  const std::pair<int, std::string> cases[] = {{3, "\x82\xa2"},  {5, "\x82\xab"}, {6, "\x82\xa9"},
                                               {20, "\x81\x40"}, {8, ""},         {1, ""},
                                               {21, "\x82\xa0"}, {22, ""}};
  for (const auto& [key, label] : cases) {
    EXPECT_EQ(n.Label(key), label) << key;
  }
  const std::vector<std::string> lines = n.Lines();
  EXPECT_EQ(lines.at(StrokeLine(3, 2)).substr(0, 9), "113 \"\x82\xa2\" ");  // all bands
}

TEST(NetworkWriterTest, EdgesByGapClassThenHandThenKeys) {
  Network n;
  auto& pairs = n.Pairs;
  pairs[2][55][54] = 1234567;
  pairs[2][7][15] = 30;
  pairs[2][15][7] = 12;
  pairs[1][27][26] = 7;
  pairs[1][1][2] = 6;
  pairs[0][31][30] = 4;
  pairs[0][25][55] = 5;
  pairs[0][20][3] = 1;
  pairs[0][3][4] = 2;
  pairs[0][24][25] = 9;            // different hands
  pairs[0][0][5] = 9;              // key 0
  pairs[0][7][7] = 9;              // a key with itself
  pairs[3][1][2] = 9;              // no fourth band
  pairs[0][10][11] = 0xFFFFFFFFu;  // with 1 the 32-bit sum wraps to 0: no line
  pairs[0][11][10] = 1;
  pairs[0][12][13] = 0xFFFFFFFFu;  // with 2 it wraps to 1
  pairs[0][13][12] = 2;
  EXPECT_EQ(n.Edges(),
            (std::vector<std::string>{"3 4 2", "3 20 1", "12 13 1", "25 55 5", "30 31 4", "56 57 6",
                                      "81 82 7", "117 125 42", "164 165 1.23457e+06"}));
}

TEST(NetworkWriterTest, EdgesAtTheEndsOfTheHands) {
  Network n;
  const std::pair<int, int> keyPairs[] = {{1, 2}, {2, 3}, {24, 25}, {25, 26}, {53, 54}, {54, 55}};
  for (auto [i, j] : keyPairs) {
    n.Pairs[0][i][j] = 1;
  }
  using Edges = std::vector<std::string>;
  const std::pair<int, Edges> cases[] = {
      {0, {"1 2 1", "2 3 1", "24 25 1", "25 26 1", "53 54 1", "54 55 1"}},
      {1, {"2 3 1", "24 25 1", "25 26 1", "53 54 1", "54 55 1"}},
      {24, {"1 2 1", "2 3 1", "25 26 1", "53 54 1", "54 55 1"}},
      {53, {"1 2 1", "2 3 1", "24 25 1", "25 26 1", "54 55 1"}},
      {54, {"1 2 1", "2 3 1", "24 25 1", "25 26 1", "53 54 1"}},
      {55, {"1 2 1", "2 3 1", "24 25 1", "25 26 1", "53 54 1", "54 55 1"}}};
  for (const auto& [lastLeft, edges] : cases) {
    n.Header.LeftHandLastKey = lastLeft;
    EXPECT_EQ(n.Edges(), edges) << lastLeft;
  }
  n.Pairs = {};
  EXPECT_EQ(n.Edges(), Edges{});  // the file ends with "*Edges"
}

TEST(NetworkWriterTest, FromSampleTextAndLayoutFileToNetwork) {
  std::string kana;
  AppendKanaStream("\x82\xa9\x82\xc8\r\n", kana);  // かな
  Network n;
  FillLayout("b\r\n \r\n4\r\n0\r\nf\t\x82\xa9\r\nj\t\x82\xc8\r\nd;\t\x82\xb8\r\n", n.Header,
             n.Table);
  std::string keys;
  ASSERT_EQ(AppendKeyStream(kana, n.Table, false, false, keys), kNoSlot);
  CountByStrokes(keys, n.Header.LeftHandLastKey, n.Keys, n.Pairs);
  const std::vector<std::string> lines = n.Lines();
  ASSERT_EQ(lines.size(), 334u);
  EXPECT_EQ(lines[StrokeLine(19, 0)],
            "19 \"\x82\xa9\" 0.339286 0.197917 0.5 box x_fact 1 y_fact 1 ic Blue");
  EXPECT_EQ(lines[StrokeLine(15, 1) + 1],
            "235 \"\" 0.267857 0.53125 0.5 box x_fact 2.82843 y_fact 2.82843 ic OliveGreen");
  EXPECT_EQ(lines[332], "70 74 1");
  EXPECT_EQ(lines[333], "86 98 1");
}

// A file with keys pressed together: the thumb keys' vertices follow the 330 others, stroke
// vertices then repeat vertices band by band, and their edges follow each hand's. か is <+f,
// な >+j, に < alone and ず s (ring finger); the text かなにか and ずずず.
TEST(NetworkWriterTest, ThumbKeysOfAChordFileFollowTheOtherVertices) {
  std::string kana;
  AppendKanaStream("\x82\xa9\x82\xc8\x82\xc9\x82\xa9\r\n", kana);
  LayoutDefinition layout =
      ReadLayout("b\n \n4\n0\n%chords\n<+f\t\x82\xa9\n>+j\t\x82\xc8\n<\t\x82\xc9\ns\t\x82\xb8\n");
  LayoutCount count = ConvertAndTallyKanaStream(kana, layout);
  ASSERT_EQ(count.Missing, kNoSlot);
  std::string network =
      BuildKeyboardNetwork(layout.Table, layout.Header, count.Counts.Keys, count.Counts.Pairs);
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < network.size();) {
    std::size_t end = network.find("\r\n", start);
    lines.push_back(network.substr(start, end - start));
    start = end + 2;
  }
  ASSERT_EQ(lines.size(), 1u + 342 + 1 + 2);
  EXPECT_EQ(lines[0], "*Vertices 342");
  EXPECT_EQ(lines[331],
            "331 \"\x82\xc9\" 0.375 0.322917 0.5 box x_fact 1.73205 y_fact 1.73205 ic Blue");
  EXPECT_EQ(lines[332], "332 \"\" 0.660714 0.322917 0.5 box x_fact 1 y_fact 1 ic Blue");
  EXPECT_EQ(lines[337], "337 \"\" 0.375 0.322917 0.5 box x_fact 2 y_fact 2 ic OliveGreen");
  EXPECT_EQ(lines[343], "*Edges");
  // In band 0: s after the chord <+f pairs with f (the nearer finger), and the second <+f
  // after < alone pairs both its keys with <.
  EXPECT_EQ(lines[344], "11 19 1");
  EXPECT_EQ(lines[345], "19 331 1");
}

}  // namespace
}  // namespace kananet
