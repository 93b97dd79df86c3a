// The figures of one layout that the comparison table shows, derived from its network.
#pragma once

#include <array>
#include <vector>

#include "report/network_file.h"

namespace kananet::report {

// Where the left hand ends. The files do not record it, but edges only join keys of one hand,
// so every split that no edge crosses and that leaves edges on both sides is possible: the
// left hand's last key lies somewhere from `lowest` to `highest`.
struct HandSplit {
  bool known = false;
  int lowest = 0;
  int highest = 0;
};

// Two keys struck one after the other on one hand; equal keys are a key struck twice.
struct KeyPair {
  int firstKey = 0;
  int secondKey = 0;
  Count weight;
};

inline constexpr int kRowCount = kKeyRows;  // number, top, home and bottom row
inline constexpr int kHeaviestPairCount = 5;

struct LayoutSummary {
  Count strokes;  // on keys 1..55
  HandSplit split;
  Count leftWithLowestSplit;  // left-hand strokes if the left hand ends at split.lowest
  Count leftWithHighestSplit;
  std::array<Count, kRowCount> rows{};
  // Same-hand pairs per gap class: the edge weights and the keys following themselves.
  std::array<Count, kBandCount> sameHandPairs{};
  std::vector<KeyPair> heaviestPairs;  // gap class 0, heaviest first, at most five
};

HandSplit FindHandSplit(const Network& network);

LayoutSummary Summarize(const Network& network);

}  // namespace kananet::report
