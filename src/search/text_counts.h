// What a search counts of its text once, before it searches: the pieces always, and the windows
// and sets that the weighted gap classes need, counted side by side on threads.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "analysis/figures.h"
#include "analysis/piece_counts.h"
#include "readers/layout.h"
#include "search/gap_windows.h"
#include "search/hand_sets.h"
#include "search/layout_search.h"
#include "search/unit_gaps.h"

namespace kananet::search {

// Which counts a search needs beside the pieces. The hand sets need the kana units.
struct CountsNeeded {
  bool GapWindows = false;
  bool UnitWindows = false;
  bool KanaUnits = false;
  bool HandSets = false;
};

// The counts a search needs for its weights (or, verified, for every figure). Gap classes 1 and
// 2+ by strokes need windows of more than two strokes, and class 2+ by kana every same-hand pair
// from them, when only keys move. Counted by kana, the gap classes need the windows of units; by
// strokes, classes 1 and 2+ need the windows of units with keys when kana move. Where kana move,
// class 2+ takes every same-hand pair from the hand sets.
CountsNeeded CountsFor(const FigureWeights& weights, bool countByKana, bool moveKana, bool verify);

// The text's counts; those not needed are left empty. Missing in Pieces says the text has a kana
// without an entry, and then the kana units and hand sets are not counted.
struct TextCounts {
  PieceCounts Pieces;
  GapWindows Windows;
  UnitWindows Units;
  std::optional<KanaUnits> Kana;
  HandSets Hands;
};

// The counts of kanaCodes with the table (its first slots entries can match), as a layout that
// counts by kana or not and breaks after punctuation or not would count them, the kana units
// made with the pinned entries and the keys that may move. The counts are independent but for
// the hand sets, which need the kana units, which need the pieces: on up to jobs threads they
// are counted side by side, each exactly as alone.
TextCounts CountText(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                     std::size_t slots, bool countByKana, bool breakAfterPunctuation,
                     const CountsNeeded& needed, const std::vector<bool>& pinnedEntries,
                     const std::vector<int>& freeKeys, unsigned jobs);

}  // namespace kananet::search
