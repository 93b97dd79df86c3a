// The layout check over small layout files, each with the findings it must give, and over the
// bundled example, which must come out clean.
#include "check/layout_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "../test_support.h"
#include "check/finding_text.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "codes/text_encoding.h"
#include "platform/directory.h"
#include "readers/sample_text.h"
#include "reference/key_stream.h"
#include "reference/plain_rules.h"

namespace kananet {
namespace {

using testing::Sjis;
using Kind = FindingKind;

// Line 2 holds きゃ, which the layouts below type as one entry or stop at, and ends the text.
const std::string kText = "かな\nきゃくき\n";
const std::string kHeader = "b\n \n4\n0\n";
const std::string kEntries = "f\tか\nj\tな\nkd\tきゃ\nk\tき\nh\tく　メモ\nd;\tず\n";

struct Expected {
  std::size_t Line;
  Kind What;
  // The column; for an earlier entry, its line; for an undefined kana, its first text line;
  // for a missing header line, the value it reads as.
  std::int64_t Detail = 0;
};

std::int64_t DetailOf(const Finding& finding) {
  switch (finding.Kind) {
    case Kind::kSameKana:
    case Kind::kPrefixKana:
    case Kind::kSameKeys:
    case Kind::kHeaderMissing:
      return static_cast<std::int64_t>(finding.OtherLine);
    case Kind::kUndefinedKana:
      return static_cast<std::int64_t>(finding.TextLine);
    case Kind::kHeaderLineMissing:
      return finding.Value;
    default:
      return static_cast<std::int64_t>(finding.Column);
  }
}

struct Case {
  std::string Name;
  std::string Layout;              // Shift_JIS
  std::vector<Expected> Findings;  // all but the average keystrokes note
};

// 99,993 entries of distinct kana that begin with none of the others, typed with distinct keys,
// so that 99,999 fill the searchable slots.
std::string Filler() {
  std::string filler;
  for (int i = 0; i < 99993; ++i) {
    std::string keys = "q";
    std::string kana = Sjis("ぬ");
    for (int digit = 0, rest = i; digit < 3; ++digit, rest /= 47) {
      keys += kKeyAlphabet[static_cast<std::size_t>(1 + rest % 47)];
      kana += KanaText(static_cast<std::uint8_t>(7 + rest % 47));
    }
    filler += keys + "\t" + kana + "\n";
  }
  return filler;
}

TEST(LayoutCheckTest, EachPlantedMistakeIsNamedOnItsLine) {
  std::vector<Case> cases = {
      {"clean.txt", Sjis(kHeader + kEntries), {}},
      {"clean.v2.txt", Sjis(kHeader + kEntries), {{0, Kind::kSameResultFile}}},
      {"header.txt",
       Sjis("B\nK\n\nk\n" + kEntries),
       {{1, Kind::kAllKeysLeftHand},
        {2, Kind::kHeaderLineUnexpected},
        {3, Kind::kHeaderLineUnexpected},
        {4, Kind::kHeaderLineUnexpected}}},
      // Entries from line 1 on: the header is missing, which explains why its four lines' kana are
      // not defined.
      {"noheader.txt",
       Sjis(kEntries),
       {{1, Kind::kHeaderMissing, 1},
        {0, Kind::kUndefinedKana, 1},
        {0, Kind::kUndefinedKana, 1},
        {0, Kind::kUndefinedKana, 2},
        {0, Kind::kUndefinedKana, 2}}},
      {"tabheader.txt", Sjis("b\n \t\n4\n0\n" + kEntries), {{1, Kind::kHeaderMissing, 2}}},
      {"righthand.txt", Sjis(" \n\n4\n0\n" + kEntries), {{1, Kind::kAllKeysRightHand}}},
      // Without a line end, the last line is read again for each missing one.
      {"short.txt",
       Sjis("b\n7"),
       {{0, Kind::kUndefinedKana, 1},
        {0, Kind::kUndefinedKana, 1},
        {0, Kind::kUndefinedKana, 2},
        {0, Kind::kUndefinedKana, 2},
        {0, Kind::kUndefinedKana, 2},
        {0, Kind::kUndefinedKana, 0},
        {3, Kind::kHeaderLineMissing, 7},
        {4, Kind::kHeaderLineMissing, 7}}},
      {"keys.txt",
       Sjis(kHeader + "fK\tか\nｅ\tな\nkd\tきゃ\nk\tき\nh\tく\nd;\tず\n"),
       {{5, Kind::kKeyOutsideAlphabet, 2}, {6, Kind::kKeyOutsideAlphabet, 1}}},
      // き before きゃ: the conversion stops at ゃ of line 2.
      {"entries.txt",
       Sjis(kHeader + "f\tか\nk\tき\nkd\tきゃ\nf\tか\nj\t な\nj\tなア\nh\tく\nd;\tず\n"),
       {{0, Kind::kUndefinedKana, 2},
        {7, Kind::kPrefixKana, 6},
        {8, Kind::kSameKana, 5},
        {9, Kind::kEmptyKana, 3},
        {10, Kind::kKanaStopsAtNonKana, 4}}},
      // Read as UTF-8; columns count characters, as in the Shift_JIS form.
      {"utf8.txt",
       kHeader + kEntries + "g\tぱア\n",
       {{11, Kind::kKanaStopsAtNonKana, 4}, {0, Kind::kUnusedEntries}}},
      // ゔ, which Shift_JIS lacks, is read as ヴ, however written.
      {"vu.txt",
       kHeader + kEntries + "v\tゔ\nvb\tう\u3099\n",
       {{12, Kind::kSameKana, 11}, {0, Kind::kUnusedEntries}}},
      {"unused.txt", Sjis(kHeader + kEntries + "g\tぱ\n"), {{0, Kind::kUnusedEntries}}},
      // An editor turned the TAB of き into spaces; ぱ is typed with the keys of か.
      {"notab.txt",
       Sjis(kHeader + "f\tか\nj\tな\nkd\tきゃ\nk   き\nh\tく\nd;\tず\nf\tぱ\n"),
       {{8, Kind::kNoTab, 5},
        {0, Kind::kUndefinedKana, 2},
        {11, Kind::kSameKeys, 5},
        {0, Kind::kUnusedEntries}}},
      // Every TAB turned into spaces: the lines that explain the errors come first.
      {"spaces.txt",
       Sjis(kHeader + "f  か\nj  な\nkd  きゃ\nk  き\nh  く\nd;  ず\n"),
       {{5, Kind::kNoTab, 4},
        {6, Kind::kNoTab, 4},
        {7, Kind::kNoTab, 5},
        {8, Kind::kNoTab, 4},
        {9, Kind::kNoTab, 4},
        {10, Kind::kNoTab, 5},
        {0, Kind::kUndefinedKana, 1},
        {0, Kind::kUndefinedKana, 1},
        {0, Kind::kUndefinedKana, 2},
        {0, Kind::kUndefinedKana, 2},
        {0, Kind::kUndefinedKana, 2},
        {0, Kind::kUndefinedKana, 0}}},
      {"grouped.txt",
       Sjis(kHeader + kEntries + "g  ぱ\ng  ぴ\ng  ぷ\ng  ぺ\ng  ぽ\n"),
       {{11, Kind::kNoTab, 4},
        {12, Kind::kNoTab, 4},
        {13, Kind::kNoTab, 4},
        {14, Kind::kNoTab, 4},
        {15, Kind::kNoTab, 4}}},
      // Keys pressed together: j+f is f+j; k and i are both the right middle finger's.
      {"chords.txt",
       Sjis(kHeader + "%chords\nf+j\tか\nj+f\tな\nk+i\tきゃ\nk+k\tき\n+h\tく\nd;\tず\n"),
       {{7, Kind::kSameKeys, 6},
        {8, Kind::kOneFingerInAction, 3},
        {9, Kind::kKeyTwiceInAction, 3},
        {10, Kind::kJoinsNothing, 1}}},
      // The same characters without %chords are the space key, and the check says how to opt in.
      {"nochords.txt",
       Sjis(kHeader + "f+\tか\n<j\tな\nkd\tきゃ\nk\tき\nh\tく\nd;\tず\n"),
       {{5, Kind::kChordCharacter, 2}, {6, Kind::kChordCharacter, 1}}},
      {"huge.txt",
       Sjis(kHeader + kEntries) + Filler() + Sjis("g\tぱ\n"),
       {{100004, Kind::kBeyondSearchableSlots}, {0, Kind::kUnusedEntries}}},
  };
  std::sort(cases.begin(), cases.end(),
            [](const Case& a, const Case& b) { return LayoutNameLess(a.Name, b.Name); });
  testing::TempDir dir;
  testing::WriteBytes(dir / "kanasample.txt", Sjis(kText));
  std::filesystem::create_directory(dir / "layout");
  for (const Case& c : cases) {
    testing::WriteBytes(dir / ("layout/" + c.Name), c.Layout);
  }

  BatchCheck batch = CheckBatch(dir / "kanasample.txt", dir / "layout/");
  ASSERT_EQ(batch.Layouts.size(), cases.size());
  std::string stream;
  AppendKanaStream(Sjis(kText), stream);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const LayoutCheck& layout = batch.Layouts[i];
    ASSERT_EQ(layout.Name, cases[i].Name);
    std::vector<Expected> found;
    for (const Finding& f : layout.Findings) {
      if (f.Kind != Kind::kKeystrokesPerKana) {
        found.push_back({f.Line, f.Kind, DetailOf(f)});
      }
    }
    ASSERT_EQ(found.size(), cases[i].Findings.size()) << layout.Name;
    for (std::size_t j = 0; j < found.size(); ++j) {
      const Expected& want = cases[i].Findings[j];
      EXPECT_EQ(found[j].Line, want.Line) << layout.Name << " finding " << j;
      EXPECT_EQ(found[j].What, want.What) << layout.Name << " finding " << j;
      EXPECT_EQ(found[j].Detail, want.Detail) << layout.Name << " finding " << j;
    }
    // The keystrokes counted are those of the batch's conversion.
    if (layout.CountOf(Severity::kError) == 0) {
      LayoutHeaderValues header;
      std::vector<LayoutEntry> table(kLayoutTableSlots);
      std::string bytes = cases[i].Layout;
      MakeShiftJis(bytes);
      FillLayout(bytes, header, table);
      std::string keys;
      ASSERT_EQ(AppendKeyStream(stream, table, false, false, keys), kNoSlot) << layout.Name;
      EXPECT_EQ(layout.Keystrokes,
                static_cast<std::uint64_t>(
                    std::count_if(keys.begin(), keys.end(),
                                  [](char k) { return static_cast<std::uint8_t>(k) < kUnitEnd; })))
          << layout.Name;
    }
  }
  // The undefined kana names the line without a TAB; a run of one finding takes one line.
  const auto layoutNamed = [&](const std::string& name) {
    return *std::find_if(batch.Layouts.begin(), batch.Layouts.end(),
                         [&](const LayoutCheck& layout) { return layout.Name == name; });
  };
  ASSERT_EQ(layoutNamed("notab.txt").Findings[1].Examples.size(), 1u);
  EXPECT_EQ(layoutNamed("notab.txt").Findings[1].Examples[0].Line, 8u);
  std::string grouped = FindingLines("g", layoutNamed("grouped.txt").Findings);
  EXPECT_EQ(std::count(grouped.begin(), grouped.end(), '\n'), 2) << grouped;
  EXPECT_NE(grouped.find("g:11:4: warning: "), std::string::npos) << grouped;
  EXPECT_NE(grouped.find("; the same on 4 more lines: 12-15\n"), std::string::npos) << grouped;
  // Six undefined kana take one line too, after the lines without a TAB that explain them.
  grouped = FindingLines("g", layoutNamed("spaces.txt").Findings);
  EXPECT_EQ(std::count(grouped.begin(), grouped.end(), '\n'), 2) << grouped;
  EXPECT_TRUE(grouped.starts_with("g:5:4: warning: no TAB")) << grouped;
  EXPECT_NE(grouped.find("\ng: error: " + Sjis("「か」 has no definition")), std::string::npos);
  EXPECT_TRUE(grouped.ends_with(
      Sjis("; the same for 5 more kana: 「な」, 「き」, 「ゃ」, 「く」, 「ず」\n")))
      << grouped;
  EXPECT_EQ(layoutNamed("short.txt").Header.RowCount, 7);
  EXPECT_NE(FindingLines("g", layoutNamed("noheader.txt").Findings)
                .find("g:1: warning: the header seems to be missing: line 1 holds a TAB or kana "
                      "as an entry does, yet the first four lines are read as the header; begin "
                      "the file with the four header lines: (1) the last left-hand key, such as "
                      "b; (2) "),
            std::string::npos);
  EXPECT_TRUE(batch.HasError());
}

// The grouped line names each line of the other findings once, in ranges, however many
// findings a line holds.
TEST(LayoutCheckTest, GroupedFindingsNameEachLineOnce) {
  const std::pair<std::vector<std::size_t>, std::string> cases[] = {
      {{11, 12, 13, 14, 15}, "; the same on 4 more lines: 12-15\n"},
      {{5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10}, "; the same 11 more times, on lines: 5-10\n"},
      {{3, 5, 6, 7, 9, 9, 12}, "; the same 6 more times, on lines: 5-7, 9, 12\n"},
  };
  for (const auto& [lines, tail] : cases) {
    std::vector<Finding> findings;
    for (const std::size_t line : lines) {
      Finding& item = findings.emplace_back();
      item.Kind = Kind::kKeyOutsideAlphabet;
      item.Line = line;
      item.Text = "~";
    }
    const std::string text = FindingLines("g", findings);
    EXPECT_TRUE(text.starts_with("g:" + std::to_string(lines[0]) + ": warning: '~'")) << text;
    EXPECT_TRUE(text.ends_with(tail)) << text;
  }
}

// A long text whose matches mostly need a third kana, so that the check follows it in several
// stretches side by side: without an undefined kana the keystrokes are those of the plain
// conversion; with one that first appears late, every place of it is counted and the first is
// where the plain conversion stops.
TEST(LayoutCheckTest, LongTextOfLongEntriesAgreesWithThePlainConversion) {
  const std::vector<std::string> kana = {"か", "き", "く", "け", "こ"};
  std::mt19937 random(7);
  std::string layout = kHeader;
  for (std::size_t length : {3, 2}) {  // the longer entries first, so that they can match
    for (int entry = 0; entry < 60; ++entry) {
      layout += "fj\t";
      for (std::size_t k = 0; k < length; ++k) {
        layout += kana[random() % kana.size()];
      }
      layout += "\n";
    }
  }
  for (const std::string& one : kana) {
    layout += "k\t" + one + "\n";
  }
  layout += "d;\tず\n";  // the stream's closing kana
  std::vector<std::string> text;
  for (int place = 0; place < 8000; ++place) {
    text.push_back(place % 60 == 59 ? "\n" : kana[random() % kana.size()]);
  }
  for (int undefinedPlaces : {0, 3}) {
    SCOPED_TRACE(undefinedPlaces);
    std::string withUndefined;
    for (int place = 0; place < 8000; ++place) {
      // Past the first blocks, so that the check already goes by stretches.
      withUndefined += place >= 6000 && place < 6000 + undefinedPlaces * 500 && place % 500 == 0
                           ? "ぬ"
                           : text[place];
    }
    std::string stream;
    AppendKanaStream(Sjis(withUndefined), stream);
    LayoutCheck found = LayoutChecker(&stream).CheckBytes("long.txt", Sjis(layout));
    std::vector<LayoutEntry> table(kLayoutTableSlots);
    LayoutHeaderValues header;
    FillLayout(Sjis(layout), header, table);
    reference::PlainConversion plain = reference::ConvertByScan(stream, table, false, false);
    auto undefined = std::find_if(found.Findings.begin(), found.Findings.end(),
                                  [](auto& f) { return f.Kind == Kind::kUndefinedKana; });
    if (undefinedPlaces == 0) {
      ASSERT_EQ(undefined, found.Findings.end());
      EXPECT_EQ(found.Keystrokes, static_cast<std::uint64_t>(std::count_if(
                                      plain.Keys.begin(), plain.Keys.end(), [](char key) {
                                        return key != static_cast<char>(kRunBreak);
                                      })));
    } else {
      ASSERT_NE(undefined, found.Findings.end());
      EXPECT_EQ(undefined->Count, 3u);
      EXPECT_EQ(undefined->StreamPosition, plain.Missing);
    }
  }
}

TEST(LayoutCheckTest, TheBundledExampleIsClean) {
  BatchCheck batch = CheckBatch(KANANET_SOURCE_DIR "/examples/kanasample.txt",
                                KANANET_SOURCE_DIR "/examples/layout/");
  ASSERT_EQ(batch.Layouts.size(), 5u);
  for (const LayoutCheck& layout : batch.Layouts) {
    EXPECT_TRUE(layout.TextChecked) << layout.Name;
    EXPECT_EQ(layout.CountOf(Severity::kError) + layout.CountOf(Severity::kWarning), 0)
        << layout.Name;
  }
  EXPECT_FALSE(batch.HasError());
}

}  // namespace
}  // namespace kananet
