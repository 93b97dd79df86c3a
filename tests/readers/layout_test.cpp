#include "readers/layout.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "../test_support.h"
#include "codes/key_alphabet.h"

namespace kananet {
namespace {

using testing::Sjis;

struct Loaded {
  LayoutHeaderValues header;
  std::vector<LayoutEntry> table = std::vector<LayoutEntry>(kLayoutTableSlots);
  std::size_t entryLines = 0;

  std::array<int, 4> Header() const {
    return {header.LeftHandLastKey, header.BreakAfterPunctuation, header.RowCount,
            header.CountByKana};
  }
};

Loaded Load(const std::string& fileBytes) {
  Loaded loaded;
  loaded.entryLines = FillLayout(fileBytes, loaded.header, loaded.table);
  return loaded;
}

TEST(LayoutTest, HeaderTakesTheFirstByteOfLinesOneToFourByPosition) {
  struct Case {
    std::string text;
    std::array<int, 4> header;
  };
  const Case cases[] = {
      {"b\n \n4\n0\n", {24, 0, 4, 0}},
      {"t\n0\n3\n1\n", {22, 41, 3, 1}},
      {"bxyz\n0abc\n49\n1 remark\n", {24, 41, 4, 1}},
      {"b\r\n0\r\n4\r\n1\r\n", {24, 41, 4, 1}},
      {"b\r\n\r\n\r\n\r\n", {24, 0, -48, -48}},
      {"K\nA\n\xFF\n\x80\n", {0, 0, -49, -176}},
      {"\n\n\n\n", {0, 0, -48, -48}},
      {"", {0, 0, -48, -48}},
      {"b\n", {24, 0, -48, -48}},  // a read at the very end gives an empty line
      {"b\n0\n", {24, 41, -48, -48}},
      {"b", {24, 24, 50, 50}},  // the last line without a line end reads again
      {"b\n0\n5", {24, 41, 5, 5}},
      {"\tx\n\t\n4\n0", {0, 0, 4, 0}},
  };
  for (const Case& c : cases) {
    Loaded loaded = Load(c.text);
    EXPECT_EQ(loaded.Header(), c.header) << ::testing::PrintToString(c.text);
    EXPECT_EQ(loaded.entryLines, 0u);
    EXPECT_TRUE(loaded.table[0].Keys.empty() && loaded.table[0].Kana.empty());
  }
}

TEST(LayoutTest, EntryLinesFillSlotsInFileOrder) {
  const std::string lines[] = {
      "k\tあ", "kd\tきゃ", "\tあ",   "no tab here", "",          "k\t あ",  "k\tあ\tい", "k\tあア",
      "K\tあ", "k \tい",   "あ\tう", "ab\tc\tか",   "x\tヴー、", "y\tかａ", "z\tゐゑゎ",
  };
  const LayoutEntry expected[] = {
      {{8}, {35}},       {{19, 73}, {35, 15}}, {{8}, {}},           {{}, {35}},     {{8}, {35}},
      {{8}, {35}},       {{8}, {0}},           {{10}, {35, 0}},     {{12}, {0, 0}}, {{}, {7, 24}},
      {{5, 3, 1}, {12}}, {{17}, {26}},         {{10, 14, 85}, {8}}, {{8}, {7}},
  };
  const std::size_t count = std::size(expected);
  for (const std::string lineEnd : {"\n", "\r\n"}) {
    std::string text = "b" + lineEnd + " " + lineEnd + "4" + lineEnd + "0" + lineEnd;
    for (const std::string& line : lines) {
      text += Sjis(line) + lineEnd;
    }
    text += "a\t\x82\xA0\x82";  // an odd byte at the end of the last line, which has no line end

    Loaded loaded = Load(text);
    EXPECT_EQ(loaded.Header(), (std::array<int, 4>{24, 0, 4, 0}));
    ASSERT_EQ(loaded.entryLines, count);
    for (std::size_t i = 0; i < count; ++i) {
      EXPECT_EQ(loaded.table[i].Kana, expected[i].Kana) << "slot " << i;
      EXPECT_EQ(loaded.table[i].Keys, expected[i].Keys) << "slot " << i;
    }
    EXPECT_TRUE(loaded.table[count].Keys.empty() && loaded.table[count].Kana.empty());

    // A shorter file loaded into the same table leaves nothing of the longer one behind.
    EXPECT_EQ(FillLayout(Sjis("t\n\n3\n1\nj\tな\n"), loaded.header, loaded.table), 1u);
    EXPECT_EQ(loaded.Header(), (std::array<int, 4>{22, 0, 3, 1}));
    EXPECT_EQ(loaded.table[0].Kana, std::string{48});
    for (std::size_t i = 1; i <= count; ++i) {
      EXPECT_TRUE(loaded.table[i].Keys.empty() && loaded.table[i].Kana.empty()) << "slot " << i;
    }
  }
}

// Entry lines beyond the table's slots are counted but not stored.
TEST(LayoutTest, TableHoldsAtMostItsSlots) {
  const std::string entry = Sjis("a\tあ\n");
  std::string body;
  for (std::size_t i = 0; i + 1 < kLayoutTableSlots; ++i) {
    body += entry;
  }
  body += Sjis("s\tい\n");
  Loaded loaded = Load("b\n \n4\n0\n" + body);
  EXPECT_EQ(loaded.entryLines, kLayoutTableSlots);
  EXPECT_EQ(loaded.table[kLayoutTableSlots - 1].Keys, std::string{11});

  loaded = Load("b\n \n4\n0\n" + body + Sjis("d\tう\nf\tえ"));
  EXPECT_EQ(loaded.entryLines, kLayoutTableSlots + 2);
  ASSERT_EQ(loaded.table.size(), kLayoutTableSlots);
  EXPECT_EQ(loaded.table[0].Keys, std::string{7});
  EXPECT_EQ(loaded.table[kLayoutTableSlots - 1].Keys, std::string{11});
  EXPECT_EQ(loaded.table[kLayoutTableSlots - 1].Kana, std::string{10});
}

}  // namespace
}  // namespace kananet
