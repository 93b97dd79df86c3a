// The layout definition reader: one layout file becomes a LayoutDefinition, a value holding its
// header, its table and its lines.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codes/key_alphabet.h"
#include "platform/files.h"

namespace kananet {

struct LayoutHeaderValues {
  std::int32_t LeftHandLastKey = 0;        // keys 0..this value are left-hand keys
  std::int32_t BreakAfterPunctuation = 0;  // nonzero: a RunBreak follows 、 and 。
  std::int32_t RowCount = 0;               // scales the vertical placement of the keys
  std::int32_t CountByKana = 0;            // nonzero: gaps are counted in kana units
  // The file has a line "%chords" after the header: '+' joins keys pressed together into one
  // action, and '<' and '>' are the thumb keys. Without it the file reads as it always has.
  bool Chords = false;
};

// The line that opts a layout file in to keys pressed together.
inline constexpr std::string_view kChordsLine = "%chords";

struct LayoutEntry {
  std::string Kana;  // KanaCodes typed by this entry, in text order
  // KeyIndexes to strike, in order. In a file with keys pressed together, the keys of one action
  // stand in ascending order with a kKeyJoin between each two, so that the same action written
  // in another order gives the same bytes.
  std::string Keys;

  // The keys pressed, and the actions they make (a key struck alone is one).
  std::size_t Strokes() const {
    return Keys.size() - static_cast<std::size_t>(
                             std::count(Keys.begin(), Keys.end(), static_cast<char>(kKeyJoin)));
  }
  std::size_t Actions() const { return 2 * Strokes() - Keys.size(); }
};

// The most entry lines a table holds; the lines past them are counted but not stored.
inline constexpr std::size_t kLayoutTableSlots = 100000;
// Lookups consider only the slots below this index, so the table's last slot is never found.
inline constexpr std::size_t kLayoutSearchSlots = 99999;

// A line of a layout file: where it lies in the file's bytes, without its line end.
struct LayoutLine {
  std::size_t Start = 0;
  std::size_t Length = 0;
};

// A line holding a TAB, which makes it an entry line, and where its TAB is.
struct LayoutEntryLine {
  std::size_t Line = 0;  // index into Lines
  std::size_t Tab = 0;
};

// One layout file as read, once, for the batch, the check, the report and the search.
struct LayoutDefinition {
  LayoutHeaderValues Header;
  // The entry lines in file order, at most kLayoutTableSlots of them.
  std::vector<LayoutEntry> Table;
  std::size_t EntryLines = 0;  // entry lines in the file, which can exceed the table
  std::string Bytes;           // the file's bytes, made Shift_JIS
  // The lines as the reader takes them: a line ends in LF, whose CR before it is not part of
  // the line; the text after the last LF is a line when it is not empty.
  std::vector<LayoutLine> Lines;
  std::vector<LayoutEntryLine> Entries;  // every entry line, also those past the table

  std::string_view LineText(std::size_t line) const {
    return std::string_view(Bytes).substr(Lines[line].Start, Lines[line].Length);
  }
};

// The layout of a file's bytes, already made Shift_JIS.
LayoutDefinition ReadLayout(std::string fileBytes);

// A layout file read from disk: the layout, or why there is none.
struct LayoutFile {
  ReadResult Read{ReadOutcome::kOk, 0};
  bool Utf16 = false;  // the file is UTF-16, which no reader accepts
  LayoutDefinition Definition;
  // The file's own bytes, when asked for: a program that writes the layout back changed keeps
  // the file's encoding, byte-order mark and line ends from them.
  std::string FileBytes;

  bool Ok() const { return Read.Outcome == ReadOutcome::kOk && !Utf16; }
};

LayoutFile ReadLayoutFile(const std::string& path, bool keepFileBytes = false);

// The name a layout goes by: its file's name up to the first dot. Its network file and the
// layouts a search finds from it are named from it.
inline std::string_view LayoutStem(std::string_view fileName) {
  return fileName.substr(0, fileName.find('.'));
}

// The batch's step: reads layout/<name>. Ends the run with "File is not exist." when the file
// cannot be opened or read, and warns when it has more entry lines than the table holds.
LayoutDefinition LoadLayout(const std::string& name);

// Fills header and table from a layout file's bytes: every slot of table is reset, and the
// entry lines are stored in file order into the slots there are. Returns the number of entry
// lines in the file, which can exceed the slots.
std::size_t FillLayout(std::string_view fileBytes, LayoutHeaderValues& header,
                       std::vector<LayoutEntry>& table);

}  // namespace kananet
