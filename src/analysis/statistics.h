// Stroke statistics: how often each key is struck and how often a key follows the previous
// key of the same hand, by gap class (how far back that previous key lies).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kananet {

inline constexpr int kGapClasses = 3;  // 0, 1, and 2 or more

using KeyCountTable = std::array<std::uint32_t, 64>;
// [gap class][previous key][current key]; plane 3 is never counted and stays 0.
using PairCountTable = std::array<std::array<std::array<std::uint32_t, 64>, 64>, 4>;

extern KeyCountTable KeyCounts;
extern PairCountTable PairCounts;

// Count the KeyStream with the LayoutHeader's LeftHandLastKey into KeyCounts and PairCounts.
// By strokes: the gap is the number of other-hand strokes since the hand's previous stroke.
void TallyByStrokes();
// By kana: the gap is the number of kana units since the unit of the hand's previous stroke.
void TallyByKana();

// The same over explicit inputs; both clear the tables first. Counters are 32-bit and wrap.
void CountByStrokes(std::string_view keyCodes, std::int32_t leftHandLastKey,
                    KeyCountTable& strokeCounts, PairCountTable& pairTallies);
void CountByKana(std::string_view keyCodes, std::int32_t leftHandLastKey,
                 KeyCountTable& strokeCounts, PairCountTable& pairTallies);

}  // namespace kananet
