#include "codes/kana_code.h"

namespace kananet {

std::uint8_t KanaCodeOf(std::uint8_t lead, std::uint8_t trail) {
  switch (lead) {
    case 0x82:  // hiragana
      switch (trail) {
        case 0xEC:  // small wa folds into wa
          return 85;
        case 0xEE:  // wi folds into i
          return 10;
        case 0xEF:  // we folds into e
          return 14;
        default:
          if (trail >= 0x9F && trail <= 0xF1) {
            return static_cast<std::uint8_t>(trail - 152);
          }
          return NotKana;
      }
    case 0x83:  // katakana: only vu counts
      return trail == 0x94 ? 5 : NotKana;
    case 0x81:  // punctuation
      switch (trail) {
        case 0x41:  // ideographic comma
        case 0x43:  // full-width comma
          return KanaComma;
        case 0x42:  // ideographic full stop
        case 0x44:  // full-width full stop
          return KanaFullStop;
        case 0x5B:  // long-vowel mark
        case 0x5C:  // horizontal bar
        case 0x5D:  // hyphen
        case 0x7C:  // full-width hyphen-minus
          return 3;
        default:
          return NotKana;
      }
    default:
      return NotKana;
  }
}

std::string KanaText(std::uint8_t code) {
  switch (code) {
    case 0:
      return "\x81\x40";  // full-width space
    case 1:
      return "\x81\x41";
    case 2:
      return "\x81\x42";
    case 3:
      return "\x81\x5B";
    case 5:
      return "\x83\x94";
    default:
      return std::string{'\x82', static_cast<char>(static_cast<std::uint8_t>(code - 104))};
  }
}

}  // namespace kananet
