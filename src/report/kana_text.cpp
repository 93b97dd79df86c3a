#include "report/kana_text.h"

#include <cstdint>

#include "codes/kana_code.h"
#include "codes/text_encoding.h"

namespace kananet::report {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace

std::string DisplayName(std::string_view bytes) {
  if (IsWellFormedUtf8(bytes)) {
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
