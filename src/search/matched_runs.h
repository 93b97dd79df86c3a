// The walk over the text's matched entries that the search's counts of runs share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/entry_matcher.h"
#include "analysis/piece_counts.h"
#include "readers/layout.h"

namespace kananet::search {

// Matches kanaCodes with the table as a layout that breaks after punctuation or not would, in
// kLanes lanes of the text: entry(lane, slot) for each matched entry, and end(lane) at each end
// of a run (a break of the text, an entry that ends one, and each lane's end).
template <typename Entry, typename End>
void ForEachMatchedEntry(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                         bool breakAfterPunctuation, Entry&& entry, End&& end) {
  const EntryMatcher matcher(table);
  const std::size_t slots = matcher.RunBreakPiece();
  std::vector<std::uint8_t> ends(slots);  // bytes, read at every entry, not packed bits
  for (std::size_t slot = 0; slot < slots; ++slot) {
    ends[slot] = EndsRun(table[slot], breakAfterPunctuation);
  }
  WalkMatches(matcher, kanaCodes, 0, kanaCodes.size(), true,
              [&](std::size_t lane, std::size_t, EntryMatcher::Match match) -> std::size_t {
                if (match.Piece == matcher.MissingPiece()) {
                  return 0;
                }
                if (match.Piece == matcher.RunBreakPiece()) {
                  end(lane);
                  return match.Advance;
                }
                entry(lane, match.Piece);
                if (ends[match.Piece]) {
                  end(lane);
                }
                return match.Advance;
              });
  for (std::size_t lane = 0; lane < kLanes; ++lane) {
    end(lane);
  }
}

}  // namespace kananet::search
