#include "report/layout_summary.h"

#include <gtest/gtest.h>

namespace kananet::report {
namespace {

// Key k struck k times; the given edges, all exact unless said otherwise.
Network WithEdges(std::initializer_list<Edge> edges) {
  Network network;
  for (int k = 1; k <= kKeysPerBand; ++k) {
    network.keys[k].strokes = {static_cast<std::uint64_t>(k), true};
  }
  network.edges = edges;
  return network;
}

Edge E(int band, int first, int second, std::uint64_t weight = 1, bool exact = true) {
  return {band, first, second, {weight, exact}};
}

TEST(SummarizeTest, TakesTheHandSplitFromTheEdges) {
  struct Case {
    Network network;
    bool known;
    int lowest, highest;
  };
  const Case cases[] = {
      {WithEdges({E(0, 6, 24), E(1, 25, 40)}), true, 24, 24},
      // Unused keys between the hands leave the split open; 21-23 may be either hand's.
      {WithEdges({E(0, 6, 20), E(0, 21, 23), E(2, 30, 40)}), true, 20, 29},
      {WithEdges({}), false, 0, 0},
      {WithEdges({E(0, 6, 20), E(0, 3, 50)}), false, 0, 0},  // one-handed
  };
  for (const Case& c : cases) {
    const LayoutSummary summary = Summarize(c.network);
    EXPECT_EQ(summary.split.known, c.known);
    if (c.known) {
      EXPECT_EQ(summary.split.lowest, c.lowest);
      EXPECT_EQ(summary.split.highest, c.highest);
      const auto keys = [](int last) { return static_cast<std::uint64_t>(last * (last + 1) / 2); };
      EXPECT_EQ(summary.leftWithLowestSplit.value, keys(c.lowest));
      EXPECT_EQ(summary.leftWithHighestSplit.value, keys(c.highest));
    }
  }
}

TEST(SummarizeTest, AddsStrokesByRowAndPairsByGap) {
  Network network = WithEdges({E(0, 6, 24, 10), E(1, 25, 40, 7), E(2, 7, 15, 2)});
  network.keys[7].repeats = {Count{3}, Count{4}, Count{0}};
  network.keys[30].repeats = {Count{5}, Count{0}, Count{0}};
  const LayoutSummary summary = Summarize(network);
  EXPECT_EQ(summary.strokes.value, 55u * 56 / 2);
  // Row r holds keys r+1, r+5, ...
  EXPECT_EQ(summary.rows[0].value, 378u);
  EXPECT_EQ(summary.rows[3].value, 364u);
  EXPECT_EQ(
      summary.rows[0].value + summary.rows[1].value + summary.rows[2].value + summary.rows[3].value,
      summary.strokes.value);
  EXPECT_EQ(summary.sameHandPairs[0].value, 10u + 3 + 5);
  EXPECT_EQ(summary.sameHandPairs[1].value, 7u + 4);
  EXPECT_EQ(summary.sameHandPairs[2].value, 2u);
}

TEST(SummarizeTest, ListsTheFiveHeaviestPairsOfGapZero) {
  Network network = WithEdges({E(0, 1, 2, 50), E(0, 3, 4, 80), E(1, 5, 6, 1000), E(0, 30, 31, 60),
                               E(0, 7, 8, 60), E(0, 9, 10, 10)});
  network.keys[20].repeats[0] = {70, true};
  const LayoutSummary summary = Summarize(network);
  const std::pair<int, int> expected[] = {{3, 4}, {20, 20}, {7, 8}, {30, 31}, {1, 2}};
  ASSERT_EQ(summary.heaviestPairs.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(summary.heaviestPairs[i].firstKey, expected[i].first) << i;
    EXPECT_EQ(summary.heaviestPairs[i].secondKey, expected[i].second) << i;
  }
}

TEST(SummarizeTest, AFigureFromAnInexactCountIsInexact) {
  Network network = WithEdges({E(0, 6, 24), E(1, 25, 40), E(2, 30, 41, 1234570, false)});
  network.keys[30].strokes = {4000000, false};
  const LayoutSummary summary = Summarize(network);
  EXPECT_FALSE(summary.strokes.exact);
  EXPECT_TRUE(summary.leftWithLowestSplit.exact);
  EXPECT_TRUE(summary.rows[0].exact);
  EXPECT_FALSE(summary.rows[1].exact);  // key 30 is in the top row
  EXPECT_TRUE(summary.sameHandPairs[0].exact);
  EXPECT_FALSE(summary.sameHandPairs[2].exact);
}

}  // namespace
}  // namespace kananet::report
