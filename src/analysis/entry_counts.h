// The conversion and the tally in one pass, one matched entry at a time: a layout's counts
// straight from the KanaStream, without writing the KeyStream. The KanaStream's runs
// are independent, so its parts between RunBreaks can be counted by several threads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/kana_lookup.h"
#include "analysis/piece_counts.h"
#include "analysis/statistics.h"
#include "readers/layout.h"

namespace kananet {

// The most sets of keys that one hand presses together (in a file with keys pressed together) a
// layout's count takes: it numbers each beyond the keys, and its tables grow with the square of
// the numbers. A layout with more stops the count with std::length_error.
inline constexpr std::size_t kMaxHandParts = 1024 - 64 - 1;

// Below this many KanaStream bytes per thread, starting a thread costs more than it saves.
inline constexpr std::size_t kMinBytesPerThread = std::size_t{1} << 18;

// Counts kanaCodes with the table and the header exactly as converting it to a KeyStream and
// tallying that by the header's mode would, with up to jobs threads (parts of at least
// minBytesPerThread bytes). Returns kNoSlot, or the first position of kanaCodes whose kana has
// no definition; the tables are then left unspecified.
std::size_t CountKanaStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            const LayoutHeaderValues& header, unsigned jobs, LayoutCounts& counts,
                            std::size_t minBytesPerThread = kMinBytesPerThread);
std::size_t CountKanaStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                            const LayoutHeaderValues& header, unsigned jobs,
                            KeyCountTable& strokeCounts, PairCountTable& pairTallies,
                            std::size_t minBytesPerThread = kMinBytesPerThread);

// The most a counter of a layout's count holds: its tables are 32 bits wide.
inline constexpr std::uint64_t kMaxCount = std::numeric_limits<std::uint32_t>::max();

// What bounds every counter of a layout's count over a KanaStream, so that one that could wrap is
// refused before it is counted. Each kana is matched once at most (a RunBreak strikes no key), a
// match strikes at most the keys of the entry pressing the most, and every stroke adds one to one
// pair counter: so no counter, nor any sum of them, passes Kana * Strokes. A match is counted even
// when its entry presses no key, hence at least 1 for Strokes. The bound holds whatever kana the
// entries type, so a search that moves key sequences between entries keeps it.
struct CountBound {
  std::uint64_t Kana = 0;      // the KanaStream's bytes but its RunBreaks: the closing zu too
  std::uint64_t Strokes = 0;   // the most keys an entry of the table presses
  std::size_t Slot = kNoSlot;  // the first entry pressing them; kNoSlot when none presses a key

  bool Fits() const { return CountFits(Kana, Strokes); }
  // Whether kana matches of at most strokes keys each can pass no counter.
  static bool CountFits(std::uint64_t kana, std::uint64_t strokes);
};

// The kana of a KanaStream that a count matches: every byte but RunBreaks.
std::uint64_t MatchedKanaOf(std::string_view kanaCodes);

// The bound of a table's count over a text of that many matched kana (its MatchedKanaOf, taken
// once per text), over every entry of the table.
CountBound BoundOfCount(std::uint64_t kana, const std::vector<LayoutEntry>& table);

// A kana without definition in a KanaStream: how often, and where first.
struct UndefinedKana {
  std::uint64_t Count = 0;
  std::size_t First = 0;
};

// The count of a layout that goes on past each kana without definition, for the check and the
// report: the uses of every slot a search can find, each kana without definition, and, when
// there is none and they were asked for, the counts.
struct LayoutCoverage {
  bool Counted = false;        // Counts, ByStrokes and Pieces.Follows hold the layout's counts
  LayoutCounts Counts;         // in the layout's own mode, as the batch writes them
  PairCountTable ByStrokes{};  // the pairs counted by strokes, whatever the layout's mode
  PieceCounts Pieces;          // Uses by slot, up to the last slot a search can find
  std::array<UndefinedKana, 256> Undefined{};  // by KanaCode

  bool HasUndefined() const;
};

// With counts, the one walk over the text also counts the layout in its own mode and by
// strokes, and the follows of its entries; without, it finds only the uses and the kana without
// definition, which is quicker.
LayoutCoverage CoverKanaStream(std::string_view kanaCodes, const std::vector<LayoutEntry>& table,
                               const LayoutHeaderValues& header, bool counts, unsigned jobs = 1,
                               std::size_t minBytesPerThread = kMinBytesPerThread);

// A layout's counts over a KanaStream, or where a kana without definition stops them.
struct LayoutCount {
  LayoutCounts Counts;
  std::size_t Missing = kNoSlot;  // the first position whose kana has no definition; the
                                  // counts are then unspecified
};

// The batch's step: the conversion and the tally of the KanaStream with the layout in one pass.
// A function of its inputs alone, so that many threads may count different layouts at once.
LayoutCount ConvertAndTallyKanaStream(std::string_view kanaCodes, const LayoutDefinition& layout,
                                      unsigned jobs = 1);

// The console message for a kana without definition.
std::string MissingDefinitionMessage(std::uint8_t kanaCode);

}  // namespace kananet
