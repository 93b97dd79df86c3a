// The fast paths against the plain rules on inputs larger and rougher than the hand-made cases:
// the kana lookup on tables of thousands of entries, the conversion's output buffer with long
// and unevenly used entries, the sample text reader on byte soup, and both tallies on streams
// with bytes that are not keys; and the batch's one-pass count against the conversion and the
// plain tally.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "analysis/entry_counts.h"
#include "analysis/entry_matcher.h"
#include "analysis/piece_counts.h"
#include "analysis/statistics.h"
#include "codes/kana_code.h"
#include "codes/key_alphabet.h"
#include "readers/layout.h"
#include "readers/sample_text.h"
#include "reference/key_stream.h"
#include "reference/plain_rules.h"

namespace kananet {
namespace {

using reference::FindFirstMatchByScan;
using reference::PlainKanaStream;
using reference::PlainTally;

std::string RandomBytes(std::mt19937& rng, std::size_t length, const std::vector<int>& alphabet) {
  std::string bytes;
  for (std::size_t i = 0; i < length; ++i) {
    bytes += static_cast<char>(alphabet[rng() % alphabet.size()]);
  }
  return bytes;
}

// Tables big enough that the trie grows its hashed edges many times (entries of four to seven
// kana give thousands of nodes), with a few short entries among them and codes that include 0,
// UnitEnd and RunBreak; the largest, over 60 codes, has more places by the third and fourth kana
// than the matcher keeps rows for, so that its matches go on in the trie from where the rows
// stop. The stream strings entries together with stray codes, so that long matches occur. The
// lookup is held against the scan, and the matcher against the lookup.
TEST(AgreementTest, LookupAndMatcherOnLargeTablesEqualTheFirstMatchScan) {
  std::mt19937 rng(77u);
  for (auto [entries, codeCount] : {std::pair{300u, 24}, {12000u, 24}, {40000u, 60}}) {
    std::vector<int> codes;
    for (int code = 0; code < codeCount; ++code) {
      codes.push_back(code * (264 / codeCount));  // spread over the byte range, 0 included
    }
    codes.push_back(kUnitEnd);
    codes.push_back(kRunBreak);
    std::vector<LayoutEntry> table(entries);
    for (LayoutEntry& entry : table) {
      entry.Kana = RandomBytes(rng, rng() % 50 == 0 ? rng() % 3 : 4 + rng() % 4, codes);
    }
    // The stream ends in two RunBreak codes, where an entry of three would go on.
    table.insert(table.begin(), {"\xFF\xFF\xFF", ""});
    KanaLookup lookup(table);
    EntryMatcher matcher(table);
    std::string stream;
    while (stream.size() < 3000) {
      stream += rng() % 3 == 0 ? RandomBytes(rng, 1, codes) : table[rng() % entries].Kana;
    }
    stream += "\xFF\xFF";
    for (std::size_t p = 0; p < stream.size(); ++p) {
      std::size_t slot = lookup.FindFirstMatch(stream, p);
      if (entries <= 12000) {
        ASSERT_EQ(slot, FindFirstMatchByScan(table, stream, p)) << entries << " entries, at " << p;
      }
      std::size_t piece = static_cast<std::uint8_t>(stream[p]) == kRunBreak
                              ? matcher.RunBreakPiece()
                          : slot == kNoSlot ? matcher.MissingPiece()
                                            : slot;
      ASSERT_EQ(matcher.MatchAt(stream, p).Piece, piece) << entries << " entries, at " << p;
    }
  }
}

// Entries whose pieces are longer than a fixed-width copy, and a stream that uses the longest
// far more often than the table's average suggests, so the KeyStream must grow several times.
TEST(AgreementTest, ConversionAppendsLongAndUnevenPieces) {
  std::vector<LayoutEntry> table(kLayoutTableSlots);
  table[0] = {"\x08", std::string(40, '\x07')};      // あ: 40 keys
  table[1] = {"\x0A\x0C", std::string(17, '\x09')};  // いう: 17 keys, one past a short copy
  table[2] = {"\x0A", ""};                           // い: no keys
  for (std::size_t slot = 3; slot < 60; ++slot) {    // many short entries never used
    table[slot] = {std::string(1, static_cast<char>(20 + slot)), "\x01"};
  }
  std::string kana;
  std::string expected = "prefix";
  for (int i = 0; i < 5000; ++i) {
    kana += i % 7 == 0 ? "\xFF\x0A\x0C" : "\x08";
    expected +=
        i % 7 == 0 ? "\xFF" + std::string(17, '\x09') + "\xFE" : std::string(40, '\x07') + "\xFE";
  }
  kana += "\x0A";
  expected += "\xFE";
  std::string keyCodes = "prefix";
  EXPECT_EQ(AppendKeyStream(kana, table, true, false, keyCodes), kNoSlot);
  EXPECT_EQ(keyCodes, expected);
}

TEST(AgreementTest, SampleTextReaderEqualsTheJoinedLinesOnByteSoup) {
  std::mt19937 rng(5u);
  // Kana lead and trail bytes, other lead bytes, one-byte characters and line ends.
  const std::vector<int> bytes = {0x81, 0x82, 0x83, 0x88, 0xE0, 0xFF, 0x80, 0xA0, 0x41, 0x5B,
                                  0x9F, 0xA2, 0xF1, 0x94, 0x40, 0x20, 0x0D, 0x0A, 0xB1, 0x00};
  for (int round = 0; round < 300; ++round) {
    std::string text = RandomBytes(rng, rng() % 200, bytes);
    std::string stream = "\xFF\x08";  // appended to, not replaced
    AppendKanaStream(text, stream);
    ASSERT_EQ(stream, "\xFF\x08" + PlainKanaStream(text)) << ::testing::PrintToString(text);
  }
}

TEST(AgreementTest, TalliesFollowTheRulesAndPassOverBytesThatAreNotKeys) {
  std::mt19937 rng(9u);
  std::vector<int> bytes = {kRunBreak, kUnitEnd, kUnitEnd, 56, 63, 64, 0x80, 0xFD};
  for (int key = 0; key < kKeyCount; key += 3) {
    bytes.push_back(key);
    bytes.push_back(key);
  }
  auto expectedKeys = std::make_unique<KeyCountTable>();
  auto expectedPairs = std::make_unique<PairCountTable>();
  auto keys = std::make_unique<KeyCountTable>();
  auto pairs = std::make_unique<PairCountTable>();
  for (int round = 0; round < 200; ++round) {
    std::string stream = RandomBytes(rng, rng() % 300, bytes);
    auto leftHandLastKey = static_cast<std::int32_t>(rng() % 57) - 1;  // -1 to 55
    for (bool byKana : {false, true}) {
      PlainTally(stream, leftHandLastKey, byKana, *expectedKeys, *expectedPairs);
      (byKana ? CountByKana : CountByStrokes)(stream, leftHandLastKey, *keys, *pairs);
      ASSERT_EQ(*keys, *expectedKeys) << "round " << round << " by kana " << byKana;
      ASSERT_EQ(*pairs, *expectedPairs) << "round " << round << " by kana " << byKana;
    }
  }
}

// The batch's one-pass count against the conversion by scan and the plain tally, in both modes,
// with and without breaks after punctuation, on one thread and cut into parts at RunBreaks:
// tables whose keys include bytes that are not keys, UnitEnd and RunBreak, entries of up to
// four kana, and streams that stop at a kana without definition.
TEST(AgreementTest, OnePassCountEqualsTheConversionAndTallyByScan) {
  std::mt19937 rng(31u);
  std::vector<int> kana = {kKanaComma, kKanaFullStop, 3, 8, 10, 12, 19, 21, 41, 73};
  std::vector<int> keys = {kRunBreak, kUnitEnd, 56, 63, 0x80};
  for (int key = 0; key < kKeyCount; key += 5) {
    keys.insert(keys.end(), 3, key);
  }
  auto expectedKeys = std::make_unique<KeyCountTable>();
  auto expectedPairs = std::make_unique<PairCountTable>();
  auto counts = std::make_unique<KeyCountTable>();
  auto pairs = std::make_unique<PairCountTable>();
  for (int round = 0; round < 120; ++round) {
    std::vector<LayoutEntry> table(round % 3 == 1 ? 200 : 40 + rng() % 40);
    for (LayoutEntry& entry : table) {
      entry = {RandomBytes(rng, 1 + rng() % (round % 3 == 1 || rng() % 3 == 0 ? 4 : 1), kana),
               RandomBytes(rng, rng() % 4, keys)};
    }
    if (round % 3 == 1) {
      // Longer entries first, so that many positions need a third or fourth kana: the count
      // then follows several stretches of the stream side by side.
      std::stable_sort(table.begin(), table.end(), [](const LayoutEntry& a, const LayoutEntry& b) {
        return a.Kana.size() > b.Kana.size();
      });
    }
    LayoutHeaderValues header{static_cast<std::int32_t>(rng() % 57) - 1,
                              static_cast<std::int32_t>(rng() % 2), 4,
                              static_cast<std::int32_t>(rng() % 2)};
    std::vector<int> text = kana;
    text.push_back(kRunBreak);
    if (round % 4 == 0) {
      text.push_back(50);  // no entry has it
    }
    std::string stream = "\xFF" + RandomBytes(rng, rng() % 1000, text);
    if (round % 4 == 2) {
      stream.insert(stream.begin() + 1 + rng() % stream.size(), '\x32');  // one, anywhere
    }
    reference::PlainConversion plain = reference::ConvertByScan(
        stream, table, header.CountByKana != 0, header.BreakAfterPunctuation != 0);
    PlainTally(plain.Keys, header.LeftHandLastKey, header.CountByKana != 0, *expectedKeys,
               *expectedPairs);
    for (unsigned jobs : {1u, 4u}) {
      SCOPED_TRACE(::testing::Message() << "round " << round << ", " << jobs << " jobs");
      ASSERT_EQ(CountKanaStream(stream, table, header, jobs, *counts, *pairs, 1), plain.Missing);
      if (plain.Missing == kNoSlot) {
        ASSERT_EQ(*counts, *expectedKeys);
        ASSERT_EQ(*pairs, *expectedPairs);
      }
    }
  }
}

// Counting is a function of the text and the layout alone: two layouts, one by strokes and one
// by kana with long entries (so that its count goes by lanes), counted again and again on
// several threads at once, each count itself cut into parts, give their single-thread counts.
TEST(AgreementTest, LayoutsCountedOnManyThreadsAtOnceGiveTheirOwnCounts) {
  std::mt19937 rng(5u);
  std::vector<int> kana = {kKanaComma, 3, 8, 10, 12, 19, 21, 41, 73, kRunBreak};
  std::string stream = "\xFF" + RandomBytes(rng, 600000, kana);
  LayoutDefinition layouts[2];
  for (int i = 0; i < 2; ++i) {
    layouts[i].Header = {20 + i * 10, i, 4, i};
    for (int entry = 0; entry < 150; ++entry) {
      layouts[i].Table.push_back({RandomBytes(rng, 1 + rng() % (i == 0 ? 2 : 4), kana),
                                  RandomBytes(rng, 1 + rng() % 2, {3, 17, 30, 44})});
    }
    for (int code : kana) {
      layouts[i].Table.push_back({std::string(1, static_cast<char>(code)), "\x05"});
    }
  }
  LayoutCount alone[2] = {ConvertAndTallyKanaStream(stream, layouts[0]),
                          ConvertAndTallyKanaStream(stream, layouts[1])};
  ASSERT_EQ(alone[0].Missing, kNoSlot);
  ASSERT_EQ(alone[1].Missing, kNoSlot);
  std::vector<std::unique_ptr<LayoutCount>> together(8);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < together.size(); ++t) {
    threads.emplace_back([&, t] {
      together[t] = std::make_unique<LayoutCount>(
          ConvertAndTallyKanaStream(stream, layouts[t % 2], 1 + t % 3));
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (std::size_t t = 0; t < together.size(); ++t) {
    EXPECT_EQ(together[t]->Counts.Keys, alone[t % 2].Counts.Keys) << "thread " << t;
    EXPECT_EQ(together[t]->Counts.Pairs, alone[t % 2].Counts.Pairs) << "thread " << t;
  }
}

// The check's one walk with counts against the separate counts it stands in for: the layout's
// own mode, by strokes, and the entries' follows (dense and, past 1,024 slots, sparse), on one
// thread and cut into parts.
TEST(AgreementTest, CoverageWithCountsEqualsTheSeparateCounts) {
  std::mt19937 rng(9u);
  // Entries without a RunBreak, so that the parts and lanes cut the text at its RunBreaks.
  std::vector<int> kana = {kKanaComma, kKanaFullStop, 3, 8, 10, 12, 19, 21, 41, 73};
  std::vector<int> text = kana;
  text.push_back(kRunBreak);
  std::string stream = RandomBytes(rng, 300000, text);
  for (auto [entries, byKana, breaks, jobs] :
       {std::tuple{150, 1, 1, 1u}, {150, 0, 0, 3u}, {150, 1, 0, 4u}, {2000, 1, 1, 3u}}) {
    LayoutDefinition layout;
    layout.Header = {20, breaks, 4, byKana};
    for (int entry = 0; entry < entries; ++entry) {
      layout.Table.push_back(
          {RandomBytes(rng, 1 + rng() % 3, kana), RandomBytes(rng, rng() % 3, {3, 17, 30, 44})});
    }
    for (int code : kana) {
      layout.Table.push_back({std::string(1, static_cast<char>(code)), "\x05"});
    }
    const LayoutCoverage coverage =
        CoverKanaStream(stream, layout.Table, layout.Header, true, jobs, 4096);
    ASSERT_TRUE(coverage.Counted) << entries;
    LayoutCounts own, strokes;
    LayoutHeaderValues byStrokes = layout.Header;
    byStrokes.CountByKana = 0;
    ASSERT_EQ(CountKanaStream(stream, layout.Table, layout.Header, 1, own.Keys, own.Pairs),
              kNoSlot);
    CountKanaStream(stream, layout.Table, byStrokes, 1, strokes.Keys, strokes.Pairs);
    const PieceCounts pieces = CountPieces(stream, layout.Table, breaks != 0);
    EXPECT_EQ(coverage.Counts.Keys, own.Keys) << entries;
    EXPECT_EQ(coverage.Counts.Pairs, own.Pairs) << entries;
    EXPECT_EQ(coverage.ByStrokes, strokes.Pairs) << entries;
    EXPECT_EQ(coverage.Pieces.Uses, pieces.Uses) << entries;
    ASSERT_EQ(coverage.Pieces.Follows.size(), pieces.Follows.size()) << entries;
    for (std::size_t i = 0; i < pieces.Follows.size(); ++i) {
      const PieceCounts::Follow& a = coverage.Pieces.Follows[i];
      const PieceCounts::Follow& b = pieces.Follows[i];
      ASSERT_EQ(std::tie(a.First, a.Second, a.Count), std::tie(b.First, b.Second, b.Count))
          << entries << " follow " << i;
    }
    // Past kana without definition the walk with counts still gives each entry's uses (from
    // its tallies) as the walk without them does.
    std::string gaps = stream;
    for (std::size_t i = 5; i < gaps.size(); i += 997) {
      gaps[i] = 99;
    }
    const LayoutCoverage counted =
        CoverKanaStream(gaps, layout.Table, layout.Header, true, jobs, 4096);
    const LayoutCoverage covered =
        CoverKanaStream(gaps, layout.Table, layout.Header, false, jobs, 4096);
    EXPECT_FALSE(counted.Counted);
    EXPECT_EQ(counted.Undefined[99].Count, covered.Undefined[99].Count);
    EXPECT_EQ(counted.Pieces.Uses, covered.Pieces.Uses) << entries;
  }
}

}  // namespace
}  // namespace kananet
