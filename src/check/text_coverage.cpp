#include "check/text_coverage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "analysis/entry_matcher.h"

namespace kananet {

namespace {

constexpr std::size_t kUnusedExamples = 5;

struct UndefinedKana {
  std::uint64_t Count = 0;
  std::size_t First = 0;
};

struct Coverage {
  std::vector<std::uint64_t> Uses;  // per slot
  std::array<UndefinedKana, 256> Undefined{};
};

// The first-match conversion of the whole stream, as the batch's, except that a kana without
// definition is counted and passed over instead of ending the run: the walk of the batch's
// count, with the uses of each piece instead of its tally.
Coverage Cover(std::string_view stream, const std::vector<LayoutEntry>& table, std::size_t slots) {
  const EntryMatcher matcher(table);
  std::vector<std::uint64_t> uses(matcher.PieceCount(), 0);
  Coverage tally;
  WalkMatches(
      matcher, stream, 0, stream.size(), true,
      [&](std::size_t, std::size_t position, EntryMatcher::Match match)
          __attribute__((always_inline)) {
            ++uses[match.Piece];
            if (match.Piece != matcher.MissingPiece()) {
              return std::size_t{match.Advance};
            }
            UndefinedKana& undefined = tally.Undefined[static_cast<std::uint8_t>(stream[position])];
            if (undefined.Count++ == 0 || position < undefined.First) {
              undefined.First = position;  // lanes go side by side: keep the earliest
            }
            return std::size_t{1};
          });
  tally.Uses.assign(slots, 0);
  std::copy_n(uses.begin(), std::min(slots, matcher.RunBreakPiece()), tally.Uses.begin());
  return tally;
}

}  // namespace

void CheckText(const std::string& stream, const LayoutDefinition& definition,
               const RulesCheck& rules, LayoutCheck& layout, std::vector<Finding>& errors,
               std::vector<Finding>& notes) {
  const std::vector<LayoutEntry>& table = definition.Table;
  const std::vector<bool>& shadowed = rules.Shadowed;

  Coverage tally = Cover(stream, table, shadowed.size());
  for (int code = 0; code < 256; ++code) {
    const UndefinedKana& undefined = tally.Undefined[code];
    if (undefined.Count != 0) {
      Finding item;
      item.Kind = FindingKind::kUndefinedKana;
      item.Kana = std::string(1, static_cast<char>(code));
      item.Count = undefined.Count;
      item.StreamPosition = undefined.First;
      errors.push_back(std::move(item));
    }
  }
  std::sort(errors.begin(), errors.end(),
            [](const Finding& a, const Finding& b) { return a.StreamPosition < b.StreamPosition; });
  if (!errors.empty()) {
    errors.front().StopsBatch = true;
  }

  Finding unused;
  unused.Kind = FindingKind::kUnusedEntries;
  for (std::size_t slot = 0; slot < shadowed.size(); ++slot) {
    std::uint64_t uses = tally.Uses[slot];
    layout.Keystrokes += uses * table[slot].Keys.size();
    layout.Kana += uses * table[slot].Kana.size();
    if (IsUsable(table, shadowed, slot) && uses == 0) {
      if (unused.Count++ < kUnusedExamples) {
        unused.Examples.push_back({rules.Entries[slot].Line.Number, table[slot].Kana});
      }
    }
  }
  if (unused.Count != 0) {
    notes.push_back(std::move(unused));
  }
  if (layout.Kana != 0) {
    Finding average;
    average.Kind = FindingKind::kKeystrokesPerKana;
    average.Count = layout.Keystrokes;
    average.Total = layout.Kana;
    notes.push_back(std::move(average));
  }
  layout.TextChecked = true;
}

}  // namespace kananet
