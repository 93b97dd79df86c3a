// The figures of a layout and what they rest on: which finger, hand and row strike each key,
// which pairs of strokes are same-finger pairs, repeats, rolls, row jumps or alternation, and
// the figures as counts from a layout's key and pair counts. The report shows them and the
// search weighs them, from this one definition.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "analysis/statistics.h"
#include "readers/layout.h"

namespace kananet {

// Left to right as the hands lie on the keyboard; the space key is the thumb's.
enum class Finger {
  kLeftLittle,
  kLeftRing,
  kLeftMiddle,
  kLeftIndex,
  kThumb,
  kRightIndex,
  kRightMiddle,
  kRightRing,
  kRightLittle,
};
inline constexpr int kFingerCount = 9;

// The usual touch-typing assignment by column (0..13), with the hand from the layout's split:
// left hand columns 0-1 little, 2 ring, 3 middle, 4 and up index; right hand columns up to 7
// index, 8 middle, 9 ring, 10 and up little. Key 0, the space key, is the thumb's.
Finger FingerOf(int key, int leftHandLastKey);
std::string_view FingerName(Finger finger);

// Keys pressed together: which key of a hand's previous action (its keys on that hand, in
// ascending order) a key of the hand's next action pairs with. The key itself when the hand
// presses it in both (a repeat); otherwise the key whose finger lies nearest to its own, the
// same finger first (a same-finger pair), the lower key of two as near. Every stroke thus makes
// exactly one pair, as a key struck alone does with the key before it.
std::uint8_t PairedKey(std::uint8_t key, std::string_view previous, int leftHandLastKey);

// The row of a drawn key (1..55): 0 number, 1 top, 2 home, 3 bottom.
inline int RowOfKey(int key) {
  return (key - 1) % 4;
}

// Every figure the report shows, in its order; the ids are the names scripts and the search
// file use for them.
enum FigureId : int {
  kFigureStrokes,
  kFigureHandLeft,
  kFigureHandRight,
  kFigureRowNumber,
  kFigureRowTop,
  kFigureRowHome,
  kFigureRowBottom,
  kFigureGap0,
  kFigureGap1,
  kFigureGap2,
  kFigureFingerFirst,  // then the other fingers in Finger order
  kFigureSameFinger = kFigureFingerFirst + kFingerCount,
  kFigureRepeats,
  kFigureAlternation,
  kFigureInwardRolls,
  kFigureOutwardRolls,
  kFigureRowJumps,
  kFigureActions,  // keys pressed together count once; a key struck alone is an action
  kFigureChords,   // actions of two keys or more
  kFigureCount,
};

// "strokes", "row.home", "finger.left_index", "same_hand_pairs.gap2", "row_jumps", ...
std::string_view FigureIdName(int figure);
std::optional<int> FigureOfName(std::string_view name);
// The figures of gap classes, counted in the layout's own mode (by strokes or by kana).
inline bool IsGapFigure(int figure) {
  return figure >= kFigureGap0 && figure <= kFigureGap2;
}

using FigureCounts = std::array<std::uint64_t, kFigureCount>;
// A set of figures, bit f for figure f.
using FigureMask = std::uint32_t;
static_assert(kFigureCount <= 32);

// The figures one stroke of key (0..57) counts in: strokes and hands count the drawn keys
// (1..55) and the thumb keys, rows the drawn keys, fingers every key. Every stroke is an action
// too, as it is in a file without keys pressed together; a chord file's actions and chords are
// counted by its count (LayoutCounts).
FigureMask KeyFigures(int key, int leftHandLastKey);

// Whether pairs with the key are figures: a drawn key or a thumb key.
inline bool IsFigureKey(int key) {
  return (key >= 1 && key <= 55) || key == 56 || key == 57;
}

// The figures two strokes one right after the other in a run, first then second (0..55),
// count in when counted by strokes. Two hands: alternation. One hand, both drawn keys: the
// gap class 0 pair, then a repeat (one key), a same-finger pair, or an inward or outward roll;
// and a row jump between the top and bottom letter rows.
FigureMask PairFigures(int first, int second, int leftHandLastKey);

// Adds count to each figure of the set.
inline void AddToFigures(FigureMask figures, std::uint64_t count, FigureCounts& counts) {
  if (count == 0) {
    return;
  }
  for (int figure = 0; figure < kFigureCount; ++figure) {
    counts[static_cast<std::size_t>(figure)] += (figures >> figure & 1) * count;
  }
}

// The figures from a layout's counts: keys and pairs in its own mode for strokes, hands, rows
// and the gap classes, and pairs counted by strokes (the same table when the layout counts by
// strokes) for the figures of stroke pairs.
FigureCounts FiguresOfCounts(const KeyCountTable& keys, const PairCountTable& ownMode,
                             const PairCountTable& byStrokes, int leftHandLastKey);
// The same from a layout's count in its own mode, with its actions and chords as counted.
FigureCounts FiguresOfCounts(const LayoutCounts& own, const PairCountTable& byStrokes,
                             int leftHandLastKey);

// Counts kanaCodes with the table and header as the batch does, in the layout's own mode and
// by strokes, with up to jobs threads, and gives the figures; nothing when a kana has no
// definition.
std::optional<FigureCounts> CountFigures(std::string_view kanaCodes,
                                         const std::vector<LayoutEntry>& table,
                                         const LayoutHeaderValues& header, unsigned jobs);

// The cost of a layout: each figure's count per 100 kana times its weight, summed.
using FigureWeights = std::array<double, kFigureCount>;
inline double WeightedFigure(std::uint64_t count, double weight, std::uint64_t kana) {
  return weight == 0 ? 0
                     : weight * (100.0 * static_cast<double>(count) /
                                 static_cast<double>(kana == 0 ? 1 : kana));
}
double CostOf(const FigureCounts& counts, const FigureWeights& weights, std::uint64_t kana);

// How much one more stroke in a run can lower a cost at most, per 100 kana: the cheapest key's
// weights and those of the cheapest pair of keys it adds. Positive when the weights pay for
// typing more. Key exchanges never change the strokes; a kana taking a longer key sequence does.
double StrokeReward(const FigureWeights& weights, int leftHandLastKey);

// The kana of a KanaStream that the figures are per 100 of: every byte but RunBreaks, without
// the three closing bytes.
std::uint64_t KanaOfStream(std::string_view kanaCodes);

}  // namespace kananet
