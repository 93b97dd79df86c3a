#include "report/kana_text.h"

#include <gtest/gtest.h>

#include "codes/kana_code.h"

namespace kananet::report {
namespace {

TEST(KanaUtf8Test, DecodesTheKanaBlocksUpToTheirEdges) {
  const std::pair<int, const char*> known[] = {
      {0x829F, "ぁ"}, {0x82F1, "ん"}, {0x8340, "ァ"}, {0x835C, "ソ"}, {0x837E, "ミ"},
      {0x8380, "ム"}, {0x8394, "ヴ"}, {0x8140, "　"}, {0x8141, "、"}, {0x8142, "。"},
      {0x815B, "ー"}, {0x815C, "―"},  {0x817C, "－"}};
  for (const auto& [code, text] : known) {
    EXPECT_EQ(KanaUtf8(code >> 8, code & 0xFF), text) << std::hex << code;
  }
  // Just outside the hiragana, the gap in the katakana row, a kanji, ASCII.
  for (const int code : {0x829E, 0x82F2, 0x8260, 0x837F, 0x8397, 0x815A, 0x889F, 0x6162}) {
    EXPECT_EQ(KanaUtf8(code >> 8, code & 0xFF), std::nullopt) << std::hex << code;
  }
}

TEST(DisplayNameTest, KeepsUtf8AndReadsShiftJisNames) {
  EXPECT_EQ(DisplayName("かな配列.net"), "かな配列.net");
  EXPECT_EQ(DisplayName("\x82\xa9\x82\xc8.net"), "かな.net");
  EXPECT_EQ(DisplayName("\x83\x5c\x83\x74\x83\x67"), "ソフト");
  EXPECT_EQ(DisplayName("\xc0\xaf"), "ﾀｯ");          // overlong UTF-8 is no UTF-8, but Shift_JIS
  EXPECT_EQ(DisplayName("a\x82"), "a\xEF\xBF\xBD");  // a lead byte with nothing after it
  EXPECT_EQ(DisplayName("\x88\x9f"), "亜");          // a kanji
  EXPECT_EQ(DisplayName("\x94\x7A\x97\xF1.txt"), "配列.txt");
  EXPECT_EQ(DisplayName("x\rLoad\x1b[2K\x81"), "x\\rLoad\\x1b[2K\xEF\xBF\xBD");
}

}  // namespace
}  // namespace kananet::report
