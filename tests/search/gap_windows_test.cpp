// The gap windows against the batch's count, and their state, exchange by exchange, against
// the windows counted at the moved places.
#include "search/gap_windows.h"

#include <gtest/gtest.h>

#include <random>

#include "search_problem.h"

namespace kananet::search {
namespace {

// Class 1 and every same-hand pair (classes 0, 1 and 2+ counted by strokes) from the windows
// equal the batch's count of the layout with its keys moved; the state's change of each move,
// and what it keeps after taking it, equal the windows' count at the new places. Texts of
// thousands of runs give thousands of key sets (many words of the sliced counts); with every
// key free, or some left in place on each hand, sets leave the edge and come back to it.
TEST(GapWindowsTest, StateFollowsTheCountAtEveryPlace) {
  const struct {
    unsigned Seed;
    bool Breaks;
    int LeftHandLastKey;
    int FreeEvery;
  } cases[] = {{21, false, 24, 1}, {22, true, 28, 1}, {23, true, 20, 2}, {24, false, 30, 3}};
  for (const auto& example : cases) {
    SCOPED_TRACE(example.Seed);
    const Problem problem =
        RandomProblem(example.Seed, false, example.Breaks, example.LeftHandLastKey, 20000);
    const GapWindows windows = CountGapWindows(problem.Text, problem.Table, example.Breaks);
    std::vector<int> freeKeys;
    for (int key = 1; key <= kKeysDrawn; key += example.FreeEvery) {
      freeKeys.push_back(key);
    }
    Places places = StartPlaces();
    GapWindowState state(windows, freeKeys, example.LeftHandLastKey, places);
    std::mt19937 rng(example.Seed);
    for (int step = 0; step <= 400; ++step) {
      const GapPairs counted = GapPairsAt(windows, example.LeftHandLastKey, places);
      ASSERT_EQ(state.Now().ClassOne, counted.ClassOne) << step;
      ASSERT_EQ(state.Now().All, counted.All) << step;
      if (step % 50 == 0) {
        const FigureCounts batch = CountedWith(problem, KeysAt(StartKeys(problem), places));
        ASSERT_EQ(counted.ClassOne, static_cast<std::int64_t>(batch[kFigureGap1])) << step;
        ASSERT_EQ(counted.All, static_cast<std::int64_t>(batch[kFigureGap0] + batch[kFigureGap1] +
                                                         batch[kFigureGap2]))
            << step;
      }
      const int a = freeKeys[rng() % freeKeys.size()], b = freeKeys[rng() % freeKeys.size()];
      const GapPairs delta = state.Delta(a, b);
      state.Exchange(a, b);
      places = MovedPlaces(places, a, b);
      ASSERT_EQ(state.Now().ClassOne, counted.ClassOne + delta.ClassOne) << step;
      ASSERT_EQ(state.Now().All, counted.All + delta.All) << step;
    }
  }
}

}  // namespace
}  // namespace kananet::search
