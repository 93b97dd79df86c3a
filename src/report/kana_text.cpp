#include "report/kana_text.h"

#include "codes/kana_code.h"
#include "codes/text_encoding.h"
#include "platform/names.h"

namespace kananet::report {

std::string DisplayName(std::string_view bytes) {
  return EscapeControlBytes(IsWellFormedUtf8(bytes) ? std::string(bytes)
                                                    : ShiftJisTextToUtf8(bytes));
}

std::string KanaCodesUtf8(std::string_view kanaCodes) {
  std::string text;
  for (const char code : kanaCodes) {
    text += KanaText(static_cast<std::uint8_t>(code));
  }
  return ShiftJisTextToUtf8(text);
}

}  // namespace kananet::report
