// The conversion's output for each entry of a layout, as the KeyStream bytes it stands for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/entry_matcher.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "readers/layout.h"

namespace kananet {

// What the conversion adds to the KeyStream for each piece of the matcher's numbering: for a slot,
// its keys, then a UnitEnd when counting by kana, then a RunBreak when the layout breaks after
// punctuation and the entry begins with 、 or 。; for a RunBreak of the KanaStream, that
// RunBreak. The pieces share one buffer, padded so that any piece can be read with a copy of
// a fixed width.
class KeyPieces {
 public:
  static constexpr std::size_t kCopyWidth = 16;

  struct Piece {
    std::size_t Offset = 0;
    std::size_t Length = 0;
  };

  KeyPieces(const std::vector<LayoutEntry>& table, bool countByKana, bool breakAfterPunctuation) {
    const std::size_t slots = MatchingSlots(table);
    pieces_.resize(slots + 2);
    for (std::size_t slot = 0; slot < slots; ++slot) {
      const std::string& kana = table[slot].Kana;
      if (kana.empty()) {
        continue;
      }
      auto first = static_cast<std::uint8_t>(kana.front());
      bool breaks = breakAfterPunctuation && (first == kKanaComma || first == kKanaFullStop);
      Add(slot, table[slot].Keys, countByKana, breaks);
    }
    Add(slots, "", false, true);  // the RunBreak; the kana without definition has no bytes
    bytes_.append(kCopyWidth, '\0');
  }

  std::size_t Count() const { return pieces_.size(); }
  const Piece& operator[](std::size_t piece) const { return pieces_[piece]; }
  const char* BytesOf(const Piece& piece) const { return bytes_.data() + piece.Offset; }

 private:
  void Add(std::size_t index, std::string_view keys, bool unitEnd, bool runBreak) {
    Piece& piece = pieces_[index];
    piece.Offset = bytes_.size();
    bytes_ += keys;
    if (unitEnd) {
      bytes_ += static_cast<char>(kUnitEnd);
    }
    if (runBreak) {
      bytes_ += static_cast<char>(kRunBreak);
    }
    piece.Length = bytes_.size() - piece.Offset;
  }

  std::vector<Piece> pieces_;
  std::string bytes_;
};

}  // namespace kananet
