// The layout check: everything about a batch's layout files that makes a result differ from what
// the designer meant, found by reading the files exactly as the batch reads them. The findings
// are data; finding_text.h turns them into words for the console or a page.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/entry_counts.h"
#include "analysis/statistics.h"
#include "readers/layout.h"
#include "readers/sample_text.h"

namespace kananet {

enum class Severity {
  kError,    // the batch stops on it or loses a result
  kWarning,  // the batch runs, but not as the file seems to say
  kNote,     // a figure worth knowing
};

enum class FindingKind {
  // Errors
  kCannotRead,         // Value: the errno of the failed open or read
  kUtf16,              // the file is UTF-16, which no reader accepts
  kNoLayoutFiles,      // Value: the layout search's error code (kSearchNoMatch, ...)
  kSameResultFile,     // Text: the result file name; OtherName: the earlier layout writing it
  kUndefinedKana,      // Kana: the kana; Count: conversions that stop at it; TextLine: its first
                       // line; Examples: lines that hold it without a TAB
  kKeyTwiceInAction,   // Line, Column: the second; Text: the key character
  kOneFingerInAction,  // Line, Column: the second key; Text: both key characters; Value: finger
  kTooManyHandParts,   // Line: the entry that passes the limit; Count: the limit
  kCountsPassLimit,    // Line: the entry pressing the most keys; Count: its keys; Total: the
                       // kana the count matches, the closing zu included (see CountBound)
  // Warnings
  kHeaderMissing,          // Line 1; OtherLine: the first header line that looks like an entry
  kHeaderLineMissing,      // Line: the header line; Value: what it reads as; Count: lines in file
  kHeaderLineUnexpected,   // Line; Value; Text: the line's first character (empty: empty line)
  kAllKeysLeftHand,        // Line 1; Value: LeftHandLastKey
  kAllKeysRightHand,       // Line 1; Value: LeftHandLastKey
  kKeyOutsideAlphabet,     // Line, Column; Text: the character; Count: its bytes (space keys)
  kEmptyKana,              // Line, Column; Text: the character the kana part stops at (or empty)
  kSameKana,               // Line; OtherLine: the earlier entry; Kana
  kPrefixKana,             // Line; OtherLine: the earlier entry; Kana; OtherKana: its kana
  kBeyondSearchableSlots,  // Line: the first such entry line; Count: entry lines from it on
  kKanaStopsAtNonKana,     // Line, Column; Text: the character; Kana: what is read
  kNoTab,                  // Line, Column: the kana; Kana: the kana the line holds
  kSameKeys,               // Line; OtherLine: the earlier entry; Kana; OtherKana: its kana
  kJoinsNothing,           // Line, Column: a '+' without a key on one side (a file with %chords)
  kChordCharacter,         // Line, Column; Text: '+', '<' or '>' in a file without %chords
  kTextWithoutKana,        // the sample text; Count: its bytes
  // Notes
  kUnusedEntries,      // Count: entries the text never uses; Examples: the first few
  kKeystrokesPerKana,  // Count: strokes on the drawn keys; Total: kana; Space: the space key's;
                       // Actions: a chord file's actions
};

Severity SeverityOf(FindingKind kind);

// How many lines or entries a finding names at most.
inline constexpr std::size_t kExamplesNamed = 5;

struct EntryExample {
  std::size_t Line = 0;
  std::string Kana;  // KanaCodes
};

// One finding about one file. Text fields are Shift_JIS bytes as the file holds them, kana
// fields KanaCodes; names are the names on disk.
struct Finding {
  FindingKind Kind = FindingKind::kCannotRead;
  std::size_t Line = 0;       // line of the file, from 1; 0 for the file as a whole
  std::size_t Column = 0;     // character column in that line, from 1; 0 for none
  std::size_t OtherLine = 0;  // line of the earlier entry the finding names
  std::size_t TextLine = 0;   // line of the sample text; 0 when only the closing zu has it
  std::uint64_t Count = 0;
  std::uint64_t Total = 0;
  std::uint64_t Actions = 0;
  std::uint64_t Space = 0;
  std::int32_t Value = 0;
  std::string Text;
  std::string OtherName;
  std::string Kana;
  std::string OtherKana;
  std::vector<EntryExample> Examples;
  std::size_t StreamPosition = 0;  // kUndefinedKana: its first place in the KanaStream
  bool StopsBatch = false;         // kUndefinedKana: the first, where the batch's run ends
};

// Where a header value came from: line N of the file, or (when the file is shorter) what the
// reader's failed read left in its buffer.
struct HeaderSource {
  bool Present = false;   // the file has this line
  std::uint8_t Byte = 0;  // the byte the value was taken from (0 for an empty line)
  std::string Character;  // the whole character that byte begins, as in the file; empty if none
};

inline constexpr int kHeaderLines = 4;

struct LayoutCheck {
  std::string Name;        // the file name in the layout directory
  std::string ResultName;  // the network file the batch writes for it
  bool Read = false;       // the file was read; header, entries and statistics are valid
  LayoutHeaderValues Header;
  std::array<HeaderSource, kHeaderLines> Sources;
  std::size_t EntryLines = 0;
  bool TextChecked = false;        // the sample text was converted with this layout
  std::uint64_t Keystrokes = 0;    // over the kana that convert
  std::uint64_t SpaceStrokes = 0;  // of them, on the space key, which no network file holds
  std::uint64_t Actions = 0;       // keys pressed together count once
  std::uint64_t Kana = 0;
  // The warnings that explain the errors (a missing header, lines without a TAB that hold an
  // undefined kana), the errors, the other warnings in the order of the file's lines, the notes.
  std::vector<Finding> Findings;
  // The layout's coverage of the sample text with its counts, as the batch writes them; null
  // when the text was not checked, has a kana without definition, or the checker does not keep
  // counts.
  std::shared_ptr<const LayoutCoverage> Coverage;

  int CountOf(Severity level) const;
};

struct TextCheck {
  std::string Path;
  bool Read = false;
  SampleText Sample;  // with its line ends
  std::vector<Finding> Findings;
};

struct BatchCheck {
  TextCheck Text;
  std::string LayoutDirectory;
  int SearchError = 0;  // the layout search's error code; 0 when it found files
  std::vector<LayoutCheck> Layouts;
  // With keepLayouts, each layout as read, beside its check (empty for one not read).
  std::vector<LayoutDefinition> Definitions;

  bool HasError() const;
};

// The error of a layout whose counts over the text could wrap (CountBound::Fits is false), at the
// entry pressing the most keys; the batch refuses such a layout.
Finding CountsPassLimit(const CountBound& bound, const LayoutDefinition& definition);

// Reads the sample text the way the batch does, into the KanaStream, with up to jobs threads
// (without a stop: a file that cannot be read becomes a finding).
TextCheck ReadTextForCheck(const std::string& path, unsigned jobs = 1);

// Adds a warning when the text read holds not one kana: every layout then counts only the
// closing zu, which no figure is worth reading for.
void CheckTextHasKana(const SampleText& text, std::vector<Finding>& findings);

// Checks layouts against one KanaStream (nullptr: no sample text, so no finding that needs
// one), on any number of threads at once; with keepCounts, each check holds the layout's counts.
// Each check walks the text on up to jobs threads.
class LayoutChecker {
 public:
  explicit LayoutChecker(const std::string* textCodes, bool keepCounts = false, unsigned jobs = 1);

  // A layout as read from the file of that name.
  LayoutCheck Check(const std::string& name, const LayoutDefinition& definition) const;
  // A layout file's bytes, already made Shift_JIS.
  LayoutCheck CheckBytes(const std::string& name, std::string_view fileBytes) const;

 private:
  const std::string* textCodes_;
  std::uint64_t textKana_;  // MatchedKanaOf the text
  bool keepCounts_;
  unsigned jobs_;
};

// The whole check of a working directory: the sample text and every layout file of
// layoutDirectory (ending in '/'), in the batch's order and through its readers, plus the
// result files two layouts would share, checking up to jobs layouts at once. Reads files only;
// writes nothing.
// With keepLayouts, keeps each layout as read in Definitions and its counts in its check, for a
// caller that goes on with them and the sample text (the report), so that nothing is read or
// counted twice.
BatchCheck CheckBatch(const std::string& sampleTextPath, const std::string& layoutDirectory,
                      unsigned jobs = 1, bool keepLayouts = false);

}  // namespace kananet
