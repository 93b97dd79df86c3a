// The layout reader on arbitrary bytes: header values within their ranges, every stored slot
// made of key indexes and kana codes, nothing left over from the input before, and the same
// file with CR LF line ends read the same. The 100,000-slot table is reused across inputs, as
// the reader reuses its table across layout files.
#include <cstdint>
#include <string>
#include <vector>

#include "codes/key_alphabet.h"
#include "fuzz_checks.h"
#include "readers/layout.h"

using namespace kananet;
using namespace kananet::fuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::vector<LayoutEntry> table(kLayoutTableSlots);
  static std::size_t storedBefore = 0;  // slots the previous input filled
  std::string_view file = BytesOf(data, size);

  LayoutHeaderValues header;
  std::size_t entryLines = FillLayout(file, header, table);
  FUZZ_CHECK(table.size() == kLayoutTableSlots);
  FUZZ_CHECK(header.LeftHandLastKey >= 0 && header.LeftHandLastKey < kKeyCount);
  FUZZ_CHECK(header.BreakAfterPunctuation >= 0 && header.BreakAfterPunctuation < kKeyCount);
  FUZZ_CHECK(header.RowCount >= -128 - 48 && header.RowCount <= 127 - 48);
  FUZZ_CHECK(header.CountByKana >= -128 - 48 && header.CountByKana <= 127 - 48);

  std::size_t stored = entryLines < kLayoutTableSlots ? entryLines : kLayoutTableSlots;
  for (std::size_t slot = 0; slot < stored; ++slot) {
    const LayoutEntry& entry = table[slot];
    // A file with keys pressed together has the thumb keys, and a join between two keys of an
    // action, never at either end.
    for (std::size_t i = 0; i < entry.Keys.size(); ++i) {
      const auto key = static_cast<std::uint8_t>(entry.Keys[i]);
      FUZZ_CHECK(key < (header.Chords ? kKeyCountWithThumbs : kKeyCount) ||
                 (header.Chords && key == kKeyJoin && i > 0 && i + 1 < entry.Keys.size() &&
                  static_cast<std::uint8_t>(entry.Keys[i + 1]) != kKeyJoin));
    }
    for (char code : entry.Kana) {
      FUZZ_CHECK(IsKanaCode(static_cast<std::uint8_t>(code)));
    }
    // Keys and kana come from one line, split at its first TAB.
    FUZZ_CHECK(entry.Keys.size() + 1 + 2 * entry.Kana.size() <= size);
  }
  for (std::size_t slot = stored; slot < storedBefore; ++slot) {
    FUZZ_CHECK(table[slot].Kana.empty() && table[slot].Keys.empty());
  }

  std::vector<LayoutEntry> entries(table.begin(),
                                   table.begin() + static_cast<std::ptrdiff_t>(stored));
  LayoutHeaderValues crLfHeader;
  FUZZ_CHECK(FillLayout(WithCrLf(file), crLfHeader, table) == entryLines);
  FUZZ_CHECK(crLfHeader.LeftHandLastKey == header.LeftHandLastKey &&
             crLfHeader.BreakAfterPunctuation == header.BreakAfterPunctuation &&
             crLfHeader.RowCount == header.RowCount &&
             crLfHeader.CountByKana == header.CountByKana);
  for (std::size_t slot = 0; slot < stored; ++slot) {
    FUZZ_CHECK(table[slot].Kana == entries[slot].Kana && table[slot].Keys == entries[slot].Keys);
  }
  storedBefore = stored;
  return 0;
}
