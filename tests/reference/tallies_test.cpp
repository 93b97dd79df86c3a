// The tallies of a KeyStream: same-hand pairs by gap class, counted in strokes of the other hand or
// in kana units, and the totals both modes must keep.
#include "reference/key_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <tuple>

#include "codes/key_alphabet.h"

namespace kananet {
namespace {

// With 24 as the last left-hand key: f, d, a are left-hand keys, j and k right-hand keys.
constexpr int kL1 = 19, kL2 = 15, kL3 = 7, kR1 = 31, kR2 = 35, kRb = 0xFF, kUe = 0xFE;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) {
    bytes += static_cast<char>(value);
  }
  return bytes;
}

using PairSet = std::map<std::tuple<int, int, int>, std::uint32_t>;  // class, previous, current

struct Counts {
  KeyCountTable Keys;
  PairCountTable Pairs;

  // Every nonzero pair counter, over all four planes and all 64 rows and columns.
  PairSet Nonzero() const {
    PairSet nonzero;
    for (int k = 0; k < 4; ++k) {
      for (int p = 0; p < 64; ++p) {
        for (int c = 0; c < 64; ++c) {
          if (Pairs[k][p][c] != 0) {
            nonzero[{k, p, c}] = Pairs[k][p][c];
          }
        }
      }
    }
    return nonzero;
  }
};

// Counts the stream into tables that start full of garbage, so a missing clear shows.
std::unique_ptr<Counts> Count(const std::string& stream, bool byKana,
                              std::int32_t leftHandLastKey = 24) {
  auto counts = std::make_unique<Counts>();
  counts->Keys.fill(7);
  for (auto& plane : counts->Pairs) {
    for (auto& row : plane) {
      row.fill(7);
    }
  }
  (byKana ? CountByKana : CountByStrokes)(stream, leftHandLastKey, counts->Keys, counts->Pairs);
  return counts;
}

TEST(StatisticsTest, PairsOfSmallRuns) {
  struct Case {
    const char* Name;
    std::string Stream;
    bool ByKana;
    std::int32_t LeftHandLastKey;
    PairSet Expected;
  };
  // clang-format off
  const Case cases[] = {
      {"empty", "", false, 24, {}},
      {"markers only", Bytes({kRb, kUe, kRb, kUe}), true, 24, {}},
      {"L1 L2", Bytes({kRb, kL1, kL2}), false, 24, {{{0, 0, kL1}, 1}, {{0, kL1, kL2}, 1}}},
      {"L1 R1: right pairs with key 0 at class 1", Bytes({kRb, kL1, kR1}), false, 24,
       {{{0, 0, kL1}, 1}, {{1, 0, kR1}, 1}}},
      {"L1 R1 L2", Bytes({kRb, kL1, kR1, kL2}), false, 24,
       {{{0, 0, kL1}, 1}, {{1, 0, kR1}, 1}, {{1, kL1, kL2}, 1}}},
      {"L1 R1 R2 L2", Bytes({kRb, kL1, kR1, kR2, kL2}), false, 24,
       {{{0, 0, kL1}, 1}, {{1, 0, kR1}, 1}, {{0, kR1, kR2}, 1}, {{2, kL1, kL2}, 1}}},
      {"four right strokes between stay class 2", Bytes({kRb, kL1, kR1, kR2, kR1, kR2, kL2}), false, 24,
       {{{0, 0, kL1}, 1}, {{1, 0, kR1}, 1}, {{0, kR1, kR2}, 2}, {{0, kR2, kR1}, 1}, {{2, kL1, kL2}, 1}}},
      {"L1 L2 L3 R1: right pairs with key 0 at class 2", Bytes({kRb, kL1, kL2, kL3, kR1}), false, 24,
       {{{0, 0, kL1}, 1}, {{0, kL1, kL2}, 1}, {{0, kL2, kL3}, 1}, {{2, 0, kR1}, 1}}},
      {"no RunBreak at the start", Bytes({kL1, kR1}), false, 24, {{{0, 0, kL1}, 1}, {{1, 0, kR1}, 1}}},
      {"RunBreak cuts the pair and resets both gaps", Bytes({kRb, kL1, kR1, kR2, kRb, kR1, kL2}), false, 24,
       {{{0, 0, kL1}, 1}, {{1, 0, kR1}, 1}, {{0, kR1, kR2}, 1}, {{0, 0, kR1}, 1}, {{1, 0, kL2}, 1}}},
      {"last left-hand key 55: every pair class 0", Bytes({kRb, 1, 55, 31, 0, 28}), false, 55,
       {{{0, 0, 1}, 1}, {{0, 1, 55}, 1}, {{0, 55, 31}, 1}, {{0, 31, 0}, 1}, {{0, 0, 28}, 1}}},
      {"key 24 left, 25 right", Bytes({kRb, 24, 25, 24}), false, 24,
       {{{0, 0, 24}, 1}, {{1, 0, 25}, 1}, {{1, 24, 24}, 1}}},
      {"key 0 is a left-hand key and a previous key", Bytes({kRb, kR1, kL1, 0, kL2, kR2}), false, 24,
       {{{0, 0, kR1}, 1}, {{1, 0, kL1}, 1}, {{0, kL1, 0}, 1}, {{0, 0, kL2}, 1}, {{2, kR1, kR2}, 1}}},
      {"last left-hand key 0: only key 0 left", Bytes({kRb, 1, 2, 0, 3}), false, 0,
       {{{0, 0, 1}, 1}, {{0, 1, 2}, 1}, {{2, 0, 0}, 1}, {{1, 2, 3}, 1}}},
      {"units (L1)(R1)(L2 L3): L3 gets its unit's class", Bytes({kRb, kL1, kUe, kR1, kUe, kL2, kL3, kUe}), true, 24,
       {{{0, 0, kL1}, 1}, {{1, 0, kR1}, 1}, {{1, kL1, kL2}, 1}, {{1, kL2, kL3}, 1}}},
      {"units (L1 R1)(L2)", Bytes({kRb, kL1, kR1, kUe, kL2, kUe}), true, 24,
       {{{0, 0, kL1}, 1}, {{0, 0, kR1}, 1}, {{0, kL1, kL2}, 1}}},
      {"an empty unit raises both gaps", Bytes({kRb, kL1, kR1, kUe, kUe, kL2, kR2, kUe}), true, 24,
       {{{0, 0, kL1}, 1}, {{0, 0, kR1}, 1}, {{1, kL1, kL2}, 1}, {{1, kR1, kR2}, 1}}},
      {"units, not strokes: three right strokes in one unit", Bytes({kRb, kL1, kUe, kR1, kR2, kR1, kUe, kL2}), true, 24,
       {{{0, 0, kL1}, 1}, {{1, 0, kR1}, 1}, {{1, kR1, kR2}, 1}, {{1, kR2, kR1}, 1}, {{1, kL1, kL2}, 1}}},
      {"three empty units stay class 2", Bytes({kRb, kL1, kUe, kUe, kUe, kUe, kL2, kUe, kR1}), true, 24,
       {{{0, 0, kL1}, 1}, {{2, kL1, kL2}, 1}, {{2, 0, kR1}, 1}}},
      {"by kana, RunBreak after a unit", Bytes({kRb, kL1, kUe, kR1, kUe, kRb, kR2, kUe, kUe, kL2, kUe}), true, 24,
       {{{0, 0, kL1}, 1}, {{1, 0, kR1}, 1}, {{0, 0, kR2}, 1}, {{2, 0, kL2}, 1}}},
      {"by kana, key 0 left", Bytes({kRb, 0, kUe, kR1, kUe, kL1, kUe}), true, 24,
       {{{0, 0, 0}, 1}, {{1, 0, kR1}, 1}, {{1, 0, kL1}, 1}}},
  };
  // clang-format on
  for (const Case& c : cases) {
    auto counts = Count(c.Stream, c.ByKana, c.LeftHandLastKey);
    EXPECT_EQ(counts->Nonzero(), c.Expected) << c.Name;
  }
}

TEST(StatisticsTest, KeyCountsAndTotalsAgreeOnRandomStreams) {
  auto counts = Count(Bytes({kRb, kL1, kL1, kUe, 0, kR1, kRb, kL1}), true);
  KeyCountTable expected{};
  expected[kL1] = 3;
  expected[0] = expected[kR1] = 1;
  EXPECT_EQ(counts->Keys, expected);

  std::mt19937 rng(4242u);
  for (int round = 0; round < 200; ++round) {
    const bool byKana = round % 2 == 1;
    const auto leftHandLastKey = static_cast<std::int32_t>(rng() % 56);
    std::string stream;
    std::uint64_t strokes = 0;
    for (std::size_t n = rng() % 300; n > 0; --n) {
      std::uint32_t pick = rng() % 10;
      if (pick == 0 || (pick == 1 && byKana)) {
        stream += static_cast<char>(pick == 0 ? kRunBreak : kUnitEnd);
      } else {
        stream += static_cast<char>(rng() % 56);
        ++strokes;
      }
    }
    counts = Count(stream, byKana, leftHandLastKey);
    std::uint64_t keySum = 0, pairSum = 0;
    for (int k = 0; k < 64; ++k) {
      keySum += counts->Keys[k];
    }
    for (const auto& [pair, count] : counts->Nonzero()) {
      auto [gapClass, previous, current] = pair;
      pairSum += count;
      ASSERT_LT(gapClass, 3) << "plane 3 stays 0";
      ASSERT_LT(previous, 56);
      ASSERT_LT(current, 56);
      ASSERT_TRUE(byKana || leftHandLastKey < 55 || gapClass == 0);
    }
    ASSERT_EQ(keySum, strokes) << "round " << round;
    ASSERT_EQ(pairSum, strokes) << "round " << round;
  }
}

}  // namespace
}  // namespace kananet
