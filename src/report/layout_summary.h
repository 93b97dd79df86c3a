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
  bool Known = false;
  int Lowest = 0;
  int Highest = 0;
};

// Two keys struck one after the other on one hand; equal keys are a key struck twice.
struct KeyPair {
  int FirstKey = 0;
  int SecondKey = 0;
  Count Weight;
};

inline constexpr int kRowCount = kKeyRows;  // number, top, home and bottom row
inline constexpr int kHeaviestPairCount = 5;

struct LayoutSummary {
  Count Strokes;  // on keys 1..55 and the thumb keys
  HandSplit Split;
  Count LeftWithLowestSplit;  // left-hand strokes if the left hand ends at split.lowest
  Count LeftWithHighestSplit;
  std::array<Count, kRowCount> Rows{};
  // Same-hand pairs per gap class: the edge weights and the keys following themselves.
  std::array<Count, kBandCount> SameHandPairs{};
  std::vector<KeyPair> HeaviestPairs;  // gap class 0, heaviest first, at most five
};

HandSplit FindHandSplit(const Network& network);

// The strokes of the keys 1..lastLeftKey and of the left thumb key.
Count LeftHandStrokes(const Network& network, int lastLeftKey);

LayoutSummary Summarize(const Network& network);

}  // namespace kananet::report
