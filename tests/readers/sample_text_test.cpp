#include "readers/sample_text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "../test_support.h"

namespace kananet {
namespace {

using namespace std::string_literals;
using testing::Sjis;

std::string StreamOf(std::string_view fileBytes) {
  std::string stream;
  AppendKanaStream(std::string(fileBytes), stream);
  return stream;
}

TEST(SampleTextTest, KanaRunsAreCutByLineEndsAndNonKana) {
  const std::string closing = "   ";
  struct Case {
    std::string text;
    std::string stream;
  };
  const Case cases[] = {
      {Sjis("あい\nう"), "\xFF\x08\x0A\xFF\x0C" + closing},
      {Sjis("あい\r\nう\r\n"), "\xFF\x08\x0A\xFF\x0C" + closing},
      {Sjis("あい\n\n\nう\n"), "\xFF\x08\x0A\xFF\x0C" + closing},
      {Sjis("か、き"), "\xFF\x11\x01\x13" + closing},
      {Sjis("あアい"), "\xFF\x08\xFF\x0A" + closing},
      {Sjis("あ亜い"), "\xFF\x08\xFF\x0A" + closing},
      {Sjis("あaい"), "\xFF\x08\xFF\x0A" + closing},
      {Sjis("あ　い"), "\xFF\x08\xFF\x0A" + closing},
      {Sjis("あｱい"), "\xFF\x08\xFF\x0A" + closing},
      {Sjis("あ\rい"), "\xFF\x08\xFF\x0A" + closing},
      {Sjis("あ") + "\0"s + Sjis("い"), "\xFF\x08\xFF\x0A" + closing},
      {Sjis("ヴ"), "\xFF\x05" + closing},
      {Sjis("ゐーゑ。"), "\xFF\x0A\x03\x0E\x02" + closing},
      {"", closing},
      {"\n", closing},
      {"\r\r\r", closing},
      {"\r\n\r\n", closing},
      {Sjis("abc　アイウ亜\n123"), closing},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StreamOf(c.text), c.stream) << ::testing::PrintToString(c.text);
  }
  std::string stream = "\xFF\x08";
  AppendKanaStream(Sjis("う"), stream);
  EXPECT_EQ(stream, "\xFF\x08\xFF\x0C" + closing);
  // Read in pieces cut after LFs, on threads, the text gives the same stream: the cases one by
  // one and together, with lead bytes in front of the LFs.
  std::string allText;
  for (const Case& c : cases) {
    allText += c.text + "\x82\n" + c.text + "\n";
  }
  for (const std::string& text : {allText, Sjis("あ\nい\r\n\nう")}) {
    for (unsigned jobs : {2u, 3u, 8u}) {
      std::string inPieces;
      AppendKanaStream(text, inPieces, jobs, 1);
      EXPECT_EQ(inPieces, StreamOf(text)) << jobs << " jobs";
    }
  }
}

// Each line end is the length of the stream made of the text up to its LF, whole or in pieces
// on threads: an LF alone, after a CR, taken by a lead byte, at the end of a run or of no line.
TEST(SampleTextTest, LineEndsAreTheStreamsLengthAtEachLineFeed) {
  const std::string text = Sjis("あい\nう\r\n\n\nか、き\n") + "\x82\n" + Sjis("ゐ") + "\x82\r\n" +
                           Sjis("abc　アイウ亜\r\nえ") + "\n\n" + Sjis("おア") + "\x82";
  std::vector<std::size_t> expected;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      expected.push_back(StreamOf(text.substr(0, i + 1)).size() - kClosingZu);
    }
  }
  ASSERT_EQ(expected.size(), 10u);
  for (const std::string& file : {text, text + "\n", Sjis("う"), ""s, "\n\n"s}) {
    std::vector<std::size_t> wholeEnds;
    for (std::size_t i = 0; i < file.size(); ++i) {
      if (file[i] == '\n') {
        wholeEnds.push_back(StreamOf(file.substr(0, i + 1)).size() - kClosingZu);
      }
    }
    for (unsigned jobs : {1u, 2u, 3u, 8u}) {
      std::string stream = "\xFF\x08";
      std::vector<std::size_t> lineEnds;
      AppendKanaStream(file, stream, jobs, 1, &lineEnds);
      EXPECT_EQ(stream, "\xFF\x08" + StreamOf(file)) << jobs << " jobs";
      std::vector<std::size_t> shifted;
      for (std::size_t end : wholeEnds) {
        shifted.push_back(end + 2);  // after the stream's first two bytes
      }
      EXPECT_EQ(lineEnds, shifted) << ::testing::PrintToString(file) << " " << jobs << " jobs";
    }
  }
  std::vector<std::size_t> lineEnds;
  std::string stream;
  AppendKanaStream(text, stream, 1, 1, &lineEnds);
  EXPECT_EQ(lineEnds, expected);
}

// The first byte decides a character's length, and the second byte is taken whatever it is.
TEST(SampleTextTest, FirstByteDecidesTheCharacterLength) {
  const std::string a = Sjis("あ");
  for (int lead : {0x00, 0x7F, 0x80, 0x81, 0x9F, 0xA0, 0xA1, 0xDF, 0xE0, 0xFC, 0xFD, 0xFE, 0xFF}) {
    bool oneByte = lead < 0x80 || (lead >= 0xA1 && lead <= 0xDF);
    std::string text = std::string(1, static_cast<char>(lead)) + a;
    EXPECT_EQ(StreamOf(text), oneByte ? "\xFF\x08   " : "   ") << "lead " << lead;
  }
  EXPECT_EQ(StreamOf("\xA0\x82\xA0\x20"), "   ");          // a stray A0 pairs with the 82 of あ
  EXPECT_EQ(StreamOf("\x82\x82\xA0\x82\xA2"), "   ");      // 82 82, A0 82, then A2 alone
  EXPECT_EQ(StreamOf("\x82\n\x82\xA0"), "\xFF\x08   ");    // a lead byte pairs with the line end
  EXPECT_EQ(StreamOf("\x82\r\n\x82\xA0"), "\xFF\x08   ");  // also with a CR LF line end
  EXPECT_EQ(StreamOf(Sjis("あい") + "\x82"), "\xFF\x08\x0A   ");
  EXPECT_EQ(StreamOf(Sjis("あい") + "\xFF"), "\xFF\x08\x0A   ");
}

// Cut into pieces on threads, the UTF-8 check and the conversion give the whole text's answer
// and bytes: with and without a byte-order mark, with stray bytes, and files that are not UTF-8.
TEST(SampleTextTest, TextMadeShiftJisInPiecesEqualsTheWhole) {
  const std::string utf8 =
      "ab\r\nあいうカナ、。ー―－ｶﾞ漢\r\nか\u3099は\u309Aウ\u3099\n\u301C\u2016"
      "\U0001F600 x\u0101\n";
  const std::string stray = "\xC0\xAF a\xED\xA0\x80\xFF\n";
  for (const std::string& file :
       {Sjis("かな\r\nカナ\r\n"), "\xFF\xFE"s + "a\n", utf8, "\xEF\xBB\xBF" + utf8,
        utf8 + stray + utf8, "\xEF\xBB\xBF" + utf8 + stray}) {
    std::string whole = file;
    bool wholeRead = MakeTextShiftJis(whole);
    for (unsigned parts : {2u, 3u, 7u, 40u}) {
      std::string inPieces = file;
      EXPECT_EQ(MakeTextShiftJis(inPieces, parts, 1), wholeRead) << file;
      EXPECT_EQ(inPieces, whole) << file << " in " << parts << " pieces";
    }
  }
}

}  // namespace
}  // namespace kananet
