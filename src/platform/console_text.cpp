#include "platform/console_text.h"

#include <langinfo.h>
#include <strings.h>

#include <clocale>

#include "codes/text_encoding.h"
#include "platform/names.h"

namespace kananet {

namespace {

ConsoleCharset outCharset = ConsoleCharset::kShiftJis;
ConsoleCharset errCharset = ConsoleCharset::kShiftJis;
ShiftJisToUtf8Converter textToUtf8 = nullptr;

// Whether the user's locale has the character set UTF-8. A locale with one unknown category
// fails as a whole, so the character type category is then tried alone, as it alone decides.
// The "C" locale is put back, so that error texts and number formats never follow the locale.
bool LocaleIsUtf8() {
  bool utf8 = false;
  if (std::setlocale(LC_ALL, "") != nullptr || std::setlocale(LC_CTYPE, "") != nullptr) {
    const char* codeset = ::nl_langinfo(CODESET);
    utf8 = ::strcasecmp(codeset, "UTF-8") == 0 || ::strcasecmp(codeset, "UTF8") == 0;
  }
  std::setlocale(LC_ALL, "C");
  return utf8;
}

}  // namespace

void ChooseConsoleCharsets(ShiftJisToUtf8Converter toUtf8) {
  textToUtf8 = toUtf8;
  outCharset = LocaleIsUtf8() ? ConsoleCharset::kUtf8 : ConsoleCharset::kShiftJis;
  errCharset = outCharset;
}

ConsoleCharset CharsetOf(std::FILE* stream) {
  return stream == stdout ? outCharset : stream == stderr ? errCharset : ConsoleCharset::kShiftJis;
}

std::string Utf8ConsoleLine(std::string_view utf8, ConsoleCharset charset) {
  if (charset == ConsoleCharset::kUtf8 || !IsWellFormedUtf8(utf8)) {
    return std::string(utf8);
  }
  return Utf8TextToShiftJis(utf8);
}

ConsoleText& ConsoleText::Text(std::string_view shiftJis) {
  pieces_.push_back({false, std::string(shiftJis)});
  return *this;
}

ConsoleText& ConsoleText::Name(std::string_view nameOnDisk) {
  pieces_.push_back({true, std::string(nameOnDisk)});
  return *this;
}

ConsoleText UsageErrorText(std::string_view program, std::string_view complaint) {
  ConsoleText text;
  text.Text(std::string(program) + ": ").Name(complaint);
  text.Text("\nTry '" + std::string(program) + " --help'.\n");
  return text;
}

std::string UnknownOption(std::string_view argument) {
  return "unknown option " + std::string(argument);
}

std::string ConsoleText::In(ConsoleCharset charset) const {
  bool utf8 = charset == ConsoleCharset::kUtf8 && textToUtf8 != nullptr;
  std::string bytes;
  for (const Piece& piece : pieces_) {
    if (piece.IsName) {
      bytes += utf8 ? Utf8ConsoleName(piece.Bytes) : ConsoleName(piece.Bytes);
    } else {
      bytes += utf8 ? textToUtf8(piece.Bytes) : piece.Bytes;
    }
  }
  return bytes;
}

}  // namespace kananet
