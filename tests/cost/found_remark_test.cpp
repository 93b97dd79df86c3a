// The moves a found layout's line after its header lists, read back as they were written: key
// characters that are spaces, commas and dashes, kana in Shift_JIS and in UTF-8.
#include "cost/found_remark.h"

#include <gtest/gtest.h>

namespace kananet {
namespace {

TEST(FoundRemarkTest, MovesReadBackAsWritten) {
  const std::string remark = "kananet-search: cost 1.0000, seed 1";
  const std::vector<std::vector<KanaMove>> cases = {
      {},
      {{"\x82\xA9", "t", "x"}, {"\x82\xAA", "t@", "x@"}},                   // か が, Shift_JIS
      {{"\xE3\x81\x8B", "t", "x"}, {"\xE3\x81\x8B\xE3\x81\x84", "", "q"}},  // UTF-8, no keys
      {{"\x82\xA0", " ", ","}, {"\x82\xA2", ", ", "-,"}, {"\x82\xA4", "--", ", ,"}},
  };
  for (const std::vector<KanaMove>& moves : cases) {
    std::string list;
    for (const KanaMove& move : moves) {
      AppendKanaMove(list, move.Kana, move.From, move.To);
    }
    const std::string line =
        remark + std::string(kKeysChangedMark) + (list.empty() ? "none" : list);
    EXPECT_EQ(KanaMovesOf(line), moves) << line;
  }
  for (const char* other : {"", "kananet-search: cost 1.0000, seed 1", "# keys changed: none",
                            "kananet-search: cost 1, keys changed: \x82\xA9 tx"}) {
    EXPECT_EQ(KanaMovesOf(other), std::nullopt) << other;
  }
}

}  // namespace
}  // namespace kananet
