#include "codes/text_encoding.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "../test_support.h"

namespace kananet {
namespace {

using testing::Sjis;

const std::string kGeta = "\x81\xAC";  // 〓, the substitute

TEST(TextEncodingTest, DetectsByByteOrderMarkAndWellFormedUtf8) {
  struct Case {
    std::string bytes;
    TextEncoding expected;
  };
  const std::vector<Case> cases = {
      {"", TextEncoding::kShiftJis},
      {"abc\r\n", TextEncoding::kShiftJis},  // no byte from 0x80 up: Shift_JIS as always
      {Sjis("かな、。ー\n"), TextEncoding::kShiftJis},
      {Sjis("ab\xEF\xBD\xB6"), TextEncoding::kShiftJis},  // half-width ｶ
      {"かな\n", TextEncoding::kUtf8},
      {"\xF4\x8F\xBF\xBF", TextEncoding::kUtf8},  // U+10FFFF
      {"\xEF\xBB\xBF", TextEncoding::kUtf8},
      {"\xEF\xBB\xBF\xFF", TextEncoding::kUtf8},  // the mark decides, whatever follows
      {"\xFF\xFE"
       "a\0",
       TextEncoding::kUtf16},
      {"\xFE\xFF\0a", TextEncoding::kUtf16},
      {"\xC0\xAF", TextEncoding::kShiftJis},          // overlong '/'
      {"\xE0\x80\xAF", TextEncoding::kShiftJis},      // overlong '/'
      {"\xED\xA0\x80", TextEncoding::kShiftJis},      // surrogate
      {"\xF4\x90\x80\x80", TextEncoding::kShiftJis},  // above U+10FFFF
      {"か\xE3\x81", TextEncoding::kShiftJis},        // cut at the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DetectTextEncoding(c.bytes), c.expected) << ::testing::PrintToString(c.bytes);
  }
  EXPECT_EQ(Utf8SequenceLength("\xF0\x9F\x98\x80!"), 4u);
  EXPECT_EQ(Utf8SequenceLength("\xE3\x81"), 0u);
  EXPECT_EQ(Utf8SequenceLength(""), 0u);
}

struct MappingCase {
  std::string utf8;
  std::string cp932;
};

std::vector<MappingCase> MappingCases() {
  return {
      {"ab\r\ncd\n\t~\\", "ab\r\ncd\n\t~\\"},
      {"あいうカナ、。ー―－ｶﾞ漢\r\n", Sjis("あいうカナ、。ー―－ｶﾞ漢\r\n")},
      {"\xEF\xBB\xBFか\n", Sjis("か\n")},             // leading BOM dropped
      {"か\xEF\xBB\xBF", Sjis("か") + kGeta},         // not leading: no CP932 form
      {"\u301C\u2016\u2212\u2014\u00A2\u00A3\u00AC",  // JIS X 0208 forms
       "\x81\x60\x81\x61\x81\x7C\x81\x5C\x81\x91\x81\x92\x81\xCA"},
      {"か\u3099は\u309Aウ\u3099ホ\u309Aゝ\u3099ヽ\u3099", Sjis("がぱヴポゞヾ")},
      {"が\u3099あ\u309A\u3099", Sjis("が") + kGeta + Sjis("あ") + kGeta + kGeta},
      {"う\u3099ゔワ\u3099", Sjis("ヴヴ") + kGeta},  // ゔ is read as ヴ; ヷ has no CP932 form
      {"か\nか", Sjis("か\nか")},                    // a kana near or at the end, no mark after it
      {"\U0001F600\u0101", kGeta + kGeta},
      {"\xC0\xAF"
       "a\xED\xA0\x80\xFF",
       kGeta + kGeta + "a" + kGeta + kGeta + kGeta + kGeta},
      {"\xF4\x90\x80\x80", kGeta + kGeta + kGeta + kGeta},
      {"あ\xE3\x81", Sjis("あ") + kGeta + kGeta},  // cut at the end
      {"\xFF\xFE"
       "a",
       kGeta + kGeta + "a"},  // a UTF-16 mark is no UTF-8
  };
}

// Converts text cut into pieces of random sizes (0 to 7 bytes).
std::string ConvertInPieces(const std::string& text, std::mt19937& random) {
  Utf8ToShiftJis converter;
  std::string out;
  std::size_t position = 0;
  while (position < text.size()) {
    std::size_t size = std::uniform_int_distribution<std::size_t>(0, 7)(random);
    converter.Convert(std::string_view(text).substr(position, size), out);
    position += size;
  }
  converter.Finish(out);
  return out;
}

TEST(TextEncodingTest, MapsUtf8ToShiftJisWholeInPiecesAndInPlace) {
  std::mt19937 random(10);
  std::string allText;
  for (const MappingCase& c : MappingCases()) {
    EXPECT_EQ(Utf8TextToShiftJis(c.utf8), c.cp932) << c.utf8;
    for (int run = 0; run < 20; ++run) {
      ASSERT_EQ(ConvertInPieces(c.utf8, random), c.cp932) << c.utf8;
    }
    std::string file = c.utf8;
    if (MakeShiftJis(file) == TextEncoding::kUtf8) {
      EXPECT_EQ(file, c.cp932) << c.utf8;
    }
    allText += c.utf8;
  }
  const std::string whole = Utf8TextToShiftJis(allText);
  for (int run = 0; run < 50; ++run) {
    ASSERT_EQ(ConvertInPieces(allText, random), whole);
  }
}

TEST(TextEncodingTest, MakeShiftJisLeavesOtherFilesAlone) {
  for (std::string file : {Sjis("かな\r\n"),
                           std::string("\xFF\xFE"
                                       "a\0",
                                       4),
                           std::string()}) {
    const std::string before = file;
    EXPECT_NE(MakeShiftJis(file), TextEncoding::kUtf8);
    EXPECT_EQ(file, before);
  }
}

TEST(TextEncodingTest, ShiftJisToUtf8) {
  EXPECT_EQ(ShiftJisTextToUtf8(Sjis("かなｶ漢―～\r\n~\\")), "かなｶ漢―～\r\n~\\");
  // No CP932 meaning: U+FFFD for each such byte, and what follows is kept.
  EXPECT_EQ(ShiftJisTextToUtf8("\x82\x20"
                               "a\xA0\x82"),
            "\uFFFD a\uFFFD\uFFFD");
}

}  // namespace
}  // namespace kananet
