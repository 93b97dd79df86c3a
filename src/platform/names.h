// File names on the console. Names on disk are UTF-8; the console speaks Shift_JIS (CP932).
#pragma once

#include <string>
#include <string_view>

namespace kananet {

// The name as CP932 bytes for the console: ASCII passes unchanged; a character without a
// CP932 form, and each byte that is not part of valid UTF-8, becomes "?".
std::string ConsoleName(std::string_view utf8Name);

// The name for a UTF-8 console: well-formed UTF-8 passes unchanged; each byte that is not part
// of it becomes "?".
std::string Utf8ConsoleName(std::string_view utf8Name);

}  // namespace kananet
