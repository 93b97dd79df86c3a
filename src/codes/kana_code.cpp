#include "codes/kana_code.h"

#include <optional>

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
          return kNotKana;
      }
    case 0x83:  // katakana: only vu counts
      return trail == 0x94 ? 5 : kNotKana;
    case 0x81:  // punctuation
      switch (trail) {
        case 0x41:  // ideographic comma
        case 0x43:  // full-width comma
          return kKanaComma;
        case 0x42:  // ideographic full stop
        case 0x44:  // full-width full stop
          return kKanaFullStop;
        case 0x5B:  // long-vowel mark
        case 0x5C:  // horizontal bar
        case 0x5D:  // hyphen
        case 0x7C:  // full-width hyphen-minus
          return 3;
        default:
          return kNotKana;
      }
    default:
      return kNotKana;
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

namespace {

// Code points of the punctuation row (lead byte 0x81) that labels and layout names use, with
// the Windows code page's choices for the dashes.
std::optional<char32_t> PunctuationCodePoint(unsigned char trail) {
  switch (trail) {
    case 0x40:
      return 0x3000;  // full-width space
    case 0x41:
      return 0x3001;  // 、
    case 0x42:
      return 0x3002;  // 。
    case 0x43:
      return 0xFF0C;  // ，
    case 0x44:
      return 0xFF0E;  // ．
    case 0x45:
      return 0x30FB;  // ・
    case 0x5B:
      return 0x30FC;  // ー
    case 0x5C:
      return 0x2015;  // ―
    case 0x5D:
      return 0x2010;  // ‐
    case 0x7C:
      return 0xFF0D;  // －
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<char32_t> KanaCodePoint(unsigned char lead, unsigned char trail) {
  if (lead == 0x81) {
    return PunctuationCodePoint(trail);
  }
  if (lead == 0x82 && trail >= 0x9F && trail <= 0xF1) {
    return 0x3041 + (trail - 0x9F);  // ぁ .. ん
  }
  if (lead == 0x83 && trail >= 0x40 && trail <= 0x7E) {
    return 0x30A1 + (trail - 0x40);  // ァ .. ミ
  }
  if (lead == 0x83 && trail >= 0x80 && trail <= 0x96) {
    return 0x30E0 + (trail - 0x80);  // ム .. ヶ
  }
  return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::optional<std::string> KanaUtf8(unsigned char lead, unsigned char trail) {
  const std::optional<char32_t> codePoint = KanaCodePoint(lead, trail);
  if (!codePoint) {
    return std::nullopt;
  }
  std::string text;
  AppendUtf8(text, *codePoint);
  return text;
}

}  // namespace kananet
