// The rules in their plainest form, written once for the tests, the fuzzers and the benchmark
// to hold the tool's fast paths against: the sample text read as joined lines, the first-match
// scan of the layout table, the conversion over that scan, and both tallies with one state per
// hand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/kana_lookup.h"
#include "analysis/statistics.h"
#include "readers/layout.h"

namespace kananet::reference {

// The KanaStream of a sample text: the lines joined with a space behind each, twelve
// full-width spaces behind them, and the scan stopping six bytes short of the end.
std::string PlainKanaStream(std::string_view text);

// The first slot below LayoutSearchSlots, in table order, whose non-empty kana equals the
// stream's bytes from position on; NoSlot when there is none.
std::size_t FindFirstMatchByScan(const std::vector<LayoutEntry>& table, std::string_view stream,
                                 std::size_t position);

struct PlainConversion {
  std::size_t Missing = kNoSlot;  // the position of the kana without definition, if any
  std::string Keys;               // the keys up to there
};

// The conversion over the scan. The scan's answer at a position depends only on the bytes the
// longest kana of the table can cover, so it is remembered per such window: that keeps a
// 5,000-entry table to seconds on megabytes.
PlainConversion ConvertByScan(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                              bool countByKana, bool breakAfterPunctuation);

// Both tallies: each hand's previous key and gap counter, reset at a RunBreak; by strokes a
// stroke clears its own hand's counter and raises the other's, by kana each UnitEnd clears the
// counter of a hand that struck in the unit and raises the other's. Clears the tables first.
// With chords, keys joined by kKeyJoin are one action, the thumb keys are keys, and each hand's
// previous keys are those it pressed in its last action: a key pairs with itself when the hand
// pressed it then too, else with the one of them whose finger is nearest its own, the lowest
// on a tie; by strokes an action clears the counter of each hand in it and raises the other's.
void PlainTally(std::string_view keyCodes, std::int32_t leftHandLastKey, bool byKana,
                KeyCountTable& strokeCounts, PairCountTable& pairTallies, bool chords = false);

}  // namespace kananet::reference
