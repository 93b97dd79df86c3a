// The character set each console stream speaks, and console lines made of Shift_JIS text and
// file names, shown in the character set of the stream they go to.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kananet {

enum class ConsoleCharset {
  kShiftJis,  // the bytes as they are: a locale that is not UTF-8, C and POSIX (none set) too
  kUtf8,      // the user's locale has the character set UTF-8
};

// Converts Shift_JIS (CP932) text to UTF-8.
using ShiftJisToUtf8Converter = std::string (*)(std::string_view shiftJis);

// Decides, once before the first output, the character set of standard output and standard
// error: UTF-8 when the user's locale (LC_ALL, LC_CTYPE, LANG) has the character set UTF-8,
// Shift_JIS otherwise, whether the stream is a terminal, a pipe or a file, as Linux programs
// write. The locale is consulted only for this: the program goes on in the "C" locale. toUtf8
// converts the text for a UTF-8 stream.
void ChooseConsoleCharsets(ShiftJisToUtf8Converter toUtf8);

// The character set of stdout or stderr; Shift_JIS until ChooseConsoleCharsets has chosen.
ConsoleCharset CharsetOf(std::FILE* stream);

// A console line of the programs that speak UTF-8 (kananet-report, kananet-sample) in the
// character set given: as it is for UTF-8; for Shift_JIS converted when it is well-formed UTF-8
// (a character without a Shift_JIS form becomes 〓), else left as it is (it then holds a name
// saved in Shift_JIS).
std::string Utf8ConsoleLine(std::string_view utf8, ConsoleCharset charset);

// A console line: pieces of Shift_JIS text and file names as they are on disk.
class ConsoleText {
 public:
  ConsoleText() = default;
  explicit ConsoleText(std::string_view shiftJisText) { Text(shiftJisText); }

  ConsoleText& Text(std::string_view shiftJis);
  ConsoleText& Name(std::string_view nameOnDisk);

  // The bytes for a stream of this character set. Shift_JIS: the text as it is, names in CP932
  // (see ConsoleName). UTF-8: the text converted, names as they are on disk with every byte that
  // is not part of well-formed UTF-8 shown as "?".
  std::string In(ConsoleCharset charset) const;

 private:
  struct Piece {
    bool IsName;
    std::string Bytes;
  };
  std::vector<Piece> pieces_;
};

// A wrong command line as every program words it, on two lines: "<program>: <complaint>" and
// "Try '<program> --help'.". The complaint (UTF-8, holding the argument at fault) is shown as a
// name is, so that an argument cannot move the cursor or end the line.
ConsoleText UsageErrorText(std::string_view program, std::string_view complaint);

// The complaint about an option the program does not know.
std::string UnknownOption(std::string_view argument);

}  // namespace kananet
