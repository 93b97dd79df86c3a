#include "report/layout_summary.h"

#include <algorithm>

namespace kananet::report {

Count LeftHandStrokes(const Network& network, int lastLeftKey) {
  Count sum;
  for (int k = 1; k <= std::min(lastLeftKey, kKeysPerBand); ++k) {
    sum += network.Keys[k].Strokes;
  }
  return network.Chords ? sum + network.Keys[kLeftThumbKey].Strokes : sum;
}

HandSplit FindHandSplit(const Network& network) {
  HandSplit split;
  for (int last = 1; last < kKeysPerBand; ++last) {
    bool crossed = false;
    bool leftEdges = false;
    bool rightEdges = false;
    for (const Edge& edge : network.Edges) {
      // An edge with a thumb key joins a key of the thumb key's hand.
      const bool leftKey = edge.FirstKey <= last;
      const bool leftSecond = edge.SecondKey == kLeftThumbKey ||
                              (edge.SecondKey != kRightThumbKey && edge.SecondKey <= last);
      crossed = crossed || leftKey != leftSecond;
      leftEdges = leftEdges || (leftKey && leftSecond);
      rightEdges = rightEdges || (!leftKey && !leftSecond);
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
  for (int k = 1; k <= network.LastKey(); ++k) {
    const Key& key = network.Keys[k];
    summary.Strokes += key.Strokes;
    if (IsDrawnKey(k)) {
      summary.Rows[(k - 1) % kRowCount] += key.Strokes;
    }
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
