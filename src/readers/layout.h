// The layout definition reader: one layout file becomes the LayoutHeader and the LayoutTable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kananet {

struct LayoutHeaderValues {
  std::int32_t LeftHandLastKey = 0;        // keys 0..this value are left-hand keys
  std::int32_t BreakAfterPunctuation = 0;  // nonzero: a RunBreak follows 、 and 。
  std::int32_t RowCount = 0;               // scales the vertical placement of the keys
  std::int32_t CountByKana = 0;            // nonzero: gaps are counted in kana units
};

struct LayoutEntry {
  std::string Kana;  // KanaCodes typed by this entry, in text order
  std::string Keys;  // KeyIndexes to strike, in order
};

inline constexpr std::size_t kLayoutTableSlots = 100000;
// Lookups consider only the slots below this index, so the table's last slot is never found.
inline constexpr std::size_t kLayoutSearchSlots = 99999;

extern LayoutHeaderValues LayoutHeader;
// Always LayoutTableSlots slots: the entry lines in file order, the rest empty.
extern std::vector<LayoutEntry> LayoutTable;

// Reads layout/<CurrentLayoutName> into LayoutHeader and LayoutTable. Ends the run with
// "File is not exist." when the file cannot be opened or read.
void LoadLayout();

// Fills header and table (table must hold LayoutTableSlots slots; all are reset) from a layout
// file's bytes. Returns the number of entry lines in the file, which can exceed the slots; the
// entry lines beyond the table are not stored.
std::size_t FillLayout(std::string_view fileBytes, LayoutHeaderValues& header,
                       std::vector<LayoutEntry>& table);

}  // namespace kananet
