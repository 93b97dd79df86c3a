// The conversion's output for each entry of a layout, as the KeyStream bytes it stands for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/branchless.h"
#include "analysis/kana_lookup.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "readers/layout.h"

namespace kananet {

// What the conversion adds to the KeyStream at a position: for a slot that a search can find,
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
    std::size_t Advance = 0;  // KanaStream bytes that the piece stands for; 0 for none
  };

  KeyPieces(const std::vector<LayoutEntry>& table, bool countByKana, bool breakAfterPunctuation) {
    std::size_t slots = SearchableSlots(table);
    while (slots > 0 && table[slots - 1].Kana.empty()) {
      --slots;
    }
    pieces_.resize(slots + 2);
    for (std::size_t slot = 0; slot < slots; ++slot) {
      const std::string& kana = table[slot].Kana;
      if (kana.empty()) {
        continue;
      }
      auto first = static_cast<std::uint8_t>(kana.front());
      bool breaks = breakAfterPunctuation && (first == kKanaComma || first == kKanaFullStop);
      Add(slot, table[slot].Keys, countByKana, breaks, kana.size());
    }
    runBreak_ = slots;
    Add(runBreak_, "", false, true, 1);
    missing_ = slots + 1;
    bytes_.append(kCopyWidth, '\0');
  }

  // The piece at a position of the KanaStream that holds code and whose first match is slot.
  std::size_t At(std::uint8_t code, std::size_t slot) const {
    if (slot == kNoSlot) {
      slot = missing_;
    }
    return Choose(code == kRunBreak, runBreak_, slot);
  }
  bool IsMissing(std::size_t piece) const { return piece == missing_; }
  std::size_t Count() const { return pieces_.size(); }
  const Piece& operator[](std::size_t piece) const { return pieces_[piece]; }
  const char* BytesOf(const Piece& piece) const { return bytes_.data() + piece.Offset; }

 private:
  void Add(std::size_t index, std::string_view keys, bool unitEnd, bool runBreak,
           std::size_t advance) {
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
    piece.Advance = advance;
  }

  std::vector<Piece> pieces_;
  std::string bytes_;
  std::size_t runBreak_ = 0;
  std::size_t missing_ = 0;
};

}  // namespace kananet
