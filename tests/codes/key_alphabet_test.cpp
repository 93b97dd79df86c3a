#include "codes/key_alphabet.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace kananet {
namespace {

TEST(KeyAlphabetTest, KeysLieColumnByColumnOnTheJisKeyboard) {
  // The keyboard's rows as typed, column 0 first; key (row r, column c) is 4c + r + 1.
  const std::string rows[4] = {"H1234567890-^\\", "Tqwertyuiop@[E", "Casdfghjkl;:]B",
                               "Lzxcvbnm,./_R"};
  ASSERT_EQ(kKeyAlphabet.size(), 56u);
  EXPECT_EQ(kKeyAlphabet[0], ' ');
  EXPECT_EQ(std::set<char>(kKeyAlphabet.begin(), kKeyAlphabet.end()).size(), 56u);
  for (std::size_t r = 0; r < 4; ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      EXPECT_EQ(kKeyAlphabet[4 * c + r + 1], rows[r][c]) << "row " << r << " column " << c;
    }
  }
}

TEST(KeyAlphabetTest, KeyIndexTableGivesZeroForEveryByteOutsideTheAlphabet) {
  for (std::size_t i = 0; i < kKeyAlphabet.size(); ++i) {
    EXPECT_EQ(KeyIndexTable[static_cast<unsigned char>(kKeyAlphabet[i])], i);
  }
  int nonzero = 0;
  for (int byte = 0; byte < 256; ++byte) {
    nonzero += KeyIndexTable[byte] != 0;
    if (byte >= 0x80) {
      EXPECT_EQ(KeyIndexTable[byte], 0) << byte;
    }
  }
  EXPECT_EQ(nonzero, 55);
  EXPECT_EQ(KeyIndexTable['h'], 27);
  for (unsigned char other : {' ', 'A', 'K', '\t', '\r', '\0', '!', '~'}) {
    EXPECT_EQ(KeyIndexTable[other], 0) << int{other};
  }
}

}  // namespace
}  // namespace kananet
