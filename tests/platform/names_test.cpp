#include "platform/names.h"

#include <gtest/gtest.h>

#include <string>

namespace kananet {
namespace {

TEST(NamesTest, AsciiPassesUnchanged) {
  std::string ascii;
  for (int byte = 0x20; byte < 0x7F; ++byte) {
    ascii += static_cast<char>(byte);
  }
  EXPECT_EQ(ConsoleName(ascii), ascii);
  EXPECT_EQ(ConsoleName(""), "");
  EXPECT_EQ(ConsoleName("qwerty_2024.layout.TXT"), "qwerty_2024.layout.TXT");
}

TEST(NamesTest, JapaneseNamesBecomeCp932Bytes) {
  EXPECT_EQ(ConsoleName("配列.txt"), "\x94\x7A\x97\xF1.txt");
  EXPECT_EQ(ConsoleName("あいう"), "\x82\xA0\x82\xA2\x82\xA4");
  EXPECT_EQ(ConsoleName("ｱ～①"), "\xB1\x81\x60\x87\x40");  // half-width kana and CP932 extras
}

TEST(NamesTest, UnconvertibleCharactersAndInvalidBytesBecomeQuestionMarks) {
  struct Case {
    std::string name;
    std::string shown;
  };
  const Case cases[] = {
      {"caf\xC3\xA9.txt", "caf?.txt"},                 // é has no CP932 form
      {"\xF0\x9F\x98\x80\xED\x95\x9C.txt", "??.txt"},  // an emoji and a hangul syllable
      {"\xFF.txt", "?.txt"},                           // never a UTF-8 byte
      {"\x80\xBF", "??"},                              // lone continuation bytes
      {"\xE3\x81.txt", "??.txt"},                      // a cut-off sequence, byte by byte
      {"\xE3\x81\xE3\x81\x82", "??\x82\xA0"},          // a cut-off sequence before あ
      {"\xC0\xAF\xE0\x80\xAF", "?????"},               // overlong forms
      {"\xED\xA0\x80", "???"},                         // a surrogate
      {"\xF4\x90\x80\x80", "????"},                    // above U+10FFFF
      {"a\xC3", "a?"},                                 // the name ends inside a character
      // Control bytes are escaped, so that a name cannot write over a line or start another.
      {"x\rLoad fake\x1b[2K.txt", "x\\rLoad fake\\x1b[2K.txt"},
      {"a\nb\tc\x7f\x01", "a\\nb\\tc\\x7f\\x01"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ConsoleName(c.name), c.shown) << ::testing::PrintToString(c.name);
    if (c.shown.find('?') == std::string::npos) {
      EXPECT_EQ(Utf8ConsoleName(c.name), c.shown) << ::testing::PrintToString(c.name);
    }
  }
}

}  // namespace
}  // namespace kananet
