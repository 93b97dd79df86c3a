// One-byte KanaCodes and their conversions from and to two-byte Shift_JIS characters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kananet {

// KanaCode values: 0 not a kana, 1 comma, 2 full stop, 3 long-vowel mark, 5 the katakana vu,
// 7..89 the hiragana small a .. n in Shift_JIS order.
inline constexpr std::uint8_t kNotKana = 0;
inline constexpr std::uint8_t kKanaComma = 1;
inline constexpr std::uint8_t kKanaFullStop = 2;

// The KanaCode of the Shift_JIS character (lead, trail); 0 for every non-kana.
std::uint8_t KanaCodeOf(std::uint8_t lead, std::uint8_t trail);

// Two bytes of Shift_JIS text for a KanaCode (the main character of codes that fold).
std::string KanaText(std::uint8_t code);

// The Unicode code point of a two-byte Shift_JIS character of the kinds a key's label can
// hold: hiragana, katakana, the kana punctuation (、。，．・ー―‐－) and the full-width space, with
// the Windows code page's choices for the dashes. Nothing for any other pair.
std::optional<char32_t> KanaCodePoint(unsigned char lead, unsigned char trail);

// The same character as UTF-8 text.
std::optional<std::string> KanaUtf8(unsigned char lead, unsigned char trail);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace kananet
