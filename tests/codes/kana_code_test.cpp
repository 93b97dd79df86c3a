#include "codes/kana_code.h"
#include "codes/kana_forms.h"

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

// The forms of a kana from the one table, in hiragana and katakana, with the forms only katakana
// has; and back from a form's code to its kana's, for every kind of form and for codes of none.
TEST(KanaCodeTest, VoicedSemiVoicedAndSmallFormsComeFromOneTable) {
  const struct {
    char32_t Kana, Voiced, SemiVoiced;
  } forms[] = {{U'か', U'が', 0},     {U'ち', U'ぢ', 0}, {U'つ', U'づ', 0}, {U'は', U'ば', U'ぱ'},
               {U'ホ', U'ボ', U'ポ'}, {U'う', U'ゔ', 0}, {U'ウ', U'ヴ', 0}, {U'ゝ', U'ゞ', 0},
               {U'ワ', U'ヷ', 0},     {U'ヲ', U'ヺ', 0}, {U'わ', 0, 0},     {U'あ', 0, 0},
               {U'が', 0, 0},         {U'ー', 0, 0},     {U'ヵ', 0, 0},     {U'ま', 0, 0}};
  for (const auto& kana : forms) {
    EXPECT_EQ(VoicedOf(kana.Kana), kana.Voiced) << static_cast<int>(kana.Kana);
    EXPECT_EQ(SemiVoicedOf(kana.Kana), kana.SemiVoiced) << static_cast<int>(kana.Kana);
  }
  const std::map<std::string, std::string> plain = {
      {"が", "か"}, {"ぢ", "ち"}, {"ぱ", "は"}, {"ぼ", "ほ"}, {"ぁ", "あ"}, {"ぉ", "お"},
      {"っ", "つ"}, {"ゃ", "や"}, {"ょ", "よ"}, {"ヴ", "う"}, {"か", ""},   {"ん", ""},
      {"ゎ", ""},   {"。", ""},   {"ー", ""},   {"づ", "つ"}};
  for (const auto& [form, kana] : plain) {
    EXPECT_EQ(PlainKanaCode(CodeOf(Sjis(form))), kana.empty() ? 0 : CodeOf(Sjis(kana))) << form;
  }
}

}  // namespace
}  // namespace kananet
