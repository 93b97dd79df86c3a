#include "readers/layout.h"

#include <algorithm>
#include <utility>

#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "platform/console.h"
#include "platform/working_directory.h"
#include "readers/text_file.h"

namespace kananet {

namespace {

constexpr std::size_t kHeaderLineCount = 4;

std::vector<LayoutLine> SplitLines(std::string_view bytes) {
  std::vector<LayoutLine> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    std::size_t length = (end == std::string_view::npos ? bytes.size() : end) - start;
    if (end != std::string_view::npos && length > 0 && bytes[start + length - 1] == '\r') {
      --length;
    }
    lines.push_back({start, length});
    start = end == std::string_view::npos ? bytes.size() : end + 1;
  }
  return lines;
}

// Header line i as a text-mode line read takes it: a read past the end leaves its buffer as it
// was, so a missing line repeats a last line that has no line end, and reads as empty otherwise.
std::string_view HeaderLine(std::string_view bytes, const std::vector<LayoutLine>& lines,
                            std::size_t i) {
  auto text = [&](const LayoutLine& line) { return bytes.substr(line.Start, line.Length); };
  if (i < lines.size()) {
    return text(lines[i]);
  }
  bool lastLineOpen = !bytes.empty() && bytes.back() != '\n';
  return lastLineOpen ? text(lines.back()) : std::string_view();
}

// The first byte of a header line; an empty line gives its terminating zero.
std::uint8_t FirstByte(std::string_view line) {
  return line.empty() ? 0 : static_cast<std::uint8_t>(line.front());
}

std::int32_t DigitValue(std::string_view line) {
  return static_cast<std::int32_t>(static_cast<std::int8_t>(FirstByte(line))) - 48;
}

// The kana part: two-byte characters from the start until the first that is not a kana.
void ReadKana(std::string_view part, std::string& kana) {
  kana.clear();
  for (std::size_t i = 0; i + 1 < part.size(); i += 2) {
    std::uint8_t code =
        KanaCodeOf(static_cast<std::uint8_t>(part[i]), static_cast<std::uint8_t>(part[i + 1]));
    if (code == kNotKana) {
      break;
    }
    kana += static_cast<char>(code);
  }
}

// The keys part of a file with keys pressed together: '+' joins the keys on both sides of it
// into one action, and the thumb keys have their own indexes. A '+' with no key on one side
// joins nothing (the check names it).
void ReadChordKeys(std::string_view part, std::string& keys) {
  std::string action;
  auto endAction = [&] {
    std::sort(action.begin(), action.end(), [](char a, char b) {
      return static_cast<std::uint8_t>(a) < static_cast<std::uint8_t>(b);
    });
    for (std::size_t i = 0; i < action.size(); ++i) {
      if (i > 0) {
        keys += static_cast<char>(kKeyJoin);
      }
      keys += action[i];
    }
    action.clear();
  };
  bool joins = false;
  for (char character : part) {
    if (character == '+') {
      joins = true;
      continue;
    }
    if (!joins) {
      endAction();
    }
    action += static_cast<char>(ChordKeyIndex(character));
    joins = false;
  }
  endAction();
}

void ReadKeys(std::string_view part, bool chords, std::string& keys) {
  keys.clear();
  if (chords) {
    ReadChordKeys(part, keys);
    return;
  }
  for (char character : part) {
    keys += static_cast<char>(KeyIndexTable[static_cast<std::uint8_t>(character)]);
  }
}

bool HasChordsLine(std::string_view bytes, const std::vector<LayoutLine>& lines) {
  for (std::size_t i = kHeaderLineCount; i < lines.size(); ++i) {
    if (bytes.substr(lines[i].Start, lines[i].Length) == kChordsLine) {
      return true;
    }
  }
  return false;
}

LayoutHeaderValues HeaderOf(std::string_view bytes, const std::vector<LayoutLine>& lines) {
  LayoutHeaderValues header;
  header.Chords = HasChordsLine(bytes, lines);
  header.LeftHandLastKey = KeyIndexTable[FirstByte(HeaderLine(bytes, lines, 0))];
  header.BreakAfterPunctuation = KeyIndexTable[FirstByte(HeaderLine(bytes, lines, 1))];
  header.RowCount = DigitValue(HeaderLine(bytes, lines, 2));
  header.CountByKana = DigitValue(HeaderLine(bytes, lines, 3));
  return header;
}

std::vector<LayoutEntryLine> EntryLinesOf(std::string_view bytes,
                                          const std::vector<LayoutLine>& lines) {
  std::vector<LayoutEntryLine> entries;
  for (std::size_t i = kHeaderLineCount; i < lines.size(); ++i) {
    std::size_t tab = bytes.substr(lines[i].Start, lines[i].Length).find('\t');
    if (tab != std::string_view::npos) {
      entries.push_back({i, tab});
    }
  }
  return entries;
}

// Stores the entry lines into the slots of table there are, resetting the others.
void FillTable(std::string_view bytes, const std::vector<LayoutLine>& lines,
               const std::vector<LayoutEntryLine>& entries, bool chords,
               std::vector<LayoutEntry>& table) {
  for (std::size_t slot = 0; slot < table.size(); ++slot) {
    if (slot >= entries.size()) {
      table[slot].Kana.clear();
      table[slot].Keys.clear();
      continue;
    }
    std::string_view line =
        bytes.substr(lines[entries[slot].Line].Start, lines[entries[slot].Line].Length);
    ReadKana(line.substr(entries[slot].Tab + 1), table[slot].Kana);
    ReadKeys(line.substr(0, entries[slot].Tab), chords, table[slot].Keys);
  }
}

}  // namespace

std::size_t FillLayout(std::string_view fileBytes, LayoutHeaderValues& header,
                       std::vector<LayoutEntry>& table) {
  std::vector<LayoutLine> lines = SplitLines(fileBytes);
  std::vector<LayoutEntryLine> entries = EntryLinesOf(fileBytes, lines);
  header = HeaderOf(fileBytes, lines);
  FillTable(fileBytes, lines, entries, header.Chords, table);
  return entries.size();
}

LayoutDefinition ReadLayout(std::string fileBytes) {
  LayoutDefinition layout;
  layout.Bytes = std::move(fileBytes);
  layout.Lines = SplitLines(layout.Bytes);
  layout.Entries = EntryLinesOf(layout.Bytes, layout.Lines);
  layout.Header = HeaderOf(layout.Bytes, layout.Lines);
  layout.EntryLines = layout.Entries.size();
  layout.Table.resize(std::min(layout.EntryLines, kLayoutTableSlots));
  FillTable(layout.Bytes, layout.Lines, layout.Entries, layout.Header.Chords, layout.Table);
  return layout;
}

LayoutFile ReadLayoutFile(const std::string& path, bool keepFileBytes) {
  LayoutFile file;
  std::string bytes;
  file.Read = ReadWholeFile(path, bytes);
  if (file.Read.Outcome != ReadOutcome::kOk) {
    return file;
  }
  if (keepFileBytes) {
    file.FileBytes = bytes;
  }
  file.Utf16 = !MakeTextShiftJis(bytes);
  if (!file.Utf16) {
    file.Definition = ReadLayout(std::move(bytes));
  }
  return file;
}

LayoutDefinition LoadLayout(const std::string& name) {
  std::string path = std::string(kLayoutDirectory) + name;
  std::string contents;
  if (ReadResult read = ReadWholeFile(path, contents); read.Outcome != ReadOutcome::kOk) {
    StopAtUnopenedFile(path, read.Error);
  }
  MakeReadableText(path, contents);
  LayoutDefinition layout = ReadLayout(std::move(contents));
  if (layout.EntryLines > kLayoutTableSlots) {
    WriteErr(ConsoleText("Warning: ")
                 .Name(path)
                 .Text(" has " + std::to_string(layout.EntryLines) +
                       " definition lines; only the first " + std::to_string(kLayoutTableSlots) +
                       " are read.\n"));
  }
  return layout;
}

}  // namespace kananet
