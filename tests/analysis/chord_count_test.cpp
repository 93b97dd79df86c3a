// Keys pressed together: how a layout file with "%chords" reads its keys, and its count against
// the plain conversion and tally, on hand-made layouts whose pairs are worked out by hand and on
// random tables of actions of up to four keys, thumb keys among them.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "../test_support.h"
#include "analysis/entry_counts.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "readers/layout.h"
#include "readers/sample_text.h"
#include "reference/plain_rules.h"

namespace kananet {
namespace {

using testing::Sjis;

constexpr char kJoin = static_cast<char>(kKeyJoin);

TEST(ChordCountTest, KeysPartReadsActionsOnlyInAFileThatOptsIn) {
  struct Case {
    const char* keys;
    bool chords;
    std::string expected;
  };
  const Case cases[] = {
      {"j+f", true, std::string{19, kJoin, 31}},  // order-free: ascending
      {"f+j", true, std::string{19, kJoin, 31}},
      {"d+kj", true, std::string{15, kJoin, 35, 31}},
      {"R+<+k", true, std::string{35, kJoin, 52, kJoin, 56}},
      {"<>", true, std::string{56, 57}},
      {"+j+", true, std::string{31}},          // a '+' with no key beside it joins nothing
      {"j+f", false, std::string{31, 0, 19}},  // as always: '+' is the space key
      {"<k", false, std::string{0, 35}},
  };
  for (const Case& c : cases) {
    std::string file = std::string("b\n \n4\n0\n") + (c.chords ? "%chords\n" : "%chord\n") +
                       c.keys + "\t" + Sjis("か") + "\n";
    LayoutDefinition layout = ReadLayout(file);
    EXPECT_EQ(layout.Header.Chords, c.chords) << c.keys;
    ASSERT_EQ(layout.Table.size(), 1u);
    EXPECT_EQ(layout.Table[0].Keys, c.expected) << c.keys;
  }
}

// Hand-made layouts: the text かなずずず (ず closes every text) typed with each, and the pair
// counters and actions worked out by hand. Keys: s 11 (left ring), d 15, f 19, j 31 (right
// index), k 35 (right middle), R 52 (right little), < 56, > 57.
TEST(ChordCountTest, HandMadeLayoutsGiveTheirWorkedOutPairs) {
  using Cell = std::tuple<int, int, int>;  // gap class, previous key, key
  struct Case {
    const char* name;
    const char* entries;  // UTF-8, one per line
    int countByKana;
    std::vector<Cell> cells;  // each counted once, but those listed twice
    std::uint64_t actions, chords;
  };
  const Case cases[] = {
      // The shift held through two kana: R repeats, and j pairs with k (middle is nearest index).
      {"held shift",
       "R+k\tか\nR+j\tな\ns\tず\n",
       0,
       {{0, 0, 35}, {0, 0, 52}, {0, 35, 31}, {0, 52, 52}, {2, 0, 11}, {0, 11, 11}, {0, 11, 11}},
       5,
       2},
      // A thumb key of the other hand: each hand presses one key of the chord.
      {"thumb shift",
       "<+k\tか\nj\tな\ns\tず\n",
       0,
       {{0, 0, 56}, {0, 0, 35}, {0, 35, 31}, {1, 56, 11}, {0, 11, 11}, {0, 11, 11}},
       5,
       1},
      // By kana: the chord's keys have the unit's gap class; d then pairs with the f of the
      // chord before, not with the s of its own action.
      {"by kana",
       "f+j\tか\ns+d\tな\nk\tず\n",
       1,
       {{0, 0, 19}, {0, 0, 31}, {0, 19, 11}, {0, 19, 15}, {1, 31, 35}, {0, 35, 35}, {0, 35, 35}},
       5,
       2},
      // The same layout written one key after another pairs inside the entries.
      {"sequential",
       "fj\tか\nsd\tな\nk\tず\n",
       1,
       {{0, 0, 19}, {0, 0, 31}, {0, 19, 11}, {0, 11, 15}, {1, 31, 35}, {0, 35, 35}, {0, 35, 35}},
       7,
       0},
  };
  std::string stream;
  AppendKanaStream(Sjis("かな"), stream);
  for (const Case& c : cases) {
    const bool chords = std::string(c.name) != "sequential";
    LayoutDefinition layout =
        ReadLayout(Sjis(std::string("b\n \n4\n") + std::to_string(c.countByKana) + "\n" +
                        (chords ? "%chords\n" : "") + c.entries));
    auto expected = std::make_unique<PairCountTable>();
    for (auto [gap, previous, key] : c.cells) {
      ++(*expected)[gap][previous][key];
    }
    LayoutCount count = ConvertAndTallyKanaStream(stream, layout);
    ASSERT_EQ(count.Missing, kNoSlot) << c.name;
    EXPECT_EQ(count.Counts.Pairs, *expected) << c.name;
    EXPECT_EQ(count.Counts.Actions, c.actions) << c.name;
    EXPECT_EQ(count.Counts.Chords, c.chords) << c.name;
  }
}

// Random tables of actions against the plain conversion and tally with chords, in both modes,
// with and without breaks after punctuation, on one thread and cut into parts; the check's
// coverage with counts gives the same, and the plain tally by strokes as its counts by strokes;
// and the actions and chords counted in the plain keys.
TEST(ChordCountTest, CountEqualsThePlainTallyOnRandomChordTables) {
  std::mt19937 rng(29u);
  const std::vector<int> kana = {kKanaComma, kKanaFullStop, 8, 10, 12, 19, 21, 41};
  std::vector<int> keys = {0, kLeftThumbKey, kRightThumbKey, 52};
  for (int key = 3; key < kKeyCount; key += 4) {
    keys.push_back(key);
  }
  auto expectedKeys = std::make_unique<KeyCountTable>();
  auto expectedPairs = std::make_unique<PairCountTable>();
  auto strokeKeys = std::make_unique<KeyCountTable>();
  auto strokePairs = std::make_unique<PairCountTable>();
  for (int round = 0; round < 60; ++round) {
    LayoutHeaderValues header{static_cast<std::int32_t>(rng() % 56), static_cast<int>(rng() % 2), 4,
                              static_cast<int>(rng() % 2), true};
    std::vector<LayoutEntry> table;
    for (int entry = 0; entry < 30 + round % 3 * 40; ++entry) {
      std::string entryKana, entryKeys;
      for (std::size_t i = 0, n = 1 + rng() % 3; i < n; ++i) {
        entryKana += static_cast<char>(kana[rng() % kana.size()]);
      }
      for (std::size_t action = 0, n = rng() % 3; action < n; ++action) {
        for (std::size_t i = 0, size = 1 + rng() % (round % 2 == 0 ? 4 : 2); i < size; ++i) {
          entryKeys +=
              std::string(i > 0 ? 1 : 0, kJoin) + static_cast<char>(keys[rng() % keys.size()]);
        }
      }
      table.push_back({entryKana, entryKeys});
    }
    for (int code : kana) {
      table.push_back({std::string(1, static_cast<char>(code)), std::string{17, kJoin, 57}});
    }
    std::vector<int> text = kana;
    text.push_back(kRunBreak);
    std::string stream = "\xFF";
    for (int i = 0; i < 2000; ++i) {
      stream += static_cast<char>(text[rng() % text.size()]);
    }
    reference::PlainConversion plain = reference::ConvertByScan(
        stream, table, header.CountByKana != 0, header.BreakAfterPunctuation != 0);
    ASSERT_EQ(plain.Missing, kNoSlot);
    reference::PlainTally(plain.Keys, header.LeftHandLastKey, header.CountByKana != 0,
                          *expectedKeys, *expectedPairs, true);
    reference::PlainTally(
        reference::ConvertByScan(stream, table, false, header.BreakAfterPunctuation != 0).Keys,
        header.LeftHandLastKey, false, *strokeKeys, *strokePairs, true);
    std::uint64_t actions = 0, chordCount = 0;
    for (std::size_t i = 0; i < plain.Keys.size(); ++i) {
      const auto byte = static_cast<std::uint8_t>(plain.Keys[i]);
      if (byte < kKeyCountWithThumbs && (i == 0 || plain.Keys[i - 1] != kJoin)) {
        ++actions;
        chordCount += i + 1 < plain.Keys.size() && plain.Keys[i + 1] == kJoin;
      }
    }
    for (unsigned jobs : {1u, 3u}) {
      SCOPED_TRACE(::testing::Message() << "round " << round << ", " << jobs << " jobs");
      auto counts = std::make_unique<LayoutCounts>();
      ASSERT_EQ(CountKanaStream(stream, table, header, jobs, *counts, 1), kNoSlot);
      EXPECT_EQ(counts->Keys, *expectedKeys);
      EXPECT_EQ(counts->Pairs, *expectedPairs);
      EXPECT_EQ(counts->Actions, actions);
      EXPECT_EQ(counts->Chords, chordCount);
      const LayoutCoverage coverage = CoverKanaStream(stream, table, header, true, jobs, 1);
      EXPECT_EQ(coverage.Counts.Pairs, *expectedPairs);
      EXPECT_EQ(coverage.ByStrokes, *strokePairs);
      EXPECT_EQ(coverage.Counts.Actions, actions);
    }
  }
}

}  // namespace
}  // namespace kananet
