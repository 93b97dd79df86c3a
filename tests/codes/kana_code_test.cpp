#include "codes/kana_code.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "../test_support.h"

namespace kananet {
namespace {

using testing::Sjis;

std::uint8_t CodeOf(const std::string& character) {
  return KanaCodeOf(static_cast<std::uint8_t>(character.at(0)),
                    static_cast<std::uint8_t>(character.at(1)));
}

TEST(KanaCodeTest, KanaCodeOfKnownCharacters) {
  const std::map<std::string, int> expected = {
      {"ぁ", 7},  {"あ", 8},  {"い", 10}, {"か", 17}, {"ず", 32}, {"な", 48}, {"ゃ", 73},
      {"ゎ", 85}, {"わ", 85}, {"ゐ", 10}, {"ゑ", 14}, {"を", 88}, {"ん", 89}, {"ヴ", 5},
      {"、", 1},  {"，", 1},  {"。", 2},  {"．", 2},  {"ー", 3},  {"―", 3},   {"‐", 3},
      {"－", 3},  {"ア", 0},  {"ァ", 0},  {"ン", 0},  {"　", 0},  {"・", 0},  {"０", 0},
      {"Ａ", 0},  {"ｚ", 0},  {"亜", 0},  {"～", 0},  {"ヽ", 0},  {"ゝ", 0},
  };
  for (const auto& [text, code] : expected) {
    EXPECT_EQ(CodeOf(Sjis(text)), code) << text;
  }
  // Just outside the hiragana block and around the dashes.
  EXPECT_EQ(KanaCodeOf(0x82, 0x9E), 0);
  EXPECT_EQ(KanaCodeOf(0x82, 0xF2), 0);
  EXPECT_EQ(KanaCodeOf(0x81, 0x5A), 0);
  EXPECT_EQ(KanaCodeOf(0x81, 0x5E), 0);
  EXPECT_EQ(KanaCodeOf(0x83, 0x93), 0);
  EXPECT_EQ(KanaCodeOf(0x83, 0x95), 0);
  EXPECT_EQ(KanaCodeOf(0xA0, 0x82), 0);
}

// Every byte pair: which codes occur, how many characters share each, and that KanaText turns
// each code back into a character with that code.
TEST(KanaCodeTest, EveryPairMapsIntoTheCodeSetAndBack) {
  std::map<int, int> sharing;
  for (int lead = 0; lead < 256; ++lead) {
    for (int trail = 0; trail < 256; ++trail) {
      std::uint8_t code =
          KanaCodeOf(static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail));
      if (code != 0) {
        ++sharing[code];
      }
    }
  }
  EXPECT_EQ(sharing.size(), 84u);  // 1, 2, 3, 5 and 7..89 without 84, 86, 87
  for (int never : {4, 6, 84, 86, 87}) {
    EXPECT_EQ(sharing.count(never), 0u) << never;
  }
  const std::map<int, int> shared = {{1, 2}, {2, 2}, {3, 4}, {10, 2}, {14, 2}, {85, 2}};
  for (const auto& [code, count] : sharing) {
    EXPECT_TRUE(code <= 89) << code;
    EXPECT_EQ(count, shared.contains(code) ? shared.at(code) : 1) << code;
    std::string text = KanaText(static_cast<std::uint8_t>(code));
    ASSERT_EQ(text.size(), 2u);
    EXPECT_EQ(CodeOf(text), code) << code;
  }
}

// Codes shared by several characters come back as one main character; the codes that are never
// produced still give two bytes.
TEST(KanaCodeTest, KanaTextGivesTheMainCharacterOfEachCode) {
  const std::map<int, std::string> expected = {
      {0, Sjis("　")},  {1, Sjis("、")},  {2, Sjis("。")},  {3, Sjis("ー")},
      {10, Sjis("い")}, {14, Sjis("え")}, {85, Sjis("わ")}, {84, Sjis("ゎ")},
      {86, Sjis("ゐ")}, {4, "\x82\x9C"},  {6, "\x82\x9E"},
  };
  for (const auto& [code, text] : expected) {
    EXPECT_EQ(KanaText(static_cast<std::uint8_t>(code)), text) << code;
  }
}

}  // namespace
}  // namespace kananet
