// What to fix: the kana behind a layout's same-finger pairs, repeats and row jumps. The text is
// split into the layout's matched entries once (analysis/piece_counts.h); each pair of strokes
// one right after the other lies inside one entry or joins an entry to the next in its run, so
// its kana are that entry's, or the two entries' one after the other.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/figures.h"
#include "analysis/piece_counts.h"
#include "readers/layout.h"

namespace kananet::report {

// The figures whose pairs are listed, in this order.
inline constexpr std::array<int, 3> kProblemFigures = {kFigureSameFinger, kFigureRepeats,
                                                       kFigureRowJumps};
inline constexpr std::size_t kProblemPairsShown = 5;

struct ProblemPair {
  std::string Kana;  // UTF-8: the entry's kana, or the two entries' (e.g. しょ)
  int FirstKey = 0;  // the two strokes, 0..57
  int SecondKey = 0;
  std::uint64_t Count = 0;
};

// For each of kProblemFigures, its heaviest kana pairs, heaviest first (ties by kana), at most
// `shown`, from the layout's matched entries counted over the text; the counts of one figure add
// up to at most its count.
using ProblemPairs = std::array<std::vector<ProblemPair>, kProblemFigures.size()>;
ProblemPairs FindProblemPairs(const PieceCounts& pieces, const std::vector<LayoutEntry>& table,
                              const LayoutHeaderValues& header,
                              std::size_t shown = kProblemPairsShown);

}  // namespace kananet::report
