#include "report/layout_summary.h"

#include <gtest/gtest.h>

namespace kananet::report {
namespace {

// Key k struck k times; the given edges, all exact unless said otherwise.
Network WithEdges(std::initializer_list<Edge> edges) {
  Network network;
  for (int k = 1; k <= kKeysPerBand; ++k) {
    network.Keys[k].Strokes = {static_cast<std::uint64_t>(k), true};
  }
  network.Edges = edges;
  return network;
}

Edge E(int band, int first, int second, std::uint64_t weight = 1, bool exact = true) {
  return {band, first, second, {weight, exact}};
}

TEST(SummarizeTest, TakesTheHandSplitFromTheEdges) {
  struct Case {
    Network Graph;
    bool Known;
    int Lowest, Highest;
  };
  const Case cases[] = {
      {WithEdges({E(0, 6, 24), E(1, 25, 40)}), true, 24, 24},
      // Unused keys between the hands leave the split open; 21-23 may be either hand's.
      {WithEdges({E(0, 6, 20), E(0, 21, 23), E(2, 30, 40)}), true, 20, 29},
      {WithEdges({}), false, 0, 0},
      {WithEdges({E(0, 6, 20), E(0, 3, 50)}), false, 0, 0},  // one-handed
  };
  for (const Case& c : cases) {
    const LayoutSummary summary = Summarize(c.Graph);
    EXPECT_EQ(summary.Split.Known, c.Known);
    if (c.Known) {
      EXPECT_EQ(summary.Split.Lowest, c.Lowest);
      EXPECT_EQ(summary.Split.Highest, c.Highest);
      const auto keys = [](int last) { return static_cast<std::uint64_t>(last * (last + 1) / 2); };
      EXPECT_EQ(summary.LeftWithLowestSplit.Value, keys(c.Lowest));
      EXPECT_EQ(summary.LeftWithHighestSplit.Value, keys(c.Highest));
    }
  }
}

TEST(SummarizeTest, AddsStrokesByRowAndPairsByGap) {
  Network network = WithEdges({E(0, 6, 24, 10), E(1, 25, 40, 7), E(2, 7, 15, 2)});
  network.Keys[7].Repeats = {Count{3}, Count{4}, Count{0}};
  network.Keys[30].Repeats = {Count{5}, Count{0}, Count{0}};
  const LayoutSummary summary = Summarize(network);
  EXPECT_EQ(summary.Strokes.Value, 55u * 56 / 2);
  // Row r holds keys r+1, r+5, ...
  EXPECT_EQ(summary.Rows[0].Value, 378u);
  EXPECT_EQ(summary.Rows[3].Value, 364u);
  EXPECT_EQ(
      summary.Rows[0].Value + summary.Rows[1].Value + summary.Rows[2].Value + summary.Rows[3].Value,
      summary.Strokes.Value);
  EXPECT_EQ(summary.SameHandPairs[0].Value, 10u + 3 + 5);
  EXPECT_EQ(summary.SameHandPairs[1].Value, 7u + 4);
  EXPECT_EQ(summary.SameHandPairs[2].Value, 2u);
}

TEST(SummarizeTest, ListsTheFiveHeaviestPairsOfGapZero) {
  Network network = WithEdges({E(0, 1, 2, 50), E(0, 3, 4, 80), E(1, 5, 6, 1000), E(0, 30, 31, 60),
                               E(0, 7, 8, 60), E(0, 9, 10, 10)});
  network.Keys[20].Repeats[0] = {70, true};
  const LayoutSummary summary = Summarize(network);
  const std::pair<int, int> expected[] = {{3, 4}, {20, 20}, {7, 8}, {30, 31}, {1, 2}};
  ASSERT_EQ(summary.HeaviestPairs.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(summary.HeaviestPairs[i].FirstKey, expected[i].first) << i;
    EXPECT_EQ(summary.HeaviestPairs[i].SecondKey, expected[i].second) << i;
  }
}

TEST(SummarizeTest, AFigureFromAnInexactCountIsInexact) {
  Network network = WithEdges({E(0, 6, 24), E(1, 25, 40), E(2, 30, 41, 1234570, false)});
  network.Keys[30].Strokes = {4000000, false};
  const LayoutSummary summary = Summarize(network);
  EXPECT_FALSE(summary.Strokes.Exact);
  EXPECT_TRUE(summary.LeftWithLowestSplit.Exact);
  EXPECT_TRUE(summary.Rows[0].Exact);
  EXPECT_FALSE(summary.Rows[1].Exact);  // key 30 is in the top row
  EXPECT_TRUE(summary.SameHandPairs[0].Exact);
  EXPECT_FALSE(summary.SameHandPairs[2].Exact);
}

}  // namespace
}  // namespace kananet::report
