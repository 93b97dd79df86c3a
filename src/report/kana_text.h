// Shift_JIS text from the network files, turned into UTF-8 for the page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kananet::report {

// UTF-8 text of one two-byte Shift_JIS character of the kinds a vertex label can hold: hiragana,
// katakana, the kana punctuation (、。，．・ー―‐－) and the full-width space. Nothing for any
// other pair.
std::optional<std::string> KanaUtf8(unsigned char lead, unsigned char trail);

// A file name as the page shows it: unchanged when it is valid UTF-8, else read as Shift_JIS,
// with U+FFFD for every byte or pair that cannot be decoded that way.
std::string DisplayName(std::string_view bytes);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace kananet::report
