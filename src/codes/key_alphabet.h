// The 56-key model of the keyboard and the marker bytes shared by the byte streams.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kananet {

// Position i of this string names the key whose KeyIndex is i. Key 0 is the space; the
// character between 'R' and 'E' is one backslash.
inline constexpr std::string_view kKeyAlphabet =
    " HTCL1qaz2wsx3edc4rfv5tgb6yhn7ujm8ik,9ol.0p;/-@:_^[]R\\EB";

inline constexpr int kKeyCount = 56;

// A layout file that opts in to keys pressed together (a line "%chords") has two thumb keys
// beside the space bar, each with its own hand: '<' left of it and '>' right of it. Other files
// read '<' and '>' as the space key, as always.
inline constexpr std::uint8_t kLeftThumbKey = 56;
inline constexpr std::uint8_t kRightThumbKey = 57;
inline constexpr int kKeyCountWithThumbs = 58;

inline constexpr bool IsThumbKey(int key) {
  return key == kLeftThumbKey || key == kRightThumbKey;
}

// Stream markers, above every KanaCode and every KeyIndex.
inline constexpr std::uint8_t kRunBreak = 0xFF;  // a break in the run of kana
inline constexpr std::uint8_t kUnitEnd = 0xFE;   // the end of one kana unit (count-by-kana only)
// Only in the keys of an entry of a file with keys pressed together, between two keys of one
// action: the key after it is pressed together with the key before it.
inline constexpr std::uint8_t kKeyJoin = 0xFD;

constexpr std::array<std::uint8_t, 256> MakeKeyIndexTable() {
  std::array<std::uint8_t, 256> table{};
  for (std::size_t i = 0; i < kKeyAlphabet.size(); ++i) {
    table[static_cast<unsigned char>(kKeyAlphabet[i])] = static_cast<std::uint8_t>(i);
  }
  return table;
}

// Character byte -> KeyIndex; every byte outside the KeyAlphabet maps to 0 like the space.
// Made when the program is compiled, so no thread ever waits for it or sees it half made.
inline constexpr std::array<std::uint8_t, 256> KeyIndexTable = MakeKeyIndexTable();

// A key character of a file with keys pressed together: the thumb keys, then as KeyIndexTable.
constexpr std::uint8_t ChordKeyIndex(char character) {
  return character == '<'   ? kLeftThumbKey
         : character == '>' ? kRightThumbKey
                            : KeyIndexTable[static_cast<std::uint8_t>(character)];
}

}  // namespace kananet
