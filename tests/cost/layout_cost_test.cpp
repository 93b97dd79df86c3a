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
    ASSERT_FALSE(ReadSearchFile(example.File, settings)) << example.File;
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
  ASSERT_FALSE(ReadSearchFile(text.str(), example));
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
    ASSERT_FALSE(ReadSearchFile(example.File, settings)) << example.File;
    Movable movable;
    ASSERT_FALSE(ResolveMovable(settings, table, table.size(), movable)) << example.File;
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
    ASSERT_FALSE(ReadSearchFile(file, settings));
    Movable movable;
    ASSERT_FALSE(ResolveMovable(settings, chords, chords.size(), movable));
    EXPECT_EQ(movable.Keys, keys) << file;
  }
  SearchSettings settings;
  ASSERT_FALSE(ReadSearchFile("\nfree_keys = \"k>\"\n", settings));
  Movable movable;
  const std::optional<SearchFileError> error =
      ResolveMovable(settings, chords, chords.size(), movable);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->Line, 2u);
  EXPECT_EQ(error->What, "free_keys: '>' is a thumb key, which no entry of the layout presses");
}

}  // namespace
}  // namespace kananet
