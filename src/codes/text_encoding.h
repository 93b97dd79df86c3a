// The character set of a text file, and the conversions that let every reader work on Shift_JIS
// (CP932) bytes whatever the file was saved as.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kananet {

// How the readers cut Shift_JIS text into characters: 0x00-0x7F and 0xA1-0xDF (half-width
// katakana) are one-byte characters; every other byte starts a two-byte one, whatever follows.
constexpr bool StartsTwoByteCharacter(std::uint8_t byte) {
  return byte >= 0x80 && (byte < 0xA1 || byte > 0xDF);
}

// Whether byte begins a two-byte character that Shift_JIS (CP932) defines: every byte above but
// 0x80, 0xA0 and 0xFD-0xFF, which begin none. ShiftJisTextToUtf8 takes each of those as a byte
// of its own, so text that it converts is cut by this test.
constexpr bool IsShiftJisLeadByte(std::uint8_t byte) {
  return StartsTwoByteCharacter(byte) && byte != 0x80 && byte != 0xA0 && byte <= 0xFC;
}

// Whether byte is a control character (below 0x20, and 0x7F), which the console and the page
// never show as it is: it could move the cursor, end a line or start an escape sequence.
constexpr bool IsControlByte(std::uint8_t byte) {
  return byte < 0x20 || byte == 0x7F;
}

// Whether byte begins a UTF-8 sequence, or stands alone: any byte but a continuation byte.
constexpr bool BeginsUtf8Character(std::uint8_t byte) {
  return (byte & 0xC0) != 0x80;
}

enum class TextEncoding {
  kShiftJis,  // every file that is none of the others: read as it is
  kUtf8,   // begins with the UTF-8 byte-order mark, or is well-formed UTF-8 holding a byte >= 0x80
  kUtf16,  // begins with a UTF-16 byte-order mark (FF FE or FE FF): the readers refuse it
};

// The encoding of a whole file's bytes, by the rules above.
TextEncoding DetectTextEncoding(std::string_view fileBytes);

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Whether bytes begin with a UTF-16 byte-order mark (FF FE or FE FF).
constexpr bool StartsUtf16(std::string_view bytes) {
  return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

// Whether bytes is well-formed UTF-8 (RFC 3629: no overlong forms, no surrogates, nothing above
// U+10FFFF).
bool IsWellFormedUtf8(std::string_view bytes);

// What a look at bytes as UTF-8 finds.
struct Utf8Check {
  bool WellFormed = true;
  bool HighByte = false;  // a byte from 0x80 up; always so when the bytes are not well-formed
};
Utf8Check CheckUtf8(std::string_view bytes);

// Length of the well-formed UTF-8 sequence at the start of text, or 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text);

// The code point of the UTF-8 character at text[position], which moves past it; U+FFFD for a
// byte that is not part of well-formed UTF-8, which is passed alone.
char32_t NextCodePoint(std::string_view text, std::size_t& position);

// Turns UTF-8 text into the CP932 bytes a Shift_JIS file with the same content holds, in pieces
// of any size (a character may be split between two pieces). A leading byte-order mark is
// dropped; a kana followed by the combining voiced or semi-voiced mark (U+3099, U+309A) is
// composed first; U+301C, U+2016, U+2212, U+2014, U+00A2, U+00A3 and U+00AC become their JIS X
// 0208 characters, and ゔ (U+3094) becomes ヴ; any other character without a CP932 form, and any
// byte that is not part of well-formed UTF-8, becomes the substitute 〓 (81 AC). Line ends pass
// unchanged.
class Utf8ToShiftJis {
 public:
  Utf8ToShiftJis();
  ~Utf8ToShiftJis();
  Utf8ToShiftJis(const Utf8ToShiftJis&) = delete;
  Utf8ToShiftJis& operator=(const Utf8ToShiftJis&) = delete;

  // Appends to out the conversion of piece; a character that may still be composed with what
  // follows, or is cut at the piece's end, is held back until the next call.
  void Convert(std::string_view piece, std::string& out);
  // Appends what is held back (a cut sequence becomes 〓); call once after the last piece. The
  // converter is then ready for a new text.
  void Finish(std::string& out);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The whole of a UTF-8 text at once (see Utf8ToShiftJis).
std::string Utf8TextToShiftJis(std::string_view utf8);

// UTF-8 of Shift_JIS (CP932) text, for a UTF-8 console and for tools that analyse text in
// UTF-8; a byte sequence without a CP932 meaning becomes U+FFFD.
std::string ShiftJisTextToUtf8(std::string_view shiftJis);

// Makes a whole file's bytes Shift_JIS: a UTF-8 file is converted in place, a Shift_JIS file is
// left as it is. Returns the encoding found; for kUtf16 the bytes are left as they are and the
// caller refuses the file.
TextEncoding MakeShiftJis(std::string& fileBytes);

// Converts well-formed UTF-8 in place to what Utf8TextToShiftJis gives for it (no character
// takes more bytes in CP932 than in UTF-8); returns the length written. A byte-order mark at the
// start is dropped. A piece of a text converts alone to its share of the whole text's bytes when
// it begins before an ASCII byte, which neither continues a character nor is a combining mark.
std::size_t ConvertWellFormedUtf8InPlace(char* bytes, std::size_t size);

}  // namespace kananet
