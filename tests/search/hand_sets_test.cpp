// The hand sets against the batch's count, and their state, move by move, against the sets
// counted with the moved keys and kana.
#include "search/hand_sets.h"

#include <gtest/gtest.h>

#include <random>

#include "analysis/piece_counts.h"
#include "search/layout_search.h"
#include "search_problem.h"

namespace kananet::search {
namespace {

// Every same-hand pair from the sets equals the batch's count (classes 0, 1 and 2+) of the
// layout with its kana moved (a unit's followers typing its keys between their own) and its keys
// moved. The state's change of each move adds up to the pairs it keeps after taking it, which
// equal the sets' count: keys exchanged (within a hand too), and two units exchanging their keys,
// of equal length or not. Runs of exactly four of eighty kana give tens of thousands of sets, many
// watched for a while (a hand with fewer than two members) and paired again, enough for the
// watched sets to be listed afresh; runs of up to twelve, with some keys in place, pair from
// start keys that never move.
TEST(HandSetsTest, StateFollowsTheCountOfEveryMove) {
  const struct {
    unsigned Seed;
    bool ByKana;
    bool Breaks;
    int LeftHandLastKey;
    std::size_t Kana, KanaKinds, ShortestRun, LongestRun;
    int FreeEvery;
    int Steps;
  } cases[] = {{41, false, true, 24, 20000, 14, 1, 12, 1, 300},
               {42, true, false, 28, 20000, 14, 1, 12, 2, 300},
               {43, false, false, 26, 40000, 80, 4, 4, 1, 500}};
  for (const auto& example : cases) {
    SCOPED_TRACE(example.Seed);
    const Problem problem =
        RandomProblem(example.Seed, example.ByKana, example.Breaks, example.LeftHandLastKey,
                      example.Kana, example.KanaKinds, example.LongestRun, example.ShortestRun);
    std::vector<int> freeKeys;
    for (int key = 1; key <= kKeysDrawn; key += example.FreeEvery) {
      freeKeys.push_back(key);
    }
    const std::size_t slots = MatchingSlots(problem.Table);
    const KanaUnits units(problem.Table, slots,
                          CountPieces(problem.Text, problem.Table, example.Breaks),
                          std::vector<bool>(slots), freeKeys);
    const std::vector<SlotShape> shapes = units.Shapes();
    const HandSets sets = CountHandSets(problem.Text, problem.Table, example.Breaks, shapes);
    ASSERT_EQ(sets.UnitSlots.size(), units.Size());
    ASSERT_GE(units.Size(), 5u);
    // What each unit holds, by start key, and where the start keys are.
    std::vector<std::string> held = sets.UnitStartKeys;
    Places places = StartPlaces();
    const auto keysNow = [&] {
      std::vector<std::string> keys(slots);
      for (std::size_t slot = 0; slot < slots; ++slot) {
        const SlotShape& shape = shapes[slot];
        keys[slot] = shape.Before;
        if (shape.Unit >= 0) {
          keys[slot] += held[static_cast<std::size_t>(shape.Unit)];
        }
        keys[slot] += shape.After;
      }
      return KeysAt(keys, places);
    };
    HandSetState state(sets, freeKeys, example.LeftHandLastKey, places);
    std::mt19937 rng(example.Seed);
    for (int step = 0; step <= example.Steps; ++step) {
      if (step % 10 == 0) {  // a change taken wrong stays wrong: it shows at the next count
        const std::int64_t counted = AllPairsAt(sets, keysNow(), places, example.LeftHandLastKey);
        ASSERT_EQ(state.Now(), counted) << step;
        if (step % 100 == 0) {
          const FigureCounts batch = CountedWith(problem, keysNow());
          ASSERT_EQ(counted, static_cast<std::int64_t>(batch[kFigureGap0] + batch[kFigureGap1] +
                                                       batch[kFigureGap2]))
              << step;
        }
      }
      const std::int64_t before = state.Now();
      std::int64_t delta = 0;
      if (step % 2 == 0) {
        const int a = freeKeys[rng() % freeKeys.size()], b = freeKeys[rng() % freeKeys.size()];
        delta = state.KeyDelta(a, b);
        state.ExchangeKeys(a, b);
        places = MovedPlaces(places, a, b);
      } else {
        const std::size_t u = rng() % held.size(), w = rng() % held.size();
        std::swap(held[u], held[w]);
        // Every slot the two units type retypes, the followers too, which the sets leave to
        // their units.
        const std::vector<std::string> keys = keysNow();
        std::vector<Retyped> retyped;
        for (std::uint32_t slot = 0; slot < slots; ++slot) {
          const auto unit = static_cast<std::size_t>(shapes[slot].Unit);
          if (u != w && shapes[slot].Unit >= 0 && (unit == u || unit == w)) {
            retyped.push_back({slot, reinterpret_cast<const std::uint8_t*>(keys[slot].data()),
                               keys[slot].size()});
          }
        }
        delta = state.Delta(retyped);
        state.Retype(retyped);
      }
      ASSERT_EQ(state.Now(), before + delta) << step;
    }
  }
}

}  // namespace
}  // namespace kananet::search
