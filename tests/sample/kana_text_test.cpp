// The parts of kananet-sample that need no dictionary: the kana of a word as typed, and the
// input's lines handed out in bounded pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "codes/text_encoding.h"
#include "sample/input_text.h"
#include "sample/kana_reading.h"
#include "test_support.h"

namespace kananet::sample {
namespace {

// Each function on the characters at the edges of its ranges.
TEST(KanaTextTest, KanaAsTyped) {
  struct Case {
    std::string in, normalized, hiragana;
    WordKind kind;
  };
  const Case cases[] = {
      {"ｶﾞｯｺｳ", "ガッコウ", "がっこう", WordKind::kKana},
      {"ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ", "パピプペポ", "ぱぴぷぺぽ", WordKind::kKana},
      {"ｳﾞｧｲｵﾘﾝ", "ヴァイオリン", "ヴぁいおりん", WordKind::kKana},
      {"｡｢ｰﾝ｣､･ｦ", "。「ーン」、・ヲ", "。「ーん」、・を", WordKind::kKana},
      {"ﾞAﾟ", "゛A゜", "゛A゜", WordKind::kOther},
      {"か\u3099は\u309Aう\u3099", "がぱゔ", "がぱヴ", WordKind::kKana},
      {"ワ\u3099ヲ\u3099ゝ\u3099ヽ\u3099", "ヷヺゞヾ", "ヷヺゞゞ", WordKind::kNeedsReading},
      {"ヵヶゕゖヴ", "ヵヶゕゖヴ", "かけかけヴ", WordKind::kNeedsReading},
      {"ァンー", "ァンー", "ぁんー", WordKind::kKana},
      {"日々〆〇", "日々〆〇", "日々〆〇", WordKind::kNeedsReading},
      {"ABC123", "ABC123", "ABC123", WordKind::kOther},
      {"漢\u3099", "漢\u3099", "漢\u3099", WordKind::kNeedsReading},
  };
  for (const Case& c : cases) {
    std::string normalized;
    NormalizeKana(c.in, normalized);
    EXPECT_EQ(normalized, c.normalized) << c.in;
    EXPECT_TRUE(normalized == c.in || NeedsKanaNormalization(c.in)) << c.in;
    std::string hiragana;
    AppendHiragana(normalized, hiragana);
    EXPECT_EQ(hiragana, c.hiragana) << c.in;
    EXPECT_EQ(KindOfWord(normalized), c.kind) << c.in;
  }
  // The reading field of each dictionary's layout, and what is no reading.
  const std::pair<std::string, std::string> features[] = {
      {"名詞,一般,*,*,*,*,学校,ガッコウ,ガッコー", "ガッコウ"},
      {"名詞,固有名詞,組織,*,*,*,*", ""},
      {"記号,一般,*,*,*,*,*,*,*", ""},
      {"名詞,一般,*,*,*,*,X,abc,abc", ""},
      {"名詞,普通名詞,一般,*,*,*,ガッコウ,学校,学校,ガッコー,学校,ガッコー,漢,*,*,*,*,"
       "\"ガッ,コウ\",*,*,ガッコウ,ガッコウ",
       "ガッコウ"},
      {"", ""},
  };
  for (const auto& [feature, reading] : features) {
    EXPECT_EQ(ReadingOfFeature(feature).value_or(""), reading) << feature;
  }
}

// A line far longer than a piece, in both encodings, with and without places to cut nicely,
// and with CR LF: each piece is at most kMaxLine bytes, none begins with a sound mark, and the
// pieces with the lines give the text.
TEST(KanaTextTest, LongLinesComeInPiecesThatKeepTheText) {
  const testing::TempDir dir;
  for (auto [shiftJis, stops] :
       {std::pair{false, false}, {false, true}, {true, false}, {true, true}}) {
    SCOPED_TRACE(::testing::Message()
                 << (shiftJis ? "Shift_JIS" : "UTF-8") << (stops ? ", stops" : ""));
    // Shift_JIS has no combining sound marks. Without full stops or spaces a piece ends where
    // the bytes run out, by a kana before its mark.
    const std::string unit =
        std::string(shiftJis ? "ｶﾞﾊﾟあいうえお" : "ｶﾞﾊﾟか\u3099は\u309Aあいうえお") +
        (stops ? "。 " : "");
    // Letters ahead, so that the first piece's last byte would come right before a sound mark
    // (the second character of the unit).
    const std::size_t mark = shiftJis ? 1 : 3;
    const std::size_t unitBytes = shiftJis ? Utf8TextToShiftJis(unit).size() : unit.size();
    std::string line((InputLines::kMaxLine % unitBytes + unitBytes - mark) % unitBytes, 'x');
    std::string nearlyFull;  // with its CR, one byte short of a piece at most
    while (line.size() < 3 * InputLines::kMaxLine) {
      line += unit;
      nearlyFull += nearlyFull.size() + unit.size() < InputLines::kMaxLine ? unit : "";
    }
    const std::string text = line + "\r\nみじかい\n" + nearlyFull + "\r\n";
    const std::string path = dir / "input.txt";
    testing::WriteBytes(path, shiftJis ? Utf8TextToShiftJis(text) : text);
    InputScan scan;
    ASSERT_EQ(ScanInput(path, scan), 0);
    EXPECT_EQ(scan.Encoding, shiftJis ? TextEncoding::kShiftJis : TextEncoding::kUtf8);
    InputLines lines;
    ASSERT_EQ(lines.Open(path, scan), 0);
    std::string piece, joined;
    bool lineEnd = false;
    int pieces = 0;
    while (lines.Next(piece, lineEnd)) {
      ++pieces;
      // A half-width kana is one byte in Shift_JIS, three in UTF-8.
      EXPECT_LE(piece.size(), InputLines::kMaxLine * (shiftJis ? 3 : 1));
      EXPECT_FALSE(piece.starts_with("\xEF\xBE\x9E") || piece.starts_with("\xEF\xBE\x9F") ||
                   piece.starts_with("\u3099") || piece.starts_with("\u309A"))
          << pieces;
      joined += piece;
      joined += lineEnd ? "\n" : "";
    }
    EXPECT_EQ(lines.Error(), 0);
    EXPECT_GT(pieces, 3);
    std::string expected = text;
    for (std::size_t at; (at = expected.find('\r')) != std::string::npos;) {
      expected.erase(at, 1);
    }
    const auto differ =
        std::mismatch(joined.begin(), joined.end(), expected.begin(), expected.end());
    EXPECT_TRUE(joined == expected)
        << "the pieces differ from the text at byte " << (differ.first - joined.begin()) << " of "
        << joined.size() << " / " << expected.size();
  }
}

}  // namespace
}  // namespace kananet::sample
