#include "report/kana_text.h"

#include "codes/text_encoding.h"
#include "platform/names.h"

namespace kananet::report {

std::string DisplayName(std::string_view bytes) {
  return EscapeControlBytes(IsWellFormedUtf8(bytes) ? std::string(bytes)
                                                    : ShiftJisTextToUtf8(bytes));
}

}  // namespace kananet::report
