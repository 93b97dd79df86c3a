// The unit windows against the batch's count, and their state, move by move, against the
// windows counted with the moved keys.
#include "search/unit_gaps.h"

#include <gtest/gtest.h>

#include <random>

#include "search_problem.h"

namespace kananet::search {
namespace {

// Classes 0 and 1 by kana, and class 1 by strokes, from the windows equal the batch's count of
// the layout with its keys moved. The state's change of each move, and the cost it keeps after
// taking it, equal the windows' count with the new keys: keys exchanged in every unit (between
// the hands, and within one), two units exchanging their keys, and a unit given keys of another
// length (the space key among them). Weights 1 and 2^20 keep both classes apart in one exact
// cost. Eighty kana give units with more terms than a move walks (their terms are searched);
// a table of over a thousand entries takes the wide cells of the counts.
TEST(UnitGapsTest, StateFollowsTheCountOfEveryMove) {
  const struct {
    unsigned Seed;
    bool ByKana;
    bool Breaks;
    int LeftHandLastKey;
    std::size_t KanaKinds;
    bool Wide = false;  // too many entries for the narrow cells of the counts
  } cases[] = {{31, true, false, 24, 14},
               {32, false, true, 28, 14},
               {33, true, true, 20, 80},
               {34, false, false, 30, 80},
               {35, false, true, 26, 14, true}};
  constexpr double kZeroWeight = 1, kOneWeight = 1 << 20;
  for (const auto& example : cases) {
    SCOPED_TRACE(example.Seed);
    Problem problem = RandomProblem(example.Seed, example.ByKana, example.Breaks,
                                    example.LeftHandLastKey, 20000, example.KanaKinds);
    if (example.Wide) {
      Widen(problem);
    }
    const UnitWindows windows =
        CountUnitWindows(problem.Text, problem.Table, example.Breaks, example.ByKana);
    std::vector<std::string> keys = StartKeys(problem);
    ASSERT_EQ(windows.Slots, keys.size());
    UnitGapState state(windows, keys, example.LeftHandLastKey, kZeroWeight, kOneWeight);
    std::vector<std::uint32_t> struck;  // the slots with keys
    for (std::uint32_t slot = 0; slot < keys.size(); ++slot) {
      if (!keys[slot].empty()) {
        struck.push_back(slot);
      }
    }
    std::mt19937 rng(example.Seed);
    for (int step = 0; step <= 300; ++step) {
      const UnitGapPairs counted = UnitGapPairsAt(windows, keys, example.LeftHandLastKey);
      const double cost = kZeroWeight * static_cast<double>(counted.ClassZero) +
                          kOneWeight * static_cast<double>(counted.ClassOne);
      ASSERT_EQ(state.Cost(), cost) << step;
      if (step % 50 == 0) {
        const FigureCounts batch = CountedWith(problem, keys);
        ASSERT_EQ(counted.ClassZero,
                  example.ByKana ? static_cast<std::int64_t>(batch[kFigureGap0]) : 0);
        ASSERT_EQ(counted.ClassOne, static_cast<std::int64_t>(batch[kFigureGap1])) << step;
      }
      double delta = 0;
      if (step % 3 == 0) {
        const int a = 1 + static_cast<int>(rng() % kKeysDrawn);
        const int b = 1 + static_cast<int>(rng() % kKeysDrawn);
        delta = state.KeyDelta(a, b);
        ASSERT_EQ(state.ExchangeKeys(a, b), delta) << step;
        for (std::string& unit : keys) {
          for (char& key : unit) {
            key = key == a ? static_cast<char>(b) : key == b ? static_cast<char>(a) : key;
          }
        }
      } else {
        const std::uint32_t u = struck[rng() % struck.size()], w = struck[rng() % struck.size()];
        std::vector<std::string> after = {keys[w], keys[u]};
        after.reserve(3);  // the retyped point into it
        std::vector<Retyped> retyped;
        if (u != w) {
          retyped = {{u, reinterpret_cast<const std::uint8_t*>(after[0].data()), after[0].size()},
                     {w, reinterpret_cast<const std::uint8_t*>(after[1].data()), after[1].size()}};
        }
        if (step % 3 == 2) {  // one more unit takes keys of its own, of any length
          const std::uint32_t other = struck[rng() % struck.size()];
          if (other != u && other != w) {
            after.emplace_back();
            for (std::size_t length = 1 + rng() % 3; length > 0; --length) {
              after.back() += static_cast<char>(rng() % (kKeysDrawn + 1));
            }
            retyped.push_back(
                {other, reinterpret_cast<const std::uint8_t*>(after[2].data()), after[2].size()});
          }
        }
        delta = state.Delta(retyped);
        state.Retype(retyped);
        for (const Retyped& unit : retyped) {
          keys[unit.Slot].assign(reinterpret_cast<const char*>(unit.Keys), unit.Size);
        }
      }
      ASSERT_EQ(state.Cost(), cost + delta) << step;
    }
  }
}

}  // namespace
}  // namespace kananet::search
