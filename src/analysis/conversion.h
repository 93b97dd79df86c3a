// Kana-to-keystroke conversion: the KanaStream becomes the KeyStream of the layout loaded last.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "readers/layout.h"

namespace kananet {

// KeyIndexes, RunBreaks and (when counting by kana) UnitEnds; rebuilt for every layout.
extern std::string KeyStream;

// Converts the whole KanaStream with the LayoutTable. Ends the run with a message naming the
// kana when the layout has no definition for it.
void ConvertKanaStream();

inline constexpr std::size_t NoSlot = static_cast<std::size_t>(-1);

// The first slot below LayoutSearchSlots, in table order, whose non-empty kana equals the
// stream's bytes from position on; NoSlot when there is none. The plain scan of the table.
std::size_t FindFirstMatchByScan(const std::vector<LayoutEntry>& table, std::string_view stream,
                                 std::size_t position);

// An index over a LayoutTable that answers the same question as FindFirstMatchByScan without
// scanning the table: for each first kana, the first slot defining that kana alone, and the
// longer sequences that begin with it and stand before that slot.
class KanaLookup {
 public:
  explicit KanaLookup(const std::vector<LayoutEntry>& table);

  std::size_t FindFirstMatch(std::string_view stream, std::size_t position) const;

 private:
  struct Candidate {
    std::size_t Slot;
    std::string_view Kana;  // refers to the table's string
  };
  std::size_t singleSlot_[256];
  std::vector<Candidate> longer_[256];
};

// Appends to keyStream the conversion of kanaStream with the table and the two header flags.
// Returns NoSlot on success, else the position in kanaStream of the kana without definition.
std::size_t AppendKeyStream(std::string_view kanaStream, const std::vector<LayoutEntry>& table,
                            bool countByKana, bool breakAfterPunctuation, std::string& keyStream);

// The console message for a kana without definition.
std::string MissingDefinitionMessage(std::uint8_t kanaCode);

}  // namespace kananet
