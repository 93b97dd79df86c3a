#include "kana_text.h"

#include <cstdint>

#include "codes/kana_code.h"

namespace kananet::report {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

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
      AppendUtf8(name, KanaCodePoint(b, trail).value_or(kReplacement));
      ++i;
    } else {
      AppendUtf8(name, kReplacement);
    }
  }
  return name;
}

}  // namespace kananet::report
