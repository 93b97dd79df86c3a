// Kana-to-keystroke conversion: first match in table order, the last searchable slot, the
// UnitEnd and RunBreak markers, the message for a kana without definition, and the indexed
// lookup checked against the plain scan on random tables.
#include "analysis/entry_counts.h"
#include "reference/key_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "codes/key_alphabet.h"
#include "platform/console.h"
#include "readers/layout.h"
#include "readers/sample_text.h"
#include "reference/plain_rules.h"

namespace kananet {
namespace {

using reference::FindFirstMatchByScan;

// KanaCodes and markers used below.
constexpr int kComma = 1, kFullStop = 2, kA = 8, kI = 10, kU = 12, kKa = 17, kKi = 19, kZu = 32,
              kNa = 48, kSmallYa = 73, kRb = 0xFF, kUe = 0xFE;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) {
    bytes += static_cast<char>(value);
  }
  return bytes;
}

LayoutEntry Entry(std::initializer_list<int> keys, std::initializer_list<int> kana) {
  return LayoutEntry{Bytes(kana), Bytes(keys)};
}

// The entries in slots 0, 1, ..., and empty slots up to the table's full size.
std::vector<LayoutEntry> Table(std::vector<LayoutEntry> entries) {
  entries.resize(kLayoutTableSlots);
  return entries;
}

struct Conversion {
  std::size_t Missing;
  std::string Keys;
  bool operator==(const Conversion&) const = default;
};

Conversion Convert(const std::string& kana, const std::vector<LayoutEntry>& table,
                   bool byKana = false, bool breakAfterPunctuation = false) {
  Conversion result{kNoSlot, {}};
  result.Missing = AppendKeyStream(kana, table, byKana, breakAfterPunctuation, result.Keys);
  return result;
}

// "「" + KanaText + "」の定義が不足しているようです." in Shift_JIS.
const std::string MessageTail =
    "\x81\x76\x82\xcc\x92\xe8\x8b\x60\x82\xaa\x95\x73\x91\xab\x82\xb5\x82\xc4\x82\xa2\x82\xe9"
    "\x82\xe6\x82\xa4\x82\xc5\x82\xb7.\n";

TEST(ConversionTest, FirstMatchInTableOrderAndMarkers) {
  struct Case {
    const char* Name;
    std::vector<LayoutEntry> Entries;
    std::string Kana;
    bool ByKana, BreakAfterPunctuation;
    Conversion Expected;
  };
  // clang-format off
  const Case cases[] = {
      {"kya before ki is one unit",
       {Entry({35, 15}, {kKi, kSmallYa}), Entry({35}, {kKi}), Entry({15}, {kSmallYa})},
       Bytes({kRb, kKi, kSmallYa}), true, false, {kNoSlot, Bytes({kRb, 35, 15, kUe})}},
      {"ki before kya: the longer entry is never used",
       {Entry({35}, {kKi}), Entry({35, 15}, {kKi, kSmallYa}), Entry({16}, {kSmallYa})},
       Bytes({kRb, kKi, kSmallYa}), true, false, {kNoSlot, Bytes({kRb, 35, kUe, 16, kUe})}},
      {"ki before kya, small ya undefined: stops at small ya",
       {Entry({35}, {kKi}), Entry({35, 15}, {kKi, kSmallYa})},
       Bytes({kRb, kKi, kSmallYa, kZu}), false, false, {2, Bytes({kRb, 35})}},
      {"duplicates: the earlier wins",
       {Entry({7}, {kA}), Entry({8}, {kA}), Entry({11, 12}, {kI, kU}), Entry({13}, {kI, kU}), Entry({10}, {kI})},
       Bytes({kRb, kA, kI, kU, kA}), false, false, {kNoSlot, Bytes({kRb, 7, 11, 12, 7})}},
      {"a sequence running past the end does not match, a shorter one further down does",
       {Entry({1}, {kA, kI, kU}), Entry({2}, {kA, kI}), Entry({3}, {kA})},
       Bytes({kRb, kA, kI, kRb, kA}), false, false, {kNoSlot, Bytes({kRb, 2, kRb, 3})}},
      {"a sequence ending exactly at the end matches",
       {Entry({1}, {kA, kI, kU}), Entry({3}, {kA})},
       Bytes({kRb, kA, kI, kU}), false, false, {kNoSlot, Bytes({kRb, 1})}},
      {"past the end with nothing shorter is missing",
       {Entry({1}, {kA, kI})},
       Bytes({kRb, kA, kI, kRb, kA}), false, false, {4, Bytes({kRb, 1, kRb})}},
      {"no match spans a RunBreak",
       {Entry({1}, {kA, kI}), Entry({2}, {kA}), Entry({3}, {kI})},
       Bytes({kRb, kA, kRb, kI}), true, true, {kNoSlot, Bytes({kRb, 2, kUe, kRb, 3, kUe})}},
      {"empty kana never matches",
       {Entry({7}, {}), Entry({}, {}), Entry({8}, {kA})},
       Bytes({kRb, kA}), false, false, {kNoSlot, Bytes({kRb, 8})}},
      {"comma: UnitEnd then RunBreak",
       {Entry({7}, {kA}), Entry({36}, {kComma})},
       Bytes({kRb, kA, kComma}), true, true, {kNoSlot, Bytes({kRb, 7, kUe, 36, kUe, kRb})}},
      {"comma by strokes",
       {Entry({7}, {kA}), Entry({36}, {kComma})},
       Bytes({kRb, kA, kComma}), false, true, {kNoSlot, Bytes({kRb, 7, 36, kRb})}},
      {"no break after punctuation: only the stream's RunBreaks",
       {Entry({1}, {kComma}), Entry({2}, {kFullStop}), Entry({3}, {kA})},
       Bytes({kRb, kA, kComma, kFullStop, kRb, kA}), true, false,
       {kNoSlot, Bytes({kRb, 3, kUe, 1, kUe, 2, kUe, kRb, 3, kUe})}},
      {"an entry beginning with a comma gets the RunBreak",
       {Entry({1}, {kComma, kA})},
       Bytes({kRb, kComma, kA}), false, true, {kNoSlot, Bytes({kRb, 1, kRb})}},
      {"an entry ending with a comma does not",
       {Entry({2}, {kA, kComma})},
       Bytes({kRb, kA, kComma}), false, true, {kNoSlot, Bytes({kRb, 2})}},
      {"full stop first, and last",
       {Entry({5}, {kFullStop, kI}), Entry({4}, {kA, kFullStop})},
       Bytes({kRb, kFullStop, kI, kA, kFullStop}), true, true, {kNoSlot, Bytes({kRb, 5, kUe, kRb, 4, kUe})}},
      {"an empty key sequence adds only the markers",
       {Entry({}, {kA}), Entry({}, {kComma})},
       Bytes({kRb, kA, kComma}), true, true, {kNoSlot, Bytes({kRb, kUe, kUe, kRb})}},
      {"RunBreaks are copied",
       {Entry({7}, {kA})},
       Bytes({kRb, kRb, kA, kRb}), true, false, {kNoSlot, Bytes({kRb, kRb, 7, kUe, kRb})}},
      {"empty stream", {}, "", true, true, {kNoSlot, ""}},
      {"the closing zu need a definition too",
       {Entry({7}, {kA})},
       Bytes({kRb, kA, kZu, kZu, kZu}), false, false, {2, Bytes({kRb, 7})}},
      {"ka na with a two-key zu",
       {Entry({19}, {kKa}), Entry({31}, {kNa}), Entry({15, 43}, {kZu})},
       Bytes({kRb, kKa, kNa, kZu, kZu, kZu}), false, false,
       {kNoSlot, Bytes({kRb, 19, 31, 15, 43, 15, 43, 15, 43})}},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(Convert(c.Kana, Table(c.Entries), c.ByKana, c.BreakAfterPunctuation), c.Expected)
        << c.Name;
  }
}

TEST(ConversionTest, OnlySlotsBelow99999AreSearched) {
  auto table = Table({});
  table[99998] = Entry({7}, {kA});
  table[99999] = Entry({8}, {kI});
  std::string text = Bytes({kRb, kA, kI});
  EXPECT_EQ(FindFirstMatchByScan(table, text, 1), 99998u);
  EXPECT_EQ(KanaLookup(table).FindFirstMatch(text, 1), 99998u);
  EXPECT_EQ(FindFirstMatchByScan(table, text, 2), kNoSlot);
  EXPECT_EQ(KanaLookup(table).FindFirstMatch(text, 2), kNoSlot);
  EXPECT_EQ(Convert(text, table), (Conversion{2, Bytes({kRb, 7})}));

  // A longer sequence in the last slot neither wins nor hides the shorter one below it.
  table[99999] = Entry({9}, {kA, kI});
  EXPECT_EQ(KanaLookup(table).FindFirstMatch(text, 1), 99998u);
}

// The room taken is what the text needs: an entry the text never uses, however many keys it
// holds, must not make the conversion of a short text reserve megabytes.
TEST(ConversionTest, RoomFollowsTheTextNotTheTable) {
  auto table = Table({Entry({7}, {kA})});
  table[1] = LayoutEntry{Bytes({kI, kU}), std::string(100000, '\x07')};
  std::string kana = Bytes({kRb}) + std::string(10000, static_cast<char>(kA));
  KeyBytes keys;
  ASSERT_EQ(AppendKeyStream(kana, table, false, false, keys), kNoSlot);
  EXPECT_EQ(keys.Size(), kana.size());
  EXPECT_LE(keys.Capacity(), 3 * kana.size());
}

TEST(ConversionTest, MissingDefinitionMessage) {
  EXPECT_EQ(MissingDefinitionMessage(kSmallYa), "\x81\x75\x82\xe1" + MessageTail);
  EXPECT_EQ(MissingDefinitionMessage(kZu), "\x81\x75\x82\xb8" + MessageTail);
  EXPECT_EQ(MissingDefinitionMessage(kComma), "\x81\x75\x81\x41" + MessageTail);
  EXPECT_EQ(MissingDefinitionMessage(5), "\x81\x75\x83\x94" + MessageTail);
}

TEST(ConversionTest, ConvertsWithTheHeaderFlagsOrStopsAtAKanaWithoutDefinition) {
  auto table = Table({Entry({35}, {kKi}), Entry({15, 43}, {kZu}), Entry({36}, {kComma})});
  EXPECT_EQ(Convert(Bytes({kRb, kKi, kComma, kZu, kZu, kZu}), table, true, true),
            (Conversion{kNoSlot, Bytes({kRb, 35, kUe, 36, kUe, kRb, 15, 43, kUe, 15, 43, kUe, 15,
                                        43, kUe})}));
  EXPECT_EQ(Convert(Bytes({kRb, kKi, kSmallYa, kZu, kZu, kZu}), table, true, true).Missing, 2u);
}

// The bound on a count's counters, on either side of the most they hold and of the 64 bits the
// product takes; and a count that reaches its bound exactly, so that a bound leaving out the
// closing zu, or taking the join bytes of keys pressed together for keys, fails.
TEST(ConversionTest, CountBoundRefusesWhatCouldWrap) {
  constexpr std::uint64_t kMost = 0xFFFFFFFF, kPast = kMost + 1;
  const struct {
    std::uint64_t Kana, Strokes;
    bool Fits;
  } cases[] = {
      {65536, 65535, true},      {65536, 65536, false}, {3, kMost / 3, true},
      {3, kMost / 3 + 1, false}, {kMost, 1, true},      {kPast, 1, false},
      {kMost, 0, true},          {kPast, 0, false},     {1, kMost, true},
      {1, kPast, false},         {70003, 70000, false}, {kPast << 8, kPast << 8, false},
  };
  for (const auto& row : cases) {
    EXPECT_EQ(CountBound::CountFits(row.Kana, row.Strokes), row.Fits)
        << row.Kana << " kana, " << row.Strokes << " strokes";
  }
  LayoutDefinition layout;
  layout.Header.LeftHandLastKey = KeyIndexTable['b'];
  layout.Header.Chords = true;
  const auto f = static_cast<int>(KeyIndexTable['f']), j = static_cast<int>(KeyIndexTable['j']);
  layout.Table = Table({Entry({f}, {kI}), Entry({f, kKeyJoin, j}, {kA}), Entry({j}, {kZu})});
  const std::string text = Bytes({kRb, kA, kA, kA, kRb, kA, kA}) + Bytes({kZu, kZu, kZu});
  const CountBound bound = BoundOfCount(MatchedKanaOf(text), layout.Table);
  EXPECT_EQ(bound.Kana, 8u);
  EXPECT_EQ(bound.Strokes, 2u);
  EXPECT_EQ(bound.Slot, 1u);
  layout.Table[2] = Entry({j, kKeyJoin, f}, {kZu});
  const LayoutCount count = ConvertAndTallyKanaStream(text, layout);
  ASSERT_EQ(count.Missing, kNoSlot);
  std::uint64_t strokes = 0;
  for (const std::uint32_t keyStrokes : count.Counts.Keys) {
    strokes += keyStrokes;
  }
  EXPECT_EQ(strokes, bound.Kana * bound.Strokes);
}

// The conversion over the plain scan, as the reference for the indexed one.
Conversion ReferenceConvert(const std::string& kana, const std::vector<LayoutEntry>& table,
                            bool byKana, bool breakAfterPunctuation) {
  reference::PlainConversion plain =
      reference::ConvertByScan(kana, table, byKana, breakAfterPunctuation);
  return {plain.Missing, plain.Keys};
}

TEST(ConversionTest, IndexedLookupFindsTheSlotOfTheScanOnRandomTables) {
  std::mt19937 rng(20240613u);
  auto below = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  const int codes[] = {kA, kComma, kI, kFullStop,
                       kU};  // few kana, so prefixes and duplicates collide
  std::size_t positions = 0, longer = 0, misses = 0, cutByLimit = 0;
  for (int round = 0; round < 1000; ++round) {
    const std::size_t alphabet = 1 + below(5);
    auto kana = [&](std::size_t maxLength) {
      std::string text;
      for (std::size_t n = below(maxLength + 1); n > 0; --n) {
        text += static_cast<char>(codes[below(alphabet)]);
      }
      return text;
    };
    std::vector<LayoutEntry> entries;
    for (std::size_t n = below(25); n > 0; --n) {
      bool duplicate = !entries.empty() && below(5) == 0;
      std::string entryKana = duplicate ? entries[below(entries.size())].Kana : kana(4);
      std::size_t strokes = below(4);
      entries.push_back({entryKana, std::string(strokes, static_cast<char>(below(56)))});
    }
    // Now and then a full table whose later entries fill the last slots, 99,999 included.
    std::vector<LayoutEntry> table = entries;
    const bool full = round % 100 == 0;
    if (full) {
      table = Table({});
      std::size_t front = below(entries.size() + 1);
      std::copy(entries.begin(), entries.begin() + front, table.begin());
      std::copy(entries.begin() + front, entries.end(), table.end() - (entries.size() - front));
      table[99999] = Entry({7}, {kA});
    }
    KanaLookup lookup(table);
    for (int s = 0; s < 8; ++s) {
      std::string stream;
      for (std::size_t n = below(16); n > 0; --n) {
        stream += below(6) == 0 ? std::string(1, static_cast<char>(kRunBreak)) : kana(1);
      }
      for (std::size_t p = 0; p < stream.size(); ++p) {
        std::size_t slot = FindFirstMatchByScan(table, stream, p);
        ASSERT_EQ(lookup.FindFirstMatch(stream, p), slot) << "round " << round << " at " << p;
        ++positions;
        longer += slot != kNoSlot && table[slot].Kana.size() > 1;
        misses += slot == kNoSlot;
        cutByLimit += full && slot == kNoSlot && stream[p] == static_cast<char>(kA);  // 99,999 fits
      }
      if (s < 2) {  // each conversion builds its own index: only a few per table
        ASSERT_EQ(Convert(stream, table, s == 0, s == 0),
                  ReferenceConvert(stream, table, s == 0, s == 0))
            << "round " << round;
      }
    }
  }
  // The generator reached the cases that matter.
  EXPECT_GT(positions, 20000u);
  EXPECT_GT(longer, 1000u);
  EXPECT_GT(misses, 1000u);
  EXPECT_GT(cutByLimit, 0u);
}

}  // namespace
}  // namespace kananet
