// The whole pipeline on one input cut into a sample text and a layout file at the first
// "\n--layout--\n": reading both, conversion, the statistics the header asks for and the
// network file, built in memory. Checks that the indexed lookup finds the same slot as the
// plain scan at every position of the stream, that every key byte is counted exactly once as
// a stroke and once as a pair, that the pair counts are those of the plainest counting (and of
// the batch's one-pass count, on one thread and on several), and that the network file has its
// fixed frame.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/entry_counts.h"
#include "analysis/statistics.h"
#include "codes/key_alphabet.h"
#include "fuzz_checks.h"
#include "output/network_writer.h"
#include "readers/layout.h"
#include "readers/sample_text.h"
#include "reference/key_stream.h"
#include "reference/plain_rules.h"

using namespace kananet;
using namespace kananet::fuzz;

namespace {

constexpr std::string_view kSeparator = "\n--layout--\n";

// The slots a scan can reach: the stored entry lines, when they are fewer than the searchable
// slots (the rest are empty and never match), else the whole table.
std::vector<LayoutEntry> ScannedSlots(const std::vector<LayoutEntry>& table,
                                      std::size_t entryLines) {
  if (entryLines >= kLayoutSearchSlots) {
    return table;
  }
  return {table.begin(), table.begin() + static_cast<std::ptrdiff_t>(entryLines)};
}

void CheckLookupAgreesWithScan(const std::vector<LayoutEntry>& table, std::size_t entryLines,
                               std::string_view kanaCodes) {
  KanaLookup lookup(table);
  std::vector<LayoutEntry> scanned = ScannedSlots(table, entryLines);
  for (std::size_t position = 0; position < kanaCodes.size(); ++position) {
    if (static_cast<std::uint8_t>(kanaCodes[position]) == kRunBreak) {
      continue;
    }
    FUZZ_CHECK(lookup.FindFirstMatch(kanaCodes, position) ==
               reference::FindFirstMatchByScan(scanned, kanaCodes, position));
  }
}

void CheckCountsMatchKeyBytes(std::string_view keyCodes, const KeyCountTable& strokeCounts,
                              const PairCountTable& pairTallies) {
  std::uint64_t keyBytes = 0;
  for (char byte : keyCodes) {
    keyBytes += static_cast<std::uint8_t>(byte) < kKeyCount;
  }
  std::uint64_t strokes = 0;
  for (std::uint32_t count : strokeCounts) {
    strokes += count;
  }
  std::uint64_t pairs = 0;
  for (std::size_t gapClass = 0; gapClass < pairTallies.size(); ++gapClass) {
    for (const auto& row : pairTallies[gapClass]) {
      for (std::uint32_t count : row) {
        FUZZ_CHECK(gapClass < kGapClasses || count == 0);
        pairs += count;
      }
    }
  }
  FUZZ_CHECK(strokes == keyBytes);
  FUZZ_CHECK(pairs == keyBytes);
}

void CheckNetworkFrame(std::string_view network, bool chords) {
  const std::string_view kHead = chords ? "*Vertices 342\r\n" : "*Vertices 330\r\n";
  constexpr std::string_view kEdgesLine = "*Edges\r\n";
  FUZZ_CHECK(network.substr(0, kHead.size()) == kHead);
  std::size_t edges = network.find(kEdgesLine);
  FUZZ_CHECK(edges != std::string_view::npos);
  std::size_t lines = 0;
  for (std::size_t i = kHead.size(); i < edges; ++i) {
    lines += network[i] == '\n';
  }
  FUZZ_CHECK(lines == (chords ? kChordNetworkVertices : kNetworkVertices));
  FUZZ_CHECK(network.size() >= 2 && network.substr(network.size() - 2) == "\r\n");
  FUZZ_CHECK(network.find("nan") == std::string_view::npos);
  FUZZ_CHECK(network.find("inf") == std::string_view::npos);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::vector<LayoutEntry> table(kLayoutTableSlots);
  std::string_view input = BytesOf(data, size);
  std::size_t cut = input.find(kSeparator);
  if (cut == std::string_view::npos) {
    return -1;  // not a pair of files: keep it out of the corpus
  }

  std::string kanaCodes;
  AppendKanaStream(std::string(input.substr(0, cut)), kanaCodes);
  LayoutHeaderValues header;
  std::size_t entryLines = FillLayout(input.substr(cut + kSeparator.size()), header, table);
  CheckLookupAgreesWithScan(table, entryLines, kanaCodes);

  std::string keyCodes;
  std::size_t missing = AppendKeyStream(kanaCodes, table, header.CountByKana != 0,
                                        header.BreakAfterPunctuation != 0, keyCodes);
  // The batch's one-pass count, whole or (for inputs of odd length) cut into parts at every
  // few RunBreaks, must stop at the same kana or give the tallies of the KeyStream.
  static KeyCountTable fusedKeyCounts;
  static PairCountTable fusedPairCounts;
  unsigned jobs = size % 2 == 0 ? 1 : 3;
  FUZZ_CHECK(CountKanaStream(kanaCodes, table, header, jobs, fusedKeyCounts, fusedPairCounts, 1) ==
             missing);
  if (missing != kNoSlot) {
    FUZZ_CHECK(missing < kanaCodes.size());
    FUZZ_CHECK(!MissingDefinitionMessage(static_cast<std::uint8_t>(kanaCodes[missing])).empty());
    return 0;  // the run stops here
  }

  static KeyCountTable plainKeyCounts;
  static PairCountTable plainPairCounts;
  reference::PlainTally(keyCodes, header.LeftHandLastKey, header.CountByKana != 0, plainKeyCounts,
                        plainPairCounts, header.Chords);
  FUZZ_CHECK(fusedKeyCounts == plainKeyCounts);
  FUZZ_CHECK(fusedPairCounts == plainPairCounts);
  if (!header.Chords) {
    // The per-byte tallies take keys struck one at a time.
    static KeyCountTable strokeCounts;
    static PairCountTable pairTallies;
    if (header.CountByKana != 0) {
      CountByKana(keyCodes, header.LeftHandLastKey, strokeCounts, pairTallies);
    } else {
      CountByStrokes(keyCodes, header.LeftHandLastKey, strokeCounts, pairTallies);
    }
    CheckCountsMatchKeyBytes(keyCodes, strokeCounts, pairTallies);
    FUZZ_CHECK(strokeCounts == plainKeyCounts);
    FUZZ_CHECK(pairTallies == plainPairCounts);
  }
  CheckNetworkFrame(BuildKeyboardNetwork(table, header, fusedKeyCounts, fusedPairCounts),
                    header.Chords);
  return 0;
}
