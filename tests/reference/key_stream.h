// Kana-to-keystroke conversion: a KanaStream becomes the KeyStream of a layout, through the
// matching engine's walk, and the KeyStream is tallied by either mode. The programs count in one
// pass without a KeyStream (CountKanaStream); the tests, the fuzzers and the benchmark hold that
// count against these separate steps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/kana_lookup.h"
#include "analysis/statistics.h"
#include "readers/layout.h"
#include "reference/key_bytes.h"

namespace kananet {

// Appends to keyStream the conversion of kanaStream with the table and the two header flags.
// Returns NoSlot on success, else the position in kanaStream of the kana without definition.
std::size_t AppendKeyStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            bool countByKana, bool breakAfterPunctuation, KeyBytes& keyCodes);
// The same into a string, for callers that keep the keys beside other text.
std::size_t AppendKeyStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            bool countByKana, bool breakAfterPunctuation, std::string& keyCodes);

// Count a KeyStream into the tables; both clear them first. Counters are 32-bit and wrap.
// By strokes: the gap is the number of other-hand strokes since the hand's previous stroke.
// By kana: the gap is the number of kana units since the unit of the hand's previous stroke.
void CountByStrokes(std::string_view keyCodes, std::int32_t leftHandLastKey,
                    KeyCountTable& strokeCounts, PairCountTable& pairTallies);
void CountByKana(std::string_view keyCodes, std::int32_t leftHandLastKey,
                 KeyCountTable& strokeCounts, PairCountTable& pairTallies);

}  // namespace kananet
