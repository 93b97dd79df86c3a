#include "report/layout_summary.h"

#include <algorithm>

namespace kananet::report {

namespace {

Count LeftHandStrokes(const Network& network, int lastLeftKey) {
  Count sum;
  for (int k = 1; k <= lastLeftKey; ++k) {
    sum += network.keys[k].strokes;
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
    for (const Edge& edge : network.edges) {
      crossed = crossed || (edge.firstKey <= last && edge.secondKey > last);
      leftEdges = leftEdges || edge.secondKey <= last;
      rightEdges = rightEdges || edge.firstKey > last;
    }
    if (!crossed && leftEdges && rightEdges) {
      if (!split.known) {
        split.known = true;
        split.lowest = last;
      }
      split.highest = last;
    }
  }
  return split;
}

LayoutSummary Summarize(const Network& network) {
  LayoutSummary summary;
  for (int k = 1; k <= kKeysPerBand; ++k) {
    const Key& key = network.keys[k];
    summary.strokes += key.strokes;
    summary.rows[(k - 1) % kRowCount] += key.strokes;
    for (int band = 0; band < kBandCount; ++band) {
      summary.sameHandPairs[band] += key.repeats[band];
    }
    if (key.repeats[0].value > 0) {
      summary.heaviestPairs.push_back({k, k, key.repeats[0]});
    }
  }
  for (const Edge& edge : network.edges) {
    summary.sameHandPairs[edge.band] += edge.weight;
    if (edge.band == 0 && edge.weight.value > 0) {
      summary.heaviestPairs.push_back({edge.firstKey, edge.secondKey, edge.weight});
    }
  }

  summary.split = FindHandSplit(network);
  if (summary.split.known) {
    summary.leftWithLowestSplit = LeftHandStrokes(network, summary.split.lowest);
    summary.leftWithHighestSplit = LeftHandStrokes(network, summary.split.highest);
  }

  auto& pairs = summary.heaviestPairs;
  std::stable_sort(pairs.begin(), pairs.end(), [](const KeyPair& a, const KeyPair& b) {
    if (a.weight.value != b.weight.value) {
      return a.weight.value > b.weight.value;
    }
    return std::pair(a.firstKey, a.secondKey) < std::pair(b.firstKey, b.secondKey);
  });
  if (pairs.size() > kHeaviestPairCount) {
    pairs.resize(kHeaviestPairCount);
  }
  return summary;
}

}  // namespace kananet::report
