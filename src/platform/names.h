// File names on the console. Names on disk are UTF-8; the console speaks Shift_JIS (CP932).
#pragma once

#include <string>
#include <string_view>

namespace kananet {

// A control byte (IsControlByte: below 0x20, and 0x7F) of a name as the console and the page
// show it, so that a name cannot move the cursor, end a line or send an escape sequence: "\t",
// "\n", "\r", or "\x" and two hex digits ("\x1b"). Empty for any other byte.
std::string EscapedControlByte(char byte);

// The name with its control bytes escaped as above; every other byte as it is.
std::string EscapeControlBytes(std::string_view name);

// The name as CP932 bytes for the console: ASCII passes unchanged but for its control bytes,
// which are escaped; a character without a CP932 form, and each byte that is not part of valid
// UTF-8, becomes "?".
std::string ConsoleName(std::string_view utf8Name);

// The name for a UTF-8 console: well-formed UTF-8 passes unchanged but for its control bytes,
// which are escaped; each byte that is not part of it becomes "?".
std::string Utf8ConsoleName(std::string_view utf8Name);

}  // namespace kananet
