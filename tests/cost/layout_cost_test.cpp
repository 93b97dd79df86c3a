// A layout's cost under search files, worked by hand: weighted figures per 100 kana, and
// finger targets as squared differences of shares in percentage points.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "codes/key_alphabet.h"
#include "cost/layout_cost.h"
#include "cost/search_file.h"

namespace kananet {
namespace {

TEST(LayoutCostTest, WeighsFiguresAndFingerTargets) {
  // 200 kana; 40 strokes: 30 of the left index finger, 10 of the right index; 8 same-finger.
  FigureCounts counts{};
  counts[kFigureFingerFirst + static_cast<int>(Finger::kLeftIndex)] = 30;
  counts[kFigureFingerFirst + static_cast<int>(Finger::kRightIndex)] = 10;
  counts[kFigureSameFinger] = 8;
  const struct {
    const char* File;
    double FingerTargets;
    double Total;
  } cases[] = {
      {"[weights]\nsame_finger = 2\n", 0, 2 * 4.0},
      // left index 75 % against 50: 25 points off, squared 625; no weight given: 1.
      {"[weights]\n[finger_targets]\n\"finger.left_index\" = 0.5\n", 625, 625},
      // and the right index 25 % against 40: 15 points off, 225; both times 0.01.
      {"[weights]\nsame_finger = 1\n[finger_targets]\nweight = 0.01\n"
       "\"finger.left_index\" = 0.5\n\"finger.right_index\" = 0.4\n",
       8.5, 4 + 8.5},
      {"[weights]\n[finger_targets]\nweight = 0\n\"finger.left_index\" = 0.5\n", 0, 0},
  };
  for (const auto& example : cases) {
    SearchSettings settings;
    ASSERT_TRUE(ReadSearchFile(example.File, settings).empty()) << example.File;
    const LayoutCost cost = CostOfLayout(counts, settings, 200);
    EXPECT_DOUBLE_EQ(cost.FingerTargets, example.FingerTargets) << example.File;
    EXPECT_DOUBLE_EQ(cost.Total, example.Total) << example.File;
  }
}

// A layout that types each kana in more strokes must not look better for it: the default
// weights (which the example file repeats) charge each stroke more than it can earn.
TEST(LayoutCostTest, TheDefaultWeightsAreTheExampleFileAndPayForNoStroke) {
  std::ifstream file(KANANET_SOURCE_DIR "/examples/search.toml");
  std::stringstream text;
  text << file.rdbuf();
  SearchSettings example;
  ASSERT_TRUE(ReadSearchFile(text.str(), example).empty());
  EXPECT_EQ(example.Weights, DefaultSettings().Weights);
  for (const int leftHandLastKey : {0, 20, 27, 40, 55}) {
    EXPECT_LT(StrokeReward(DefaultSettings().Weights, leftHandLastKey), 0) << leftHandLastKey;
  }
}

// The keys a search may move: by default every key an entry uses but the shift keys L and R
// and the keys that only ever start an entry of several (n here; x also types after k, so it
// is no prefix); free_keys names those that should move, and pin_keys keeps a key in place.
TEST(LayoutCostTest, HeldAndPrefixKeysStayUnlessFreeKeysNamesThem) {
  const std::vector<LayoutEntry> table = {
      {"\x11", {19}},     {"\x12", {4, 31}},  {"\x13", {52, 19}}, {"\x14", {12, 35}},
      {"\x15", {12, 31}}, {"\x16", {35, 12}}, {"\x17", {28, 35}}};
  const struct {
    const char* File;
    std::vector<int> Keys;
  } cases[] = {
      {"", {12, 19, 31, 35}},
      {"free_keys = \"fjkLR\"\n", {4, 19, 31, 35, 52}},
      {"pin_keys = \"k\"\n", {12, 19, 31}},
  };
  for (const auto& example : cases) {
    SearchSettings settings;
    ASSERT_TRUE(ReadSearchFile(example.File, settings).empty()) << example.File;
    Movable movable;
    ASSERT_TRUE(ResolveMovable(settings, table, table.size(), movable).empty()) << example.File;
    EXPECT_EQ(movable.Keys, example.Keys) << example.File;
  }
  // A thumb key that an action presses moves only where free_keys names it; a key pressed
  // together with another (q, with j) in an entry of one action is no prefix.
  const char join = static_cast<char>(kKeyJoin);
  std::vector<LayoutEntry> chords = table;
  chords.push_back({"\x18", {19, join, static_cast<char>(kLeftThumbKey)}});
  chords.push_back({"\x19", {6, join, 31}});
  for (const auto& [file, keys] : {std::pair("", std::vector<int>{6, 12, 19, 31, 35}),
                                   std::pair("free_keys = \"k<\"\n", std::vector<int>{35, 56})}) {
    SearchSettings settings;
    ASSERT_TRUE(ReadSearchFile(file, settings).empty());
    Movable movable;
    ASSERT_TRUE(ResolveMovable(settings, chords, chords.size(), movable).empty());
    EXPECT_EQ(movable.Keys, keys) << file;
  }
  SearchSettings settings;
  ASSERT_TRUE(ReadSearchFile("\nfree_keys = \"k>\"\n", settings).empty());
  Movable movable;
  const std::vector<SearchFileError> errors =
      ResolveMovable(settings, chords, chords.size(), movable);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].Line, 2u);
  EXPECT_EQ(errors[0].What, "free_keys: '>' is a thumb key, which no entry of the layout presses");
}

// Every mistake of a search file at once, each on its line as the programs print it: numbers
// that are none or too large to weigh with, ids near one that is known, characters named whole
// and control bytes escaped; a file too large or nested too deep is refused before it is parsed
// (the parser overflowed the stack on 50,000 parts).
TEST(SearchFileTest, NamesEveryMistakeOnItsLine) {
  std::string deepHeader = "[a";
  std::string dotted, tables;
  for (int part = 0; part < 20000; ++part) {
    deepHeader += ".a";
    dotted += part < 101 ? "\"a\"." : "";
    tables += part < 99 ? "{a = " : "";
  }
  const std::string nest = "levels deep here; a search file's nest two";
  const struct {
    std::string File;
    std::vector<std::string> Lines;
  } cases[] = {
      {"[weights]\nsame_fingr = 1\nrow_jumps = 1\nalternaton = 1\npin_key = \"a\"\n",
       {"f:2: error: unknown figure id \"same_fingr\"; did you mean same_finger?",
        "f:4: error: unknown figure id \"alternaton\"; did you mean alternation?",
        "f:5: error: unknown figure id \"pin_key\""}},
      {"pin_key = \"a\"\n[finger_targets]\n\"finger.left_idx\" = 0.2\nwieght = 1\n",
       {"f:1: error: unknown setting \"pin_key\"; did you mean pin_keys?",
        "f:3: error: finger_targets: \"finger.left_idx\" is not a finger id (finger.left_index "
        "...); did you mean finger.left_index?",
        "f:4: error: finger_targets: \"wieght\" is not a finger id (finger.left_index ...); did "
        "you mean weight?"}},
      {"[weights]\nsame_finger = nan\nrepeats = inf\nrow_jumps = -1e60\nstrokes = 9007199254740993"
       "\nalternation = \"1\"\n",
       {"f:2: error: the weight of same_finger must be a number from -1e12 to 1e12, not nan",
        "f:3: error: the weight of repeats must be a number from -1e12 to 1e12, not inf",
        "f:4: error: the weight of row_jumps must be a number from -1e12 to 1e12, not -1e+60",
        "f:5: error: the weight of strokes must be a number from -1e12 to 1e12, not "
        "9007199254740993",
        "f:6: error: the weight of alternation must be a number from -1e12 to 1e12"}},
      {"[finger_targets]\nweight = -inf\n\"finger.left_index\" = nan\n\"finger.right_index\" = 2\n",
       {"f:2: error: finger_targets: weight must be a number from -1e12 to 1e12, not -inf",
        "f:3: error: finger_targets: the share of finger.left_index must be a number from 0 to 1, "
        "not nan",
        "f:4: error: finger_targets: the share of finger.right_index must be a number from 0 to "
        "1, not 2"}},
      {"free_keys = \"asd\xE3\x81\x82\"\npin_keys = \"\\u001b\"\n",
       {"f:1: error: free_keys: '\xE3\x81\x82' is not a key of the keyboard",
        "f:2: error: pin_keys: '\\x1b' is not a key of the keyboard"}},
      {"pin_kana = \"\xE3\x81\x8B\xE3\x82\x99\xE6\xBC\xA2\"\n",
       {"f:1: error: pin_kana: '\xE6\xBC\xA2' is not a kana"}},
      {"\npin_kana = \"\\u001b[2J\"\n", {"f:2: error: pin_kana: '\\x1b' is not a kana"}},
      {"[weights]\n\"x\\nf:1: error: forged\\u001b[2J\" = 1\n",
       {"f:2: error: unknown figure id \"x\\nf:1: error: forged\\x1b[2J\""}},
      {"[weights]\nsame_finger = 1\n\n" + deepHeader + "]\n",
       {"f:4: error: keys nest more than 100 " + nest}},
      {"\n" + dotted + "a = 1\n", {"f:2: error: keys nest more than 100 " + nest}},
      {"x = " + std::string(101, '[') + std::string(101, ']') + "\n",
       {"f:1: error: keys nest more than 100 " + nest}},
      {"x = {a = 1, b = " + tables + "1" + std::string(99, '}') + "}\n",
       {"f:1: error: keys nest more than 100 " + nest}},
      // Dots in strings, comments and numbers are no levels.
      {"# " + std::string(500, '.') + "\nx = [\"" + std::string(500, '.') + "\", '''\n...''', " +
           "1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5, 9.5, 10.5, 11.5, 12.5]\ny = 1\n",
       {"f:2: error: unknown setting \"x\"", "f:4: error: unknown setting \"y\""}},
      {"#" + std::string(kLargestSearchFile, ' '),
       {"f:1: error: the search file holds 1,048,577 bytes, more than the 1,048,576 a search file "
        "may"}},
  };
  for (const auto& example : cases) {
    SearchSettings settings;
    std::vector<std::string> lines;
    for (const SearchFileError& error : ReadSearchFile(example.File, settings)) {
      lines.push_back(SearchFileErrorLine("f", error));
      lines.back().pop_back();
    }
    EXPECT_EQ(lines, example.Lines) << example.File.substr(0, 200);
  }
}

}  // namespace
}  // namespace kananet
