// The voiced, semi-voiced and small forms of the kana, from one table: kananet-sample composes
// a kana with the sound mark after it by it, and kananet-search moves a kana's forms with it.
#pragma once

#include <cstdint>

namespace kananet {

// The voiced form of a hiragana or katakana (か -> が, ウ -> ヴ, ゝ -> ゞ, ワ -> ヷ), or 0 when it
// has none.
char32_t VoicedOf(char32_t kana);
// The semi-voiced form of a kana of the は row (は -> ぱ, ホ -> ポ), or 0.
char32_t SemiVoicedOf(char32_t kana);
// The KanaCode of the kana whose voiced, semi-voiced or small form the KanaCode code is
// (が -> か, ぱ -> は, ゃ -> や, the katakana vu -> う); 0 for every other code.
std::uint8_t PlainKanaCode(std::uint8_t code);

}  // namespace kananet
