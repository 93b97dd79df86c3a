// File names as the page shows them; the kana themselves are in codes/kana_code.h.
#pragma once

#include <string>
#include <string_view>

namespace kananet::report {

// A file name as the page shows it: as it is when it is valid UTF-8, else read as Shift_JIS
// (CP932), with U+FFFD for every byte that cannot be decoded that way; control bytes escaped
// as on the console ("\r", "\x1b").
std::string DisplayName(std::string_view bytes);

// KanaCodes (a layout entry's kana) as UTF-8 text.
std::string KanaCodesUtf8(std::string_view kanaCodes);

}  // namespace kananet::report
