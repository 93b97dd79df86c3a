#include "check/text_coverage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <utility>

#include "analysis/entry_counts.h"

namespace kananet {

void CheckText(const std::string& stream, const LayoutDefinition& definition,
               const RulesCheck& rules, bool keepCounts, unsigned jobs, LayoutCheck& layout,
               std::vector<Finding>& errors, std::vector<Finding>& notes) {
  const std::vector<LayoutEntry>& table = definition.Table;
  const std::vector<bool>& shadowed = rules.Shadowed;

  // The batch's count, going on past each kana without definition; the tally of the counts only
  // when they are kept, as the walk is quicker without it.
  LayoutCoverage tally = CoverKanaStream(stream, table, definition.Header, keepCounts, jobs);
  std::vector<std::uint64_t> slotUses = tally.Pieces.Uses;
  slotUses.resize(shadowed.size(), 0);
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
    std::uint64_t uses = slotUses[slot];
    layout.Keystrokes += uses * table[slot].Strokes();
    layout.SpaceStrokes += uses * static_cast<std::uint64_t>(std::count(
                                      table[slot].Keys.begin(), table[slot].Keys.end(), '\0'));
    layout.Actions += uses * table[slot].Actions();
    layout.Kana += uses * table[slot].Kana.size();
    if (IsUsable(table, shadowed, slot) && uses == 0) {
      if (unused.Count++ < kExamplesNamed) {
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
    // On the drawn keys, as the network file and the report count them, and the space key's
    // beside them.
    average.Count = layout.Keystrokes - layout.SpaceStrokes;
    average.Space = layout.SpaceStrokes;
    average.Total = layout.Kana;
    average.Actions = definition.Header.Chords ? layout.Actions : 0;
    notes.push_back(std::move(average));
  }
  layout.TextChecked = true;
  if (tally.Counted) {
    layout.Coverage = std::make_shared<const LayoutCoverage>(std::move(tally));
  }
}

}  // namespace kananet
