// The readings of hand-checked sentences (golden_readings.tsv) through the installed dictionary.
#include "sample/word_readings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace kananet::sample {
namespace {

TEST(WordReadingsTest, GoldenSentencesReadAsTyped) {
  std::string error;
  std::unique_ptr<WordReadings> readings = WordReadings::Open(KANANET_SAMPLE_DICTIONARY, error);
  ASSERT_TRUE(readings) << error;
  std::ifstream golden(KANANET_SAMPLE_GOLDEN);
  ASSERT_TRUE(golden);
  std::string line;
  int checked = 0;
  while (std::getline(golden, line)) {
    std::size_t tab = line.find('\t');
    if (line.starts_with("#") || tab == std::string::npos) {
      continue;
    }
    // The third column, when there is one, is the dictionary's known miss.
    std::size_t miss = line.find('\t', tab + 1);
    std::string expected = line.substr(miss == std::string::npos ? tab + 1 : miss + 1);
    std::string read;
    readings->ConvertLine(std::string_view(line).substr(0, tab), read);
    EXPECT_EQ(read, expected) << line.substr(0, tab);
    ++checked;
  }
  EXPECT_GE(checked, 30);
  // Only the unknown word is kept unread: kana words never need the dictionary.
  EXPECT_EQ(readings->Unread().MostFrequent(3),
            (std::vector<std::pair<std::string, std::uint64_t>>{{"龘", 1}}));
}

}  // namespace
}  // namespace kananet::sample
