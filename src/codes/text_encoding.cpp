#include "codes/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace kananet {

namespace {

constexpr char32_t kByteOrderMark = 0xFEFF;
// The substitute 〓 for a character without a CP932 form and for a byte that is not UTF-8.
constexpr std::uint16_t kSubstitute = 0x81AC;

bool IsContinuation(std::uint8_t byte) {
  return !BeginsUtf8Character(byte);
}

// The one UTF-8 decoder. Decodes the sequence at in[0..available): returns its length and sets
// codePoint. Checked, it returns 0 when the sequence is not well-formed, and -1 when the
// available bytes are a proper start of a well-formed sequence that the following bytes may
// complete. Unchecked, for text already known to be well-formed, it reads the length from the
// lead byte alone, so that its branches follow the text's characters and nothing else.
template <bool kChecked>
inline int Decode(const std::uint8_t* in, std::size_t available, char32_t& codePoint) {
  std::uint8_t lead = in[0];
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  }
  // The three-byte form of kana and kanji first, checked as a whole.
  if ((lead & 0xF0) == 0xE0 && (!kChecked || available >= 3)) {
    std::uint8_t second = in[1];
    std::uint8_t third = in[2];
    codePoint = static_cast<char32_t>((lead & 0x0F) << 12 | (second & 0x3F) << 6 | (third & 0x3F));
    if constexpr (!kChecked) {
      return 3;
    }
    bool wellFormed = IsContinuation(second) && IsContinuation(third) && codePoint >= 0x800 &&
                      (codePoint < 0xD800 || codePoint > 0xDFFF);
    return wellFormed ? 3 : 0;
  }
  if constexpr (!kChecked) {
    int length = lead < 0xE0 ? 2 : 4;
    codePoint = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
      codePoint = (codePoint << 6) | (in[i] & 0x3F);
    }
    return length;
  }
  int length;
  std::uint8_t secondLow = 0x80;
  std::uint8_t secondHigh = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
    if (lead == 0xE0) {
      secondLow = 0xA0;  // shorter forms are overlong
    } else if (lead == 0xED) {
      secondHigh = 0x9F;  // U+D800..U+DFFF are surrogates
    }
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
    if (lead == 0xF0) {
      secondLow = 0x90;  // overlong
    } else if (lead == 0xF4) {
      secondHigh = 0x8F;  // above U+10FFFF
    }
  } else {
    return 0;
  }
  for (int i = 1; i < length; ++i) {
    if (static_cast<std::size_t>(i) >= available) {
      return -1;
    }
    std::uint8_t byte = in[i];
    if (i == 1 ? (byte < secondLow || byte > secondHigh) : !IsContinuation(byte)) {
      return 0;
    }
    codePoint = (codePoint << 6) | (byte & 0x3F);
  }
  return length;
}

// True when the 8 bytes at in are all ASCII.
bool AllAscii8(const std::uint8_t* in) {
  std::uint64_t word;
  std::memcpy(&word, in, sizeof word);
  return (word & 0x8080808080808080ULL) == 0;
}

// CP932 bytes of every BMP code point: a value below 0x100 is one byte, a larger value two bytes
// (lead byte high), 0 means no CP932 form (U+0000 itself is never looked up). Built once through
// iconv, which knows CP932, with the JIS X 0208 characters added that CP932's own table lacks.
using Cp932Table = std::array<std::uint16_t, 0x10000>;

std::unique_ptr<Cp932Table> BuildCp932Table() {
  auto table = std::make_unique<Cp932Table>();
  table->fill(0);
  for (char32_t codePoint = 1; codePoint < 0x80; ++codePoint) {
    (*table)[codePoint] = static_cast<std::uint16_t>(codePoint);
  }
  iconv_t converter = ::iconv_open("CP932", "UTF-8");
  if (converter != reinterpret_cast<iconv_t>(-1)) {
    for (char32_t codePoint = 0x80; codePoint < 0x10000; ++codePoint) {
      if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
        continue;
      }
      char in[3];
      std::size_t inLength = codePoint < 0x800 ? 2 : 3;
      if (inLength == 2) {
        in[0] = static_cast<char>(0xC0 | (codePoint >> 6));
        in[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
      } else {
        in[0] = static_cast<char>(0xE0 | (codePoint >> 12));
        in[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        in[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
      }
      char out[4];
      char* inPointer = in;
      char* outPointer = out;
      std::size_t outLeft = sizeof out;
      ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
      if (::iconv(converter, &inPointer, &inLength, &outPointer, &outLeft) ==
              static_cast<std::size_t>(-1) ||
          inLength != 0) {
        continue;
      }
      std::size_t written = sizeof out - outLeft;
      auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(out[i]); };
      if (written == 1 && byte(0) != 0) {
        (*table)[codePoint] = byte(0);
      } else if (written == 2) {
        (*table)[codePoint] = static_cast<std::uint16_t>(byte(0) << 8 | byte(1));
      }
    }
    ::iconv_close(converter);
  }
  // JIS X 0208 characters whose Unicode form CP932's table does not list.
  (*table)[0x301C] = 0x8160;  // WAVE DASH
  (*table)[0x2016] = 0x8161;  // DOUBLE VERTICAL LINE
  (*table)[0x2212] = 0x817C;  // MINUS SIGN
  (*table)[0x2014] = 0x815C;  // EM DASH
  (*table)[0x00A2] = 0x8191;  // CENT SIGN
  (*table)[0x00A3] = 0x8192;  // POUND SIGN
  (*table)[0x00AC] = 0x81CA;  // NOT SIGN
  // Hiragana vu has no Shift_JIS form; its katakana form ヴ is the one kana of its row that
  // the readers count, and kananet-sample writes it for ゔ too, so a UTF-8 file's ゔ means ヴ.
  (*table)[0x3094] = 0x8394;
  return table;
}

const Cp932Table& Cp932Of() {
  static const std::unique_ptr<Cp932Table> table = BuildCp932Table();  // thread-safe, once
  return *table;
}

// The kana that compose with a following U+3099 (Voiced) or U+309A (SemiVoiced), as Unicode
// normalization form C does, indexed by code point - 0x3040; 0 where there is no composite.
struct KanaComposites {
  std::array<char16_t, 0xC0> Voiced{};
  std::array<char16_t, 0xC0> SemiVoiced{};
};

constexpr KanaComposites MakeKanaComposites() {
  KanaComposites composites;
  // か..ど with the voiced kana one code point on, in hiragana and (0x60 on) katakana.
  constexpr char16_t kVoiceable[] = {0x304B, 0x304D, 0x304F, 0x3051, 0x3053, 0x3055, 0x3057,
                                     0x3059, 0x305B, 0x305D, 0x305F, 0x3061, 0x3064, 0x3066,
                                     0x3068, 0x306F, 0x3072, 0x3075, 0x3078, 0x307B};
  for (char16_t base : kVoiceable) {
    composites.Voiced[base - 0x3040] = static_cast<char16_t>(base + 1);
    composites.Voiced[base + 0x60 - 0x3040] = static_cast<char16_t>(base + 0x60 + 1);
  }
  for (char16_t base = 0x306F; base <= 0x307B; base += 3) {  // は..ほ
    composites.SemiVoiced[base - 0x3040] = static_cast<char16_t>(base + 2);
    composites.SemiVoiced[base + 0x60 - 0x3040] = static_cast<char16_t>(base + 0x60 + 2);
  }
  composites.Voiced[0x3046 - 0x3040] = 0x3094;  // ゔ
  composites.Voiced[0x309D - 0x3040] = 0x309E;  // ゞ
  composites.Voiced[0x30A6 - 0x3040] = 0x30F4;  // ヴ
  composites.Voiced[0x30EF - 0x3040] = 0x30F7;  // ヷ..ヺ
  composites.Voiced[0x30F0 - 0x3040] = 0x30F8;
  composites.Voiced[0x30F1 - 0x3040] = 0x30F9;
  composites.Voiced[0x30F2 - 0x3040] = 0x30FA;
  composites.Voiced[0x30FD - 0x3040] = 0x30FE;  // ヾ
  return composites;
}

constexpr KanaComposites kKanaComposites = MakeKanaComposites();

bool MayCompose(char32_t codePoint) {
  return codePoint >= 0x3040 && codePoint < 0x3100 && kKanaComposites.Voiced[codePoint - 0x3040];
}

// Where a conversion stands between two pieces: the kana held back for a mark that may begin the
// next piece, and whether the text's first character (a byte-order mark to drop) is still to
// come.
struct Progress {
  char32_t heldKana = 0;
  bool atStart = true;
};

char* PutCp932(char32_t codePoint, const Cp932Table& table, char* out) {
  std::uint16_t code = codePoint < 0x10000 ? table[codePoint] : 0;
  if (code == 0) {
    code = kSubstitute;
  }
  if (code >= 0x100) {
    *out++ = static_cast<char>(code >> 8);
  }
  *out++ = static_cast<char>(code & 0xFF);
  return out;
}

// The kana composed with the combining mark in[0..3) when there is one there, else kana.
char32_t ComposeWithMark(char32_t kana, const std::uint8_t* in) {
  if (in[0] != 0xE3 || in[1] != 0x82 || (in[2] != 0x99 && in[2] != 0x9A)) {
    return kana;
  }
  const auto& composites =
      in[2] == 0x99 ? kKanaComposites.Voiced : kKanaComposites.SemiVoiced;  // U+3099, U+309A
  char32_t composite = composites[kana - 0x3040];
  return composite != 0 ? composite : kana;
}

// Converts in[0..size) to CP932 at out; returns the end of what was written and sets consumed.
// Unless final, a sequence cut at the end is left unconsumed for the next call, and a kana at
// the end is held back in progress. Writes at most 2 bytes per input byte plus 2 for a held
// kana. With well-formed input the output never runs ahead of the input, so out may be in.
char* ConvertBytes(const std::uint8_t* in, std::size_t size, char* out, Progress& progress,
                   bool final, std::size_t& consumed) {
  const Cp932Table& table = Cp932Of();
  const std::uint8_t* const end = in + size;
  const std::uint8_t* position = in;
  consumed = 0;
  if (progress.atStart && position != end) {
    char32_t first;
    int length = Decode<true>(position, size, first);
    if (length < 0 && !final) {
      return out;
    }
    progress.atStart = false;
    if (length > 0 && first == kByteOrderMark) {
      position += length;
    }
  }
  if (progress.heldKana != 0) {
    char32_t kana = progress.heldKana;
    if (size < 3 && !final) {
      return out;  // the mark may still come
    }
    if (size >= 3 && ComposeWithMark(kana, position) != kana) {
      kana = ComposeWithMark(kana, position);
      position += 3;
    }
    out = PutCp932(kana, table, out);
    progress.heldKana = 0;
  }
  while (position != end) {
    // ASCII runs, the bulk of line ends and markup, eight bytes at a time.
    while (end - position >= 8 && AllAscii8(position)) {
      std::memmove(out, position, 8);
      out += 8;
      position += 8;
    }
    while (position != end && *position < 0x80) {
      *out++ = static_cast<char>(*position++);
    }
    if (position == end) {
      break;
    }
    char32_t codePoint;
    int length = Decode<true>(position, static_cast<std::size_t>(end - position), codePoint);
    if (length < 0 && !final) {
      break;  // cut: completed by the next piece
    }
    if (length <= 0) {
      out = PutCp932(0x110000, table, out);  // the substitute for a stray byte
      ++position;
      continue;
    }
    position += length;
    if (MayCompose(codePoint)) {
      if (end - position >= 3) {
        char32_t composite = ComposeWithMark(codePoint, position);
        if (composite != codePoint) {
          codePoint = composite;
          position += 3;
        }
      } else if (!final) {
        progress.heldKana = codePoint;
        break;
      }
    }
    out = PutCp932(codePoint, table, out);
  }
  consumed = static_cast<std::size_t>(position - in);
  return out;
}

// Whether in[0..3) is the combining voiced or semi-voiced mark (U+3099, U+309A).
bool IsCombiningMark(const std::uint8_t* in) {
  return in[0] == 0xE3 && in[1] == 0x82 && (in[2] == 0x99 || in[2] == 0x9A);
}

// ConvertBytes of a whole text already known to be well-formed UTF-8, in one call: without the
// checks of each sequence, and asking whether a kana composes only when a mark follows it (the
// rare case), so that the loop's branches follow the text's characters alone.
char* ConvertWellFormed(const std::uint8_t* in, std::size_t size, char* out) {
  const Cp932Table& table = Cp932Of();
  const std::uint8_t* const end = in + size;
  const std::uint8_t* position = in;
  if (size >= 3 && position[0] == 0xEF && position[1] == 0xBB && position[2] == 0xBF) {
    position += 3;  // the byte-order mark
  }
  while (position != end) {
    while (end - position >= 8 && AllAscii8(position)) {
      std::memmove(out, position, 8);
      out += 8;
      position += 8;
    }
    if (position == end) {
      break;
    }
    if (*position < 0x80) {
      *out++ = static_cast<char>(*position++);  // U+0000 too, which the table has no form for
      continue;
    }
    char32_t codePoint;
    position += Decode<false>(position, static_cast<std::size_t>(end - position), codePoint);
    if (end - position >= 3 && IsCombiningMark(position) && MayCompose(codePoint)) {
      char32_t composite = ComposeWithMark(codePoint, position);
      if (composite != codePoint) {
        codePoint = composite;
        position += 3;
      }
    }
    out = PutCp932(codePoint, table, out);
  }
  return out;
}

const std::uint8_t* BytesOf(std::string_view text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

// Appends the conversion of bytes to out; returns how many bytes were consumed.
std::size_t AppendConverted(std::string_view bytes, Progress& progress, bool final,
                            std::string& out) {
  std::size_t start = out.size();
  out.resize(start + 2 * bytes.size() + 2);
  std::size_t consumed;
  char* last =
      ConvertBytes(BytesOf(bytes), bytes.size(), out.data() + start, progress, final, consumed);
  out.resize(static_cast<std::size_t>(last - out.data()));
  return consumed;
}

}  // namespace

TextEncoding DetectTextEncoding(std::string_view fileBytes) {
  if (StartsUtf16(fileBytes)) {
    return TextEncoding::kUtf16;
  }
  if (fileBytes.starts_with(kUtf8ByteOrderMark)) {
    return TextEncoding::kUtf8;
  }
  Utf8Check check = CheckUtf8(fileBytes);
  return check.WellFormed && check.HighByte ? TextEncoding::kUtf8 : TextEncoding::kShiftJis;
}

bool IsWellFormedUtf8(std::string_view bytes) {
  return CheckUtf8(bytes).WellFormed;
}

Utf8Check CheckUtf8(std::string_view bytes) {
  const std::uint8_t* position = BytesOf(bytes);
  const std::uint8_t* const end = position + bytes.size();
  Utf8Check check;
  while (position != end) {
    while (end - position >= 8 && AllAscii8(position)) {
      position += 8;
    }
    if (position == end) {
      break;
    }
    if (*position < 0x80) {
      ++position;
      continue;
    }
    check.HighByte = true;
    char32_t codePoint;
    int length = Decode<true>(position, static_cast<std::size_t>(end - position), codePoint);
    if (length <= 0) {
      check.WellFormed = false;
      break;
    }
    position += length;
  }
  return check;
}

std::size_t Utf8SequenceLength(std::string_view text) {
  if (text.empty()) {
    return 0;
  }
  char32_t codePoint;
  int length = Decode<true>(BytesOf(text), text.size(), codePoint);
  return length > 0 ? static_cast<std::size_t>(length) : 0;
}

char32_t NextCodePoint(std::string_view text, std::size_t& position) {
  char32_t codePoint;
  int length = Decode<true>(BytesOf(text) + position, text.size() - position, codePoint);
  if (length <= 0) {
    ++position;
    return 0xFFFD;
  }
  position += static_cast<std::size_t>(length);
  return codePoint;
}

struct Utf8ToShiftJis::State {
  Progress progress;
  std::string cutSequence;  // the start of a sequence cut at the end of the last piece
};

Utf8ToShiftJis::Utf8ToShiftJis() : state_(std::make_unique<State>()) {}

Utf8ToShiftJis::~Utf8ToShiftJis() = default;

void Utf8ToShiftJis::Convert(std::string_view piece, std::string& out) {
  std::string& cut = state_->cutSequence;
  if (!cut.empty()) {
    // The cut sequence with enough of this piece to complete it (at most 3 more bytes).
    std::size_t borrowed = std::min<std::size_t>(piece.size(), 3);
    std::string joined = cut + std::string(piece.substr(0, borrowed));
    std::size_t consumed = AppendConverted(joined, state_->progress, false, out);
    if (consumed < cut.size()) {
      cut = joined.substr(consumed);  // still cut: this piece was too short to complete it
      return;
    }
    piece.remove_prefix(consumed - cut.size());
    cut.clear();
  }
  std::size_t consumed = AppendConverted(piece, state_->progress, false, out);
  cut.assign(piece.substr(consumed));
}

void Utf8ToShiftJis::Finish(std::string& out) {
  AppendConverted(state_->cutSequence, state_->progress, true, out);
  state_ = std::make_unique<State>();
}

std::string Utf8TextToShiftJis(std::string_view utf8) {
  std::string out;
  Progress progress;
  AppendConverted(utf8, progress, true, out);
  return out;
}

std::string ShiftJisTextToUtf8(std::string_view shiftJis) {
  std::string out(shiftJis.size() * 3 + 3, '\0');
  iconv_t converter = ::iconv_open("UTF-8", "CP932");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    return std::string(shiftJis);  // no converter: the bytes as they are
  }
  std::string in(shiftJis);
  char* inPointer = in.data();
  std::size_t inLeft = in.size();
  char* outPointer = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0) {
    if (::iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) !=
        static_cast<std::size_t>(-1)) {
      break;
    }
    // A byte without a CP932 meaning here (or a sequence cut at the end): U+FFFD for that one
    // byte, so a following ASCII byte is kept. Each input byte writes at most 3 bytes.
    std::memcpy(outPointer, "\xEF\xBF\xBD", 3);
    outPointer += 3;
    outLeft -= 3;
    ++inPointer;
    --inLeft;
    ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
  }
  ::iconv_close(converter);
  out.resize(out.size() - outLeft);
  return out;
}

TextEncoding MakeShiftJis(std::string& fileBytes) {
  TextEncoding encoding = DetectTextEncoding(fileBytes);
  if (encoding != TextEncoding::kUtf8) {
    return encoding;
  }
  std::string_view text = fileBytes;
  if (text.starts_with(kUtf8ByteOrderMark) &&
      !IsWellFormedUtf8(text.substr(kUtf8ByteOrderMark.size()))) {
    // A stray byte becomes two: the conversion needs its own buffer.
    fileBytes = Utf8TextToShiftJis(text);
    return encoding;
  }
  // Well-formed: no character takes more bytes in CP932 than in UTF-8, so convert in place. (A
  // single pass into a second buffer measured slower: its fresh pages cost more than the check.)
  fileBytes.resize(ConvertWellFormedUtf8InPlace(fileBytes.data(), fileBytes.size()));
  return encoding;
}

std::size_t ConvertWellFormedUtf8InPlace(char* bytes, std::size_t size) {
  return static_cast<std::size_t>(
      ConvertWellFormed(reinterpret_cast<const std::uint8_t*>(bytes), size, bytes) - bytes);
}

}  // namespace kananet
