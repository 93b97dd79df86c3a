#include "check/layout_rules.h"

#include <algorithm>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>

#include "analysis/entry_counts.h"
#include "analysis/figures.h"
#include "analysis/gap_rules.h"
#include "analysis/kana_lookup.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "codes/text_encoding.h"

namespace kananet {

namespace {

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

// Whether a line holds a TAB or a kana, as an entry line does and no header line should.
bool LooksLikeEntry(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); i += CharacterAt(line, i).size()) {
    const std::string_view character = CharacterAt(line, i);
    if (character == "\t" ||
        (character.size() == 2 && KanaCodeOf(static_cast<std::uint8_t>(character[0]),
                                             static_cast<std::uint8_t>(character[1])) != 0)) {
      return true;
    }
  }
  return false;
}

// A file that begins with entries has no header: its first entries are read as the header, and
// one finding says so rather than one for each header line it misreads.
void CheckHeader(const LayoutCheck& layout, const std::vector<FileLine>& lines,
                 std::vector<Finding>& out) {
  for (std::size_t i = 0; i < kHeaderLines && i < lines.size(); ++i) {
    if (LooksLikeEntry(lines[i].Text)) {
      Finding item;
      item.Kind = FindingKind::kHeaderMissing;
      item.Line = 1;
      item.OtherLine = lines[i].Number;
      out.push_back(std::move(item));
      return;
    }
  }
  const std::size_t lineCount = lines.size();
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

std::vector<EntryLine> EntryLines(const LayoutDefinition& definition,
                                  const std::vector<FileLine>& lines) {
  std::vector<EntryLine> entries;
  for (const LayoutEntryLine& entry : definition.Entries) {
    entries.push_back({lines[entry.Line], entry.Tab});
  }
  return entries;
}

bool IsChordCharacter(char character) {
  return character == '+' || character == '<' || character == '>';
}

void CheckKeys(const EntryLine& entry, bool chords, std::vector<Finding>& out) {
  std::string_view keys = entry.Line.Text.substr(0, entry.Tab);
  for (std::size_t i = 0; i < keys.size();) {
    auto byte = static_cast<std::uint8_t>(keys[i]);
    if (byte == ' ' || KeyIndexTable[byte] != 0 || (chords && IsChordCharacter(keys[i]))) {
      ++i;
      continue;
    }
    std::string_view character = CharacterAt(keys, i);
    Finding item;
    item.Kind =
        IsChordCharacter(keys[i]) ? FindingKind::kChordCharacter : FindingKind::kKeyOutsideAlphabet;
    item.Line = entry.Line.Number;
    item.Column = ColumnOf(keys, i);
    item.Text = character;
    item.Count = character.size();
    out.push_back(std::move(item));
    i += character.size();
  }
}

// The actions of a file with keys pressed together, as the reader takes them: a key twice in one
// action, or two keys of one finger (the space key and the bytes that count as it aside), are
// errors, and so is a '+' with no key on one side of it. Distinct sets of keys that one hand
// presses together are counted into parts, up to the count's limit.
void CheckActions(const EntryLine& entry, std::int32_t leftHandLastKey,
                  std::set<std::string>& handParts, std::vector<Finding>& out) {
  const std::string_view keys = entry.Line.Text.substr(0, entry.Tab);
  auto add = [&](FindingKind kind, std::size_t offset, std::string text, int finger) {
    Finding item;
    item.Kind = kind;
    item.Line = entry.Line.Number;
    item.Column = ColumnOf(entry.Line.Text, offset);
    item.Text = std::move(text);
    item.Value = finger;
    out.push_back(std::move(item));
  };
  std::vector<std::size_t> action;  // offsets of its keys
  auto endAction = [&] {
    std::string hands[2];
    for (std::size_t j = 0; j < action.size(); ++j) {
      const std::uint8_t key = ChordKeyIndex(keys[action[j]]);
      hands[HandOfKey(key, leftHandLastKey)] += static_cast<char>(key);
      for (std::size_t i = 0; i < j && key != 0; ++i) {
        const std::uint8_t other = ChordKeyIndex(keys[action[i]]);
        const Finger finger = FingerOf(key, leftHandLastKey);
        if (other == key) {
          add(FindingKind::kKeyTwiceInAction, action[j], std::string(1, keys[action[j]]), 0);
          break;
        }
        if (other != 0 && FingerOf(other, leftHandLastKey) == finger &&
            HandOfKey(other, leftHandLastKey) == HandOfKey(key, leftHandLastKey)) {
          add(FindingKind::kOneFingerInAction, action[j],
              std::string{keys[action[i]], keys[action[j]]}, static_cast<int>(finger));
          break;
        }
      }
    }
    for (std::string& part : hands) {
      std::sort(part.begin(), part.end());
      if (part.size() > 1) {
        handParts.insert(part);
      }
    }
    action.clear();
  };
  bool joins = false;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] == '+') {
      if (action.empty() || joins) {
        add(FindingKind::kJoinsNothing, i, "+", 0);
      }
      joins = true;
      continue;
    }
    if (!joins) {
      endAction();
    }
    action.push_back(i);
    joins = false;
  }
  if (joins && !action.empty()) {
    add(FindingKind::kJoinsNothing, keys.size() - 1, "+", 0);
  }
  endAction();
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

bool IsKeyCharacter(char byte) {
  return byte != ' ' && KeyIndexTable[static_cast<std::uint8_t>(byte)] != 0;
}

// A line after the header that looks like an entry whose TAB an editor turned into spaces: key
// characters, spaces, then kana. The batch ignores it; the check says so at its kana.
void CheckLinesWithoutTab(const std::vector<FileLine>& lines, std::vector<Finding>& out) {
  for (std::size_t i = kHeaderLines; i < lines.size(); ++i) {
    std::string_view text = lines[i].Text;
    std::size_t keys = 0;
    while (keys < text.size() && IsKeyCharacter(text[keys])) {
      ++keys;
    }
    std::size_t kanaStart = text.find_first_not_of(' ', keys);
    if (keys == 0 || kanaStart == keys || kanaStart == std::string_view::npos ||
        text.find('\t') != std::string_view::npos) {
      continue;
    }
    std::string kana;
    for (std::size_t at = kanaStart; at + 1 < text.size(); at += 2) {
      std::uint8_t code =
          KanaCodeOf(static_cast<std::uint8_t>(text[at]), static_cast<std::uint8_t>(text[at + 1]));
      if (code == 0) {
        break;
      }
      kana += static_cast<char>(code);
    }
    if (!kana.empty()) {
      Finding item;
      item.Kind = FindingKind::kNoTab;
      item.Line = lines[i].Number;
      item.Column = ColumnOf(text, kanaStart);
      item.Kana = std::move(kana);
      out.push_back(std::move(item));
    }
  }
}

// Two usable entries that type the same keys: the later one names the earlier. (An entry that
// can never be used has its warning already.)
void CheckSameKeys(const std::vector<EntryLine>& entries, const std::vector<LayoutEntry>& table,
                   const std::vector<bool>& shadowed, std::vector<Finding>& out) {
  std::unordered_map<std::string_view, std::size_t> firstWith;
  for (std::size_t slot = 0; slot < shadowed.size(); ++slot) {
    if (table[slot].Keys.empty() || !IsUsable(table, shadowed, slot)) {
      continue;
    }
    auto [found, added] = firstWith.emplace(table[slot].Keys, slot);
    if (!added) {
      Finding item;
      item.Kind = FindingKind::kSameKeys;
      item.Line = entries[slot].Line.Number;
      item.OtherLine = entries[found->second].Line.Number;
      item.Text = entries[slot].Line.Text.substr(0, entries[slot].Tab);
      item.Kana = table[slot].Kana;
      item.OtherKana = table[found->second].Kana;
      out.push_back(std::move(item));
    }
  }
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

}  // namespace

bool IsUsable(const std::vector<LayoutEntry>& table, const std::vector<bool>& shadowed,
              std::size_t slot) {
  return !table[slot].Kana.empty() && !shadowed[slot];
}

RulesCheck CheckRules(const LayoutDefinition& definition, LayoutCheck& layout,
                      std::vector<Finding>& warnings) {
  const std::vector<LayoutEntry>& table = definition.Table;
  std::vector<FileLine> lines = LinesOf(definition);
  layout.Sources = HeaderSources(definition.Bytes, lines);
  RulesCheck rules;
  rules.Entries = EntryLines(definition, lines);
  std::size_t slots = std::min({rules.Entries.size(), layout.EntryLines, kLayoutSearchSlots});
  CheckHeader(layout, lines, warnings);
  std::set<std::string> handParts;
  bool tooManyParts = false;
  for (std::size_t slot = 0; slot < slots; ++slot) {
    CheckKeys(rules.Entries[slot], layout.Header.Chords, warnings);
    if (layout.Header.Chords) {
      CheckActions(rules.Entries[slot], layout.Header.LeftHandLastKey, handParts, warnings);
    }
    if (!tooManyParts && handParts.size() > kMaxHandParts) {
      tooManyParts = true;
      Finding item;
      item.Kind = FindingKind::kTooManyHandParts;
      item.Line = rules.Entries[slot].Line.Number;
      item.Count = kMaxHandParts;
      warnings.push_back(std::move(item));
    }
    CheckKanaPart(rules.Entries[slot], table[slot].Kana, warnings);
  }
  if (rules.Entries.size() > kLayoutSearchSlots) {
    Finding item;
    item.Kind = FindingKind::kBeyondSearchableSlots;
    item.Line = rules.Entries[kLayoutSearchSlots].Line.Number;
    item.Count = rules.Entries.size() - kLayoutSearchSlots;
    warnings.push_back(std::move(item));
  }
  rules.Shadowed = CheckShadowed(rules.Entries, table, slots, warnings);
  CheckSameKeys(rules.Entries, table, rules.Shadowed, warnings);
  CheckLinesWithoutTab(lines, warnings);
  CheckHandSplit(layout, table, rules.Shadowed, warnings);
  return rules;
}

}  // namespace kananet
