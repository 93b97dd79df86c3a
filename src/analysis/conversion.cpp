#include "analysis/conversion.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "analysis/entry_matcher.h"
#include "analysis/key_pieces.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"

namespace kananet {

namespace {

// Appends pieces through a pointer: the buffer keeps room for a fixed-width copy ahead of the
// pointer, so that appending a short piece is one copy of that width. The room grows by half of
// what is written (or by the piece, for a longer one) whenever it runs short, so it follows what
// the text needs, whatever the table holds; at the end the buffer takes the bytes written.
class KeyStreamWriter {
 public:
  KeyStreamWriter(KeyBytes& out, std::size_t expected) : out_(out) {
    std::size_t written = out_.Size();
    out_.Reserve(written + std::max(expected, KeyPieces::kCopyWidth));
    next_ = out_.Data() + written;
    end_ = out_.Data() + out_.Capacity();
  }
  ~KeyStreamWriter() { out_.SetWrittenSize(Written()); }

  void Append(const char* bytes, std::size_t length) {
    std::size_t needed = std::max(length, KeyPieces::kCopyWidth);
    if (static_cast<std::size_t>(end_ - next_) < needed) {
      Grow(needed);
    }
    if (length <= KeyPieces::kCopyWidth) {
      std::memcpy(next_, bytes, KeyPieces::kCopyWidth);
    } else {
      std::memcpy(next_, bytes, length);
    }
    next_ += length;
  }

 private:
  std::size_t Written() const { return static_cast<std::size_t>(next_ - out_.Data()); }

  // Rare, so kept out of the loop that appends.
  [[gnu::noinline]] void Grow(std::size_t needed) {
    std::size_t written = Written();
    out_.Reserve(out_.Capacity() + std::max(written / 2, needed));
    next_ = out_.Data() + written;
    end_ = out_.Data() + out_.Capacity();
  }

  KeyBytes& out_;
  char* next_ = nullptr;
  char* end_ = nullptr;
};

}  // namespace

std::size_t AppendKeyStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            bool countByKana, bool breakAfterPunctuation, KeyBytes& keyCodes) {
  const EntryMatcher matcher(table);
  const KeyPieces pieces(table, countByKana, breakAfterPunctuation);
  // Room at first for two bytes of keys per kana, about what a layout of one or two keys per
  // kana needs; the writer grows it as the text needs more.
  KeyStreamWriter writer(keyCodes, kanaCodes.size() * 2);
  // In blocks only: the keys go out in the stream's order.
  return WalkMatches(matcher, kanaCodes, 0, kanaCodes.size(), false,
                     [&](std::size_t, std::size_t, EntryMatcher::Match match) {
                       const KeyPieces::Piece& piece = pieces[match.Piece];
                       writer.Append(pieces.BytesOf(piece), piece.Length);
                       return match.Advance;
                     });
}

std::size_t AppendKeyStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            bool countByKana, bool breakAfterPunctuation, std::string& keyCodes) {
  KeyBytes converted;
  std::size_t missing =
      AppendKeyStream(kanaCodes, table, countByKana, breakAfterPunctuation, converted);
  keyCodes += converted.View();
  return missing;
}

std::string MissingDefinitionMessage(std::uint8_t kanaCode) {
  // "「" kana "」の定義が不足しているようです." in Shift_JIS, ending in an ASCII full stop.
  return "\x81\x75" + KanaText(kanaCode) +
         "\x81\x76\x82\xcc\x92\xe8\x8b\x60\x82\xaa\x95\x73\x91\xab\x82\xb5\x82\xc4\x82\xa2\x82\xe9"
         "\x82\xe6\x82\xa4\x82\xc5\x82\xb7.\n";
}

}  // namespace kananet
