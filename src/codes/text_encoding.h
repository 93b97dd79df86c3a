// The character set of a text file, and the conversions that let every reader work on Shift_JIS
// (CP932) bytes whatever the file was saved as.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kananet {

enum class TextEncoding {
  kShiftJis,  // every file that is none of the others: read as it is
  kUtf8,   // begins with the UTF-8 byte-order mark, or is well-formed UTF-8 holding a byte >= 0x80
  kUtf16,  // begins with a UTF-16 byte-order mark (FF FE or FE FF): the readers refuse it
};

// The encoding of a whole file's bytes, by the rules above.
TextEncoding DetectTextEncoding(std::string_view fileBytes);

// Whether bytes is well-formed UTF-8 (RFC 3629: no overlong forms, no surrogates, nothing above
// U+10FFFF).
bool IsWellFormedUtf8(std::string_view bytes);

// Length of the well-formed UTF-8 sequence at the start of text, or 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text);

// Turns UTF-8 text into the CP932 bytes a Shift_JIS file with the same content holds, in pieces
// of any size (a character may be split between two pieces). A leading byte-order mark is
// dropped; a kana followed by the combining voiced or semi-voiced mark (U+3099, U+309A) is
// composed first; U+301C, U+2016, U+2212, U+2014, U+00A2, U+00A3 and U+00AC become their JIS X
// 0208 characters; any other character without a CP932 form, and any byte that is not part of
// well-formed UTF-8, becomes the substitute 〓 (81 AC). Line ends pass unchanged.
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

// The pieces of a buffer converted in place, each written from its start on: piece k began at
// starts[k] and its output ends at ends[k]. Moves each piece's output to follow the one before;
// returns the length of them all.
std::size_t JoinPieces(char* bytes, const std::vector<std::size_t>& starts,
                       const std::vector<std::size_t>& ends);

// Runs work(part) for every part below parts, one after another or side by side: how a caller
// lends its threads to the conversion below, which starts none itself.
using PartRunner =
    std::function<void(std::size_t parts, const std::function<void(std::size_t)>& work)>;

// MakeShiftJis with the UTF-8 check and the conversion cut into up to parts pieces, done by
// runParts: the same bytes and the same answer whatever the number of pieces. The check's
// pieces begin where a character begins, the conversion's before an ASCII byte, which neither
// continues a character nor is a combining mark.
TextEncoding MakeShiftJis(std::string& fileBytes, std::size_t parts, const PartRunner& runParts);

}  // namespace kananet
