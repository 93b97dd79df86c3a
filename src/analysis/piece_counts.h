// The matched entries of a KanaStream counted once: how often each entry matches, and how often
// one entry's keys follow another's within a run. Layouts with the same entries' kana in the
// same order split the text into the same entries, so these counts serve every such layout,
// whatever keys its entries have: the strokes and the stroke pairs follow from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/figures.h"
#include "readers/layout.h"

namespace kananet {

struct PieceCounts {
  struct Follow {
    std::uint32_t First = 0;  // slots
    std::uint32_t Second = 0;
    std::uint64_t Count = 0;
  };
  std::vector<std::uint64_t> Uses;  // by slot
  // Two entries whose keys are struck one right after the other in a run, by (First, Second).
  // An entry without keys is passed over; one that ends its run (after punctuation) has none
  // following it.
  std::vector<Follow> Follows;
  std::size_t Missing = static_cast<std::size_t>(-1);  // the first kana without definition
};

// Counts the matched entries of kanaCodes with the table, as the count of the header's
// layout would match them.
PieceCounts CountPieces(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                        bool breakAfterPunctuation);

// Whether the entry ends its run: the layout breaks after punctuation and its kana begin with
// 、 or 。.
bool EndsRun(const LayoutEntry& entry, bool breakAfterPunctuation);

// How often each key (0..55) is struck and key b follows key a in a run, [a * 64 + b], for the
// keys the table's entries have now.
struct StrokeCounts {
  std::vector<std::uint64_t> Keys;   // 64
  std::vector<std::uint64_t> Pairs;  // 64 x 64
};
StrokeCounts StrokesOfPieces(const PieceCounts& pieces, const std::vector<LayoutEntry>& table);

// The figures that the strokes give, counted by strokes; the gap classes in the layout's own
// mode are left 0 unless the layout counts by strokes.
FigureCounts FiguresOfStrokes(const StrokeCounts& strokes, int leftHandLastKey, bool countByKana);

}  // namespace kananet
