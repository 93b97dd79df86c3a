// Kana-to-keystroke conversion: first match in table order, the last searchable slot, the
// UnitEnd and RunBreak markers, the message for a kana without definition, and the indexed
// lookup checked against the plain scan on random tables.
#include "analysis/conversion.h"

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
constexpr int Comma = 1, FullStop = 2, A = 8, I = 10, U = 12, Ka = 17, Ki = 19, Zu = 32, Na = 48,
              SmallYa = 73, Rb = 0xFF, Ue = 0xFE;

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
  entries.resize(LayoutTableSlots);
  return entries;
}

struct Conversion {
  std::size_t Missing;
  std::string Keys;
  bool operator==(const Conversion&) const = default;
};

Conversion Convert(const std::string& kana, const std::vector<LayoutEntry>& table,
                   bool byKana = false, bool breakAfterPunctuation = false) {
  Conversion result{NoSlot, {}};
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
       {Entry({35, 15}, {Ki, SmallYa}), Entry({35}, {Ki}), Entry({15}, {SmallYa})},
       Bytes({Rb, Ki, SmallYa}), true, false, {NoSlot, Bytes({Rb, 35, 15, Ue})}},
      {"ki before kya: the longer entry is never used",
       {Entry({35}, {Ki}), Entry({35, 15}, {Ki, SmallYa}), Entry({16}, {SmallYa})},
       Bytes({Rb, Ki, SmallYa}), true, false, {NoSlot, Bytes({Rb, 35, Ue, 16, Ue})}},
      {"ki before kya, small ya undefined: stops at small ya",
       {Entry({35}, {Ki}), Entry({35, 15}, {Ki, SmallYa})},
       Bytes({Rb, Ki, SmallYa, Zu}), false, false, {2, Bytes({Rb, 35})}},
      {"duplicates: the earlier wins",
       {Entry({7}, {A}), Entry({8}, {A}), Entry({11, 12}, {I, U}), Entry({13}, {I, U}), Entry({10}, {I})},
       Bytes({Rb, A, I, U, A}), false, false, {NoSlot, Bytes({Rb, 7, 11, 12, 7})}},
      {"a sequence running past the end does not match, a shorter one further down does",
       {Entry({1}, {A, I, U}), Entry({2}, {A, I}), Entry({3}, {A})},
       Bytes({Rb, A, I, Rb, A}), false, false, {NoSlot, Bytes({Rb, 2, Rb, 3})}},
      {"a sequence ending exactly at the end matches",
       {Entry({1}, {A, I, U}), Entry({3}, {A})},
       Bytes({Rb, A, I, U}), false, false, {NoSlot, Bytes({Rb, 1})}},
      {"past the end with nothing shorter is missing",
       {Entry({1}, {A, I})},
       Bytes({Rb, A, I, Rb, A}), false, false, {4, Bytes({Rb, 1, Rb})}},
      {"no match spans a RunBreak",
       {Entry({1}, {A, I}), Entry({2}, {A}), Entry({3}, {I})},
       Bytes({Rb, A, Rb, I}), true, true, {NoSlot, Bytes({Rb, 2, Ue, Rb, 3, Ue})}},
      {"empty kana never matches",
       {Entry({7}, {}), Entry({}, {}), Entry({8}, {A})},
       Bytes({Rb, A}), false, false, {NoSlot, Bytes({Rb, 8})}},
      {"comma: UnitEnd then RunBreak",
       {Entry({7}, {A}), Entry({36}, {Comma})},
       Bytes({Rb, A, Comma}), true, true, {NoSlot, Bytes({Rb, 7, Ue, 36, Ue, Rb})}},
      {"comma by strokes",
       {Entry({7}, {A}), Entry({36}, {Comma})},
       Bytes({Rb, A, Comma}), false, true, {NoSlot, Bytes({Rb, 7, 36, Rb})}},
      {"no break after punctuation: only the stream's RunBreaks",
       {Entry({1}, {Comma}), Entry({2}, {FullStop}), Entry({3}, {A})},
       Bytes({Rb, A, Comma, FullStop, Rb, A}), true, false,
       {NoSlot, Bytes({Rb, 3, Ue, 1, Ue, 2, Ue, Rb, 3, Ue})}},
      {"an entry beginning with a comma gets the RunBreak",
       {Entry({1}, {Comma, A})},
       Bytes({Rb, Comma, A}), false, true, {NoSlot, Bytes({Rb, 1, Rb})}},
      {"an entry ending with a comma does not",
       {Entry({2}, {A, Comma})},
       Bytes({Rb, A, Comma}), false, true, {NoSlot, Bytes({Rb, 2})}},
      {"full stop first, and last",
       {Entry({5}, {FullStop, I}), Entry({4}, {A, FullStop})},
       Bytes({Rb, FullStop, I, A, FullStop}), true, true, {NoSlot, Bytes({Rb, 5, Ue, Rb, 4, Ue})}},
      {"an empty key sequence adds only the markers",
       {Entry({}, {A}), Entry({}, {Comma})},
       Bytes({Rb, A, Comma}), true, true, {NoSlot, Bytes({Rb, Ue, Ue, Rb})}},
      {"RunBreaks are copied",
       {Entry({7}, {A})},
       Bytes({Rb, Rb, A, Rb}), true, false, {NoSlot, Bytes({Rb, Rb, 7, Ue, Rb})}},
      {"empty stream", {}, "", true, true, {NoSlot, ""}},
      {"the closing zu need a definition too",
       {Entry({7}, {A})},
       Bytes({Rb, A, Zu, Zu, Zu}), false, false, {2, Bytes({Rb, 7})}},
      {"ka na with a two-key zu",
       {Entry({19}, {Ka}), Entry({31}, {Na}), Entry({15, 43}, {Zu})},
       Bytes({Rb, Ka, Na, Zu, Zu, Zu}), false, false,
       {NoSlot, Bytes({Rb, 19, 31, 15, 43, 15, 43, 15, 43})}},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(Convert(c.Kana, Table(c.Entries), c.ByKana, c.BreakAfterPunctuation), c.Expected)
        << c.Name;
  }
}

TEST(ConversionTest, OnlySlotsBelow99999AreSearched) {
  auto table = Table({});
  table[99998] = Entry({7}, {A});
  table[99999] = Entry({8}, {I});
  std::string text = Bytes({Rb, A, I});
  EXPECT_EQ(FindFirstMatchByScan(table, text, 1), 99998u);
  EXPECT_EQ(KanaLookup(table).FindFirstMatch(text, 1), 99998u);
  EXPECT_EQ(FindFirstMatchByScan(table, text, 2), NoSlot);
  EXPECT_EQ(KanaLookup(table).FindFirstMatch(text, 2), NoSlot);
  EXPECT_EQ(Convert(text, table), (Conversion{2, Bytes({Rb, 7})}));

  // A longer sequence in the last slot neither wins nor hides the shorter one below it.
  table[99999] = Entry({9}, {A, I});
  EXPECT_EQ(KanaLookup(table).FindFirstMatch(text, 1), 99998u);
}

// The room taken is what the text needs: an entry the text never uses, however many keys it
// holds, must not make the conversion of a short text reserve megabytes.
TEST(ConversionTest, RoomFollowsTheTextNotTheTable) {
  auto table = Table({Entry({7}, {A})});
  table[1] = LayoutEntry{Bytes({I, U}), std::string(100000, '\x07')};
  std::string kana = Bytes({Rb}) + std::string(10000, static_cast<char>(A));
  KeyBytes keys;
  ASSERT_EQ(AppendKeyStream(kana, table, false, false, keys), NoSlot);
  EXPECT_EQ(keys.Size(), kana.size());
  EXPECT_LE(keys.Capacity(), 3 * kana.size());
}

TEST(ConversionTest, MissingDefinitionMessage) {
  EXPECT_EQ(MissingDefinitionMessage(SmallYa), "\x81\x75\x82\xe1" + MessageTail);
  EXPECT_EQ(MissingDefinitionMessage(Zu), "\x81\x75\x82\xb8" + MessageTail);
  EXPECT_EQ(MissingDefinitionMessage(Comma), "\x81\x75\x81\x41" + MessageTail);
  EXPECT_EQ(MissingDefinitionMessage(5), "\x81\x75\x83\x94" + MessageTail);
}

TEST(ConversionTest, ConvertKanaStreamReplacesTheKeyStreamOrStopsTheRun) {
  const std::string savedKana = KanaStream;
  const LayoutHeaderValues savedHeader = LayoutHeader;
  const std::vector<LayoutEntry> savedTable = LayoutTable;
  const KeyBytes savedKeys = KeyStream;
  LayoutTable = Table({Entry({35}, {Ki}), Entry({15, 43}, {Zu}), Entry({36}, {Comma})});
  KanaStream = Bytes({Rb, Ki, Comma, Zu, Zu, Zu});
  LayoutHeader = LayoutHeaderValues{24, 41, 4, 1};
  KeyStream = "left over";
  ConvertKanaStream();
  EXPECT_EQ(KeyStream.View(), Bytes({Rb, 35, Ue, 36, Ue, Rb, 15, 43, Ue, 15, 43, Ue, 15, 43, Ue}));

  KanaStream = Bytes({Rb, Ki, SmallYa, Zu, Zu, Zu});
  ::testing::internal::CaptureStderr();
  int status = 0;
  try {
    ConvertKanaStream();
  } catch (const RunStopped& stopped) {
    status = stopped.ExitStatus;
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "\x81\x75\x82\xe1" + MessageTail);
  EXPECT_EQ(status, 1);
  KanaStream = savedKana;
  LayoutHeader = savedHeader;
  LayoutTable = savedTable;
  KeyStream = savedKeys;
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
  const int codes[] = {A, Comma, I, FullStop, U};  // few kana, so prefixes and duplicates collide
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
      table[99999] = Entry({7}, {A});
    }
    KanaLookup lookup(table);
    for (int s = 0; s < 8; ++s) {
      std::string stream;
      for (std::size_t n = below(16); n > 0; --n) {
        stream += below(6) == 0 ? std::string(1, static_cast<char>(RunBreak)) : kana(1);
      }
      for (std::size_t p = 0; p < stream.size(); ++p) {
        std::size_t slot = FindFirstMatchByScan(table, stream, p);
        ASSERT_EQ(lookup.FindFirstMatch(stream, p), slot) << "round " << round << " at " << p;
        ++positions;
        longer += slot != NoSlot && table[slot].Kana.size() > 1;
        misses += slot == NoSlot;
        cutByLimit += full && slot == NoSlot && stream[p] == static_cast<char>(A);  // 99,999 fits
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
