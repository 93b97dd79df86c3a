#include "check/layout_check.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <map>
#include <unordered_map>
#include <utility>

#include "analysis/entry_matcher.h"
#include "analysis/kana_lookup.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "output/network_writer.h"
#include "platform/directory.h"
#include "platform/parallel.h"
#include "readers/sample_text.h"

namespace kananet {

Severity SeverityOf(FindingKind kind) {
  switch (kind) {
    case FindingKind::kCannotRead:
    case FindingKind::kUtf16:
    case FindingKind::kNoLayoutFiles:
    case FindingKind::kSameResultFile:
    case FindingKind::kUndefinedKana:
      return Severity::kError;
    case FindingKind::kUnusedEntries:
    case FindingKind::kKeystrokesPerKana:
      return Severity::kNote;
    default:
      return Severity::kWarning;
  }
}

int LayoutCheck::CountOf(Severity level) const {
  return static_cast<int>(std::count_if(Findings.begin(), Findings.end(), [&](const Finding& f) {
    return SeverityOf(f.Kind) == level;
  }));
}

bool BatchCheck::HasError() const {
  return SearchError != 0 || !Text.Findings.empty() ||
         std::any_of(Layouts.begin(), Layouts.end(), [](const LayoutCheck& layout) {
           return layout.CountOf(Severity::kError) > 0;
         });
}

namespace {

constexpr std::size_t kUnusedExamples = 5;

// 0x00-0x7F and 0xA1-0xDF are one-byte characters; every other byte starts a two-byte one.
bool StartsTwoByteCharacter(std::uint8_t byte) {
  return byte >= 0x80 && (byte < 0xA1 || byte > 0xDF);
}

// The character that begins at offset: two bytes when a lead byte has a byte behind it.
std::string_view CharacterAt(std::string_view text, std::size_t offset) {
  if (offset >= text.size()) {
    return {};
  }
  bool twoBytes =
      StartsTwoByteCharacter(static_cast<std::uint8_t>(text[offset])) && offset + 1 < text.size();
  return text.substr(offset, twoBytes ? 2 : 1);
}

// The column of the character at offset, from 1, counting characters rather than bytes, so that
// a file saved as UTF-8 gets the same columns as its Shift_JIS form.
std::size_t ColumnOf(std::string_view line, std::size_t offset) {
  std::size_t column = 1;
  for (std::size_t i = 0; i < offset; i += CharacterAt(line, i).size()) {
    ++column;
  }
  return column;
}

struct FileLine {
  std::size_t Number = 0;
  std::string_view Text;
};

// The lines of the file as the layout reader took them, numbered from 1.
std::vector<FileLine> LinesOf(const LayoutDefinition& definition) {
  std::vector<FileLine> lines;
  for (std::size_t i = 0; i < definition.Lines.size(); ++i) {
    lines.push_back({i + 1, definition.LineText(i)});
  }
  return lines;
}

// Lines 1 to 4 as the reader takes them; a read past the end leaves its buffer as it was, so a
// missing line repeats a last line that has no line end, and reads as empty otherwise.
std::array<HeaderSource, kHeaderLines> HeaderSources(std::string_view bytes,
                                                     const std::vector<FileLine>& lines) {
  std::array<HeaderSource, kHeaderLines> sources{};
  bool lastLineOpen = !bytes.empty() && bytes.back() != '\n';
  for (std::size_t i = 0; i < kHeaderLines; ++i) {
    std::string_view line;
    if (i < lines.size()) {
      sources[i].Present = true;
      line = lines[i].Text;
    } else if (lastLineOpen) {
      line = lines.back().Text;
    }
    sources[i].Byte = line.empty() ? 0 : static_cast<std::uint8_t>(line.front());
    sources[i].Character = CharacterAt(line, 0);
  }
  return sources;
}

bool IsDigit(std::uint8_t byte) {
  return byte >= '0' && byte <= '9';
}

// Lines 1 and 2 expect a key character, a space or nothing; lines 3 and 4 a digit.
bool IsExpected(std::size_t line, std::uint8_t byte) {
  if (line < 2) {
    return byte == 0 || byte == ' ' || KeyIndexTable[byte] != 0;
  }
  return IsDigit(byte);
}

std::int32_t HeaderValue(const LayoutHeaderValues& header, std::size_t line) {
  const std::int32_t values[] = {header.LeftHandLastKey, header.BreakAfterPunctuation,
                                 header.RowCount, header.CountByKana};
  return values[line];
}

void CheckHeader(const LayoutCheck& layout, std::size_t lineCount, std::vector<Finding>& out) {
  for (std::size_t i = 0; i < kHeaderLines; ++i) {
    const HeaderSource& source = layout.Sources[i];
    Finding item;
    item.Line = i + 1;
    item.Value = HeaderValue(layout.Header, i);
    if (!source.Present) {
      item.Kind = FindingKind::kHeaderLineMissing;
      item.Count = lineCount;
    } else if (!IsExpected(i, source.Byte)) {
      item.Kind = FindingKind::kHeaderLineUnexpected;
      item.Text = source.Character;
    } else {
      continue;
    }
    out.push_back(std::move(item));
  }
}

struct EntryLine {
  FileLine Line;
  std::size_t Tab = 0;
};

std::vector<EntryLine> EntryLines(const LayoutDefinition& definition,
                                  const std::vector<FileLine>& lines) {
  std::vector<EntryLine> entries;
  for (const LayoutEntryLine& entry : definition.Entries) {
    entries.push_back({lines[entry.Line], entry.Tab});
  }
  return entries;
}

void CheckKeys(const EntryLine& entry, std::vector<Finding>& out) {
  std::string_view keys = entry.Line.Text.substr(0, entry.Tab);
  for (std::size_t i = 0; i < keys.size();) {
    auto byte = static_cast<std::uint8_t>(keys[i]);
    if (byte == ' ' || KeyIndexTable[byte] != 0) {
      ++i;
      continue;
    }
    std::string_view character = CharacterAt(keys, i);
    Finding item;
    item.Kind = FindingKind::kKeyOutsideAlphabet;
    item.Line = entry.Line.Number;
    item.Column = ColumnOf(keys, i);
    item.Text = character;
    item.Count = character.size();
    out.push_back(std::move(item));
    i += character.size();
  }
}

// The reader takes the kana part in steps of two bytes and stops at the first pair that is not
// a kana, so the stop lies two bytes per kana read behind the TAB.
void CheckKanaPart(const EntryLine& entry, const std::string& kana, std::vector<Finding>& out) {
  std::string_view part = entry.Line.Text.substr(entry.Tab + 1);
  std::size_t stop = 2 * kana.size();
  Finding item;
  item.Line = entry.Line.Number;
  item.Column = ColumnOf(entry.Line.Text, entry.Tab + 1 + stop);
  item.Kana = kana;
  if (kana.empty()) {
    item.Kind = FindingKind::kEmptyKana;
    item.Text = CharacterAt(part, 0);
  } else if (stop + 1 < part.size() &&
             StartsTwoByteCharacter(static_cast<std::uint8_t>(part[stop])) &&
             part.substr(stop, 2) != "\x81\x40") {  // an ideographic space parts a remark
    item.Kind = FindingKind::kKanaStopsAtNonKana;
    item.Text = part.substr(stop, 2);
  } else {
    return;
  }
  out.push_back(std::move(item));
}

// Marks the entries that a first-match search never reaches because an earlier entry's kana is
// the same or a beginning of theirs, and reports them.
std::vector<bool> CheckShadowed(const std::vector<EntryLine>& entries,
                                const std::vector<LayoutEntry>& table, std::size_t slots,
                                std::vector<Finding>& out) {
  std::vector<bool> shadowed(slots, false);
  std::unordered_map<std::string_view, std::size_t> firstWith;
  for (std::size_t slot = 0; slot < slots; ++slot) {
    std::string_view kana = table[slot].Kana;
    if (kana.empty()) {
      continue;
    }
    std::size_t earliest = kNoSlot;
    bool same = false;
    for (std::size_t length = 1; length <= kana.size(); ++length) {
      auto found = firstWith.find(kana.substr(0, length));
      if (found != firstWith.end() && (length == kana.size() || found->second < earliest)) {
        same = length == kana.size();
        earliest = found->second;
      }
    }
    if (earliest != kNoSlot) {
      shadowed[slot] = true;
      Finding item;
      item.Kind = same ? FindingKind::kSameKana : FindingKind::kPrefixKana;
      item.Line = entries[slot].Line.Number;
      item.OtherLine = entries[earliest].Line.Number;
      item.Kana = kana;
      item.OtherKana = table[earliest].Kana;
      out.push_back(std::move(item));
    }
    firstWith.emplace(kana, slot);
  }
  return shadowed;
}

bool IsUsable(const std::vector<LayoutEntry>& table, const std::vector<bool>& shadowed,
              std::size_t slot) {
  return !table[slot].Kana.empty() && !shadowed[slot];
}

void CheckHandSplit(const LayoutCheck& layout, const std::vector<LayoutEntry>& table,
                    const std::vector<bool>& shadowed, std::vector<Finding>& out) {
  std::int32_t lastLeft = layout.Header.LeftHandLastKey;
  bool left = false;
  bool right = false;
  for (std::size_t slot = 0; slot < shadowed.size(); ++slot) {
    if (!IsUsable(table, shadowed, slot)) {
      continue;
    }
    for (char key : table[slot].Keys) {
      auto index = static_cast<std::uint8_t>(key);
      left = left || (index != 0 && index <= lastLeft);
      right = right || index > lastLeft;
    }
  }
  if (left != right) {
    Finding item;
    item.Kind = left ? FindingKind::kAllKeysLeftHand : FindingKind::kAllKeysRightHand;
    item.Line = 1;
    item.Value = lastLeft;
    out.push_back(std::move(item));
  }
}

struct UndefinedKana {
  std::uint64_t Count = 0;
  std::size_t First = 0;
};

struct Coverage {
  std::vector<std::uint64_t> Uses;  // per slot
  std::array<UndefinedKana, 256> Undefined{};
};

// The first-match conversion of the whole stream, as the batch's, except that a kana without
// definition is counted and passed over instead of ending the run: the walk of the batch's
// count, with the uses of each piece instead of its tally.
Coverage Cover(std::string_view stream, const std::vector<LayoutEntry>& table, std::size_t slots) {
  const EntryMatcher matcher(table);
  std::vector<std::uint64_t> uses(matcher.PieceCount(), 0);
  Coverage tally;
  WalkMatches(
      matcher, stream, 0, stream.size(), true,
      [&](std::size_t, std::size_t position, EntryMatcher::Match match)
          __attribute__((always_inline)) {
            ++uses[match.Piece];
            if (match.Piece != matcher.MissingPiece()) {
              return std::size_t{match.Advance};
            }
            UndefinedKana& undefined = tally.Undefined[static_cast<std::uint8_t>(stream[position])];
            if (undefined.Count++ == 0 || position < undefined.First) {
              undefined.First = position;  // lanes go side by side: keep the earliest
            }
            return std::size_t{1};
          });
  tally.Uses.assign(slots, 0);
  std::copy_n(uses.begin(), std::min(slots, matcher.RunBreakPiece()), tally.Uses.begin());
  return tally;
}

void CheckText(const std::string& stream, const std::vector<EntryLine>& entries,
               const std::vector<LayoutEntry>& table, const std::vector<bool>& shadowed,
               LayoutCheck& layout, std::vector<Finding>& errors, std::vector<Finding>& notes) {
  Coverage tally = Cover(stream, table, shadowed.size());
  for (int code = 0; code < 256; ++code) {
    const UndefinedKana& undefined = tally.Undefined[code];
    if (undefined.Count != 0) {
      Finding item;
      item.Kind = FindingKind::kUndefinedKana;
      item.Kana = std::string(1, static_cast<char>(code));
      item.Count = undefined.Count;
      item.StreamPosition = undefined.First;
      errors.push_back(std::move(item));
    }
  }
  std::sort(errors.begin(), errors.end(),
            [](const Finding& a, const Finding& b) { return a.StreamPosition < b.StreamPosition; });
  if (!errors.empty()) {
    errors.front().StopsBatch = true;
  }

  Finding unused;
  unused.Kind = FindingKind::kUnusedEntries;
  for (std::size_t slot = 0; slot < shadowed.size(); ++slot) {
    std::uint64_t uses = tally.Uses[slot];
    layout.Keystrokes += uses * table[slot].Keys.size();
    layout.Kana += uses * table[slot].Kana.size();
    if (IsUsable(table, shadowed, slot) && uses == 0) {
      if (unused.Count++ < kUnusedExamples) {
        unused.Examples.push_back({entries[slot].Line.Number, table[slot].Kana});
      }
    }
  }
  if (unused.Count != 0) {
    notes.push_back(std::move(unused));
  }
  if (layout.Kana != 0) {
    Finding average;
    average.Kind = FindingKind::kKeystrokesPerKana;
    average.Count = layout.Keystrokes;
    average.Total = layout.Kana;
    notes.push_back(std::move(average));
  }
  layout.TextChecked = true;
}

}  // namespace

LayoutChecker::LayoutChecker(const std::string* textCodes) : textCodes_(textCodes) {}

LayoutCheck LayoutChecker::CheckBytes(const std::string& name, std::string_view fileBytes) const {
  return Check(name, ReadLayout(std::string(fileBytes)));
}

LayoutCheck LayoutChecker::Check(const std::string& name,
                                 const LayoutDefinition& definition) const {
  LayoutCheck layout;
  layout.Name = name;
  layout.ResultName = OutputNameOf(name);
  layout.Read = true;
  layout.Header = definition.Header;
  layout.EntryLines = definition.EntryLines;
  const std::vector<LayoutEntry>& table = definition.Table;

  std::vector<FileLine> lines = LinesOf(definition);
  layout.Sources = HeaderSources(definition.Bytes, lines);
  std::vector<EntryLine> entries = EntryLines(definition, lines);
  std::size_t slots = std::min({entries.size(), layout.EntryLines, kLayoutSearchSlots});

  std::vector<Finding> errors;
  std::vector<Finding> warnings;
  std::vector<Finding> notes;
  CheckHeader(layout, lines.size(), warnings);
  for (std::size_t slot = 0; slot < slots; ++slot) {
    CheckKeys(entries[slot], warnings);
    CheckKanaPart(entries[slot], table[slot].Kana, warnings);
  }
  if (entries.size() > kLayoutSearchSlots) {
    Finding item;
    item.Kind = FindingKind::kBeyondSearchableSlots;
    item.Line = entries[kLayoutSearchSlots].Line.Number;
    item.Count = entries.size() - kLayoutSearchSlots;
    warnings.push_back(std::move(item));
  }
  std::vector<bool> shadowed = CheckShadowed(entries, table, slots, warnings);
  CheckHandSplit(layout, table, shadowed, warnings);
  if (textCodes_ != nullptr) {
    CheckText(*textCodes_, entries, table, shadowed, layout, errors, notes);
  }

  std::stable_sort(warnings.begin(), warnings.end(),
                   [](const Finding& a, const Finding& b) { return a.Line < b.Line; });
  layout.Findings = std::move(errors);
  layout.Findings.insert(layout.Findings.end(), std::make_move_iterator(warnings.begin()),
                         std::make_move_iterator(warnings.end()));
  layout.Findings.insert(layout.Findings.end(), std::make_move_iterator(notes.begin()),
                         std::make_move_iterator(notes.end()));
  return layout;
}

namespace {

// What keeps a file from being read, as a finding; none when it was read.
bool FindReadFailure(const ReadResult& read, bool utf16, std::vector<Finding>& findings) {
  Finding item;
  if (read.Outcome != ReadOutcome::kOk) {
    item.Kind = FindingKind::kCannotRead;
    item.Value = read.Error;
  } else if (utf16) {
    item.Kind = FindingKind::kUtf16;
  } else {
    return false;
  }
  findings.push_back(std::move(item));
  return true;
}

// Fills in the text line of every undefined kana's first place, from the text's line ends.
void LocateUndefinedKana(BatchCheck& batch) {
  for (LayoutCheck& layout : batch.Layouts) {
    for (Finding& item : layout.Findings) {
      if (item.Kind == FindingKind::kUndefinedKana) {
        item.TextLine = batch.Text.Sample.LineOf(item.StreamPosition);
      }
    }
  }
}

// Checks every layout that was read, on up to jobs threads, each taking the next layout not
// yet taken; a layout's result lands in its own place, so the order stays the batch's.
void CheckReadLayouts(const std::string* textCodes, std::vector<LayoutFile>& files,
                      std::vector<LayoutCheck>& layouts, unsigned jobs) {
  const LayoutChecker checker(textCodes);
  std::atomic<std::size_t> next = 0;
  std::size_t threads = std::min<std::size_t>(std::max(jobs, 1u), layouts.size());
  std::vector<std::exception_ptr> failures(threads);
  RunParts(threads, [&](std::size_t thread) {
    try {
      for (std::size_t i = next++; i < layouts.size(); i = next++) {
        if (layouts[i].Read) {
          layouts[i] = checker.Check(layouts[i].Name, files[i].Definition);
          files[i] = LayoutFile();
        }
      }
    } catch (...) {
      failures[thread] = std::current_exception();  // such as running out of memory
      next = layouts.size();
    }
  });
  for (const std::exception_ptr& failure : failures) {
    if (failure) {
      std::rethrow_exception(failure);
    }
  }
}

}  // namespace

TextCheck ReadTextForCheck(const std::string& path, unsigned jobs) {
  TextCheck text;
  text.Path = path;
  SampleTextFile file = ReadSampleTextFile(path, jobs, true);
  text.Read = !FindReadFailure(file.Read, file.Utf16, text.Findings);
  text.Sample = std::move(file.Text);
  return text;
}

BatchCheck CheckBatch(const std::string& sampleTextPath, const std::string& layoutDirectory,
                      unsigned jobs) {
  BatchCheck batch;
  batch.LayoutDirectory = layoutDirectory;
  batch.Text = ReadTextForCheck(sampleTextPath, jobs);
  LayoutFileSearch search = FindLayoutFiles(layoutDirectory);
  batch.SearchError = search.ErrorCode;
  if (search.ErrorCode != 0) {
    return batch;
  }
  // Layout files are small beside the text: read them all first, then check them side by side.
  std::vector<LayoutFile> files(search.Names.size());
  batch.Layouts.resize(search.Names.size());
  for (std::size_t i = 0; i < search.Names.size(); ++i) {
    LayoutCheck& layout = batch.Layouts[i];
    layout.Name = search.Names[i];
    layout.ResultName = OutputNameOf(layout.Name);
    files[i] = ReadLayoutFile(layoutDirectory + layout.Name);
    layout.Read = !FindReadFailure(files[i].Read, files[i].Utf16, layout.Findings);
  }
  CheckReadLayouts(batch.Text.Read ? &batch.Text.Sample.KanaStream : nullptr, files, batch.Layouts,
                   jobs);
  std::map<std::string, std::string> writers;  // result file -> the first layout writing it
  for (LayoutCheck& layout : batch.Layouts) {
    if (!layout.Read) {
      continue;
    }
    auto [writer, first] = writers.emplace(layout.ResultName, layout.Name);
    if (!first) {
      Finding item;
      item.Kind = FindingKind::kSameResultFile;
      item.Text = layout.ResultName;
      item.OtherName = writer->second;
      layout.Findings.insert(layout.Findings.begin(), std::move(item));
    }
  }
  if (batch.Text.Read) {
    LocateUndefinedKana(batch);
  }
  return batch;
}

}  // namespace kananet
