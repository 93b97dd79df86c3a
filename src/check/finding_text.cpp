#include "check/finding_text.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <set>

#include <cstring>

#include "analysis/entry_counts.h"
#include "analysis/figures.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "codes/number_format.h"
#include "codes/text_encoding.h"
#include "output/network_writer.h"
#include "platform/directory.h"
#include "platform/files.h"
#include "platform/names.h"
#include "readers/sample_text.h"

namespace kananet {

namespace {

constexpr std::uint8_t kZu = 0x20;

// Kana codes as text in corner brackets: 「きゃ」.
std::string Quoted(std::string_view kanaCodes) {
  std::string text = "\x81\x75";
  for (char code : kanaCodes) {
    text += KanaText(static_cast<std::uint8_t>(code));
  }
  return text + "\x81\x76";
}

std::string Hex(std::uint8_t byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[byte >> 4] + kDigits[byte & 0xF];
}

// A character of the file as the message shows it: in quotes when it is ASCII but a control
// byte, a half-width katakana or a two-byte character with a Shift_JIS lead byte, else by its
// bytes; none when there is no character.
std::string Shown(std::string_view character, const char* none = "nothing") {
  if (character.empty()) {
    return none;
  }
  auto first = static_cast<std::uint8_t>(character.front());
  bool readable = character.size() == 2 ? IsShiftJisLeadByte(first)
                                        : !IsControlByte(first) && !StartsTwoByteCharacter(first);
  if (readable) {
    std::string shown = "'";
    shown += character;
    shown += '\'';
    return shown;
  }
  std::string bytes = "byte";
  for (char byte : character) {
    bytes += ' ';
    bytes += Hex(static_cast<std::uint8_t>(byte));
  }
  return bytes;
}

std::string KeyName(std::int32_t key) {
  if (key <= 0 || key >= kananet::kKeyCount) {
    return "the space key";
  }
  return std::string("'") + kKeyAlphabet[static_cast<std::size_t>(key)] + "'";
}

std::string Plural(std::uint64_t count, const std::string& one, const std::string& many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Keys 1..55 are drawn; those up to LeftHandLastKey are the left hand's.
std::string HandSplit(std::int32_t lastLeft) {
  std::int32_t left = lastLeft < 0 ? 0 : lastLeft > kKeysDrawn ? kKeysDrawn : lastLeft;
  return std::to_string(left) + " keys left, " + std::to_string(kKeysDrawn - left) + " right";
}

std::string LeftHand(std::int32_t lastLeft) {
  if (lastLeft <= 0) {
    return "left hand: the space key only (" + HandSplit(lastLeft) + ")";
  }
  return "left hand up to " + KeyName(lastLeft) + " (" + HandSplit(lastLeft) + ")";
}

std::string Rows(std::int32_t rowCount) {
  return std::to_string(rowCount) + (rowCount == 1 ? " row" : " rows");
}

std::string Counting(std::int32_t countByKana) {
  return countByKana != 0 ? "counting by kana" : "counting by strokes";
}

std::string BreakSetting(std::int32_t breakAfterPunctuation) {
  return std::string("break after punctuation ") + (breakAfterPunctuation != 0 ? "on" : "off");
}

// What a header line's value means.
std::string Meaning(std::size_t line, std::int32_t value) {
  switch (line) {
    case 1:
      return LeftHand(value);
    case 2:
      return BreakSetting(value);
    case 3:
      return Rows(value);
    default:
      // The reader takes the line's first byte less the digit 0 as the number: say which, as
      // only the number 0 counts by strokes.
      return Counting(value) + " (read as the number " + std::to_string(value) +
             "; only 0 counts by strokes)";
  }
}

// What header line holds.
std::string HeaderLineHolds(std::size_t line) {
  switch (line) {
    case 1:
      return "the last left-hand key, such as b";
    case 2:
      return "a key character such as 0 to break after \x81\x41 and \x81\x42, or a space not to";
    case 3:
      return "a digit, 4 for four rows";
    default:
      return "0 to count gaps in strokes, or 1 to count them in kana";
  }
}

std::string Remedy(std::size_t line) {
  return "write " + HeaderLineHolds(line);
}

std::string HeaderMissingText(const Finding& f) {
  std::string text = "the header seems to be missing: line " + std::to_string(f.OtherLine) +
                     " holds a TAB or kana as an entry does, yet the first four lines are read "
                     "as the header; begin the file with the four header lines:";
  for (std::size_t line = 1; line <= kHeaderLines; ++line) {
    text += (line == 1 ? " (" : "; (") + std::to_string(line) + ") " + HeaderLineHolds(line);
  }
  return text;
}

std::string WhatItExpects(std::size_t line) {
  return line <= 2 ? "a key character, a space or nothing" : "a digit";
}

// The keys the reader takes a character's bytes for.
std::string KeysOf(std::string_view character) {
  std::string keys;
  bool allSpace = true;
  for (char byte : character) {
    std::uint8_t key = KeyIndexTable[static_cast<std::uint8_t>(byte)];
    allSpace = allSpace && key == 0;
    keys += (keys.empty() ? "" : " and ") + KeyName(key);
  }
  return allSpace && character.size() == 2 ? "the space key twice" : keys;
}

// The keys of the entry pressing the most times the kana the count matches: more strokes than a
// count holds.
std::string CountsPassLimitText(const Finding& f) {
  const std::uint64_t keys = std::max<std::uint64_t>(f.Count, 1);
  const std::string most = f.Total <= UINT64_MAX / keys ? Grouped(f.Total * keys) + " " : "";
  return "this entry presses " + Grouped(f.Count) + " keys and the text has " + Grouped(f.Total) +
         " kana with the closing " + Quoted(std::string(1, static_cast<char>(kZu))) + ": up to " +
         most + "keystrokes, more than a count holds (" + Grouped(kMaxCount) +
         "), so the batch writes no network file for this layout; shorten the entry or the text";
}

std::string AverageOf(std::uint64_t keystrokes, std::uint64_t kana) {
  std::uint64_t hundredths = (keystrokes * 100 + kana / 2) / kana;
  std::string fraction = std::to_string(hundredths % 100);
  return std::to_string(hundredths / 100) + "." + (fraction.size() < 2 ? "0" : "") + fraction;
}

std::string UndefinedKanaText(const Finding& f) {
  bool zu = static_cast<std::uint8_t>(f.Kana.front()) == kZu;
  std::string where;
  if (f.TextLine != 0) {
    where = ", first on line " + std::to_string(f.TextLine) + " of " + kSampleTextPath;
  }
  if (zu) {
    where += ", counting the three that close every text";
  }
  std::string withoutTab;
  for (std::size_t i = 0; i < f.Examples.size(); ++i) {
    withoutTab += (i == 0 ? "; line " : ", ") + std::to_string(f.Examples[i].Line);
  }
  if (!withoutTab.empty()) {
    withoutTab += (f.Examples.size() == 1 ? " holds" : " hold") +
                  std::string(" it without a TAB between keys and kana: put a TAB there");
  }
  return Quoted(f.Kana) + " has no definition: " + Plural(f.Count, "time", "times") +
         " in the text" + where + (f.StopsBatch ? " (the batch stops there)" : "") +
         (withoutTab.empty() ? "; add a definition line for it" : withoutTab);
}

std::string SearchErrorText(std::int32_t code) {
  switch (code) {
    case kSearchNoDirectory:
      return "there is no directory layout/; run kananet in the working directory, or create it";
    case kSearchAccessDenied:
      return "the directory cannot be read; give yourself read permission on it";
    default:
      return "no layout file (a name ending in .txt) found; add layout files";
  }
}

std::string UnusedText(const Finding& f) {
  std::string text = Plural(f.Count, "entry", "entries") + " never used by the text:";
  for (std::size_t i = 0; i < f.Examples.size(); ++i) {
    text += (i == 0 ? " line " : ", line ") + std::to_string(f.Examples[i].Line) + " " +
            Quoted(f.Examples[i].Kana);
  }
  return text + (f.Count > f.Examples.size() ? ", ..." : "") +
         "; nothing to do unless the text should use them";
}

// The lines as " 3, 6-88, 90": lines in a row show as a range.
std::string LineRanges(const std::set<std::size_t>& lines) {
  std::string text;
  for (auto first = lines.begin(); first != lines.end();) {
    auto last = first;
    while (std::next(last) != lines.end() && *std::next(last) == *last + 1) {
      ++last;
    }
    // Appended in steps: g++ 12 at -O2 warns (-Wrestrict) on the one-expression form.
    text += first == lines.begin() ? " " : ", ";
    text += std::to_string(*first);
    if (last != first) {
      text += '-';
      text += std::to_string(*last);
    }
    first = std::next(last);
  }
  return text;
}

}  // namespace

std::string SeverityName(Severity level) {
  switch (level) {
    case Severity::kError:
      return "error";
    case Severity::kWarning:
      return "warning";
    default:
      return "note";
  }
}

std::string DescribeFinding(const Finding& f) {
  switch (f.Kind) {
    case FindingKind::kCannotRead:
      return "cannot be read: " + ReadFailureReason(f.Value) + "; fix or replace the file";
    case FindingKind::kUtf16:
      return "is saved as UTF-16, which kananet does not read; save it as UTF-8 or Shift_JIS";
    case FindingKind::kNoLayoutFiles:
      return SearchErrorText(f.Value);
    case FindingKind::kSameResultFile:
      return "writes result/" + ConsoleName(f.Text) + " like layout/" + ConsoleName(f.OtherName) +
             " before it, whose result is lost; rename one so the names differ before the first "
             "'.'";
    case FindingKind::kUndefinedKana:
      return UndefinedKanaText(f);
    case FindingKind::kKeyTwiceInAction:
      return Shown(f.Text) + " is pressed twice in one action (keys joined by '+'), which no " +
             "hand can do; write it once";
    case FindingKind::kOneFingerInAction:
      return "'" + f.Text.substr(0, 1) + "' and '" + f.Text.substr(1) +
             "' are pressed together by one finger (" +
             std::string(FingerName(static_cast<Finger>(f.Value))) +
             "), which no hand can do; give the action keys of different fingers";
    case FindingKind::kTooManyHandParts:
      return "from this entry on the layout has more than " + std::to_string(f.Count) +
             " different sets of keys that one hand presses together, more than kananet counts; "
             "use fewer";
    case FindingKind::kCountsPassLimit:
      return CountsPassLimitText(f);
    case FindingKind::kHeaderMissing:
      return HeaderMissingText(f);
    case FindingKind::kHeaderLineMissing:
      return "header line " + std::to_string(f.Line) + " is missing (the file has " +
             Plural(f.Count, "line", "lines") + "), so it reads as " + Meaning(f.Line, f.Value) +
             "; begin the file with the four header lines";
    case FindingKind::kHeaderLineUnexpected:
      return "header line " + std::to_string(f.Line) + " should begin with " +
             WhatItExpects(f.Line) + ", not " + Shown(f.Text, "an empty line") +
             ", so it reads as " + Meaning(f.Line, f.Value) + "; " + Remedy(f.Line);
    case FindingKind::kAllKeysLeftHand:
    case FindingKind::kAllKeysRightHand:
      return std::string("every key the entries use is on the ") +
             (f.Kind == FindingKind::kAllKeysLeftHand ? "left" : "right") +
             " hand (the left hand ends at " + KeyName(f.Value) +
             "), so no pair is counted across hands; " + Remedy(1);
    case FindingKind::kKeyOutsideAlphabet:
      return Shown(f.Text) + " is not a key character and counts as " + KeysOf(f.Text) +
             "; use the key characters (ASCII; upper case only H T C L R E B)";
    case FindingKind::kEmptyKana:
      return "no kana after the TAB (" +
             (f.Text.empty() ? std::string("nothing follows it")
                             : "the kana part begins with " + Shown(f.Text)) +
             "), so this entry can never be used; write the kana in hiragana right after the TAB";
    case FindingKind::kSameKana:
      return Quoted(f.Kana) + " is defined already on line " + std::to_string(f.OtherLine) +
             ", which is used instead, so this entry can never be used; delete one of the two";
    case FindingKind::kPrefixKana:
      return Quoted(f.Kana) + " begins with " + Quoted(f.OtherKana) + " of line " +
             std::to_string(f.OtherLine) +
             ", which always matches first, so this entry can never be used; move it above line " +
             std::to_string(f.OtherLine);
    case FindingKind::kBeyondSearchableSlots:
      return "this entry line and the " + std::to_string(f.Count - 1) +
             " after it lie beyond the table's last searchable slot (" +
             std::to_string(kLayoutSearchSlots) +
             " entries), so they can never be used; shorten "
             "the layout";
    case FindingKind::kKanaStopsAtNonKana:
      return "the kana part stops at " + Shown(f.Text) + ", which is not kana: only " +
             Quoted(f.Kana) + " is read; write it in hiragana, or put a space before a remark";
    case FindingKind::kNoTab:
      return "no TAB between keys and kana, so the batch ignores this line (" + Quoted(f.Kana) +
             " is not defined here); put a TAB between them, and set the editor not to turn "
             "TABs into spaces";
    case FindingKind::kSameKeys:
      return Quoted(f.Kana) + " is typed with the same keys '" + f.Text + "' as " +
             Quoted(f.OtherKana) + " of line " + std::to_string(f.OtherLine) +
             ", so the two cannot be told apart; give one of them other keys";
    case FindingKind::kJoinsNothing:
      return "'+' joins nothing here: it stands between two keys pressed together (as in 'j+f'); "
             "add the key or delete the '+'";
    case FindingKind::kChordCharacter:
      return Shown(f.Text) +
             " counts as the space key in this file; to press keys together with '+' and use "
             "the thumb keys '<' and '>', add a line %chords after the four header lines";
    case FindingKind::kTextWithoutKana:
      return "holds no kana " +
             (f.Count == 0
                  ? std::string("(the file is empty)")
                  : "in its " + Plural(f.Count, "byte", "bytes") + " (kana are hiragana, " +
                        KanaText(5) + ", " + KanaText(3) + ", " + KanaText(kKanaComma) + " and " +
                        KanaText(kKanaFullStop) + "; katakana and kanji are passed over)") +
             ", so every layout counts only the closing " + KanaText(kZu) +
             "; write the text in hiragana, or make it with kananet-sample from ordinary "
             "Japanese text";
    case FindingKind::kUnusedEntries:
      return UnusedText(f);
    case FindingKind::kKeystrokesPerKana:
      return AverageOf(f.Count, f.Total) + " strokes per kana on the drawn keys (" +
             std::to_string(f.Count) + " strokes for the " + std::to_string(f.Total) +
             " kana that convert)" +
             (f.Space == 0
                  ? ""
                  : "; " + AverageOf(f.Count + f.Space, f.Total) + " with the space key (" +
                        std::to_string(f.Space) + " strokes more)") +
             (f.Actions == 0
                  ? ""
                  : "; " + AverageOf(f.Actions, f.Total) + " actions per kana (" +
                        std::to_string(f.Actions) + " actions: keys pressed together count once)");
  }
  return {};
}

std::string DescribeHeader(const LayoutCheck& layout) {
  auto from = [&](std::size_t line) {
    const HeaderSource& source = layout.Sources[line - 1];
    std::string what = source.Present ? Shown(source.Character, "empty")
                       : source.Character.empty()
                           ? "missing"
                           : "missing, reads as " + Shown(source.Character) + " again";
    return " [line " + std::to_string(line) + " " + what + "]";
  };
  const LayoutHeaderValues& header = layout.Header;
  return LeftHand(header.LeftHandLastKey) + from(1) + ", " +
         BreakSetting(header.BreakAfterPunctuation) + from(2) + ", " + Rows(header.RowCount) +
         from(3) + ", " + Counting(header.CountByKana) + from(4);
}

std::string FindingLines(const std::string& label, const std::vector<Finding>& findings) {
  std::map<FindingKind, std::vector<std::size_t>> linesOf;
  std::vector<const Finding*> undefined;
  for (const Finding& item : findings) {
    if (item.Line != 0) {
      linesOf[item.Kind].push_back(item.Line);
    } else if (item.Kind == FindingKind::kUndefinedKana) {
      undefined.push_back(&item);
    }
  }
  std::string text;
  std::set<FindingKind> grouped;
  for (const Finding& item : findings) {
    const std::vector<std::size_t>& lines = linesOf[item.Kind];
    if (item.Kind == FindingKind::kUndefinedKana && undefined.size() >= kGroupFrom) {
      if (&item == undefined.front()) {
        // The first in full, then the first few of the other kana.
        std::string line = FindingLine(label, item);
        line.pop_back();
        line += "; the same for " + std::to_string(undefined.size() - 1) + " more kana:";
        for (std::size_t i = 1; i < undefined.size() && i <= kExamplesNamed; ++i) {
          line += (i == 1 ? " " : ", ") + Quoted(undefined[i]->Kana);
        }
        text += line + (undefined.size() > kExamplesNamed + 1 ? ", ...\n" : "\n");
      }
    } else if (item.Line == 0 || lines.size() < kGroupFrom) {
      text += FindingLine(label, item);
    } else if (grouped.insert(item.Kind).second) {
      // The first in full, then the lines of the others, each once: a line may hold several.
      std::string line = FindingLine(label, item);
      line.pop_back();
      const std::set<std::size_t> others(lines.begin() + 1, lines.end());
      line += others.size() + 1 == lines.size()
                  ? "; the same on " + std::to_string(others.size()) + " more lines:"
                  : "; the same " + std::to_string(lines.size() - 1) + " more times, on lines:";
      text += line + LineRanges(others) + "\n";
    }
  }
  return text;
}

std::string FindingLine(const std::string& label, const Finding& item) {
  std::string line = label + ":";
  if (item.Line != 0) {
    line += std::to_string(item.Line) + ":";
    if (item.Column != 0) {
      line += std::to_string(item.Column) + ":";
    }
  }
  return line + " " + SeverityName(SeverityOf(item.Kind)) + ": " + DescribeFinding(item) + "\n";
}

}  // namespace kananet
