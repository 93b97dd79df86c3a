#include "report/layout_summary.h"

#include <algorithm>

namespace kananet::report {

namespace {

Count LeftHandStrokes(const Network& network, int lastLeftKey) {
  Count sum;
  for (int k = 1; k <= lastLeftKey; ++k) {
    sum += network.Keys[k].Strokes;
  }
  return sum;
}

}  // namespace

HandSplit FindHandSplit(const Network& network) {
  HandSplit split;
  for (int last = 1; last < kKeysPerBand; ++last) {
    bool crossed = false;
    bool leftEdges = false;
    bool rightEdges = false;
    for (const Edge& edge : network.Edges) {
      crossed = crossed || (edge.FirstKey <= last && edge.SecondKey > last);
      leftEdges = leftEdges || edge.SecondKey <= last;
      rightEdges = rightEdges || edge.FirstKey > last;
    }
    if (!crossed && leftEdges && rightEdges) {
      if (!split.Known) {
        split.Known = true;
        split.Lowest = last;
      }
      split.Highest = last;
    }
  }
  return split;
}

LayoutSummary Summarize(const Network& network) {
  LayoutSummary summary;
  for (int k = 1; k <= kKeysPerBand; ++k) {
    const Key& key = network.Keys[k];
    summary.Strokes += key.Strokes;
    summary.Rows[(k - 1) % kRowCount] += key.Strokes;
    for (int band = 0; band < kBandCount; ++band) {
      summary.SameHandPairs[band] += key.Repeats[band];
    }
    if (key.Repeats[0].Value > 0) {
      summary.HeaviestPairs.push_back({k, k, key.Repeats[0]});
    }
  }
  for (const Edge& edge : network.Edges) {
    summary.SameHandPairs[edge.Band] += edge.Weight;
    if (edge.Band == 0 && edge.Weight.Value > 0) {
      summary.HeaviestPairs.push_back({edge.FirstKey, edge.SecondKey, edge.Weight});
    }
  }

  summary.Split = FindHandSplit(network);
  if (summary.Split.Known) {
    summary.LeftWithLowestSplit = LeftHandStrokes(network, summary.Split.Lowest);
    summary.LeftWithHighestSplit = LeftHandStrokes(network, summary.Split.Highest);
  }

  auto& pairs = summary.HeaviestPairs;
  std::stable_sort(pairs.begin(), pairs.end(), [](const KeyPair& a, const KeyPair& b) {
    if (a.Weight.Value != b.Weight.Value) {
      return a.Weight.Value > b.Weight.Value;
    }
    return std::pair(a.FirstKey, a.SecondKey) < std::pair(b.FirstKey, b.SecondKey);
  });
  if (pairs.size() > kHeaviestPairCount) {
    pairs.resize(kHeaviestPairCount);
  }
  return summary;
}

}  // namespace kananet::report
