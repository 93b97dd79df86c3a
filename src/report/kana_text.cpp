#include "kana_text.h"

#include <cstdint>

namespace kananet::report {

namespace {

constexpr char32_t Replacement = 0xFFFD;

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

bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Length of the well-formed UTF-8 sequence at the start of `s`, 0 if there is none.
std::size_t Utf8SequenceLength(std::string_view s) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char first = byte(0);
  std::size_t length = 0;
  char32_t minimum = 0;
  char32_t value = 0;
  if (first < 0x80) {
    return 1;
  } else if (first >= 0xC2 && first <= 0xDF) {
    length = 2, minimum = 0x80, value = first & 0x1F;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3, minimum = 0x800, value = first & 0x0F;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4, minimum = 0x10000, value = first & 0x07;
  } else {
    return 0;
  }
  if (s.size() < length) {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) {
      return 0;
    }
    value = (value << 6) | (byte(i) & 0x3F);
  }
  const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  return value < minimum || value > 0x10FFFF || surrogate ? 0 : length;
}

bool IsUtf8(std::string_view s) {
  while (!s.empty()) {
    const std::size_t length = Utf8SequenceLength(s);
    if (length == 0) {
      return false;
    }
    s.remove_prefix(length);
  }
  return true;
}

}  // namespace

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

std::string DisplayName(std::string_view bytes) {
  if (IsUtf8(bytes)) {
    return std::string(bytes);
  }
  std::string name;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      name += static_cast<char>(b);
    } else if (b >= 0xA1 && b <= 0xDF) {
      AppendUtf8(name, 0xFF61 + (b - 0xA1));  // half-width katakana
    } else if (IsLeadByte(b) && i + 1 < bytes.size()) {
      const auto trail = static_cast<unsigned char>(bytes[i + 1]);
      AppendUtf8(name, KanaCodePoint(b, trail).value_or(Replacement));
      ++i;
    } else {
      AppendUtf8(name, Replacement);
    }
  }
  return name;
}

}  // namespace kananet::report
